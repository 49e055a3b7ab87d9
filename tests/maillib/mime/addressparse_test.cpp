#include "maillib/mime/addressparse.h"

#include <gtest/gtest.h>

#include <string>

#include "maillib/message/mailaddress.h"
#include "platform/runtime/stringlist.h"

namespace {

struct TAddressCase {
  std::string Text, Address, Name;
};
// Test listings name a case by its input.
void PrintTo(const TAddressCase& Case, std::ostream* Out) { *Out << ::testing::PrintToString(Case.Text); }

class ParseAddressTest : public ::testing::TestWithParam<TAddressCase> {};

TEST_P(ParseAddressTest, SplitsAddressAndName) {
  const TAddressParts Parts = ParseAddressParts(GetParam().Text);
  EXPECT_EQ(Parts.Address, GetParam().Address) << GetParam().Text;
  EXPECT_EQ(Parts.Name, GetParam().Name) << GetParam().Text;
}

INSTANTIATE_TEST_SUITE_P(NameAndMailboxInAngleBrackets, ParseAddressTest, ::testing::Values(
    TAddressCase{"\"Doe, Jane\" <jane@x.org>", "jane@x.org", "Doe, Jane"},
    TAddressCase{"  Jane   Doe  < jane@x.org >  ", "jane@x.org", "Jane   Doe"},
    TAddressCase{"<jane@x.org>", "jane@x.org", ""},
    TAddressCase{"Jane <jane@x.org> Doe", "jane@x.org", "Jane  Doe"},  // text after the brackets is name too
    TAddressCase{"Jane >> Doe <jane@x.org>", "jane@x.org", "Jane >> Doe"}));  // only a ">" after the "<" closes

INSTANTIATE_TEST_SUITE_P(MailboxWithNameInParenthesesOrAlone, ParseAddressTest, ::testing::Values(
    TAddressCase{"jane@x.org (\"Jane Doe\")  ", "jane@x.org", "Jane Doe"},
    TAddressCase{"jane@x.org (Jane (home))", "jane@x.org", "Jane (home)"},
    TAddressCase{"jane@x.org (Jane", "jane@x.org", "Jane"},  // unclosed: no letter lost
    TAddressCase{" jane@x.org ", " jane@x.org ", ""}, TAddressCase{"", "", ""}));

INSTANTIATE_TEST_SUITE_P(AnUnclosedAngleBracketGivesOnlyAName, ParseAddressTest, ::testing::Values(
    TAddressCase{"Jane Doe <jane@x.org", "", "Jane Doe <jane@x.org"}, TAddressCase{"a > b <", "", "a > b <"},
    TAddressCase{"<", "", "<"}, TAddressCase{"<>", "", ""}, TAddressCase{">", ">", ""}, TAddressCase{")(", ")", ""}));

INSTANTIATE_TEST_SUITE_P(SplitsATrailingCommentOffADate, ParseAddressTest, ::testing::Values(
    TAddressCase{"Tue, 15 Sep 1998 13:19:20 +0200 (CEST)", "Tue, 15 Sep 1998 13:19:20 +0200", "CEST"},
    TAddressCase{"Tue, 15 Sep 1998 13:19:20 +0200", "Tue, 15 Sep 1998 13:19:20 +0200", ""}));

}  // namespace

TEST(ParseAddress, BothHalvesAreCutTo255Bytes) {
  const std::string Long(300, 'm');
  std::string Accents;
  for (int I = 0; I < 200; ++I) Accents += "\xC3\xA9";
  const TAddressParts Parts = ParseAddressParts("\"" + Accents + "\" <" + Long + ">");
  EXPECT_EQ(Parts.Address, Long.substr(0, 255));
  EXPECT_EQ(Parts.Name, Accents.substr(0, 254));
  EXPECT_EQ(ParseAddressParts(Long).Address, Long.substr(0, 255));
}

TEST(ParseAddress, FillsBothFieldsOfAnAddressObject) {
  TnbMailAddress Address("old@x.org", "Old Name");
  ParseAddress("\"New Name\" <new@x.org>", Address);
  EXPECT_EQ(Address.Address(), "new@x.org");
  EXPECT_EQ(Address.Name(), "New Name");
  // A bare mailbox clears the name that was there before.
  ParseAddress("bare@x.org", Address);
  EXPECT_EQ(Address.Address(), "bare@x.org");
  EXPECT_EQ(Address.Name(), "");
}

TEST(ParseAddress, HugeAndHostileInputIsHandled) {
  const std::string Opens(1 << 20, '<');
  const std::string Closes(1 << 20, '>');
  const std::string Parens(1 << 20, '(');
  TAddressParts Parts;
  EXPECT_NO_THROW(Parts = ParseAddressParts(Opens));
  EXPECT_EQ(Parts.Address, "");
  EXPECT_EQ(Parts.Name, Opens.substr(0, 255));
  EXPECT_NO_THROW(Parts = ParseAddressParts(Opens + Closes));
  EXPECT_EQ(Parts.Address, Opens.substr(0, 255));
  EXPECT_EQ(Parts.Name, Closes.substr(0, 255));
  EXPECT_NO_THROW(Parts = ParseAddressParts(Parens));
  EXPECT_EQ(Parts.Address, "");
  EXPECT_EQ(Parts.Name, Parens.substr(0, 255));
}

TEST(ParseHeaderAddress, ReadsOneFieldSplitBeforeItIsDecoded) {
  TnbMailAddress Address("old@x.org", "Old");
  const TStringList Headers = {"From: a@x.org", "Reply-To: =?utf-8?Q?Boss_=3Cboss=40company.com=3E?=",
                               " <reply@evil.example>", "Subject: s"};
  ParseHeaderAddress(Headers, "REPLY-TO", Address);
  EXPECT_EQ(Address.Address(), "reply@evil.example");
  EXPECT_EQ(Address.Name(), "Boss <boss@company.com>");
  ParseHeaderAddress({"From: a@x.org"}, "REPLY-TO", Address);  // missing: emptied
  EXPECT_EQ(Address.Address(), "");
  EXPECT_EQ(Address.Name(), "");
}

TEST(ParseHeaderAddress, ManyUnclosedEncodedWordsAreReadInLinearTime) {
  std::string Opens;
  for (int I = 0; I < 150000; ++I) Opens += "=?a?Q?x";
  TnbMailAddress Address;
  ParseHeaderAddress({"From: " + Opens + " <a@x.org>"}, "FROM", Address);
  EXPECT_EQ(Address.Address(), "a@x.org");
  EXPECT_EQ(Address.Name(), Opens.substr(0, 255));
}
