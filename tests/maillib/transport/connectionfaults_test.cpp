// How the socket client ends a connection that went wrong: resets and closes
// in the middle of a transfer end the wait at once with their own text, and
// a failed step never leaves a socket behind that the next Connect would take
// for a live connection.
#include <gtest/gtest-spi.h>

#include <chrono>

#include "maillib/transport/nberrors.h"
#include "maillib/transport/tempfilestream.h"
#include "support/fakeserver.h"
#include "testclient.h"

namespace {

using Fake = TFakeServer;
using ConnectionFaultTest = SocketTest;
using Clock = std::chrono::steady_clock;

// Logs out the way the mail protocols do: QUIT, and a reply that must be positive.
class TQuitCheckingClient : public TTestClient {
public:
  using TTestClient::TTestClient;
  void Logout() override {
    SendLine("QUIT");
    if (ReadReply(LastReply) != 221) throw EServerError(LastReply);
  }
};

TEST_F(ConnectionFaultTest, ResetInTheMiddleOfDataOrOfALineIsReportedAtOnce) {
  for (const bool MidLine : {false, true}) {
    SCOPED_TRACE(MidLine ? "reply line" : "bulk data");
    Fake Server({Fake::S("220 hi\r\n"), Fake::C("RETR 1"),
                 Fake::S(MidLine ? "+OK half a li" : "+OK\r\nSubject: x\r\n\r\nhalf a mess"), Fake::Pause(100),
                 Fake::Reset()});
    TTestClient Client(Server.Address());
    Client.SetTimeOut(10);
    Client.Connect();
    Client.SendLine("RETR 1");
    const auto Start = Clock::now();
    std::string Line;
    TMemoryStream Message;
    const std::string Error = ErrorOf<ESocketError>([&] {
      Client.ReadReply(Line);
      Client.ReceiveToTerminator(Message, 0);
    });
    EXPECT_EQ(Error, "[10054] Connection reset by peer");
    EXPECT_LT(Clock::now() - Start, std::chrono::seconds(2));
    EXPECT_FALSE(Client.Connected());
    EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
  }
}

TEST_F(ConnectionFaultTest, FailedLogoutStillClosesAndTheNextConnectStartsAfresh) {
  Fake First({Fake::S("220 hi\r\n"), Fake::C("QUIT"), Fake::S("500 not now\r\n"), Fake::AwaitClose()});
  TQuitCheckingClient Client(First.Address());
  Client.Connect();
  EXPECT_EQ(ErrorOf<EServerError>([&] { Client.Disconnect(); }), "500 not now");
  EXPECT_FALSE(Client.Connected());
  EXPECT_EQ(First.Finish(), std::vector<std::string>{});

  Fake Second({Fake::S("220 again\r\n"), Fake::C("QUIT"), Fake::S("221 bye\r\n"), Fake::AwaitClose()});
  Client.Server = Second.Address();
  Client.Connect();
  EXPECT_EQ(Client.LastReply, "220 again");
  Client.Disconnect();
  EXPECT_EQ(Second.Finish(), std::vector<std::string>{});
}

TEST_F(ConnectionFaultTest, RefusedConnectionLeavesNoSocket) {
  TTestClient Client("127.0.0.1:" + std::to_string(Fake::UnusedPort()));
  EXPECT_EQ(ErrorOf<ESocketError>([&] { Client.Connect(); }), "[10061] Connection refused");
  EXPECT_FALSE(Client.Connected());
  EXPECT_EQ(ErrorOf<ESocketError>([&] { Client.Connect(); }), "[10061] Connection refused");
}

TEST_F(ConnectionFaultTest, FakeServerFailsATestWhoseClientLeftEarly) {
  EXPECT_NONFATAL_FAILURE(
      {
        Fake Server({Fake::S("220 hi\r\n"), Fake::C("QUIT")});
        TTestClient Client(Server.Address());
        Client.Connect();
        Client.Close();
      },
      "expected \"QUIT\", the client sent nothing more");
}

TEST_F(ConnectionFaultTest, DotStuffingCarriesTheLineStartAcrossChunks) {
  // A "." line that begins exactly at the first chunk border, then lines of
  // every length, half of them beginning with ".", over several borders.
  const std::size_t Chunk = TtkSocket::SendChunk;
  std::string Data = ".first\r\n";
  Data += std::string(Chunk - Data.size() - 2, 'x') + "\r\n.border\r\n";
  for (std::size_t I = 0; Data.size() < 4 * Chunk; ++I)
    Data += (I % 2 ? "." : "") + std::string(I * 37 % 101, I % 3 ? 'y' : '.') + "\r\n";
  std::string Expected;
  bool LineStart = true;
  for (const char C : Data) {
    if (LineStart && C == '.') Expected += '.';
    Expected += C;
    LineStart = C == '\n';
  }
  Fake Server({Fake::S("220 hi\r\n"), Fake::AwaitClose()});
  TTestClient Client(Server.Address());
  Client.Connect();
  TTempFileStream File;
  File.WriteString(Data);
  std::vector<int> Transferred;
  Client.OnProgress = [&](TObject*, int, int Bytes) { Transferred.push_back(Bytes); };
  Client.SendStream(File, true);
  Client.Close();
  Server.Finish();
  EXPECT_EQ(Server.Transcript(), Expected + "[*** close ***]");
  ASSERT_GE(Transferred.size(), 2u);
  EXPECT_EQ(Transferred[Transferred.size() - 2], static_cast<int>(Data.size()));
}

}  // namespace
