#include "mailsettings.h"

#include "app/settings/serversettings.h"
#include "app/settings/settingsfiles.h"
#include "maillib/dialup/tkRasCmp.h"
#include "maillib/message/msgtypes.h"
#include "maillib/message/nbmsg.h"
#include "maillib/smtp/nbsmtp.h"

namespace {

// Both ways of applying: OnOtherConnection runs for a connection type other than "0" and "1".
void Apply(const TStringList& Settings, const settings::TSmtpSettings& SmtpSettings, TnbMessage& Message,
           TnbSMTP& Smtp, TtkRas& Ras, bool LocalClearsEntry, const std::function<void()>& OnOtherConnection) {
  using namespace settings;
  Message.Sender().SetAddress(ShortString(StringAt(Settings, clEmail)));
  Message.Sender().SetName(ShortString(StringAt(Settings, clName)));
  Smtp.Server = StringAt(Settings, clSmtpServer);
  Smtp.Security = SmtpSettings.Security;
  Smtp.Port = SmtpSettings.Port;
  Smtp.UserName = SmtpSettings.UserName;
  Smtp.Password = SmtpSettings.Password;
  Smtp.TrustedCertificate = SmtpSettings.TrustedCertificate;

  const std::string& Connection = StringAt(Settings, clConnectionType);
  if (Connection == LocalNetwork) {
    Ras.ForceService = false;
    if (LocalClearsEntry) Ras.SetService("");
  } else if (Connection == Modem) {
    Ras.SetService(StringAt(Settings, clDialUpEntry));
    Ras.ForceService = false;
  } else {
    OnOtherConnection();
  }

  Message.ReturnReceipt = StringAt(Settings, clReturnReceipt) == Return;
  const std::string& Priority = StringAt(Settings, clPriority);
  Message.Priority = Priority == "LOW"    ? TPriority::ptLow
                     : Priority == "HIGH" ? TPriority::ptHigh
                                          : TPriority::ptNormal;
}

}  // namespace

void ApplyMailSettings(const TStringList& Settings, const settings::TSmtpSettings& SmtpSettings, TnbMessage& Message,
                       TnbSMTP& Smtp, TtkRas& Ras, const std::function<void(const std::string&)>& ShowMessage) {
  Apply(Settings, SmtpSettings, Message, Smtp, Ras, false, [&] { ShowMessage("Invalid Connection Type"); });
}

void ApplyConfirmedSettings(const TStringList& Settings, const settings::TSmtpSettings& SmtpSettings,
                            TnbMessage& Message, TnbSMTP& Smtp, TtkRas& Ras) {
  Apply(Settings, SmtpSettings, Message, Smtp, Ras, true, [] {});
}
