#include "maillib/message/nbmsg.h"

#include <gtest/gtest.h>

#include <string>

#include "msgtesthelpers.h"

namespace {

void Attach(TnbCustomMessage& M, const std::string& FileName, const std::string& Bytes = "") {
  auto* Item = M.Attachments().AddItem(std::make_unique<TnbAttItem>());
  Item->SetFileName(FileName);
  Item->Data.WriteString(Bytes);
}

std::string RequiredText(const TnbCustomMessage& M) {
  try {
    M.CheckRequired();
  } catch (const EMessageError& E) {
    return E.Message;
  }
  return "(passed)";
}

}  // namespace

class MessageContentType : public TMimeTableFixture {};

TEST_F(MessageContentType, FollowsTheBodyAndAttachments) {
  TnbMessage M;
  EXPECT_EQ(M.ContentType(), "text/plain");
  M.Body() = {"<p>Hi</p>"};
  M.SetContentType("Text/HTML");  // a caller's type is kept for a bare body
  EXPECT_EQ(M.ContentType(), "text/html");
  Attach(M, "logo.gif");
  EXPECT_EQ(M.ContentType(), "multipart/mixed");
  M.Body().clear();
  EXPECT_EQ(M.ContentType(), "image/gif");  // no body: the one attachment's type
  Attach(M, "other.gif");
  EXPECT_EQ(M.ContentType(), "multipart/mixed");
  M.Clear();
  M.Body() = {"Hello"};
  EXPECT_EQ(M.ContentType(), "text/plain");
}

TEST_F(MessageContentType, AlternativesAndBodiesCarriedAsAttachmentsByTheirNames) {
  TnbMessage M;
  M.Body() = {"text"};
  Attach(M, "_alt.0");
  Attach(M, "/tmp/x/_ALT.1");
  EXPECT_EQ(M.ContentType(), "multipart/alternative");
  Attach(M, "picture.gif");
  EXPECT_EQ(M.ContentType(), "multipart/mixed");

  TnbMessage Rtf;
  Attach(Rtf, "C:\\Temp\\_RTFBODY.RTF");
  EXPECT_EQ(Rtf.ContentType(), "text/rtf");
  TnbMessage Html;
  Attach(Html, "_htmbody.htm");
  EXPECT_EQ(Html.ContentType(), "text/html");
  Html.Body() = {"line"};  // with body lines it is an ordinary attachment
  EXPECT_EQ(Html.ContentType(), "multipart/mixed");
}

TEST_F(MessageContentType, UuencodedMessagesHaveNoContentType) {
  TnbMessage M;
  M.Body() = {"text"};
  M.SetContentType("text/html");
  M.Encoding = TMsgEncoding::meUU;
  EXPECT_EQ(M.ContentType(), "");
  M.Encoding = TMsgEncoding::meMIME;  // the read emptied the stored type
  EXPECT_EQ(M.ContentType(), "text/plain");
}

TEST_F(MessageContentType, ATypeWorkedOutFromAttachmentsDoesNotOutliveThem) {
  TnbMessage M;
  M.Body() = {"text"};
  Attach(M, "a.gif");
  EXPECT_EQ(M.ContentType(), "multipart/mixed");
  M.Attachments().Clear();
  EXPECT_EQ(M.ContentType(), "text/plain");

  TnbMessage N;
  Attach(N, "a.gif");
  EXPECT_EQ(N.ContentType(), "image/gif");
  N.Body() = {"now with text"};
  N.Attachments().Clear();
  EXPECT_EQ(N.ContentType(), "text/plain");

  TnbAttList One;
  One.AddItem(std::make_unique<TnbAttItem>())->SetFileName("x.pdf");
  TnbMessage P;
  P.Body() = {"text"};
  P.SetAttachments(One);
  One.Clear();
  ASSERT_EQ(P.Attachments().Count(), 1);  // a copy, not the caller's list
  EXPECT_EQ(P.ContentType(), "multipart/mixed");
  P.Attachments().Clear();
  EXPECT_EQ(P.ContentType(), "text/plain");
}

