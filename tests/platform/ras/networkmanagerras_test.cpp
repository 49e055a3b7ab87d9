// The dial-up component over NetworkManager, against python-dbusmock's
// NetworkManager template on a private bus: the phonebook, dials that
// connect, fail, time out or are stopped, and connections it adopts.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <thread>

#include "maillib/dialup/tkRasCmp.h"
#include "maillib/transport/nberrors.h"
#include "platform/ras/nmrasapi.h"
#include "support/errorof.h"
#include "support/privatesystembus.h"

namespace {

using namespace std::chrono_literals;

TEST(NetworkManagerRasApi, WithoutABusOrWithoutNetworkManagerThereIsNoService) {
  TPrivateSystemBus Bus;
  ASSERT_FALSE(Bus.Address().empty());
  EXPECT_FALSE(NetworkManagerRasApi()->Available());
  setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/corvalen-test-bus", 1);
  EXPECT_FALSE(NetworkManagerRasApi()->Available());
}

class NetworkManagerRasTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Bus.StartNetworkManager());
    Mobile = Bus.NetworkManager({"profile", "Mobile", "gsm"});
    Bus.NetworkManager({"profile", "Wired", "802-3-ethernet"});
    SetRasApi(NetworkManagerRasApi());
    Ras = std::make_unique<TtkRas>();
    Ras->SetService("Mobile");
    Ras->OnStatusChange = [this](TObject*, const std::string& Text) {
      Statuses.push_back(Text);
      if (const auto Step = Steps.extract(Text)) Step.mapped()();
    };
    Ras->OnDisconnected = [this](TObject*) { ++Disconnects; };
  }
  void TearDown() override {
    Ras.reset();
    SetRasApi(nullptr);
  }

  // Activations stay in ACTIVATING until the test moves them on.
  void Stepwise() { Bus.NetworkManager({"stepwise"}); }
  std::string Calls(const QString& Method) { return Bus.NetworkManager({"calls", Method}); }

  TPrivateSystemBus Bus;
  std::string Mobile;
  std::unique_ptr<TtkRas> Ras;
  std::vector<std::string> Statuses;
  // What to do the first time a status text is reported.
  std::map<std::string, std::function<void()>> Steps;
  int Disconnects = 0;
};

TEST_F(NetworkManagerRasTest, TheEntriesAreTheProfilesAUserDials) {
  for (const QStringList& Profile : {QStringList{"Home DSL", "pppoe"}, {"Office VPN", "vpn"}, {"CDMA", "cdma"},
                                     {"Cafe", "802-11-wireless"}, {"Phone", "bluetooth", "dun"},
                                     {"Headset", "bluetooth", "panu"}})
    Bus.NetworkManager(QStringList{"profile"} + Profile);
  EXPECT_EQ(Ras->Entries(), (TStringList{"Mobile", "Home DSL", "Office VPN", "CDMA", "Phone"}));
  EXPECT_EQ(Ras->Service(), "Mobile");
}

TEST_F(NetworkManagerRasTest, ADialFollowsTheActivationAndHangUpDeactivatesIt) {
  Stepwise();
  Steps["Dialing..."] = [this] { Bus.NetworkManager({"flags", "8"}); };
  Steps["Logging on to Network"] = [this] { Bus.NetworkManager({"acstate", "2", "1"}); };
  Ras->Connect();
  EXPECT_TRUE(Ras->Connected());
  EXPECT_EQ(Statuses, (std::vector<std::string>{"Initializing...", "Dialing...", "Logging on to Network",
                                                "Successfully connected"}));
  EXPECT_EQ(Calls("ActivateConnection"), Mobile);
  const std::string Line = Bus.NetworkManager({"newest"});
  Ras->HangUp();
  EXPECT_EQ(Calls("DeactivateConnection"), Line);
  EXPECT_EQ(Disconnects, 1);
}

