#include "maillib/mime/headerfields.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// "é" repeated Count times, as UTF-8.
std::string Accents(int Count) {
  std::string Text;
  for (int I = 0; I < Count; ++I) Text += "\xC3\xA9";
  return Text;
}

// One Q-encoded UTF-8 word carrying Count "é".
std::string EncodedAccents(int Count) {
  std::string Word = "=?utf-8?Q?";
  for (int I = 0; I < Count; ++I) Word += "=C3=A9";
  return Word + "?=";
}

}  // namespace

TEST(GetHeaderField, FindsTheFirstFieldOfTheNameUpToItsColon) {
  const TStringList Headers = {"Toolbar: x", "Resent-To: r@x", "Subject:Hello", "subject: second", "To: real@x"};
  EXPECT_EQ(GetHeaderField(Headers, "Subject"), "Hello");
  EXPECT_EQ(GetHeaderField(Headers, "SUBJECT:"), "Hello");
  EXPECT_EQ(GetHeaderField(Headers, "To"), "real@x");
  EXPECT_EQ(GetHeaderField({"Toolbar: x"}, "To"), "");
  EXPECT_EQ(GetHeaderField({"X-Priority:   3 (Normal)  "}, "x-priority"), "3 (Normal)");
  EXPECT_EQ(GetHeaderField({}, "Subject"), "");
}

TEST(GetHeaderField, JoinsFoldedLinesWithOneSpaceUpToTheNextField) {
  const TStringList Headers = {"Subject: first part", "\t  second part  ", " third", "To: a@b.c",
                               " not the subject"};
  EXPECT_EQ(GetHeaderField(Headers, "Subject"), "first part second part third");
  EXPECT_EQ(GetHeaderField(Headers, "To"), "a@b.c not the subject");
  // A field folded straight after its name gains no leading blank.
  EXPECT_EQ(GetHeaderField({"X-Priority:", " 1"}, "X-Priority"), "1");
}

TEST(GetHeaderField, ContentTypeAndUidlComeBackWholeAndUndecoded) {
  const std::string Boundary(400, 'b');
  const TStringList Headers = {"Content-Type: multipart/mixed; boundary=\"" + Boundary + "\"",
                               "X-UIDL: =?utf-8?Q?not_a_word?=" + std::string(300, 'u')};
  EXPECT_EQ(GetHeaderField(Headers, "Content-type"), "multipart/mixed; boundary=\"" + Boundary + "\"");
  EXPECT_EQ(GetHeaderField(Headers, "x-uidl:"), "=?utf-8?Q?not_a_word?=" + std::string(300, 'u'));
}

TEST(GetHeaderField, OtherValuesAreDecodedAndCutTo255BytesOnACharacterBoundary) {
  EXPECT_EQ(GetHeaderField({"Subject: =?utf-8?Q?Caf=C3=A9_noir?= and more"}, "Subject"),
            "Caf\xC3\xA9 noir and more");
  EXPECT_EQ(GetHeaderField({"Subject: " + std::string(300, 's')}, "Subject"), std::string(255, 's'));
  // 200 two-byte characters: the 128th would straddle byte 255.
  EXPECT_EQ(GetHeaderField({"Subject: " + Accents(200)}, "Subject"), Accents(127));
}

TEST(GetHeaderField, ALongEncodedValueIsDecodedBeforeItIsCut) {
  // 4 words of 40 characters: 160 characters, 320 bytes, over 1000 raw bytes.
  std::string Raw = "Subject: ";
  for (int I = 0; I < 4; ++I) Raw += (I ? " " : "") + EncodedAccents(40);
  const std::string Value = GetHeaderField({Raw}, "Subject");
  EXPECT_EQ(Value, Accents(127));
  // A short one, longer than 255 bytes only in its encoded form.
  std::string Short = "Subject: ";
  for (int I = 0; I < 10; ++I) Short += (I ? " " : "") + EncodedAccents(5);
  EXPECT_EQ(GetHeaderField({Short}, "Subject"), Accents(50));
}

