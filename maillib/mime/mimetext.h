#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Small text helpers shared by the MIME parsers and codecs.
namespace mimetext {

// True for the bytes a trim removes: space and every control character.
inline bool IsTrimmed(char C) { return static_cast<unsigned char>(C) <= ' '; }

inline std::string_view TrimView(std::string_view Text) {
  while (!Text.empty() && IsTrimmed(Text.front())) Text.remove_prefix(1);
  while (!Text.empty() && IsTrimmed(Text.back())) Text.remove_suffix(1);
  return Text;
}

inline std::string Trim(std::string_view Text) { return std::string(TrimView(Text)); }

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
