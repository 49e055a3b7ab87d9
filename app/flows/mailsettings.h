#pragma once

#include <functional>
#include <string>

#include "platform/runtime/stringlist.h"

class TnbMessage;
class TnbSMTP;
class TtkRas;
namespace settings {
struct TSmtpSettings;
}

// Applies the settings to the main window's mail objects, in this order: the
// sender (name line 0, address line 2), the SMTP server (line 3, with the
// security, port, login and trusted certificate of SmtpSettings), the
// connection type (line 7: "0" local network, "1" the dial-up entry of line
// 4; anything else shows "Invalid Connection Type" through ShowMessage and
// keeps the entry), the return receipt (line 9 "RETURN") and the priority
// (line 10 "LOW", "NORMAL" or "HIGH"; anything else is normal). Raises the
// list's index error when a line is missing.
void ApplyMailSettings(const TStringList& Settings, const settings::TSmtpSettings& SmtpSettings, TnbMessage& Message,
                       TnbSMTP& Smtp, TtkRas& Ras, const std::function<void(const std::string&)>& ShowMessage);

// The same when Preferences is confirmed: a connection type other than "0"
// and "1" (the user ticked neither) passes without a message, and the local
// network also clears the dial-up entry.
void ApplyConfirmedSettings(const TStringList& Settings, const settings::TSmtpSettings& SmtpSettings,
                            TnbMessage& Message, TnbSMTP& Smtp, TtkRas& Ras);
