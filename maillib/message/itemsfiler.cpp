#include "itemsfiler.h"

#include <cctype>
#include <charconv>

#include "platform/runtime/backslashescapes.h"

namespace {

bool IsIdentChar(char C) {
  return std::isalnum(static_cast<unsigned char>(C)) || C == '_' || C == '.';
}

int HexValue(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  return -1;
}

}  // namespace

void TItemsWriter::Put(std::string_view Text) { FStream.WriteString(Text); }

void TItemsWriter::StartField() {
  Put(FLineStarted ? " " : "  ");
  FLineStarted = true;
}

void TItemsWriter::WriteProperty(std::string_view Name) {
  Put(Name);
  Put(" ");
}

void TItemsWriter::WriteListBegin() {
  Put("(\n");
  FLineStarted = false;
}

void TItemsWriter::WriteListEnd() {
  if (FLineStarted) EndEntry();
  Put(")\n");
}

void TItemsWriter::EndEntry() {
  Put("\n");
  FLineStarted = false;
}

void TItemsWriter::WriteString(std::string_view Value) {
  StartField();
  std::string Out;
  Out.reserve(Value.size() + 2);
  Out += '"';
  static const char Hex[] = "0123456789ABCDEF";
  for (const char C : Value) {
    const auto B = static_cast<unsigned char>(C);
    if (const char Letter = EscapeLetter(C)) {
      Out += '\\';
      Out += Letter;
    } else if (B < 0x20 || B == 0x7F) {
      Out += "\\x";
      Out += Hex[B >> 4];
      Out += Hex[B & 0x0F];
    } else {
      Out += C;
    }
  }
  Out += '"';
  Put(Out);
}

void TItemsWriter::WriteInteger(long Value) {
  StartField();
  Put(std::to_string(Value));
}

TItemsReader::TItemsReader(TStream& Stream) {
  char Buffer[4096];
  for (;;) {
    const std::size_t N = Stream.Read(Buffer, sizeof Buffer);
    if (N == 0) break;
    FText.append(Buffer, N);
  }
}

void TItemsReader::Fail(std::string_view What) const {
  throw EReadError("Invalid stream format: " + std::string(What) + " expected at offset " +
                   std::to_string(FPos));
}

void TItemsReader::SkipBlanks() {
  while (FPos < FText.size() && std::isspace(static_cast<unsigned char>(FText[FPos]))) ++FPos;
}

std::size_t TItemsReader::IdentifierLength() {
  SkipBlanks();
  std::size_t N = 0;
  while (FPos + N < FText.size() && IsIdentChar(FText[FPos + N])) ++N;
  return N;
}

bool TItemsReader::AtEnd() {
  SkipBlanks();
  return FPos >= FText.size();
}

std::string TItemsReader::ReadProperty() {
  const std::size_t N = IdentifierLength();
  if (N == 0) Fail("property name");
  std::string Name = FText.substr(FPos, N);
  FPos += N;
  return Name;
}

bool TItemsReader::NextIsProperty(std::string_view Name) {
  const std::size_t N = IdentifierLength();
  return N > 0 && std::string_view(FText).substr(FPos, N) == Name;
}

void TItemsReader::ReadListBegin() {
  SkipBlanks();
  if (FPos >= FText.size() || FText[FPos] != '(') Fail("\"(\"");
  ++FPos;
}

bool TItemsReader::EndOfList() {
  SkipBlanks();
  if (FPos >= FText.size()) Fail("\")\"");  // a list cut off before its end
  return FText[FPos] == ')';
}

void TItemsReader::ReadListEnd() {
  if (!EndOfList()) Fail("\")\"");
  ++FPos;
}

std::string TItemsReader::ReadString() {
  SkipBlanks();
  if (FPos >= FText.size() || FText[FPos] != '"') Fail("string");
  std::size_t P = FPos + 1;
  std::string Value;
  for (;;) {
    if (P >= FText.size()) Fail("end of string");
    const char C = FText[P++];
    if (C == '"') break;
    if (C != '\\') {
      Value += C;
      continue;
    }
    if (P >= FText.size()) Fail("escape");
    const char E = FText[P++];
    if (const char Escaped = EscapedChar(E)) {
      Value += Escaped;
    } else if (E == 'x') {
      const int High = P < FText.size() ? HexValue(FText[P]) : -1;
      const int Low = P + 1 < FText.size() ? HexValue(FText[P + 1]) : -1;
      if (High < 0 || Low < 0) Fail("two hex digits");
      Value += static_cast<char>(High * 16 + Low);
      P += 2;
    } else {
      Fail("escape");
    }
  }
  FPos = P;
  return Value;
}

long TItemsReader::ReadInteger() {
  SkipBlanks();
  long Value = 0;
  const char* Begin = FText.data() + FPos;
  const char* End = FText.data() + FText.size();
  const auto [Ptr, Ec] = std::from_chars(Begin, End, Value);
  if (Ec != std::errc() || (Ptr < End && IsIdentChar(*Ptr))) Fail("integer");
  FPos += static_cast<std::size_t>(Ptr - Begin);
  return Value;
}
