// mailtool: the mail library from the command line.
//
//   mailtool decode FILE   prints the message in FILE as JSON
//   mailtool decode FILE FILE...
//                          prints each message as JSON on one line
//   mailtool encode JSON   prints the wire text of the message JSON describes
//   mailtool fetch SERVER USER PASSWORD DIR [--leave]
//                          fetches a POP3 mailbox into DIR, one JSON line per message
//   mailtool send SERVER JSON
//                          sends the message JSON describes through an SMTP server
//
// "-" reads standard input. Errors go to standard error with exit status 1.

#include <cstdio>
#include <iostream>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "maillib/message/nbmsg.h"
#include "messagejson.h"
#include "netcommands.h"
#include "streamio.h"
#include "platform/runtime/exception.h"
#include "platform/runtime/streams.h"

namespace {

constexpr const char* Usage =
    "usage: mailtool decode FILE   print the message in FILE as JSON\n"
    "       mailtool decode FILE FILE...\n"
    "                              print each message as JSON on a line of its own\n"
    "       mailtool encode JSON   print the wire text of the message JSON describes\n"
    "       mailtool fetch SERVER USER PASSWORD DIR [--leave]\n"
    "                              fetch every message of a POP3 mailbox into DIR/N.eml,\n"
    "                              print each as JSON, delete them unless --leave\n"
    "       mailtool send SERVER JSON\n"
    "                              send the message JSON describes through an SMTP server\n"
    "FILE or JSON may be \"-\" for standard input; SERVER is \"host\" or \"host:port\".\n";

void LoadMessage(const std::string& Path, TnbMessage& Message) {
  if (Path == "-") {
    TMemoryStream Input;
    CopyAll(stdin, Input);
    Message.LoadFromStream(Input);
  } else {
    TFileStream Input(Path, TFileMode::fmOpenRead);
    Message.LoadFromStream(Input);
  }
}

int Decode(const std::string& Path) {
  // Never freed: the process ends right after, and freeing a body of many
  // thousands of lines one by one costs a tenth of the decoding time.
  static TnbMessage& Message = *new TnbMessage;
  LoadMessage(Path, Message);
  WriteMessageJson(Message, std::cout);
  return 0;
}

// Several files: one JSON object per line, in the order given. A file that
// cannot be read gives a line {"error": "..."} and the status 1, and the
// others are still decoded.
int DecodeEach(const std::vector<std::string>& Paths) {
  static TnbMessage& Message = *new TnbMessage;
  int Status = 0;
  for (const std::string& Path : Paths) {
    Message.Clear();
    try {
      LoadMessage(Path, Message);
      WriteMessageJson(Message, std::cout, true);
    } catch (const Exception& E) {
      std::cerr << "mailtool: " << Path << ": " << E.Message << '\n';
      WriteErrorJson(E.Message, std::cout);
      Status = 1;
    }
  }
  return Status;
}

int Encode(const std::string& Path) {
  TnbMessage Message;
  ReadMessageJson(ReadInput(Path), Message);
  TMemoryStream Wire;
  Message.SaveToStream(Wire);
  std::cout.write(Wire.Memory(), static_cast<std::streamsize>(Wire.Size()));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> Args(argv + 1, argv + argc);
  const std::string Command = Args.empty() ? "" : Args[0];
  const bool Leave = Command == "fetch" && Args.size() == 6 && Args[5] == "--leave";
  const bool Fits = ((Command == "decode" || Command == "encode") && Args.size() == 2) ||
                    (Command == "decode" && Args.size() > 2) ||
                    (Command == "fetch" && (Args.size() == 5 || Leave)) || (Command == "send" && Args.size() == 3);
  if (!Fits) {
    if (!Command.empty() && Command != "decode" && Command != "encode" && Command != "fetch" && Command != "send")
      std::cerr << "mailtool: unknown command \"" << Command << "\"\n";
    std::cerr << Usage;
    return 1;
  }
  // Errors name what they are about: the input of a conversion, the server of a transfer.
  const std::string Source = Args[1] == "-" ? "standard input" : Args[1];
  std::ios::sync_with_stdio(false);
  try {
    int Status;
    if (Command == "decode" && Args.size() > 2) Status = DecodeEach({Args.begin() + 1, Args.end()});
    else if (Command == "decode") Status = Decode(Args[1]);
    else if (Command == "encode") Status = Encode(Args[1]);
    else if (Command == "fetch") Status = FetchMail(Args[1], Args[2], Args[3], Args[4], Leave);
    else Status = SendMail(Args[1], Args[2]);
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