TEST_F(NetworkManagerRasTest, AFailedActivationRaisesNetworkManagersReason) {
  Stepwise();
  Steps["Dialing..."] = [this] { Bus.NetworkManager({"acstate", "4", "10"}); };
  try {
    Ras->Connect();
    FAIL() << "no exception";
  } catch (const ERASError& Error) {
    EXPECT_EQ(Error.Message, "Authentication to the server failed.");
    EXPECT_EQ(Error.ErrorCode, nmras::ReasonBase + 10);
  }
  // The failure comes with the state the dial had reached.
  EXPECT_EQ(Statuses, (std::vector<std::string>{"Initializing...", "Dialing...", "Dialing..."}));
  EXPECT_FALSE(Ras->Connected());
  EXPECT_EQ(Disconnects, 1);
  // The connection is down already: nothing to deactivate.
  EXPECT_EQ(Calls("DeactivateConnection"), "");
}

TEST_F(NetworkManagerRasTest, ALineLostAfterConnectIsReportedWithItsReason) {
  Ras->Connect();
  ASSERT_TRUE(Ras->Connected());
  Bus.NetworkManager({"acstate", "4", "3"});
  const auto Deadline = std::chrono::steady_clock::now() + 5s;
  while (Ras->Connected() && std::chrono::steady_clock::now() < Deadline) {
    Ras->ProcessDialEvents();
    std::this_thread::sleep_for(2ms);
  }
  EXPECT_FALSE(Ras->Connected());
  EXPECT_EQ(Ras->LastError(), nmras::ReasonBase + 3);
  EXPECT_EQ(Disconnects, 1);
}

TEST_F(NetworkManagerRasTest, ADialThatNeverActivatesTimesOutAndIsLeftToTheCaller) {
  Stepwise();
  Ras->SetTimeOut(1);
  EXPECT_EQ(ErrorOf<ETimedOutError>([&] { Ras->Connect(); }), "Operation timed out");
  EXPECT_EQ(Calls("DeactivateConnection"), "");
  const std::string Line = Bus.NetworkManager({"newest"});
  Ras->HangUp();
  EXPECT_EQ(Calls("DeactivateConnection"), Line);
}

TEST_F(NetworkManagerRasTest, TheUsersStopDeactivatesTheDialAndEndsTheWait) {
  Stepwise();
  Steps["Dialing..."] = [this] { Ras->HangUp(); };
  Ras->SetTimeOut(10);
  const auto Start = std::chrono::steady_clock::now();
  EXPECT_EQ(ErrorOf<ECanceledError>([&] { Ras->Connect(); }), "Operation has been canceled");
  EXPECT_LT(std::chrono::steady_clock::now() - Start, 8s);
  EXPECT_EQ(Calls("DeactivateConnection"), Bus.NetworkManager({"newest"}));
  EXPECT_EQ(Disconnects, 1);
}

TEST_F(NetworkManagerRasTest, AnActiveProfileIsAdoptedAndLeftUp) {
  Bus.NetworkManager({"active", QString::fromStdString(Mobile)});
  Ras->Connect();
  EXPECT_TRUE(Ras->Connected());
  Ras->HangUp();
  EXPECT_EQ(Calls("ActivateConnection"), "");
  EXPECT_EQ(Calls("DeactivateConnection"), "");
  EXPECT_EQ(Disconnects, 0);
}

TEST_F(NetworkManagerRasTest, AnyIpConnectionCountsOnlyWhileNetworkManagerIsConnectedGlobally) {
  Bus.NetworkManager({"active", QString::fromStdString(Bus.NetworkManager({"profile", "Office LAN", "802-3-ethernet"}))});
  Bus.NetworkManager({"ip", "192.0.2.7"});
  Ras->ForceService = false;
  EXPECT_TRUE(Ras->FindConnection());
  Bus.NetworkManager({"state", "20"});
  EXPECT_FALSE(Ras->FindConnection());
  Ras->ForceService = true;
  Bus.NetworkManager({"state", "70"});
  EXPECT_FALSE(Ras->FindConnection());
}

}  // namespace
