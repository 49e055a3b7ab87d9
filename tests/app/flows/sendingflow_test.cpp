// The sending flow against scripted SMTP servers: which rows are sent to whom,
// how a failure leaves the Outbox, and the screen restored every time.
#include <algorithm>
#include <fstream>

#include "app/flows/sendingflow.h"
#include "app/settings/serversettings.h"
#include "app/settings/settingsfiles.h"
#include "appfixture.h"
#include "recordingscreen.h"
#include "maillib/dialup/tkRasCmp.h"
#include "maillib/message/nbmsg.h"
#include "maillib/smtp/nbsmtp.h"
#include "maillib/transport/nberrors.h"
#include "support/fakeserver.h"

namespace {

using Fake = TFakeServer;
using Steps = std::vector<Fake::TStep>;

const Fake::TStep Greeting[] = {Fake::S("220 ready\r\n"), Fake::C("EHLO " + Fake::ClientHostName()),
                                Fake::S("250 ok\r\n")};

// MAIL FROM and one RCPT TO for each of To, each answered "250 ok".
Steps Envelope(const std::vector<std::string>& To) {
  Steps S = {Fake::C("MAIL FROM:<me@example.test>"), Fake::S("250 ok\r\n")};
  for (const std::string& Address : To) S.insert(S.end(), {Fake::C("RCPT TO:<" + Address + ">"), Fake::S("250 ok\r\n")});
  return S;
}

// One connection for every message of Messages (the RCPT addresses of each),
// all accepted, with RSET between them.
Steps Accepted(const std::vector<std::vector<std::string>>& Messages) {
  Steps S(std::begin(Greeting), std::end(Greeting));
  for (std::size_t I = 0; I < Messages.size(); ++I) {
    if (I > 0) S.insert(S.end(), {Fake::C("RSET"), Fake::S("250 ok\r\n")});
    S = Fake::Join({S, Envelope(Messages[I]),
                    {Fake::C("DATA"), Fake::S("354 go\r\n"), Fake::Data(), Fake::S("250 queued\r\n")}});
  }
  S.insert(S.end(), {Fake::C("QUIT"), Fake::S("221 bye\r\n"), Fake::AwaitClose()});
  return S;
}

class SendingFlowTest : public AppTest {
protected:
  void SetUp() override {
    AppTest::SetUp();
    Settings = settings::DefaultConfig("/tmp");
    Settings[settings::clName] = "Me";
    Settings[settings::clEmail] = "me@example.test";
    Smtp.SetWinsockLoaded(true);
    Smtp.SetMailMessage(&Message);
    Outbox = std::make_unique<TTable>(*Database, SmailTable());
    Outbox->Open();
  }

  void Waiting(const std::string& Subject, std::vector<std::string> To, std::vector<std::string> Cc = {},
               std::vector<std::string> Attach = {}) {
    AddRow(SmailTable(), {.Subject = Subject, .Date = "2026-12-0" + std::to_string(++Rows) + " 10:00:00",
                          .Recipients = To, .CarbonCopies = Cc, .Attachments = Attach, .Body = "Hello"});
  }

  // The STATE of every Outbox row in DATE order.
  std::vector<bool> States() {
    TTable Table(*Database, SmailTable());
    Table.Open();
    std::vector<bool> Result;
    for (Table.First(); !Table.Eof(); Table.Next()) Result.push_back(Table.FieldByName("STATE").AsBoolean());
    return Result;
  }

  // Runs Send Mail and returns the text of the error that ended it, if any.
  std::string SendMail() {
    TSendingFlow Flow(Smtp, Message, Ras, *Outbox, Settings, SmtpSettings, Screen);
    Screen.Log.clear();
    try {
      Flow.SendMail();
    } catch (const std::exception& Error) {
      return Error.what();
    }
    return {};
  }

  void ExpectScreenRestored() {
    EXPECT_FALSE(Screen.Locked);
    EXPECT_FALSE(Screen.Animating);
    EXPECT_FALSE(Screen.ProgressShown);
  }

