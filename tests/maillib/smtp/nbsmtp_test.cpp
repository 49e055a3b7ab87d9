// The SMTP client against scripted servers: the dialogue of one message, the
// message data as it travels (stamped, dot-stuffed, ended once), refused
// recipients, and the temporary file that never outlives a Send.
#include <stdlib.h>

#include <filesystem>
#include <regex>

#include "maillib/message/nbmsg.h"
#include "maillib/smtp/nbsmtp.h"
#include "maillib/transport/nberrors.h"
#include "support/fakeserver.h"
#include "maillib/transport/testclient.h"

namespace {

using Fake = TFakeServer;
using Steps = std::vector<Fake::TStep>;
namespace fs = std::filesystem;

std::unique_ptr<TnbMailAddress> Address(const std::string& Text) {
  auto A = std::make_unique<TnbMailAddress>();
  A->SetAddress(Text);
  return A;
}

// Temporary files go to a directory of the test's own, so it can see them.
class SmtpTest : public SocketTest {
protected:
  void SetUp() override {
    SocketTest::SetUp();
    char Template[] = "/tmp/smtptestXXXXXX";
    FTempDir = ::mkdtemp(Template);
    FOldTmp = getenv("TMPDIR") ? getenv("TMPDIR") : "";
    setenv("TMPDIR", FTempDir.c_str(), 1);
    Message.Sender().SetAddress("me@example.test");
    Message.SetSubject("Hello");
    Message.Body() = {"first", ".", "..", ".hidden", "last"};
    Message.Recipients().AddItem(Address("to@example.test"));
    Message.CC().AddItem(Address("cc@example.test"));
    Message.BCC().AddItem(Address("bcc@example.test"));
    Client.SetWinsockLoaded(true);
    Client.SetMailMessage(&Message);
  }
  void TearDown() override {
    if (FOldTmp.empty()) unsetenv("TMPDIR");
    else setenv("TMPDIR", FOldTmp.c_str(), 1);
    fs::remove_all(FTempDir);
    SocketTest::TearDown();
  }
  int TempFiles() const { return static_cast<int>(std::distance(fs::directory_iterator(FTempDir), {})); }

