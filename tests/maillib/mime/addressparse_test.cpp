#include "maillib/mime/addressparse.h"

#include <gtest/gtest.h>

#include <string>

#include "maillib/message/mailaddress.h"
#include "platform/runtime/stringlist.h"

namespace {

// Address and name of Text, for compact comparisons.
std::pair<std::string, std::string> Parse(std::string_view Text) {
  TAddressParts Parts = ParseAddressParts(Text);
  return {Parts.Address, Parts.Name};
}

using Pair = std::pair<std::string, std::string>;

}  // namespace

TEST(ParseAddress, NameAndMailboxInAngleBrackets) {
  EXPECT_EQ(Parse("\"Doe, Jane\" <jane@x.org>"), Pair("jane@x.org", "Doe, Jane"));
  EXPECT_EQ(Parse("  Jane   Doe  < jane@x.org >  "), Pair("jane@x.org", "Jane   Doe"));
  EXPECT_EQ(Parse("<jane@x.org>"), Pair("jane@x.org", ""));
  // Text after the brackets belongs to the name as well.
  EXPECT_EQ(Parse("Jane <jane@x.org> Doe"), Pair("jane@x.org", "Jane  Doe"));
  // Only a ">" after the "<" closes it.
  EXPECT_EQ(Parse("Jane >> Doe <jane@x.org>"), Pair("jane@x.org", "Jane >> Doe"));
}

TEST(ParseAddress, MailboxWithNameInParenthesesOrAlone) {
  EXPECT_EQ(Parse("jane@x.org (\"Jane Doe\")  "), Pair("jane@x.org", "Jane Doe"));
  EXPECT_EQ(Parse("jane@x.org (Jane (home))"), Pair("jane@x.org", "Jane (home)"));
  EXPECT_EQ(Parse("jane@x.org (Jane"), Pair("jane@x.org", "Jane"));  // unclosed: no letter lost
  EXPECT_EQ(Parse(" jane@x.org "), Pair(" jane@x.org ", ""));
  EXPECT_EQ(Parse(""), Pair("", ""));
}

TEST(ParseAddress, AnUnclosedAngleBracketGivesOnlyAName) {
  EXPECT_EQ(Parse("Jane Doe <jane@x.org"), Pair("", "Jane Doe <jane@x.org"));
  EXPECT_EQ(Parse("a > b <"), Pair("", "a > b <"));
  EXPECT_EQ(Parse("<"), Pair("", "<"));
  EXPECT_EQ(Parse("<>"), Pair("", ""));
  EXPECT_EQ(Parse(">"), Pair(">", ""));
  EXPECT_EQ(Parse(")("), Pair(")", ""));
}

TEST(ParseAddress, SplitsATrailingCommentOffADate) {
  EXPECT_EQ(Parse("Tue, 15 Sep 1998 13:19:20 +0200 (CEST)"), Pair("Tue, 15 Sep 1998 13:19:20 +0200", "CEST"));
  EXPECT_EQ(Parse("Tue, 15 Sep 1998 13:19:20 +0200"), Pair("Tue, 15 Sep 1998 13:19:20 +0200", ""));
}

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
