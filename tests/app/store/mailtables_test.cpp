#include "app/store/mailtables.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/table/database.h"
#include "platform/table/table.h"

namespace fs = std::filesystem;

namespace {

class MailStoreTest : public ::testing::Test {
protected:
  void SetUp() override {
    static int Counter = 0;
    Dir = fs::temp_directory_path() / ("corvalen-store-" + std::to_string(::getpid()) + "-" + std::to_string(++Counter));
    fs::remove_all(Dir);
    fs::create_directories(Dir);
    File = Dir / "Corvalen.db";
  }
  void TearDown() override { fs::remove_all(Dir); }

  fs::path Dir, File;
};

TEST_F(MailStoreTest, CreatesTheFiveEmptyTablesOwnerOnlyAndNothingElse) {
  CreateMailStore(File);
  struct stat Info {};
  ASSERT_EQ(::stat(File.c_str(), &Info), 0);
  EXPECT_EQ(Info.st_mode & 0777, 0600u);
  // Only the finished store is left in the directory.
  std::vector<std::string> Names;
  for (const auto& Entry : fs::directory_iterator(Dir)) Names.push_back(Entry.path().filename().string());
  EXPECT_EQ(Names, std::vector<std::string>{"Corvalen.db"});

  TDatabase Database(File.string());
  for (const TTableDef* Def : {&RmailTable(), &SmailTable(), &TrashTable(), &Pop3Table(), &AddressTable()}) {
    TTable Table(Database, *Def);
    Table.Open();
    EXPECT_EQ(Table.RecordCount(), 0) << Def->TableName;
    for (const TIndexDef& Index : Def->Indexes) EXPECT_NO_THROW(Table.SetIndexName(Index.Name));
  }
}

TEST_F(MailStoreTest, AnExistingStoreKeepsItsRowsAndGainsMissingTables) {
  {
    TDatabase Database(File.string());
    Database.CreateTable(Pop3Table());
    TTable Accounts(Database, Pop3Table());
    Accounts.Open();
    Accounts.Append();
    Accounts.FieldByName("SERVER").SetAsString("pop.example");
    Accounts.Post();
  }
  CreateMailStore(File);
  TDatabase Database(File.string());
  TTable Accounts(Database, Pop3Table());
  Accounts.Open();
  EXPECT_EQ(Accounts.RecordCount(), 1);
  TTable Inbox(Database, RmailTable());
  EXPECT_NO_THROW(Inbox.Open());
}

TEST_F(MailStoreTest, AccountsAreVisitedInAscendingPasswordOrder) {
  CreateMailStore(File);
  TDatabase Database(File.string());
  TTable Accounts(Database, Pop3Table());
  Accounts.SetIndexName("PSWRD");
  Accounts.Open();
  for (const auto& [Server, Password] : std::vector<std::pair<std::string, std::string>>{
           {"third", "zebra"}, {"first", "Apple"}, {"second", "apple"}, {"cut", "123456789012345678901234"}}) {
    Accounts.Append();
    Accounts.FieldByName("Server").SetAsString(Server);
    Accounts.FieldByName("USERA").SetAsString("user");
    Accounts.FieldByName("PSWRD").SetAsString(Password);
    Accounts.Post();
  }
  std::vector<std::string> Order;
  Accounts.First();
  for (int I = 0; I < Accounts.RecordCount(); ++I, Accounts.Next())
    Order.push_back(Accounts.FieldByName("SERVER").AsString());
  EXPECT_EQ(Order, (std::vector<std::string>{"cut", "first", "second", "third"}));
  Accounts.First();
  EXPECT_EQ(Accounts.FieldByName("PSWRD").AsString(), "12345678901234567890");
}

TEST_F(MailStoreTest, InboxRowsWithTheSameDateAreEachReachedByRecordId) {
  CreateMailStore(File);
  TDatabase Database(File.string());
  TTable Inbox(Database, RmailTable());
  Inbox.SetIndexName("DATE");
  Inbox.Open();
  std::vector<std::int64_t> Ids;
  for (const char* Subject : {"earlier run", "later run"}) {
    Inbox.Append();
    Inbox.FieldByName("SUBJECT").SetAsString(Subject);
    Inbox.FieldByName("DATE").SetAsString("2024-03-01 10:00:00 0");
    Inbox.FieldByName("ATTACH").SetAsLines({std::string(Subject) + ".txt"});
    Inbox.FieldByName("STATE").SetAsBoolean(false);
    Inbox.Post();
    Ids.push_back(Inbox.RecordId());
  }
  // The key search finds the first; the record id reaches each one.
  ASSERT_TRUE(Inbox.FindKey("2024-03-01 10:00:00 0"));
  EXPECT_EQ(Inbox.FieldByName("SUBJECT").AsString(), "earlier run");
  ASSERT_TRUE(Inbox.GotoRecord(Ids[1]));
  EXPECT_EQ(Inbox.FieldByName("SUBJECT").AsString(), "later run");
  EXPECT_EQ(Inbox.FieldByName("ATTACH").AsLines(), TStringList{"later run.txt"});
  Inbox.Edit();
  Inbox.FieldByName("State").SetAsBoolean(true);
  Inbox.Post();
  ASSERT_TRUE(Inbox.GotoRecord(Ids[0]));
  EXPECT_FALSE(Inbox.FieldByName("STATE").AsBoolean());
  ASSERT_TRUE(Inbox.GotoRecord(Ids[1]));
  EXPECT_TRUE(Inbox.FieldByName("STATE").AsBoolean());
}

TEST_F(MailStoreTest, LongSendersAndSubjectsAreCutTo254Bytes) {
  CreateMailStore(File);
  TDatabase Database(File.string());
  TTable Inbox(Database, RmailTable());
  Inbox.Open();
  Inbox.Append();
  // 253 ASCII bytes and a two-byte character: the character would end past 254.
  const std::string Long = std::string(253, 's') + "\xC3\xBC" + "tail";
  Inbox.FieldByName("SUBJECT").SetAsString(Long);
  Inbox.FieldByName("FROM").SetAsString(std::string(300, 'f'));
  Inbox.FieldByName("DATE").SetAsString(std::string(60, '9'));
  Inbox.Post();
  Inbox.First();
  EXPECT_EQ(Inbox.FieldByName("SUBJECT").AsString(), std::string(253, 's'));
  EXPECT_EQ(Inbox.FieldByName("FROM").AsString(), std::string(254, 'f'));
  EXPECT_EQ(Inbox.FieldByName("DATE").AsString(), std::string(50, '9'));
}

TEST_F(MailStoreTest, ATrashRowFromTheOutboxHasNoAttachmentsAndIsUnread) {
  CreateMailStore(File);
  TDatabase Database(File.string());
  TTable Trash(Database, TrashTable());
  Trash.SetIndexName("DATE");
  Trash.Open();
  Trash.Append();
  for (const char* Field : {"SUBJECT", "DATE"}) Trash.FieldByName(Field).SetAsString("x");
  Trash.FieldByName("FROM").SetAsString("--");
  Trash.FieldByName("EMAIL").SetAsString("--");
  Trash.FieldByName("RECPT").SetAsLines({"to@example.org"});
  Trash.Post();
  Trash.First();
  EXPECT_TRUE(Trash.FieldByName("ATTACH").AsLines().empty());
  EXPECT_FALSE(Trash.FieldByName("STATE").AsBoolean());
  EXPECT_EQ(Trash.FieldByName("RECPT").AsLines(), TStringList{"to@example.org"});
}

}  // namespace
