#include "maillib/mime/nbencoder.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "maillib/message/nbmsg.h"
#include "maillib/mime/base64.h"
#include "maillib/mime/headerwords.h"
#include "maillib/mime/uuencode.h"
#include "maillib/transport/tempfilestream.h"
#include "platform/runtime/streams.h"

namespace {

// Adds an attachment with the given type and encoding, whatever the
// machine registers for its extension.
TnbAttItem& Attach(TnbCustomMessage& M, const std::string& FileName, const std::string& Type,
                   TTransferEncoding Encoding, const std::string& Bytes) {
  auto* Item = M.Attachments().AddItem(std::make_unique<TnbAttItem>());
  Item->SetFileName(FileName);
  Item->SetContentType(Type);
  Item->TransferEncoding = Encoding;
  Item->Data.WriteString(Bytes);
  return *Item;
}

std::string Save(TnbCustomMessage& M) {
  TMemoryStream Stream;
  M.SaveToStream(Stream);
  return std::string(Stream.View());
}

// The text with each boundary replaced by B1, B2, ... in order of first
// appearance, so that whole messages can be compared.
std::string WithNamedBoundaries(std::string Text) {
  const std::regex Boundary("boundary=\"([0-8]{8})\"");
  int N = 0;
  for (std::smatch M; std::regex_search(Text, M, Boundary);) {
    const std::string Value = M[1];
    const std::string Name = "B" + std::to_string(++N);
    for (std::size_t P; (P = Text.find(Value)) != std::string::npos;) Text.replace(P, Value.size(), Name);
  }
  return Text;
}

// The header block's lines (before the first empty line).
std::vector<std::string> HeaderLines(const std::string& Text) {
  std::vector<std::string> Lines;
  std::size_t Start = 0;
  for (;;) {
    const std::size_t End = Text.find("\r\n", Start);
    if (End == std::string::npos || End == Start) break;
    Lines.push_back(Text.substr(Start, End - Start));
    Start = End + 2;
  }
  return Lines;
}

void BasicMessage(TnbMessage& M) {
  M.Sender().SetName("Ann Smith");
  M.Sender().SetAddress("ann@example.org");
  M.Recipients().AddAddress("bob@example.com", "Bob");
  M.SetSubject("Hello");
}

const char* const BasicHeaders =
    "From:     Ann Smith <ann@example.org>\r\n"
    "To:       Bob <bob@example.com>\r\n"
    "Subject: Hello\r\n"
    "Mime-Version: 1.0\r\n";

}  // namespace

TEST(MessageEncoderHeaders, WritesAddressFieldsPriorityAndCallersHeadersInOrder) {
  TnbMessage M;
  M.Sender().SetName("J. Doe");
  M.Sender().SetAddress("jd@example.org");
  M.Recipients().AddAddress("a@x.org", "Alpha");
  M.Recipients().AddAddress("b@x.org", "");
  M.Recipients().AddAddress("c@x.org", "\"Gamma. G\"");
  M.CC().AddAddress("cc@x.org", "Doe, Jane");
  M.BCC().AddAddress("hidden@x.org", "Hidden");
  M.ReturnReceipt = true;
  M.Priority = TPriority::ptHigh;
  M.Headers() = {"Date: Tue, 1 Dec 2026 10:00:00 +0000",
                 "Subject: old",
                 " continued",
                 "Content-Type: multipart/mixed;",
                 "\tboundary=\"zz\"",
                 "content-type: text/html",
                 "X-Mailer: test"};
  M.SetSubject("Hi");
  M.Body() = {"Line one", "", "Line three"};
  EXPECT_EQ(Save(M),
            "From:     \"J. Doe\" <jd@example.org>\r\n"
            "To:       Alpha <a@x.org>,\r\n"
            "           <b@x.org>,\r\n"
            "          \"Gamma. G\" <c@x.org>\r\n"
            "CC:       \"Doe, Jane\" <cc@x.org>\r\n"
            "Return-Receipt-To: <jd@example.org>\r\n"
            "X-Priority: 1\r\n"
            "Date: Tue, 1 Dec 2026 10:00:00 +0000\r\n"
            "X-Mailer: test\r\n"
            "Subject: Hi\r\n"
            "Mime-Version: 1.0\r\n"
            "Content-Type: text/plain; charset=\"us-ascii\"\r\n"
            "Content-Transfer-Encoding: 7bit\r\n"
            "\r\n"
            "Line one\r\n"
            "\r\n"
            "Line three\r\n");
  // The message the caller holds is not changed by writing it.
  EXPECT_EQ(M.Headers().size(), 7u);
}

