#include "storedpasswords.h"

#include <filesystem>
#include <vector>

#include "app/store/fieldnames.h"
#include "app/store/mailtables.h"
#include "passwordstore.h"
#include "platform/runtime/exception.h"
#include "platform/table/table.h"
#include "serversettings.h"

namespace settings {

namespace {

// Keys name the data directory too: two installations never share an entry.
std::string AccountKey(std::int64_t Id) {
  return "POP3 account " + std::to_string(Id) + " of " + std::filesystem::current_path().string();
}

std::string SmtpKey() { return "SMTP login of " + std::filesystem::current_path().string(); }

// Writes Password under Key and reads it back: the keyring holds it only when both agree.
bool Keep(TPasswordStore& Store, const std::string& Key, const std::string& Password) {
  return Store.Write(Key, Password) && Store.Read(Key) == Password;
}

}  // namespace

std::string AccountPassword(TTable& Accounts, TPasswordStore& Store) {
  if (!Accounts.FieldByName(accountfield::Keyring).AsBoolean())
    return Accounts.FieldByName(accountfield::Password).AsString();
  if (std::optional<std::string> Password = Store.Read(AccountKey(Accounts.RecordId()))) return *Password;
  throw Exception("The password of " + Accounts.FieldByName(accountfield::User).AsString() + "@" +
                  Accounts.FieldByName(accountfield::Server).AsString() + " cannot be read from the keyring");
}

bool MoveAccountPassword(TTable& Accounts, TPasswordStore& Store) {
  const std::string Password = Accounts.FieldByName(accountfield::Password).AsString();
  if (Password.empty() || Accounts.FieldByName(accountfield::Keyring).AsBoolean()) return false;
  if (!Keep(Store, AccountKey(Accounts.RecordId()), Password)) return false;
  Accounts.Edit();
  try {
    Accounts.FieldByName(accountfield::Password).SetAsString("");
    Accounts.FieldByName(accountfield::Keyring).SetAsBoolean(true);
    Accounts.Post();
  } catch (...) {
    Accounts.Cancel();
    throw;
  }
  return true;
}

void ForgetAccountPassword(std::int64_t Id, TPasswordStore& Store) { Store.Remove(AccountKey(Id)); }

TSmtpSettings SaveSmtpSettings(const std::string& FileName, TSmtpSettings Settings, TPasswordStore& Store) {
  // An empty password still marked as kept is one the keyring could not give: it stays there.
  const bool Unread = Settings.Password.empty() && Settings.PasswordInKeyring;
  if (!Unread) Settings.PasswordInKeyring = !Settings.Password.empty() && Keep(Store, SmtpKey(), Settings.Password);
  SaveSmtpSettings(FileName, Settings);
  if (Settings.Password.empty() && !Unread) Store.Remove(SmtpKey());
  return Settings;
}

TSmtpSettings LoadSmtpSettings(const std::string& FileName, TPasswordStore& Store) {
  TSmtpSettings Settings = LoadSmtpSettings(FileName);
  if (Settings.PasswordInKeyring) Settings.Password = Store.Read(SmtpKey()).value_or(std::string());
  return Settings;
}

void MovePasswordsToKeyring(TDatabase& Database, const std::string& SmtpFileName, TSmtpSettings& Smtp,
                            TPasswordStore& Store) {
  TTable Accounts(Database, Pop3Table());
  Accounts.Open();
  std::vector<std::int64_t> Ids;
  Accounts.First();
  for (int Pass = Accounts.RecordCount(); Pass > 0; --Pass, Accounts.Next()) Ids.push_back(Accounts.RecordId());
  for (const std::int64_t Id : Ids) {
    if (!Accounts.GotoRecord(Id) || Accounts.FieldByName(accountfield::Password).AsString().empty() ||
        Accounts.FieldByName(accountfield::Keyring).AsBoolean())
      continue;
    if (!MoveAccountPassword(Accounts, Store)) return;
  }
  if (Smtp.PasswordInKeyring || Smtp.Password.empty() || !Keep(Store, SmtpKey(), Smtp.Password)) return;
  TSmtpSettings Moved = Smtp;
  Moved.PasswordInKeyring = true;
  SaveSmtpSettings(SmtpFileName, Moved);
  Smtp = std::move(Moved);
}

}  // namespace settings
