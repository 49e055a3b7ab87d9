// No mail is lost when the program dies: a Get Mail that deletes on the
// server is killed at random moments, then run to the end; every message is
// in the Inbox afterwards (twice at most, never not at all).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>

#include <random>
#include <set>
#include <thread>

#include "app/store/mailtables.h"
#include "appfixture.h"
#include "support/realservers.h"

namespace {

using namespace std::chrono_literals;

constexpr int MessageCount = 200;

pid_t StartChild(const std::string& Dir) {
  const pid_t Pid = ::fork();
  if (Pid == 0) {
    ::execl(GETMAIL_CHILD, GETMAIL_CHILD, Dir.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  return Pid;
}

int WaitForChild(pid_t Pid) {
  int Status = 0;
  ::waitpid(Pid, &Status, 0);
  return Status;
}

// Passes one POP3 connection through to the server. When the client says
// QUIT, it lets the server carry out the deletions and then kills the
// client before the client hears the answer: the latest moment at which
// anything the client has not made durable yet is lost.
class TKillAtQuitProxy {
public:
  explicit TKillAtQuitProxy(std::uint16_t ServerPort) : FServerPort(ServerPort) {
    FListener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in Address{};
    Address.sin_family = AF_INET;
    Address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t Len = sizeof Address;
    ::bind(FListener, reinterpret_cast<sockaddr*>(&Address), Len);
    ::listen(FListener, 1);
    ::getsockname(FListener, reinterpret_cast<sockaddr*>(&Address), &Len);
    FPort = ntohs(Address.sin_port);
  }
  ~TKillAtQuitProxy() {
    if (FThread.joinable()) FThread.join();
    ::close(FListener);
  }
  std::string Address() const { return "127.0.0.1:" + std::to_string(FPort); }
  // Serves the next connection; Victim is killed at its QUIT.
  void Serve(pid_t Victim) {
    FThread = std::thread([this, Victim] { Relay(Victim); });
  }
  bool Killed() const { return FKilled; }

private:
  void Relay(pid_t Victim) {
    pollfd Accept{FListener, POLLIN, 0};
    if (::poll(&Accept, 1, 10000) <= 0) return;
    const int Client = ::accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
    const int Server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in To{};
    To.sin_family = AF_INET;
    To.sin_port = htons(FServerPort);
    To.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(Server, reinterpret_cast<sockaddr*>(&To), sizeof To);
    std::string FromClient;
    bool QuitSent = false;
    char Buffer[65536];
    for (;;) {
      pollfd Fds[2] = {{Client, POLLIN, 0}, {Server, POLLIN, 0}};
      if (::poll(Fds, 2, 10000) <= 0) break;
      if (Fds[0].revents) {
        const ssize_t N = ::recv(Client, Buffer, sizeof Buffer, 0);
        if (N <= 0) break;
        FromClient.append(Buffer, static_cast<std::size_t>(N));
        QuitSent = FromClient.ends_with("QUIT\r\n");
        ::send(Server, Buffer, static_cast<std::size_t>(N), MSG_NOSIGNAL);
        if (FromClient.size() > 64) FromClient.erase(0, FromClient.size() - 64);
      }
      if (Fds[1].revents) {
        const ssize_t N = ::recv(Server, Buffer, sizeof Buffer, 0);
        if (N <= 0) break;
        if (QuitSent) {
          // The server has answered QUIT: its deletions are done.
          ::kill(Victim, SIGKILL);
          FKilled = true;
          break;
        }
        ::send(Client, Buffer, static_cast<std::size_t>(N), MSG_NOSIGNAL);
      }
    }
    ::close(Server);
    ::close(Client);
  }

  std::uint16_t FServerPort;
  int FListener = -1;
  std::uint16_t FPort = 0;
  std::thread FThread;
  std::atomic<bool> FKilled = false;
};

using CrashTest = AppTest;

TEST_F(CrashTest, KillingGetMailAtAnyMomentLosesNoMessage) {
  TRealMailServers Servers;
  std::vector<std::string> Subjects;
  const auto Fill = [&](const std::string& Round) {
    std::vector<std::string> Messages;
    for (int I = 0; I < MessageCount; ++I) {
      Subjects.push_back(Round + " message " + std::to_string(I));
      Messages.push_back("From: sender@example.test\r\nSubject: " + Subjects.back() + "\r\n\r\n" +
                         std::string(2000, 'x') + "\r\n");
    }
    Servers.Put("alice", Messages);
  };
  TKillAtQuitProxy Proxy(Servers.Pop3Port());
  const auto SetServer = [this](const std::string& Address) {
    TTable Accounts(*Database, Pop3Table());
    Accounts.Open();
    if (Accounts.RecordCount() == 0) Accounts.Append();
    else Accounts.Edit();
    Accounts.FieldByName("SERVER").SetAsString(Address);
    Accounts.FieldByName("USERA").SetAsString("alice");
    Accounts.FieldByName("PSWRD").SetAsString("secret");
    Accounts.Post();
  };

  // Killed the moment the server has carried out the deletions.
  Fill("quit");
  SetServer(Proxy.Address());
  const auto Start = std::chrono::steady_clock::now();
  const pid_t AtQuit = StartChild(Dir.string());
  Proxy.Serve(AtQuit);
  WaitForChild(AtQuit);
  const auto FullRun = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - Start);
  ASSERT_TRUE(Proxy.Killed());
  ASSERT_TRUE(Servers.Messages("alice").empty());

  // Killed at random moments of a run, each round with messages of its own.
  SetServer(Servers.Pop3Address());
  std::mt19937 Random(std::random_device{}());
  int KilledMidway = 0;
  for (int Round = 0; Round < 6; ++Round) {
    Fill("round " + std::to_string(Round));
    const pid_t Child = StartChild(Dir.string());
    std::this_thread::sleep_for(
        std::chrono::milliseconds(std::uniform_int_distribution<long>(1, FullRun.count())(Random)));
    ::kill(Child, SIGKILL);
    const int Status = WaitForChild(Child);
    if (WIFSIGNALED(Status) && !Servers.Messages("alice").empty()) ++KilledMidway;
  }
  const int Final = WaitForChild(StartChild(Dir.string()));
  ASSERT_TRUE(WIFEXITED(Final) && WEXITSTATUS(Final) == 0);
  EXPECT_GT(KilledMidway, 0) << "no kill landed before the end; the test showed nothing";

  EXPECT_TRUE(Servers.Messages("alice").empty());
  TTable Inbox(*Database, RmailTable());
  Inbox.Open();
  std::multiset<std::string> Stored;
  for (Inbox.First(); !Inbox.Eof() && Inbox.RecordId() != 0; Inbox.Next())
    Stored.insert(Inbox.FieldByName("SUBJECT").AsString());
  for (const std::string& Subject : Subjects) EXPECT_GE(Stored.count(Subject), 1u) << Subject << " was lost";
}

}  // namespace