TEST(MessageEncoderHeaders, LowPriorityNoListsAndEmptySubject) {
  TnbMessage M;
  M.Sender().SetAddress("a@x.org");
  M.BCC().AddAddress("b@x.org", "B");
  M.Priority = TPriority::ptLow;
  M.Body() = {"x"};
  const std::string Text = Save(M);
  EXPECT_EQ(HeaderLines(Text), (std::vector<std::string>{"From:      <a@x.org>", "X-Priority: 5", "Mime-Version: 1.0",
                                                         "Content-Type: text/plain; charset=\"us-ascii\"",
                                                         "Content-Transfer-Encoding: 7bit"}));
  EXPECT_EQ(Text.find("b@x.org"), std::string::npos);
}

TEST(MessageEncoderHeaders, InjectedLineBreaksNeverStartHeaderLines) {
  TnbMessage M;
  M.Sender().SetName("Eve\r\nX-Evil: name");
  M.Sender().SetAddress("eve@x.org\r\nX-Evil: address");
  M.Recipients().AddAddress("bob@x.org\nBcc: spy@x.org", "Bob\rX-Evil: to");
  M.SetSubject("Hi\r\nBcc: spy2@x.org\r\n\r\nbody");
  M.Headers() = {" orphan continuation", "X-Ok: 1\r\nX-Evil: raw", "", "X-Evil: after empty line",
                 "not a field line", "X-Also: kept", std::string("X-Nul: a\0X-Evil: nul", 20)};
  M.Body() = {"text"};
  const std::string Text = Save(M);
  const std::vector<std::string> Lines = HeaderLines(Text);
  std::vector<std::string> Fields;
  for (const std::string& Line : Lines) {
    ASSERT_FALSE(Line.empty());
    if (Line.front() == ' ' || Line.front() == '\t') continue;
    Fields.push_back(Line.substr(0, Line.find(':')));
  }
  // The fields of a message with these properties and nothing else; the
  // injected texts stay inside the values they were given in.
  EXPECT_EQ(Fields, (std::vector<std::string>{"From", "To", "X-Ok", "X-Evil", "X-Also", "X-Nul", "Subject",
                                              "Mime-Version", "Content-Type", "Content-Transfer-Encoding"}));
  EXPECT_NE(std::find(Lines.begin(), Lines.end(), "X-Ok: 1 X-Evil: raw"), Lines.end());
  EXPECT_NE(std::find(Lines.begin(), Lines.end(), "X-Evil: after empty line"), Lines.end());
  EXPECT_EQ(Lines[0], "From:     \"Eve X-Evil: name\" <eve@x.orgX-Evil: address>");
  EXPECT_EQ(Lines[1], "To:       \"Bob X-Evil: to\" <bob@x.orgBcc: spy@x.org>");
  EXPECT_NE(std::find(Lines.begin(), Lines.end(), "Subject: Hi Bcc: spy2@x.org  body"), Lines.end());
  EXPECT_NE(Text.find("\r\n\r\ntext\r\n"), std::string::npos);
}

