#include <sys/stat.h>

#include <fstream>

#include "tablefixture.h"

namespace {

unsigned ModeOf(const std::string& File) {
  struct stat Info {};
  if (::stat(File.c_str(), &Info) != 0) return 0;
  return Info.st_mode & 0777;
}

TEST_F(TableTest, DatabaseAndItsLogFilesAreReadableByTheOwnerOnly) {
  auto Table = OpenTable();
  AddRow(*Table, "secret", "pw");
  EXPECT_EQ(ModeOf(Path), 0600u);
  EXPECT_EQ(ModeOf(Path + "-wal"), 0600u);
  EXPECT_EQ(ModeOf(Path + "-shm"), 0600u);
}

TEST_F(TableTest, AnExistingDatabaseFileIsTightenedWhenOpened) {
  Database.reset();
  ASSERT_EQ(::chmod(Path.c_str(), 0644), 0);
  Database = std::make_unique<TDatabase>(Path);
  EXPECT_EQ(ModeOf(Path), 0600u);
  auto Table = OpenTable();
  AddRow(*Table, "x", "y");
  EXPECT_EQ(ModeOf(Path + "-wal"), 0600u);
}

TEST_F(TableTest, OpeningAMissingTableOrOneWithoutAFieldRaises) {
  TTableDef Missing = Def;
  Missing.TableName = "Nowhere";
  TTable NoTable(*Database, Missing);
  try {
    NoTable.Open();
    FAIL() << "opened a missing table";
  } catch (const ETableError& E) {
    EXPECT_NE(E.Message.find("Nowhere"), std::string::npos) << E.Message;
  }
  EXPECT_FALSE(NoTable.Active());

  TTableDef Wider = Def;
  Wider.Fields.push_back({"EXTRA", TFieldType::ftString, 5});
  TTable NoField(*Database, Wider);
  EXPECT_THROW(NoField.Open(), ETableError);

  TTableDef MoreMemo = Def;
  MoreMemo.Fields.push_back({"NOTES", TFieldType::ftMemo, 0});
  TTable NoMemo(*Database, MoreMemo);
  EXPECT_THROW(NoMemo.Open(), ETableError);
  EXPECT_TRUE(Database->TableExists("items"));
  EXPECT_FALSE(Database->TableExists("Nowhere"));
}

TEST_F(TableTest, DefinitionsThatCannotBeStoredAreRefused) {
  TTableDef Twice = Def;
  Twice.TableName = "Twice";
  Twice.Fields.push_back({"name", TFieldType::ftString, 5});
  EXPECT_THROW(Database->CreateTable(Twice), ETableError);

  TTableDef NoWidth = Def;
  NoWidth.TableName = "NoWidth";
  NoWidth.Fields[0].Size = 0;
  EXPECT_THROW(Database->CreateTable(NoWidth), ETableError);

  TTableDef MemoIndex = Def;
  MemoIndex.TableName = "MemoIndex";
  MemoIndex.Indexes.push_back({"BYBODY", "BODY"});
  EXPECT_THROW(Database->CreateTable(MemoIndex), ETableError);
  EXPECT_FALSE(Database->TableExists("MemoIndex"));
}

TEST_F(TableTest, NamesThatAreSqlWordsOrCarryQuotesAreOrdinaryNames) {
  TTableDef Odd{"Odd \"table\"",
                {{"FROM", TFieldType::ftString, 10}, {"TO", TFieldType::ftString, 10}, {"SELECT", TFieldType::ftMemo, 0}},
                {{"FROM", "FROM"}}};
  Database->CreateTable(Odd);
  TTable Table(*Database, Odd);
  Table.SetIndexName("FROM");
  Table.Open();
  Table.Append();
  Table.FieldByName("FROM").SetAsString("x'); DROP");
  Table.FieldByName("SELECT").SetAsString("memo");
  Table.Post();
  ASSERT_TRUE(Table.FindKey("x'); DROP"));
  EXPECT_EQ(Table.FieldByName("SELECT").AsString(), "memo");
}

TEST(Database, AFileThatIsNotADatabaseRaises) {
  const auto File = std::filesystem::temp_directory_path() / ("corvalen-notdb-" + std::to_string(::getpid()));
  std::ofstream(File) << std::string(4096, 'z');
  EXPECT_THROW(TDatabase Db(File.string()), ETableError);
  std::filesystem::remove(File);
  EXPECT_THROW(TDatabase Db("/nonexistent-dir/x.db"), ETableError);
}

}  // namespace
