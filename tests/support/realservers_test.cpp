// The real-server harness itself: the servers listen on this machine only,
// stopping leaves nothing behind, and a start that cannot work says why.
// Sending and fetching through them is what the mail library's tests show.

#include "support/realservers.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

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

class RealMailServers : public TRealServersTest {};

}  // namespace

TEST_F(RealMailServers, ListenOnLoopbackOnly) {
  const auto& S = Servers();
  for (const auto Port : {S.Pop3Port(), S.Pop3sPort(), S.SmtpPort(), S.SubmissionPort(), S.SubmissionsPort()})
    // 0100007F is 127.0.0.1 as /proc/net/tcp writes it.
    EXPECT_EQ(ListeningAddresses(Port), std::vector<std::string>{"0100007F"}) << "port " << Port;
}

TEST_F(RealMailServers, TlsPortsVerifyAgainstTheTestCaAndSubmissionTakesMailOnlyAfterAuth) {
  EXPECT_EQ(Servers().CheckTls(), "");
}

TEST(RealMailServersLifetime, EveryTlsPortPresentsTheChosenCertificate) {
  TRealMailServers Servers(TRealMailServers::DefaultUsers(), "expired");
  const std::string Report = Servers.CheckTls();
  std::size_t Expired = 0;
  for (auto At = Report.find("certificate has expired"); At != std::string::npos;
       At = Report.find("certificate has expired", At + 1))
    ++Expired;
  EXPECT_EQ(Expired, 4u) << Report;
}

TEST(RealMailServersLifetime, StopEndsEveryServerAndRemovesTheDirectory) {
  std::string Directory;
  int Pop3Pid = 0, SmtpPid = 0;
  {
    TRealMailServers Servers;
    Directory = Servers.Directory();
    Pop3Pid = std::stoi(Servers.Fact("DOVECOT_PID"));
    SmtpPid = std::stoi(Servers.Fact("POSTFIX_PID"));
    ASSERT_TRUE(Running(Pop3Pid));
    ASSERT_TRUE(Running(SmtpPid));
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