  TnbMessage Message;
  TnbSMTP Client;

private:
  std::string FTempDir;
  std::string FOldTmp;
};

Steps Envelope() {
  return {Fake::C("MAIL FROM:<me@example.test>"), Fake::S("250 2.1.0 Ok\r\n"), Fake::C("RCPT TO:<to@example.test>"),
          Fake::S("250 2.1.5 Ok\r\n"), Fake::C("RCPT TO:<cc@example.test>"), Fake::S("250 2.1.5 Ok\r\n"),
          Fake::C("RCPT TO:<bcc@example.test>"), Fake::S("250 2.1.5 Ok\r\n")};
}

Steps Greeting() {
  return {Fake::S("220-mail.example.test\r\n220 ESMTP ready\r\n"), Fake::C("EHLO " + Fake::ClientHostName()),
          Fake::S("250-mail.example.test\r\n250 8BITMIME\r\n")};
}

Steps DataAndQuit() {
  return {Fake::C("DATA"), Fake::S("354 go ahead\r\n"), Fake::Data(), Fake::S("250 2.0.0 queued\r\n"),
          Fake::C("QUIT"), Fake::S("221 bye\r\n"), Fake::AwaitClose()};
}

// The message data as the server received it, between DATA and QUIT.
std::string DataOf(const std::string& Transcript) {
  const std::size_t Start = Transcript.find("DATA\r\n") + 6;
  return Transcript.substr(Start, Transcript.find("QUIT\r\n") - Start);
}

TEST_F(SmtpTest, OneMessageTravelsStampedStuffedAndEndedOnce) {
  Fake Server(Fake::Join({Greeting(), Envelope(), DataAndQuit()}));
  Client.Server = Server.Address();
  std::vector<std::string> Events;
  int FilesWhileSending = -1;
  Client.OnOpen = [&](TObject*) { Events.push_back("open"); };
  Client.OnPrepare = [&](TObject*) { Events.push_back("prepare"); };
  Client.OnSending = [&](TObject*) {
    Events.push_back("sending");
    FilesWhileSending = TempFiles();
  };
  Client.OnProgress = [&](TObject*, int Perc, int Transferred) {
    Events.push_back(Perc == 0 && Transferred == 0 ? "progress end" : "progress");
  };
  Client.OnMailSent = [&](TObject*) { Events.push_back("sent"); };
  Client.OnClosed = [&](TObject*) { Events.push_back("closed"); };
  Client.Send();
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});

  EXPECT_EQ(Events, (std::vector<std::string>{"open", "prepare", "sending", "progress", "progress end", "sent",
                                              "closed"}));
  EXPECT_EQ(FilesWhileSending, 1);
  EXPECT_EQ(TempFiles(), 0);

  const std::string Data = DataOf(Server.Transcript());
  EXPECT_TRUE(std::regex_search(Data, std::regex("^Date: [A-Z][a-z]{2}, \\d{2} [A-Z][a-z]{2} \\d{4} "
                                                 "\\d{2}:\\d{2}:\\d{2} [+-]\\d{4}\r\nMessage-ID: <[^@>]+@[^>]+>\r\n")))
      << Data;
  EXPECT_EQ(Data.find("bcc@example.test"), std::string::npos);
  // Each "." line is doubled, and the text is followed by the end line alone.
  EXPECT_TRUE(Data.ends_with("\r\n\r\nfirst\r\n..\r\n...\r\n..hidden\r\nlast\r\n.\r\n")) << Data;
  // The caller's message is left as it was.
  EXPECT_EQ(Message.Body(), (TStringList{"first", ".", "..", ".hidden", "last"}));
  EXPECT_TRUE(Message.Headers().empty());
}

TEST_F(SmtpTest, RefusedEhloFallsBackToHeloThenBareHeloAndTheMessagesOwnStampsAreKept) {
  Fake Server(Fake::Join({{Fake::S("220 ready\r\n"), Fake::C("EHLO " + Fake::ClientHostName()), Fake::S("500 unknown\r\n"),
                     Fake::C("HELO " + Fake::ClientHostName()), Fake::S("501 bad name\r\n"),
                     Fake::C("HELO"), Fake::S("250 ok\r\n")},
                    Envelope(), DataAndQuit()}));
  Client.Server = Server.Address();
  Message.Headers() = {"Date: Tue, 01 Dec 2026 10:00:00 +0000", "Message-ID: <own@example.test>"};
  Client.Send();
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
  const std::string Data = DataOf(Server.Transcript());
  EXPECT_FALSE(Data.starts_with("Date:")) << Data;
  EXPECT_NE(Data.find("Message-ID: <own@example.test>\r\n"), std::string::npos) << Data;
  EXPECT_EQ(Data.find("Message-ID:"), Data.rfind("Message-ID:"));
}

TEST_F(SmtpTest, RefusedRecipientStopsTheSendUnlessTheHandlerProceeds) {
  const Steps Refused = {Fake::C("MAIL FROM:<me@example.test>"), Fake::S("250 Ok\r\n"),
                         Fake::C("RCPT TO:<to@example.test>"), Fake::S("550 5.1.1 no such user\r\n")};
  {
    Fake Server(Fake::Join({Greeting(), Refused, {Fake::C("QUIT"), Fake::S("221 bye\r\n"), Fake::AwaitClose()}}));
    Client.Server = Server.Address();
    EXPECT_EQ(ErrorOf<EServerError>([&] { Client.Send(); }), "550 5.1.1 no such user");
    EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
    EXPECT_EQ(TempFiles(), 0);
  }
  Fake Server(Fake::Join({Greeting(), Refused,
                    {Fake::C("RCPT TO:<cc@example.test>"), Fake::S("250 Ok\r\n"), Fake::C("RCPT TO:<bcc@example.test>"),
                     Fake::S("250 Ok\r\n")},
                    DataAndQuit()}));
  Client.Server = Server.Address();
  std::vector<std::string> Rejected;
  Client.OnAddressRejected = [&](TObject*, const std::string& TheAddress, const std::string& ServerReply,
                                 bool& Proceed) {
    Rejected.push_back(TheAddress + " " + ServerReply);
    Proceed = true;
  };
  Client.Send();
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
  EXPECT_EQ(Rejected, std::vector<std::string>{"to@example.test 550 5.1.1 no such user"});
}

