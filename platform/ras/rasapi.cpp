#include "rasapi.h"

namespace {

// A system without dial-up networking: no entries, no connections, and
// every other operation does nothing.
class TNoRasApi : public TRasApi {
public:
  bool Available() const override { return false; }
  TRasError EnumEntries(std::vector<std::string>& Names) override { return Names.clear(), 0; }
  TRasError EnumConnections(std::vector<TRasConnection>& Connections) override {
    return Connections.clear(), 0;
  }
  TRasError GetProjectionIp(TRasConn, std::string& IpAddress) override { return IpAddress.clear(), 0; }
  TRasError GetEntryDialParams(TRasDialParams&, bool& HasPassword) override { return HasPassword = false, 0; }
  TRasError SetEntryDialParams(const TRasDialParams&, bool) override { return 0; }
  TRasError Dial(const TRasDialParams&, TRasDialEvent, TRasConn& Connection) override {
    return Connection = NoRasConn, 0;
  }
  void Poll() override {}
  TRasError HangUp(TRasConn) override { return 0; }
  TRasError ErrorString(TRasError, std::string& Text) override { return Text.clear(), 0; }
  std::string StatusString(int) override { return {}; }
};

std::shared_ptr<TRasApi>& Installed() {
  static std::shared_ptr<TRasApi> Api;
  return Api;
}

}  // namespace

std::shared_ptr<TRasApi> NoRasApi() { return std::make_shared<TNoRasApi>(); }

std::shared_ptr<TRasApi> RasApi() {
  if (!Installed()) Installed() = NoRasApi();
  return Installed();
}

void SetRasApi(std::shared_ptr<TRasApi> Api) { Installed() = std::move(Api); }
