#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Small text helpers shared by the MIME parsers and codecs. Header
// text is compared byte-wise: field names and keywords are ASCII.
namespace mimetext {

// True for the bytes a trim removes: space and every control character.
inline bool IsTrimmed(char C) { return static_cast<unsigned char>(C) <= ' '; }

inline std::string_view TrimView(std::string_view Text) {
  while (!Text.empty() && IsTrimmed(Text.front())) Text.remove_prefix(1);
  while (!Text.empty() && IsTrimmed(Text.back())) Text.remove_suffix(1);
  return Text;
}

inline std::string Trim(std::string_view Text) { return std::string(TrimView(Text)); }

inline char UpperChar(char C) { return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 'a' + 'A') : C; }

inline std::string UpperCase(std::string_view Text) {
  std::string Result(Text);
  for (char& C : Result) C = UpperChar(C);
  return Result;
}

// True when Text begins with Prefix, ASCII letters compared without case.
inline bool StartsWithNoCase(std::string_view Text, std::string_view Prefix) {
  if (Text.size() < Prefix.size()) return false;
  for (std::size_t I = 0; I < Prefix.size(); ++I)
    if (UpperChar(Text[I]) != UpperChar(Prefix[I])) return false;
  return true;
}

inline bool EqualsNoCase(std::string_view A, std::string_view B) {
  return A.size() == B.size() && StartsWithNoCase(A, B);
}

// True for a header line that continues the field above it.
inline bool IsContinuationLine(std::string_view Line) {
  return !Line.empty() && (Line.front() == ' ' || Line.front() == '\t');
}

// True for a line that starts a header field: a name of printable ASCII
// characters without blanks, then a colon (blanks before the colon are the
// obsolete form RFC 5322 section 4.5 still asks readers to accept).
inline bool IsHeaderFieldLine(std::string_view Line) {
  std::size_t I = 0;
  while (I < Line.size() && Line[I] > ' ' && Line[I] < 127 && Line[I] != ':') ++I;
  if (I == 0) return false;
  while (I < Line.size() && (Line[I] == ' ' || Line[I] == '\t')) ++I;
  return I < Line.size() && Line[I] == ':';
}

}  // namespace mimetext