TEST_F(SmtpTest, DataAnsweredWithClassTwoIsAnError) {
  Fake Server(Fake::Join({Greeting(), Envelope(),
                    {Fake::C("DATA"), Fake::S("250 what data\r\n"), Fake::C("QUIT"), Fake::S("221 bye\r\n"),
                     Fake::AwaitClose()}}));
  Client.Server = Server.Address();
  EXPECT_EQ(ErrorOf<EServerError>([&] { Client.Send(); }), "250 what data");
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
  EXPECT_EQ(TempFiles(), 0);
}

TEST_F(SmtpTest, MessageProblemsAreFoundAfterLoginAndQuitFollows) {
  const Steps Quit = {Fake::C("QUIT"), Fake::S("221 bye\r\n"), Fake::AwaitClose()};
  {
    Fake Server(Fake::Join({Greeting(), Quit}));
    Client.Server = Server.Address();
    Client.SetMailMessage(nullptr);
    EXPECT_EQ(ErrorOf<ESocketError>([&] { Client.Send(); }), "MailMessage property must be assigned");
    EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
  }
  {
    Fake Server(Fake::Join({Greeting(), Quit}));
    Client.Server = Server.Address();
    Client.SetMailMessage(&Message);
    Message.Recipients().Clear();
    Message.CC().Clear();
    Message.BCC().Clear();
    EXPECT_EQ(ErrorOf<EMessageError>([&] { Client.Send(); }), "At least one Recipient, CC or BCC must be entered");
    EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
  }
  // A line break in an address must not become a command of its own.
  Fake Server(Fake::Join({Greeting(), Quit}));
  Client.Server = Server.Address();
  Message.Recipients().AddItem(Address("to@example.test>\r\nRCPT TO:<other@example.test"));
  EXPECT_NE(ErrorOf<EMessageError>([&] { Client.Send(); }).find("control character"), std::string::npos);
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
  EXPECT_EQ(Server.Transcript().find("other@"), std::string::npos);
}

// A server offering Extension in its EHLO answer.
Steps GreetingOffering(const std::string& Extension) {
  return {Fake::S("220 ESMTP ready\r\n"), Fake::C("EHLO " + Fake::ClientHostName()),
          Fake::S("250-mail.example.test\r\n250 " + Extension + "\r\n")};
}

// MAIL FROM and the three RCPT TO in one group, answered together.
Steps PipelinedEnvelope(const std::string& MailAnswer = "250 Ok") {
  return {Fake::C("MAIL FROM:<me@example.test>"), Fake::C("RCPT TO:<to@example.test>"),
          Fake::C("RCPT TO:<cc@example.test>"), Fake::C("RCPT TO:<bcc@example.test>"),
          Fake::S(MailAnswer + "\r\n250 Ok\r\n250 Ok\r\n250 Ok\r\n")};
}

