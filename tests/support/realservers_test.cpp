// The real-server harness itself, checked with plain socket conversations
// (RFC 5321, RFC 1939): mail stays on this machine, the mailboxes are what
// the tests put there, and stopping leaves nothing behind. Sending and
// fetching through the servers is what the mail library's own tests show.

#include "support/realservers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A blocking line conversation on 127.0.0.1; every read gives up after 10 s.
class TLineClient {
public:
  explicit TLineClient(std::uint16_t Port) {
    FSocket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in Address{};
    Address.sin_family = AF_INET;
    Address.sin_port = htons(Port);
    Address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    Connected = ::connect(FSocket, reinterpret_cast<sockaddr*>(&Address), sizeof Address) == 0;
  }
  ~TLineClient() { ::close(FSocket); }

  void Send(const std::string& Bytes) { ::send(FSocket, Bytes.data(), Bytes.size(), MSG_NOSIGNAL); }
  void Line(const std::string& Text) { Send(Text + "\r\n"); }

  // One reply line without its CR LF; "" and Broken set when none came.
  std::string Read() {
    const auto Deadline = Clock::now() + std::chrono::seconds(10);
    for (;;) {
      if (const auto End = FPending.find("\r\n"); End != std::string::npos) {
        std::string Result = FPending.substr(0, End);
        FPending.erase(0, End + 2);
        return Result;
      }
      pollfd Fd{FSocket, POLLIN, 0};
      if (Clock::now() > Deadline || ::poll(&Fd, 1, 100) < 0) {
        Broken = true;
        return {};
      }
      if (!(Fd.revents & (POLLIN | POLLHUP))) continue;
      char Buffer[4096];
      const ssize_t N = ::recv(FSocket, Buffer, sizeof Buffer, 0);
      if (N <= 0) {
        Broken = true;
        return {};
      }
      FPending.append(Buffer, static_cast<std::size_t>(N));
    }
  }

  // Sends a command and returns its one-line reply.
  std::string Ask(const std::string& Command) {
    Line(Command);
    return Read();
  }

  // The lines of a POP3 multi-line reply up to its "." line, dot-stuffing undone.
  std::vector<std::string> ReadMultiLine() {
    std::vector<std::string> Lines;
    for (std::string L = Read(); L != "." && !Broken; L = Read()) {
      Lines.push_back(L.starts_with('.') ? L.substr(1) : L);
    }
    return Lines;
  }

  // An SMTP reply, its continuation lines ("250-...") included; returns the last line.
  std::string ReadSmtpReply() {
    std::string L = Read();
    while (L.size() > 3 && L[3] == '-') L = Read();
    return L;
  }

  bool Connected = false;
  bool Broken = false;

private:
  int FSocket = -1;
  std::string FPending;
};

bool StartsWith(const std::string& Text, const std::string& Prefix) { return Text.starts_with(Prefix); }

std::string Pop3Login(TLineClient& Pop3, const std::string& User, const std::string& Password) {
  if (!StartsWith(Pop3.Read(), "+OK")) return "no greeting";
  if (!StartsWith(Pop3.Ask("USER " + User), "+OK")) return "USER refused";
  return Pop3.Ask("PASS " + Password);
}

// Sends one message in a plain SMTP conversation; returns the first reply that
// was not the expected one, or "" when the server took the message.
std::string SendMail(std::uint16_t Port, const std::string& From, const std::string& To, const std::string& Text) {
  TLineClient Smtp(Port);
  if (!Smtp.Connected) return "no connection";
  if (const auto R = Smtp.ReadSmtpReply(); !StartsWith(R, "220")) return R;
  Smtp.Line("EHLO client.example.test");
  if (const auto R = Smtp.ReadSmtpReply(); !StartsWith(R, "250")) return R;
  if (const auto R = Smtp.Ask("MAIL FROM:<" + From + ">"); !StartsWith(R, "250")) return R;
  if (const auto R = Smtp.Ask("RCPT TO:<" + To + ">"); !StartsWith(R, "250")) return R;
  if (const auto R = Smtp.Ask("DATA"); !StartsWith(R, "354")) return R;
  Smtp.Send(Text + ".\r\n");
  if (const auto R = Smtp.ReadSmtpReply(); !StartsWith(R, "250")) return R;
  Smtp.Ask("QUIT");
  return {};
}

// Whether the process is there and has not ended (an ended one may linger
// as a zombie until it is collected).
bool Running(int Pid) {
  std::ifstream Stat("/proc/" + std::to_string(Pid) + "/stat");
  std::string All;
  if (Pid <= 0 || !std::getline(Stat, All)) return false;
  const auto Paren = All.rfind(')');
  return Paren != std::string::npos && Paren + 2 < All.size() && All[Paren + 2] != 'Z';
}

// Local addresses of the listening TCP sockets on Port, from /proc/net/tcp and tcp6.
std::vector<std::string> ListeningAddresses(std::uint16_t Port) {
  std::vector<std::string> Found;
  for (const char* Table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
    std::ifstream In(Table);
    std::string Line;
    std::getline(In, Line);
    while (std::getline(In, Line)) {
      std::istringstream Fields(Line);
      std::string Slot, Local, Remote, State;
      Fields >> Slot >> Local >> Remote >> State;
      const auto Colon = Local.rfind(':');
      if (State == "0A" && Colon != std::string::npos && std::stoul(Local.substr(Colon + 1), nullptr, 16) == Port)
        Found.push_back(Local.substr(0, Colon));
    }
  }
  return Found;
}

