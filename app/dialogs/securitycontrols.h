#pragma once

#include <cstdint>

#include "maillib/transport/security.h"

class QComboBox;
class QLineEdit;
class QString;

// The controls that say how a server is reached, shared by Preferences and the
// first-run setup: a drop-down of the security modes ("None", "STARTTLS",
// "SSL/TLS") and a port box whose grey placeholder is the chosen mode's
// default port, which an empty box stands for.

// A mode's default port: TnbCustomPOP::DefaultPortFor or TnbSMTP::DefaultPortFor.
using TDefaultPortFor = std::uint16_t (*)(TSecurity);

// Each control gets Name as its object name and AccessibleName as its
// accessible name: their short labels alone cannot tell the SMTP server's
// controls from an account's.
QComboBox* NewSecurityBox(const char* Name, const QString& AccessibleName, TSecurity Initial);
QLineEdit* NewPortBox(const char* Name, const QString& AccessibleName, QComboBox* SecurityBox,
                      TDefaultPortFor DefaultPortFor);

TSecurity SecurityIn(const QComboBox* Box);
void ShowSecurity(QComboBox* Box, TSecurity Security);
// Whether the box holds a port: empty (the default) or 1 to 65535.
bool PortAcceptable(const QLineEdit* Box);
// The port of an acceptable box; 0 when it is empty.
std::uint16_t PortIn(const QLineEdit* Box);
// What the user is told when a port box holds anything else.
inline constexpr const char* InvalidPortText = "A port must be a number from 1 to 65535, or empty for the default.";
