// The JSON form of the message model that mailtool reads and writes.

#include "messagejson.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <random>
#include <sstream>
#include <string>

#include "maillib/message/nbmsg.h"
#include "maillib/message/msgtesthelpers.h"
#include "platform/runtime/exception.h"
#include "platform/runtime/streams.h"
#include "platform/runtime/textencoding.h"

namespace {

using Json = nlohmann::json;

Json ToJson(TnbMessage& Message) {
  std::ostringstream Out;
  WriteMessageJson(Message, Out);
  return Json::parse(Out.str());
}

void Decode(const std::string& Wire, TnbMessage& Message) {
  TMemoryStream Stream;
  Stream.WriteString(Wire);
  Message.LoadFromStream(Stream);
}

std::string ReadError(const std::string& Text) {
  TnbMessage Message;
  try {
    ReadMessageJson(Text, Message);
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
  const Json J = ToJson(Message);

  EXPECT_EQ(J["sender"]["name"], "Ann");
  EXPECT_EQ(J["sender"]["address"], "ann@example.com");
  const Json& To = J["recipients"];
  ASSERT_EQ(To.size(), 2);
  EXPECT_EQ(To[1]["name"], "Smith, C");
  EXPECT_EQ(J["cc"][0]["address"], "dan@example.net");
  EXPECT_EQ(J["subject"], "Grüße");
  EXPECT_EQ(J["priority"], "high");
  EXPECT_EQ(J["charset"], "iso-8859-1");
  EXPECT_EQ(J["contentType"], "multipart/mixed");
  EXPECT_EQ(J["encoding"], "mime");
  EXPECT_EQ(J["body"], Json::array({"Hallö \"quoted\"\ttab\\"}));

  const Json& Attachments = J["attachments"];
  ASSERT_EQ(Attachments.size(), 1);
  const Json& Item = Attachments[0];
  EXPECT_EQ(Item["fileName"], "a.bin");
  EXPECT_EQ(Item["contentType"], "application/octet-stream");
  EXPECT_EQ(Item["transferEncoding"], "base64");
  EXPECT_EQ(Item["size"], 5);
  EXPECT_EQ(Item["sha256"],
            "2cf24dba5fb0a30e26e83b2ac5b9e29e1b161e5c1fa7425e73043362938b9824");
}

TEST(MessageJson, ControlCharactersAndBrokenTextStayValidJson) {
  TnbMessage Message;
  Message.SetSubject(std::string("bell\x07 nul") + '\0' + " bad\xC3(");
  Message.Body() = {"line\r\nbreak", "\x1F\x7F", std::string("\xFF\xFE", 2)};
  const Json J = ToJson(Message);

  EXPECT_EQ(J["subject"], std::string("bell\x07 nul") + '\0' + " bad\uFFFD(");
  const Json& Body = J["body"];
  ASSERT_EQ(Body.size(), 3u);
  EXPECT_EQ(Body[0], "line\r\nbreak");
  EXPECT_EQ(Body[1], "\x1F\x7F");
  EXPECT_EQ(Body[2], "\uFFFD\uFFFD");
}

// Long runs are scanned eight bytes at a time: a byte to escape or to
// replace must be caught at any offset.
TEST(MessageJson, AnyTextReadsBackAsItsValidUtf8) {
  std::mt19937 Random(5);
  const std::string Pieces[] = {"plain text here ", "\"", "\\", "\x01", "\t", "\xC3\xA9",
                                "\xE2\x82\xAC", "\xFF", "\xC3", "\xF0\x9F\x98\x80", "0123456789abcdef"};
  TnbMessage Message;
  for (int Line = 0; Line < 500; ++Line) {
    std::string Text;
    const int Count = static_cast<int>(Random() % 10);
    for (int I = 0; I < Count; ++I) Text += Pieces[Random() % 11];
    Message.Body().push_back(Text);
  }
  const Json J = ToJson(Message);
  ASSERT_EQ(J["body"].size(), Message.Body().size());
  for (std::size_t I = 0; I < Message.Body().size(); ++I)
    ASSERT_EQ(J["body"][I], ValidUTF8(Message.Body()[I])) << ::testing::PrintToString(Message.Body()[I]);
}

TEST(MessageJson, ReadFillsTheModelAndWritesBackTheSame) {
  const std::string Text = R"({
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
    "attachments": [{"fileName": "/tmp/x/report.pdf", "data": "AAEC\n/w==",
                     "transferEncoding": "quoted-printable", "size": 4, "sha256": "ignored"}]
  })";
  TnbMessage Message;
  ReadMessageJson(Text, Message);

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

  const Json Back = ToJson(Message);
  EXPECT_EQ(Back["returnReceipt"], true);
  EXPECT_EQ(Back["priority"], "low");
  EXPECT_EQ(Back["encoding"], "uu");
  EXPECT_EQ(Back["attachments"][0]["size"], 4);
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
  const std::string Syntax = ReadError("{\"subject\": \"x\"");
  EXPECT_EQ(Syntax.rfind("Not valid JSON: parse error at line 1", 0), 0u) << Syntax;
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
  EXPECT_EQ(ReadError("\"text\""), "The JSON text must be an object describing a message");

  // A list is replaced only when the whole of it could be read.
  TnbMessage Message;
  Message.Recipients().AddAddress("kept@example.com", "");
  EXPECT_THROW(ReadMessageJson(R"({"recipients": [{"address": "a@b"}, 7]})", Message), Exception);
  ASSERT_EQ(Message.Recipients().Count(), 1);
  EXPECT_EQ(Message.Recipients().Items(0).Address(), "kept@example.com");
}

}  // namespace
