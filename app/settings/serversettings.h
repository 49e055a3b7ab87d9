#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "maillib/transport/security.h"

// How the servers are reached beyond what Config.ini says: the security mode
// and port of each server as they are stored (names and digits), and the SMTP
// server's own file, Smtp.ini, beside Config.ini. Config.ini itself keeps its
// eleven lines, so earlier versions still read it.
namespace settings {

inline constexpr const char* SmtpFileName = "Smtp.ini";

// The mode a stored name stands for; an unknown name (a damaged file) is None.
TSecurity SecurityOf(std::string_view Name);
// A stored port, 1 to 65535; empty or anything else is 0, the mode's default.
std::uint16_t PortOf(std::string_view Text);
// The port as stored: empty for 0.
std::string PortText(std::uint16_t Port);

// The SMTP server's security, port, login and the certificate the user
// trusted for it although it failed verification (its SHA-256 fingerprint).
// PasswordInKeyring: the password is kept in the keyring, not in the file.
struct TSmtpSettings {
  TSecurity Security = TSecurity::None;
  std::uint16_t Port = 0;
  std::string UserName;
  std::string Password;
  std::string TrustedCertificate;
  bool PasswordInKeyring = false;

  bool operator==(const TSmtpSettings&) const = default;
};

// Reads the key=value lines of FileName. A missing file, and any line, key
// or value it does not know, leave the defaults: None, the mode's port, no
// login. A file that exists but cannot be read raises EFOpenError.
TSmtpSettings LoadSmtpSettings(const std::string& FileName);
// Writes the settings whole, readable by the owner alone (it may hold a
// password: none when PasswordInKeyring); a value with a line break, which could not be read back, or a
// failed write raises EFCreateError and leaves the old file as it was.
void SaveSmtpSettings(const std::string& FileName, const TSmtpSettings& Settings);

}  // namespace settings
