#pragma once

#include <cstdint>
#include <string>

class TDatabase;
class TTable;

namespace settings {

class TPasswordStore;
struct TSmtpSettings;

// Where each password lives. An account whose KEYRING field is true has its
// password in the keyring under a key of its data directory and record id,
// and an empty PSWRD; any other account keeps it in PSWRD. Smtp.ini says the
// same of the SMTP password with PasswordInKeyring. A password moves into the
// keyring only once the keyring has confirmed the write and given the same
// password back, so a failed write leaves the account working from the store.

// The password of the account under the cursor of Accounts. Raises Exception
// when it is in the keyring and the keyring cannot give it.
std::string AccountPassword(TTable& Accounts, TPasswordStore& Store);
// Moves the password of the account under the cursor into the keyring and
// blanks PSWRD; false when it stays in the store (no password, or the keyring
// did not confirm it).
bool MoveAccountPassword(TTable& Accounts, TPasswordStore& Store);
// Forgets the keyring entry of the account with record id Id.
void ForgetAccountPassword(std::int64_t Id, TPasswordStore& Store);

// Writes Settings to FileName with the password in the keyring when the
// keyring confirms it, else in the file; returns what was written, with the
// password itself kept in memory either way.
TSmtpSettings SaveSmtpSettings(const std::string& FileName, TSmtpSettings Settings, TPasswordStore& Store);
// Reads FileName and the password from the keyring when it is kept there
// (empty when the keyring cannot give it).
TSmtpSettings LoadSmtpSettings(const std::string& FileName, TPasswordStore& Store);

// At start: moves every password still in the accounts of Database and in
// Smtp (read from SmtpFileName) into the keyring, and stops at the first the
// keyring does not take (it is not running, or the user declined), leaving
// the rest where they are.
void MovePasswordsToKeyring(TDatabase& Database, const std::string& SmtpFileName, TSmtpSettings& Smtp,
                            TPasswordStore& Store);

}  // namespace settings
