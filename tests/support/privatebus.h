#pragma once

#include <string>
#include <utility>
#include <vector>

#include <sys/types.h>

// A D-Bus daemon of the test's own, so that no test reaches the machine's
// buses, and services on it (python-dbusmock's mocks, daemons such as a
// keyring). It activates no services. Everything it started is stopped
// when it goes.
class TPrivateBus {
public:
  // Starts the daemon; Address() is empty when it could not be started.
  TPrivateBus();
  ~TPrivateBus();
  TPrivateBus(const TPrivateBus&) = delete;
  TPrivateBus& operator=(const TPrivateBus&) = delete;

  // The address a client connects to (what DBUS_SESSION_BUS_ADDRESS would hold).
  const std::string& Address() const { return FAddress; }

  // Starts python-dbusmock's Template with Parameters (a JSON object) on
  // this bus and waits until it owns BusName; false when it did not in time.
  // A system template (NetworkManager) finds this bus as its system bus.
  bool StartMock(const std::string& Template, const std::string& BusName, const std::string& Parameters = "{}",
                 bool SystemTemplate = false);
  // Starts Command (the program, then its arguments) on this bus with the
  // extra Environment, gives it Input on its standard input and waits until
  // it owns BusName; false when it did not in time.
  bool StartService(const std::vector<std::string>& Command,
                    const std::vector<std::pair<std::string, std::string>>& Environment, const std::string& Input,
                    const std::string& BusName);

private:
  bool HasOwner(const std::string& BusName) const;
  // Waits until Child owns BusName; false when it ended or did not in time.
  bool AwaitOwner(pid_t Child, const std::string& BusName);

  std::string FConfig;
  std::string FAddress;
  pid_t FDaemon = 0;
  std::vector<pid_t> FMocks;
};
