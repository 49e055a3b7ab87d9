#include "maillib/mime/quotedprintable.h"

#include <gtest/gtest.h>

#include "randombytes.h"

namespace {

TStringList Encode(std::string_view Bytes) {
  TMemoryStream Stream;
  Stream.WriteString(Bytes);
  TStringList Lines;
  TQuotedPrintable(Stream, Lines).Encode();
  return Lines;
}

std::string Decode(TStringList Lines) {
  TMemoryStream Stream;
  TQuotedPrintable(Stream, Lines).Decode();
  return std::string(Stream.View());
}

// What decoding gives back for encoded text whose line breaks are CR LF.
std::string WithFinalBreak(const std::string& Text) {
  if (Text.size() >= 2 && Text.compare(Text.size() - 2, 2, "\r\n") == 0) return Text;
  return Text + "\r\n";
}

// A quoted-printable line holds no control characters and no 8-bit bytes.
void ExpectMailSafe(const TStringList& Lines) {
  for (const auto& Line : Lines)
    for (const char C : Line) ASSERT_LT(static_cast<unsigned char>(C) - 32u, 96u) << Line;
}

TEST(QuotedPrintableEncode, EscapesControlEqualsAndEightBitBytes) {
  EXPECT_EQ(Encode("a=b\tc\xE9\x7F~"), TStringList{"a=3Db=09c=E9\x7F~"});
  EXPECT_EQ(Encode(std::string("nul\0", 4)), TStringList{"nul=00"});
  EXPECT_EQ(Encode("trailing blank "), TStringList{"trailing blank "});
  EXPECT_EQ(Encode(""), TStringList{""});
}

TEST(QuotedPrintableEncode, LongLinesBreakBeforeASpaceWithinSixtyFiveCharacters) {
  std::string Words;
  while (Words.size() < 100) Words += "lorem ipsum ";
  Words.resize(100);
  const TStringList Lines = Encode(Words);
  ASSERT_EQ(Lines.size(), 2u);
  EXPECT_LE(Lines[0].size(), 66u);
  EXPECT_EQ(Lines[0].back(), '=');
  EXPECT_EQ(Lines[1].front(), ' ');
  EXPECT_EQ(Lines[0].substr(0, Lines[0].size() - 1) + Lines[1], Words);
  EXPECT_EQ(Decode(Lines), Words + "\r\n");

  // The space furthest ahead wins, up to a piece of 65 characters.
  const std::string Far = "a " + std::string(63, 'x');
  EXPECT_EQ(Encode(Far + " tail"), (TStringList{Far + "=", " tail"}));

  const TStringList Solid = Encode(std::string(100, 'x'));
  EXPECT_EQ(Solid, (TStringList{std::string(65, 'x') + "=", std::string(35, 'x')}));
  // Pieces are counted before escaping.
  const TStringList Escaped = Encode(std::string(70, '\xE9'));
  ASSERT_EQ(Escaped.size(), 2u);
  EXPECT_EQ(Escaped[0].size(), 65u * 3 + 1);
}

TEST(QuotedPrintableEncode, EachLineBreakEndsOneParagraph) {
  EXPECT_EQ(Encode("a\r\nb"), (TStringList{"a", "b"}));
  EXPECT_EQ(Encode("a\nb\rc\n\rd"), (TStringList{"a", "b", "c", "d"}));
  // Blank lines are kept, whatever the line breaks are.
  EXPECT_EQ(Encode("a\r\n\r\nb"), (TStringList{"a", "", "b"}));
  EXPECT_EQ(Encode("a\n\nb"), (TStringList{"a", "", "b"}));
  EXPECT_EQ(Encode("a\r\rb"), (TStringList{"a", "", "b"}));
  // A final line break ends the last paragraph; it is not data.
  EXPECT_EQ(Encode("a\r\n"), TStringList{"a"});
  EXPECT_EQ(Encode("a\n"), TStringList{"a"});
  EXPECT_EQ(Encode("a\n\n"), (TStringList{"a", ""}));
  EXPECT_EQ(Encode("\r\n"), TStringList{""});
}

TEST(QuotedPrintableEncode, ReadsFromTheStartAndAppendsToTheList) {
  TMemoryStream Stream;
  Stream.WriteString("x=1");
  TStringList Lines{"kept"};
  TQuotedPrintable(Stream, Lines).Encode();
  EXPECT_EQ(Lines, (TStringList{"kept", "x=3D1"}));
}

TEST(QuotedPrintableEncode, LineBreakSplitAcrossReadsCountsOnce) {
  // The stream is read in blocks of 64 KiB: put the CR at the end of one.
  const std::string First(64 * 1024 - 1, 'x');
  EXPECT_EQ(Decode(Encode(First + "\r\nyz")), First + "\r\nyz\r\n");
  EXPECT_EQ(Decode(Encode(First + "\n\nyz")), First + "\r\n\r\nyz\r\n");
}

TEST(QuotedPrintableDecode, EscapesAndSoftBreaks) {
  EXPECT_EQ(Decode({"ends in =3D"}), "ends in =\r\n");
  EXPECT_EQ(Decode({"joined=", " on", "next"}), "joined on\r\nnext\r\n");
  EXPECT_EQ(Decode({"caf=E9 caf=e9"}), "caf\xE9 caf\xE9\r\n");
  EXPECT_EQ(Decode({"=3D41"}), "=41\r\n");  // decoded bytes are not decoded again
  EXPECT_EQ(Decode({""}), "\r\n");
  EXPECT_EQ(Decode({}), "");
  // A paragraph still open when the lines run out is written as it is.
  EXPECT_EQ(Decode({"open="}), "open");
}

TEST(QuotedPrintableDecode, MalformedEscapesNeverFail) {
  EXPECT_EQ(Decode({"=ZZ"}), "=ZZ\r\n");
  EXPECT_EQ(Decode({"a=4Z"}), "a=4Z\r\n");
  EXPECT_EQ(Decode({"a = b"}), "a = b\r\n");
  EXPECT_EQ(Decode({"x=4"}), "x\x04\r\n");  // one digit at the end gives its byte
  EXPECT_EQ(Decode({"x=Z"}), "x=Z\r\n");
  EXPECT_EQ(Decode({"=="}), "=");
  EXPECT_EQ(Decode({"==="}), "==");
  std::mt19937 Random(9);
  static constexpr char Chars[] = "=0aFgZ \t\xE9";
  for (int Round = 0; Round < 3000; ++Round) {
    std::string Line(Random() % 12, ' ');
    for (char& C : Line) C = Chars[Random() % (sizeof Chars - 1)];
    const std::string Bytes = Decode({Line});
    EXPECT_LE(Bytes.size(), Line.size() + 2) << Line;
  }
}

TEST(QuotedPrintableDecode, CtrlZAtTheEndOfALineEndsItWithoutABreak) {
  EXPECT_EQ(Decode({"last\x1A"}), "last\x1A");
  // An encoded Ctrl-Z is data: the line break after it stays.
  EXPECT_EQ(Decode(Encode("a\x1A\r\nb")), "a\x1A\r\nb\r\n");
}

TEST(QuotedPrintableDecode, WritesAtTheStreamPosition) {
  TMemoryStream Stream;
  Stream.WriteString("head:");
  TStringList Lines{"body"};
  TQuotedPrintable(Stream, Lines).Decode();
  EXPECT_EQ(Stream.View(), "head:body\r\n");
}

TEST(QuotedPrintable, RoundTripsEveryLengthUpTo200) {
  std::mt19937 Random(4);
  for (std::size_t Length = 0; Length <= 200; ++Length) {
    // Random bytes whose line breaks are CR LF pairs.
    std::string Text;
    for (const char C : RandomBytes(Random, Length)) {
      if (C == '\r' || C == '\n')
        Text += "\r\n";
      else
        Text += C;
    }
    const TStringList Lines = Encode(Text);
    ExpectMailSafe(Lines);
    ASSERT_EQ(Decode(Lines), WithFinalBreak(Text)) << Length;
  }
}

TEST(QuotedPrintable, HundredThousandCharacterLineSurvivesBothWays) {
  std::mt19937 Random(5);
  std::string Line;
  static constexpr std::string_view Words[] = {"mail ", "=", "caf\xE9 ", "tab\t", "averyveryverylongword"};
  while (Line.size() < 100000) Line += Words[Random() % 5];
  Line.resize(100000);
  const std::string Text = "before\r\n" + Line + "\r\nafter";
  const TStringList Lines = Encode(Text);
  ExpectMailSafe(Lines);
  for (const auto& L : Lines) EXPECT_LE(L.size(), 65u * 3 + 1);
  EXPECT_EQ(Decode(Lines), Text + "\r\n");
  // A long line from another mailer, without soft breaks, is not cut.
  EXPECT_EQ(Decode({std::string(100000, 'y')}), std::string(100000, 'y') + "\r\n");
}

TEST(QuotedPrintableText, GivesTheFirstLineOfOneDecodedLine) {
  EXPECT_EQ(DecodeQPText("Caf=E9 noir"), "Caf\xE9 noir");
  EXPECT_EQ(DecodeQPText("first=0D=0Asecond"), "first");
  EXPECT_EQ(DecodeQPText("soft="), "soft");
  EXPECT_EQ(DecodeQPText(""), "");
}

}  // namespace
