// Send Mail in the main window with a modem connection dials the entry
// through NetworkManager (python-dbusmock's template on a private bus), sends
// the Outbox over the line, and closing the window hangs the line up.
#include "app/settings/settingsfiles.h"
#include "appfixture.h"
#include "platform/ras/nmrasapi.h"
#include "support/fakeserver.h"
#include "support/privatesystembus.h"

namespace {

using Fake = TFakeServer;

class NetworkManagerDialTest : public PumpingAppTest {
protected:
  void TearDown() override {
    PumpingAppTest::TearDown();
    SetRasApi(nullptr);
  }
  TPrivateSystemBus Bus;
};

TEST_F(NetworkManagerDialTest, SendMailDialsTheModemEntryAndClosingHangsUp) {
  ASSERT_TRUE(Bus.StartNetworkManager());
  const std::string Mobile = Bus.NetworkManager({"profile", "Mobile", "gsm"});
  // Offline until the dial: no other connection to adopt.
  Bus.NetworkManager({"state", "20"});
  AddRow(SmailTable(), {.Subject = "Hi", .Date = "2026-12-01 10:00:00", .Recipients = {"bob@example.test"}});
  Fake Server({Fake::S("220 ready\r\n"), Fake::C("EHLO " + Fake::ClientHostName()), Fake::S("250 ok\r\n"),
               Fake::C("MAIL FROM:<ann@example.test>"), Fake::S("250 ok\r\n"), Fake::C("RCPT TO:<bob@example.test>"),
               Fake::S("250 ok\r\n"), Fake::C("DATA"), Fake::S("354 go\r\n"), Fake::Data(), Fake::S("250 queued\r\n"),
               Fake::C("QUIT"), Fake::S("221 bye\r\n"), Fake::AwaitClose()});
  TStringList Config = settings::DefaultConfig("/tmp");
  Config[settings::clEmail] = "ann@example.test";
  Config[settings::clSmtpServer] = Server.Address();
  Config[settings::clConnectionType] = settings::Modem;
  Config[settings::clDialUpEntry] = "Mobile";
  settings::SaveLines(settings::ConfigFileName, Config);
  SetRasApi(NetworkManagerRasApi());
  OpenWindow();

  Window->ToolButton18Click();
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
  EXPECT_EQ(Bus.NetworkManager({"calls", "ActivateConnection"}), Mobile);
  EXPECT_EQ(Bus.NetworkManager({"calls", "DeactivateConnection"}), "");
  const std::string Line = Bus.NetworkManager({"newest"});
  Window->close();
  EXPECT_EQ(Bus.NetworkManager({"calls", "DeactivateConnection"}), Line);
  EXPECT_EQ(Window->StatusText(), "Status: Offline");
  EXPECT_EQ(Messages, std::vector<std::string>{});
}

}  // namespace
