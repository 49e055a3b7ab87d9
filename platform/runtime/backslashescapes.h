#pragma once

#include <string_view>

// The one-letter backslash escapes that quoted strings share (JSON and the
// attachment list's items format): a quote, a backslash, LF, CR and tab.
namespace backslashescapes {
inline constexpr std::string_view Chars = "\"\\\n\r\t";
inline constexpr std::string_view Letters = "\"\\nrt";
}  // namespace backslashescapes

// The letter that follows the backslash in the escape of C, or 0 when C has
// no one-letter escape.
constexpr char EscapeLetter(char C) {
  const std::size_t I = backslashescapes::Chars.find(C);
  return I == std::string_view::npos ? '\0' : backslashescapes::Letters[I];
}

// The character that the escape "\" + Letter stands for, or 0 when Letter
// does not make a one-letter escape.
constexpr char EscapedChar(char Letter) {
  const std::size_t I = backslashescapes::Letters.find(Letter);
  return I == std::string_view::npos ? '\0' : backslashescapes::Chars[I];
}
