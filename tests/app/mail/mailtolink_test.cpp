// mailto: links (RFC 6068) as the composer receives them.
#include <gtest/gtest.h>

#include "app/mail/mailtolink.h"

namespace {

struct TLinkCase {
  const char* Name;
  const char* Link;
  TStringList To;
  TStringList Cc;
  std::string Subject;
  TStringList Body;
};

const TLinkCase LinkCases[] = {
    {"PlainAddress", "mailto:bob@example.com", {"bob@example.com"}},
    {"SchemeInAnyCase", "MailTo:bob@example.com", {"bob@example.com"}},
    {"AllFields", "mailto:bob@example.com?cc=x@example.com&subject=Hi&body=Hello%20there",
     {"bob@example.com"}, {"x@example.com"}, "Hi", {"Hello there"}},
    {"SeveralAddressesInPathAndFields", "mailto:a@example.com,b@example.com?to=c@example.com,%20d@example.com&cc=e@example.com&CC=f@example.com",
     {"a@example.com", "b@example.com", "c@example.com", "d@example.com"}, {"e@example.com", "f@example.com"}},
    {"OnlyFields", "mailto:?to=bob@example.com&subject=x", {"bob@example.com"}, {}, "x"},
    {"Utf8Subject", "mailto:bob@example.test?subject=Gr%C3%BC%C3%9Fe", {"bob@example.test"}, {}, "Grüße"},
    {"PlusIsNotASpace", "mailto:bob+list@example.com?subject=1+1", {"bob+list@example.com"}, {}, "1+1"},
    {"EncodedDelimitersStayInTheirField", "mailto:bob@example.com?subject=a%26b%3Dc%3Fd%23e",
     {"bob@example.com"}, {}, "a&b=c?d#e"},
    {"QuotedCommaDoesNotSplit", "mailto:?to=%22Doe,%20J%22%20%3Cj@example.com%3E,k@example.com",
     {"\"Doe, J\" <j@example.com>", "k@example.com"}},
    {"EncodedCommaInPathBelongsToTheAddress", "mailto:%22a%2Cb%22@example.com", {"\"a,b\"@example.com"}},
    {"BodyLinesAtCrlfAndTabsKept", "mailto:x@example.com?body=one%0D%0Atwo%0Athree%0D%09four",
     {"x@example.com"}, {}, "", {"one", "two", "three", "\tfour"}},
    {"FirstSubjectAndBodyWin", "mailto:x@example.com?subject=first&subject=second&body=a&body=b",
     {"x@example.com"}, {}, "first", {"a"}},
    {"UnknownAndUnsafeFieldsIgnored",
     "mailto:x@example.com?bcc=spy@example.com&attach=/etc/passwd&X-Mailer=evil&in-reply-to=%3Ca@b%3E&subject=s",
     {"x@example.com"}, {}, "s"},
    {"FragmentIgnored", "mailto:x@example.com?subject=s#frag", {"x@example.com"}, {}, "s"},
    {"BrokenPercentKept", "mailto:x@example.com?subject=100%25%20and%2%zz", {"x@example.com"}, {}, "100% and%2%zz"},
    {"InvalidUtf8Replaced", "mailto:x@example.com?subject=a%FFb", {"x@example.com"}, {}, "a\xEF\xBF\xBD" "b"},
    // Header injection: no line break reaches a field that becomes a header.
    {"LineBreaksNeverEnterHeaders",
     "mailto:x@example.com%0D%0ABcc:%20spy@example.com?subject=Hi%0D%0ABcc:%20spy@example.com&cc=y@example.com%0ABcc:z@example.com",
     {"x@example.comBcc: spy@example.com"}, {"y@example.comBcc:z@example.com"}, "Hi Bcc: spy@example.com"},
    {"ControlCharactersDropped", "mailto:x@example.com?subject=a%00b%07c%7F", {"x@example.com"}, {}, "abc"},
};

TEST(MailtoLink, ReadsEveryFieldAsRfc6068Says) {
  for (const TLinkCase& Case : LinkCases) {
    SCOPED_TRACE(Case.Name);
    const std::optional<TMailtoLink> Link = ParseMailtoLink(Case.Link);
    ASSERT_TRUE(Link.has_value());
    EXPECT_EQ(Link->To, Case.To);
    EXPECT_EQ(Link->Cc, Case.Cc);
    EXPECT_EQ(Link->Subject, Case.Subject);
    EXPECT_EQ(Link->Body, Case.Body);
  }
}

TEST(MailtoLink, OtherSchemesAreNotLinks) {
  for (const char* Text : {"", "mailto", "http://example.com", "bob@example.com", "xmailto:bob@example.com"}) {
    EXPECT_FALSE(IsMailtoLink(Text)) << Text;
    EXPECT_FALSE(ParseMailtoLink(Text).has_value()) << Text;
  }
}

TEST(MailtoLink, FillsAnEditableNewMessage) {
  const TMessageWindowFill Fill = PlanMailto(*ParseMailtoLink("mailto:a@example.com?subject=Hi&body=x"));
  EXPECT_TRUE(Fill.Editable && Fill.RecptEditable && Fill.CcEditable && Fill.SubjectEditable);
  EXPECT_EQ(Fill.WindowCaption, "Corvalen message - Hi");
  EXPECT_TRUE(Fill.Attachments.empty());
  EXPECT_TRUE(Fill.InReplyTo.empty() && Fill.References.empty());
  EXPECT_EQ(PlanMailto(*ParseMailtoLink("mailto:a@example.com")).WindowCaption, "Corvalen message");
}

}  // namespace
