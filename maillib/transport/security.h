#pragma once

#include <optional>
#include <string_view>

// How a connection to a mail server is protected.
enum class TSecurity {
  None,         // plain text throughout
  StartTls,     // plain greeting, then STLS / STARTTLS upgrades the connection (RFC 2595, RFC 3207)
  ImplicitTls,  // TLS from the first byte (RFC 8314)
};

// The names settings and windows show and store: "None", "STARTTLS", "SSL/TLS".
std::string_view SecurityName(TSecurity Security);
// The mode a stored name stands for; nothing for an unknown name. The empty
// name (settings written before there were modes) is None.
std::optional<TSecurity> SecurityFromName(std::string_view Name);
