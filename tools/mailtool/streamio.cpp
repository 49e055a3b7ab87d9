#include "streamio.h"

#include "platform/runtime/exception.h"
#include "platform/runtime/streams.h"

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

std::string ReadInput(const std::string& Path) {
  TMemoryStream Text;
  if (Path == "-") {
    CopyAll(stdin, Text);
  } else {
    TFileStream Input(Path, TFileMode::fmOpenRead);
    CopyAll(Input, Text);
  }
  return std::string(Text.View());
}
