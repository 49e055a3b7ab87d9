// A data directory written by the earlier release: a store whose accounts
// have only server, account and password, and an eleven-line Config.ini
// without Smtp.ini. It opens with its files unchanged, and mail is received
// in "None" mode.
#include <fstream>
#include <sstream>

#include "app/views/Unit2.h"
#include "appfixture.h"
#include "maillib/smtp/nbsmtp.h"
#include "support/fakeserver.h"

namespace {

using Fake = TFakeServer;
using EarlierVersionTest = PumpingAppTest;

std::string ReadFile(const std::filesystem::path& Path) {
  std::stringstream Text;
  Text << std::ifstream(Path, std::ios::binary).rdbuf();
  return Text.str();
}

TEST_F(EarlierVersionTest, StoreAndConfigOpenUnchangedAndMailArrivesInNoneMode) {
  Fake Pop({Fake::S("+OK ready\r\n"), Fake::C("CAPA"), Fake::S("-ERR\r\n"), Fake::C("USER ann"), Fake::S("+OK\r\n"),
            Fake::C("PASS secret"), Fake::S("+OK\r\n"), Fake::C("STAT"), Fake::S("+OK 1 40\r\n"), Fake::C("LIST 1"),
            Fake::S("+OK 1 40\r\n"), Fake::C("RETR 1"),
            Fake::S("+OK\r\nFrom: bob@example.test\r\nSubject: hi\r\n\r\nhello\r\n.\r\n"), Fake::C("DELE 1"),
            Fake::S("+OK\r\n"), Fake::C("QUIT"), Fake::S("+OK bye\r\n"), Fake::AwaitClose()});
  Database.reset();
  for (const char* Suffix : {"", "-wal", "-shm"}) std::filesystem::remove(Dir / (std::string("Corvalen.db") + Suffix));
  {
    const TTableDef Accounts3 = {"POP3", {Pop3Table().Fields.begin(), Pop3Table().Fields.begin() + 3}, {{"PSWRD", "PSWRD"}}};
    TDatabase Earlier(installation::DatabaseFileName);
    for (const TTableDef* Def : {&RmailTable(), &SmailTable(), &TrashTable(), &AddressTable(), &Accounts3})
      Earlier.CreateTable(*Def);
    TTable Accounts(Earlier, Accounts3);
    Accounts.Open();
    Accounts.Append();
    Accounts.FieldByName("SERVER").SetAsString(Pop.Address());
    Accounts.FieldByName("USERA").SetAsString("ann");
    Accounts.FieldByName("PSWRD").SetAsString("secret");
    Accounts.Post();
  }
  const std::string Config = "Ann\r\nAcme\r\nann@example.test\r\nsmtp.example.test\r\n \r\nNOREPLY\r\nDELETE\r\n0\r\n" +
                             Dir.string() + "\r\nNORETURN\r\nNORMAL\r\n";
  std::ofstream(Dir / "Config.ini", std::ios::binary) << Config;

  EXPECT_FALSE(installation::InstallIfMissing(Dir));
  Database = std::make_unique<TDatabase>(installation::DatabaseFileName);
  EXPECT_TRUE(Database->TableExists(FetchedIdsTable().TableName));
  OpenWindow();
  EXPECT_EQ(Messages, std::vector<std::string>{});
  EXPECT_EQ(Window->Smtp().Security, TSecurity::None);
  EXPECT_EQ(Window->Smtp().Port, 0);
  EXPECT_EQ(Window->Smtp().UserName, "");
  Window->ToolButton19Click();
  EXPECT_EQ(Pop.Finish(), std::vector<std::string>{});
  EXPECT_EQ(Form2->ListView1->Count(), 1);
  EXPECT_EQ(ReadFile(Dir / "Config.ini"), Config);
  EXPECT_FALSE(std::filesystem::exists(Dir / "Smtp.ini"));
}

}  // namespace
