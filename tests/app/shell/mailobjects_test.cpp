// The main window's mail objects: the settings they are given at start-up,
// and Stop and closing while a transfer waits on a server.
#include <QAction>

#include "app/settings/settingsfiles.h"
#include "appfixture.h"
#include "maillib/dialup/tkRasCmp.h"
#include "maillib/message/nbmsg.h"
#include "maillib/smtp/nbsmtp.h"
#include "maillib/transport/nberrors.h"
#include "platform/runtime/processmessages.h"
#include "support/fakeserver.h"
#include "support/namedchild.h"

namespace {

using Fake = TFakeServer;

std::string ErrorOf(const std::function<void()>& Call) {
  try {
    Call();
  } catch (const std::exception& Error) {
    return Error.what();
  }
  return "no exception";
}

class MailObjectsTest : public PumpingAppTest {
protected:
  void SetUp() override {
    PumpingAppTest::SetUp();
    Config = settings::DefaultConfig("/tmp");
    Config[settings::clName] = "Ann Smith";
    Config[settings::clEmail] = "ann@example.test";
  }
  void Start() {
    settings::SaveLines(settings::ConfigFileName, Config);
    OpenWindow();
  }
  TStringList Config;
};

TEST_F(MailObjectsTest, SettingsReachTheMailObjectsWordForWord) {
  Config[settings::clSmtpServer] = "smtp.example.test";
  Config[settings::clConnectionType] = "NOCON";
  Config[settings::clReturnReceipt] = "return";
  Config[settings::clPriority] = "low";
  Start();
  EXPECT_EQ(Window->Message().Sender().Address(), "ann@example.test");
  EXPECT_EQ(Window->Message().Sender().Name(), "Ann Smith");
  EXPECT_EQ(Window->Smtp().Server, "smtp.example.test");
  EXPECT_EQ(Messages, std::vector<std::string>{"Invalid Connection Type"});
  // Words are compared exactly: lower case turns the options off.
  EXPECT_FALSE(Window->Message().ReturnReceipt);
  EXPECT_EQ(Window->Message().Priority, TPriority::ptNormal);

  Config[settings::clReturnReceipt] = "RETURN";
  Config[settings::clPriority] = "HIGH";
  Window->Settings() = Config;
  Window->ApplySettings();
  EXPECT_TRUE(Window->Message().ReturnReceipt);
  EXPECT_EQ(Window->Message().Priority, TPriority::ptHigh);
}

// A server that greets and then says nothing more: the send waits until stopped.
struct TStalledSend {
  Fake Server{{Fake::S("220 ready\r\n"), Fake::AwaitClose()}};
  // True once the client has answered the greeting and waits for the reply.
  bool Waits() { return !Server.Transcript().empty(); }
};

TEST_F(MailObjectsTest, StopEndsTheSendUnlocksAndLeavesTheRowWaiting) {
  AddRow(SmailTable(), {.Subject = "Hi", .Date = "2026-12-01 10:00:00", .Recipients = {"bob@example.test"}});
  TStalledSend Stalled;
  Config[settings::clSmtpServer] = Stalled.Server.Address();
  Start();
  ActWhen([&] { return Stalled.Waits(); }, [this](bool Waiting) {
    EXPECT_TRUE(Waiting);
    // A second Send Mail while the first waits must not start another transfer.
    Command("ToolButton18")->trigger();
    Command("ToolButton23")->trigger();
  });
  EXPECT_EQ(ErrorOf([&] { Window->ToolButton18Click(); }), "Operation has been canceled");
  EXPECT_EQ(Stalled.Server.Finish(), std::vector<std::string>{});
  EXPECT_EQ(Window->StatusText(), "Operation has been canceled");
  EXPECT_TRUE(Command("NewMessage1")->isEnabled());
  EXPECT_TRUE(Command("ToolButton18")->isEnabled());
  EXPECT_FALSE(Window->Animating());
  TTable Outbox(*Database, SmailTable());
  Outbox.Open();
  EXPECT_FALSE(Outbox.FieldByName("STATE").AsBoolean());
}

TEST_F(MailObjectsTest, ClosingDuringASendStopsItAndClosesAfterwards) {
  AddRow(SmailTable(), {.Subject = "Hi", .Date = "2026-12-01 10:00:00", .Recipients = {"bob@example.test"}});
  TStalledSend Stalled;
  Config[settings::clSmtpServer] = Stalled.Server.Address();
  Start();
  bool StillOpenAfterClose = false;
  ActWhen([&] { return Stalled.Waits(); }, [&](bool Waiting) {
    EXPECT_TRUE(Waiting);
    Window->close();
    StillOpenAfterClose = Window->isVisible();
  });
  EXPECT_EQ(ErrorOf([&] { Window->ToolButton18Click(); }), "Operation has been canceled");
  EXPECT_TRUE(StillOpenAfterClose);
  EXPECT_TRUE(WaitFor([&] { return !Window->isVisible(); }));
}

}  // namespace