// The script answers an envelope only once all of it has arrived: a client
// waiting for each answer would stall until its time-out.
TEST_F(SmtpTest, ManyMessagesGoOverOneConnectionWithRsetBetweenAndPipelinedEnvelopes) {
  const Steps Data = {Fake::C("DATA"), Fake::S("354 go ahead\r\n"), Fake::Data(), Fake::S("250 queued\r\n")};
  const Steps Rset = {Fake::C("RSET"), Fake::S("250 Ok\r\n")};
  Fake Server(Fake::Join({GreetingOffering("PIPELINING"), PipelinedEnvelope(), Data, Rset, PipelinedEnvelope(), Data,
                          Rset, PipelinedEnvelope(), Data,
                          {Fake::C("QUIT"), Fake::S("221 bye\r\n"), Fake::AwaitClose()}}));
  Client.Server = Server.Address();
  Client.SetTimeOut(2);
  int Opened = 0;
  Client.OnOpen = [&](TObject*) { ++Opened; };
  std::vector<std::string> Sent;
  int Left = 3;
  Client.SendMessages(
      [&] {
        Message.SetSubject("Number " + std::to_string(4 - Left));
        return Left-- > 0;
      },
      [&] { Sent.push_back(Message.Subject()); });
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
  EXPECT_EQ(Opened, 1);
  EXPECT_EQ(Sent, (std::vector<std::string>{"Number 1", "Number 2", "Number 3"}));

  // Nothing to send opens no connection.
  Client.SendMessages([] { return false; }, [] {});
  EXPECT_EQ(Opened, 1);
}

TEST_F(SmtpTest, RefusedMessageEndsTheRunAfterEveryAnswerOfItsGroupWithQuit) {
  Fake Server(Fake::Join({GreetingOffering("PIPELINING"), PipelinedEnvelope("553 sender refused"),
                          {Fake::C("QUIT"), Fake::S("221 bye\r\n"), Fake::AwaitClose()}}));
  Client.Server = Server.Address();
  Client.SetTimeOut(2);
  int Asked = 0;
  EXPECT_EQ(ErrorOf<EServerError>([&] { Client.SendMessages([&] { return ++Asked <= 2; }, [] {}); }),
            "553 sender refused");
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
  EXPECT_EQ(Asked, 1);
  EXPECT_EQ(Client.LastReply, "221 bye");  // QUIT's own answer, not a recipient's
}

TEST_F(SmtpTest, MessageBeyondTheServersSizeIsRefusedBeforeItsEnvelope) {
  Fake Server(Fake::Join({GreetingOffering("SIZE 200"), {Fake::C("QUIT"), Fake::S("221 bye\r\n"), Fake::AwaitClose()}}));
  Client.Server = Server.Address();
  const std::string Error = ErrorOf<EMessageError>([&] { Client.Send(); });
  EXPECT_TRUE(std::regex_match(Error, std::regex("The message has [0-9]{3} bytes, more than the 200 bytes the SMTP "
                                                 "server 127.0.0.1 accepts")))
      << Error;
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
}

TEST_F(SmtpTest, EnvelopeAddressWithBlanksOrAngleBracketsIsRefusedButAQuotedLocalPartMayHoldThem) {
  Client.SetTimeOut(1);
  for (const std::string Bad : {"x@example.test> NOTIFY=SUCCESS ORCPT=rfc822;spy@evil.test", "a b@example.test",
                                "<x@example.test", "\"open <x@example.test", "\"a\"b c@example.test"}) {
    Fake Server(Fake::Join({Greeting(), {Fake::C("QUIT"), Fake::S("221 bye\r\n"), Fake::AwaitClose()}}));
    Client.Server = Server.Address();
    Message.BCC().Items(0).SetAddress(Bad);
    EXPECT_EQ(ErrorOf<EMessageError>([&] { Client.Send(); }),
              "The address \"" + Bad + "\" contains a blank, \"<\" or \">\"");
  }
  Message.Sender().SetAddress("\"me <at> home\"@example.test");
  Message.BCC().Items(0).SetAddress("bcc@example.test");
  Steps Sent = Envelope();
  Sent[0] = Fake::C("MAIL FROM:<\"me <at> home\"@example.test>");
  Fake Server(Fake::Join({Greeting(), Sent, DataAndQuit()}));
  Client.Server = Server.Address();
  Client.Send();
}

TEST_F(SmtpTest, DestroyedMessageIsNoLongerReferenced) {
  {
    TnbMessage Temporary;
    Client.SetMailMessage(&Temporary);
  }
  EXPECT_EQ(Client.MailMessage(), nullptr);
}

}  // namespace
