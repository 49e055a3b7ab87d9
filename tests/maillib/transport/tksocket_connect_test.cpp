// Opening a connection: Server forms, lookups, refused and failing connects,
// the socket library's failures and the dial-up link.
#include <arpa/inet.h>

#include "maillib/transport/nberrors.h"
#include "maillib/transport/raslink.h"
#include "support/fakeserver.h"
#include "support/procoverride.h"
#include "testclient.h"

namespace {

using Fake = TFakeServer;

// A lookup that has already finished with the given result.
TLookupHandle Finished(int Error, std::vector<std::uint32_t> Addresses = {}, std::uint16_t Port = 0) {
  auto Lookup = std::make_shared<TAsyncLookup>();
  Lookup->Error = Error;
  Lookup->Addresses = std::move(Addresses);
  Lookup->Port = Port;
  Lookup->Done = true;
  return Lookup;
}

using ConnectTest = SocketTest;

TEST_F(ConnectTest, HostAndPortInServerSkipTheServiceLookup) {
  Fake Server({Fake::S("220 ready\r\n"), Fake::C("QUIT")});
  int ServiceLookups = 0;
  TProcOverride Services(wsproc::WSAAsyncGetServByName, [&](const std::string&, const std::string&) {
    ++ServiceLookups;
    return Finished(0, {}, htons(1));
  });
  TTestClient Client(Server.Address());
  Client.DefaultPort = 1;
  Client.Connect();
  EXPECT_EQ(Client.Greeting, 220);
  EXPECT_EQ(Client.RemotePort(), Server.Port());
  EXPECT_EQ(ServiceLookups, 0);
  Client.Disconnect();
  EXPECT_FALSE(Client.Connected());
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
  EXPECT_EQ(Client.Events, (std::vector<std::string>{"open", "closing", "closed"}));
}

TEST_F(ConnectTest, PortThatIsNotANumberFallsBackToTheServiceLookup) {
  Fake Server({Fake::S("220 ready\r\n")});
  std::string LookedUp;
  TProcOverride Services(wsproc::WSAAsyncGetServByName, [&](const std::string& Name, const std::string& Proto) {
    LookedUp = Name + "/" + Proto;
    return Finished(0, {}, htons(Server.Port()));
  });
  TTestClient Client("127.0.0.1:notanumber");
  Client.ServiceName = "pop3";
  Client.Connect();
  EXPECT_EQ(LookedUp, "pop3/tcp");
  EXPECT_EQ(Client.RemotePort(), Server.Port());
  EXPECT_EQ(Client.Greeting, 220);
}

TEST_F(ConnectTest, UnknownServiceUsesTheDefaultPort) {
  Fake Server({Fake::S("220 ready\r\n")});
  TTestClient Client("127.0.0.1:99999");  // out of range: not a port
  Client.ServiceName = "corvalen-no-such-service";
  Client.DefaultPort = Server.Port();
  Client.Connect();
  EXPECT_EQ(Client.Greeting, 220);
}

TEST_F(ConnectTest, EmptyServiceNameWithoutPortIsRefused) {
  TTestClient Client("127.0.0.1");
  Client.ServiceName.clear();
  EXPECT_EQ(ErrorOf<ESocketError>([&] { Client.OpenSocket(); }), "Service name is required");
}

TEST_F(ConnectTest, EmptyServerFailsAfterOnOpenBeforeAnyNetworkActivity) {
  int Sockets = 0;
  TProcOverride Socket(wsproc::socket, [&](int, int, int) { return ++Sockets, -1; });
  TTestClient Client("");
  EXPECT_EQ(ErrorOf<ESocketError>([&] { Client.Connect(); }), "Server property is required");
  EXPECT_EQ(Client.Events, (std::vector<std::string>{"open", "error: Server property is required"}));
  EXPECT_EQ(Sockets, 0);
  EXPECT_FALSE(Client.Connected());
}

TEST_F(ConnectTest, HostNameIsLookedUpAndItsFirstAddressUsed) {
  Fake Server({Fake::S("220 ready\r\n")});
  std::string LookedUp;
  TProcOverride Hosts(wsproc::WSAAsyncGetHostByName, [&](const std::string& Name) {
    LookedUp = Name;
    return Finished(0, {htonl(INADDR_LOOPBACK), htonl(0x0A000001)});
  });
  TTestClient Client("mail.example.test:" + std::to_string(Server.Port()));
  Client.Connect();
  EXPECT_EQ(LookedUp, "mail.example.test");
  EXPECT_EQ(Client.RemoteAddress, "127.0.0.1");
  EXPECT_EQ(Client.Greeting, 220);
}

TEST_F(ConnectTest, DottedAddressSkipsTheHostLookup) {
  Fake Server({Fake::S("220 ready\r\n")});
  TProcOverride Hosts(wsproc::WSAAsyncGetHostByName, [](const std::string&) -> TLookupHandle {
    ADD_FAILURE() << "host lookup for a dotted address";
    return nullptr;
  });
  TTestClient Client(Server.Address());
  Client.RemoteAddress = "left as it was";
  Client.Connect();
  EXPECT_EQ(Client.RemoteAddress, "left as it was");
}

TEST_F(ConnectTest, RealLookupOfLocalhost) {
  Fake Server({Fake::S("220 ready\r\n")});
  TTestClient Client("localhost:" + std::to_string(Server.Port()));
  Client.Connect();
  EXPECT_EQ(Client.RemoteAddress, "127.0.0.1");
}

TEST_F(ConnectTest, UnknownHost) {
  TProcOverride Hosts(wsproc::WSAAsyncGetHostByName, [](const std::string&) { return Finished(11001); });
  TTestClient Client("no-such-host.example.test:110");
  EXPECT_EQ(ErrorOf<ESocketError>([&] { Client.Connect(); }), "[11001] Host not found");
  EXPECT_FALSE(Client.Connected());
}

TEST_F(ConnectTest, LookupThatCannotStartReportsTheLastError) {
  TProcOverride Hosts(wsproc::WSAAsyncGetHostByName, [](const std::string&) -> TLookupHandle {
    TtkWinsock::Instance().Proc(wsproc::WSASetLastError)(10050);
    return nullptr;
  });
  TTestClient Client("mail.example.test:110");
  EXPECT_EQ(ErrorOf<ESocketError>([&] { Client.Connect(); }), "[10050] Network is down");
}

TEST_F(ConnectTest, LookupThatNeverEndsTimesOut) {
  TProcOverride Hosts(wsproc::WSAAsyncGetHostByName,
                      [](const std::string&) { return std::make_shared<TAsyncLookup>(); });
  TTestClient Client("slow.example.test:110");
  Client.SetTimeOut(1);
  EXPECT_EQ(ErrorOf<ETimedOutError>([&] { Client.Connect(); }), "Operation timed out");
}

TEST_F(ConnectTest, RefusedPort) {
  TTestClient Client("127.0.0.1:" + std::to_string(TFakeServer::UnusedPort()));
  EXPECT_EQ(ErrorOf<ESocketError>([&] { Client.Connect(); }), "[10061] Connection refused");
}

TEST_F(ConnectTest, FailingConnectCall) {
  TProcOverride Connect(wsproc::connect, [](int, const sockaddr*, socklen_t) {
    TtkWinsock::Instance().Proc(wsproc::WSASetLastError)(10051);
    return -1;
  });
  TTestClient Client("127.0.0.1:1");
  EXPECT_EQ(ErrorOf<ESocketError>([&] { Client.Connect(); }), "[10051] Network is unreachable");
}

TEST_F(ConnectTest, UnknownErrorNumberGetsAGenericText) {
  TProcOverride Connect(wsproc::connect, [](int, const sockaddr*, socklen_t) {
    TtkWinsock::Instance().Proc(wsproc::WSASetLastError)(4242);
    return -1;
  });
  TTestClient Client("127.0.0.1:1");
  EXPECT_EQ(ErrorOf<ESocketError>([&] { Client.Connect(); }), "Error #4242");
}

TEST_F(ConnectTest, LibraryStartUpFailureAndUnloadedLibrary) {
  {
    TProcOverride Startup(wsproc::WSAStartup, [](int) { return 10092; });
    TTestClient Client("127.0.0.1:1");
    EXPECT_EQ(ErrorOf<ESocketError>([&] { Client.Connect(); }), "Invalid Winsock version");
  }
  TTestClient Client("127.0.0.1:1");
  Client.SetWinsockLoaded(false);
  EXPECT_FALSE(Client.WinsockLoaded());
  EXPECT_EQ(ErrorOf<EWinsockDLLError>([&] { Client.Connect(); }), "Winsock is not loaded");
  Client.SetWinsockLoaded(true);
  EXPECT_TRUE(Client.WinsockLoaded());
}

TEST_F(ConnectTest, EveryStartUpIsCleanedUpOnDestruction) {
  int Cleanups = 0;
  TProcOverride Cleanup(wsproc::WSACleanup, [&] { return ++Cleanups, 0; });
  {
    TTestClient Client("127.0.0.1:" + std::to_string(TFakeServer::UnusedPort()));
    for (int I = 0; I < 3; ++I) {
      EXPECT_THROW(Client.Connect(), ESocketError);
      Client.Close();
    }
  }
  EXPECT_EQ(Cleanups, 3);
}

// A dial-up link that only records what the socket asks of it.
class TFakeRas : public TRasLink {
public:
  explicit TFakeRas(std::vector<std::string>& ALog) : Log(ALog) {}
  void Connect() override { Log.push_back("dial"); }
  void HangUp() override { Log.push_back("hang up"); }
  void StopDialWait() override { Log.push_back("stop dial wait"); }
  std::vector<std::string>& Log;
};

TEST_F(ConnectTest, LinkedDialUpDialsOnOpenAndHangsUpOnClose) {
  Fake Server({Fake::S("220 ready\r\n"), Fake::AwaitClose()});
  TTestClient Client(Server.Address());
  std::vector<std::string> Log;
  {
    TFakeRas Ras(Log);
    Client.SetRAS(&Ras);
    Client.OnOpen = [&](TObject*) { Log.push_back("open"); };
    Client.Connect();
    Client.Close();
    EXPECT_EQ(Log, (std::vector<std::string>{"dial", "open", "hang up", "stop dial wait"}));
  }
  EXPECT_EQ(Client.RAS(), nullptr);
  Client.Close();  // must not reach the destroyed link
  EXPECT_EQ(Log.size(), 4u);
}

}  // namespace
