#include "maillib/mime/headerwords.h"
#include "maillib/message/nbmsg.h"

#include <gtest/gtest.h>

#include <random>

#include "maillib/mime/base64.h"
#include "maillib/transport/nberrors.h"

namespace {

const std::string CafeUtf8 = "Caf\xC3\xA9";

struct TWords {
  std::string Encoded, Decoded;
};
// Test listings name a case by its input.
void PrintTo(const TWords& Words, std::ostream* Out) { *Out << ::testing::PrintToString(Words.Encoded); }

class DecodeHeaderWordsTest : public ::testing::TestWithParam<TWords> {};

TEST_P(DecodeHeaderWordsTest, Reads) { EXPECT_EQ(DecodeHeaderWords(GetParam().Encoded), GetParam().Decoded) << GetParam().Encoded; }

INSTANTIATE_TEST_SUITE_P(QWordsInISO8859_1BecomeUTF8, DecodeHeaderWordsTest, ::testing::Values(
    TWords{"=?iso-8859-1?Q?Caf=E9_noir?= and more", CafeUtf8 + " noir and more"},
    TWords{"=?ISO-8859-1?q?=E9t=E9?=", "\xC3\xA9t\xC3\xA9"},  // a lower-case q whose text begins with "="
    // "_" is a blank inside a Q word only; an encoded "=5F" stays an underscore.
    TWords{"snake_case =?us-ascii?Q?a_b=5Fc?=", "snake_case a b_c"}));

INSTANTIATE_TEST_SUITE_P(BWordsInUTF8AndISO8859_1, DecodeHeaderWordsTest, ::testing::Values(
    TWords{"=?UTF-8?B?Q2Fmw6k=?=", CafeUtf8}, TWords{"=?ISO-8859-1?b?Q2Fm6Q==?=", CafeUtf8},
    TWords{"Re: =?utf-8?B?w6k=?= ok", "Re: \xC3\xA9 ok"},
    TWords{"=?utf-8?Q?a=FFb?=", "a\xEF\xBF\xBD" "b"}));  // invalid UTF-8 becomes the replacement character

INSTANTIATE_TEST_SUITE_P(AdjacentWordsAreJoined, DecodeHeaderWordsTest, ::testing::Values(
    TWords{"=?utf-8?Q?one?= =?utf-8?Q?two?=", "onetwo"}, TWords{"=?utf-8?Q?one?= \t =?iso-8859-1?Q?two?=", "onetwo"},
    // Blanks before ordinary text, or after it, stay.
    TWords{"a =?utf-8?Q?one?= b =?utf-8?Q?two?= c", "a one b two c"},
    // A character split across two words in one character set is kept whole.
    TWords{"=?UTF-8?Q?x=C3?= =?utf-8?Q?=A9y?=", "x\xC3\xA9y"}));

INSTANTIATE_TEST_SUITE_P(UnknownCharSetsAndEncodings, DecodeHeaderWordsTest, ::testing::Values(
    // Text in an unknown character set is read as undeclared text.
    TWords{"=?x-unknown?Q?caf=E9?=", "caf\xC3\xA9"},
    // A word in an unknown encoding is shown as it stands, with the blanks
    // beside it (RFC 2047, section 6.3).
    TWords{"=?utf-8?X?zzz?= text", "=?utf-8?X?zzz?= text"},
    TWords{"=?utf-8?Q?a?= =?utf-8?X?zzz?= =?utf-8?Q?b?=", "a =?utf-8?X?zzz?= b"},
    TWords{"=?iso-8859-1*fr?Q?=E9?=", "\xC3\xA9"}));  // a language after "*" does not hide the character set

INSTANTIATE_TEST_SUITE_P(TextThatIsNotAnEncodedWordStays, DecodeHeaderWordsTest, ::testing::Values(
    TWords{"plain subject", "plain subject"}, TWords{"Price =? unknown", "Price =? unknown"},
    TWords{"x =?utf-8?Q?unterminated", "x =?utf-8?Q?unterminated"}, TWords{"a=?b ?= c", "a=?b ?= c"},
    TWords{"=?=?utf-8?Q?x?=", "=?x"}, TWords{"", ""}));

INSTANTIATE_TEST_SUITE_P(ADamagedWordStaysAsReceivedAndTheOthersAreDecoded, DecodeHeaderWordsTest, ::testing::Values(
    TWords{"=?utf-8?B?Q2 Fm?= and =?utf-8?Q?caf=C3=A9?=", "=?utf-8?B?Q2 Fm?= and caf\xC3\xA9"},
    TWords{"=?utf-8?Q?a?= =?utf-8?B?*?= =?utf-8?Q?b?=", "a =?utf-8?B?*?= b"}));

INSTANTIATE_TEST_SUITE_P(RawEightBitTextIsUtf8WhenValidElseWindows1252, DecodeHeaderWordsTest, ::testing::Values(
    TWords{"Caf\xE9 cr\xE8me \x80 5", "Caf\xC3\xA9 cr\xC3\xA8me \xE2\x82\xAC 5"},
    TWords{"Caf\xC3\xA9", "Caf\xC3\xA9"}));

TEST(HeaderWords, RawEightBitHeadersOfAMessageAreUtf8WhenValidElseWindows1252) {
  TnbMessage M;
  M.ParseHeaders({"From: Andr\xE9 M\xFCller <am@example.org>", "Subject: R\xE9sum\xE9"});
  EXPECT_EQ(M.Sender().Name(), "Andr\xC3\xA9 M\xC3\xBCller");
  EXPECT_EQ(M.Subject(), "R\xC3\xA9sum\xC3\xA9");
}

TEST(HeaderWords, MalformedWordsNeverCrash) {
  static constexpr std::string_view Pieces[] = {"=?", "?=", "?Q?", "?b?", "utf-8", "=E9", "=", "?", " ", "_", "QQ=="};
  std::mt19937 Random(11);
  for (int Round = 0; Round < 5000; ++Round) {
    std::string Text;
    for (unsigned N = Random() % 10; N > 0; --N) Text += Pieces[Random() % 11];
    try {
      const std::string Result = DecodeHeaderWords(Text);
      EXPECT_LE(Result.size(), Text.size() * 2) << Text;
    } catch (const EMessageParserError&) {
    }
  }
}

TEST(HeaderWords, EncodeHeaderJISWrapsISO2022JPText) {
  const std::string Jis = "\x1B$B$3$s$K$A$O\x1B(B";
  const std::string Word = EncodeHeaderJIS(Jis);
  EXPECT_EQ(Word, "=?ISO-2022-JP?B?" + EncodeBase64Line(Jis) + "?=");
  EXPECT_EQ(DecodeHeaderWords(Word), "\xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF");
  // A long text is one whole word, not cut.
  std::string Long;
  while (Long.size() < 400) Long += Jis;
  EXPECT_EQ(DecodeHeaderWords(EncodeHeaderJIS(Long)).size(), 15u * (Long.size() / Jis.size()));
  EXPECT_EQ(EncodeHeaderJIS("plain"), "plain");
  EXPECT_EQ(EncodeHeaderJIS(""), "");
}

}  // namespace
