#include "connectionerrortext.h"

#include <charconv>

#include "maillib/transport/nberrors.h"
#include "maillib/transport/tksocket.h"
#include "platform/runtime/msgtable.h"

std::string ServerAndPort(const TtkSocket& Client) {
  const std::string& Server = Client.Server;
  const std::size_t Colon = Server.find(':');
  const std::string Host = Server.substr(0, Colon);
  if (Colon != std::string::npos) {
    const char* Last = Server.data() + Server.size();
    unsigned Given = 0;
    const auto [End, Error] = std::from_chars(Server.data() + Colon + 1, Last, Given);
    if (Error == std::errc() && End == Last && Given <= 65535) return Host + ":" + std::to_string(Given);
  }
  return Host + ":" + std::to_string(Client.Port != 0 ? Client.Port : Client.DefaultPort);
}

std::string ConnectionErrorText(const TtkSocket& Client, bool Open, const std::string& Text) {
  if (Client.Server.empty() || Text == LoadStr(msg::SCanceled)) return Text;
  return (Open ? "" : "Cannot connect to ") + ServerAndPort(Client) + ": " + Text;
}

void RethrowWithReportedText(const std::string& Reported) {
  try {
    throw;
  } catch (const ETimedOutError& Error) {
    if (Reported == Error.Message || !Reported.ends_with(": " + Error.Message)) throw;
    throw ETimedOutError(Reported);
  }
}
