#include <algorithm>

#include "tablefixture.h"

namespace {

using Strings = std::vector<std::string>;

TEST_F(TableTest, RowsFollowTheCurrentIndexInByteOrderWithTiesInWritingOrder) {
  auto Table = OpenTable();
  AddRow(*Table, "r1", "b");
  AddRow(*Table, "r2", "a");
  AddRow(*Table, "r3", "B");            // capitals sort before small letters
  AddRow(*Table, "r4", "\xC3\xA9");     // a multi-byte character after every ASCII letter
  AddRow(*Table, "r5", "a");            // same key as r2: after it
  AddRow(*Table, "r6", "");
  EXPECT_EQ(Names(*Table), (Strings{"r6", "r3", "r2", "r5", "r1", "r4"}));

  Table->SetIndexName("");
  EXPECT_EQ(Names(*Table), (Strings{"r1", "r2", "r3", "r4", "r5", "r6"}));
  Table->SetIndexName("byname");  // index names match in any case
  EXPECT_EQ(Table->IndexName(), "BYNAME");
  EXPECT_THROW(Table->SetIndexName("NOSUCH"), ETableError);
}

TEST_F(TableTest, ScanVisitsEveryRowOnceAcrossManyEqualKeys) {
  auto Table = OpenTable();
  Table->SetCachedUpdates(true);
  // 3000 rows, with runs of equal keys far longer than any read batch.
  std::vector<std::string> Expected;
  for (int I = 0; I < 3000; ++I) {
    const std::string Key = I < 1500 ? "same" : (I % 2 ? "odd" : "even");
    AddRow(*Table, std::to_string(I), Key);
  }
  Table->ApplyUpdates();
  Table->SetCachedUpdates(false);
  for (const char* Key : {"even", "odd", "same"})
    for (int I = 0; I < 3000; ++I)
      if ((I < 1500 ? "same" : (I % 2 ? "odd" : "even")) == std::string(Key)) Expected.push_back(std::to_string(I));

  ASSERT_EQ(Table->RecordCount(), 3000);
  // The way the folder views fill their lists: RecordCount passes from First.
  Strings Seen;
  Table->First();
  for (int I = 0; I < Table->RecordCount(); ++I, Table->Next()) Seen.push_back(Table->FieldByName("NAME").AsString());
  EXPECT_EQ(Seen, Expected);
  // Next on the last row ends the scan there: the row stays readable.
  EXPECT_TRUE(Table->Eof());
  EXPECT_EQ(Table->FieldByName("NAME").AsString(), Expected.back());
}

TEST_F(TableTest, MemosReadRowAfterRowBelongToTheirOwnRows) {
  auto Table = OpenTable();
  Table->SetCachedUpdates(true);
  // Keys in reverse order of writing, so index order and record ids disagree;
  // every third row has no LIST at all, and bodies are large enough that a
  // read batch cannot hold them all.
  const int Rows = 1200;
  for (int I = 0; I < Rows; ++I) {
    Table->Append();
    char Key[16];
    std::snprintf(Key, sizeof Key, "%06d", Rows - I);
    Table->FieldByName("KEY").SetAsString(Key);
    Table->FieldByName("NAME").SetAsString(std::to_string(I));
    if (I % 3) Table->FieldByName("LIST").SetAsLines({"item " + std::to_string(I)});
    Table->FieldByName("BODY").SetAsString(std::string(8000 + I, static_cast<char>('a' + I % 26)));
    Table->Post();
  }
  Table->ApplyUpdates();
  Table->SetCachedUpdates(false);

  int Seen = 0;
  Table->First();
  for (int Step = 0; Step < Table->RecordCount(); ++Step, Table->Next()) {
    const int I = std::stoi(Table->FieldByName("NAME").AsString());
    ASSERT_EQ(I, Rows - 1 - Step);
    const TStringList List = Table->FieldByName("LIST").AsLines();
    if (I % 3) {
      ASSERT_EQ(List, TStringList{"item " + std::to_string(I)}) << "row " << I;
    } else {
      ASSERT_TRUE(List.empty()) << "row " << I;
    }
    const std::string Body = Table->FieldByName("BODY").AsString();
    ASSERT_EQ(Body.size(), 8000u + I);
    ASSERT_EQ(Body.front(), static_cast<char>('a' + I % 26));
    ++Seen;
  }
  EXPECT_EQ(Seen, Rows);

  // A write in the middle of a scan is seen by the rows still to come.
  Table->First();
  Table->FieldByName("LIST").AsLines();
  Table->Next();
  Table->FieldByName("LIST").AsLines();
  auto Writer = OpenTable();
  ASSERT_TRUE(Writer->FindKey("000004"));  // the fourth row in order: I = 1196
  Writer->Edit();
  Writer->FieldByName("LIST").SetAsLines({"changed"});
  Writer->Post();
  Table->Next();
  Table->Next();
  EXPECT_EQ(Table->FieldByName("NAME").AsString(), "1196");
  EXPECT_EQ(Table->FieldByName("LIST").AsLines(), TStringList{"changed"});
}

TEST_F(TableTest, EmptyTableIsAtEofWithNoRecord) {
  auto Table = OpenTable();
  EXPECT_TRUE(Table->Eof());
  EXPECT_EQ(Table->RecordCount(), 0);
  EXPECT_EQ(Table->RecordId(), 0);
  EXPECT_EQ(Table->FieldByName("NAME").AsString(), "");
  Table->Next();
  EXPECT_TRUE(Table->Eof());
  EXPECT_THROW(Table->Edit(), ETableError);
  EXPECT_THROW(Table->Delete(), ETableError);
}

TEST_F(TableTest, FindKeyFindsTheFirstEqualRowInIndexOrder) {
  auto Table = OpenTable();
  AddRow(*Table, "late", "k2");
  const auto FirstK1 = AddRow(*Table, "first", "k1");
  AddRow(*Table, "second", "k1");
  AddRow(*Table, "other", "k0");

  ASSERT_TRUE(Table->FindKey("k1"));
  EXPECT_EQ(Table->RecordId(), FirstK1);
  Table->Next();
  EXPECT_EQ(Table->FieldByName("NAME").AsString(), "second");
  Table->Next();
  EXPECT_EQ(Table->FieldByName("NAME").AsString(), "late");

  // Not found: the cursor stays where it was.
  EXPECT_FALSE(Table->FindKey("k"));
  EXPECT_FALSE(Table->FindKey("K1"));
  EXPECT_EQ(Table->FieldByName("NAME").AsString(), "late");

  // A key longer than the field is cut the way stored values were cut.
  AddRow(*Table, "long", "12345678");
  ASSERT_TRUE(Table->FindKey("123456789"));
  EXPECT_EQ(Table->FieldByName("NAME").AsString(), "long");

  Table->SetIndexName("");
  EXPECT_THROW(Table->FindKey("k1"), ETableError);
}

TEST_F(TableTest, RowsWithTheSameKeyAreEachReachedByTheirRecordId) {
  auto Table = OpenTable();
  const auto A = AddRow(*Table, "first", "same", "body A");
  const auto B = AddRow(*Table, "second", "same", "body B");
  ASSERT_NE(A, B);

  ASSERT_TRUE(Table->GotoRecord(B));
  EXPECT_EQ(Table->FieldByName("NAME").AsString(), "second");
  EXPECT_EQ(Table->FieldByName("BODY").AsString(), "body B");
  ASSERT_TRUE(Table->GotoRecord(A));
  EXPECT_EQ(Table->FieldByName("BODY").AsString(), "body A");
  // After a jump, Next continues in index order.
  Table->Next();
  EXPECT_EQ(Table->RecordId(), B);

  EXPECT_FALSE(Table->GotoRecord(B + 100));
  EXPECT_EQ(Table->RecordId(), B);
}

TEST_F(TableTest, PostKeepsTheCursorOnTheRowAndNextFollowsItsNewPlace) {
  auto Table = OpenTable();
  AddRow(*Table, "a", "1");
  const auto Moving = AddRow(*Table, "b", "2");
  AddRow(*Table, "c", "3");
  AddRow(*Table, "d", "4");

  ASSERT_TRUE(Table->GotoRecord(Moving));
  Table->Edit();
  Table->FieldByName("KEY").SetAsString("35");
  Table->Post();
  EXPECT_EQ(Table->RecordId(), Moving);
  EXPECT_EQ(Table->State(), TDataSetState::dsBrowse);
  Table->Next();
  EXPECT_EQ(Table->FieldByName("NAME").AsString(), "d");
  EXPECT_EQ(Names(*Table), (Strings{"a", "c", "b", "d"}));
}

TEST_F(TableTest, CancelDropsChangesAndANewRow) {
  auto Table = OpenTable();
  const auto Id = AddRow(*Table, "kept", "k", "body");

  Table->Edit();
  Table->FieldByName("NAME").SetAsString("changed");
  Table->FieldByName("BODY").SetAsString("new body");
  EXPECT_EQ(Table->FieldByName("NAME").AsString(), "changed");
  Table->Cancel();
  EXPECT_EQ(Table->FieldByName("NAME").AsString(), "kept");
  EXPECT_EQ(Table->FieldByName("BODY").AsString(), "body");

  Table->Append();
  EXPECT_EQ(Table->RecordId(), 0);
  Table->FieldByName("NAME").SetAsString("never");
  Table->Cancel();
  EXPECT_EQ(Table->RecordId(), Id);
  EXPECT_EQ(Table->RecordCount(), 1);
  Table->Cancel();  // nothing to cancel while browsing
  Table->Post();    // nor to post
  EXPECT_EQ(Names(*Table), (Strings{"kept"}));
}

TEST_F(TableTest, AppendPutsTheCursorOnTheNewRow) {
  auto Table = OpenTable();
  AddRow(*Table, "a", "1");
  AddRow(*Table, "c", "3");
  Table->First();
  const auto Id = AddRow(*Table, "b", "2");
  EXPECT_EQ(Table->FieldByName("NAME").AsString(), "b");
  EXPECT_FALSE(Table->Eof());
  Table->Next();
  EXPECT_EQ(Table->FieldByName("NAME").AsString(), "c");
  EXPECT_EQ(Table->RecordCount(), 3);
  EXPECT_GT(Id, 0);
}

TEST_F(TableTest, MovingWhileEditingPostsAChangedRowAndDropsAnUntouchedNewOne) {
  auto Table = OpenTable();
  AddRow(*Table, "a", "1");
  AddRow(*Table, "b", "2");
  Table->First();
  Table->Edit();
  Table->FieldByName("NAME").SetAsString("a2");
  Table->Next();
  EXPECT_EQ(Table->State(), TDataSetState::dsBrowse);
  EXPECT_EQ(Table->FieldByName("NAME").AsString(), "b");

  Table->Append();
  Table->First();
  EXPECT_EQ(Table->RecordCount(), 2);
  EXPECT_EQ(Names(*Table), (Strings{"a2", "b"}));
}

TEST_F(TableTest, DeleteMovesToTheNextRowOrTheLastOne) {
  for (const std::string Index : {"BYKEY", ""}) {
    SCOPED_TRACE("index \"" + Index + "\"");
    auto Table = OpenTable(Index);
    // Written out of key order, so key order and record id order differ.
    const auto D = AddRow(*Table, "d", "4", "body d");
    const auto A = AddRow(*Table, "a", "1", "body a");
    const auto B = AddRow(*Table, "b", "2", "body b");
    const auto C = AddRow(*Table, "c", "3", "body c");
    const auto Last = Index.empty() ? C : D;
    const auto BeforeLast = Index.empty() ? B : C;

    ASSERT_TRUE(Table->GotoRecord(A));
    Table->Next();
    const auto Following = Table->RecordId();
    ASSERT_TRUE(Table->GotoRecord(A));
    Table->Delete();
    EXPECT_EQ(Table->RecordId(), Following);
    EXPECT_EQ(Table->RecordCount(), 3);

    // The last row: the cursor goes to the new last row.
    ASSERT_TRUE(Table->GotoRecord(Last));
    Table->Delete();
    EXPECT_EQ(Table->RecordId(), BeforeLast);
    EXPECT_EQ(Table->FieldByName("BODY").AsString(), "body " + Table->FieldByName("NAME").AsString());
    EXPECT_FALSE(Table->Eof());
    Table->Delete();
    Table->Delete();
    EXPECT_TRUE(Table->Eof());
    EXPECT_EQ(Table->RecordId(), 0);
    EXPECT_EQ(Table->RecordCount(), 0);
    EXPECT_FALSE(Table->GotoRecord(B));

    // Record ids are never given out again, and a new row has none of the old memo text.
    const auto Fresh = AddRow(*Table, "e", "5");
    EXPECT_GT(Fresh, std::max({A, B, C, D}));
    EXPECT_EQ(Table->FieldByName("BODY").AsString(), "");
    Table->Delete();
  }
}

TEST_F(TableTest, DeleteWhileInsertingDropsOnlyTheNewRow) {
  auto Table = OpenTable();
  AddRow(*Table, "a", "1");
  Table->Append();
  Table->FieldByName("NAME").SetAsString("new");
  Table->Delete();
  EXPECT_EQ(Table->State(), TDataSetState::dsBrowse);
  EXPECT_EQ(Names(*Table), (Strings{"a"}));
}

TEST_F(TableTest, StateChangesAreReported) {
  auto Table = std::make_unique<TTable>(*Database, Def);
  std::vector<TDataSetState> Seen;
  Table->OnStateChange = [&](TTable* Sender) {
    EXPECT_EQ(Sender, Table.get());
    Seen.push_back(Sender->State());
  };
  Table->Open();
  Table->Append();
  Table->FieldByName("NAME").SetAsString("x");
  Table->Post();
  Table->Edit();
  Table->Edit();  // already editing: no change
  Table->Cancel();
  using S = TDataSetState;
  EXPECT_EQ(Seen, (std::vector<S>{S::dsBrowse, S::dsInsert, S::dsBrowse, S::dsEdit, S::dsBrowse}));
}

TEST_F(TableTest, ACursorSeesWritesMadeThroughAnotherCursor) {
  auto View = OpenTable();
  auto Writer = OpenTable();
  AddRow(*View, "a", "1");
  AddRow(*View, "b", "2");
  AddRow(*View, "c", "3");
  View->First();
  EXPECT_EQ(View->RecordCount(), 3);

  ASSERT_TRUE(Writer->FindKey("1"));
  Writer->Edit();
  Writer->FieldByName("NAME").SetAsString("a-new");
  Writer->Post();
  EXPECT_EQ(View->FieldByName("NAME").AsString(), "a-new");

  // The row under the other cursor disappears: that cursor moves on to the next one.
  Writer->Delete();
  AddRow(*Writer, "d", "4");
  EXPECT_EQ(View->RecordCount(), 3);
  EXPECT_EQ(View->FieldByName("NAME").AsString(), "b");
  View->Next();
  EXPECT_EQ(View->FieldByName("NAME").AsString(), "c");
  View->Next();
  EXPECT_EQ(View->FieldByName("NAME").AsString(), "d");
}

TEST_F(TableTest, ARowDeletedElsewhereIsNeverReplacedByItsNeighbour) {
  auto View = OpenTable();
  auto Other = OpenTable();
  const auto A = AddRow(*View, "a", "1");
  const auto B = AddRow(*View, "b", "2");
  const auto C = AddRow(*View, "c", "3");

  // Marking the selected row read must not mark the row after it.
  ASSERT_TRUE(View->GotoRecord(A));
  ASSERT_TRUE(Other->GotoRecord(A));
  Other->Delete();
  EXPECT_THROW(View->Edit(), ETableError);
  EXPECT_EQ(View->State(), TDataSetState::dsBrowse);
  EXPECT_EQ(View->RecordId(), B);  // the cursor moved on, and says so
  ASSERT_TRUE(Other->GotoRecord(B));
  EXPECT_FALSE(Other->FieldByName("FLAG").AsBoolean());

  // Deleting a row that is already gone deletes nothing else.
  ASSERT_TRUE(Other->GotoRecord(B));
  Other->Delete();
  View->Delete();
  EXPECT_EQ(View->RecordCount(), 1);
  EXPECT_EQ(View->RecordId(), C);

  // An edit whose row vanishes before the post fails and stays in edit mode.
  View->Edit();
  View->FieldByName("NAME").SetAsString("lost?");
  ASSERT_TRUE(Other->GotoRecord(C));
  Other->Delete();
  EXPECT_THROW(View->Post(), ETableError);
  EXPECT_EQ(View->State(), TDataSetState::dsEdit);
  View->Cancel();
  EXPECT_EQ(View->RecordCount(), 0);
}

}  // namespace
