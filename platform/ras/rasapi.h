#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The dial-up service layer: the platform's remote access service (phonebook
// entries, dialling, connection status, hang-up). A dial-up component binds to the installed service
// when it is created and keeps it for its whole life.

// An error code of the service; 0 means success.
using TRasError = std::uint32_t;
// The handle of an active connection; NoRasConn when there is none.
using TRasConn = std::int32_t;
inline constexpr TRasConn NoRasConn = -1;

// The connection states a dial reports that the library gives names to.
namespace rascs {
enum : int {
  OpenPort = 0,
  ConnectDevice = 2,
  DeviceConnected = 3,
  AllDevicesConnected = 4,
  Authenticate = 5,
  Authenticated = 14,
  ReAuthenticate = 19,
  LogonNetwork = 21,
  Connected = 8192,
};
}  // namespace rascs

// One active connection.
struct TRasConnection {
  TRasConn Handle = NoRasConn;
  std::string EntryName;
  std::string DeviceType;
  std::string DeviceName;
};

// The stored dial parameters of a phonebook entry.
struct TRasDialParams {
  std::string EntryName;
  std::string PhoneNumber;
  std::string CallbackNumber;
  std::string UserName;
  std::string Password;
  std::string Domain;
};

// One progress report of a dial: the connection state and an error code (0 = none).
using TRasDialEvent = std::function<void(int State, TRasError Error)>;

// The operations of the dial-up service. Every call returns the service's
// error code (0 = ok); results come back through the reference parameters.
class TRasApi {
public:
  virtual ~TRasApi() = default;

  // Whether a dial-up service is installed at all; without one every other
  // operation is a no-op that succeeds with empty results.
  virtual bool Available() const = 0;

  // The names of the phonebook entries, in the service's order.
  virtual TRasError EnumEntries(std::vector<std::string>& Names) = 0;
  // The connections that are up now, whoever made them.
  virtual TRasError EnumConnections(std::vector<TRasConnection>& Connections) = 0;
  // The IP address of Connection; empty when it carries no IP.
  virtual TRasError GetProjectionIp(TRasConn Connection, std::string& IpAddress) = 0;
  // The stored parameters of the entry Params.EntryName, and whether a password is stored.
  virtual TRasError GetEntryDialParams(TRasDialParams& Params, bool& HasPassword) = 0;
  // Stores Params for its entry; RemovePassword asks the service to forget the stored password.
  virtual TRasError SetEntryDialParams(const TRasDialParams& Params, bool RemovePassword) = 0;
  // Starts dialling the entry of Params and gives the new connection's handle
  // at once. Progress is reported through Notify, only from within Poll, so
  // it reaches the caller on its own thread at a point of its choosing.
  virtual TRasError Dial(const TRasDialParams& Params, TRasDialEvent Notify, TRasConn& Connection) = 0;
  // Delivers, in order, the dial events that have arrived since the last call.
  virtual void Poll() = 0;
  virtual TRasError HangUp(TRasConn Connection) = 0;
  // The service's text for Code; a non-zero result or an empty text means it has none.
  virtual TRasError ErrorString(TRasError Code, std::string& Text) = 0;
  // The service's own status text number Number; empty when it has none.
  virtual std::string StatusString(int Number) = 0;
};

// The service installed for the process: the one set by SetRasApi, or the
// "no service" default (no entries, no connections, nothing to dial).
std::shared_ptr<TRasApi> RasApi();
// Installs Api for the components created from now on; nullptr restores the default.
void SetRasApi(std::shared_ptr<TRasApi> Api);
// A new instance of the "no service" default.
std::shared_ptr<TRasApi> NoRasApi();
