#include <gtest/gtest.h>

#include <string>

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

}  // namespace

TEST(MessageParseHeaders, FillsSenderListsSubjectAndKeepsTheLines) {
  TnbMessage M;
  M.Recipients().AddAddress("already@x", "");  // the lists are appended to, not cleared
  const TnbHeaders H = MessageHeaders("3");
  M.ParseHeaders(H);

  EXPECT_EQ(M.Sender().Name(), "Ann Example");
  EXPECT_EQ(M.Sender().Address(), "ann@example.org");
  ASSERT_EQ(M.Recipients().Count(), 3);
  EXPECT_EQ(M.Recipients().Items(0).Address(), "already@x");
  EXPECT_EQ(M.Recipients().Items(1).Address(), "bob@example.org");
  EXPECT_EQ(M.Recipients().Items(2).Address(), "carol@example.org");
  EXPECT_EQ(M.Recipients().Items(2).Name(), "Carol, C.");
  ASSERT_EQ(M.CC().Count(), 1);
  EXPECT_EQ(M.CC().Items(0).Address(), "dave@example.org");
  EXPECT_EQ(M.CC().Items(0).Name(), "Dave D");
  ASSERT_EQ(M.BCC().Count(), 1);
  EXPECT_EQ(M.BCC().Items(0).Address(), "eve@example.org");
  EXPECT_EQ(M.Subject(), "Quarterly figures");
  EXPECT_EQ(M.Headers(), H);
  EXPECT_FALSE(M.ReturnReceipt);
}

TEST(MessageParseHeaders, PriorityOnlyFromAnExactOneOrFive) {
  EXPECT_EQ(PriorityOf("1"), TPriority::ptHigh);
  EXPECT_EQ(PriorityOf("5"), TPriority::ptLow);
  EXPECT_EQ(PriorityOf("3 (Normal)"), TPriority::ptNormal);
  EXPECT_EQ(PriorityOf("1 (Highest)"), TPriority::ptNormal);
  EXPECT_EQ(PriorityOf("2"), TPriority::ptNormal);
  EXPECT_EQ(PriorityOf(""), TPriority::ptNormal);  // missing header
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
  EXPECT_EQ(A.Sender().Address(), "poster@example.org");
  EXPECT_EQ(A.Sender().Name(), "The Poster");
  EXPECT_EQ(A.Path, "news.example.org!not-for-mail");
  EXPECT_EQ(A.NewsGroups, "alt.test,comp.misc");
  EXPECT_EQ(A.MessageID, "<123@example.org>");
  EXPECT_EQ(A.Subject(), "Test post");
  EXPECT_EQ(A.Headers(), H);
}