  TStringList Settings;
  settings::TSmtpSettings SmtpSettings;
  TnbMessage Message;
  TnbSMTP Smtp;
  TtkRas Ras;
  std::unique_ptr<TTable> Outbox;
  TRecordingScreen Screen;
  int Rows = 0;
};

TEST_F(SendingFlowTest, WaitingRowsGoToTheirToAndCcLines) {
  const std::string Attachment = (Dir / "notes.txt").string();
  std::ofstream(Attachment) << "attached text\n";
  Waiting("--", {"a@example.test", "b@example.test"}, {"copy@example.test"});
  AddRow(SmailTable(), {.Subject = "Sent before", .Date = "2026-12-05 10:00:00", .State = true,
                        .Recipients = {"old@example.test"}});
  Waiting("Copies", {}, {"c@example.test", "d@example.test"}, {Attachment});
  Waiting("Third", {"e@example.test"});
  Fake Server(Accepted({{"a@example.test", "b@example.test", "copy@example.test"},
                        {"c@example.test", "d@example.test"},
                        {"e@example.test"}}));
  Smtp.Server = Server.Address();

  EXPECT_EQ(SendMail(), "");
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
  EXPECT_EQ(States(), (std::vector<bool>{true, true, true, true}));
  const std::string Transcript = Server.Transcript();
  EXPECT_NE(Transcript.find("Subject: --\r\n"), std::string::npos);
  EXPECT_NE(Transcript.find("notes.txt"), std::string::npos);
  EXPECT_EQ(Transcript.find("old@example.test"), std::string::npos);
  EXPECT_EQ(Screen.Log.back(), "refill list");
  EXPECT_NE(std::find(Screen.Log.begin(), Screen.Log.end(), "status Ready..."), Screen.Log.end());
  ExpectScreenRestored();
}

TEST_F(SendingFlowTest, RefusedRecipientStopsTheRunWithThatRowAndTheRestWaiting) {
  for (const char* Subject : {"one", "two", "three"}) Waiting(Subject, {std::string(Subject) + "@example.test"});
  Steps Script = Accepted({{"one@example.test"}});
  Script.erase(Script.end() - 3, Script.end());
  Fake Server(Fake::Join({Script,
                          {Fake::C("RSET"), Fake::S("250 ok\r\n"), Fake::C("MAIL FROM:<me@example.test>"),
                           Fake::S("250 ok\r\n"), Fake::C("RCPT TO:<two@example.test>"),
                           Fake::S("550 5.1.1 unknown user\r\n"), Fake::C("QUIT"), Fake::S("221 bye\r\n"),
                           Fake::AwaitClose()}}));
  Smtp.Server = Server.Address();

  EXPECT_EQ(SendMail(), "550 5.1.1 unknown user");
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
  EXPECT_EQ(States(), (std::vector<bool>{true, false, false}));
  EXPECT_NE(std::find(Screen.Log.begin(), Screen.Log.end(), "box Cannot Connect, Check Password and UserID."),
            Screen.Log.end());
  ExpectScreenRestored();
}

TEST_F(SendingFlowTest, MissingAttachmentOrUnreachableServerLeavesTheRowWaiting) {
  Waiting("lost file", {"a@example.test"}, {}, {(Dir / "no-such-file.pdf").string()});
  Smtp.Server = "127.0.0.1:" + std::to_string(Fake::UnusedPort());
  EXPECT_NE(SendMail().find("no-such-file.pdf"), std::string::npos);
  EXPECT_EQ(States(), std::vector<bool>{false});
  ExpectScreenRestored();

  Outbox->First();
  Outbox->Edit();
  Outbox->FieldByName("ATTACH").SetAsLines({});
  Outbox->Post();
  const std::string Refused = "Cannot connect to " + Smtp.Server + ": [10061] Connection refused";
  EXPECT_EQ(SendMail(), Refused);
  EXPECT_EQ(Screen.Log.front(), "status " + Refused);
  EXPECT_EQ(States(), std::vector<bool>{false});
  ExpectScreenRestored();
}

// Named whether Server or Port holds the port, for a time-out too, and once the session is open.
TEST_F(SendingFlowTest, ConnectionFailuresNameTheServerAndPort) {
  Waiting("one", {"a@example.test"});
  Fake Silent({Fake::S("220 ready\r\n"), Fake::AwaitClose()});
  Smtp.Server = "127.0.0.1";
  Smtp.Port = Silent.Port();
  Smtp.SetTimeOut(1);
  const std::string TimedOut = "Cannot connect to 127.0.0.1:" + std::to_string(Silent.Port()) + ": Operation timed out";
  EXPECT_EQ(SendMail(), TimedOut);
  EXPECT_EQ(Screen.Log.front(), "status " + TimedOut);
  EXPECT_EQ(Silent.Finish(), std::vector<std::string>{});

  Fake Resetting({Fake::S("220 ready\r\n"), Fake::C("EHLO " + Fake::ClientHostName()), Fake::S("250 ok\r\n"),
                  Fake::C("MAIL FROM:<me@example.test>"), Fake::Reset()});
  Smtp.Server = Resetting.Address();
  EXPECT_EQ(SendMail(), Resetting.Address() + ": [10054] Connection reset by peer");
  EXPECT_EQ(Resetting.Finish(), std::vector<std::string>{});
  EXPECT_EQ(States(), std::vector<bool>{false});
}

TEST_F(SendingFlowTest, StopInTheMiddleOfALargeMessageLeavesItWaiting) {
  const std::string Attachment = (Dir / "big.bin").string();
  std::ofstream(Attachment, std::ios::binary) << std::string(4 << 20, '\x7f');
  Waiting("big", {"a@example.test"}, {}, {Attachment});
  Steps Script = Accepted({{"a@example.test"}});
  Script.resize(Script.size() - 5);  // the client goes before the end of the data
  Script.push_back(Fake::AwaitClose());
  Fake Server(Script);
  Smtp.Server = Server.Address();
  Screen.OnProgress = [&](int Percent) {
    if (Percent > 10) Smtp.Cancel();  // what the Stop button does
  };
  EXPECT_EQ(SendMail(), "Operation has been canceled");
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
  EXPECT_EQ(States(), std::vector<bool>{false});
  ExpectScreenRestored();
}

}  // namespace
