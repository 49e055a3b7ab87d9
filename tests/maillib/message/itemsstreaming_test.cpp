#include <gtest/gtest.h>

#include <string>

#include "maillib/message/attachments.h"
#include "maillib/message/itemsfiler.h"
#include "maillib/message/mailaddress.h"
#include "msgtesthelpers.h"

namespace {

template <class TList>
std::string Stored(const TList& List) {
  TMemoryStream S;
  TItemsWriter W(S);
  List.WriteItems(W);
  return std::string(S.View());
}

// Reads an "Items" property from Text into List, as a form reader would.
template <class TList>
void ReadInto(const std::string& Text, TList& List) {
  TMemoryStream S;
  S.WriteString(Text);
  S.SetPosition(0);
  TItemsReader R(S);
  const std::string Name = R.ReadProperty();
  if (Name != "Items") throw EReadError("unknown property " + Name);
  List.ReadItems(R);
}

}  // namespace

TEST(ItemsStreaming, AddressListRoundTripKeepsOrderFieldsAndEveryByte) {
  TnbAddressList Source;
  Source.AddAddress("ann@example.org", "Ann \"The\" Example");
  Source.AddAddress("", "");
  Source.AddAddress("back\\slash@x", "line\r\nbreak\ttab\x01\x7F ) end");
  Source.AddAddress("j\xC3\xBCrgen@example.de", "J\xC3\xBCrgen");
  TnbAddressList Back;
  Back.AddAddress("stale@x", "Stale");  // reading replaces what was there
  ReadInto(Stored(Source), Back);
  ASSERT_EQ(Back.Count(), Source.Count());
  for (int I = 0; I < Source.Count(); ++I) {
    EXPECT_EQ(Back.Items(I).Name(), Source.Items(I).Name()) << I;
    EXPECT_EQ(Back.Items(I).Address(), Source.Items(I).Address()) << I;
  }
  EXPECT_EQ(Stored(TnbAddressList()), "");  // an empty list writes nothing
}

TEST(ItemsStreaming, DamagedInputRaisesAReadErrorAndLeavesTheListAsItWas) {
  TnbAddressList Source;
  Source.AddAddress("a@x", "A \"q\"");
  Source.AddAddress("b@x", "B");
  const std::string Text = Stored(Source);
  std::vector<std::string> Bad = {"Items ( \"a\" )", "Items ( \"a\\q\" \"b\" )",
                                  "Items ( 12 \"b\" )"};
  for (std::size_t Cut = 0; Cut + 1 < Text.size(); ++Cut) Bad.push_back(Text.substr(0, Cut));
  for (const std::string& B : Bad) {
    TnbAddressList L;
    L.AddAddress("keep@x", "Keep");
    EXPECT_THROW(ReadInto(B, L), EReadError) << B;
    ASSERT_EQ(L.Count(), 1);
    EXPECT_EQ(L.Items(0).Address(), "keep@x");
  }
}

class AttItemsStreaming : public TMimeTableFixture {};

TEST_F(AttItemsStreaming, StoredTypeAndEncodingWinOverTheDerivedOnesAndBytesStayOut) {
  TnbAttList Source;
  auto* A = Source.AddItem(std::make_unique<TnbAttItem>());
  A->SetFileName("/home/u/notes.txt");
  A->SetContentType("application/x-custom");
  A->TransferEncoding = TTransferEncoding::teBase64;
  A->Data.WriteString("secret bytes");
  Source.AddItem(std::make_unique<TnbAttItem>())->SetFileName("odd \"name\"\tx.eml");
  const std::string Text = Stored(Source);
  EXPECT_EQ(Text.find("secret"), std::string::npos);

  TnbAttList Back;
  ReadInto(Text, Back);
  ASSERT_EQ(Back.Count(), 2);
  EXPECT_EQ(Back.Items(0).FileName(), "/home/u/notes.txt");
  EXPECT_EQ(Back.Items(0).ContentType(), "application/x-custom");
  EXPECT_EQ(Back.Items(0).TransferEncoding, TTransferEncoding::teBase64);
  EXPECT_EQ(Back.Items(0).Data.Size(), 0);
  EXPECT_EQ(Back.Items(1).FileName(), "odd \"name\"\tx.eml");
  EXPECT_EQ(Back.Items(1).TransferEncoding, TTransferEncoding::te7Bit);

  for (const char* Encoding : {"3", "-1", "99999999999999999999", "1x"}) {
    EXPECT_THROW(ReadInto(std::string("Items ( \"a.txt\" \"text/plain\" ") + Encoding + " )", Back),
                 EReadError) << Encoding;
    EXPECT_EQ(Back.Count(), 2);
  }
}
