#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Looking at eight bytes at a time in one 64-bit word, for the scans over
// message text that run once per byte. Each test gives a mask with the high
// bit set in the bytes it flags. A flag may also appear on a byte after the
// first flagged one (a borrow runs on), but the first flag is always right,
// which is all FirstFlagged uses; a zero mask means no byte matched.
namespace bytescan {

inline constexpr std::uint64_t Ones = 0x0101010101010101u;
inline constexpr std::uint64_t Highs = 0x8080808080808080u;

// The eight bytes at P, the first in the lowest byte of the word.
inline std::uint64_t Load(const void* P) {
  std::uint64_t Word;
  std::memcpy(&Word, P, 8);
  if constexpr (std::endian::native == std::endian::big) Word = __builtin_bswap64(Word);
  return Word;
}

inline std::uint64_t Equal(std::uint64_t Word, unsigned char Byte) {
  const std::uint64_t X = Word ^ (Ones * Byte);
  return (X - Ones) & ~X & Highs;
}

// Bytes below Limit (at most 128).
inline std::uint64_t Below(std::uint64_t Word, unsigned char Limit) { return (Word - Ones * Limit) & ~Word & Highs; }

// Bytes from 128 up.
inline std::uint64_t NonAscii(std::uint64_t Word) { return Word & Highs; }

// The position (0 to 7) of the first flagged byte of a non-zero Mask.
inline std::size_t FirstFlagged(std::uint64_t Mask) { return static_cast<std::size_t>(std::countr_zero(Mask)) / 8; }

#if defined(__SSE2__)
// Sixteen bytes at a time where the processor has SSE2 (every x86-64 one):
// a mask with bit I set for each byte I of the block at P that is Byte.
inline unsigned EqualMask16(const char* P, char Byte) {
  const __m128i Block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(Block, _mm_set1_epi8(Byte))));
}
#endif

// The first CR or LF in [P, E), or E.
inline const char* FindLineBreak(const char* P, const char* const E) {
#if defined(__SSE2__)
  for (; E - P >= 16; P += 16) {
    const unsigned Breaks = EqualMask16(P, '\r') | EqualMask16(P, '\n');
    if (Breaks != 0) return P + std::countr_zero(Breaks);
  }
#endif
  for (; E - P >= 8; P += 8) {
    const std::uint64_t Word = Load(P);
    const std::uint64_t Breaks = Equal(Word, '\r') | Equal(Word, '\n');
    if (Breaks != 0) return P + FirstFlagged(Breaks);
  }
  while (P < E && *P != '\r' && *P != '\n') ++P;
  return P;
}

}  // namespace bytescan
