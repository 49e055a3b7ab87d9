#include "privatesystembus.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <cstdlib>

namespace {

std::optional<std::string> Variable(const char* Name) {
  const char* Value = std::getenv(Name);
  return Value ? std::optional<std::string>(Value) : std::nullopt;
}

void Restore(const char* Name, const std::optional<std::string>& Value) {
  if (Value) setenv(Name, Value->c_str(), 1);
  else unsetenv(Name);
}

}  // namespace

TPrivateSystemBus::TPrivateSystemBus()
    : FOldSystem(Variable("DBUS_SYSTEM_BUS_ADDRESS")), FOldSession(Variable("DBUS_SESSION_BUS_ADDRESS")) {
  const std::string Address = FBus.Address().empty() ? "unix:path=/nonexistent/corvalen-bus" : FBus.Address();
  setenv("DBUS_SYSTEM_BUS_ADDRESS", Address.c_str(), 1);
  setenv("DBUS_SESSION_BUS_ADDRESS", Address.c_str(), 1);
}

TPrivateSystemBus::~TPrivateSystemBus() {
  Restore("DBUS_SYSTEM_BUS_ADDRESS", FOldSystem);
  Restore("DBUS_SESSION_BUS_ADDRESS", FOldSession);
}

bool TPrivateSystemBus::StartNetworkManager() {
  if (!FBus.StartMock("networkmanager", "org.freedesktop.NetworkManager", "{}", true)) return false;
  NetworkManager({"wait"});
  return !::testing::Test::HasFailure();
}

std::string TPrivateSystemBus::NetworkManager(const QStringList& Command) {
  QProcess Control;
  Control.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  // Debian's interpreter: python3-dbusmock is installed for it.
  Control.start("/usr/bin/python3", QStringList{CORVALEN_TESTS_SUPPORT_DIR "/nmmockctl.py"} + Command);
  const bool Done = Control.waitForFinished(20000);
  EXPECT_TRUE(Done && Control.exitStatus() == QProcess::NormalExit && Control.exitCode() == 0)
      << "nmmockctl.py " << Command.join(' ').toStdString();
  return QString::fromUtf8(Control.readAllStandardOutput()).trimmed().toStdString();
}
