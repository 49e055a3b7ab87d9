#include "maillib/mime/base64.h"

#include <array>
#include <cstdint>

#include "maillib/mime/codecerrors.h"
#include "maillib/transport/nberrors.h"
#include "platform/runtime/processmessages.h"

namespace {

constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::uint8_t Fill = 64;      // "="
constexpr std::uint8_t Invalid = 255;  // outside the alphabet

constexpr std::array<std::uint8_t, 256> MakeDecodeTable() {
  std::array<std::uint8_t, 256> Table{};
  for (auto& Entry : Table) Entry = Invalid;
  for (int I = 0; I < 64; ++I) Table[static_cast<unsigned char>(Alphabet[I])] = static_cast<std::uint8_t>(I);
  Table['='] = Fill;
  return Table;
}
constexpr auto DecodeTable = MakeDecodeTable();

}  // namespace

void EncodeBase64Line(std::string_view Bytes, std::string& Text) {
  ProcessMessages();
  const auto* In = reinterpret_cast<const unsigned char*>(Bytes.data());
  const std::size_t N = Bytes.size();
  const std::size_t Start = Text.size();
  Text.resize(Start + (N + 2) / 3 * 4);
  char* Out = Text.data() + Start;
  std::size_t I = 0;
  for (; I + 3 <= N; I += 3) {
    const std::uint32_t V = (std::uint32_t(In[I]) << 16) | (std::uint32_t(In[I + 1]) << 8) | In[I + 2];
    *Out++ = Alphabet[V >> 18];
    *Out++ = Alphabet[(V >> 12) & 63];
    *Out++ = Alphabet[(V >> 6) & 63];
    *Out++ = Alphabet[V & 63];
  }
  if (N - I == 2) {
    const std::uint32_t V = (std::uint32_t(In[I]) << 10) | (std::uint32_t(In[I + 1]) << 2);
    *Out++ = Alphabet[V >> 12];
    *Out++ = Alphabet[(V >> 6) & 63];
    *Out++ = Alphabet[V & 63];
    *Out++ = '=';
  } else if (N - I == 1) {
    const std::uint32_t V = std::uint32_t(In[I]) << 4;
    *Out++ = Alphabet[V >> 6];
    *Out++ = Alphabet[V & 63];
    *Out++ = '=';
    *Out++ = '=';
  }
}

std::string EncodeBase64Line(std::string_view Bytes) {
  std::string Text;
  EncodeBase64Line(Bytes, Text);
  return Text;
}

void DecodeBase64Line(std::string_view Text, std::string& Bytes) {
  ProcessMessages();
  const auto* In = reinterpret_cast<const unsigned char*>(Text.data());
  const std::size_t N = Text.size();
  const std::size_t Start = Bytes.size();
  Bytes.resize(Start + (N + 3) / 4 * 3);
  auto* Out = reinterpret_cast<unsigned char*>(Bytes.data() + Start);
  std::size_t I = 0;
  // Whole groups without fill characters.
  for (; I + 4 <= N; I += 4) {
    const std::uint8_t A = DecodeTable[In[I]], B = DecodeTable[In[I + 1]], C = DecodeTable[In[I + 2]],
                       D = DecodeTable[In[I + 3]];
    if ((A | B | C | D) & 0xC0) break;  // a fill or invalid character
    const std::uint32_t V = (std::uint32_t(A) << 18) | (std::uint32_t(B) << 12) | (std::uint32_t(C) << 6) | D;
    *Out++ = static_cast<unsigned char>(V >> 16);
    *Out++ = static_cast<unsigned char>(V >> 8);
    *Out++ = static_cast<unsigned char>(V);
  }
  // The rest, bit by bit: a fill character ends its group and drops the bits
  // that do not make a whole byte, so "QQ==" gives one byte and an unpadded
  // final group gives the bytes it holds.
  std::uint32_t Bits = 0;
  int BitCount = 0;
  for (; I < N; ++I) {
    const std::uint8_t V = DecodeTable[In[I]];
    if (V == Invalid) {
      Bytes.resize(Start);
      throw EMessageParserError(SInvalidCharacter);
    }
    if (V == Fill) {
      Bits = 0;
      BitCount = 0;
      continue;
    }
    Bits = (Bits << 6) | V;
    BitCount += 6;
    if (BitCount >= 8) {
      BitCount -= 8;
      *Out++ = static_cast<unsigned char>(Bits >> BitCount);
      Bits &= (1u << BitCount) - 1;
    }
  }
  Bytes.resize(static_cast<std::size_t>(reinterpret_cast<char*>(Out) - Bytes.data()));
}

std::string DecodeBase64Line(std::string_view Text) {
  std::string Bytes;
  DecodeBase64Line(Text, Bytes);
  return Bytes;
}

void TBase64Decoder::Add(std::string_view Text, std::string& Bytes) {
  ProcessMessages();
  if (FEnded) return;
  const auto* In = reinterpret_cast<const unsigned char*>(Text.data());
  const std::size_t N = Text.size();
  const std::size_t Start = Bytes.size();
  Bytes.resize(Start + (N + 3) / 4 * 3 + 3);
  auto* Out = reinterpret_cast<unsigned char*>(Bytes.data() + Start);
  std::size_t I = 0;
  while (I < N) {
    // Whole groups of alphabet characters, the common case, four at a time.
    if (FCount == 0) {
      for (; I + 4 <= N; I += 4) {
        const std::uint8_t A = DecodeTable[In[I]], B = DecodeTable[In[I + 1]], C = DecodeTable[In[I + 2]],
                           D = DecodeTable[In[I + 3]];
        if ((A | B | C | D) & 0xC0) break;
        const std::uint32_t V = (std::uint32_t(A) << 18) | (std::uint32_t(B) << 12) | (std::uint32_t(C) << 6) | D;
        *Out++ = static_cast<unsigned char>(V >> 16);
        *Out++ = static_cast<unsigned char>(V >> 8);
        *Out++ = static_cast<unsigned char>(V);
      }
      if (I == N) break;
    }
    const std::uint8_t V = DecodeTable[In[I++]];
    if (V == Invalid) continue;
    if (V == Fill) {
      // Padding closes the final group, whose whole bytes were written as
      // they came; nothing after it is data.
      FEnded = true;
      break;
    }
    FBits = (FBits << 6) | V;
    ++FCount;
    // Each character after the first of a group completes one more byte.
    if (FCount >= 2) *Out++ = static_cast<unsigned char>(FBits >> (2 * (4 - FCount)));
    if (FCount == 4) {
      FBits = 0;
      FCount = 0;
    }
  }
  Bytes.resize(static_cast<std::size_t>(reinterpret_cast<char*>(Out) - Bytes.data()));
}
