#pragma once

#include <random>
#include <string>

// Length bytes of every value 0 to 255, the same for every run of a test.
inline std::string RandomBytes(std::mt19937& Random, std::size_t Length) {
  std::string Bytes(Length, '\0');
  for (char& C : Bytes) C = static_cast<char>(Random() & 0xFF);
  return Bytes;
}
