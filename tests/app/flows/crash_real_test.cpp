// No mail is lost or stored twice when the program dies: a Get Mail that
// deletes on the server is killed at random moments, then run to the end;
// every message is in the Inbox exactly once afterwards, as the ids of the
// stored messages are durable with their rows.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <system_error>
#include <thread>

#include "app/store/mailtables.h"
#include "appfixture.h"
#include "support/realservers.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int MessageCount = 200;
// Runs killed before the server carried out their deletions, and the most
// rounds spent trying to get them.
constexpr int WantedMidwayKills = 4;
constexpr int MaxRounds = 12;

// getmail_child on a data directory. What it writes goes to a file there, so
// a failure can say how the child ended and what it said.
class TGetMailChild {
public:
  explicit TGetMailChild(const std::filesystem::path& Dir) : FOutput(Dir / "getmail_child.out") {
    const std::string DirText = Dir.string();
    char* const Argv[] = {const_cast<char*>(GETMAIL_CHILD), const_cast<char*>(DirText.c_str()), nullptr};
    posix_spawn_file_actions_t Actions;
    ::posix_spawn_file_actions_init(&Actions);
    ::posix_spawn_file_actions_addopen(&Actions, STDOUT_FILENO, FOutput.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::posix_spawn_file_actions_adddup2(&Actions, STDOUT_FILENO, STDERR_FILENO);
    const int Error = ::posix_spawn(&FPid, GETMAIL_CHILD, &Actions, nullptr, Argv, environ);
    ::posix_spawn_file_actions_destroy(&Actions);
    if (Error != 0) throw std::system_error(Error, std::generic_category(), "cannot start " GETMAIL_CHILD);
  }
  ~TGetMailChild() {
    if (FEnded) return;
    Kill();
    Wait();
  }
  TGetMailChild(const TGetMailChild&) = delete;
  TGetMailChild& operator=(const TGetMailChild&) = delete;

  pid_t Pid() const { return FPid; }
  void Kill() const { ::kill(FPid, SIGKILL); }
  void Wait() {
    if (!FEnded) ::waitpid(FPid, &FStatus, 0);
    FEnded = true;
  }
  // Waits until the child ends or Deadline passes; true if it ended.
  bool WaitUntil(Clock::time_point Deadline) {
    for (; !FEnded; std::this_thread::sleep_for(1ms)) {
      FEnded = ::waitpid(FPid, &FStatus, WNOHANG) == FPid;
      if (!FEnded && Clock::now() >= Deadline) return false;
    }
    return true;
  }
  bool Succeeded() const { return FEnded && WIFEXITED(FStatus) && WEXITSTATUS(FStatus) == 0; }
  bool Killed() const { return FEnded && WIFSIGNALED(FStatus) && WTERMSIG(FStatus) == SIGKILL; }
  // How the child ended and what it wrote.
  std::string Report() const {
    std::ostringstream Text;
    Text << "getmail_child ";
    if (!FEnded) Text << "is still running";
    else if (WIFEXITED(FStatus)) Text << "exited with status " << WEXITSTATUS(FStatus);
    else Text << "ended by signal " << WTERMSIG(FStatus) << " (" << ::strsignal(WTERMSIG(FStatus)) << ")";
    Text << "; it wrote:\n" << std::ifstream(FOutput).rdbuf();
    return Text.str();
  }

private:
  std::filesystem::path FOutput;
  pid_t FPid = -1;
  int FStatus = 0;
  bool FEnded = false;
};

// Passes POP3 connections through to the server, one at a time, and kills
// the client at its QUIT: either before the server hears it, the first
// moment at which the client's rows are durable while the server still holds
// every message; or once the server has carried out the deletions, before
// the client hears the answer, the latest moment at which anything the
// client has not made durable yet is lost.
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
    Finish();
    ::close(FListener);
  }
  std::string Address() const { return "127.0.0.1:" + std::to_string(FPort); }
  enum class TMoment { QuitSent, QuitAnswered };
  // Serves the next connection; Victim is killed at its QUIT, at When.
  void Serve(pid_t Victim, TMoment When) {
    FKilled = false;
    FOutcome.clear();
    FThread = std::thread([this, Victim, When] { Relay(Victim, When); });
  }
  // Waits for the relay to end, which it does once the victim has ended.
  // Killed and Outcome are read after this.
  void Finish() {
    // Ends a relay still waiting for a victim that ended without connecting.
    FStopping = true;
    if (FThread.joinable()) FThread.join();
    FStopping = false;
  }
  bool Killed() const { return FKilled; }
  // How the relay ended.
  const std::string& Outcome() const { return FOutcome; }

