#include "maillib/mime/base64.h"

#include <gtest/gtest.h>

#include "randombytes.h"
#include "maillib/transport/nberrors.h"

namespace {

void ExpectInvalidCharacter(std::string_view Text) {
  try {
    DecodeBase64Line(Text);
    ADD_FAILURE() << "no error for \"" << Text << "\"";
  } catch (const EMessageParserError& E) {
    EXPECT_EQ(E.Message, "Invalid Character");
  }
}

TEST(Base64, KnownValuesAndFillCharacters) {
  EXPECT_EQ(EncodeBase64Line(""), "");
  EXPECT_EQ(EncodeBase64Line("f"), "Zg==");
  EXPECT_EQ(EncodeBase64Line("fo"), "Zm8=");
  EXPECT_EQ(EncodeBase64Line("foo"), "Zm9v");
  EXPECT_EQ(EncodeBase64Line("foobar"), "Zm9vYmFy");
  EXPECT_EQ(EncodeBase64Line(std::string("\xFB\xFF\0", 3)), "+/8A");
  EXPECT_EQ(DecodeBase64Line("Zg=="), "f");
  EXPECT_EQ(DecodeBase64Line("Zm8="), "fo");
  EXPECT_EQ(DecodeBase64Line("+/8A"), std::string("\xFB\xFF\0", 3));
  EXPECT_EQ(DecodeBase64Line(""), "");
}

TEST(Base64, FiftySevenBytesMakeOneLineOfSeventySixCharacters) {
  std::mt19937 Random(57);
  const std::string Block = RandomBytes(Random, 57);
  const std::string Line = EncodeBase64Line(Block);
  EXPECT_EQ(Line.size(), 76u);
  EXPECT_EQ(Line.find('='), std::string::npos);
  EXPECT_EQ(DecodeBase64Line(Line), Block);
}

TEST(Base64, RoundTripsEveryLengthUpTo200) {
  std::mt19937 Random(1);
  for (std::size_t Length = 0; Length <= 200; ++Length) {
    const std::string Bytes = RandomBytes(Random, Length);
    const std::string Text = EncodeBase64Line(Bytes);
    ASSERT_EQ(Text.size(), (Length + 2) / 3 * 4) << Length;
    ASSERT_EQ(DecodeBase64Line(Text), Bytes) << Length;
  }
}

TEST(Base64, AppendingFormsAddToWhatIsThere) {
  std::string Text = "x:";
  EncodeBase64Line("fo", Text);
  EXPECT_EQ(Text, "x:Zm8=");
  std::string Bytes = "x:";
  DecodeBase64Line("Zm9v", Bytes);
  DecodeBase64Line("YmFy", Bytes);
  EXPECT_EQ(Bytes, "x:foobar");
}

TEST(Base64, CharactersOutsideTheAlphabetRaiseInvalidCharacter) {
  for (const char* Text : {"Zm9v YmFy", "Zm9v\r", "Zm9v\n", "\tZm9v", "Zm-v", "Zm9v_", "Zm9v\xC3\xA9", "Zm9v.YmFy"})
    ExpectInvalidCharacter(Text);
  ExpectInvalidCharacter(std::string("Zm9v\0", 5));
  // The appending form leaves its bytes as they were.
  std::string Bytes = "kept";
  EXPECT_THROW(DecodeBase64Line("Zm9vYmFyZm9v!", Bytes), EMessageParserError);
  EXPECT_EQ(Bytes, "kept");
}

TEST(Base64, LinesOfOddLengthGiveTheWholeBytesTheyHold) {
  EXPECT_EQ(DecodeBase64Line("Zm9vYg"), "foob");  // fill characters left off
  EXPECT_EQ(DecodeBase64Line("Zm9vYmE"), "fooba");
  EXPECT_EQ(DecodeBase64Line("Zm9vY"), "foo");     // six bits make no byte
  EXPECT_EQ(DecodeBase64Line("Z"), "");
  EXPECT_EQ(DecodeBase64Line("="), "");
  EXPECT_EQ(DecodeBase64Line("===="), "");
  EXPECT_EQ(DecodeBase64Line("Zg=="
                             "Zg=="),
            "ff");  // two encoded blocks on one line
  EXPECT_EQ(DecodeBase64Line("Zm9v==="), "foo");
}

TEST(Base64, ArbitraryAlphabetTextNeverFails) {
  static constexpr char Chars[] = "AZaz09+/=";
  std::mt19937 Random(3);
  for (int Round = 0; Round < 5000; ++Round) {
    std::string Text(Random() % 40, 'A');
    for (char& C : Text) C = Chars[Random() % (sizeof Chars - 1)];
    const std::string Bytes = DecodeBase64Line(Text);
    EXPECT_LE(Bytes.size(), Text.size() * 3 / 4) << Text;
  }
}

}  // namespace