TEST(GetHeaderField, AMalformedEncodedWordKeepsTheTextAsReceived) {
  const std::string Raw = "=?utf-8?B?@@ bad base64 @@?= tail";
  std::string Value;
  EXPECT_NO_THROW(Value = GetHeaderField({"Subject: " + Raw}, "Subject"));
  EXPECT_EQ(Value, Raw);
}

TEST(GetHeaderAddresses, TheNameIsAPrefixWithoutColon) {
  // Callers pass "TO": any field whose name begins with those letters counts.
  TStringList Addresses;
  GetHeaderAddresses({"Toolbar: x", "From: f@x", "to: a@x"}, "TO", Addresses);
  EXPECT_EQ(Addresses, (TStringList{"x", "a@x"}));
}

TEST(GetHeaderAddresses, ACommaInsideQuotesDoesNotSplit) {
  TStringList Addresses;
  GetHeaderAddresses({"To: \"Smith, John\" <js@x.org>, b@y.org"}, "TO", Addresses);
  EXPECT_EQ(Addresses, (TStringList{"\"Smith, John\" <js@x.org>", "b@y.org"}));

  GetHeaderAddresses({"To: a@x.org,", "  \"Smith, John\" <js@x.org>, b@y.org", "Subject: s"}, "TO", Addresses);
  EXPECT_EQ(Addresses, (TStringList{"a@x.org", "\"Smith, John\" <js@x.org>", "b@y.org"}));
}

TEST(GetHeaderAddresses, EveryFieldOfTheNameContributesInOrder) {
  const TStringList Headers = {"To: a@x", "Cc: c1@x, c2@x", "Subject: s", "To: b@x,", "\tc@x"};
  TStringList Addresses = {"left over"};
  GetHeaderAddresses(Headers, "TO", Addresses);
  EXPECT_EQ(Addresses, (TStringList{"a@x", "b@x", "c@x"}));
  GetHeaderAddresses(Headers, "CC", Addresses);
  EXPECT_EQ(Addresses, (TStringList{"c1@x", "c2@x"}));
  GetHeaderAddresses(Headers, "BCC", Addresses);
  EXPECT_TRUE(Addresses.empty());
}

TEST(GetHeaderAddresses, EmptyPiecesBetweenCommasStayAndATrailingCommaAddsNone) {
  TStringList Addresses;
  GetHeaderAddresses({"To: a@x, ,b@x,  "}, "TO", Addresses);
  EXPECT_EQ(Addresses, (TStringList{"a@x", "", "b@x"}));
  GetHeaderAddresses({"To:"}, "TO", Addresses);
  EXPECT_TRUE(Addresses.empty());
}

TEST(GetHeaderAddresses, LinesWithoutColonContinueTheField) {
  // Unfolded continuation lines (no leading blank) still belong to the field.
  TStringList Addresses;
  GetHeaderAddresses({"To: a@x,", "b@x", "c@x", "Subject: s", "d@x"}, "TO", Addresses);
  EXPECT_EQ(Addresses, (TStringList{"a@x", "b@x", "c@x"}));
}

TEST(GetHeaderAddresses, AFoldedLineWithAColonInAQuotedNameIsNotLost) {
  TStringList Addresses;
  GetHeaderAddresses({"To: a@x,", " \"Sales: Team\" <sales@x>", "Subject: s"}, "TO", Addresses);
  EXPECT_EQ(Addresses, (TStringList{"a@x", "\"Sales: Team\" <sales@x>"}));
}

TEST(GetHeaderAddresses, AGroupGivesItsMembersOnly) {
  TStringList Out;
  GetHeaderAddresses({"To: undisclosed-recipients:;", "Cc: Team: a@example.org, \"B: b\" <b@example.org>;, c@example.org",
                      " , Empty:;"},
                     "TO", Out);
  EXPECT_TRUE(Out.empty());
  GetHeaderAddresses({"To: undisclosed-recipients:;", "Cc: Team: a@example.org, \"B: b\" <b@example.org>;, c@example.org",
                      " , Empty:;"},
                     "CC", Out);
  EXPECT_EQ(Out, (TStringList{"a@example.org", "\"B: b\" <b@example.org>", "c@example.org", ""}));
}

