// The three folder views over real tables: rows, icons, filters, the cursor
// following the selection, and the correspondent box.
#include <QAbstractItemView>
#include <QFont>
#include <QHeaderView>
#include <QLineEdit>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>

#include "app/views/Unit2.h"
#include "app/views/Unit3.h"
#include "app/views/Unit7.h"
#include "appfixture.h"
#include "support/namedchild.h"

namespace {

using FolderViewTest = AppTest;

QStringList Row(TListView* List, int Index) {
  const TListItem& Item = List->Item(Index);
  return QStringList{Item.Caption} + Item.SubItems;
}

TEST(RecipientText, FirstAddressWithAMarkWhenMoreFollow) {
  EXPECT_EQ(RecipientText({}, {}), "");
  EXPECT_EQ(RecipientText({"a@x"}, {"c@x"}), "a@x");
  EXPECT_EQ(RecipientText({"a@x", "b@x", "d@x"}, {}), "a@x >");
  EXPECT_EQ(RecipientText({}, {"c@x"}), "c@x");
  EXPECT_EQ(RecipientText({}, {"c@x", "e@x"}), "c@x >");
}

TEST_F(FolderViewTest, InboxRowsIconsAndOrder) {
  AddRow(RmailTable(), {"Second", "Bob", "bob@example.test", "2026-12-02", true, {}, {}, {"a.pdf"}});
  AddRow(RmailTable(), {"First", "Ann", "ann@example.test", "2026-12-01 09:30:00 0", false});
  OpenWindow();
  TListView* List = Form2->ListView1;
  ASSERT_EQ(List->Count(), 2);
  EXPECT_EQ(Row(List, 0), (QStringList{"First", "Ann", "2026-12-01 09:30:00"}));
  EXPECT_EQ(Row(List, 1), (QStringList{"Second", "Bob", "2026-12-02"}));
  EXPECT_EQ(List->Item(0).ImageIndex, 0);  // unread
  EXPECT_EQ(List->Item(0).StateIndex, -1);
  EXPECT_EQ(List->Item(1).ImageIndex, 1);  // read
  EXPECT_EQ(List->Item(1).StateIndex, 0);  // paper clip
}

TEST_F(FolderViewTest, OutboxAndTrashcanRecipientColumns) {
  AddRow(SmailTable(), {"Only CC", "", "", "2026-12-01", false, {}, {"cc@example.test"}, {}});
  AddRow(SmailTable(), {"Three", "", "", "2026-12-02", true, {"a@x", "b@x", "c@x"}, {}, {"/tmp/f"}});
  AddRow(TrashTable(), {"From outbox", "--", "--", "2026-12-03", false, {"to@x", "to2@x"}, {}});
  AddRow(TrashTable(), {"From inbox", "Ann", "ann@x", "2026-12-04", false, {"me@x"}, {}});
  OpenWindow();
  EXPECT_EQ(Row(Form3->ListView1, 0), (QStringList{"Only CC", "cc@example.test", "2026-12-01"}));
  EXPECT_EQ(Row(Form3->ListView1, 1), (QStringList{"Three", "a@x >", "2026-12-02"}));
  EXPECT_EQ(Form3->ListView1->Item(0).ImageIndex, 0);
  EXPECT_EQ(Form3->ListView1->Item(1).ImageIndex, 1);
  EXPECT_EQ(Form3->ListView1->Item(1).StateIndex, 0);
  EXPECT_EQ(Row(Form7->ListView1, 0), (QStringList{"From outbox", "--", "to@x >", "2026-12-03"}));
  EXPECT_EQ(Row(Form7->ListView1, 1), (QStringList{"From inbox", "Ann", "--", "2026-12-04"}));
  EXPECT_EQ(Form7->ListView1->Item(1).ImageIndex, 0);
  EXPECT_EQ(Form7->ListView1->Item(1).StateIndex, -1);
}

TEST_F(FolderViewTest, SameDateTextEachEntryReachesItsOwnRecord) {
  AddRow(RmailTable(), {"One", "Ann", "ann@x", "2026-12-01 10:00:00 0", false, {}, {}, {}, "first body"});
  AddRow(RmailTable(), {"Two", "Bob", "bob@x", "2026-12-01 10:00:00 0", false, {}, {}, {}, "second body"});
  OpenWindow();
  TListView* List = Form2->ListView1;
  ASSERT_EQ(List->Count(), 2);
  List->SelectRow(1);
  EXPECT_EQ(Form2->Table1.FieldByName("SUBJECT").AsString(), "Two");
  EXPECT_EQ(Form2->DBMemo1->toPlainText(), "second body");
  EXPECT_EQ(Child<QLineEdit>(*Window, "Edit3")->text(), "bob@x");
  List->SelectRow(0);
  EXPECT_EQ(Form2->Table1.FieldByName("SUBJECT").AsString(), "One");
  EXPECT_EQ(Form2->DBMemo1->toPlainText(), "first body");
  EXPECT_EQ(Child<QLineEdit>(*Window, "Edit3")->text(), "ann@x");
}

TEST_F(FolderViewTest, ClickMarksReadAtOnce) {
  AddRow(RmailTable(), {"One", "Ann", "ann@x", "2026-12-01", false});
  AddRow(RmailTable(), {"Two", "Bob", "bob@x", "2026-12-02", false});
  OpenWindow();
  Form2->ListView1->SelectRow(1);
  Form2->ListView1Click();
  EXPECT_EQ(Form2->ListView1->Item(1).ImageIndex, 1);
  EXPECT_EQ(Form2->ListView1->Item(0).ImageIndex, 0);
  EXPECT_EQ(Form2->Table1.State(), TDataSetState::dsBrowse);
  TTable Inbox(*Database, RmailTable());
  Inbox.Open();
  Inbox.SetIndexName("DATE");
  ASSERT_TRUE(Inbox.FindKey("2026-12-02"));
  EXPECT_TRUE(Inbox.FieldByName("STATE").AsBoolean());
  ASSERT_TRUE(Inbox.FindKey("2026-12-01"));
  EXPECT_FALSE(Inbox.FieldByName("STATE").AsBoolean());
}

TEST_F(FolderViewTest, FiltersAndShowAll) {
  AddRow(RmailTable(), {"Unread", "Ann", "a@x", "2026-12-01", false});
  AddRow(RmailTable(), {"Read", "Bob", "b@x", "2026-12-02", true});
  AddRow(SmailTable(), {"Waiting", "", "", "2026-12-03", false, {"x@x"}});
  AddRow(SmailTable(), {"Accepted", "", "", "2026-12-04", true, {"y@x"}});
  OpenWindow();

  Button("ToolButton1")->click();
  ASSERT_EQ(Window->ActiveView(), Form2);
  Button("ToolButton5")->click();
  ASSERT_EQ(Form2->ListView1->Count(), 1);
  EXPECT_EQ(Form2->ListView1->Item(0).Caption, "Unread");
  Button("ToolButton6")->click();
  ASSERT_EQ(Form2->ListView1->Count(), 1);
  EXPECT_EQ(Form2->ListView1->Item(0).Caption, "Read");
  Button("ToolButton7")->click();  // Show accepted does nothing in the Inbox
  EXPECT_EQ(Form2->ListView1->Item(0).Caption, "Read");
  Button("ToolButton4")->click();
  ASSERT_EQ(Form2->ListView1->Count(), 2);
  EXPECT_EQ(Form2->ListView1->Item(0).Caption, "Unread");

  Button("ToolButton2")->click();
  ASSERT_EQ(Window->ActiveView(), Form3);
  Button("ToolButton6")->click();  // Show read does nothing in the Outbox
  EXPECT_EQ(Form3->ListView1->Count(), 2);
  Button("ToolButton7")->click();
  ASSERT_EQ(Form3->ListView1->Count(), 1);
  EXPECT_EQ(Form3->ListView1->Item(0).Caption, "Accepted");
  EXPECT_EQ(Form3->ListView1->Item(0).ImageIndex, 1);
  Button("ToolButton5")->click();
  ASSERT_EQ(Form3->ListView1->Count(), 1);
  EXPECT_EQ(Form3->ListView1->Item(0).Caption, "Waiting");

  Button("ToolButton3")->click();
  ASSERT_EQ(Window->ActiveView(), Form7);
  Button("ToolButton4")->click();  // filters do nothing in the Trashcan
  EXPECT_EQ(Form3->ListView1->Count(), 1);
}

TEST_F(FolderViewTest, CorrespondentBoxAndItsHintPerFolder) {
  AddRow(SmailTable(), {"Both", "", "", "2026-12-01", false, {"to@x"}, {"cc@x"}});
  AddRow(SmailTable(), {"To only", "", "", "2026-12-02", false, {"only@x", "more@x"}});
  AddRow(TrashTable(), {"Gone", "Ann", "ann@x", "2026-12-03"});
  OpenWindow();
  Button("ToolButton2")->click();
  EXPECT_EQ(Child<QLineEdit>(*Window, "Edit3")->toolTip(), "The E-mail address the message is going to");
  Form3->ListView1->SelectRow(0);
  EXPECT_EQ(Child<QLineEdit>(*Window, "Edit3")->text(), "cc@x");  // a carbon copy wins
  Form3->ListView1->SelectRow(1);
  EXPECT_EQ(Child<QLineEdit>(*Window, "Edit3")->text(), "only@x");
  Button("ToolButton3")->click();
  EXPECT_EQ(Child<QLineEdit>(*Window, "Edit3")->toolTip(), "Nothing when trashcan is selected");
  Form7->ListView1->SelectRow(0);
  EXPECT_EQ(Child<QLineEdit>(*Window, "Edit3")->text(), "only@x");  // the Trashcan leaves the box alone
  Button("ToolButton1")->click();
  EXPECT_EQ(Child<QLineEdit>(*Window, "Edit3")->toolTip(), "The E-mail address the message is coming from");
}

TEST_F(FolderViewTest, ShowingAFolderMinimisesTheOthers) {
  OpenWindow();
  Button("ToolButton3")->click();
  EXPECT_TRUE(Form2->isMinimized());
  EXPECT_TRUE(Form3->isMinimized());
  EXPECT_FALSE(Form7->isMinimized());
  EXPECT_EQ(Form7->pos(), QPoint(0, 0));
}

TEST_F(FolderViewTest, AClosedFolderComesBackWholeAndFitsTheArea) {
  OpenWindow();
  Form2->close();  // its close box, or the one at the menu bar's end while maximised
  Button("ToolButton1")->click();
  EXPECT_TRUE(Form2->ListView1->isVisible());
  EXPECT_TRUE(Form2->DBMemo1->isVisible());
  // Nothing of it, the body pane's bottom included, hides under the status bar.
  EXPECT_TRUE(Child<QMdiArea>(*Window, "MdiArea")->viewport()->rect().contains(Form2->geometry()));
}

TEST_F(FolderViewTest, DateColumnsShowTheWholeDateTime) {
  for (const TTableDef* Def : {&RmailTable(), &SmailTable(), &TrashTable()})
    AddRow(*Def, {"Subject", "Ann", "a@x", "2025-01-01 00:00:00 12"});
  OpenWindow();
  for (const auto& [List, Column] : {std::pair{Form2->ListView1, 2}, {Form3->ListView1, 2}, {Form7->ListView1, 3}}) {
    const int Needed = static_cast<QAbstractItemView*>(List)->sizeHintForColumn(Column);  // for the cells' texts
    EXPECT_GT(Needed, 100);
    EXPECT_LE(Needed, List->columnWidth(Column));
  }
}

TEST_F(FolderViewTest, DateWithoutItsNumberUnreadInBoldHeadersSortAndNoBodyWithoutSelection) {
  AddRow(RmailTable(), {"beta", "Cy", "c@x", "1899-12-30 7", true, {}, {}, {}, "old"});
  AddRow(RmailTable(), {"Alpha", "Ann", "a@x", "2026-12-01 09:30:00 12", false, {}, {}, {}, "new"});
  AddRow(RmailTable(), {"gamma", "Bob", "b@x", "2026-12-02", true});
  OpenWindow();
  TListView* List = Form2->ListView1;
  ASSERT_EQ(List->Count(), 3);
  const auto Column = [&](int Index) {
    QStringList Texts;
    for (int R = 0; R < List->Count(); ++R) Texts << List->model()->index(R, Index).data().toString();
    return Texts;
  };
  EXPECT_EQ(Column(2), (QStringList{"1899-12-30", "2026-12-01 09:30:00", "2026-12-02"}));
  // Nothing is selected yet: the pane shows no message and takes no typing.
  EXPECT_EQ(Form2->DBMemo1->toPlainText(), "");
  EXPECT_TRUE(Form2->DBMemo1->isReadOnly());
  const auto Bold = [&](int R) { return List->model()->index(R, 1).data(Qt::FontRole).value<QFont>().bold(); };
  EXPECT_EQ((std::vector<bool>{Bold(0), Bold(1), Bold(2)}), (std::vector<bool>{false, true, false}));
  List->SelectRow(1);
  EXPECT_EQ(Form2->DBMemo1->toPlainText(), "new");
  Form2->ListView1Click();  // read now, no longer bold
  EXPECT_FALSE(Bold(1));
  List->clearSelection();
  EXPECT_EQ(Form2->DBMemo1->toPlainText(), "");

  const auto ClickHeader = [&](int Index) {
    QHeaderView* Header = List->header();
    QTest::mouseClick(Header->viewport(), Qt::LeftButton, {},
                      QPoint(Header->sectionViewportPosition(Index) + 5, Header->height() / 2));
  };
  ClickHeader(1);
  EXPECT_EQ(Column(1), (QStringList{"Ann", "Bob", "Cy"}));
  ClickHeader(1);
  EXPECT_EQ(Column(1), (QStringList{"Cy", "Bob", "Ann"}));
  ClickHeader(2);
  EXPECT_EQ(Column(2), (QStringList{"1899-12-30", "2026-12-01 09:30:00", "2026-12-02"}));
  ClickHeader(2);
  EXPECT_EQ(Column(0), (QStringList{"gamma", "Alpha", "beta"}));
  // The order holds for later fills, until Sort by Date goes back to the store's.
  Button("ToolButton4")->click();
  EXPECT_EQ(Column(0), (QStringList{"gamma", "Alpha", "beta"}));
  Command("Date1")->trigger();
  EXPECT_EQ(Column(0), (QStringList{"beta", "Alpha", "gamma"}));
}

TEST_F(FolderViewTest, AViewReportsThroughSignalsWithoutAMainWindow) {
  AddRow(RmailTable(), {"One", "Ann", "ann@x", "2026-12-01"});
  TForm2 Inbox(*Database);
  QStringList Reported;
  QObject::connect(&Inbox, &TFolderView::CorrespondentHintChanged, [&](const QString& Hint) { Reported << Hint; });
  QObject::connect(&Inbox, &TFolderView::CorrespondentChanged, [&](const QString& Address) { Reported << Address; });
  QObject::connect(&Inbox, &TForm2::BrowsingResumed, [&] { Reported << "browsing"; });
  Inbox.FormShow();
  Inbox.FormActivate();
  Inbox.ListView1->SelectRow(0);
  Inbox.ListView1Click();  // marking read posts the row
  EXPECT_EQ(Reported, (QStringList{"The E-mail address the message is coming from", "ann@x", "browsing"}));
}

TEST_F(FolderViewTest, InboxStartsMaximisedInTheTitle) {
  OpenWindow();
  EXPECT_TRUE(Form2->isMaximized());
  EXPECT_EQ(Window->windowTitle(), "Corvalen Pro 98 - [Inbox]");
}

}  // namespace
