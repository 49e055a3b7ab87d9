#include "maillib/mime/nbdecoder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "maillib/message/nbmsg.h"
#include "maillib/mime/base64.h"
#include "maillib/mime/uuencode.h"
#include "maillib/transport/nberrors.h"
#include "maillib/message/msgtesthelpers.h"
#include "platform/runtime/textencoding.h"

namespace {

std::vector<std::string> ErrorLines(const std::string& Error) {
  return {"The following error has been occured while processing the message:", Error,
          "The original message will be stored as an attachment"};
}

std::string Bytes(const TnbAttItem& Item) { return std::string(Item.Data.View()); }

std::string RandomBytes(std::size_t N, unsigned Seed) {
  std::mt19937 Gen(Seed);
  std::string Result(N, '\0');
  for (auto& C : Result) C = static_cast<char>(Gen());
  return Result;
}

// Base64 lines of Data, 76 characters each.
std::string Base64Lines(const std::string& Data) {
  std::string Text;
  for (std::size_t I = 0; I < Data.size(); I += 57) Text += EncodeBase64Line(Data.substr(I, 57)) + "\r\n";
  return Text;
}

std::string UULines(const std::string& Data) {
  std::string Text;
  for (std::size_t I = 0; I < Data.size(); I += 45) Text += EncodeUULine(Data.substr(I, 45)) + "\r\n";
  return Text;
}

class DecoderTest : public TMimeTableFixture {
protected:
  void Load(const std::string& Raw) {
    TMemoryStream In;
    In.WriteString(Raw);
    In.SetPosition(In.Size());  // the decoder reads from the start regardless
    Msg.LoadFromStream(In);
  }
  TnbMessage Msg;
};

// --- plain messages and uuencoded blocks -----------------------------------

TEST_F(DecoderTest, PlainBodyWithUuencodedBlockGivesTextAndAttachment) {
  const std::string Data = "Hello, uuencoded world!\nsecond line of the file\n" + RandomBytes(100, 1);
  Load("From: Ann <ann@example.com>\r\nTo: bob@example.com\r\nSubject: notes\r\n\r\n"
       "See the notes.\r\n\r\nbegin 644 notes.txt\r\n" +
       UULines(Data) + "`\r\nend\r\ntrailing text that is dropped\r\n");
  EXPECT_EQ(Msg.Body(), (TStringList{"See the notes.", ""}));
  ASSERT_EQ(Msg.Attachments().Count(), 1);
  EXPECT_EQ(Msg.Attachments().Items(0).FileName(), "notes.txt");
  EXPECT_EQ(Bytes(Msg.Attachments().Items(0)), Data);
  EXPECT_EQ(Msg.Encoding, TMsgEncoding::meUU);
  EXPECT_EQ(Msg.Sender().Address(), "ann@example.com");
  EXPECT_EQ(Msg.Subject(), "notes");
  ASSERT_EQ(Msg.Recipients().Count(), 1);
}

TEST_F(DecoderTest, SeveralUuBlocksAndUnnamedBlock) {
  Load("Subject: two\r\n\r\ntext\r\nbegin 644 a.bin\r\n" + UULines("AAA") + "end\r\nbetween\r\nbegin 600 \r\n" +
       UULines("BBBB") + "END\r\n");
  EXPECT_EQ(Msg.Body(), (TStringList{"text"}));
  ASSERT_EQ(Msg.Attachments().Count(), 2);
  EXPECT_EQ(Bytes(Msg.Attachments().Items(0)), "AAA");
  EXPECT_EQ(Msg.Attachments().Items(1).FileName(), "att.1");
  EXPECT_EQ(Bytes(Msg.Attachments().Items(1)), "BBBB");
}

TEST_F(DecoderTest, MimeTextBodyWithUuencodedBlockIsReadAsPlainOnce) {
  Load("MIME-Version: 1.0\r\nTo: a@example.com\r\nContent-Type: text/plain\r\n\r\nintro\r\nbegin 644 x.dat\r\n" +
       UULines("xyz") + "`\r\nend\r\n");
  EXPECT_EQ(Msg.Body(), (TStringList{"intro"}));
  ASSERT_EQ(Msg.Attachments().Count(), 1);
  EXPECT_EQ(Bytes(Msg.Attachments().Items(0)), "xyz");
  EXPECT_EQ(Msg.Encoding, TMsgEncoding::meUU);
  EXPECT_EQ(Msg.Recipients().Count(), 1);  // not added a second time
}

TEST_F(DecoderTest, BadUuLineKeepsTextAndAttachesOriginal) {
  // The first data line decodes, so this is a block; the second does not.
  const std::string Raw = "Subject: x\r\n\r\nbefore\r\nbegin 644 a.bin\r\n" + UULines("abc") + "M~~~~\r\nend\r\n";
  Load(Raw);
  TStringList Expected{"before"};
  for (const auto& L : ErrorLines("Error decoding the attachment")) Expected.push_back(L);
  EXPECT_EQ(Msg.Body(), Expected);
  ASSERT_EQ(Msg.Attachments().Count(), 1);
  EXPECT_EQ(Msg.Attachments().Items(0).FileName(), "original.eml");
  EXPECT_EQ(Bytes(Msg.Attachments().Items(0)), Raw);
}

TEST_F(DecoderTest, TextThatOnlyLooksLikeABeginLineStaysText) {
  const TStringList Text{"Begin 2024 with the budget review.", "The rest of the text.", "BEGIN 100 BOXES", "end"};
  Load("Subject: plan\r\n\r\nBegin 2024 with the budget review.\r\nThe rest of the text.\r\nBEGIN 100 BOXES\r\nend\r\n");
  EXPECT_EQ(Msg.Body(), Text);
  EXPECT_EQ(Msg.Attachments().Count(), 0);
  EXPECT_EQ(Msg.Encoding, TMsgEncoding::meMIME);

  Msg.Clear();
  Load("MIME-Version: 1.0\r\nContent-Type: text/plain\r\n\r\nBegin 2024 with the budget review.\r\n"
       "The rest of the text.\r\nBEGIN 100 BOXES\r\nend\r\n");
  EXPECT_EQ(Msg.Body(), Text);
  EXPECT_EQ(Msg.Attachments().Count(), 0);
}

// --- single text bodies ------------------------------------------------------

TEST_F(DecoderTest, TextBodyKeepsLongLines) {
  const std::string Long(3000, 'x');
  Load("MIME-Version: 1.0\r\nContent-Type: text/plain\r\n\r\nline one\r\n" + Long + "\r\n");
  EXPECT_EQ(Msg.Body(), (TStringList{"line one", Long}));
  EXPECT_EQ(Msg.Attachments().Count(), 0);
  EXPECT_EQ(Msg.ContentType(), "text/plain");
}

TEST_F(DecoderTest, MessageWithBareLineFeeds) {
  Load("MIME-Version: 1.0\nSubject: lf\nContent-Type: multipart/mixed; boundary=\"b\"\n\n--b\n"
       "Content-Type: text/plain\n\nhello\nworld\n--b\nContent-Type: image/gif; name=\"a.gif\"\n"
       "Content-Transfer-Encoding: base64\n\n" +
       EncodeBase64Line("GIF89a") + "\n--b--\n");
  EXPECT_EQ(Msg.Subject(), "lf");
  EXPECT_EQ(Msg.Body(), (TStringList{"hello", "world"}));
  ASSERT_EQ(Msg.Attachments().Count(), 1);
  EXPECT_EQ(Bytes(Msg.Attachments().Items(0)), "GIF89a");
}

TEST_F(DecoderTest, QuotedPrintableBodyIsDecodedFromItsCharset) {
  const std::string Long(400, 'q');
  Load("MIME-Version: 1.0\r\nContent-Type: text/plain; charset=iso-8859-1\r\n"
       "Content-Transfer-Encoding: quoted-printable\r\n\r\nCaf=E9 au lait=\r\n, soft break\r\n" +
       Long + "=\r\n" + Long + "\r\nlast=3D\r\n");
  EXPECT_EQ(Msg.CharSet, TCharSet::csISO8859);
  EXPECT_EQ(Msg.Body(), (TStringList{"Caf\xC3\xA9 au lait, soft break", Long + Long, "last="}));
}

TEST_F(DecoderTest, AutoconvertedHeaderMeansQuotedPrintable) {
  Load("MIME-Version: 1.0\r\nContent-Type: text/plain\r\nContent-Transfer-Encoding: 8bit\r\n"
       "X-MIME-Autoconverted: from quoted-printable to 8bit\r\n\r\na=3Db\r\n");
  EXPECT_EQ(Msg.Body(), (TStringList{"a=b"}));
  EXPECT_EQ(Msg.CharSet, TCharSet::csISO8859);
}

TEST_F(DecoderTest, Base64BodyIsDecodedAndSplitIntoLines) {
  Load("MIME-Version: 1.0\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
       EncodeBase64Line("first\r\nsecond \xE2\x82\xAC\nthird\rfourth\r\n") + "\r\n\r\n");
  EXPECT_EQ(Msg.Body(), (TStringList{"first", "second \xE2\x82\xAC", "third", "fourth"}));
}

TEST_F(DecoderTest, EightBitTextInLatin1AndUtf8BecomesUtf8) {
  Load("MIME-Version: 1.0\r\nContent-Type: text/plain; charset=\"ISO-8859-1\"\r\n\r\nGr\xFC\xDF" "e\r\n");
  EXPECT_EQ(Msg.Body(), (TStringList{"Gr\xC3\xBC\xC3\x9F" "e"}));

  TnbMessage Utf8;
  TMemoryStream In;
  In.WriteString("MIME-Version: 1.0\r\nContent-Type: text/plain; charset=utf-8\r\n\r\nGr\xC3\xBC\xC3\x9F" "e\r\n");
  Utf8.LoadFromStream(In);
  EXPECT_EQ(Utf8.Body(), (TStringList{"Gr\xC3\xBC\xC3\x9F" "e"}));
}

TEST_F(DecoderTest, UndeclaredEightBitTextIsNeverInvalidUtf8) {
  Load("Subject: old\r\n\r\nna\xEFve\r\n");
  ASSERT_EQ(Msg.Body().size(), 1u);
  EXPECT_EQ(Msg.Body()[0], "na\xC3\xAFve");
}

TEST_F(DecoderTest, CharsetLabelsThatIconvSpellsDifferently) {
  const struct {
    const char* Label;
    std::string Bytes;
    std::string Text;
  } Cases[] = {{"ks_c_5601-1987", "\xBE\xC8\xB3\xE7", "\xEC\x95\x88\xEB\x85\x95"},
               {"iso-8859-8-i", "\xF9\xEC\xE5\xED", "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D"},
               {"x-gbk", "\xD6\xD0\xCE\xC4", "\xE4\xB8\xAD\xE6\x96\x87"},
               {"windows-874", "\xA1", "\xE0\xB8\x81"}};
  for (const auto& Case : Cases) {
    Msg.Clear();
    Load(std::string("MIME-Version: 1.0\r\nSubject: =?") + Case.Label + "?B?" + EncodeBase64Line(Case.Bytes) +
         "?=\r\nContent-Type: text/plain; charset=" + Case.Label + "\r\n\r\n" + Case.Bytes + "\r\n");
    EXPECT_EQ(Msg.Subject(), Case.Text) << Case.Label;
    EXPECT_EQ(Msg.Body(), (TStringList{Case.Text})) << Case.Label;
  }
}

TEST_F(DecoderTest, HtmlBodySetsContentType) {
  Load("MIME-Version: 1.0\r\nContent-Type: TEXT/HTML; charset=us-ascii\r\n\r\n<p>hi</p>\r\n");
  EXPECT_EQ(Msg.Body(), (TStringList{"<p>hi</p>"}));
  EXPECT_EQ(Msg.ContentType(), "text/html");
}

TEST_F(DecoderTest, BodyTypeSaysWhetherTheBodyIsHtmlAlsoBesideAttachments) {
  Load("MIME-Version: 1.0\r\nContent-Type: multipart/related; boundary=r\r\n\r\n--r\r\nContent-Type: text/html\r\n\r\n"
       "<img src=\"cid:a\">\r\n--r\r\nContent-Type: image/png\r\nContent-ID: <a>\r\n\r\npng\r\n--r--\r\n");
  EXPECT_EQ(Msg.Body(), (TStringList{"<img src=\"cid:a\">"}));
  EXPECT_EQ(Msg.ContentType(), "multipart/mixed");
  EXPECT_EQ(Msg.BodyType, "text/html");
  Msg.Clear();
  Load("MIME-Version: 1.0\r\nContent-Type: multipart/alternative; boundary=a\r\n\r\n--a\r\n"
       "Content-Type: text/plain\r\n\r\nplain\r\n--a\r\nContent-Type: text/html\r\n\r\n<p>x</p>\r\n--a--\r\n");
  EXPECT_EQ(Msg.BodyType, "text/plain");
}

TEST_F(DecoderTest, CcMailNameIsBodyButOtherNameIsAttachment) {
  Load("MIME-Version: 1.0\r\nContent-Type: text/plain; name=\"cc:Mail\"\r\n\r\nbody text\r\n");
  EXPECT_EQ(Msg.Body(), (TStringList{"body text"}));
  EXPECT_EQ(Msg.Attachments().Count(), 0);

  TnbMessage Named;
  TMemoryStream In;
  In.WriteString("MIME-Version: 1.0\r\nContent-Type: text/plain; name=\"readme.txt\"\r\n\r\nfile text\r\n");
  Named.LoadFromStream(In);
  EXPECT_TRUE(Named.Body().empty());
  ASSERT_EQ(Named.Attachments().Count(), 1);
  EXPECT_EQ(Named.Attachments().Items(0).FileName(), "readme.txt");
  EXPECT_EQ(Named.Attachments().Items(0).TransferEncoding, TTransferEncoding::te7Bit);
  EXPECT_EQ(Bytes(Named.Attachments().Items(0)), "file text\r\n");
}

TEST_F(DecoderTest, Iso2022jpTextIsConverted) {
  // "ESC $ B" 0x30 0x21 "ESC ( B" is the kanji U+4E9C.
  Load("MIME-Version: 1.0\r\nContent-Type: text/plain; charset=ISO-2022-JP\r\n\r\n\x1B$B0!\x1B(B\r\n");
  EXPECT_EQ(Msg.CharSet, TCharSet::csISO2022jp);
  EXPECT_EQ(Msg.Body(), (TStringList{"\xE4\xBA\x9C"}));
}

TEST_F(DecoderTest, PlainMailerMultipartIsReadAsText) {
  Load("MIME-Version: 1.0\r\nX-Mailer: V Mailsystem R #0001\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n"
       "--b\r\nContent-Type: text/plain\r\n\r\nhi\r\n--b--\r\n");
  EXPECT_EQ(Msg.Body(), (TStringList{"--b", "Content-Type: text/plain", "", "hi", "--b--"}));
  EXPECT_EQ(Msg.Attachments().Count(), 0);
}

// --- multipart ---------------------------------------------------------------

TEST_F(DecoderTest, MixedWithTextAndGifPart) {
  const std::string Gif = RandomBytes(500, 2);
  Load("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"XX\"\r\n\r\npreamble\r\n--XX\r\n"
       "Content-Type: text/plain; charset=us-ascii\r\n\r\nThe text.\r\n\r\n--XX\r\n"
       "Content-Type: image/gif; name=\"a.gif\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
       Base64Lines(Gif) + "\r\n--XX--\r\nepilogue\r\n");
  EXPECT_EQ(Msg.Body(), (TStringList{"The text."}));
  ASSERT_EQ(Msg.Attachments().Count(), 1);
  const TnbAttItem& Item = Msg.Attachments().Items(0);
  EXPECT_EQ(Item.FileName(), "a.gif");
  EXPECT_EQ(Item.ContentType(), "image/gif");
  EXPECT_EQ(Item.TransferEncoding, TTransferEncoding::teBase64);
  EXPECT_EQ(Bytes(Item), Gif);
  EXPECT_EQ(Msg.ContentType(), "multipart/mixed");
}

TEST_F(DecoderTest, UnnamedPartsAreNumberedAndKeepTheirTypes) {
  Load("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n\r\ntext\r\n--b\r\n"
       "Content-Type: application/x-thing\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
       EncodeBase64Line("one") + "\r\n--b\r\nContent-Type: application/pdf\r\n"
       "Content-Disposition: attachment; filename=\"doc.pdf\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
       EncodeBase64Line("%PDF") + "\r\n--b\r\nContent-Type: text/csv\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
       "a;b=\r\n;c\r\nx=3Dy\r\n--b\r\n\r\nseven bit\r\n--b--\r\n");
  EXPECT_EQ(Msg.Body(), (TStringList{"text"}));
  ASSERT_EQ(Msg.Attachments().Count(), 4);
  EXPECT_EQ(Msg.Attachments().Items(0).FileName(), "att.0");
  EXPECT_EQ(Msg.Attachments().Items(0).ContentType(), "application/x-thing");
  EXPECT_EQ(Msg.Attachments().Items(0).TransferEncoding, TTransferEncoding::teBase64);
  EXPECT_EQ(Bytes(Msg.Attachments().Items(0)), "one");
  EXPECT_EQ(Msg.Attachments().Items(1).FileName(), "doc.pdf");
  EXPECT_EQ(Bytes(Msg.Attachments().Items(1)), "%PDF");
  EXPECT_EQ(Msg.Attachments().Items(2).FileName(), "att.2");
  EXPECT_EQ(Msg.Attachments().Items(2).ContentType(), "text/csv");
  EXPECT_EQ(Msg.Attachments().Items(2).TransferEncoding, TTransferEncoding::teQuotedPrintable);
  EXPECT_EQ(Bytes(Msg.Attachments().Items(2)), "a;b;c\r\nx=y");
  EXPECT_EQ(Msg.Attachments().Items(3).ContentType(), "text/plain");
  EXPECT_EQ(Msg.Attachments().Items(3).TransferEncoding, TTransferEncoding::te7Bit);
  EXPECT_EQ(Bytes(Msg.Attachments().Items(3)), "seven bit");
}

TEST_F(DecoderTest, FileNamesInRfc2231AndEncodedWordsAndTheDeclaredTypeWins) {
  Load("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n\r\ntext\r\n--b\r\n"
       "Content-Type: application/octet-stream\r\nContent-Disposition: attachment;\r\n"
       " filename*0*=UTF-8''na%C3%AFve; filename*1=\".txt\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
       EncodeBase64Line("one") + "\r\n--b\r\nContent-Type: image/png; name=\"=?utf-8?Q?caf=C3=A9?=.gif\"\r\n"
       "Content-Transfer-Encoding: base64\r\n\r\n" + EncodeBase64Line("two") + "\r\n--b--\r\n");
  ASSERT_EQ(Msg.Attachments().Count(), 2);
  EXPECT_EQ(Msg.Attachments().Items(0).FileName(), "na\xC3\xAFve.txt");
  EXPECT_EQ(Msg.Attachments().Items(0).ContentType(), "application/octet-stream");
  EXPECT_EQ(Msg.Attachments().Items(0).TransferEncoding, TTransferEncoding::teBase64);
  EXPECT_EQ(Msg.Attachments().Items(1).FileName(), "caf\xC3\xA9.gif");
  EXPECT_EQ(Msg.Attachments().Items(1).ContentType(), "image/png");
  EXPECT_EQ(Bytes(Msg.Attachments().Items(1)), "two");
}

TEST_F(DecoderTest, FirstPartBase64IsAnAttachment) {
  Load("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n"
       "Content-Type: image/gif; name=g.gif\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
       EncodeBase64Line("GIF") + "\r\n--b\r\nContent-Type: application/pdf; name=d.pdf\r\n"
       "Content-Transfer-Encoding: base64\r\n\r\n" + EncodeBase64Line("PDF") + "\r\n--b--\r\n");
  EXPECT_TRUE(Msg.Body().empty());
  ASSERT_EQ(Msg.Attachments().Count(), 2);
  EXPECT_EQ(Bytes(Msg.Attachments().Items(0)), "GIF");
  EXPECT_EQ(Msg.Attachments().Items(1).FileName(), "d.pdf");
  EXPECT_EQ(Bytes(Msg.Attachments().Items(1)), "PDF");
}

TEST_F(DecoderTest, UuencodedPart) {
  Load("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n\r\nt\r\n--b\r\n"
       "Content-Type: application/octet-stream; name=u.bin\r\nContent-Transfer-Encoding: x-uuencode\r\n\r\n"
       "begin 644 u.bin\r\n" + UULines("uu data") + "`\r\nend\r\n--b--\r\n");
  ASSERT_EQ(Msg.Attachments().Count(), 1);
  EXPECT_EQ(Bytes(Msg.Attachments().Items(0)), "uu data");
}

TEST_F(DecoderTest, OnlyPartSetsTheMessageType) {
  Load("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n"
       "Content-Type: text/html\r\n\r\n<b>x</b>\r\n--b--\r\ntrailer\r\n");
  EXPECT_EQ(Msg.Body(), (TStringList{"<b>x</b>"}));
  EXPECT_EQ(Msg.Attachments().Count(), 0);
  EXPECT_EQ(Msg.ContentType(), "text/html");
}

TEST_F(DecoderTest, TopLevelAlternativeGivesAltAttachment) {
  Load("MIME-Version: 1.0\r\nContent-Type: multipart/alternative; boundary=\"alt\"\r\n\r\n--alt\r\n"
       "Content-Type: text/plain\r\n\r\nplain text\r\n--alt\r\nContent-Type: text/html\r\n\r\n"
       "<p>html</p>\r\n--alt--\r\n");
  EXPECT_EQ(Msg.Body(), (TStringList{"plain text"}));
  ASSERT_EQ(Msg.Attachments().Count(), 1);
  EXPECT_EQ(Msg.Attachments().Items(0).FileName(), "_alt.0");
  EXPECT_EQ(Msg.Attachments().Items(0).ContentType(), "text/html");
  EXPECT_EQ(Bytes(Msg.Attachments().Items(0)), "<p>html</p>");
  EXPECT_EQ(Msg.ContentType(), "multipart/alternative");
}

TEST_F(DecoderTest, NestedAlternativeThenAttachments) {
  Load("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=outer\r\n\r\n--outer\r\n"
       "Content-Type: multipart/alternative; boundary=inner\r\n\r\n--inner\r\n"
       "Content-Type: text/plain\r\n\r\nthe text\r\n--inner\r\nContent-Type: text/html\r\n\r\n<i>t</i>\r\n"
       "--inner--\r\n\r\n--outer\r\nContent-Type: image/gif; name=p.gif\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
       EncodeBase64Line("pic") + "\r\n--outer\r\n\r\nnote\r\n--outer--\r\n");
  EXPECT_EQ(Msg.Body(), (TStringList{"the text"}));
  ASSERT_EQ(Msg.Attachments().Count(), 3);
  EXPECT_EQ(Msg.Attachments().Items(0).FileName(), "_alt.0");
  EXPECT_EQ(Bytes(Msg.Attachments().Items(0)), "<i>t</i>");
  EXPECT_EQ(Msg.Attachments().Items(1).FileName(), "p.gif");
  EXPECT_EQ(Bytes(Msg.Attachments().Items(1)), "pic");
  EXPECT_EQ(Msg.Attachments().Items(2).FileName(), "att.2");
  EXPECT_EQ(Bytes(Msg.Attachments().Items(2)), "note");
}

TEST_F(DecoderTest, NestedAlternativeWithOnlyTextKeepsLaterAttachments) {
  Load("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=outer\r\n\r\n--outer\r\n"
       "Content-Type: multipart/alternative; boundary=inner\r\n\r\n--inner\r\n"
       "Content-Type: text/plain\r\n\r\nonly text\r\n--inner--\r\n--outer\r\n"
       "Content-Type: application/pdf; name=d.pdf\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
       EncodeBase64Line("pdf") + "\r\n--outer--\r\n");
  EXPECT_EQ(Msg.Body(), (TStringList{"only text"}));
  ASSERT_EQ(Msg.Attachments().Count(), 1);
  EXPECT_EQ(Msg.Attachments().Items(0).FileName(), "d.pdf");
  EXPECT_EQ(Bytes(Msg.Attachments().Items(0)), "pdf");
}

TEST_F(DecoderTest, NestedAlternativeAsLastPartAddsNoEpilogueAttachment) {
  Load("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=outer\r\n\r\n--outer\r\n"
       "Content-Type: multipart/alternative; boundary=inner\r\n\r\n--inner\r\n"
       "Content-Type: text/plain\r\n\r\ntext\r\n--inner\r\nContent-Type: text/html\r\n\r\n<p/>\r\n--inner--\r\n"
       "--outer--\r\nepilogue\r\n");
  EXPECT_EQ(Msg.Body(), (TStringList{"text"}));
  ASSERT_EQ(Msg.Attachments().Count(), 1);
  EXPECT_EQ(Msg.Attachments().Items(0).FileName(), "_alt.0");
}

TEST_F(DecoderTest, TheWholeTreeIsWalkedAndEveryLeafKeepsItsNameAndType) {
  // Webmail: the text, an HTML rendering with an inline image, a file.
  Load("Content-Type: multipart/mixed; boundary=m\r\n\r\n--m\r\nContent-Type: multipart/alternative; boundary=a\r\n\r\n"
       "--a\r\nContent-Type: text/plain\r\nContent-Transfer-Encoding: base64\r\n\r\n" + EncodeBase64Line("text\r\n") +
       "\r\n--a\r\nContent-Type: multipart/related; boundary=r\r\n\r\n--r\r\nContent-Type: text/html\r\n\r\n<p>t</p>\r\n"
       "--r\r\nContent-Type: image/png\r\nContent-Transfer-Encoding: base64\r\n\r\n" + EncodeBase64Line("png") +
       "\r\n--r--\r\n--a--\r\n--m\r\nContent-Type: message/rfc822\r\n\r\nSubject: Q3/Q4: plan\r\n\r\nold\r\n"
       "--m\r\nContent-Type: multipart/digest; boundary=d\r\n\r\n--d\r\n\r\nSubject:\r\n\r\nx\r\n--d--\r\n--m--\r\n");
  EXPECT_EQ(Msg.Body(), (TStringList{"text"}));
  ASSERT_EQ(Msg.Attachments().Count(), 4);
  const std::pair<const char*, const char*> Expected[] = {
      {"_alt.0", "text/html"}, {"att.1", "image/png"}, {"Q3_Q4_ plan.eml", "message/rfc822"}, {"att.3.eml", "message/rfc822"}};
  for (int I = 0; I < 4; ++I) {
    EXPECT_EQ(Msg.Attachments().Items(I).FileName(), Expected[I].first);
    EXPECT_EQ(Msg.Attachments().Items(I).ContentType(), Expected[I].second);
  }
  EXPECT_EQ(Bytes(Msg.Attachments().Items(1)), "png");
  EXPECT_EQ(Bytes(Msg.Attachments().Items(2)), "Subject: Q3/Q4: plan\r\n\r\nold");
}

TEST_F(DecoderTest, NestingBeyondTheDepthLimitIsKeptRaw) {
  std::string Raw = "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=b0\r\n\r\n";
  for (int I = 0; I < 150; ++I)
    Raw += "--b" + std::to_string(I) + "\r\nContent-Type: multipart/mixed; boundary=b" + std::to_string(I + 1) + "\r\n\r\n";
  Raw += "--b150\r\n\r\ndeep text\r\n";
  for (int I = 150; I >= 0; --I) Raw += "--b" + std::to_string(I) + "--\r\n";
  Load(Raw);
  ASSERT_EQ(Msg.Attachments().Count(), 1);
  const std::string Kept = Bytes(Msg.Attachments().Items(0));
  EXPECT_EQ(Kept.substr(0, 7), "--b100\r");
  EXPECT_NE(Kept.find("deep text"), std::string::npos);
  EXPECT_TRUE(Kept.ends_with("--b100--"));
}

TEST_F(DecoderTest, FirstPartQuotedPrintableInCharset) {
  Load("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n"
       "Content-Type: text/plain; charset=windows-1252\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
       "price =80 5\r\n--b--\r\n");
  EXPECT_EQ(Msg.CharSet, TCharSet::csISO8859);
  EXPECT_EQ(Msg.Body(), (TStringList{"price \xE2\x82\xAC 5"}));
}

TEST_F(DecoderTest, Base64Iso2022jpFirstPartIsTheBody) {
  Load("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n"
       "Content-Type: text/plain; charset=iso-2022-jp\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
       EncodeBase64Line("\x1B$B0!\x1B(B\r\n") + "\r\n--b\r\nContent-Type: image/gif; name=j.gif\r\n"
       "Content-Transfer-Encoding: base64\r\n\r\n" + EncodeBase64Line("jj") + "\r\n--b--\r\n");
  EXPECT_EQ(Msg.CharSet, TCharSet::csISO2022jp);
  EXPECT_EQ(Msg.Body(), (TStringList{"\xE4\xBA\x9C"}));
  ASSERT_EQ(Msg.Attachments().Count(), 1);
  EXPECT_EQ(Msg.Attachments().Items(0).FileName(), "j.gif");
  EXPECT_EQ(Bytes(Msg.Attachments().Items(0)), "jj");
}

TEST_F(DecoderTest, EmptyFirstPartStillSeparatesTheNextPart) {
  Load("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n"
       "Content-Type: text/plain\r\n\r\n--b\r\nContent-Type: image/gif; name=e.gif\r\n"
       "Content-Transfer-Encoding: base64\r\n\r\n" + EncodeBase64Line("ee") + "\r\n--b--\r\n");
  EXPECT_EQ(Msg.Body(), (TStringList{""}));
  ASSERT_EQ(Msg.Attachments().Count(), 1);
  EXPECT_EQ(Msg.Attachments().Items(0).FileName(), "e.gif");
  EXPECT_EQ(Bytes(Msg.Attachments().Items(0)), "ee");
}

TEST_F(DecoderTest, ManySmallPartsKeepTheirOrderAndNames) {
  std::string Raw = "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=m\r\n\r\n--m\r\n\r\nhi\r\n";
  for (int I = 0; I < 2000; ++I)
    Raw += "--m\r\nContent-Type: application/octet-stream\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
           EncodeBase64Line("part " + std::to_string(I)) + "\r\n";
  Load(Raw + "--m--\r\n");
  ASSERT_EQ(Msg.Attachments().Count(), 2000);
  for (int I : {0, 1, 999, 1999}) {
    EXPECT_EQ(Msg.Attachments().Items(I).FileName(), "att." + std::to_string(I));
    EXPECT_EQ(Bytes(Msg.Attachments().Items(I)), "part " + std::to_string(I));
  }
}

TEST_F(DecoderTest, GeneratedNamesFollowTheFinalPlaceOfEveryPart) {
  // The HTML-only alternative becomes the body and leaves the list; named parts take no generated name.
  std::string Raw = "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=m\r\n\r\n--m\r\n"
                    "Content-Type: multipart/alternative; boundary=a\r\n\r\n--a\r\nContent-Type: text/html\r\n\r\n"
                    "<p>hi</p>\r\n--a\r\nContent-Type: image/gif\r\n\r\nalt\r\n--a--\r\n";
  for (int I = 1; I <= 20000; ++I)
    Raw += std::string("--m\r\nContent-Type: application/x-part") + (I % 3 ? "" : "; name=n.bin") + "\r\n\r\nx\r\n";
  Load(Raw + "--m--\r\n");
  ASSERT_EQ(Msg.Attachments().Count(), 20001);
  for (int I = 0; I <= 20000; ++I)
    ASSERT_EQ(Msg.Attachments().Items(I).FileName(), I == 0 ? "_alt.0" : I % 3 ? "att." + std::to_string(I) : "n.bin");
}

// --- single-part attachments ----------------------------------------------

TEST_F(DecoderTest, SinglePartPdfTakesDispositionFileName) {
  Load("MIME-Version: 1.0\r\nContent-Type: application/pdf\r\nContent-Transfer-Encoding: base64\r\n"
       "Content-Disposition: attachment; filename=\"report.pdf\"\r\n\r\n" +
       EncodeBase64Line("%PDF-1.4") + "\r\n\r\n");
  EXPECT_TRUE(Msg.Body().empty());
  ASSERT_EQ(Msg.Attachments().Count(), 1);
  EXPECT_EQ(Msg.Attachments().Items(0).FileName(), "report.pdf");
  EXPECT_EQ(Msg.Attachments().Items(0).ContentType(), "application/pdf");
  EXPECT_EQ(Bytes(Msg.Attachments().Items(0)), "%PDF-1.4");
  EXPECT_EQ(Msg.ContentType(), "application/pdf");
}

TEST_F(DecoderTest, SinglePartWithoutNameAndLongSevenBitLines) {
  const std::string Long(1000, 'z');
  Load("MIME-Version: 1.0\r\nContent-Type: application/x-foo\r\n\r\n" + Long + "\r\nend\r\n");
  ASSERT_EQ(Msg.Attachments().Count(), 1);
  EXPECT_EQ(Msg.Attachments().Items(0).FileName(), "att.0");
  EXPECT_EQ(Msg.Attachments().Items(0).ContentType(), "application/x-foo");
  EXPECT_EQ(Msg.Attachments().Items(0).TransferEncoding, TTransferEncoding::te7Bit);
  EXPECT_EQ(Bytes(Msg.Attachments().Items(0)), Long + "\r\nend\r\n");
}

TEST_F(DecoderTest, LargeBase64AttachmentSurvivesByteForByte) {
  const std::string Data = RandomBytes(10 * 1024 * 1024, 3);
  Load("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=big\r\n\r\n--big\r\n"
       "Content-Type: text/plain\r\n\r\nsee attachment\r\n--big\r\n"
       "Content-Type: application/octet-stream; name=\"big.bin\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
       Base64Lines(Data) + "--big--\r\n");
  ASSERT_EQ(Msg.Attachments().Count(), 1);
  const TnbAttItem& Item = Msg.Attachments().Items(0);
  ASSERT_EQ(Item.Data.View().size(), Data.size());
  EXPECT_TRUE(Item.Data.View() == Data);
}

// Latin-1 lines large enough to cross every buffer and piece border of the
// decoder, with their quoted-printable form and their UTF-8 text.
struct TLargeText {
  std::string Latin1;  // lines joined by CR LF, no final line break
  std::string Encoded;
  std::vector<std::string> Utf8Lines;
};

TLargeText MakeLargeText(int Lines) {
  TLargeText T;
  for (int I = 0; I < Lines; ++I) {
    const std::string Line = "Zeile " + std::to_string(I) + ": Gr\xFC\xDF" "e = K\xF6ln " + std::string(I % 50, 'x');
    if (I > 0) T.Latin1 += "\r\n";
    T.Latin1 += Line;
    for (const char Ch : Line) {
      const auto C = static_cast<unsigned char>(Ch);
      if (C >= 0x80 || C == '=') {
        static const char Hex[] = "0123456789ABCDEF";
        T.Encoded += {'=', Hex[C >> 4], Hex[C & 15]};
      } else {
        T.Encoded += Ch;
      }
    }
    T.Encoded += "\r\n";
    T.Utf8Lines.push_back(CharSetToUTF8(Line, "ISO-8859-1"));
  }
  return T;
}

TEST_F(DecoderTest, LargeQuotedPrintablePartsKeepEveryLineAndByte) {
  const TLargeText T = MakeLargeText(40000);  // about 2 MiB
  Load("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=qp\r\n\r\n--qp\r\n"
       "Content-Type: text/plain; charset=iso-8859-1\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n" +
       T.Encoded + "--qp\r\n"
       "Content-Type: application/octet-stream; name=\"t.txt\"\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n" +
       T.Encoded + "--qp--\r\n");
  EXPECT_TRUE(Msg.Body() == T.Utf8Lines);
  ASSERT_EQ(Msg.Attachments().Count(), 1);
  EXPECT_EQ(Msg.Attachments().Items(0).Data.View().size(), T.Latin1.size());
  EXPECT_TRUE(Msg.Attachments().Items(0).Data.View() == T.Latin1);

  // A part whose last line break completes a full buffer: that line break
  // still belongs to the delimiter.
  const std::string Full(65534, 'a');
  TnbMessage Edge;
  TMemoryStream EdgeIn;
  EdgeIn.WriteString("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=qp\r\n\r\n--qp\r\n\r\ntext\r\n"
                     "--qp\r\nContent-Type: text/plain; name=\"a.txt\"\r\n"
                     "Content-Transfer-Encoding: quoted-printable\r\n\r\n" + Full + "\r\n--qp--\r\n");
  Edge.LoadFromStream(EdgeIn);
  ASSERT_EQ(Edge.Attachments().Count(), 1);
  EXPECT_EQ(Edge.Attachments().Items(0).Data.View().size(), Full.size());

  TnbMessage Single;
  TMemoryStream In;
  In.WriteString("MIME-Version: 1.0\r\nContent-Type: text/plain; charset=iso-8859-1\r\n"
                 "Content-Transfer-Encoding: quoted-printable\r\n\r\n" + T.Encoded);
  Single.LoadFromStream(In);
  EXPECT_TRUE(Single.Body() == T.Utf8Lines);
}

TEST_F(DecoderTest, HugeQuotedPrintableParagraphBecomesOneLine) {
  // 4 MiB of text without a line break, in soft-broken lines of 76.
  std::string Encoded;
  for (int I = 0; I < 55000; ++I) Encoded += std::string(75, I % 2 ? 'a' : 'b') + "=\r\n";
  Encoded += "end\r\nnext line\r\n";
  Load("MIME-Version: 1.0\r\nContent-Type: text/plain; charset=us-ascii\r\n"
       "Content-Transfer-Encoding: quoted-printable\r\n\r\n" + Encoded);
  ASSERT_EQ(Msg.Body().size(), 2u);
  EXPECT_EQ(Msg.Body()[0].size(), 55000u * 75 + 3);
  EXPECT_EQ(Msg.Body()[0].substr(0, 150), std::string(75, 'b') + std::string(75, 'a'));
  EXPECT_EQ(Msg.Body()[1], "next line");
}

// --- lines "." are content ---------------------------------------------------
// The decoder reads the message text alone (the POP3 client has taken off the
// terminator and undone dot-stuffing), so a line "." ends nothing.

class DotLineTest : public DecoderTest {
protected:
  // Encodes Out and decodes what was written into Msg.
  void RoundTrip(TnbMessage& Out) {
    Out.Sender().SetAddress("ann@example.org");
    Out.Recipients().AddAddress("bob@example.com", "");
    TMemoryStream Stream;
    Out.SaveToStream(Stream);
    Stream.SetPosition(0);
    Msg.LoadFromStream(Stream);
  }
  static TnbAttItem& Attach(TnbMessage& M, const std::string& FileName, TTransferEncoding Encoding,
                            const std::string& Bytes) {
    auto* Item = M.Attachments().AddItem(std::make_unique<TnbAttItem>());
    Item->SetFileName(FileName);
    Item->SetContentType("text/plain");
    Item->TransferEncoding = Encoding;
    Item->Data.WriteString(Bytes);
    return *Item;
  }
  const TStringList DotBody{".", "..", ".hidden", "middle", "."};
  const std::string DotData = ".\r\n..\r\nfirst half\r\n.\r\nsecond half, after the dots\r\n.\r\n";
};

TEST_F(DotLineTest, PlainBodyKeepsEveryDotLineToTheLast) {
  TnbMessage Out;
  Out.Body() = DotBody;
  RoundTrip(Out);
  EXPECT_EQ(Msg.Body(), DotBody);

  Load("Subject: no MIME\r\n\r\n.\r\ntext\r\n..\r\n.\r\n");
  EXPECT_EQ(Msg.Body(), (TStringList{".", "text", "..", "."}));
}

TEST_F(DotLineTest, SinglePartAttachmentReadsPastDotLines) {
  for (const TTransferEncoding Encoding : {TTransferEncoding::te7Bit, TTransferEncoding::teQuotedPrintable}) {
    TnbMessage Out;
    Attach(Out, "dots.txt", Encoding, DotData);
    RoundTrip(Out);
    ASSERT_EQ(Msg.Attachments().Count(), 1);
    EXPECT_EQ(Bytes(Msg.Attachments().Items(0)), DotData) << static_cast<int>(Encoding);
    Msg.Clear();
  }
}

TEST_F(DotLineTest, MultipartTextAndSevenBitPartKeepDotLines) {
  TnbMessage Out;
  Out.Body() = DotBody;
  Attach(Out, "dots.txt", TTransferEncoding::te7Bit, DotData);
  RoundTrip(Out);
  EXPECT_EQ(Msg.Body(), DotBody);
  ASSERT_EQ(Msg.Attachments().Count(), 1);
  EXPECT_EQ(Bytes(Msg.Attachments().Items(0)), DotData);
}

TEST_F(DotLineTest, DotLineInBase64IsSkippedNotTheEnd) {
  Load("MIME-Version: 1.0\r\nContent-Type: application/pdf; name=a.pdf\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
       EncodeBase64Line("%PD") + "\r\n.\r\n" + EncodeBase64Line("F-1.4") + "\r\n");
  ASSERT_EQ(Msg.Attachments().Count(), 1);
  EXPECT_EQ(Msg.Attachments().Items(0).FileName(), "a.pdf");
  EXPECT_EQ(Bytes(Msg.Attachments().Items(0)), "%PDF-1.4");
}

// --- the forgiving error path ------------------------------------------------

TEST_F(DecoderTest, MissingBoundaryKeepsMessageAndAttachesOriginal) {
  const std::string Raw = "MIME-Version: 1.0\r\nSubject: lost\r\nContent-Type: multipart/mixed; boundary=nope\r\n\r\n"
                          "--other\r\ntext\r\n";
  Load(Raw);
  EXPECT_EQ(Msg.Subject(), "lost");
  EXPECT_EQ(Msg.Body(), TStringList(ErrorLines("Cannot find boundary")));
  ASSERT_EQ(Msg.Attachments().Count(), 1);
  const TnbAttItem& Item = Msg.Attachments().Items(0);
  EXPECT_EQ(Item.FileName(), "original.eml");
  EXPECT_EQ(Item.ContentType(), "message/rfc822");
  EXPECT_EQ(Item.TransferEncoding, TTransferEncoding::te7Bit);
  EXPECT_EQ(Bytes(Item), Raw);
}

TEST_F(DecoderTest, Base64GroupsSplitOverLinesAndStrayCharactersLoseNoByte) {
  const std::string Data = RandomBytes(100, 4);
  std::string Text = EncodeBase64Line(Data);
  for (const std::size_t Width : {50u, 57u, 73u}) {
    std::string Lines;
    for (std::size_t I = 0; I < Text.size(); I += Width) Lines += Text.substr(I, Width) + "\r\n";
    Msg.Clear();
    Load("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n\r\ntext\r\n--b\r\n"
         "Content-Type: image/gif; name=g.gif\r\nContent-Transfer-Encoding: base64\r\n\r\n" + Lines + "--b--\r\n");
    ASSERT_EQ(Msg.Attachments().Count(), 1) << Width;
    EXPECT_EQ(Bytes(Msg.Attachments().Items(0)), Data) << Width;
  }
  // Blanks, stray bytes and a line "." are skipped (RFC 2045, section 6.8).
  Msg.Clear();
  Load("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n\r\nkept text\r\n--b\r\n"
       "Content-Type: image/gif; name=ok.gif\r\nContent-Transfer-Encoding: base64\r\n\r\n"
       "R0lG*OD lh\t\x01\r\n.\r\n--b--\r\n");
  EXPECT_EQ(Msg.Body(), (TStringList{"kept text"}));
  ASSERT_EQ(Msg.Attachments().Count(), 1);
  EXPECT_EQ(Bytes(Msg.Attachments().Items(0)), "GIF89a");
}

TEST_F(DecoderTest, Base64EndsAtItsPaddingAndTheRestOfThePartIsNoData) {
  const std::string Trailer = "*** end of data ***\r\n";
  // "attachment" and "body" end in a padded group; its "==" may be split over two lines.
  for (const std::string Text : {"YXR0YWNobWVudA==\r\n", "YXR0YWNobWVudA=\r\n=\r\n"}) {
    Msg.Clear();
    Load("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n"
         "Content-Type: text/plain\r\nContent-Transfer-Encoding: base64\r\n\r\nYm9keQ==\r\n" + Trailer +
         "--b\r\nContent-Type: application/pdf; name=a.pdf\r\nContent-Transfer-Encoding: base64\r\n\r\n" + Text +
         Trailer + "--b--\r\n");
    EXPECT_EQ(Msg.Body(), (TStringList{"body"}));
    ASSERT_EQ(Msg.Attachments().Count(), 1);
    EXPECT_EQ(Bytes(Msg.Attachments().Items(0)), "attachment");
  }
}

TEST_F(DecoderTest, UnterminatedFirstPartIsAnError) {
  Load("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n\r\nhalf a message\r\n");
  TStringList Expected{"half a message"};
  for (const auto& L : ErrorLines("Cannot find boundary")) Expected.push_back(L);
  EXPECT_EQ(Msg.Body(), Expected);
  EXPECT_EQ(Msg.Attachments().Count(), 1);
}

TEST_F(DecoderTest, UnreadableHeadersStillLoadTheMessage) {
  const std::string Raw = "Subject: still here\r\nFrom: a@example.com\r\n\xFF\xFF\xFF\xFF\r\nTo: b@example.com\r\n\r\nbody\r\n";
  Load(Raw);
  EXPECT_EQ(Msg.Subject(), "still here");
  EXPECT_EQ(Msg.Sender().Address(), "a@example.com");
  EXPECT_EQ(Msg.Body(), TStringList(ErrorLines("Unable to retrieve headers")));
  ASSERT_EQ(Msg.Attachments().Count(), 1);
  EXPECT_EQ(Bytes(Msg.Attachments().Items(0)), Raw);
}

// A message whose header parser fails on a value.
class TFailingMessage : public TnbMessage {
public:
  void ParseHeaders(const TnbHeaders& AHeaders) override {
    SetSubject("partly parsed");
    (void)AHeaders;
    throw EMessageParserError("Invalid Character");
  }
};

TEST_F(DecoderTest, HeaderParserFailureKeepsRawHeaders) {
  TFailingMessage Failing;
  TMemoryStream In;
  In.WriteString("Subject: =?utf-8?B?*bad*?=\r\n\r\nbody\r\n");
  Failing.LoadFromStream(In);
  EXPECT_EQ(Failing.Subject(), "partly parsed");
  EXPECT_EQ(Failing.Headers(), (TnbHeaders{"Subject: =?utf-8?B?*bad*?="}));
  EXPECT_EQ(Failing.Body(), TStringList(ErrorLines("Invalid Character")));
  EXPECT_EQ(Failing.Attachments().Count(), 1);
}

TEST_F(DecoderTest, ALineThatIsNoHeaderFieldBeginsTheBody) {
  Load("Hello Bob,\r\nsee you: tomorrow\r\n");
  EXPECT_EQ(Msg.Body(), (TStringList{"Hello Bob,", "see you: tomorrow"}));

  Msg.Clear();
  Load("Subject: no blank line\r\nFrom: a@example.com\r\nThis is the text.\r\nsecond line\r\n");
  EXPECT_EQ(Msg.Subject(), "no blank line");
  EXPECT_EQ(Msg.Sender().Address(), "a@example.com");
  EXPECT_EQ(Msg.Body(), (TStringList{"This is the text.", "second line"}));

  Msg.Clear();
  Load("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n"
       "Content-Type: text/plain\r\nthe text\r\n--b\r\nContent-Type: text/plain; name=n.txt\r\nnote\r\n--b--\r\n");
  EXPECT_EQ(Msg.Body(), (TStringList{"the text"}));
  ASSERT_EQ(Msg.Attachments().Count(), 1);
  EXPECT_EQ(Bytes(Msg.Attachments().Items(0)), "note");
}

TEST_F(DecoderTest, HeadersOnlyMessage) {
  Load("Subject: nothing else\r\nX-Priority: 1");
  EXPECT_EQ(Msg.Subject(), "nothing else");
  EXPECT_EQ(Msg.Priority, TPriority::ptHigh);
  EXPECT_TRUE(Msg.Body().empty());
  EXPECT_EQ(Msg.Attachments().Count(), 0);
}

TEST_F(DecoderTest, ArticleDecoderFillsArticleFields) {
  TnbArticle Article;
  TMemoryStream In;
  In.WriteString("From: n@example.com\r\nNewsgroups: comp.mail\r\nMessage-ID: <1@x>\r\nPath: a!b\r\n"
                 "Subject: news\r\n\r\narticle body\r\n");
  Article.LoadFromStream(In);
  EXPECT_EQ(Article.NewsGroups, "comp.mail");
  EXPECT_EQ(Article.MessageID, "<1@x>");
  EXPECT_EQ(Article.Path, "a!b");
  EXPECT_EQ(Article.Body(), (TStringList{"article body"}));
}

}  // namespace
