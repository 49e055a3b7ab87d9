// A socket linked to the dial-up component through its RAS property dials
// when it opens and hangs up when it closes.
#include "../transport/testclient.h"
#include "maillib/transport/nberrors.h"
#include "rasfixture.h"
#include "support/fakeserver.h"

namespace {

// The scripted dial-up service and the system's socket library (as SocketTest loads it).
class RasSocketTest : public RasTest {
protected:
  void SetUp() override {
    RasTest::SetUp();
    TtkWinsock::Instance().SetLoader(PosixSocketLibrary);
    TtkWinsock::Instance().Load();
    Api->DialScript = FullDial();
  }
};

TEST_F(RasSocketTest, OpeningDialsAndClosingHangsUp) {
  TFakeServer Server({TFakeServer::S("220 ready\r\n"), TFakeServer::AwaitClose()});
  TTestClient Client(Server.Address());
  TtkRas Ras;
  Ras.SetService("Work");
  std::vector<std::string> Log;
  Ras.OnStatusChange = [&](TObject*, const std::string& Text) {
    if (Text == "Successfully connected") Log.push_back("dialled");
  };
  Ras.OnDisconnected = [&](TObject*) { Log.push_back("hung up"); };
  Client.OnOpen = [&](TObject*) { Log.push_back("open"); };
  Client.OnClosed = [&](TObject*) { Log.push_back("closed"); };
  Client.SetRAS(&Ras);

  Client.Connect();
  EXPECT_EQ(Client.Greeting, 220);
  EXPECT_TRUE(Ras.Connected());
  ASSERT_EQ(Api->Dials.size(), 1u);
  const TRasConn Line = Ras.ConnectionHandle();
  Client.Close();
  EXPECT_FALSE(Ras.Connected());
  EXPECT_EQ(Api->HangUps, std::vector<TRasConn>{Line});
  EXPECT_EQ(Log, (std::vector<std::string>{"dialled", "open", "closed", "hung up"}));
}

TEST_F(RasSocketTest, AFailedDialStopsTheOpenBeforeAnyNetworkStep) {
  Api->DialScript = {{rascs::OpenPort}, {rascs::ConnectDevice, 680}};
  TTestClient Client("127.0.0.1:" + std::to_string(TFakeServer::UnusedPort()));
  TtkRas Ras;
  Ras.SetService("Work");
  Client.SetRAS(&Ras);
  EXPECT_EQ(ErrorOf<ERASError>([&] { Client.Connect(); }), "RAS error no 680");
  EXPECT_TRUE(Client.Events.empty());  // not even OnOpen
  EXPECT_FALSE(Client.Connected());
}

TEST_F(RasSocketTest, ADestroyedComponentIsNoLongerReached) {
  TTestClient Client("127.0.0.1:" + std::to_string(TFakeServer::UnusedPort()));
  {
    TtkRas Ras;
    Client.SetRAS(&Ras);
    EXPECT_EQ(Client.RAS(), &Ras);
  }
  EXPECT_EQ(Client.RAS(), nullptr);
  Client.Close();
  EXPECT_TRUE(Api->HangUps.empty());
}

}  // namespace
