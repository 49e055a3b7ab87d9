#include "maillib/mime/uuencode.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "randombytes.h"
#include "maillib/transport/nberrors.h"

namespace {

void ExpectInvalidCharacter(auto Call) {
  try {
    Call();
    ADD_FAILURE() << "no error";
  } catch (const EMessageParserError& E) {
    EXPECT_EQ(E.Message, "Invalid Character");
  }
}

TEST(UUEncode, LineForms) {
  std::mt19937 Random(45);
  const std::string Full = EncodeUULine(RandomBytes(Random, 45));
  EXPECT_EQ(Full.size(), 61u);
  EXPECT_EQ(Full[0], 'M');
  EXPECT_EQ(EncodeUULine(RandomBytes(Random, 44)).size(), 1u + 59u);
  EXPECT_EQ(EncodeUULine(""), "`");
  EXPECT_EQ(EncodeUULine("x").size(), 3u);
  EXPECT_EQ(EncodeUULine("Cat"), "#0V%T");
  // Zero values are written as backquotes, never as blanks that could be cut off.
  EXPECT_EQ(EncodeUULine(std::string(3, '\0')), "#````");
  EXPECT_THROW(EncodeUULine(std::string(64, 'x')), std::length_error);
}

TEST(UUEncode, RoundTripsEveryLengthUpTo200InLinesOf45) {
  std::mt19937 Random(2);
  for (std::size_t Length = 0; Length <= 200; ++Length) {
    const std::string Bytes = RandomBytes(Random, Length);
    std::string Back;
    for (std::size_t I = 0; I < Length; I += UULineBytes) {
      const std::string Line = EncodeUULine(std::string_view(Bytes).substr(I, UULineBytes));
      for (const char C : Line) ASSERT_TRUE(C > ' ' && C <= '`') << Line;
      Back += DecodeUULine(Line);
    }
    ASSERT_EQ(Back, Bytes) << Length;
  }
}

TEST(UUEncode, DecodeReadsOnlyTheAnnouncedBytes) {
  EXPECT_EQ(DecodeUULine("#0V%T"), "Cat");
  EXPECT_EQ(DecodeUULine("\"0V%T"), "Ca");
  EXPECT_EQ(DecodeUULine("#0V%Tz"), "Cat");  // a check character after the data
  EXPECT_EQ(DecodeUULine("`"), "");
  EXPECT_EQ(DecodeUULine(""), "");
  // Blanks read as zero values; blanks cut off the end count as zero values.
  EXPECT_EQ(DecodeUULine("#    "), std::string(3, '\0'));
  EXPECT_EQ(DecodeUULine("M"), std::string(45, '\0'));
  EXPECT_EQ(DecodeUULine("#0V"), std::string("C`\0", 3));
}

TEST(UUEncode, ArbitraryLinesGiveTheAnnouncedLengthOrInvalidCharacter) {
  std::mt19937 Random(6);
  for (int Round = 0; Round < 5000; ++Round) {
    std::string Line = RandomBytes(Random, Random() % 70);
    // Mostly alphabet characters, so that most lines decode.
    for (char& C : Line)
      if (Random() % 8 != 0) C = static_cast<char>(32 + Random() % 65);
    try {
      const std::string Bytes = DecodeUULine(Line);
      EXPECT_EQ(Bytes.size(), Line.empty() ? 0u : static_cast<std::size_t>(DecodeUUChar(Line[0])));
    } catch (const EMessageParserError& E) {
      EXPECT_EQ(E.Message, "Invalid Character");
    }
  }
}

TEST(UUEncode, CharacterValues) {
  EXPECT_EQ(DecodeUUChar(' '), 0);
  EXPECT_EQ(DecodeUUChar('`'), 0);
  EXPECT_EQ(DecodeUUChar('!'), 1);
  EXPECT_EQ(DecodeUUChar('M'), 45);
  EXPECT_EQ(DecodeUUChar('_'), 63);
  for (const char C : {'a', 'z', '~', '\t', '\x1F', '\x7F', '\xE9'})
    ExpectInvalidCharacter([C] { DecodeUUChar(C); });
  ExpectInvalidCharacter([] { DecodeUULine("#0v%T"); });
  ExpectInvalidCharacter([] { DecodeUULine("a0V%T"); });
}

TEST(UUEncode, BeginLines) {
  EXPECT_TRUE(IsUUBeginLine("begin 644 report.txt"));
  EXPECT_TRUE(IsUUBeginLine("BEGIN 600 x.zip"));
  EXPECT_TRUE(IsUUBeginLine("Begin  0644 x"));
  EXPECT_TRUE(IsUUBeginLine("begin 644"));
  EXPECT_FALSE(IsUUBeginLine("Begin here is my text"));
  EXPECT_FALSE(IsUUBeginLine("begin 6"));
  EXPECT_FALSE(IsUUBeginLine("begin 64 x.zip"));
  EXPECT_FALSE(IsUUBeginLine("beginning 644 x"));
  EXPECT_FALSE(IsUUBeginLine("  begin 644 x"));
  EXPECT_FALSE(IsUUBeginLine(""));
}

TEST(UUEncode, FileNames) {
  EXPECT_EQ(UUFileName("begin 644 report.txt"), "report.txt");
  EXPECT_EQ(UUFileName("begin 644 two words.txt"), "two");
  EXPECT_EQ(UUFileName("begin 644 \"annual report.doc\""), "annual report.doc");
  EXPECT_EQ(UUFileName("begin 644 \"annual report.doc"), "");
  EXPECT_EQ(UUFileName("begin 0644 x.zip"), "x.zip");
  EXPECT_EQ(UUFileName("begin 644  x.zip"), "x.zip");
  EXPECT_EQ(UUFileName("begin 644"), "");
  EXPECT_EQ(UUFileName("begin"), "");
  EXPECT_EQ(UUFileName(""), "");
}

}  // namespace