TEST(MessageEncoderHeaders, NonAsciiTextBecomesEncodedWordsThatDecodeBack) {
  TnbMessage M;
  BasicMessage(M);
  M.Sender().SetName("Jürgen Weiß");
  const std::string Subject =
      "Grüße aus Köln — 日本語のテキスト, a subject long enough to need several encoded words in a row";
  M.SetSubject(Subject);
  M.Body() = {"x"};
  const std::string Text = Save(M);
  const std::vector<std::string> Lines = HeaderLines(Text);
  for (const std::string& Line : Lines) {
    for (const char C : Line) EXPECT_LT(static_cast<unsigned char>(C), 0x80u) << Line;
  }
  EXPECT_EQ(Lines[0], "From:     =?utf-8?B?" + EncodeBase64Line("Jürgen Weiß") + "?= <ann@example.org>");
  // The subject: a field line and continuation lines, each word whole.
  std::string Value;
  std::size_t I = 0;
  while (Lines[I].rfind("Subject: ", 0) != 0) ++I;
  Value = Lines[I].substr(9);
  int Words = 1;
  for (++I; I < Lines.size() && Lines[I].front() == ' '; ++I, ++Words) Value += Lines[I];
  EXPECT_GT(Words, 2);
  const std::regex Word("=\\?utf-8\\?B\\?[A-Za-z0-9+/=]+\\?=");
  for (std::sregex_iterator It(Value.begin(), Value.end(), Word), End; It != End; ++It)
    EXPECT_LE(It->length(), 75);
  EXPECT_EQ(DecodeHeaderWords(Value), Subject);
}

TEST(MessageEncoderHeaders, Latin1WordsWhenTheMessageAsksAndEveryCharacterFits) {
  TnbMessage M;
  BasicMessage(M);
  M.CharSet = TCharSet::csISO8859;
  M.SetSubject("Café");
  M.Body() = {"x"};
  EXPECT_NE(Save(M).find("Subject: =?iso-8859-1?B?" + EncodeBase64Line("Caf\xE9") + "?=\r\n"), std::string::npos);
  M.SetSubject("Café €5");
  EXPECT_NE(Save(M).find("Subject: =?utf-8?B?" + EncodeBase64Line("Café €5") + "?=\r\n"), std::string::npos);
}

TEST(MessageEncoderText, LongLinesAndCharacterSetsChooseTheTransferEncoding) {
  const char* const QP = "Content-Transfer-Encoding: quoted-printable\r\n\r\n";
  const struct {
    TStringList Body;
    TCharSet CharSet;
    std::string Part;  // what follows the basic headers, or with Whole false a part of the text
    bool Whole;
  } Cases[] = {
      {{std::string(300, 'a')}, TCharSet::csUSASCII,
       "Content-Type: text/plain; charset=\"us-ascii\"\r\n" + std::string(QP) + std::string(65, 'a') + "=\r\n", false},
      {{"Grüße", "€"}, TCharSet::csISO8859,
       "Content-Type: text/plain; charset=\"utf-8\"\r\n" + std::string(QP) + "Gr=C3=BC=C3=9Fe\r\n=E2=82=AC\r\n", true},
      {{"Grüße", "a=b"}, TCharSet::csISO8859,
       "Content-Type: text/plain; charset=\"iso-8859-1\"\r\n" + std::string(QP) + "Gr=FC=DFe\r\na=3Db\r\n", true},
      // 8-bit text never travels labelled as 7-bit ASCII.
      {{"Grüße", "a=b"}, TCharSet::csUSASCII, "charset=\"utf-8\"\r\n" + std::string(QP) + "Gr=C3=BC=C3=9Fe\r\n", false},
      {{"plain"}, TCharSet::csISO2022jp,
       "charset=\"iso-2022-jp\"\r\nContent-Transfer-Encoding: 7bit\r\n\r\nplain\r\n", false}};
  for (const auto& Case : Cases) {
    TnbMessage M;
    BasicMessage(M);
    M.Body() = Case.Body;
    M.CharSet = Case.CharSet;
    const std::string Text = Save(M);
    if (Case.Whole) EXPECT_EQ(Text, BasicHeaders + Case.Part);
    else EXPECT_NE(Text.find(Case.Part), std::string::npos) << Case.Part;
    for (std::size_t P = 0, E; (E = Text.find("\r\n", P)) != std::string::npos; P = E + 2) EXPECT_LE(E - P, 76u);
  }
}

