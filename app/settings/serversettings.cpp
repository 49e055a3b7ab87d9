#include "serversettings.h"

#include <charconv>
#include <filesystem>
#include <limits>

#include "platform/runtime/streams.h"
#include "settingsfiles.h"

namespace settings {

namespace {

constexpr std::string_view SecurityKey = "Security";
constexpr std::string_view PortKey = "Port";
constexpr std::string_view UserNameKey = "UserName";
constexpr std::string_view PasswordKey = "Password";
constexpr std::string_view TrustedCertificateKey = "TrustedCertificate";
constexpr std::string_view PasswordInKeyringKey = "PasswordInKeyring";

}  // namespace

TSecurity SecurityOf(std::string_view Name) { return SecurityFromName(Name).value_or(TSecurity::None); }

std::uint16_t PortOf(std::string_view Text) {
  unsigned Port = 0;
  const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Port);
  if (Error != std::errc() || End != Text.data() + Text.size() || Text.size() > 5 ||
      Port > std::numeric_limits<std::uint16_t>::max())
    return 0;
  return static_cast<std::uint16_t>(Port);
}

std::string PortText(std::uint16_t Port) { return Port == 0 ? std::string() : std::to_string(Port); }

TSmtpSettings LoadSmtpSettings(const std::string& FileName) {
  TSmtpSettings Settings;
  std::error_code Error;
  if (!std::filesystem::exists(FileName, Error) && !Error) return Settings;
  for (const std::string& Line : LoadLines(FileName)) {
    const std::size_t Equals = Line.find('=');
    if (Equals == std::string::npos) continue;
    const std::string_view Key = std::string_view(Line).substr(0, Equals);
    const std::string Value = Line.substr(Equals + 1);
    if (Key == SecurityKey) Settings.Security = SecurityOf(Value);
    else if (Key == PortKey) Settings.Port = PortOf(Value);
    else if (Key == UserNameKey) Settings.UserName = Value;
    else if (Key == PasswordKey) Settings.Password = Value;
    else if (Key == TrustedCertificateKey) Settings.TrustedCertificate = Value;
    else if (Key == PasswordInKeyringKey) Settings.PasswordInKeyring = Value == "1";
  }
  return Settings;
}

void SaveSmtpSettings(const std::string& FileName, const TSmtpSettings& Settings) {
  const auto Entry = [](std::string_view Key, std::string_view Value) {
    std::string Line(Key);
    Line += '=';
    Line += Value;
    return Line;
  };
  const TStringList Lines = {Entry(SecurityKey, SecurityName(Settings.Security)), Entry(PortKey, PortText(Settings.Port)),
                             Entry(UserNameKey, Settings.UserName),
                             Entry(PasswordKey, Settings.PasswordInKeyring ? std::string() : Settings.Password),
                             Entry(TrustedCertificateKey, Settings.TrustedCertificate),
                             Entry(PasswordInKeyringKey, Settings.PasswordInKeyring ? "1" : "0")};
  for (const std::string& Line : Lines)
    if (Line.find_first_of("\r\n") != std::string::npos)
      throw EFCreateError("Cannot create file \"" + std::filesystem::absolute(FileName).string() +
                          "\". A value holds a line break.");
  SaveLines(FileName, Lines, TFileAccess::OwnerOnly);
}

}  // namespace settings
