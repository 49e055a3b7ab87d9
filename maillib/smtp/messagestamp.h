#pragma once

#include <ctime>
#include <string>

// The header values an outgoing message must carry and the sender's program
// writes itself (RFC 5322, 3.6.1 and 3.6.4).

// Time as an RFC 5322 date-time in the local zone: "Wed, 09 Dec 2026 01:02:03 +0100".
// Day and month names are English whatever the locale.
std::string RfcDateTime(std::time_t Time);

// A new, globally unique message identifier "<random.time@Host>".
std::string NewMessageId(const std::string& Host);
