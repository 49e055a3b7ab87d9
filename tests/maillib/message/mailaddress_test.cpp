#include "maillib/message/mailaddress.h"

#include <gtest/gtest.h>

#include <string>

#include "msgtesthelpers.h"

TEST(MailAddress, ShortStringsKeep255BytesWithoutSplittingACharacter) {
  TnbMailAddress A;
  A.SetName(std::string(300, 'n'));
  EXPECT_EQ(A.Name(), std::string(255, 'n'));
  A.SetName(std::string(254, 'x') + "\xC3\xA9tail");  // a 2-byte character across byte 255
  EXPECT_EQ(A.Name(), std::string(254, 'x'));
  A.SetAddress(std::string(253, 'x') + "\xE2\x82\xAC@d");  // a 3-byte one
  EXPECT_EQ(A.Address(), std::string(253, 'x'));
  std::string Accents;
  for (int I = 0; I < 200; ++I) Accents += "\xC3\xA9";
  A.SetName(Accents);
  EXPECT_EQ(A.Name().size(), 254u);
  EXPECT_TRUE(IsWholeUtf8(A.Name()));
}

TEST(AddressList, AddsMailboxFirstCopiesDeeplyAndRefusesBadIndexes) {
  TnbAddressList Source;
  Source.AddAddress("ann@example.org", "Ann");
  Source.AddAddress(std::string(260, 'm'), "");
  EXPECT_EQ(Source.Items(0).Address(), "ann@example.org");
  EXPECT_EQ(Source.Items(0).Name(), "Ann");
  EXPECT_EQ(Source.Items(1).Address().size(), 255u);

  TnbAddressList Copy;
  Copy.AddAddress("old@x", "Old");
  Copy.Assign(Source);
  Copy.Items(0).SetName("Changed");
  EXPECT_EQ(Source.Items(0).Name(), "Ann");
  Source.Clear();
  ASSERT_EQ(Copy.Count(), 2);
  EXPECT_EQ(Copy.Items(0).Address(), "ann@example.org");
  EXPECT_THROW(Copy.Items(2), EListError);
  EXPECT_THROW(Copy.Items(-1), EListError);
  EXPECT_THROW(Source.Items(0), EListError);
}

TEST(MailAddress, EditGoesThroughTheInstalledDialogOrLeavesTheAddressAlone) {
  const auto Saved = TnbMailAddress::EditHook;
  TnbMailAddress A("a@x", "A");
  TnbMailAddress::EditHook = nullptr;
  EXPECT_FALSE(A.Edit());
  EXPECT_EQ(A.Name(), "A");

  TnbMailAddress::EditHook = [&](TnbMailAddress& Address) {
    EXPECT_EQ(&Address, &A);
    Address.SetName("Edited");
    return true;
  };
  EXPECT_TRUE(A.Edit());
  EXPECT_EQ(A.Name(), "Edited");
  TnbMailAddress::EditHook = Saved;
}