const std::string Letter =
    "From: Bob <bob@elsewhere.test>\r\n"
    "To: Alice <alice@example.test>\r\n"
    "Subject: harness check\r\n"
    "\r\n"
    "first line\r\n";

class RealMailServers : public TRealServersTest {};

}  // namespace

TEST_F(RealMailServers, PutMessagesComeInOrderWithCrLfLineEndsCountedInList) {
  const std::vector<std::string> Put{
      "Subject: one\n\nbare line feeds\n.\n",
      "Subject: two\r\n\r\nalready CR LF\r\n",
      "Subject: three\n\nmixed\r\nends\n",
  };
  Servers().Put("alice", Put);
  // Read before logging in: the POP3 server moves the files from new/ to cur/.
  const auto Stored = Servers().Messages("alice");
  ASSERT_EQ(Stored.size(), 3u);
  EXPECT_EQ(Stored[0], "Subject: one\r\n\r\nbare line feeds\r\n.\r\n");

  TLineClient Pop3(Servers().Pop3Port());
  ASSERT_TRUE(StartsWith(Pop3Login(Pop3, "alice", "secret"), "+OK"));
  ASSERT_TRUE(StartsWith(Pop3.Ask("LIST"), "+OK"));
  const auto Sizes = Pop3.ReadMultiLine();
  ASSERT_EQ(Sizes.size(), 3u);
  for (std::size_t I = 0; I < 3; ++I)
    EXPECT_EQ(Sizes[I], std::to_string(I + 1) + " " + std::to_string(Stored[I].size()));
  for (const auto& [Number, Subject] : {std::pair{1, "one"}, {2, "two"}, {3, "three"}}) {
    ASSERT_TRUE(StartsWith(Pop3.Ask("RETR " + std::to_string(Number)), "+OK"));
    const auto Lines = Pop3.ReadMultiLine();
    ASSERT_FALSE(Lines.empty());
    EXPECT_EQ(Lines.front(), std::string("Subject: ") + Subject);
  }
  Pop3.Ask("QUIT");
}

TEST_F(RealMailServers, AcceptsMailOnlyForKnownUsersOfTheTestDomain) {
  EXPECT_TRUE(StartsWith(SendMail(Servers().SmtpPort(), "alice@example.test", "carol@elsewhere.test", Letter),
                         "554 5.7.1"));
  EXPECT_TRUE(StartsWith(SendMail(Servers().SmtpPort(), "bob@elsewhere.test", Servers().Address("nobody"), Letter),
                         "550 5.1.1"));
  ASSERT_TRUE(Servers().WaitForQueueEmpty(5));
  EXPECT_TRUE(Servers().MessageFiles("alice").empty());
}

TEST_F(RealMailServers, ListenOnLoopbackOnly) {
  // 0100007F is 127.0.0.1 as /proc/net/tcp writes it.
  EXPECT_EQ(ListeningAddresses(Servers().Pop3Port()), std::vector<std::string>{"0100007F"});
  EXPECT_EQ(ListeningAddresses(Servers().SmtpPort()), std::vector<std::string>{"0100007F"});
}

TEST(RealMailServersLifetime, SeveralUsersEachGetTheirOwnMailAndStopEndsEverything) {
  std::string Directory;
  int Pop3Pid = 0, SmtpPid = 0;
  {
    TRealMailServers Servers({{"alice", "secret"}, {"bob", "other"}});
    Directory = Servers.Directory();
    Pop3Pid = std::stoi(Servers.Fact("DOVECOT_PID"));
    SmtpPid = std::stoi(Servers.Fact("POSTFIX_PID"));
    ASSERT_TRUE(Running(Pop3Pid));
    ASSERT_TRUE(Running(SmtpPid));

    ASSERT_EQ(SendMail(Servers.SmtpPort(), "alice@example.test", Servers.Address("bob"), Letter), "");
    ASSERT_TRUE(Servers.WaitForMessages("bob", 1, 10)) << Servers.LogTail();
    EXPECT_TRUE(Servers.MessageFiles("alice").empty());
    TLineClient Pop3(Servers.Pop3Port());
    EXPECT_TRUE(StartsWith(Pop3Login(Pop3, "bob", "other"), "+OK"));
    EXPECT_TRUE(StartsWith(Pop3.Ask("STAT"), "+OK 1 "));
    Pop3.Ask("QUIT");
  }
  EXPECT_FALSE(Running(Pop3Pid));
  EXPECT_FALSE(Running(SmtpPid));
  EXPECT_FALSE(std::filesystem::exists(Directory));
}

TEST(RealMailServersLifetime, RefusedStartThrowsWithTheReason) {
  try {
    TRealMailServers Servers(std::vector<TRealMailServers::TUser>{{"alice", "pass:word"}});
    FAIL() << "started with a password the password file cannot hold";
  } catch (const std::runtime_error& E) {
    EXPECT_NE(std::string(E.what()).find("password of alice"), std::string::npos) << E.what();
  }
}
