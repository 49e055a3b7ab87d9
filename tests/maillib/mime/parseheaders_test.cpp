#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "maillib/message/nbmsg.h"

namespace {

TnbHeaders MessageHeaders(const std::string& XPriority) {
  TnbHeaders H = {
      "Return-Path: <bounce@example.org>",
      "From: \"Ann Example\" <ann@example.org>",
      "To: bob@example.org, \"Carol, C.\" <carol@example.org>",
      "Cc: dave@example.org (Dave D)",
      "Subject: Quarterly",
      "\tfigures",
  };
  if (!XPriority.empty()) H.push_back("X-Priority: " + XPriority);
  H.push_back("Bcc: eve@example.org");
  return H;
}

TPriority PriorityOf(const std::string& XPriority) {
  TnbMessage M;
  M.Priority = TPriority::ptHigh;
  M.ParseHeaders(MessageHeaders(XPriority));
  return M.Priority;
}

// An address as "Name <mailbox>", and each of a list so.
std::string Entry(const TnbMailAddress& A) { return A.Name() + " <" + A.Address() + ">"; }

std::vector<std::string> Entries(const TnbAddressList& List) {
  std::vector<std::string> Result;
  for (int I = 0; I < List.Count(); ++I) Result.push_back(Entry(List.Items(I)));
  return Result;
}

using TEntries = std::vector<std::string>;

}  // namespace

TEST(MessageParseHeaders, FillsSenderListsSubjectAndKeepsTheLines) {
  TnbMessage M;
  M.Recipients().AddAddress("already@x", "");  // the lists are appended to, not cleared
  const TnbHeaders H = MessageHeaders("3");
  M.ParseHeaders(H);

  EXPECT_EQ(Entry(M.Sender()), "Ann Example <ann@example.org>");
  EXPECT_EQ(Entries(M.Recipients()), (TEntries{" <already@x>", " <bob@example.org>", "Carol, C. <carol@example.org>"}));
  EXPECT_EQ(Entries(M.CC()), TEntries{"Dave D <dave@example.org>"});
  EXPECT_EQ(Entries(M.BCC()), TEntries{" <eve@example.org>"});
  EXPECT_EQ(M.Subject(), "Quarterly figures");
  EXPECT_EQ(M.Headers(), H);
  EXPECT_FALSE(M.ReturnReceipt);
}

TEST(MessageParseHeaders, PriorityOnlyFromAnExactOneOrFive) {
  const std::pair<const char*, TPriority> Cases[] = {
      {"1", TPriority::ptHigh},           {"5", TPriority::ptLow}, {"3 (Normal)", TPriority::ptNormal},
      {"1 (Highest)", TPriority::ptNormal}, {"2", TPriority::ptNormal},
      {"", TPriority::ptNormal}};  // missing header
  for (const auto& [XPriority, Priority] : Cases) EXPECT_EQ(PriorityOf(XPriority), Priority) << XPriority;
}

TEST(MessageParseHeaders, AnEmptySubjectOrMissingReceiptRequestChangesNothing) {
  TnbMessage M;
  M.SetSubject("Kept");
  M.ReturnReceipt = true;
  M.ParseHeaders({"From: a@x", "Subject:   "});
  EXPECT_EQ(M.Subject(), "Kept");
  EXPECT_TRUE(M.ReturnReceipt);

  TnbMessage R;
  R.ParseHeaders({"From: a@x", "Return-Receipt-To: a@x"});
  EXPECT_TRUE(R.ReturnReceipt);
  TnbMessage Empty;
  Empty.ParseHeaders({"From: a@x", "Return-receipt-to:"});
  EXPECT_FALSE(Empty.ReturnReceipt);
}

// An encoded word is display text only: whatever it holds, the mailbox comes
// from the header as received.
const char* const ForgedFrom =
    "From: =?utf-8?Q?boss=40company=2Ecom_=3Cboss=40company=2Ecom=3E?= <attacker@evil.example>";

TEST(MessageParseHeaders, EncodedWordsNeverSupplyAnAddress) {
  TnbMessage M;
  M.ParseHeaders({
      ForgedFrom,
      "To: =?utf-8?Q?<boss@company.com>?= <one@evil.example>, =?utf-8?Q?=3Cx=40y=3E?=",
      "Cc: =?utf-8?B?PGJvc3NAY29tcGFueS5jb20+?= <two@evil.example>, three@evil.example (=?utf-8?Q?=3Cx=40y=3E?=)",
  });
  EXPECT_EQ(Entry(M.Sender()), "boss@company.com <boss@company.com> <attacker@evil.example>");
  EXPECT_EQ(Entries(M.Recipients()), (TEntries{"<boss@company.com> <one@evil.example>", " <=?utf-8?Q?=3Cx=40y=3E?=>"}));
  EXPECT_EQ(Entries(M.CC()), (TEntries{"<boss@company.com> <two@evil.example>", "<x@y> <three@evil.example>"}));

  TnbArticle A;
  A.ParseHeaders({ForgedFrom});
  EXPECT_EQ(A.Sender().Address(), "attacker@evil.example");
}

TEST(MessageParseHeaders, ACommaInAnEncodedNameDoesNotSplitTheList) {
  TnbMessage M;
  M.ParseHeaders({"To: =?utf-8?Q?Smith,_John?= <js@x.org>, =?utf-8?Q?Doe=2C_Jane?= <jd@x.org>, b@y.org"});
  EXPECT_EQ(Entries(M.Recipients()), (TEntries{"Smith, John <js@x.org>", "Doe, Jane <jd@x.org>", " <b@y.org>"}));
}

TEST(MessageParseHeaders, EncodedDisplayNamesAreDecodedThenCut) {
  std::string Long = "=?utf-8?Q?";  // 200 "é": 1212 bytes encoded, 400 decoded
  for (int I = 0; I < 200; ++I) Long += "=C3=A9";
  Long += "?=";
  TnbMessage M;
  M.ParseHeaders({"From: \"=?utf-8?Q?J=C3=B6rg?=\" <j@x.org>", "To: c@x.org (=?iso-8859-1?Q?J=F6rg?=)",
                  "Cc: " + Long + " <long@x.org>"});
  EXPECT_EQ(Entry(M.Sender()), "J\xC3\xB6rg <j@x.org>");
  EXPECT_EQ(Entries(M.Recipients()), TEntries{"J\xC3\xB6rg <c@x.org>"});
  std::string Cut;  // 127 characters: the 128th would straddle byte 255
  for (int I = 0; I < 127; ++I) Cut += "\xC3\xA9";
  EXPECT_EQ(Entries(M.CC()), TEntries{Cut + " <long@x.org>"});
}

TEST(ArticleParseHeaders, FillsTheNewsFields) {
  TnbArticle A;
  const TnbHeaders H = {
      "Path: news.example.org!not-for-mail",
      "From: poster@example.org (The Poster)",
      "Newsgroups: alt.test,comp.misc",
      "Subject: Test post",
      "Message-ID: <123@example.org>",
  };
  A.ParseHeaders(H);
  EXPECT_EQ(Entry(A.Sender()), "The Poster <poster@example.org>");
  EXPECT_EQ(A.Path, "news.example.org!not-for-mail");
  EXPECT_EQ(A.NewsGroups, "alt.test,comp.misc");
  EXPECT_EQ(A.MessageID, "<123@example.org>");
  EXPECT_EQ(A.Subject(), "Test post");
  EXPECT_EQ(A.Headers(), H);
}