TEST(MessageEncoderText, DotLinesAreWrittenAsTheyAreAndTheBodyIsLeftAlone) {
  TnbMessage M;
  BasicMessage(M);
  M.Body() = {".", "..", ".hidden", "end"};
  const TStringList Before = M.Body();
  EXPECT_EQ(Save(M), std::string(BasicHeaders) +
                         "Content-Type: text/plain; charset=\"us-ascii\"\r\n"
                         "Content-Transfer-Encoding: 7bit\r\n\r\n"
                         ".\r\n..\r\n.hidden\r\nend\r\n");
  EXPECT_EQ(M.Body(), Before);
  // Embedded breaks become proper line ends; a NUL ends its line.
  M.Body() = {"a\nb\rc", std::string("d\0gone", 6)};
  EXPECT_NE(Save(M).find("\r\n\r\na\r\nb\r\nc\r\nd\r\n"), std::string::npos);
}

TEST(MessageEncoderText, HtmlBodyIsQuotedPrintableWithItsCharset) {
  TnbMessage M;
  BasicMessage(M);
  M.Body() = {"<p>a=b</p>", "<p>.</p>"};
  M.SetContentType("text/html");
  const TStringList Before = M.Body();
  EXPECT_EQ(Save(M), std::string(BasicHeaders) +
                         "Content-Type: text/html\r\n"
                         "Content-Transfer-Encoding: quoted-printable\r\n\r\n"
                         "<p>a=3Db</p>\r\n<p>.</p>\r\n");
  EXPECT_EQ(M.Body(), Before);
  M.CharSet = TCharSet::csISO8859;
  M.SetContentType("text/rtf");
  EXPECT_NE(Save(M).find("Content-Type: text/rtf; charset=\"iso-8859-1\"\r\n"), std::string::npos);
}

TEST(MessageEncoderAttachments, SingleAttachmentIsTheWholeBody) {
  TnbMessage M;
  BasicMessage(M);
  Attach(M, "/home/u/page.html", "text/html", TTransferEncoding::teQuotedPrintable, "<b>x</b>\r\n");
  EXPECT_EQ(Save(M), std::string(BasicHeaders) +
                         "Content-Type: text/html; name=\"page.html\"\r\n"
                         "Content-Transfer-Encoding: Quoted-Printable\r\n"
                         "Content-Disposition: attachment; filename=\"page.html\"\r\n\r\n"
                         "<b>x</b>\r\n");

  TnbMessage Html;
  BasicMessage(Html);
  Attach(Html, "C:\\tmp\\_HTMBODY.HTM", "text/html", TTransferEncoding::teQuotedPrintable, "<i>y</i>");
  EXPECT_EQ(Save(Html), std::string(BasicHeaders) +
                            "Content-Type: text/html\r\n"
                            "Content-Transfer-Encoding: Quoted-Printable\r\n\r\n"
                            "<i>y</i>=\r\n");  // no line break was there to read back
}

TEST(MessageEncoderAttachments, SevenBitDataKeepsDotLinesAndWhatCannotTravelAsLinesIsBase64) {
  TnbMessage M;
  BasicMessage(M);
  Attach(M, "fwd.eml", "message/rfc822", TTransferEncoding::te7Bit, "Subject: x\r\n\r\nbody\r\n.\r\n.\r\nlast\r\n");
  EXPECT_EQ(Save(M), std::string(BasicHeaders) +
                         "Content-Type: message/rfc822; name=\"fwd.eml\"\r\n"
                         "Content-Transfer-Encoding: 7bit\r\n"
                         "Content-Disposition: attachment; filename=\"fwd.eml\"\r\n\r\n"
                         "Subject: x\r\n\r\nbody\r\n.\r\n.\r\nlast\r\n");
  // 8-bit bytes, a bare line feed, a missing final line break or a line
  // longer than SMTP's 998 would not come back as they are: such a message
  // travels as a file in base64.
  const auto Saved = [&M](const std::string& Bytes) {
    M.Attachments().Items(0).Data.Clear();
    M.Attachments().Items(0).Data.WriteString(Bytes);
    return Save(M);
  };
  for (const std::string& Bytes : {std::string("Subject: \xC3\xA9\r\n"), std::string("a\nb\r\n"), std::string("last"),
                                   std::string(999, 'x') + "\r\n", "x\r\n" + std::string(1000, 'x') + "\r\n"})
    EXPECT_NE(Saved(Bytes).find("Content-Type: application/octet-stream; name=\"fwd.eml\"\r\n"
                                "Content-Transfer-Encoding: Base64\r\n"),
              std::string::npos)
        << Bytes.substr(0, 20);
  EXPECT_NE(Saved(std::string(998, 'x') + "\r\n").find("7bit\r\n"), std::string::npos);
}

