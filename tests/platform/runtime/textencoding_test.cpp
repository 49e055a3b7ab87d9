#include "platform/runtime/textencoding.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

const std::string Fffd = "\xEF\xBF\xBD";

TEST(TextEncoding, Latin1NamesInAnyCaseGiveUTF8) {
  for (const char* Name : {"ISO-8859-1", "iso-8859-1", "Latin1", "iso8859-1"}) {
    std::string Text;
    EXPECT_TRUE(CharSetToUTF8("Caf\xE9 \xFF", Name, Text)) << Name;
    EXPECT_EQ(Text, "Caf\xC3\xA9 \xC3\xBF") << Name;
  }
}

TEST(TextEncoding, CharSetsKnownToIconvAreConverted) {
  // The euro sign and curly quotes of windows-1252.
  EXPECT_EQ(CharSetToUTF8("\x80 \x93q\x94", "windows-1252"), "\xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D");
  EXPECT_EQ(CharSetToUTF8("\xA4", "ISO-8859-15"), "\xE2\x82\xAC");
  // ISO-2022-JP switches to JIS X 0208 and back: "konnichiwa".
  EXPECT_EQ(CharSetToUTF8("\x1B$B$3$s$K$A$O\x1B(B!", "iso-2022-jp"),
            "\xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF!");
  EXPECT_EQ(CharSetToUTF8("\x82\xA0", "Shift_JIS"), "\xE3\x81\x82");
  EXPECT_TRUE(IsKnownCharSet("KOI8-R"));
  EXPECT_TRUE(IsKnownCharSet("\"utf-8\""));
}

TEST(TextEncoding, UnknownOrUnsafeNamesKeepTheBytes) {
  for (const char* Name : {"x-no-such-charset", "", "UTF-8//IGNORE", "ISO-8859-1//TRANSLIT", "../../etc/x",
                           "utf 8"}) {
    std::string Text = "old";
    EXPECT_FALSE(CharSetToUTF8("caf\xE9", Name, Text)) << Name;
    EXPECT_EQ(Text, "caf\xE9") << Name;
    EXPECT_FALSE(IsKnownCharSet(Name)) << Name;
  }
}

TEST(TextEncoding, InvalidUTF8BecomesReplacementCharacters) {
  EXPECT_EQ(CharSetToUTF8("ok \xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "UTF-8"),
            "ok \xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80");
  EXPECT_EQ(ValidUTF8("a\xFF" "b"), "a" + Fffd + "b");
  EXPECT_EQ(ValidUTF8("\xC0\xAF"), Fffd + Fffd);              // overlong "/"
  EXPECT_EQ(ValidUTF8("\xED\xA0\x80"), Fffd + Fffd + Fffd);   // a surrogate
  EXPECT_EQ(ValidUTF8("\xF4\x90\x80\x80"), Fffd + Fffd + Fffd + Fffd);  // above U+10FFFF
  EXPECT_EQ(ValidUTF8("end\xE2\x82"), "end" + Fffd + Fffd);   // cut short
  // US-ASCII labels on 8-bit text are read as UTF-8.
  EXPECT_EQ(CharSetToUTF8("caf\xC3\xA9", "us-ascii"), "caf\xC3\xA9");
}

TEST(TextEncoding, BytesIconvRejectsBecomeReplacementCharacters) {
  // 0x81 has no character in windows-1252; a Shift_JIS lead byte at the end
  // has no second byte.
  EXPECT_EQ(CharSetToUTF8("a\x81" "b", "windows-1252"), "a" + Fffd + "b");
  EXPECT_EQ(CharSetToUTF8("a\x82", "Shift_JIS"), "a" + Fffd);
}

TEST(TextEncoding, RandomBytesAlwaysGiveValidUTF8) {
  std::mt19937 Random(7);
  for (const char* Name : {"UTF-8", "Shift_JIS", "EUC-JP", "ISO-2022-JP", "windows-1252", "UTF-16", "GB18030",
                           "ISO-8859-1", "BIG5"}) {
    for (int Round = 0; Round < 200; ++Round) {
      std::string Bytes(Random() % 64, '\0');
      for (char& C : Bytes) C = static_cast<char>(Random());
      std::string Text;
      ASSERT_TRUE(CharSetToUTF8(Bytes, Name, Text)) << Name;
      EXPECT_EQ(ValidUTF8(Text), Text) << Name;
    }
  }
}

// Long ASCII runs are tested a word at a time; a bad byte must be found at
// any offset inside or after such a run.
TEST(TextEncoding, ValidityAndLatin1HoldAcrossAsciiRuns) {
  std::mt19937 Random(11);
  const std::string Pieces[] = {"abcdefghijklmnop", "x", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80",
                                "\xFF", "\xC3", "\xED\xA0\x80", "\xE9"};
  for (int Round = 0; Round < 2000; ++Round) {
    std::string Text;
    const int Count = static_cast<int>(Random() % 12);
    for (int I = 0; I < Count; ++I) Text += Pieces[Random() % 9];
    EXPECT_EQ(IsValidUTF8(Text), ValidUTF8(Text) == Text) << ::testing::PrintToString(Text);

    std::string Expected;
    for (const char Ch : Text) {
      const auto C = static_cast<unsigned char>(Ch);
      if (C < 0x80) {
        Expected += Ch;
      } else {
        Expected += static_cast<char>(0xC0 | (C >> 6));
        Expected += static_cast<char>(0x80 | (C & 0x3F));
      }
    }
    ASSERT_EQ(CharSetToUTF8(Text, "ISO-8859-1"), Expected) << ::testing::PrintToString(Text);
  }
  EXPECT_FALSE(IsValidUTF8(std::string(1000, 'a') + "\xFF"));
  EXPECT_FALSE(IsValidUTF8("\x80" + std::string(1000, 'a')));
  EXPECT_TRUE(IsValidUTF8(""));
}

TEST(TextEncoding, UTF8ToLatin1OnlyWhenEveryCharacterFits) {
  std::string Bytes = "unchanged";
  EXPECT_TRUE(UTF8ToLatin1("Caf\xC3\xA9 \xC3\xBF", Bytes));
  EXPECT_EQ(Bytes, "Caf\xE9 \xFF");
  Bytes = "unchanged";
  EXPECT_FALSE(UTF8ToLatin1("5 \xE2\x82\xAC", Bytes));  // the euro sign
  EXPECT_FALSE(UTF8ToLatin1("bad \xFF", Bytes));
  EXPECT_FALSE(UTF8ToLatin1("\xC3", Bytes));
  EXPECT_EQ(Bytes, "unchanged");
  EXPECT_TRUE(UTF8ToLatin1("", Bytes));
  EXPECT_EQ(Bytes, "");
}

}  // namespace