private:
  void Relay(pid_t Victim, TMoment When) {
    // Short polls, so that Finish can end the wait for a victim that never connects.
    pollfd Accept{FListener, POLLIN, 0};
    while (!FStopping && ::poll(&Accept, 1, 50) == 0) continue;
    const int Client = FStopping ? -1 : ::accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
    if (Client < 0) {
      FOutcome = "the client never connected";
      return;
    }
    const int Server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in To{};
    To.sin_family = AF_INET;
    To.sin_port = htons(FServerPort);
    To.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(Server, reinterpret_cast<sockaddr*>(&To), sizeof To);
    std::string FromClient;
    bool QuitSent = false;
    char Buffer[65536];
    // No time limit: a victim that dies closes its end, and the client's
    // own time-out ends a connection that hangs.
    while (FOutcome.empty()) {
      pollfd Fds[2] = {{Client, POLLIN, 0}, {Server, POLLIN, 0}};
      if (::poll(Fds, 2, -1) < 0) {
        FOutcome = std::string("poll failed: ") + std::strerror(errno);
      } else if (Fds[0].revents) {
        const ssize_t N = ::recv(Client, Buffer, sizeof Buffer, 0);
        if (N <= 0) {
          FOutcome = QuitSent ? "the client closed the connection after QUIT, before the answer"
                              : "the client closed the connection before QUIT";
        } else {
          FromClient.append(Buffer, static_cast<std::size_t>(N));
          QuitSent = FromClient.ends_with("QUIT\r\n");
          if (QuitSent && When == TMoment::QuitSent) {
            // The server never hears it: it deletes nothing.
            ::kill(Victim, SIGKILL);
            FKilled = true;
            FOutcome = "killed when it sent QUIT";
            break;
          }
          ::send(Server, Buffer, static_cast<std::size_t>(N), MSG_NOSIGNAL);
          if (FromClient.size() > 64) FromClient.erase(0, FromClient.size() - 64);
        }
      } else {
        const ssize_t N = ::recv(Server, Buffer, sizeof Buffer, 0);
        if (N <= 0) {
          FOutcome = "the server closed the connection";
        } else if (QuitSent) {
          // The server has answered QUIT: its deletions are done.
          ::kill(Victim, SIGKILL);
          FKilled = true;
          FOutcome = "killed at the answer to QUIT";
        } else {
          ::send(Client, Buffer, static_cast<std::size_t>(N), MSG_NOSIGNAL);
        }
      }
    }
    ::close(Server);
    ::close(Client);
  }

  std::uint16_t FServerPort;
  int FListener = -1;
  std::uint16_t FPort = 0;
  std::thread FThread;
  std::atomic<bool> FStopping = false;
  // Written by the relay thread, read after Finish has joined it.
  bool FKilled = false;
  std::string FOutcome;
};

using CrashTest = AppTest;

TEST_F(CrashTest, KillingGetMailAtAnyMomentLosesNoMessageAndStoresNoneTwice) {
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

  // Killed when it says QUIT: every message is stored and still on the
  // server. Then killed the moment the server has carried out the deletions
  // of the next run, which deletes those without storing them again.
  SetServer(Proxy.Address());
  auto RunLength = 0ms;
  for (const auto When : {TKillAtQuitProxy::TMoment::QuitSent, TKillAtQuitProxy::TMoment::QuitAnswered}) {
    const bool Sent = When == TKillAtQuitProxy::TMoment::QuitSent;
    Fill(Sent ? "sent quit" : "quit");
    const auto Started = Clock::now();
    TGetMailChild AtQuit(Dir);
    Proxy.Serve(AtQuit.Pid(), When);
    AtQuit.Wait();
    RunLength = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - Started);
    Proxy.Finish();
    ASSERT_TRUE(Proxy.Killed()) << Proxy.Outcome() << "\n" << AtQuit.Report() << Servers.LogTail();
    ASSERT_EQ(Servers.Messages("alice").size(), Sent ? std::size_t{MessageCount} : 0u);
  }

  // Killed at random moments of a run, each round with messages of its own.
  // The moment is drawn from the length of the last run that reached its
  // end, so that kills land midway on a machine that speeds up or slows down.
  SetServer(Servers.Pop3Address());
  std::mt19937 Random(std::random_device{}());
  int KilledMidway = 0, Round = 0;
  for (; Round < MaxRounds && KilledMidway < WantedMidwayKills; ++Round) {
    Fill("round " + std::to_string(Round));
    const auto Started = Clock::now();
    TGetMailChild Child(Dir);
    if (Child.WaitUntil(Started + std::chrono::milliseconds(
                                      std::uniform_int_distribution<long>(1, RunLength.count())(Random)))) {
      ASSERT_TRUE(Child.Succeeded()) << Child.Report();
      RunLength = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - Started);
      continue;
    }
    Child.Kill();
    Child.Wait();
    if (Child.Killed() && !Servers.Messages("alice").empty()) ++KilledMidway;
  }
  EXPECT_EQ(KilledMidway, WantedMidwayKills) << "runs killed before their end, in " << Round << " rounds";
  TGetMailChild Final(Dir);
  Final.Wait();
  ASSERT_TRUE(Final.Succeeded()) << Final.Report();

  EXPECT_TRUE(Servers.Messages("alice").empty());
  TTable Inbox(*Database, RmailTable());
  Inbox.Open();
  std::multiset<std::string> Stored;
  for (Inbox.First(); !Inbox.Eof() && Inbox.RecordId() != 0; Inbox.Next())
    Stored.insert(Inbox.FieldByName("SUBJECT").AsString());
  std::vector<std::string> NotOnce;
  for (const std::string& Subject : Subjects)
    if (const std::size_t Count = Stored.count(Subject); Count != 1)
      NotOnce.push_back(Subject + " stored " + std::to_string(Count) + " times");
  EXPECT_EQ(NotOnce, std::vector<std::string>{});
}

}  // namespace