TEST(MessageEncoderAttachments, Base64LinesOf57BytesAndTheEmptyFinalLine) {
  std::string Bytes;
  for (int I = 0; I < 114; ++I) Bytes += static_cast<char>(I * 7);
  TnbMessage M;
  BasicMessage(M);
  Attach(M, "d.bin", "application/octet-stream", TTransferEncoding::teBase64, Bytes);
  std::string Text = Save(M);
  EXPECT_NE(Text.find("\r\n\r\n" + EncodeBase64Line(Bytes.substr(0, 57)) + "\r\n" +
                      EncodeBase64Line(Bytes.substr(57)) + "\r\n\r\n"),
            std::string::npos);
  EXPECT_EQ(Text.substr(Text.size() - 4), "\r\n\r\n");
  // A short last block ends the data without an empty line.
  M.Attachments().Items(0).Data.SetSize(60);
  Text = Save(M);
  const std::string Last = EncodeBase64Line(Bytes.substr(0, 57)) + "\r\n" + EncodeBase64Line(Bytes.substr(57, 3)) + "\r\n";
  ASSERT_GT(Text.size(), Last.size() + 4);
  EXPECT_EQ(Text.substr(Text.size() - Last.size() - 4), "\r\n\r\n" + Last);
}

TEST(MessageEncoderMultipart, TextAndOneImage) {
  TnbMessage M;
  BasicMessage(M);
  M.Body() = {"See the picture."};
  Attach(M, "/pics/a.gif", "image/gif", TTransferEncoding::teBase64, "GIF89a");
  const std::string Text = Save(M);
  EXPECT_TRUE(std::regex_search(Text, std::regex("boundary=\"[0-8]{8}\"\r\n")));
  EXPECT_EQ(WithNamedBoundaries(Text), std::string(BasicHeaders) +
                                           "Content-Type: multipart/mixed; boundary=\"B1\"\r\n"
                                           "\r\n"
                                           "This is a multipart message in MIME format\r\n"
                                           "\r\n"
                                           "--B1\r\n"
                                           "Content-Type: text/plain; charset=\"us-ascii\"\r\n"
                                           "Content-Transfer-Encoding: 7bit\r\n"
                                           "\r\n"
                                           "See the picture.\r\n"
                                           "\r\n"
                                           "--B1\r\n"
                                           "Content-Type: image/gif; name=\"a.gif\"\r\n"
                                           "Content-Transfer-Encoding: Base64\r\n"
                                           "Content-Disposition: attachment; filename=\"a.gif\"\r\n"
                                           "\r\n"
                                           "R0lGODlh\r\n"
                                           "\r\n"
                                           "--B1--\r\n");
}