TEST(GetHeaderAddresses, AMatchingLineWithoutColonEndsTheWalk) {
  TStringList Addresses;
  GetHeaderAddresses({"To: a@x", "Subject: s", "TOKEN", "To: b@x"}, "TO", Addresses);
  EXPECT_EQ(Addresses, (TStringList{"a@x"}));
}

TEST(GetHeaderAddresses, PiecesAreKeptAsReceived) {
  // Decoding and cutting belong to the address parser: decoded first, a
  // word could supply the address; cut first, a long name loses it.
  TStringList Addresses;
  GetHeaderAddresses({"To: =?utf-8?Q?J=C3=B6rg?= <j@x>, " + std::string(300, 'z')}, "TO", Addresses);
  EXPECT_EQ(Addresses, (TStringList{"=?utf-8?Q?J=C3=B6rg?= <j@x>", std::string(300, 'z')}));
}

TEST(GetHeaderAddresses, UnbalancedQuotesAndOddBytesAreKept) {
  TStringList Addresses;
  // An unclosed quote protects the rest of its line only.
  GetHeaderAddresses({"To: \"Open, quote <o@x>, p@x", " q@x, r@x"}, "TO", Addresses);
  EXPECT_EQ(Addresses, (TStringList{"\"Open, quote <o@x>, p@x", "q@x", "r@x"}));
  // A 0xFF byte in a name is data, not a stand-in for a comma.
  GetHeaderAddresses({"To: \"A\xFF, B\" <ab@x>, c\xFF@x"}, "TO", Addresses);
  EXPECT_EQ(Addresses, (TStringList{"\"A\xFF, B\" <ab@x>", "c\xFF@x"}));
}

TEST(DeleteHeaderField, RemovesTheFirstFieldWithItsContinuationLines) {
  TStringList Headers = {"Subject: one", " more", "\tand more", "X-A: a", "Subject: two", " tail"};
  DeleteHeaderField(Headers, "subject");
  EXPECT_EQ(Headers, (TStringList{"X-A: a", "Subject: two", " tail"}));
  DeleteHeaderField(Headers, "X");  // no field of that name: nothing happens
  DeleteHeaderField(Headers, "SUBJECT:");
  EXPECT_EQ(Headers, (TStringList{"X-A: a"}));
}

TEST(GetParameter, ReadsQuotedAndPlainValues) {
  EXPECT_EQ(GetParameter("boundary", "multipart/mixed; boundary=\"----=_NextPart_000_0001_01BE.5F\""),
            "----=_NextPart_000_0001_01BE.5F");
  EXPECT_EQ(GetParameter("charset", "text/plain; charset=us-ascii"), "us-ascii");
  EXPECT_EQ(GetParameter("CHARSET", "text/plain; Charset=ISO-8859-1; format=flowed"), "ISO-8859-1");
  EXPECT_EQ(GetParameter("name", "application/octet-stream; name=\"a b.doc\";"), "a b.doc");
  // Names are compared whole: "name" is not found inside "filename".
  EXPECT_EQ(GetParameter("name", "attachment; filename=\"report.pdf\""), "");
  EXPECT_EQ(GetParameter("boundary", "multipart/mixed; x-boundary=no; boundary=yes"), "yes");
  EXPECT_EQ(GetParameter("charset", "text/plain"), "");
  EXPECT_EQ(GetParameter("", "text/plain; charset=x"), "");
}

