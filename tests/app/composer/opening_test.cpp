// Opening stored messages in the composer: File, Open and double-click in
// each folder, what each shows and enables, and Inbox messages becoming read.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "app/composer/Unit5.h"
#include "app/views/Unit2.h"
#include "app/views/Unit3.h"
#include "app/views/Unit7.h"
#include "appfixture.h"
#include "support/namedchild.h"

namespace {

// What a message window showed.
struct TShown {
  QString Label;
  int LabelLeft;
  QString Recpt, Cc, Subject, Body;
  bool Editable;  // send, attach, remove and pickers alike
  QString SendCaption, Caption;
  QStringList Attachments;
  bool SharedWindow;
  bool BoxesEnabled = true;  // Recpt, Cc and Edit3
  bool operator==(const TShown&) const = default;
};

void PrintTo(const TShown& S, std::ostream* Out) {
  *Out << (S.Label + "@" + QString::number(S.LabelLeft) + " | " + S.Recpt + " | " + S.Cc + " | " + S.Subject +
           " | " + S.Body + " | " + (S.Editable ? "editable" : "view-only") + " | " + S.SendCaption + " | " +
           S.Caption + " | " + S.Attachments.join(",") + (S.SharedWindow ? " | shared" : " | fresh") +
           (S.BoxesEnabled ? "" : " | boxes disabled"))
              .toStdString();
}

class OpeningTest : public AppTest {
protected:
  void SetUp() override {
    AppTest::SetUp();
    AddRow(RmailTable(), {"Inbox subject", "Ann Example", "ann@x", "2026-01-01 10:00:00 0", false, {"me@x"}, {},
                          {"a.pdf"}, "inbox body"});
    AddRow(SmailTable(), {"Outbox subject", "", "", "2026-01-02", false, {"t1@x", "t2@x"}, {"c1@x"},
                          {"/files/one", "/files/two"}, "outbox body"});
    AddRow(TrashTable(), {"Received", "Bob", "bob@x", "2026-01-03", false, {"me@x"}, {}, {}, "trash body"});
    AddRow(TrashTable(), {"Was queued", "--", "--", "2026-01-04", false, {"t@x"}, {"c@x"}, {}, "queued body"});
    OpenWindow();
  }

  // Leaves the shared composer as an earlier use might: a send caption,
  // addresses, files and a disabled subject of its own.
  void Dirty() {
    TForm5& C = *Form5;
    C.BitBtn1->setText("Reply Mail");
    C.Recpt->setPlainText("old@x");
    C.Cc->setPlainText("oldcc@x");
    C.Edit3->setEnabled(false);
    C.ListView1->clear();
    C.AddAttachment("/left/over");
  }

  // Runs Open while the window it opens is recorded and closed.
  TShown Capture(const std::function<void()>& Open) {
    TShown Shown{};
    QPointer<QWidget> Opened;
    AnswerNextModal([&](QWidget* Modal) {
      auto* C = qobject_cast<TForm5*>(Modal);
      ASSERT_NE(C, nullptr);
      QStringList Files;
      for (int Row = 0; Row < C->ListView1->count(); ++Row) Files << C->ListView1->item(Row)->text();
      const bool Editable = C->BitBtn1->isEnabled();
      for (QWidget* W : std::initializer_list<QWidget*>{C->BitBtn2, C->BitBtn3, C->SpeedButton1, C->SpeedButton2})
        EXPECT_EQ(W->isEnabled(), Editable) << W->objectName().toStdString();
      Shown = {C->Label1->text(), C->Label1->x(), C->Recpt->toPlainText(), C->Cc->toPlainText(), C->Edit3->text(),
               C->Memo1->toPlainText(), Editable, C->BitBtn1->text(), C->windowTitle(), Files, C == Form5,
               C->Recpt->isEnabled() && C->Cc->isEnabled() && C->Edit3->isEnabled()};
      Opened = C;
      C->reject();
    });
    Open();
    EXPECT_TRUE(WaitFor([&] { return Opened.isNull() || !Opened->isVisible(); }));
    return Shown;
  }