TEST(MessageEncoderMultipart, AlternativesGoInANestedGroupBeforeTheAttachments) {
  TnbMessage M;
  BasicMessage(M);
  M.Body() = {"plain"};
  Attach(M, "_alt.0", "text/html", TTransferEncoding::teQuotedPrintable, "<p>rich</p>");
  Attach(M, "two.txt", "text/plain", TTransferEncoding::teQuotedPrintable, "second");
  Attach(M, "three.txt", "text/plain", TTransferEncoding::teQuotedPrintable, "third");
  EXPECT_EQ(WithNamedBoundaries(Save(M)), std::string(BasicHeaders) +
                                              "Content-Type: multipart/mixed; boundary=\"B1\"\r\n"
                                              "\r\n"
                                              "This is a multipart message in MIME format\r\n"
                                              "\r\n"
                                              "--B1\r\n"
                                              "Content-Type:  multipart/alternative; boundary=\"B2\"\r\n"
                                              "Content-Transfer-Encoding: 7bit\r\n"
                                              "\r\n"
                                              "--B2\r\n"
                                              "Content-Type: text/plain; charset=\"us-ascii\"\r\n"
                                              "Content-Transfer-Encoding: 7bit\r\n"
                                              "\r\n"
                                              "plain\r\n"
                                              "\r\n"
                                              "--B2\r\n"
                                              "Content-Type: text/html\r\n"
                                              "Content-Transfer-Encoding: Quoted-Printable\r\n"
                                              "\r\n"
                                              "<p>rich</p>=\r\n"
                                              "\r\n"
                                              "--B2--\r\n"
                                              "--B1\r\n"
                                              "Content-Type: text/plain; name=\"two.txt\"\r\n"
                                              "Content-Transfer-Encoding: Quoted-Printable\r\n"
                                              "Content-Disposition: attachment; filename=\"two.txt\"\r\n"
                                              "\r\n"
                                              "second=\r\n"
                                              "\r\n"
                                              "--B1\r\n"
                                              "Content-Type: text/plain; name=\"three.txt\"\r\n"
                                              "Content-Transfer-Encoding: Quoted-Printable\r\n"
                                              "Content-Disposition: attachment; filename=\"three.txt\"\r\n"
                                              "\r\n"
                                              "third=\r\n"
                                              "\r\n"
                                              "--B1--\r\n");
}

TEST(MessageEncoderMultipart, OnlyAlternativesMakeOneFlatGroup) {
  TnbMessage M;
  BasicMessage(M);
  Attach(M, "_alt.0", "text/plain", TTransferEncoding::teQuotedPrintable, "a");
  Attach(M, "_alt.1", "text/html", TTransferEncoding::teQuotedPrintable, "<b>a</b>");
  EXPECT_EQ(WithNamedBoundaries(Save(M)), std::string(BasicHeaders) +
                                              "Content-Type: multipart/alternative; boundary=\"B1\"\r\n"
                                              "\r\n"
                                              "This is a multipart message in MIME format\r\n"
                                              "\r\n"
                                              "--B1\r\n"
                                              "Content-Type: text/plain\r\n"
                                              "Content-Transfer-Encoding: Quoted-Printable\r\n"
                                              "\r\n"
                                              "a=\r\n"
                                              "\r\n"
                                              "--B1\r\n"
                                              "Content-Type: text/html\r\n"
                                              "Content-Transfer-Encoding: Quoted-Printable\r\n"
                                              "\r\n"
                                              "<b>a</b>=\r\n"
                                              "\r\n"
                                              "--B1--\r\n");
}

TEST(MessageEncoderMultipart, BodyFileFirstAndEveryMultipartIsClosed) {
  TnbMessage M;
  BasicMessage(M);
  Attach(M, "_htmbody.htm", "text/html", TTransferEncoding::teQuotedPrintable, "<p>x</p>");
  Attach(M, "we \"quoted\".gif", "image/gif", TTransferEncoding::teBase64, "");
  const std::string Text = WithNamedBoundaries(Save(M));
  EXPECT_NE(Text.find("--B1\r\nContent-Type: text/html\r\nContent-Transfer-Encoding: Quoted-Printable\r\n\r\n"),
            std::string::npos);
  EXPECT_NE(Text.find("Content-Type: image/gif; name=\"we \\\"quoted\\\".gif\"\r\n"), std::string::npos);
  EXPECT_EQ(Text.substr(Text.size() - 8), "--B1--\r\n");

  // A caller's multipart type on a bare body still ends with its closing line.
  TnbMessage Bare;
  BasicMessage(Bare);
  Bare.Body() = {"only text"};
  Bare.SetContentType("multipart/mixed");
  const std::string BareText = WithNamedBoundaries(Save(Bare));
  EXPECT_NE(BareText.find("\r\n\r\nonly text\r\n\r\n--B1--\r\n"), std::string::npos);
}

