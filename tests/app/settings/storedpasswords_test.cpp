#include "app/settings/storedpasswords.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <stdlib.h>
#include <sys/stat.h>

#include "app/settings/passwordstore.h"
#include "support/privatebus.h"
#include "app/settings/serversettings.h"
#include "app/store/mailtables.h"
#include "platform/table/database.h"
#include "platform/table/table.h"

namespace {

namespace fs = std::filesystem;

// A keyring in memory that can be made unreachable, or to give back
// something other than what was written.
class TMemoryKeyring : public settings::TPasswordStore {
public:
  bool Write(const std::string& Key, const std::string& Password) override {
    ++Writes;
    if (!Reachable) return false;
    Entries[Key] = Password + (Garbles ? "?" : "");
    return true;
  }
  std::optional<std::string> Read(const std::string& Key) override {
    const auto Entry = Entries.find(Key);
    if (!Reachable || Entry == Entries.end()) return std::nullopt;
    return Entry->second;
  }
  void Remove(const std::string& Key) override {
    if (Reachable) Entries.erase(Key);
  }

  std::map<std::string, std::string> Entries;
  bool Reachable = true;
  bool Garbles = false;
  int Writes = 0;
};

class StoredPasswordsTest : public ::testing::Test {
protected:
  void SetUp() override {
    // Short: the keyring's sockets are made under it.
    std::string Name = (fs::temp_directory_path() / "corvalen-pw-XXXXXX").string();
    ASSERT_NE(::mkdtemp(Name.data()), nullptr);
    Dir = Name;
    Previous = fs::current_path();
    fs::current_path(Dir);
    CreateMailStore("Corvalen.db");
    Database = std::make_unique<TDatabase>("Corvalen.db");
    // Added in the opposite order of their passwords.
    AddAccount("alice", "zz-secret");
    AddAccount("bob", "aa-secret");
    Smtp.UserName = "carol";
    Smtp.Password = "c-secret";
    settings::SaveSmtpSettings(settings::SmtpFileName, Smtp);
  }
  void TearDown() override {
    Database.reset();
    fs::current_path(Previous);
    fs::remove_all(Dir);
  }

  void AddAccount(const std::string& User, const std::string& Password) {
    TTable Accounts(*Database, Pop3Table());
    Accounts.Open();
    Accounts.Append();
    Accounts.FieldByName("SERVER").SetAsString("pop.example.test");
    Accounts.FieldByName("USERA").SetAsString(User);
    Accounts.FieldByName("PSWRD").SetAsString(Password);
    Accounts.Post();
  }

  // "user:PSWRD:KEYRING:password" of every account in visiting order; the
  // password only with a Store.
  std::string Accounts(settings::TPasswordStore* Store) {
    TTable Table(*Database, Pop3Table());
    Table.SetIndexName("PSWRD");
    Table.Open();
    std::string Text;
    for (Table.First(); !Table.Eof(); Table.Next())
      Text += Table.FieldByName("USERA").AsString() + ":" + Table.FieldByName("PSWRD").AsString() + ":" +
              (Table.FieldByName("KEYRING").AsBoolean() ? "1" : "0") + ":" +
              (Store ? settings::AccountPassword(Table, *Store) : "") + " ";
    return Text;
  }

  std::string SmtpFile() {
    std::ostringstream Text;
    Text << std::ifstream(settings::SmtpFileName).rdbuf();
    return Text.str();
  }

