// Delete and the Trashcan, read marks, sorting and the body pane's Edit commands, through the main window.
#include <sqlite3.h>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "app/settings/settingsfiles.h"
#include "app/views/Unit2.h"
#include "app/views/Unit3.h"
#include "app/views/Unit7.h"
#include "appfixture.h"
#include "platform/runtime/processmessages.h"
#include "support/fakeserver.h"
#include "support/namedchild.h"

namespace {

using TrashcanTest = AppTest;

void Select(TListView* List, std::initializer_list<int> Rows) {
  for (int Row : Rows)
    List->selectionModel()->select(List->model()->index(Row, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

QStringList ListCaptions(TListView* List) {
  QStringList Result;
  for (int Row = 0; Row < List->Count(); ++Row) Result << List->Item(Row).Caption;
  return Result;
}

// A folder's rows as stored, in DATE order: each field asked for, joined by "|".
std::vector<std::string> Stored(TDatabase& Database, const TTableDef& Def,
                                std::vector<const char*> Fields = {"SUBJECT"}) {
  TTable Table(Database, Def);
  Table.SetIndexName("DATE");
  Table.Open();
  std::vector<std::string> Rows;
  for (Table.First(); !Table.Eof() && Table.RecordId() != 0; Table.Next()) {
    std::string Row;
    for (std::size_t I = 0; I < Fields.size(); ++I) Row += (I ? "|" : "") + Table.FieldByName(Fields[I]).AsString();
    Rows.push_back(Row);
  }
  return Rows;
}

TEST_F(TrashcanTest, InboxAndOutboxMessagesMoveWithTheirFieldsTrashcanMessagesGoForGood) {
  AddRow(RmailTable(),
         {"One", "Ann", "ann@x", "2026-12-01", true, {"me@x"}, {"cc@x"}, {"a.pdf"}, "body\r\none", "<1@x>", "<0@x>"});
  AddRow(RmailTable(), {"Kept", "Eve", "eve@x", "2026-12-02"});
  AddRow(RmailTable(), {"Two", "Bob", "bob@x", "2026-12-03", false, {"me@x", "you@x"}, {}, {}, "two"});
  AddRow(RmailTable(), {"Three", "Cy", "cy@x", "2026-12-04", false, {}, {"c1@x"}, {}, "three"});
  AddRow(SmailTable(), {"Queued", "", "", "2026-12-05", false, {"a@x"}, {"c@x"}, {"/tmp/f"}, "text"});
  OpenWindow();
  Select(Form2->ListView1, {0, 2, 3});
  Command("Delete1")->trigger();  // from the menu
  Button("ToolButton2")->click();
  Form3->ListView1->SelectRow(0);
  QTest::mouseClick(Child<QToolBar>(*Window, "ToolBar3")->widgetForAction(Command("ToolButton27")), Qt::LeftButton);
  EXPECT_EQ(Stored(*Database, RmailTable()), std::vector<std::string>{"Kept"});
  EXPECT_EQ(Stored(*Database, SmailTable()), std::vector<std::string>{});
  EXPECT_EQ(Stored(*Database, TrashTable(),
                   {"SUBJECT", "FROM", "EMAIL", "DATE", "RECPT", "CC", "DATA", "ATTACH", "MESSAGEID", "REFERENCES"}),
            (std::vector<std::string>{"One|Ann|ann@x|2026-12-01|me@x|cc@x|body\r\none||<1@x>|<0@x>",
                                      "Two|Bob|bob@x|2026-12-03|me@x\r\nyou@x||two|||",
                                      "Three|Cy|cy@x|2026-12-04||c1@x|three|||",
                                      "Queued|--|--|2026-12-05|a@x|c@x|text|||"}));
  EXPECT_EQ(ListCaptions(Form2->ListView1), QStringList{"Kept"});
  EXPECT_EQ(ListCaptions(Form7->ListView1), (QStringList{"One", "Two", "Three", "Queued"}));
  EXPECT_EQ(Child<QLineEdit>(*Window, "Edit3")->text(), "");

  // In the Trashcan a message is destroyed, without a question; here by the shortcut.
  Button("ToolButton3")->click();
  Form7->ListView1->SelectRow(1);
  QApplication::setActiveWindow(Window.get());
  QTest::keyClick(Form7->ListView1, Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(Stored(*Database, TrashTable()), (std::vector<std::string>{"One", "Three", "Queued"}));
  EXPECT_EQ(ListCaptions(Form7->ListView1), (QStringList{"One", "Three", "Queued"}));
  Form7->ListView1->clearSelection();
  Command("Delete1")->trigger();
  EXPECT_EQ(Messages, std::vector<std::string>{"Unable to delete: No Messages Selected"});
}

TEST_F(TrashcanTest, SameDateMessagesDeletedOneByOneEachMoveTheRightOne) {
  AddRow(RmailTable(), {"One", "Ann", "ann@x", "2026-12-01 10:00:00 0"});
  AddRow(RmailTable(), {"Two", "Bob", "bob@x", "2026-12-01 10:00:00 0"});
  OpenWindow();
  Form2->ListView1->SelectRow(1);
  Command("Delete1")->trigger();
  EXPECT_EQ(Stored(*Database, RmailTable()), std::vector<std::string>{"One"});
  Form2->ListView1->SelectRow(0);
  Command("Delete1")->trigger();
  EXPECT_EQ(Stored(*Database, TrashTable()), (std::vector<std::string>{"Two", "One"}));
  Command("Delete1")->trigger();  // the Inbox is empty now
  EXPECT_EQ(Messages, std::vector<std::string>{"Unable to delete: No Messages"});
}

// A trigger that makes the move of "Two" fail in one of its two steps.
class TrashcanFailureTest : public AppTest, public ::testing::WithParamInterface<const char*> {};

INSTANTIATE_TEST_SUITE_P(InboxKeepsOrTrashcanRefuses, TrashcanFailureTest,
                         ::testing::Values("BEFORE DELETE ON Rmail WHEN old.SUBJECT = 'Two'",
                                           "BEFORE INSERT ON TRASH WHEN new.SUBJECT = 'Two'"));

TEST_P(TrashcanFailureTest, AFailureInTheMiddleLeavesEachMessageInExactlyOneFolder) {
  for (const char* Subject : {"One", "Two", "Three"}) AddRow(RmailTable(), {Subject, "Ann", "ann@x", "2026-12-01"});
  const std::string Refuse = std::string("CREATE TRIGGER Refuse ") + GetParam() +
                             " BEGIN SELECT RAISE(ABORT, 'injected failure'); END";
  ASSERT_EQ(sqlite3_exec(Database->Handle(), Refuse.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
  OpenWindow();
  Select(Form2->ListView1, {0, 1, 2});
  Command("Delete1")->trigger();
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_NE(Messages[0].find("injected failure"), std::string::npos);
  // What was moved before the failure stays moved; the rest stays put.
  EXPECT_EQ(Stored(*Database, RmailTable()), (std::vector<std::string>{"Two", "Three"}));
  EXPECT_EQ(Stored(*Database, TrashTable()), std::vector<std::string>{"One"});
  EXPECT_EQ(ListCaptions(Form2->ListView1), (QStringList{"Two", "Three"}));
  // Nothing is left open: the next delete goes through.
  Select(Form2->ListView1, {1});
  Command("Delete1")->trigger();
  EXPECT_EQ(Stored(*Database, TrashTable()), (std::vector<std::string>{"One", "Three"}));
}

TEST_F(TrashcanTest, ReadMarksChangeTheSelectedInboxMessageOnly) {
  AddRow(RmailTable(), {"One", "Ann", "ann@x", "2026-12-01"});
  AddRow(RmailTable(), {"Two", "Bob", "bob@x", "2026-12-02"});
  OpenWindow();
  Form2->ListView1->SelectRow(1);
  Form2->Table1.First();  // a cursor left elsewhere must not take the mark
  Command("MarkasRead1")->trigger();
  EXPECT_EQ(Stored(*Database, RmailTable(), {"STATE"}), (std::vector<std::string>{"False", "True"}));
  EXPECT_EQ(Form2->ListView1->Item(1).ImageIndex, 1);
  Command("MarkasUnread1")->trigger();
  EXPECT_EQ(Stored(*Database, RmailTable(), {"STATE"}), (std::vector<std::string>{"False", "False"}));
  EXPECT_EQ(Form2->ListView1->Item(1).ImageIndex, 0);
}

TEST_F(TrashcanTest, SortBySubjectLastsThroughFillsUntilSortByDate) {
  AddRow(RmailTable(), {"gamma", "Ann", "a@x", "2026-12-01", true});
  AddRow(RmailTable(), {"alpha", "Bob", "b@x", "2026-12-02"});
  AddRow(RmailTable(), {"beta", "Cy", "c@x", "2026-12-03", true});
  OpenWindow();
  Form2->ListView1->SelectRow(0);
  Command("Name1")->trigger();
  EXPECT_EQ(ListCaptions(Form2->ListView1), (QStringList{"alpha", "beta", "gamma"}));
  // The selection stays with its message, so Delete takes that one.
  EXPECT_EQ(Form2->ListView1->Item(Form2->ListView1->Selected()).Caption, "gamma");
  // A message added as it arrives takes its place too.
  AddRow(RmailTable(), {"delta", "Dan", "d@x", "2026-12-04"});
  Form2->Table1.First();
  while (Form2->Table1.FieldByName("SUBJECT").AsString() != "delta") Form2->Table1.Next();
  Form2->AddRecord(Form2->Table1.RecordId());
  EXPECT_EQ(ListCaptions(Form2->ListView1), (QStringList{"alpha", "beta", "delta", "gamma"}));
  Command("Date1")->trigger();
  EXPECT_EQ(ListCaptions(Form2->ListView1), (QStringList{"gamma", "alpha", "beta", "delta"}));
}

TEST_F(TrashcanTest, SelectAllCopyAndPasteOnTheBodyPane) {
  AddRow(RmailTable(), {"One", "Ann", "a@x", "2026-12-01", false, {}, {}, {}, "first line\r\nsecond line"});
  OpenWindow();
  Form2->ListView1->SelectRow(0);
  Command("SelectAll1")->trigger();
  Command("Copy1")->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "first line\nsecond line");
  QGuiApplication::clipboard()->setText("pasted");
  Command("Paste1")->trigger();  // replaces the selected text, and is stored at once
  EXPECT_EQ(Stored(*Database, RmailTable(), {"DATA"}), std::vector<std::string>{"pasted"});
}

// A transfer walks the folder tables: Delete waits until it has ended.
TEST_F(TrashcanTest, DeleteDoesNothingWhileASendRuns) {
  AddRow(SmailTable(), {"Queued", "", "", "2026-12-01", false, {"bob@example.test"}});
  TFakeServer Stalled{{TFakeServer::S("220 ready\r\n"), TFakeServer::AwaitClose()}};
  TStringList Config = settings::DefaultConfig("/tmp");
  Config[settings::clEmail] = "ann@example.test";
  Config[settings::clSmtpServer] = Stalled.Address();
  settings::SaveLines(settings::ConfigFileName, Config);
  SetMessagePump([] { QApplication::processEvents(); });
  OpenWindow();
  Button("ToolButton2")->click();
  Form3->ListView1->SelectRow(0);
  ActWhen([&] { return !Stalled.Transcript().empty(); }, [this](bool Waiting) {
    EXPECT_TRUE(Waiting);
    Command("Delete1")->trigger();
    Command("ToolButton23")->trigger();
  });
  EXPECT_THROW(Window->ToolButton18Click(), std::exception);
  SetMessagePump(nullptr);
  EXPECT_EQ(Stored(*Database, SmailTable()), std::vector<std::string>{"Queued"});
}

}  // namespace
