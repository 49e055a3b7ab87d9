#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Case mapping and comparison of ASCII letters only. Protocol keywords,
// header names and file extensions are ASCII; every other byte (UTF-8 text
// included) passes through unchanged, whatever the locale.

inline char ToLowerAscii(char C) { return (C >= 'A' && C <= 'Z') ? static_cast<char>(C - 'A' + 'a') : C; }

inline char ToUpperAscii(char C) { return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 'a' + 'A') : C; }

inline std::string ToLowerAscii(std::string_view Text) {
  std::string Result(Text);
  for (char& C : Result) C = ToLowerAscii(C);
  return Result;
}

inline std::string ToUpperAscii(std::string_view Text) {
  std::string Result(Text);
  for (char& C : Result) C = ToUpperAscii(C);
  return Result;
}

// True when Text begins with Prefix, ASCII letters compared without case.
inline bool StartsWithNoCaseAscii(std::string_view Text, std::string_view Prefix) {
  if (Text.size() < Prefix.size()) return false;
  for (std::size_t I = 0; I < Prefix.size(); ++I)
    if (ToLowerAscii(Text[I]) != ToLowerAscii(Prefix[I])) return false;
  return true;
}

inline bool EqualsNoCaseAscii(std::string_view A, std::string_view B) {
  return A.size() == B.size() && StartsWithNoCaseAscii(A, B);
}
