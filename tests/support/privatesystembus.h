#pragma once

#include <QStringList>

#include <optional>
#include <string>

#include "privatebus.h"

// A private D-Bus daemon standing in for the machine's system bus. While the
// object lives, DBUS_SYSTEM_BUS_ADDRESS and DBUS_SESSION_BUS_ADDRESS of this
// process name it (an unreachable address when it failed to start), so
// nothing reaches a real bus; python-dbusmock's NetworkManager template can
// run on it.
class TPrivateSystemBus {
public:
  TPrivateSystemBus();
  ~TPrivateSystemBus();
  TPrivateSystemBus(const TPrivateSystemBus&) = delete;
  TPrivateSystemBus& operator=(const TPrivateSystemBus&) = delete;

  // The daemon's address; empty when it did not start.
  const std::string& Address() const { return FBus.Address(); }
  // Starts NetworkManager's mock and waits until it owns its name.
  bool StartNetworkManager();
  // Runs one command of nmmockctl.py against the mock; returns its output
  // without the last line feed. A failed command fails the test.
  std::string NetworkManager(const QStringList& Command);

private:
  TPrivateBus FBus;
  std::optional<std::string> FOldSystem, FOldSession;
};