  fs::path Dir, Previous;
  std::unique_ptr<TDatabase> Database;
  settings::TSmtpSettings Smtp;
  TMemoryKeyring Keyring;
};

TEST_F(StoredPasswordsTest, APasswordTheKeyringCannotGiveIsNeitherUsedEmptyNorDropped) {
  settings::MovePasswordsToKeyring(*Database, settings::SmtpFileName, Smtp, Keyring);
  ASSERT_EQ(Keyring.Entries.size(), 3u);
  Keyring.Reachable = false;
  TTable Table(*Database, Pop3Table());
  Table.Open();
  EXPECT_THROW(settings::AccountPassword(Table, Keyring), Exception);
  // Saving the settings again keeps the SMTP password where it is.
  settings::TSmtpSettings Unread = settings::LoadSmtpSettings(settings::SmtpFileName, Keyring);
  EXPECT_EQ(Unread.Password, "");
  settings::SaveSmtpSettings(settings::SmtpFileName, Unread, Keyring);
  Keyring.Reachable = true;
  EXPECT_EQ(settings::LoadSmtpSettings(settings::SmtpFileName, Keyring).Password, "c-secret");
  // A password the user cleared leaves the keyring too.
  Unread.PasswordInKeyring = false;
  settings::SaveSmtpSettings(settings::SmtpFileName, Unread, Keyring);
  EXPECT_EQ(Keyring.Entries.size(), 2u);
}

TEST_F(StoredPasswordsTest, APasswordTheKeyringGivesBackWrongStaysInTheStore) {
  Keyring.Garbles = true;
  settings::MovePasswordsToKeyring(*Database, settings::SmtpFileName, Smtp, Keyring);
  // Nothing is blanked, and the first refusal ends the move.
  EXPECT_EQ(Accounts(&Keyring), "bob:aa-secret:0:aa-secret alice:zz-secret:0:zz-secret ");
  EXPECT_EQ(Keyring.Writes, 1);
  EXPECT_FALSE(settings::SaveSmtpSettings(settings::SmtpFileName, Smtp, Keyring).PasswordInKeyring);
  EXPECT_NE(SmtpFile().find("Password=c-secret"), std::string::npos);
}

// One start of the program over this store, with DBUS_SESSION_BUS_ADDRESS set to Bus in it alone.
std::string Start(const std::string& Bus) {
  std::string Output;
  const std::string Command = "env DBUS_SESSION_BUS_ADDRESS='" + Bus + "' " + KEYRING_CHILD + " .";
  if (FILE* Pipe = ::popen(Command.c_str(), "r")) {
    char Buffer[256];
    while (std::fgets(Buffer, sizeof Buffer, Pipe)) Output += Buffer;
    if (::pclose(Pipe) != 0) Output += "(failed)";
  }
  return Output;
}

TEST_F(StoredPasswordsTest, AnOldStoreMovesIntoTheSessionKeyringAndIsReadAfterARestart) {
  TPrivateBus Bus;
  ASSERT_FALSE(Bus.Address().empty());
  for (const char* Sub : {"home", "data", "run"}) fs::create_directories(Dir / "keyring" / Sub);
  ::chmod((Dir / "keyring" / "run").c_str(), 0700);
  const auto At = [&](const char* Sub) { return (Dir / "keyring" / Sub).string(); };
  // A login keyring made and unlocked with the password on standard input.
  ASSERT_TRUE(Bus.StartService({"gnome-keyring-daemon", "--foreground", "--unlock", "--components=secrets"},
                               {{"HOME", At("home")}, {"XDG_DATA_HOME", At("data")}, {"XDG_RUNTIME_DIR", At("run")}},
                               "login-password", "org.freedesktop.secrets"));

  const std::string Moved = "alice zz-secret\nbob aa-secret\nsmtp c-secret\n";
  EXPECT_EQ(Start(Bus.Address()), Moved);
  EXPECT_EQ(Accounts(nullptr), "alice::1: bob::1: ");
  EXPECT_EQ(SmtpFile().find("c-secret"), std::string::npos);
  EXPECT_NE(SmtpFile().find("PasswordInKeyring=1"), std::string::npos);
  // The next start reads them from the keyring alone.
  EXPECT_EQ(Start(Bus.Address()), Moved);
  EXPECT_EQ(Accounts(nullptr), "alice::1: bob::1: ");
}

TEST_F(StoredPasswordsTest, WithoutASessionBusPasswordsStayInTheStore) {
  const std::string NoBus = "unix:path=" + (Dir / "no-bus").string();
  for (int Run = 0; Run < 2; ++Run) {
    EXPECT_EQ(Start(NoBus), "bob aa-secret\nalice zz-secret\nsmtp c-secret\n");
    EXPECT_EQ(Accounts(nullptr), "bob:aa-secret:0: alice:zz-secret:0: ");
    EXPECT_NE(SmtpFile().find("Password=c-secret"), std::string::npos);
  }
}

}  // namespace
