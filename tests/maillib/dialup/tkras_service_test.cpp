// The phonebook, the Service setter and its message boxes, and which
// connections Connect adopts instead of dialling.
#include "rasfixture.h"

namespace {

const std::string SNoRas = "TtkRas component was unable to detect\nRAS on your system.";
const std::string SOnlyBeforeConnect = "This property can be set only before\nestablishing the connection";
const std::string SInvalidService = "Invalid service name";

using RasEntriesTest = RasTest;

TEST_F(RasEntriesTest, AServiceErrorLeavesTheListEmptyAndIsKeptAsLastError) {
  Api->EnumEntriesError = 610;
  TtkRas Ras;
  EXPECT_TRUE(Ras.Entries().empty());
  EXPECT_EQ(Ras.LastError(), 610u);
  EXPECT_FALSE(Ras.RasAvailable());
}

using RasServiceTest = RasTest;

TEST_F(RasServiceTest, AnEntryNameIsTakenWhateverItsCase) {
  TtkRas Ras;
  Ras.SetService("home isp");
  EXPECT_EQ(Ras.Service(), "home isp");
  EXPECT_TRUE(Boxes.empty());
}

TEST_F(RasServiceTest, AnInvalidNameShowsTheBoxAndEmptiesService) {
  TtkRas Ras;
  Ras.SetService("Work");
  Ras.SetService("Office");
  EXPECT_EQ(Ras.Service(), "");
  EXPECT_EQ(Boxes, std::vector<std::string>{SInvalidService});
}

TEST_F(RasServiceTest, WhileConnectedTheOldValueIsKept) {
  Api->AddConnection("Work");
  TtkRas Ras;
  Ras.SetService("Work");
  Ras.Connect();
  ASSERT_TRUE(Ras.Connected());
  Ras.SetService("Home ISP");
  EXPECT_EQ(Ras.Service(), "Work");
  EXPECT_EQ(Boxes, std::vector<std::string>{SOnlyBeforeConnect});
  // Emptying it is always allowed.
  Ras.SetService("");
  EXPECT_EQ(Ras.Service(), "");
  EXPECT_EQ(Boxes.size(), 1u);
}

TEST_F(RasServiceTest, WithoutADialUpServiceTheBoxSaysRasWasNotDetected) {
  SetRasApi(nullptr);
  TtkRas Ras;
  EXPECT_FALSE(Ras.RasAvailable());
  Ras.SetService("Work");
  EXPECT_EQ(Ras.Service(), "");
  EXPECT_EQ(Boxes, std::vector<std::string>{SNoRas});
  // Connect only marks the component connected; there is nothing to find or dial.
  EXPECT_FALSE(Ras.FindConnection());
  Ras.Connect();
  EXPECT_TRUE(Ras.Connected());
  Ras.HangUp();
  EXPECT_FALSE(Ras.Connected());
}

using RasAdoptTest = RasTest;

TEST_F(RasAdoptTest, AnEmptyServiceConnectsWithoutDiallingAndHangsNothingUp) {
  TtkRas Ras;
  int Disconnects = 0;
  Ras.OnDisconnected = [&](TObject*) { ++Disconnects; };
  Ras.Connect();
  EXPECT_TRUE(Ras.Connected());
  EXPECT_TRUE(Api->Dials.empty());
  Ras.HangUp();
  EXPECT_FALSE(Ras.Connected());
  EXPECT_TRUE(Api->HangUps.empty());
  EXPECT_EQ(Disconnects, 0);
}

TEST_F(RasAdoptTest, AnEntryConnectedByAnotherProgramIsAdoptedAndLeftUp) {
  Api->AddConnection("Home ISP");
  const TRasConn Work = Api->AddConnection("Work");
  TtkRas Ras;
  int Disconnects = 0;
  Ras.OnDisconnected = [&](TObject*) { ++Disconnects; };
  Ras.SetService("Work");
  Ras.Connect();
  EXPECT_TRUE(Ras.Connected());
  EXPECT_EQ(Ras.ConnectionHandle(), Work);
  EXPECT_TRUE(Api->Dials.empty());
  Ras.HangUp();
  EXPECT_FALSE(Ras.Connected());
  EXPECT_EQ(Ras.ConnectionHandle(), NoRasConn);
  EXPECT_TRUE(Api->HangUps.empty());
  EXPECT_TRUE(Api->IsUp(Work));
  EXPECT_EQ(Disconnects, 0);
}

TEST_F(RasAdoptTest, NotForcedAnyConnectionWithIpIsAdoptedWhateverServiceNames) {
  Api->AddConnection("Home ISP");  // no IP: passed over
  const TRasConn Other = Api->AddConnection("Someone's VPN", "192.168.7.3");
  TtkRas Ras;
  Ras.ForceService = false;
  Ras.SetService("Work");
  Api->DialScript = FullDial();
  Ras.Connect();
  EXPECT_TRUE(Ras.Connected());
  EXPECT_EQ(Ras.ConnectionHandle(), Other);
  EXPECT_TRUE(Api->Dials.empty());
}

TEST_F(RasAdoptTest, ForcedOnlyAConnectionOfServiceCounts) {
  Api->AddConnection("Home ISP");  // no IP
  TtkRas Ras;
  Ras.SetService("Work");
  Ras.ForceService = false;
  EXPECT_FALSE(Ras.FindConnection());
  const TRasConn Vpn = Api->AddConnection("Someone's VPN", "192.168.7.3");
  Ras.ForceService = true;
  EXPECT_FALSE(Ras.FindConnection());
  Ras.ForceService = false;
  EXPECT_TRUE(Ras.FindConnection());
  EXPECT_EQ(Ras.ConnectionHandle(), Vpn);
}

TEST_F(RasAdoptTest, ServiceErrorsWhileLookingRaiseERASError) {
  Api->ErrorTexts[611] = "The route is not available.";
  Api->AddConnection("Home ISP");
  TtkRas Ras;
  Ras.SetService("Work");
  Api->EnumConnectionsError = 611;
  EXPECT_EQ(ErrorOf<ERASError>([&] { Ras.FindConnection(); }), "The route is not available.");
  EXPECT_EQ(Ras.LastError(), 611u);

  Api->EnumConnectionsError = 0;
  Api->ProjectionError = 612;
  Ras.ForceService = false;
  try {
    Ras.Connect();
    FAIL() << "no exception";
  } catch (const ERASError& Error) {
    EXPECT_EQ(Error.Message, "RAS error no 612");
    EXPECT_EQ(Error.ErrorCode, 612u);
  }
  EXPECT_FALSE(Ras.Connected());
  EXPECT_TRUE(Api->Dials.empty());
}

}  // namespace
