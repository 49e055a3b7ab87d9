// Dialling: status texts, stored passwords, errors before and after the line
// is up, the time-out, the stop flag and the user's Stop, hanging up.
#include <chrono>
#include <thread>

#include "maillib/transport/nberrors.h"
#include "rasfixture.h"

namespace {

using namespace std::chrono_literals;

class RasDialTest : public RasTest {
protected:
  void SetUp() override {
    RasTest::SetUp();
    Api->DialScript = FullDial();
    Ras = std::make_unique<TtkRas>();
    Ras->SetService("Work");
    Ras->OnStatusChange = [this](TObject* Sender, const std::string& Text) {
      EXPECT_EQ(Sender, Ras.get());
      Statuses.push_back(Text);
    };
    Ras->OnDisconnected = [this](TObject*) { ++Disconnects; };
  }

  std::unique_ptr<TtkRas> Ras;
  std::vector<std::string> Statuses;
  int Disconnects = 0;
};

TEST_F(RasDialTest, AFullDialReportsEveryStateAndConnects) {
  Api->DialScript.insert(Api->DialScript.begin() + 1, {77});  // no text of its own
  Api->DialScript.insert(Api->DialScript.end() - 1, {rascs::ReAuthenticate});
  Api->StatusTexts = {{122, "Wählen..."}, {129, "Verbunden"}};
  Ras->Connect();
  EXPECT_TRUE(Ras->Connected());
  EXPECT_EQ(Statuses, (std::vector<std::string>{"Initializing...", "", "Wählen...", "Wählen...", "Wählen...",
                                                "Verifying user name and password", "User name and password verified",
                                                "Logging on to Network", "Verifying user name and password",
                                                "Verbunden"}));
  ASSERT_EQ(Api->Dials.size(), 1u);
  EXPECT_EQ(Api->Dials[0].EntryName, "Work");
  EXPECT_TRUE(Api->IsUp(Ras->ConnectionHandle()));
  EXPECT_EQ(Ras->LastError(), 0u);
}

TEST_F(RasDialTest, HangUpHangsUpWhatWasDialledHereOnce) {
  Ras->Connect();
  const TRasConn Line = Ras->ConnectionHandle();
  Ras->HangUp();
  Ras->HangUp();
  EXPECT_EQ(Api->HangUps, std::vector<TRasConn>{Line});
  EXPECT_FALSE(Api->IsUp(Line));
  EXPECT_FALSE(Ras->Connected());
  EXPECT_EQ(Disconnects, 1);
}

TEST_F(RasDialTest, ASecondConnectKeepsTheLineDialledHere) {
  // The application does not force its service: the line it dialled carries
  // IP, and must not be adopted as someone else's by the next transfer.
  Ras->ForceService = false;
  Ras->Connect();
  const TRasConn Line = Ras->ConnectionHandle();
  Ras->Connect();
  EXPECT_EQ(Api->Dials.size(), 1u);
  EXPECT_EQ(Ras->ConnectionHandle(), Line);
  Ras->HangUp();
  EXPECT_EQ(Api->HangUps, std::vector<TRasConn>{Line});
  EXPECT_EQ(Disconnects, 1);
}

using RasPasswordTest = RasDialTest;

TEST_F(RasPasswordTest, WithoutAStoredPasswordThePropertyIsStored) {
  Api->Stored["Work"] = {{"Work", "555-0100", "", "joe", "", ""}, false};
  Ras->Password = "secret";
  Ras->Connect();
  ASSERT_EQ(Api->StoreCalls.size(), 1u);
  EXPECT_EQ(Api->StoreCalls[0].Params.Password, "secret");
  EXPECT_EQ(Api->StoreCalls[0].Params.UserName, "joe");
  EXPECT_EQ(Api->StoreCalls[0].Params.PhoneNumber, "555-0100");
  EXPECT_TRUE(Api->StoreCalls[0].RemovePassword);
  EXPECT_EQ(Api->Dials[0].Password, "secret");
}

TEST_F(RasPasswordTest, AStoredPasswordIsUsedAsItIs) {
  Api->Stored["Work"] = {{"Work", "555-0100", "", "joe", "stored", ""}, true};
  Ras->Password = "secret";
  Ras->Connect();
  EXPECT_TRUE(Api->StoreCalls.empty());
  EXPECT_EQ(Api->Dials[0].Password, "stored");
}

TEST_F(RasPasswordTest, ServiceErrorsOnTheParametersStopBeforeDialling) {
  Api->GetParamsError = 623;
  EXPECT_EQ(ErrorOf<ERASError>([&] { Ras->Connect(); }), "RAS error no 623");
  Api->GetParamsError = 0;
  Api->SetParamsError = 5;
  Api->ErrorTexts[5] = "Access is denied.";
  EXPECT_EQ(ErrorOf<ERASError>([&] { Ras->Connect(); }), "Access is denied.");
  EXPECT_TRUE(Api->Dials.empty());
  EXPECT_FALSE(Ras->Connected());
}

using RasDialErrorTest = RasDialTest;

TEST_F(RasDialErrorTest, AFailingStepRaisesTheServicesTextAndHangsUp) {
  Api->ErrorTexts[678] = "The remote computer did not respond.";
  Api->DialScript = {{rascs::OpenPort}, {rascs::ConnectDevice, 678}};
  try {
    Ras->Connect();
    FAIL() << "no exception";
  } catch (const ERASError& Error) {
    EXPECT_EQ(Error.Message, "The remote computer did not respond.");
    EXPECT_EQ(Error.ErrorCode, 678u);
  }
  ASSERT_EQ(Api->Dials.size(), 1u);
  EXPECT_EQ(Api->HangUps.size(), 1u);
  EXPECT_EQ(Disconnects, 1);
  EXPECT_FALSE(Ras->Connected());
  EXPECT_EQ(Ras->LastError(), 678u);
  EXPECT_EQ(Statuses, (std::vector<std::string>{"Initializing...", "Dialing..."}));
}

TEST_F(RasDialErrorTest, WithoutAServiceTextTheCodeIsGiven) {
  Api->DialScript = {{rascs::OpenPort}, {rascs::Authenticate, 691}};
  EXPECT_EQ(ErrorOf<ERASError>([&] { Ras->Connect(); }), "RAS error no 691");
  EXPECT_EQ(Api->HangUps.size(), 1u);
}

TEST_F(RasDialErrorTest, ADialTheServiceRefusesToStartIsHungUp) {
  Api->DialRefusal = 633;
  Api->ErrorTexts[633] = "The modem is already in use.";
  EXPECT_EQ(ErrorOf<ERASError>([&] { Ras->Connect(); }), "The modem is already in use.");
  EXPECT_EQ(Api->HangUps.size(), 1u);
  EXPECT_TRUE(Statuses.empty());
}

TEST_F(RasDialErrorTest, AnErrorWithTheConnectedStateEndsConnectWithERASError) {
  Api->DialScript = {{rascs::OpenPort}, {rascs::Connected, 629}};
  EXPECT_EQ(ErrorOf<ERASError>([&] { Ras->Connect(); }), "RAS error no 629");
  EXPECT_EQ(Api->HangUps.size(), 1u);
  EXPECT_EQ(Disconnects, 1);
  EXPECT_FALSE(Ras->Connected());
}

TEST_F(RasDialErrorTest, ALineLostAfterConnectIsHungUpAndReportedNotThrown) {
  Api->DialScript = {{rascs::OpenPort}, {rascs::Connected}, {rascs::Connected, 629, 30}};
  Ras->Connect();
  ASSERT_TRUE(Ras->Connected());
  const TRasConn Line = Ras->ConnectionHandle();
  const auto Deadline = std::chrono::steady_clock::now() + 5s;
  while (Ras->Connected() && std::chrono::steady_clock::now() < Deadline) {
    EXPECT_NO_THROW(Ras->ProcessDialEvents());
    std::this_thread::sleep_for(2ms);
  }
  EXPECT_FALSE(Ras->Connected());
  EXPECT_EQ(Ras->LastError(), 629u);
  EXPECT_EQ(Api->HangUps, std::vector<TRasConn>{Line});
  EXPECT_EQ(Disconnects, 1);
}

using RasWaitTest = RasDialTest;

TEST_F(RasWaitTest, ADialThatNeverAnswersTimesOutAndIsNotHungUp) {
  Api->DialScript.clear();
  Ras->SetTimeOut(1);
  const auto Start = std::chrono::steady_clock::now();
  EXPECT_EQ(ErrorOf<ETimedOutError>([&] { Ras->Connect(); }), "Operation timed out");
  EXPECT_GE(std::chrono::steady_clock::now() - Start, 900ms);
  EXPECT_TRUE(Api->HangUps.empty());
  EXPECT_EQ(Disconnects, 0);
  EXPECT_FALSE(Ras->Connected());
  // The caller hangs it up (a linked socket's Close does).
  Ras->HangUp();
  EXPECT_EQ(Api->HangUps.size(), 1u);
}

TEST_F(RasWaitTest, TheStopFlagSetDuringTheDialCancelsIt) {
  Api->DialScript = {{rascs::OpenPort}, {rascs::ConnectDevice, 0, 20}, {rascs::Connected, 0, 10000}};
  Ras->OnStatusChange = [this](TObject*, const std::string& Text) {
    Statuses.push_back(Text);
    if (Text == "Dialing...") Ras->StopDialWait();
  };
  Ras->SetTimeOut(3);  // a wait that missed the flag ends in a time-out, not in a hang
  const auto Start = std::chrono::steady_clock::now();
  EXPECT_EQ(ErrorOf<ECanceledError>([&] { Ras->Connect(); }), "Operation has been canceled");
  EXPECT_LT(std::chrono::steady_clock::now() - Start, 5s);
  EXPECT_EQ(Statuses, (std::vector<std::string>{"Initializing...", "Dialing..."}));
  EXPECT_FALSE(Ras->Connected());
}

TEST_F(RasWaitTest, TheUsersStopHangsUpAndEndsTheWait) {
  // Stop in the main window calls only HangUp; the wait must not run on to its time-out.
  Api->DialScript = {{rascs::OpenPort}, {rascs::ConnectDevice, 0, 20}, {rascs::Connected, 0, 10000}};
  Ras->OnStatusChange = [this](TObject*, const std::string& Text) {
    if (Text == "Dialing...") Ras->HangUp();
  };
  Ras->SetTimeOut(3);  // a wait that missed the hang-up ends in a time-out, not in a hang
  const auto Start = std::chrono::steady_clock::now();
  EXPECT_EQ(ErrorOf<ECanceledError>([&] { Ras->Connect(); }), "Operation has been canceled");
  EXPECT_LT(std::chrono::steady_clock::now() - Start, 5s);
  EXPECT_EQ(Api->HangUps.size(), 1u);
  EXPECT_EQ(Disconnects, 1);
  EXPECT_EQ(Api->PendingDials(), 0u);
}

TEST_F(RasWaitTest, AConnectedEventHandledAfterStopDoesNotMarkTheComponentConnected) {
  Api->DialScript = {{rascs::OpenPort}, {rascs::Connected}};
  Ras->OnStatusChange = [this](TObject*, const std::string& Text) {
    if (Text == "Successfully connected") Ras->HangUp();
  };
  Ras->SetTimeOut(3);
  EXPECT_THROW(Ras->Connect(), ECanceledError);
  EXPECT_FALSE(Ras->Connected());
}

TEST_F(RasWaitTest, EventsForADestroyedComponentAreDropped) {
  Api->DialScript = {{rascs::OpenPort}, {rascs::ConnectDevice, 0, 10}, {rascs::Connected, 0, 10}};
  int Seen = 0;
  Ras->OnStatusChange = [&](TObject*, const std::string&) {
    if (++Seen == 1) Ras->StopDialWait();
  };
  EXPECT_THROW(Ras->Connect(), ECanceledError);
  ASSERT_EQ(Api->PendingDials(), 1u);
  Ras.reset();
  const auto Deadline = std::chrono::steady_clock::now() + 5s;
  while (Api->PendingDials() > 0 && std::chrono::steady_clock::now() < Deadline) {
    Api->Poll();
    std::this_thread::sleep_for(2ms);
  }
  EXPECT_EQ(Api->PendingDials(), 0u);
  EXPECT_EQ(Seen, 1);
}

}  // namespace
