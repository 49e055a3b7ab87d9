// The JSON form of the message model that mailtool reads and writes.

#include "messagejson.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <sstream>
#include <string>

#include "maillib/message/nbmsg.h"
#include "maillib/message/msgtesthelpers.h"
#include "platform/runtime/exception.h"
#include "platform/runtime/streams.h"

namespace {

QJsonObject ToJson(TnbMessage& Message) {
  std::ostringstream Out;
  WriteMessageJson(Message, Out);
  QJsonParseError Error;
  const auto Document = QJsonDocument::fromJson(QByteArray::fromStdString(Out.str()), &Error);
  EXPECT_EQ(Error.error, QJsonParseError::NoError) << Out.str();
  return Document.object();
}

void Decode(const std::string& Wire, TnbMessage& Message) {
  TMemoryStream Stream;
  Stream.WriteString(Wire);
  Message.LoadFromStream(Stream);
}

std::string ReadError(const std::string& Json) {
  TnbMessage Message;
  try {
    ReadMessageJson(Json, Message);
  } catch (const Exception& E) {
    return E.Message;
  }
  return "no error";
}

TEST(MessageJson, DecodedMessageIsDescribedWithAttachmentSums) {
  TnbMessage Message;
  Decode("From: \"Ann\" <ann@example.com>\r\n"
         "To: bob@example.org, \"Smith, C\" <c@example.org>\r\n"
         "Cc: dan@example.net\r\n"
         "Subject: =?iso-8859-1?Q?Gr=FC=DFe?=\r\n"
         "X-Priority: 1\r\n"
         "MIME-Version: 1.0\r\n"
         "Content-Type: multipart/mixed; boundary=\"xx\"\r\n\r\n"
         "--xx\r\n"
         "Content-Type: text/plain; charset=iso-8859-1\r\n"
         "Content-Transfer-Encoding: quoted-printable\r\n\r\n"
         "Hall=F6 \"quoted\"\ttab\\\r\n"
         "--xx\r\n"
         "Content-Type: application/octet-stream; name=\"a.bin\"\r\n"
         "Content-Transfer-Encoding: base64\r\n\r\n"
         "aGVsbG8=\r\n"
         "--xx--\r\n",
         Message);
  const QJsonObject Json = ToJson(Message);

  EXPECT_EQ(Json["sender"].toObject()["name"].toString(), "Ann");
  EXPECT_EQ(Json["sender"].toObject()["address"].toString(), "ann@example.com");
  const QJsonArray To = Json["recipients"].toArray();
  ASSERT_EQ(To.size(), 2);
  EXPECT_EQ(To[1].toObject()["name"].toString(), "Smith, C");
  EXPECT_EQ(Json["cc"].toArray()[0].toObject()["address"].toString(), "dan@example.net");
  EXPECT_EQ(Json["subject"].toString(), QString::fromUtf8("Grüße"));
  EXPECT_EQ(Json["priority"].toString(), "high");
  EXPECT_EQ(Json["charset"].toString(), "iso-8859-1");
  EXPECT_EQ(Json["contentType"].toString(), "multipart/mixed");
  EXPECT_EQ(Json["encoding"].toString(), "mime");
  EXPECT_EQ(Json["body"].toArray(), QJsonArray{QString::fromUtf8("Hallö \"quoted\"\ttab\\")});

  const QJsonArray Attachments = Json["attachments"].toArray();
  ASSERT_EQ(Attachments.size(), 1);
  const QJsonObject Item = Attachments[0].toObject();
  EXPECT_EQ(Item["fileName"].toString(), "a.bin");
  EXPECT_EQ(Item["contentType"].toString(), "application/octet-stream");
  EXPECT_EQ(Item["transferEncoding"].toString(), "base64");
  EXPECT_EQ(Item["size"].toInt(), 5);
  EXPECT_EQ(Item["sha256"].toString(),
            "2cf24dba5fb0a30e26e83b2ac5b9e29e1b161e5c1fa7425e73043362938b9824");
}

TEST(MessageJson, ControlCharactersAndBrokenTextStayValidJson) {
  TnbMessage Message;
  Message.SetSubject(std::string("bell\x07 nul") + '\0' + " bad\xC3(");
  Message.Body() = {"line\r\nbreak", "\x1F\x7F", std::string("\xFF\xFE", 2)};
  const QJsonObject Json = ToJson(Message);

  EXPECT_EQ(Json["subject"].toString(),
            QString::fromUtf8("bell\x07 nul") + QChar(0) + QString::fromUtf8(" bad\uFFFD("));
  const QJsonArray Body = Json["body"].toArray();
  ASSERT_EQ(Body.size(), 3);
  EXPECT_EQ(Body[0].toString(), "line\r\nbreak");
  EXPECT_EQ(Body[1].toString(), "\x1F\x7F");
  EXPECT_EQ(Body[2].toString(), QString::fromUtf8("\uFFFD\uFFFD"));
}

TEST(MessageJson, ReadFillsTheModelAndWritesBackTheSame) {
  const std::string Json = R"({
    "sender": {"name": "J. Doe", "address": "jd@example.org"},
    "recipients": [{"name": "Ann", "address": "ann@example.com"}, {"address": "b@example.com"}],
    "cc": [{"name": "Carol", "address": "carol@example.com"}],
    "bcc": [{"address": "hidden@example.com"}],
    "subject": "Grüße",
    "priority": "low",
    "returnReceipt": true,
    "charset": "iso-8859-1",
    "encoding": "uu",
    "body": ["first", "", "Köln"],
    "attachments": [{"fileName": "/tmp/x/report.pdf", "data": "AAEC/w==",
                     "transferEncoding": "quoted-printable", "size": 4, "sha256": "ignored"}]
  })";
  TnbMessage Message;
  ReadMessageJson(Json, Message);

  EXPECT_EQ(Message.Sender().Name(), "J. Doe");
  ASSERT_EQ(Message.Recipients().Count(), 2);
  EXPECT_EQ(Message.Recipients().Items(1).Address(), "b@example.com");
  EXPECT_EQ(Message.Recipients().Items(1).Name(), "");
  EXPECT_EQ(Message.BCC().Items(0).Address(), "hidden@example.com");
  EXPECT_EQ(Message.Subject(), "Grüße");
  EXPECT_EQ(Message.Priority, TPriority::ptLow);
  EXPECT_TRUE(Message.ReturnReceipt);
  EXPECT_EQ(Message.CharSet, TCharSet::csISO8859);
  EXPECT_EQ(Message.Encoding, TMsgEncoding::meUU);
  EXPECT_EQ(Message.Body(), (TStringList{"first", "", "Köln"}));
  ASSERT_EQ(Message.Attachments().Count(), 1);
  const TnbAttItem& Item = Message.Attachments().Items(0);
  EXPECT_EQ(Item.Data.View(), std::string("\x00\x01\x02\xFF", 4));
  // The type comes from the extension; the given encoding overrides its own.
  EXPECT_EQ(Item.ContentType(), "application/pdf");
  EXPECT_EQ(Item.TransferEncoding, TTransferEncoding::teQuotedPrintable);

  const QJsonObject Back = ToJson(Message);
  EXPECT_EQ(Back["returnReceipt"].toBool(), true);
  EXPECT_EQ(Back["priority"].toString(), "low");
  EXPECT_EQ(Back["encoding"].toString(), "uu");
  EXPECT_EQ(Back["attachments"].toArray()[0].toObject()["size"].toInt(), 4);
}