TEST(GetParameter, Rfc2231AndEncodedWordFileNames) {
  EXPECT_EQ(GetFileNameParameter("filename", "attachment; filename*=UTF-8''na%C3%AFve%20plan.txt"), "na\xC3\xAFve plan.txt");
  EXPECT_EQ(GetFileNameParameter("filename", "attachment; filename*0*=iso-8859-1'fr'r%E9sum;\r\n filename*1=\"e final.pdf\""),
            "r\xC3\xA9sume final.pdf");
  // The extended form is taken before the plain one written for old readers.
  EXPECT_EQ(GetFileNameParameter("filename", "attachment; filename=\"old.txt\"; filename*=utf-8''new.txt"), "new.txt");
  EXPECT_EQ(GetFileNameParameter("name", "text/plain; name=\"=?utf-8?B?bmHDr3ZlLnR4dA==?=\""), "na\xC3\xAFve.txt");
  EXPECT_EQ(GetFileNameParameter("name", "text/plain; name=\"caf\xE9.txt\""), "caf\xC3\xA9.txt");
}

TEST(GetParameter, APlainValueEndsAtTheNextParameter) {
  EXPECT_EQ(GetParameter("boundary", "multipart/mixed;boundary=abc;charset=x"), "abc");
  EXPECT_EQ(GetParameter("charset", "text/plain;charset=utf-8;format=flowed"), "utf-8");
  EXPECT_EQ(GetParameter("charset", "text/plain; charset=us-ascii;"), "us-ascii");
}

TEST(GetParameter, BlanksAroundTheEqualsSignAreAllowed) {
  EXPECT_EQ(GetParameter("charset", "text/plain; charset = \"utf-8\""), "utf-8");
  EXPECT_EQ(GetParameter("charset", "text/plain; charset =utf-8"), "utf-8");
}

TEST(GetParameter, BrokenValuesGiveWhatIsThere) {
  EXPECT_EQ(GetParameter("name", "x; name=\"unclosed value"), "unclosed value");
  for (const char* Value : {"x; name=", "x; name", "x; name=\""}) EXPECT_EQ(GetParameter("name", Value), "") << Value;
}

TEST(GetMediaType, TakesTheTextBeforeTheParameters) {
  EXPECT_EQ(GetMediaType("text/plain; charset=us-ascii"), "text/plain");
  EXPECT_EQ(GetMediaType("multipart/mixed;boundary=x"), "multipart/mixed");
  EXPECT_EQ(GetMediaType("  image/gif  "), "image/gif");
  EXPECT_EQ(GetMediaType("text/html"), "text/html");
  EXPECT_EQ(GetMediaType(""), "");
  EXPECT_EQ(GetMediaType(";"), "");
}

TEST(StripQuotes, RemovesOuterBlanksAndQuotesOnly) {
  EXPECT_EQ(StripQuotes("  \"John Smith\"  "), "John Smith");
  EXPECT_EQ(StripQuotes("\"\"twice\"\""), "twice");
  EXPECT_EQ(StripQuotes("\" inner blanks \""), " inner blanks ");
  EXPECT_EQ(StripQuotes("say \"hi\" now"), "say \"hi\" now");
  EXPECT_EQ(StripQuotes("\""), "");
  EXPECT_EQ(StripQuotes("   "), "");
  EXPECT_EQ(StripQuotes(""), "");
}

TEST(HeaderFields, HugeAndHostileInputIsHandled) {
  const std::string Quotes(1 << 20, '"');
  const std::string Commas(1 << 20, ',');
  std::string Words;
  for (int I = 0; I < 50000; ++I) Words += "=?utf-8?Q?abcdefghijklmnopqrstuvwxyz?= ";
  TStringList Addresses;
  EXPECT_NO_THROW(GetHeaderAddresses({"To: " + Quotes, "To: " + Commas}, "TO", Addresses));
  // The quoted line is one piece; every comma of the second ends an empty one.
  EXPECT_EQ(Addresses.size(), 1u + Commas.size());
  EXPECT_TRUE(Addresses.front() == Quotes);
  EXPECT_EQ(GetHeaderField({"Subject: " + Words}, "Subject").size(), 255u);
  EXPECT_EQ(GetParameter("name", "x; name=\"" + Quotes), "");
  EXPECT_EQ(StripQuotes(Quotes), "");
}