TEST(MessageEncoderUU, PlainBodyThenUuencodedBlocksWithoutMimeLines) {
  TnbMessage M;
  BasicMessage(M);
  M.Encoding = TMsgEncoding::meUU;
  M.Body() = {"Hello", "."};
  Attach(M, "/tmp/cat.txt", "text/plain", TTransferEncoding::teQuotedPrintable, "Cat");
  Attach(M, "full.bin", "application/octet-stream", TTransferEncoding::teBase64, std::string(45, 'x'));
  const std::string Full = EncodeUULine(std::string(45, 'x'));
  EXPECT_EQ(Save(M),
            "From:     Ann Smith <ann@example.org>\r\n"
            "To:       Bob <bob@example.com>\r\n"
            "Subject: Hello\r\n"
            "\r\n"
            "Hello\r\n"
            ".\r\n"
            "\r\n"
            "begin 600 cat.txt\r\n"
            "#0V%T\r\n"
            "`\r\n"
            "end\r\n"
            "\r\n"
            "begin 600 full.bin\r\n" +
                Full + "\r\n`\r\n`\r\nend\r\n");
}

TEST(ArticleEncoder, NewsHeadersWithTwoBlankSubjectAndJisName) {
  TnbArticle A;
  A.Sender().SetName("J. Doe");
  A.Sender().SetAddress("jd@x.org");
  A.NewsGroups = "comp.lang.c,alt.test\r\nControl: cancel";
  A.SetSubject("News");
  A.Headers() = {"Newsgroups: old", "Path: a!b"};
  A.Body() = {"text"};
  EXPECT_EQ(Save(A),
            "From:     J. Doe <jd@x.org>\r\n"
            "Newsgroups: comp.lang.c,alt.test Control: cancel\r\n"
            "Path: a!b\r\n"
            "Subject:  News\r\n"
            "Mime-Version: 1.0\r\n"
            "Content-Type: text/plain; charset=\"us-ascii\"\r\n"
            "Content-Transfer-Encoding: 7bit\r\n"
            "\r\n"
            "text\r\n");

  const std::string Jis = "\x1B$B$3$s\x1B(B";
  A.Sender().SetName(Jis);
  A.CharSet = TCharSet::csISO2022jp;
  EXPECT_EQ(HeaderLines(Save(A))[0], "From:     " + EncodeHeaderJIS(Jis) + " <jd@x.org>");
}

TEST(MessageEncoderStream, WritesFromTheStartAndDropsAnOldTail) {
  TnbMessage M;
  BasicMessage(M);
  M.Body() = {"short"};
  TMemoryStream Stream;
  Stream.WriteString(std::string(5000, 'z'));
  M.SaveToStream(Stream);
  const std::string Text(Stream.View());
  EXPECT_EQ(Text.rfind("From:", 0), 0u);
  EXPECT_EQ(Text.find('z'), std::string::npos);
  EXPECT_EQ(Text.substr(Text.size() - 7), "short\r\n");
}

TEST(MessageEncoderStream, AReusedFileKeepsNoOldTail) {
  TnbMessage M;
  BasicMessage(M);
  TTempFileStream File;
  M.Body() = {std::string(5000, 'z')};
  M.SaveToStream(File);
  M.Body() = {"short"};
  M.SaveToStream(File);
  File.SetPosition(0);
  std::string Text(static_cast<std::size_t>(File.Size()), '\0');
  ASSERT_EQ(File.Read(Text.data(), Text.size()), Text.size());
  EXPECT_EQ(Text.find('z'), std::string::npos);
  EXPECT_EQ(Text.substr(Text.size() - 7), "short\r\n");
}

TEST(MessageEncoderBoundary, EightDigitsZeroToEightAndFreshEachTime) {
  std::set<std::string> Seen;
  for (int I = 0; I < 20; ++I) {
    const std::string B = TnbCustomEncoder::NewBoundary();
    EXPECT_TRUE(std::regex_match(B, std::regex("[0-8]{8}"))) << B;
    Seen.insert(B);
  }
  EXPECT_EQ(Seen.size(), 20u);
}
