#include "maillib/mime/quotedprintable.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/runtime/bytescan.h"
#include "platform/runtime/processmessages.h"

namespace {

constexpr std::uint8_t NotHex = 255;
constexpr char HexDigits[] = "0123456789ABCDEF";
constexpr char CtrlZ = 26;
// Bytes read from the stream at a time, and written to it at a time.
constexpr std::size_t ChunkSize = 64 * 1024;

constexpr std::array<std::uint8_t, 256> MakeHexTable() {
  std::array<std::uint8_t, 256> Table{};
  for (auto& Entry : Table) Entry = NotHex;
  for (int I = 0; I < 10; ++I) Table['0' + I] = static_cast<std::uint8_t>(I);
  for (int I = 0; I < 6; ++I) {
    Table['A' + I] = static_cast<std::uint8_t>(10 + I);
    Table['a' + I] = static_cast<std::uint8_t>(10 + I);
  }
  return Table;
}
constexpr auto HexValue = MakeHexTable();

// Control characters (tab included), "=" and 8-bit bytes; a space is written
// as it is, even at the end of a line.
constexpr std::array<bool, 256> MakeEscapeTable() {
  std::array<bool, 256> Table{};
  for (int C = 0; C < 256; ++C) Table[C] = C < 32 || C == '=' || C >= 128;
  return Table;
}
constexpr auto NeedsEscape = MakeEscapeTable();

// Eight bytes at once, so that plain text is scanned and copied a word at a time.
bool AnyNeedsEscape(std::uint64_t Word) {
  using namespace bytescan;
  return (NonAscii(Word) | Below(Word, 32) | Equal(Word, '=')) != 0;
}
bool AnyBreak(std::uint64_t Word) { return (bytescan::Equal(Word, '\r') | bytescan::Equal(Word, '\n')) != 0; }

bool IsBreak(char C) { return C == '\r' || C == '\n'; }

// True when Second completes the line break that First began (CR LF or LF CR).
bool IsPartner(char First, char Second) {
  return (First == '\r' && Second == '\n') || (First == '\n' && Second == '\r');
}

// Appends Piece, escaped, as one line; SoftBreak adds the trailing "=".
void AppendEscapedLine(std::string_view Piece, bool SoftBreak, std::string& Buffer, TStringList& Lines) {
  Buffer.resize(Piece.size() * 3 + 1);
  char* Out = Buffer.data();
  const char* P = Piece.data();
  const char* const End = P + Piece.size();
  while (P < End) {
    while (End - P >= 8 && !AnyNeedsEscape(bytescan::Load(P))) {
      std::memcpy(Out, P, 8);
      P += 8;
      Out += 8;
    }
    if (P == End) break;
    const auto C = static_cast<unsigned char>(*P++);
    if (NeedsEscape[C]) {
      Out[0] = '=';
      Out[1] = HexDigits[C >> 4];
      Out[2] = HexDigits[C & 15];
      Out += 3;
    } else {
      *Out++ = static_cast<char>(C);
    }
  }
  if (SoftBreak) *Out++ = '=';
  Lines.emplace_back(Buffer.data(), static_cast<std::size_t>(Out - Buffer.data()));
}

// Splits one paragraph into pieces of at most MaxPieceLength characters,
// preferring to break before a space (which then begins the next piece).
void EncodeParagraph(std::string_view Paragraph, std::string& Buffer, TStringList& Lines) {
  constexpr std::size_t Max = TQuotedPrintable::MaxPieceLength;
  std::size_t I = 0;
  for (;;) {
    const std::size_t Remaining = Paragraph.size() - I;
    if (Remaining < Max) {
      AppendEscapedLine(Paragraph.substr(I), false, Buffer, Lines);
      return;
    }
    // Look for a space from Max characters ahead back to the second
    // remaining character; the first one is never taken, so each piece
    // holds at least one character.
    std::size_t Length = Max;
    for (std::size_t K = Max; K >= 1; --K) {
      if (I + K < Paragraph.size() && Paragraph[I + K] == ' ') {
        Length = K;
        break;
      }
    }
    AppendEscapedLine(Paragraph.substr(I, Length), true, Buffer, Lines);
    I += Length;
  }
}

// Appends the bytes of one line to Out and tells whether the line ends in a
// soft line break.
bool DecodeLine(std::string_view Line, std::string& Out) {
  const bool SoftBreak = !Line.empty() && Line.back() == '=';
  if (SoftBreak) Line.remove_suffix(1);
  // Decoding never lengthens a line: room for all of it, trimmed at the end.
  const std::size_t Start = Out.size();
  Out.resize(Start + Line.size());
  char* W = Out.data() + Start;
  const char* P = Line.data();
  const char* const E = P + Line.size();
  while (P < E) {
#if defined(__SSE2__)
    if (E - P >= 16) {
      // Up to sixteen bytes before the next "=" are copied at once.
      const unsigned Equals = bytescan::EqualMask16(P, '=');
      const std::size_t Plain = Equals == 0 ? 16 : static_cast<std::size_t>(std::countr_zero(Equals));
      std::memcpy(W, P, 16);
      W += Plain;
      P += Plain;
      if (Plain == 16) continue;
    } else
#endif
    if (E - P >= 8) {
      // Up to eight bytes before the next "=" are copied at once.
      const std::uint64_t Equals = bytescan::Equal(bytescan::Load(P), '=');
      const std::size_t Plain = Equals == 0 ? 8 : bytescan::FirstFlagged(Equals);
      std::memcpy(W, P, 8);
      W += Plain;
      P += Plain;
      if (Plain == 8) continue;
    } else if (*P != '=') {
      *W++ = *P++;
      continue;
    }
    const std::uint8_t High = P + 1 < E ? HexValue[static_cast<unsigned char>(P[1])] : NotHex;
    if (P + 2 < E) {
      const std::uint8_t Low = HexValue[static_cast<unsigned char>(P[2])];
      if (High != NotHex && Low != NotHex) {
        *W++ = static_cast<char>((High << 4) | Low);
        P += 3;
        continue;
      }
    } else if (P + 2 == E && High != NotHex) {
      // A single digit at the end of the line gives the byte of that digit.
      *W++ = static_cast<char>(High);
      break;
    }
    *W++ = '=';
    ++P;
  }
  Out.resize(static_cast<std::size_t>(W - Out.data()));
  return SoftBreak;
}

}  // namespace