class MessageAssign : public TMimeTableFixture {};

TEST_F(MessageAssign, GivesTheTargetItsOwnCopiesOfEverything) {
  TnbMessage Source;
  Source.Sender() = TnbMailAddress("me@x", "Me");
  Source.SetSubject("Subject line");
  Source.Encoding = TMsgEncoding::meUU;
  Source.CharSet = TCharSet::csISO8859;
  Source.Headers() = {"X-Test: 1", " continued"};
  Source.Body() = {"one", "two"};
  Attach(Source, "a.gif", std::string("GIF\0data", 8));
  Source.Recipients().AddAddress("to@x", "To");
  Source.CC().AddAddress("cc@x", "");
  Source.BCC().AddAddress("bcc@x", "Hidden");
  Source.Priority = TPriority::ptHigh;
  Source.ReturnReceipt = true;
  Source.Tag = 42;

  TnbMessage Target;
  Target.Recipients().AddAddress("old@x", "");
  Target.Assign(Source);
  Source.Clear();
  Source.Priority = TPriority::ptLow;
  Source.ReturnReceipt = false;

  EXPECT_EQ(Target.Sender().Address(), "me@x");
  EXPECT_EQ(Target.Sender().Name(), "Me");
  EXPECT_EQ(Target.Subject(), "Subject line");
  EXPECT_EQ(Target.Encoding, TMsgEncoding::meUU);
  EXPECT_EQ(Target.CharSet, TCharSet::csISO8859);
  EXPECT_EQ(Target.Headers(), (TnbHeaders{"X-Test: 1", " continued"}));
  EXPECT_EQ(Target.Body(), (TStringList{"one", "two"}));
  ASSERT_EQ(Target.Attachments().Count(), 1);
  EXPECT_EQ(Target.Attachments().Items(0).Data.View(), std::string_view("GIF\0data", 8));
  ASSERT_EQ(Target.Recipients().Count(), 1);
  EXPECT_EQ(Target.Recipients().Items(0).Address(), "to@x");
  EXPECT_EQ(Target.CC().Items(0).Address(), "cc@x");
  EXPECT_EQ(Target.BCC().Items(0).Name(), "Hidden");
  EXPECT_EQ(Target.Priority, TPriority::ptHigh);
  EXPECT_TRUE(Target.ReturnReceipt);
  EXPECT_EQ(Target.Tag, 42);
}

TEST_F(MessageAssign, TheTargetTakesTheSourcesComputedContentType) {
  TnbMessage Source;
  Source.Body() = {"<b>x</b>"};
  Source.SetContentType("TEXT/HTML");
  TnbMessage Target;
  Target.Assign(Source);
  EXPECT_EQ(Target.ContentType(), "text/html");

  TnbMessage Parts;
  Attach(Parts, "a.gif");
  Parts.Body() = {"b"};
  Target.Assign(Parts);
  Target.Attachments().Clear();
  EXPECT_EQ(Target.ContentType(), "text/plain");
  Parts.Assign(Parts);  // onto itself: nothing is lost
  EXPECT_EQ(Parts.Attachments().Count(), 1);
  EXPECT_EQ(Parts.Body().size(), 1u);
}

TEST_F(MessageAssign, EachKindCopiesOnlyWhatTheSourceHas) {
  TnbArticle Article;
  Article.NewsGroups = "alt.test";
  Article.Headers() = {"Newsgroups: alt.test"};
  TnbMessage Message;
  Message.Recipients().AddAddress("keep@x", "");
  Message.Priority = TPriority::ptLow;
  Message.Assign(Article);
  EXPECT_EQ(Message.Headers(), Article.Headers());
  EXPECT_EQ(Message.Recipients().Count(), 1);  // an article has none to give
  EXPECT_EQ(Message.Priority, TPriority::ptLow);

  TnbArticle Other;
  Other.Assign(Article);
  EXPECT_EQ(Other.NewsGroups, "alt.test");
  Other.Assign(Message);
  EXPECT_EQ(Other.NewsGroups, "alt.test");  // a message has none to give
}

