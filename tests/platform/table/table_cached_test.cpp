#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tablefixture.h"

namespace {

// Rows in the table as another connection sees them: only what is committed.
int CommittedRows(const std::string& Path, const TTableDef& Def) {
  TDatabase Other(Path);
  TTable Table(Other, Def);
  Table.Open();
  return Table.RecordCount();
}

TEST_F(TableTest, CachedRowsAreVisibleAtOnceAndDurableOnlyWhenApplied) {
  auto Table = OpenTable();
  Table->SetCachedUpdates(true);
  AddRow(*Table, "a", "1", "body");
  AddRow(*Table, "b", "2");
  EXPECT_EQ(Table->RecordCount(), 2);
  EXPECT_EQ(Names(*Table), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(CommittedRows(Path, Def), 0);

  Table->ApplyUpdates();
  Table->CommitUpdates();
  EXPECT_EQ(CommittedRows(Path, Def), 2);
  EXPECT_TRUE(Table->CachedUpdates());

  // Caching stays on after applying: the next rows wait for the next apply.
  AddRow(*Table, "c", "3");
  EXPECT_EQ(CommittedRows(Path, Def), 2);
  Table->ApplyUpdates();
  Table->SetCachedUpdates(false);
  EXPECT_EQ(CommittedRows(Path, Def), 3);
  // Without caching every post is durable when it returns.
  AddRow(*Table, "d", "4");
  EXPECT_EQ(CommittedRows(Path, Def), 4);
}

TEST_F(TableTest, CountsAndRowsFollowWritesThroughAnotherConnection) {
  auto Table = OpenTable();
  AddRow(*Table, "a", "1");
  EXPECT_EQ(Table->RecordCount(), 1);
  {
    TDatabase Other(Path);
    TTable Writer(Other, Def);
    Writer.Open();
    AddRow(Writer, "b", "2");
    Writer.First();
    Writer.Edit();
    Writer.FieldByName("NAME").SetAsString("a2");
    Writer.Post();
  }
  EXPECT_EQ(Table->RecordCount(), 2);
  EXPECT_EQ(Names(*Table), (std::vector<std::string>{"a2", "b"}));
}

TEST_F(TableTest, CancelledOrAbandonedCachedRowsAreGone) {
  auto Table = OpenTable();
  AddRow(*Table, "kept", "1");
  Table->SetCachedUpdates(true);
  AddRow(*Table, "dropped", "2", "body");
  Table->First();
  Table->Edit();
  Table->FieldByName("NAME").SetAsString("changed");
  Table->Post();
  Table->CancelUpdates();
  EXPECT_EQ(Table->RecordCount(), 1);
  EXPECT_EQ(Names(*Table), (std::vector<std::string>{"kept"}));

  // Switching caching off with rows not applied drops them too.
  AddRow(*Table, "dropped too", "3");
  ASSERT_EQ(Table->RecordCount(), 2);
  Table->SetCachedUpdates(false);
  EXPECT_EQ(Table->RecordCount(), 1);
  EXPECT_EQ(Table->FieldByName("NAME").AsString(), "kept");
  EXPECT_EQ(CommittedRows(Path, Def), 1);

  // A cursor closed with rows not applied leaves nothing behind.
  Table->SetCachedUpdates(true);
  AddRow(*Table, "abandoned", "4");
  Table.reset();
  EXPECT_EQ(CommittedRows(Path, Def), 1);
  auto Again = OpenTable();
  AddRow(*Again, "after", "5");  // the database is writable again
  EXPECT_EQ(CommittedRows(Path, Def), 2);
}

TEST_F(TableTest, ApplyPostsARowLeftInEditMode) {
  auto Table = OpenTable();
  Table->SetCachedUpdates(true);
  Table->Append();
  Table->FieldByName("NAME").SetAsString("pending");
  Table->ApplyUpdates();
  EXPECT_EQ(Table->State(), TDataSetState::dsBrowse);
  EXPECT_EQ(CommittedRows(Path, Def), 1);
}

TEST_F(TableTest, OnlyOneTableOfADatabaseHoldsCachedUpdates) {
  auto Inbox = OpenTable();
  auto Other = OpenTable();
  Inbox->SetCachedUpdates(true);
  try {
    Other->SetCachedUpdates(true);
    FAIL() << "two cached batches at once";
  } catch (const ETableError& E) {
    EXPECT_NE(E.Message.find("another table"), std::string::npos) << E.Message;
  }
  EXPECT_FALSE(Other->CachedUpdates());
  Inbox->SetCachedUpdates(false);
  Other->SetCachedUpdates(true);
  EXPECT_TRUE(Other->CachedUpdates());
}

TEST_F(TableTest, WritesThroughOtherTablesAreRefusedWhileABatchIsHeld) {
  TTableDef BookDef = Def;
  BookDef.TableName = "Book";
  Database->CreateTable(BookDef);
  TTable Book(*Database, BookDef);
  Book.Open();
  AddRow(Book, "entry", "1");
  auto Inbox = OpenTable();
  Inbox->SetCachedUpdates(true);
  AddRow(*Inbox, "held", "1");

  // A write that joined the batch would not be durable on return and would
  // vanish with a cancel: it fails instead, and the row stays in edit mode.
  Book.Edit();
  Book.FieldByName("NAME").SetAsString("changed");
  EXPECT_THROW(Book.Post(), ETableError);
  EXPECT_EQ(Book.State(), TDataSetState::dsEdit);
  EXPECT_THROW(Book.Delete(), ETableError);  // Delete drops the edit first, then refuses
  EXPECT_EQ(Book.RecordCount(), 1);
  // Reading is fine.
  EXPECT_EQ(Book.FieldByName("NAME").AsString(), "entry");

  Inbox->CancelUpdates();
  Inbox->SetCachedUpdates(false);
  Book.Edit();
  Book.FieldByName("NAME").SetAsString("changed");
  Book.Post();
  EXPECT_EQ(CommittedRows(Path, BookDef), 1);
  EXPECT_EQ(CommittedRows(Path, Def), 0);
  TDatabase Other(Path);
  TTable Check(Other, BookDef);
  Check.Open();
  EXPECT_EQ(Check.FieldByName("NAME").AsString(), "changed");
}

TEST_F(TableTest, AJoinedTableWritesIntoTheHostsBatch) {
  TTableDef BookDef = Def;
  BookDef.TableName = "Book";
  Database->CreateTable(BookDef);
  TTable Joined(*Database, BookDef), Outsider(*Database, BookDef);
  Joined.Open();
  Outsider.Open();
  auto Inbox = OpenTable();
  Joined.JoinCachedUpdates(Inbox.get());
  Inbox->SetCachedUpdates(true);

  AddRow(*Inbox, "held", "1");
  AddRow(Joined, "joined", "1");
  EXPECT_EQ(CommittedRows(Path, BookDef), 0);
  EXPECT_THROW(AddRow(Outsider, "outsider", "2"), ETableError);
  Outsider.Cancel();
  Inbox->ApplyUpdates();
  EXPECT_EQ(CommittedRows(Path, BookDef), 1);
  EXPECT_EQ(CommittedRows(Path, Def), 1);

  AddRow(Joined, "cancelled", "3");
  Joined.First();
  Joined.Delete();  // the applied row
  Inbox->CancelUpdates();
  EXPECT_EQ(Names(Joined), std::vector<std::string>{"joined"});
  AddRow(Joined, "switched off", "4");
  Inbox->SetCachedUpdates(false);
  EXPECT_EQ(Names(Joined), std::vector<std::string>{"joined"});
  // Without a batch to join, a write is durable on return.
  AddRow(Joined, "alone", "5");
  EXPECT_EQ(CommittedRows(Path, BookDef), 2);
}

TEST_F(TableTest, CachedUpdatesSetBeforeOpenStartWithTheOpen) {
  TTable Table(*Database, Def);
  Table.SetCachedUpdates(true);
  Table.Open();
  AddRow(Table, "a", "1");
  EXPECT_EQ(CommittedRows(Path, Def), 0);
  Table.ApplyUpdates();
  EXPECT_EQ(CommittedRows(Path, Def), 1);
}

// Waits for one byte from Fd for at most a few seconds.
bool WaitForByte(int Fd) {
  pollfd Poll{Fd, POLLIN, 0};
  char Byte;
  return ::poll(&Poll, 1, 20000) == 1 && ::read(Fd, &Byte, 1) == 1;
}

TEST_F(TableTest, AProcessKilledBeforeApplyingLosesOnlyTheUnappliedRows) {
  Database.reset();  // the child writes alone; this process holds no connection across fork
  int Pipe[2];
  ASSERT_EQ(::pipe(Pipe), 0);
  const pid_t Child = ::fork();
  ASSERT_GE(Child, 0);
  if (Child == 0) {
    ::close(Pipe[0]);
    try {
      TDatabase ChildDatabase(Path);
      TTable Table(ChildDatabase, Def);
      Table.SetIndexName("BYKEY");
      Table.Open();
      Table.SetCachedUpdates(true);
      AddRow(Table, "applied 1", "a1", "body 1");
      AddRow(Table, "applied 2", "a2", "body 2");
      Table.ApplyUpdates();
      // Enough unapplied text to overflow the page cache into the log.
      const std::string Body(4000, 'x');
      for (int I = 0; I < 2000; ++I) AddRow(Table, "pending", "p" + std::to_string(I), Body);
      if (::write(Pipe[1], "r", 1) != 1) ::_exit(3);
      for (;;) ::pause();
    } catch (...) {
      ::_exit(2);
    }
  }
  ::close(Pipe[1]);
  const bool Ready = WaitForByte(Pipe[0]);
  ::close(Pipe[0]);
  ::kill(Child, SIGKILL);
  int Status = 0;
  ASSERT_EQ(::waitpid(Child, &Status, 0), Child);
  ASSERT_TRUE(Ready) << "the writer did not get ready";
  ASSERT_TRUE(WIFSIGNALED(Status));

  Database = std::make_unique<TDatabase>(Path);
  auto Table = OpenTable();
  EXPECT_EQ(Table->RecordCount(), 2);
  EXPECT_EQ(Names(*Table), (std::vector<std::string>{"applied 1", "applied 2"}));
  ASSERT_TRUE(Table->FindKey("a2"));
  EXPECT_EQ(Table->FieldByName("BODY").AsString(), "body 2");
  EXPECT_FALSE(Table->FindKey("p0"));
  AddRow(*Table, "after", "z");
  EXPECT_EQ(Table->RecordCount(), 3);
}

}  // namespace
