#include "firstrun.h"

#include "app/dialogs/Unit15.h"
#include "app/dialogs/Unit16.h"
#include "app/settings/serversettings.h"
#include "app/settings/settingsfiles.h"
#include "app/store/fieldnames.h"
#include "installation.h"
#include "platform/table/table.h"

void RunFirstRunSetup(TForm15& UserInfo, TForm16& Connection, TTable& Accounts, const std::filesystem::path& Dir) {
  if (!installation::TakeFirstRunMarker(Dir)) return;
  const bool Identified = UserInfo.exec() == QDialog::Accepted;
  const bool Connected = Connection.exec() == QDialog::Accepted;
  if (!Identified || !Connected) return;

  TStringList Settings = UserInfo.SettingsLines();
  for (std::string& Line : Connection.SettingsLines(installation::DefaultAttachmentDirectory(Dir)))
    Settings.push_back(std::move(Line));
  const TForm15::TAccount Account = UserInfo.Account();
  try {
    Accounts.Append();
    Accounts.FieldByName(accountfield::Server).SetAsString(Account.Server);
    Accounts.FieldByName(accountfield::User).SetAsString(Account.User);
    Accounts.FieldByName(accountfield::Password).SetAsString(Account.Password);
    Accounts.FieldByName(accountfield::Security).SetAsString(std::string(SecurityName(Account.Security)));
    Accounts.FieldByName(accountfield::Port).SetAsString(settings::PortText(Account.Port));
    Accounts.Post();
  } catch (...) {
    Accounts.Cancel();
    throw;
  }
  // The account and the settings come together: without the files, the row goes again.
  const std::int64_t Row = Accounts.RecordId();
  try {
    settings::SaveSmtpSettings((Dir / settings::SmtpFileName).string(), UserInfo.SmtpSettings());
    settings::SaveLines((Dir / settings::ConfigFileName).string(), Settings);
  } catch (...) {
    if (Accounts.GotoRecord(Row)) Accounts.Delete();
    throw;
  }
}