TEST(MessageJson, AttachmentWithoutDataIsReadFromItsFile) {
  TTempDir Dir;
  Dir.Write("notes.txt", "file bytes\n");
  TnbMessage Message;
  ReadMessageJson(R"({"attachments": [{"fileName": ")" + Dir / "notes.txt" + R"("}]})", Message);
  ASSERT_EQ(Message.Attachments().Count(), 1);
  EXPECT_EQ(Message.Attachments().Items(0).Data.View(), "file bytes\n");
  EXPECT_EQ(Message.Attachments().Items(0).ContentType(), "text/plain");

  const std::string Missing = ReadError(R"({"attachments": [{"fileName": ")" + Dir / "gone.txt" + R"("}]})");
  EXPECT_NE(Missing.find("Cannot open file"), std::string::npos) << Missing;
  EXPECT_NE(Missing.find("gone.txt"), std::string::npos) << Missing;
}

TEST(MessageJson, MembersLeftOutKeepTheirValues) {
  TnbMessage Message;
  Message.SetSubject("kept");
  Message.Recipients().AddAddress("kept@example.com", "");
  ReadMessageJson(R"({"body": ["new"]})", Message);
  EXPECT_EQ(Message.Subject(), "kept");
  EXPECT_EQ(Message.Recipients().Count(), 1);
  EXPECT_EQ(Message.Body(), TStringList{"new"});
}

TEST(MessageJson, BadDocumentsAreNamedAndLeaveNoHalfMessage) {
  EXPECT_NE(ReadError("{\"subject\": \"x\"").find("Not valid JSON at offset"), std::string::npos);
  EXPECT_EQ(ReadError("[1, 2]"), "The JSON text must be an object describing a message");
  EXPECT_EQ(ReadError(R"({"recipient": []})"), "Unknown member \"recipient\"");
  EXPECT_EQ(ReadError(R"({"sender": {"mail": "x"}})"), "Unknown member \"sender.mail\"");
  EXPECT_EQ(ReadError(R"({"subject": 5})"), "\"subject\" must be a string");
  EXPECT_EQ(ReadError(R"({"recipients": {"address": "a@b"}})"), "\"recipients\" must be an array");
  EXPECT_EQ(ReadError(R"({"cc": [{"address": "a@b"}, "c@d"]})"), "\"cc[1]\" must be an object");
  EXPECT_EQ(ReadError(R"({"body": ["a", null]})"), "\"body[1]\" must be a string");
  EXPECT_EQ(ReadError(R"({"priority": "urgent"})"),
            "\"priority\" must be one of \"low\", \"normal\", \"high\"");
  EXPECT_EQ(ReadError(R"({"returnReceipt": "yes"})"), "\"returnReceipt\" must be true or false");
  EXPECT_EQ(ReadError(R"({"attachments": [{"data": "AAAA"}]})"),
            "\"attachments[0].fileName\" must be a string");
  EXPECT_EQ(ReadError(R"({"attachments": [{"fileName": "a", "data": "not base64!"}]})"),
            "\"attachments[0].data\" must be base64 text");

  // A list is replaced only when the whole of it could be read.
  TnbMessage Message;
  Message.Recipients().AddAddress("kept@example.com", "");
  EXPECT_THROW(ReadMessageJson(R"({"recipients": [{"address": "a@b"}, 7]})", Message), Exception);
  ASSERT_EQ(Message.Recipients().Count(), 1);
  EXPECT_EQ(Message.Recipients().Items(0).Address(), "kept@example.com");
}

}  // namespace
