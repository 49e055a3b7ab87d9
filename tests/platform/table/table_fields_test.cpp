#include "tablefixture.h"

namespace {

TEST_F(TableTest, FieldNamesMatchInAnyCaseAndUnknownNamesRaise) {
  auto Table = OpenTable();
  AddRow(*Table, "alpha", "k1");
  EXPECT_EQ(Table->FieldByName("name").AsString(), "alpha");
  EXPECT_EQ(Table->FieldByName("Name").AsString(), "alpha");
  EXPECT_EQ(Table->FieldByName("KeY").Def().Name, "KEY");
  EXPECT_THROW(Table->FieldByName("NAMES"), ETableError);
}

TEST_F(TableTest, CharacterValuesAreCutToTheWidthWithoutSplittingACharacter) {
  auto Table = OpenTable();
  Table->Append();
  // 8 ASCII bytes, then a two-byte character that would end at byte 10: fits.
  Table->FieldByName("NAME").SetAsString("abcdefgh\xC3\xA9");
  EXPECT_EQ(Table->FieldByName("NAME").AsString(), "abcdefgh\xC3\xA9");
  // 9 ASCII bytes, then the two-byte character straddles the width: it goes whole.
  Table->FieldByName("NAME").SetAsString("abcdefghi\xC3\xA9xyz");
  EXPECT_EQ(Table->FieldByName("NAME").AsString(), "abcdefghi");
  // A three-byte euro sign starting at byte 7 of an 8-byte field is dropped whole.
  Table->FieldByName("KEY").SetAsString("123456\xE2\x82\xAC");
  EXPECT_EQ(Table->FieldByName("KEY").AsString(), "123456");
  Table->Post();
  const auto Id = Table->RecordId();

  // What was stored is the cut value, also for a new connection.
  Table.reset();
  Database = std::make_unique<TDatabase>(Path);
  auto Again = OpenTable();
  ASSERT_TRUE(Again->GotoRecord(Id));
  EXPECT_EQ(Again->FieldByName("NAME").AsString(), "abcdefghi");
  EXPECT_EQ(Again->FieldByName("KEY").AsString(), "123456");
}

TEST_F(TableTest, MemoLinesAreSeparatedByCrLfAndRoundTrip) {
  auto Table = OpenTable();
  Table->Append();
  Table->FieldByName("LIST").SetAsLines({"first", "", "third"});
  EXPECT_EQ(Table->FieldByName("LIST").AsString(), "first\r\n\r\nthird");
  // A body written with bare LF line ends is kept with CR LF.
  Table->FieldByName("BODY").SetAsString("one\ntwo\r\nthree\n");
  Table->Post();
  const auto Id = Table->RecordId();
  AddRow(*Table, "other", "zz");

  ASSERT_TRUE(Table->GotoRecord(Id));
  EXPECT_EQ(Table->FieldByName("LIST").AsLines(), (TStringList{"first", "", "third"}));
  EXPECT_EQ(Table->FieldByName("BODY").AsString(), "one\r\ntwo\r\nthree\r\n");
  // A trailing separator is a trailing empty line, so the last empty line survives.
  EXPECT_EQ(Table->FieldByName("BODY").AsLines(), (TStringList{"one", "two", "three", ""}));
  // A memo never written has no lines at all.
  ASSERT_TRUE(Table->FindKey("zz"));
  EXPECT_TRUE(Table->FieldByName("LIST").AsLines().empty());
  EXPECT_EQ(Table->FieldByName("LIST").AsString(), "");
}

TEST_F(TableTest, EmptyingAMemoLeavesNoLines) {
  auto Table = OpenTable();
  Table->Append();
  Table->FieldByName("LIST").SetAsLines({"a.txt", "b.txt"});
  Table->Post();
  Table->Edit();
  Table->FieldByName("LIST").SetAsLines({});
  Table->Post();
  Table->First();
  EXPECT_TRUE(Table->FieldByName("LIST").AsLines().empty());
}

TEST_F(TableTest, LargeMemoBodiesAreStoredWhole) {
  auto Table = OpenTable();
  std::string Body;
  for (int I = 0; I < 20000; ++I) Body += "line " + std::to_string(I) + "\r\n";
  Body += std::string("\0binary\xff", 8);
  AddRow(*Table, "big", "k", Body);
  Table.reset();
  auto Again = OpenTable();
  EXPECT_EQ(Again->FieldByName("BODY").AsString(), Body);
  EXPECT_EQ(Again->FieldByName("BODY").AsLines().size(), 20001u);
}

TEST_F(TableTest, LogicalFieldsHoldTruthValues) {
  auto Table = OpenTable();
  Table->Append();
  Table->FieldByName("NAME").SetAsString("unset");
  Table->Post();
  EXPECT_FALSE(Table->FieldByName("FLAG").AsBoolean());
  EXPECT_EQ(Table->FieldByName("FLAG").AsString(), "False");

  Table->Edit();
  Table->FieldByName("flag").SetAsBoolean(true);
  Table->Post();
  EXPECT_TRUE(Table->FieldByName("FLAG").AsBoolean());
  EXPECT_EQ(Table->FieldByName("FLAG").AsString(), "True");

  Table->Edit();
  Table->FieldByName("FLAG").SetAsString("0");
  EXPECT_FALSE(Table->FieldByName("FLAG").AsBoolean());
  EXPECT_THROW(Table->FieldByName("FLAG").SetAsString("maybe"), ETableError);
  EXPECT_THROW(Table->FieldByName("NAME").SetAsBoolean(true), ETableError);
  EXPECT_THROW(Table->FieldByName("NAME").AsBoolean(), ETableError);
  Table->Cancel();
  EXPECT_TRUE(Table->FieldByName("FLAG").AsBoolean());
}

TEST_F(TableTest, WritingAFieldOutsideEditOrInsertRaises) {
  auto Table = OpenTable();
  AddRow(*Table, "row", "k");
  EXPECT_THROW(Table->FieldByName("NAME").SetAsString("x"), ETableError);
  EXPECT_THROW(Table->FieldByName("BODY").SetAsLines({"x"}), ETableError);
  EXPECT_THROW(Table->FieldByName("FLAG").SetAsBoolean(true), ETableError);
  EXPECT_EQ(Table->FieldByName("NAME").AsString(), "row");

  TTable Closed(*Database, Def);
  EXPECT_THROW(Closed.FieldByName("NAME").AsString(), ETableError);
  EXPECT_THROW(Closed.First(), ETableError);
  EXPECT_TRUE(Closed.Eof());
}

}  // namespace