void TQuotedPrintable::Encode() {
  FStream.SetPosition(0);
  std::vector<char> Chunk(ChunkSize);
  std::string Paragraph;  // the start of a paragraph that began in an earlier chunk
  std::string Buffer;
  bool Broken = false;    // some line break was read
  char PendingBreak = 0;  // ended the last chunk; its partner may start the next
  for (;;) {
    const std::size_t N = FStream.Read(Chunk.data(), Chunk.size());
    if (N == 0) break;
    ProcessMessages();
    const char* P = Chunk.data();
    std::size_t I = 0;
    if (PendingBreak != 0 && IsPartner(PendingBreak, P[0])) I = 1;
    PendingBreak = 0;
    while (I < N) {
      std::size_t J = I;
      while (N - J >= 8 && !AnyBreak(bytescan::Load(P + J))) J += 8;
      while (J < N && !IsBreak(P[J])) ++J;
      if (J == N) {
        Paragraph.append(P + I, N - I);
        break;
      }
      if (Paragraph.empty()) {
        EncodeParagraph(std::string_view(P + I, J - I), Buffer, FLines);
      } else {
        Paragraph.append(P + I, J - I);
        EncodeParagraph(Paragraph, Buffer, FLines);
        Paragraph.clear();
      }
      Broken = true;
      I = J + 1;
      if (I < N) {
        if (IsPartner(P[J], P[I])) ++I;
      } else {
        PendingBreak = P[J];
      }
    }
  }
  // The end of the stream ends the last paragraph; a stream that ends with a
  // line break has none left, and an empty stream gives one empty line.
  if (!Paragraph.empty() || !Broken) EncodeParagraph(Paragraph, Buffer, FLines);
}

void TQuotedPrintable::Decode() {
  std::string Out;
  Out.reserve(ChunkSize + 256);
  for (const std::string& Line : FLines) {
    DecodeQPLine(Line, Out);
    ProcessMessages();
    if (Out.size() >= ChunkSize) {
      FStream.WriteString(Out);
      Out.clear();
    }
  }
  FStream.WriteString(Out);
}

bool DecodeQPLine(std::string_view Line, std::string& Out) {
  if (DecodeLine(Line, Out) || (!Line.empty() && Line.back() == CtrlZ)) return false;
  Out += "\r\n";
  return true;
}

std::string DecodeQPText(std::string_view Text) {
  std::string Out;
  Out.reserve(Text.size());
  DecodeLine(Text, Out);
  const std::size_t End = Out.find_first_of("\r\n");
  if (End != std::string::npos) Out.resize(End);
  return Out;
}
