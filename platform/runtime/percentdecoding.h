#pragma once

#include <string>
#include <string_view>

// Undoes %XX escapes (RFC 2231 values, RFC 6068 links): "%" and two hex
// digits is one octet; a "%" without two hex digits stays as it is.
inline std::string PercentDecoded(std::string_view Text) {
  const auto HexDigit = [](char C) {
    if (C >= '0' && C <= '9') return C - '0';
    if (C >= 'a' && C <= 'f') return C - 'a' + 10;
    if (C >= 'A' && C <= 'F') return C - 'A' + 10;
    return -1;
  };
  std::string Octets;
  Octets.reserve(Text.size());
  for (std::size_t I = 0; I < Text.size(); ++I) {
    if (Text[I] == '%' && I + 2 < Text.size()) {
      const int High = HexDigit(Text[I + 1]), Low = HexDigit(Text[I + 2]);
      if (High >= 0 && Low >= 0) {
        Octets += static_cast<char>(High * 16 + Low);
        I += 2;
        continue;
      }
    }
    Octets += Text[I];
  }
  return Octets;
}