  void DoubleClick(TFolderView* View, int Row) {
    TListView* List = View->ListView1;
    const QPoint At = List->visualRect(List->model()->index(Row, 0)).center();
    // What a double-click delivers: a click, then the double-click and its release.
    QTest::mouseClick(List->viewport(), Qt::LeftButton, {}, At);
    QTest::mouseDClick(List->viewport(), Qt::LeftButton, {}, At);
    QTest::mouseRelease(List->viewport(), Qt::LeftButton, {}, At);
  }
  void Select(QToolButton* Folder, TFolderView* View, int Row) {
    Folder->click();
    View->ListView1->SelectRow(Row);
  }
};

TEST_F(OpeningTest, EachFolderAndWayFillsTheWindowAsItsRoleNeeds) {
  const QString Std = "Corvalen message - ";
  struct TCase {
    const char* Name;
    std::function<void()> Open;
    TShown Expected;
  } Cases[] = {
      {"Open, Inbox", [&] { Select(Button("ToolButton1"), Form2, 0); Command("Open1")->trigger(); },
       {"From:", 26, "Ann Example", "", "Inbox subject", "inbox body", false, "To Outbox", Std + "Inbox subject",
        {"a.pdf (missing)"}, true}},
      {"Open, Outbox", [&] { Select(Button("ToolButton2"), Form3, 0); Command("Open1")->trigger(); },
       {"To:", 59, "t1@x\nt2@x", "c1@x", "Outbox subject", "outbox body", true, "To Outbox", Std + "Outbox subject",
        {"/files/one", "/files/two"}, true}},
      {"Open, Trashcan, received", [&] { Select(Button("ToolButton3"), Form7, 0); Command("Open1")->trigger(); },
       {"From:", 26, "Bob", "", "Received", "trash body", false, "To Outbox", Std + "Received", {}, true}},
      {"Open, Trashcan, queued", [&] { Select(Button("ToolButton3"), Form7, 1); Command("Open1")->trigger(); },
       {"To:", 36, "t@x", "c@x", "Was queued", "queued body", false, "To Outbox", Std + "Was queued", {}, true}},
      {"Double-click, Inbox", [&] { Button("ToolButton1")->click(); DoubleClick(Form2, 0); },
       {"Send To", 8, "", "", "Inbox subject", "inbox body", true, "Forward", Std + "Inbox subject",
        {"a.pdf (missing)"}, true}},
      {"Double-click, Outbox", [&] { Button("ToolButton2")->click(); DoubleClick(Form3, 0); },
       {"To:", 59, "t1@x\nt2@x", "c1@x", "Outbox subject", "outbox body", true, "To Outbox", Std + "Outbox subject",
        {"/files/one", "/files/two"}, true}},
      {"Double-click, Trashcan, received", [&] { Button("ToolButton3")->click(); DoubleClick(Form7, 0); },
       {"From:", 26, "Bob", "", "Received", "trash body", false, "To Outbox", "Received", {}, false}},
      {"Double-click, Trashcan, queued", [&] { Button("ToolButton3")->click(); DoubleClick(Form7, 1); },
       {"Send To:", 8, "t@x", "c@x", "Was queued", "queued body", false, "To Outbox", "Was queued", {}, false}},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    Dirty();
    EXPECT_EQ(Capture(Case.Open), Case.Expected);
  }
  // The Trashcan's own windows are gone; the shared one kept the last fill.
  EXPECT_EQ(Window->findChildren<TForm5*>().size(), 1u);
  EXPECT_EQ(Form5->BitBtn1->text(), "Reply Mail");
}

TEST_F(OpeningTest, WithoutASelectionTheWindowShowsWhatItHolds) {
  Button("ToolButton2")->click();
  Form3->ListView1->clearSelection();
  Dirty();
  const TShown Shown = Capture([&] { Command("Open1")->trigger(); });
  EXPECT_EQ(Shown.Recpt, "old@x");
  EXPECT_EQ(Shown.Attachments, QStringList{"/left/over"});
  EXPECT_EQ(Shown.SendCaption, "Reply Mail");
  EXPECT_FALSE(Shown.BoxesEnabled);
  // New Message then clears it all.
  const TShown Fresh = Capture([&] { Command("ToolButton21")->trigger(); });
  EXPECT_EQ(Fresh, (TShown{"Send To", 8, "", "", "", "", true, "To Outbox", "Corvalen message", {}, true}));
}

TEST_F(OpeningTest, OpeningAnInboxMessageEitherWayMarksItRead) {
  AddRow(RmailTable(), {"Second", "Cy", "cy@x", "2026-01-05 10:00:00 1", false});
  Button("ToolButton1")->click();
  Form2->FillList();
  ASSERT_EQ(Form2->ListView1->Count(), 2);
  auto Read = [&](const char* Date) {
    TTable Inbox(*Database, RmailTable());
    Inbox.Open();
    Inbox.SetIndexName("DATE");
    EXPECT_TRUE(Inbox.FindKey(Date));
    return Inbox.FieldByName("STATE").AsBoolean();
  };
  Form2->ListView1->SelectRow(1);
  Capture([&] { Command("Open1")->trigger(); });
  EXPECT_TRUE(Read("2026-01-05 10:00:00 1"));
  EXPECT_EQ(Form2->ListView1->Item(1).ImageIndex, 1);
  EXPECT_FALSE(Read("2026-01-01 10:00:00 0"));
  EXPECT_EQ(Form2->ListView1->Item(0).ImageIndex, 0);
  Capture([&] { DoubleClick(Form2, 0); });
  EXPECT_TRUE(Read("2026-01-01 10:00:00 0"));
  EXPECT_EQ(Form2->ListView1->Item(0).ImageIndex, 1);
}

}  // namespace
