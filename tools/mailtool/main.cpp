// mailtool: the mail library from the command line.
//
//   mailtool decode FILE   prints the message in FILE as JSON
//   mailtool encode JSON   prints the wire text of the message JSON describes
//
// "-" reads standard input. Errors go to standard error with exit status 1.

#include <cstdio>
#include <iostream>
#include <new>
#include <string>
#include <string_view>

#include "maillib/message/nbmsg.h"
#include "messagejson.h"
#include "platform/runtime/exception.h"
#include "platform/runtime/streams.h"

namespace {

constexpr const char* Usage =
    "usage: mailtool decode FILE   print the message in FILE as JSON\n"
    "       mailtool encode JSON   print the wire text of the message JSON describes\n"
    "FILE or JSON may be \"-\" for standard input.\n";

void CopyAll(std::FILE* From, TStream& To) {
  char Buffer[65536];
  std::size_t N;
  while ((N = std::fread(Buffer, 1, sizeof Buffer, From)) > 0) To.Write(Buffer, N);
  if (std::ferror(From)) throw Exception("Cannot read standard input");
}

void CopyAll(TStream& From, TStream& To) {
  char Buffer[65536];
  std::size_t N;
  while ((N = From.Read(Buffer, sizeof Buffer)) > 0) To.Write(Buffer, N);
}

int Decode(const std::string& Path) {
  // Never freed: the process ends right after, and freeing a body of many
  // thousands of lines one by one costs a tenth of the decoding time.
  static TnbMessage& Message = *new TnbMessage;
  if (Path == "-") {
    TMemoryStream Input;
    CopyAll(stdin, Input);
    Message.LoadFromStream(Input);
  } else {
    TFileStream Input(Path, TFileMode::fmOpenRead);
    Message.LoadFromStream(Input);
  }
  WriteMessageJson(Message, std::cout);
  return 0;
}

int Encode(const std::string& Path) {
  TMemoryStream Json;
  if (Path == "-") {
    CopyAll(stdin, Json);
  } else {
    TFileStream Input(Path, TFileMode::fmOpenRead);
    CopyAll(Input, Json);
  }
  TnbMessage Message;
  ReadMessageJson(Json.View(), Message);
  TMemoryStream Wire;
  Message.SaveToStream(Wire);
  std::cout.write(Wire.Memory(), static_cast<std::streamsize>(Wire.Size()));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << Usage;
    return 1;
  }
  const std::string_view Command = argv[1];
  const std::string Path = argv[2];
  const std::string Source = Path == "-" ? "standard input" : Path;
  if (Command != "decode" && Command != "encode") {
    std::cerr << "mailtool: unknown command \"" << Command << "\"\n" << Usage;
    return 1;
  }
  std::ios::sync_with_stdio(false);
  try {
    const int Status = Command == "decode" ? Decode(Path) : Encode(Path);
    std::cout.flush();
    if (!std::cout) {
      std::cerr << "mailtool: cannot write the output\n";
      return 1;
    }
    return Status;
  } catch (const Exception& E) {
    std::cerr << "mailtool: " << Source << ": " << E.Message << '\n';
  } catch (const std::bad_alloc&) {
    std::cerr << "mailtool: " << Source << ": not enough memory\n";
  }
  return 1;
}
