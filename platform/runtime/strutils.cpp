#include "strutils.h"

std::string FormatStr(std::string_view Fmt, std::string_view Arg) {
  std::string Result(Fmt);
  const auto Pos = Result.find("%s");
  if (Pos != std::string::npos) Result.replace(Pos, 2, Arg);
  return Result;
}
