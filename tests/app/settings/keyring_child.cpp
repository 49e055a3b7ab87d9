// One start of the program's password handling, for the keyring tests:
// keyring_child DATA_DIR. With the session bus's keyring installed, as the
// program installs it, it moves the store's passwords into the keyring as a
// start does, then prints the password of each account in visiting order
// ("USER PASSWORD") and the SMTP password ("smtp PASSWORD").
#include <QCoreApplication>

#include <filesystem>
#include <iostream>

#include "app/settings/keyringpasswords.h"
#include "app/settings/serversettings.h"
#include "app/settings/storedpasswords.h"
#include "app/store/mailtables.h"
#include "platform/table/database.h"
#include "platform/table/table.h"

int main(int argc, char** argv) {
  QCoreApplication App(argc, argv);
  if (argc != 2) {
    std::cerr << "usage: keyring_child DATA_DIR\n";
    return 2;
  }
  try {
    std::filesystem::current_path(argv[1]);
    settings::SetPasswordStore(std::make_shared<settings::TKeyringPasswords>(std::chrono::seconds(15)));
    settings::TPasswordStore& Store = settings::PasswordStore();
    TDatabase Database("Corvalen.db");
    settings::TSmtpSettings Smtp = settings::LoadSmtpSettings(settings::SmtpFileName, Store);
    settings::MovePasswordsToKeyring(Database, settings::SmtpFileName, Smtp, Store);
    TTable Accounts(Database, Pop3Table());
    Accounts.SetIndexName("PSWRD");
    Accounts.Open();
    for (Accounts.First(); !Accounts.Eof(); Accounts.Next())
      std::cout << Accounts.FieldByName("USERA").AsString() << ' ' << settings::AccountPassword(Accounts, Store) << '\n';
    std::cout << "smtp " << Smtp.Password << '\n';
  } catch (const std::exception& Error) {
    std::cerr << "keyring_child: " << Error.what() << '\n';
    return 1;
  }
  return 0;
}
