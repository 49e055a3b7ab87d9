#include "maillib/mime/uuencode.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>

#include "maillib/mime/codecerrors.h"
#include "maillib/transport/nberrors.h"
#include "platform/runtime/asciicase.h"
#include "platform/runtime/processmessages.h"

namespace {

constexpr std::uint8_t Invalid = 255;
// The largest count a length character can hold.
constexpr std::size_t MaxLineBytes = 63;

constexpr char EncodeChar(std::uint32_t Value) { return Value == 0 ? '`' : static_cast<char>(32 + Value); }

constexpr std::array<std::uint8_t, 256> MakeDecodeTable() {
  std::array<std::uint8_t, 256> Table{};
  for (auto& Entry : Table) Entry = Invalid;
  Table[' '] = 0;
  Table['`'] = 0;
  for (int C = 33; C <= 95; ++C) Table[C] = static_cast<std::uint8_t>(C - 32);
  return Table;
}
constexpr auto DecodeTable = MakeDecodeTable();

std::uint32_t CharValue(unsigned char C) {
  const std::uint8_t V = DecodeTable[C];
  if (V == Invalid) throw EMessageParserError(SInvalidCharacter);
  return V;
}

bool IsBlank(char C) { return C == ' ' || C == '\t'; }

}  // namespace

int DecodeUUChar(char C) { return static_cast<int>(CharValue(static_cast<unsigned char>(C))); }

std::string EncodeUULine(std::string_view Bytes) {
  ProcessMessages();
  const std::size_t N = Bytes.size();
  if (N > MaxLineBytes) throw std::length_error("EncodeUULine: more than 63 bytes");
  const auto* In = reinterpret_cast<const unsigned char*>(Bytes.data());
  std::string Line;
  Line.reserve(1 + (N * 4 + 2) / 3);
  Line += EncodeChar(static_cast<std::uint32_t>(N));
  std::size_t I = 0;
  for (; I + 3 <= N; I += 3) {
    const std::uint32_t V = (std::uint32_t(In[I]) << 16) | (std::uint32_t(In[I + 1]) << 8) | In[I + 2];
    Line += EncodeChar(V >> 18);
    Line += EncodeChar((V >> 12) & 63);
    Line += EncodeChar((V >> 6) & 63);
    Line += EncodeChar(V & 63);
  }
  if (N - I == 2) {
    const std::uint32_t V = (std::uint32_t(In[I]) << 10) | (std::uint32_t(In[I + 1]) << 2);
    Line += EncodeChar(V >> 12);
    Line += EncodeChar((V >> 6) & 63);
    Line += EncodeChar(V & 63);
  } else if (N - I == 1) {
    const std::uint32_t V = std::uint32_t(In[I]) << 4;
    Line += EncodeChar(V >> 6);
    Line += EncodeChar(V & 63);
  }
  return Line;
}

void DecodeUULine(std::string_view Text, std::string& Bytes) {
  ProcessMessages();
  if (Text.empty()) return;
  const std::size_t N = CharValue(static_cast<unsigned char>(Text[0]));
  const auto* Data = reinterpret_cast<const unsigned char*>(Text.data() + 1);
  const std::size_t Size = Text.size() - 1;
  // Only the characters that carry the announced bytes are read: some
  // encoders add a check character after them.
  const std::size_t Groups = (N + 2) / 3;
  const std::size_t Start = Bytes.size();
  Bytes.resize(Start + Groups * 3);
  auto* Out = reinterpret_cast<unsigned char*>(Bytes.data() + Start);
  std::uint8_t Seen = 0;  // every value or'ed: Invalid sets the high bits
  std::size_t G = 0;
  for (; G < Groups && G * 4 + 4 <= Size; ++G) {
    const unsigned char* C = Data + G * 4;
    const std::uint8_t A = DecodeTable[C[0]], B = DecodeTable[C[1]], D2 = DecodeTable[C[2]], D3 = DecodeTable[C[3]];
    Seen |= A | B | D2 | D3;
    const std::uint32_t V = (std::uint32_t(A) << 18) | (std::uint32_t(B) << 12) | (std::uint32_t(D2) << 6) | D3;
    *Out++ = static_cast<unsigned char>(V >> 16);
    *Out++ = static_cast<unsigned char>(V >> 8);
    *Out++ = static_cast<unsigned char>(V);
  }
  // A line cut short: the missing characters count as zero values.
  for (; G < Groups; ++G) {
    std::uint32_t V = 0;
    for (std::size_t K = 0; K < 4; ++K) {
      const std::size_t Pos = G * 4 + K;
      const std::uint8_t Value = Pos < Size ? DecodeTable[Data[Pos]] : 0;
      Seen |= Value;
      V = (V << 6) | (Value & 63);
    }
    *Out++ = static_cast<unsigned char>(V >> 16);
    *Out++ = static_cast<unsigned char>(V >> 8);
    *Out++ = static_cast<unsigned char>(V);
  }
  if (Seen & 0xC0) {
    Bytes.resize(Start);
    throw EMessageParserError(SInvalidCharacter);
  }
  Bytes.resize(Start + N);
}

std::string DecodeUULine(std::string_view Text) {
  std::string Bytes;
  DecodeUULine(Text, Bytes);
  return Bytes;
}

bool IsUUBeginLine(std::string_view Line) {
  if (Line.size() <= 8) return false;
  static constexpr std::string_view Begin = "BEGIN";
  if (!StartsWithNoCaseAscii(Line, Begin)) return false;
  std::string_view Rest = Line.substr(Begin.size());
  while (!Rest.empty() && IsBlank(Rest.front())) Rest.remove_prefix(1);
  if (Rest.size() < 3) return false;
  for (std::size_t I = 0; I < 3; ++I)
    if (Rest[I] < '0' || Rest[I] > '9') return false;
  return true;
}

bool IsUUDataLine(std::string_view Line) {
  if (Line.empty()) return false;
  for (const char C : Line)
    if (DecodeTable[static_cast<unsigned char>(C)] == Invalid) return false;
  const std::size_t N = DecodeTable[static_cast<unsigned char>(Line[0])];
  const std::size_t Length = Line.size() - 1;
  return Length >= (N * 4 + 2) / 3 && Length <= (N + 2) / 3 * 4 + 1;
}

std::string UUFileName(std::string_view Line) {
  // Skip the word "begin", the blanks, the mode and the blanks after it, so
  // that a four-digit mode or a second blank does not lose the name.
  std::size_t I = std::min<std::size_t>(Line.size(), 5);
  while (I < Line.size() && IsBlank(Line[I])) ++I;
  while (I < Line.size() && !IsBlank(Line[I])) ++I;
  while (I < Line.size() && IsBlank(Line[I])) ++I;
  const std::string_view Rest = Line.substr(I);
  if (!Rest.empty() && Rest.front() == '"') {
    const std::size_t Close = Rest.find('"', 1);
    if (Close == std::string_view::npos) return {};
    return std::string(Rest.substr(1, Close - 1));
  }
  return std::string(Rest.substr(0, Rest.find(' ')));
}
