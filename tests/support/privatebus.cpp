#include "privatebus.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A session-like bus on a socket in /tmp that lets every client own and call
// anything, without service directories: nothing installed on the machine
// can be started on it.
constexpr const char* Configuration = R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

// The lines a shell command printed.
std::string Output(const std::string& Command) {
  std::string Text;
  if (FILE* Pipe = ::popen(Command.c_str(), "r")) {
    char Buffer[512];
    while (std::fgets(Buffer, sizeof Buffer, Pipe)) Text += Buffer;
    ::pclose(Pipe);
  }
  return Text;
}

}  // namespace

TPrivateBus::TPrivateBus() {
  char Name[] = "/tmp/corvalen-bus-XXXXXX";
  const int Fd = ::mkstemp(Name);
  if (Fd < 0) return;
  ::close(Fd);
  FConfig = Name;
  std::ofstream(FConfig) << Configuration;
  // The forked daemon prints its address and its process id, one a line.
  const std::string Printed =
      Output("dbus-daemon --config-file=" + FConfig + " --fork --print-address=1 --print-pid=1 </dev/null");
  const std::size_t Break = Printed.find('\n');
  if (Break == std::string::npos) return;
  FAddress = Printed.substr(0, Break);
  FDaemon = static_cast<pid_t>(std::atol(Printed.c_str() + Break + 1));
}

TPrivateBus::~TPrivateBus() {
  for (pid_t Mock : FMocks) {
    ::kill(Mock, SIGTERM);
    ::waitpid(Mock, nullptr, 0);
  }
  if (FDaemon > 0) ::kill(FDaemon, SIGTERM);
  if (!FConfig.empty()) std::remove(FConfig.c_str());
}

bool TPrivateBus::StartMock(const std::string& Template, const std::string& BusName, const std::string& Parameters,
                            bool SystemTemplate) {
  if (FAddress.empty()) return false;
  const pid_t Child = ::fork();
  if (Child == 0) {
    // The mock alone is pointed at this bus; Debian's python3 has python-dbusmock.
    ::setenv("DBUS_SESSION_BUS_ADDRESS", FAddress.c_str(), 1);
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", FAddress.c_str(), 1);
    ::execl("/usr/bin/python3", "python3", "-m", "dbusmock", SystemTemplate ? "--system" : "--session", "--template",
            Template.c_str(), "--parameters", Parameters.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  if (Child < 0) return false;
  return AwaitOwner(Child, BusName);
}

bool TPrivateBus::StartService(const std::vector<std::string>& Command,
                               const std::vector<std::pair<std::string, std::string>>& Environment,
                               const std::string& Input, const std::string& BusName) {
  if (FAddress.empty() || Command.empty()) return false;
  int Pipe[2];
  if (::pipe(Pipe) != 0) return false;
  const pid_t Child = ::fork();
  if (Child == 0) {
    ::dup2(Pipe[0], STDIN_FILENO);
    ::close(Pipe[0]);
    ::close(Pipe[1]);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", FAddress.c_str(), 1);
    for (const auto& [Name, Value] : Environment) ::setenv(Name.c_str(), Value.c_str(), 1);
    std::vector<char*> Arguments;
    for (const std::string& Argument : Command) Arguments.push_back(const_cast<char*>(Argument.c_str()));
    Arguments.push_back(nullptr);
    ::execvp(Arguments[0], Arguments.data());
    ::_exit(127);
  }
  ::close(Pipe[0]);
  if (Child > 0 && !Input.empty()) (void)!::write(Pipe[1], Input.data(), Input.size());
  ::close(Pipe[1]);
  return Child > 0 && AwaitOwner(Child, BusName);
}

bool TPrivateBus::AwaitOwner(pid_t Child, const std::string& BusName) {
  FMocks.push_back(Child);
  const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < Deadline) {
    if (HasOwner(BusName)) return true;
    if (::waitpid(Child, nullptr, WNOHANG) == Child) {
      FMocks.pop_back();
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

bool TPrivateBus::HasOwner(const std::string& BusName) const {
  return Output("dbus-send --bus='" + FAddress +
                "' --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus "
                "org.freedesktop.DBus.NameHasOwner string:" + BusName + " 2>/dev/null")
             .find("boolean true") != std::string::npos;
}
