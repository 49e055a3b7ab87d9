// What an answer is made of: the subject prefixes, who a Reply to All goes
// to, and the message ids it threads with.
#include <gtest/gtest.h>

#include "app/mail/answerplan.h"
#include "app/mail/threadids.h"

namespace {

TEST(AnsweringTest, SubjectsGetOnePrefixOfTheirKind) {
  // Subject, reply, forward.
  const char* Cases[][3] = {
      {"Lunch", "Re: Lunch", "Fwd: Lunch"},       {"RE: x", "RE: x", "Fwd: RE: x"},
      {"re:tight", "re:tight", "Fwd: re:tight"},  {"AW: Termin", "AW: Termin", "Fwd: AW: Termin"},
      {"Fw: news", "Re: Fw: news", "Fw: news"},   {"FWD: news", "Re: FWD: news", "FWD: news"},
      {"Regarding", "Re: Regarding", "Fwd: Regarding"},
  };
  for (const auto& [Subject, Reply, Forward] : Cases) {
    EXPECT_EQ(ReplySubject(Subject), Reply);
    EXPECT_EQ(ForwardSubject(Subject), Forward);
  }
}

TEST(AnsweringTest, ReplyToAllLeavesOutTheUserRepeatsAndBlanks) {
  struct {
    TStringList Recpt, Cc;
    std::string Sender;
    TStringList To, Copies;
  } Cases[] = {
      {{"me@x", "b@x"}, {}, "a@x", {"b@x", "a@x"}, {}},
      {{"b@x"}, {"Me@X"}, "a@x", {"b@x", "a@x"}, {}},
      {{"b@x", "B@x"}, {"a@x", "c@x", "C@X"}, "A@x", {"b@x", "A@x"}, {"c@x"}},
      {{"b@x"}, {"c@x"}, "", {"b@x"}, {"c@x"}},
  };
  for (const auto& Case : Cases) {
    TStoredMessage Source;
    Source.Recpt = Case.Recpt;
    Source.Cc = Case.Cc;
    Source.Email = Case.Sender;
    const TAnswerAddresses Addresses = ReplyToAllAddresses(Source, "me@x");
    EXPECT_EQ(Addresses.To, Case.To) << Case.Sender;
    EXPECT_EQ(Addresses.Cc, Case.Copies) << Case.Sender;
  }
}

TEST(AnsweringTest, AnAnswerThreadsUnderTheIdsTheMessageCameWith) {
  // References win over In-Reply-To; comments and stray words are no ids.
  const TThreadIds Received = ReceivedThreadIds(
      {"Message-ID: <m@x> (ours)", "In-Reply-To: <p@x>", "References: <r1@x>", "\t<r2@x> junk <bad id@x>"});
  EXPECT_EQ(Received.MessageId, "<m@x>");
  EXPECT_EQ(Received.References, "<r1@x> <r2@x>");
  // Without References the one id of In-Reply-To; two ids there say nothing sure.
  EXPECT_EQ(ReceivedThreadIds({"In-Reply-To: <p@x>"}).References, "<p@x>");
  EXPECT_EQ(ReceivedThreadIds({"In-Reply-To: <p@x> <q@x>"}).References, "");
  EXPECT_EQ(AnswerThreadIds({"", "<r1@x>"}).References, "");

  const TAnswerIds Reply = AnswerThreadIds(Received);
  TStringList Headers;
  AddThreadHeaders(Headers, Reply.InReplyTo, Reply.References);
  EXPECT_EQ(Headers, (TStringList{"In-Reply-To: <m@x>", "References: <r1@x>", " <r2@x>", " <m@x>"}));
  // Nothing but ids reaches a header line, and no line break at all.
  Headers.clear();
  AddThreadHeaders(Headers, "<a@x>\r\nBcc: evil@x", "<b@x\r\n> <" + std::string(MaxMessageIdLength, 'y') + ">");
  EXPECT_EQ(Headers, TStringList{"In-Reply-To: <a@x>"});
}

}  // namespace