TEST(MessageCheckRequired, NamesTheFirstMissingItem) {
  TnbMessage M;
  EXPECT_EQ(RequiredText(M), "The address of sender is required");
  M.Sender().SetName("Only a name");
  EXPECT_EQ(RequiredText(M), "The address of sender is required");
  M.Sender().SetAddress("me@x");
  EXPECT_EQ(RequiredText(M), "At least one Recipient, CC or BCC must be entered");
  M.Recipients().AddAddress("", "Nameless");
  M.CC().AddAddress("", "Also nameless");
  M.BCC().AddAddress("", "");
  EXPECT_EQ(RequiredText(M), "At least one Recipient, CC or BCC must be entered");
  M.BCC().AddAddress("hidden@x", "");
  EXPECT_EQ(RequiredText(M), "(passed)");
  M.BCC().Clear();
  M.CC().AddAddress("cc@x", "");
  EXPECT_EQ(RequiredText(M), "(passed)");
}

TEST(MessageCheckRequired, ArticlesNeedSenderThenNewsgroupsThenSubject) {
  TnbArticle A;
  A.NewsGroups = "alt.test";
  A.SetSubject("s");
  EXPECT_EQ(RequiredText(A), "The address of sender is required");
  A.Sender().SetAddress("me@x");
  A.NewsGroups.clear();
  EXPECT_EQ(RequiredText(A), "Newsgroup header is required");
  A.NewsGroups = "alt.test";
  A.SetSubject("");
  EXPECT_EQ(RequiredText(A), "Subject header is required");
  A.SetSubject("s");
  EXPECT_EQ(RequiredText(A), "(passed)");
}

TEST(MessageClear, EmptiesTheMessageButKeepsPriorityAndReceipt) {
  TnbMessage M;
  M.Sender() = TnbMailAddress("me@x", "Me");
  M.SetSubject("s");
  M.Headers() = {"A: b"};
  M.Body() = {"x"};
  M.Attachments().AddItem(std::make_unique<TnbAttItem>());
  M.Recipients().AddAddress("a@x", "");
  M.CC().AddAddress("b@x", "");
  M.BCC().AddAddress("c@x", "");
  M.Encoding = TMsgEncoding::meUU;
  M.CharSet = TCharSet::csISO2022jp;
  M.Priority = TPriority::ptHigh;
  M.ReturnReceipt = true;
  M.Clear();
  EXPECT_EQ(M.Sender().Address() + M.Sender().Name() + M.Subject(), "");
  EXPECT_TRUE(M.Headers().empty() && M.Body().empty());
  EXPECT_EQ(M.Attachments().Count(), 0);
  EXPECT_EQ(M.Recipients().Count() + M.CC().Count() + M.BCC().Count(), 0);
  EXPECT_EQ(M.Encoding, TMsgEncoding::meMIME);
  EXPECT_EQ(M.CharSet, TCharSet::csUSASCII);
  EXPECT_EQ(M.Priority, TPriority::ptHigh);
  EXPECT_TRUE(M.ReturnReceipt);

  TnbArticle A;
  A.NewsGroups = "alt.test";
  A.SetSubject("s");
  A.Clear();
  EXPECT_EQ(A.NewsGroups, "");
  EXPECT_EQ(A.Subject(), "");
}

TEST(MessageShortStrings, SubjectAndContentTypeKeep255Bytes) {
  TnbMessage M;
  M.SetSubject(std::string(300, 's'));
  EXPECT_EQ(M.Subject(), std::string(255, 's'));
  std::string Umlauts;
  for (int I = 0; I < 150; ++I) Umlauts += "\xC3\xBC";
  M.SetSubject("x" + Umlauts);  // byte 255 would fall inside a character
  EXPECT_EQ(M.Subject().size(), 255u);
  EXPECT_TRUE(IsWholeUtf8(M.Subject()));
  M.Body() = {"x"};
  M.SetContentType(std::string(300, 'T'));
  EXPECT_EQ(M.ContentType(), std::string(255, 't'));
}
