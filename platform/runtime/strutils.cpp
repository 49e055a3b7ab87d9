#include "strutils.h"

#include <charconv>

std::string FormatStr(std::string_view Fmt, std::string_view Arg) {
  std::string Result(Fmt);
  const auto Pos = Result.find("%s");
  if (Pos != std::string::npos) Result.replace(Pos, 2, Arg);
  return Result;
}

std::string CutUtf8(std::string_view Text, std::size_t MaxBytes) {
  if (Text.size() <= MaxBytes) return std::string(Text);
  auto IsContinuation = [](char C) {
    return (static_cast<unsigned char>(C) & 0xC0) == 0x80;
  };
  // The first dropped byte continues a sequence: drop that sequence's lead
  // and earlier continuation bytes too. A sequence is at most four bytes, so
  // a longer run of continuation bytes is not UTF-8 and is cut where it is.
  std::size_t Cut = MaxBytes;
  if (IsContinuation(Text[Cut])) {
    std::size_t Back = Cut;
    while (Back > 0 && Cut - Back < 3 && IsContinuation(Text[Back - 1])) --Back;
    if (Back > 0 && !IsContinuation(Text[Back - 1]) &&
        static_cast<unsigned char>(Text[Back - 1]) >= 0xC0)
      Cut = Back - 1;
  }
  return std::string(Text.substr(0, Cut));
}

int StrToInt(std::string_view Text) {
  int Value = 0;
  const char* First = Text.data();
  const char* Last = First + Text.size();
  if (!Text.empty() && *First == '+') ++First;
  const auto [End, Error] = std::from_chars(First, Last, Value);
  if (Text.empty() || Error != std::errc() || End != Last)
    throw EConvertError("'" + std::string(Text) + "' is not a valid integer value");
  return Value;
}
