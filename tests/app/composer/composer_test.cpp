// The composer driven through New Message: what To Outbox stores and shows,
// the missing-recipient refusal, attachments, and a table that refuses the row.
#include <QAction>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

#include <sqlite3.h>

#include "app/composer/Unit5.h"
#include "app/views/Unit3.h"
#include "appfixture.h"
#include "support/namedchild.h"

namespace {

class ComposerTest : public AppTest {
protected:
  void SetUp() override {
    AppTest::SetUp();
    ui::Hooks().OpenFileName = [this](const std::string& Filter) {
      Filters.push_back(Filter);
      return NextFile;
    };
  }

  // New Message, filled by Fill while the composer is shown, then To Outbox.
  void Send(const std::function<void(TForm5&)>& Fill) {
    bool Answered = false;
    AnswerNextModal([&](QWidget* Modal) {
      auto* Composer = qobject_cast<TForm5*>(Modal);
      ASSERT_EQ(Composer, Form5);
      Fill(*Composer);
      Composer->BitBtn1->click();
      Answered = true;
    });
    Command("NewMessage1")->trigger();
    ASSERT_TRUE(Answered);
    EXPECT_FALSE(Form5->isVisible());
  }

  struct TStored {
    std::string Subject, Date;
    TStringList Recpt, Cc, Data, Attach;
    bool State;
  };
  std::vector<TStored> OutboxRows() {
    TTable Table(*Database, SmailTable());
    Table.Open();
    std::vector<TStored> Rows;
    for (Table.First(); !Table.Eof() && Table.RecordId() != 0; Table.Next())
      Rows.push_back({Table.FieldByName("SUBJECT").AsString(), Table.FieldByName("DATE").AsString(),
                      Table.FieldByName("RECPT").AsLines(), Table.FieldByName("CC").AsLines(),
                      Table.FieldByName("DATA").AsLines(), Table.FieldByName("ATTACH").AsLines(),
                      Table.FieldByName("STATE").AsBoolean()});
    return Rows;
  }

  std::vector<std::string> Filters;
  std::string NextFile;
};

TEST_F(ComposerTest, ToOutboxStoresTheRowAndAddsItsEntry) {
  OpenWindow();
  NextFile = (Dir / "report.pdf").string();
  QString CaptionAfterSubject;
  Send([&](TForm5& C) {
    C.Recpt->setPlainText("a@x\nb@x");
    C.Cc->setPlainText("c@x");
    C.Edit3->setText("Hello");
    CaptionAfterSubject = C.windowTitle();
    C.Memo1->setPlainText("line 1\n\tline 2");
    C.BitBtn2->click();
    C.BitBtn2->click();  // the same file twice
  });
  EXPECT_EQ(CaptionAfterSubject, "Corvalen message - Hello");
  EXPECT_EQ(Filters, (std::vector<std::string>{"All Files (*.*)|*.*", "All Files (*.*)|*.*"}));
  EXPECT_TRUE(Messages.empty());

  const auto Rows = OutboxRows();
  ASSERT_EQ(Rows.size(), 1u);
  EXPECT_EQ(Rows[0].Subject, "Hello");
  EXPECT_EQ(Rows[0].Recpt, (TStringList{"a@x", "b@x"}));
  EXPECT_EQ(Rows[0].Cc, TStringList{"c@x"});
  EXPECT_EQ(Rows[0].Data, (TStringList{"line 1", "\tline 2"}));
  EXPECT_EQ(Rows[0].Attach, (TStringList{NextFile, NextFile}));
  EXPECT_FALSE(Rows[0].State);
  EXPECT_TRUE(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d( \\d\\d:\\d\\d:\\d\\d)?$")
                  .match(QString::fromStdString(Rows[0].Date)).hasMatch()) << Rows[0].Date;

  TListView* List = Form3->ListView1;
  ASSERT_EQ(List->Count(), 1);
  const TListItem& Entry = List->Item(0);
  EXPECT_EQ(QStringList(Entry.Caption) + Entry.SubItems,
            (QStringList{"Hello", "a@x >", QString::fromStdString(Rows[0].Date)}));
  EXPECT_EQ(Entry.ImageIndex, 0);
  EXPECT_EQ(Entry.StateIndex, 0);
  List->SelectRow(0);
  EXPECT_EQ(Form3->DBMemo1->toPlainText(), "line 1\n\tline 2");
}

TEST_F(ComposerTest, EmptySubjectIsStoredAsDashesWithAnEmptyCaption) {
  OpenWindow();
  Send([](TForm5& C) { C.Recpt->setPlainText(" only@x \n\n"); });
  const auto Rows = OutboxRows();
  ASSERT_EQ(Rows.size(), 1u);
  EXPECT_EQ(Rows[0].Subject, "--");
  EXPECT_EQ(Rows[0].Recpt, TStringList{"only@x"});
  EXPECT_TRUE(Rows[0].Attach.empty());
  ASSERT_EQ(Form3->ListView1->Count(), 1);
  EXPECT_EQ(Form3->ListView1->Item(0).Caption, "");
  EXPECT_EQ(Form3->ListView1->Item(0).SubItems[0], "only@x");
  EXPECT_EQ(Form3->ListView1->Item(0).StateIndex, -1);
  Form3->FillList();
  EXPECT_EQ(Form3->ListView1->Item(0).Caption, "--");
}

TEST_F(ComposerTest, WithoutAToAddressNothingIsStored) {
  OpenWindow();
  const std::function<void(TForm5&)> Attempts[] = {
      [](TForm5&) {},
      [](TForm5& C) { C.Cc->setPlainText("cc@x"); },    // carbon copies alone
      [](TForm5& C) { C.Recpt->setPlainText(" \n\t"); },  // blank lines are no address
  };
  for (const auto& Fill : Attempts) {
    Messages.clear();
    Send([&](TForm5& C) {
      C.Edit3->setText("Subject");
      Fill(C);
    });
    EXPECT_EQ(Messages, std::vector<std::string>{"You must have a recipient before you can send an E-mail"});
    EXPECT_EQ(Form5->Edit3->text(), "Subject");  // kept until the next New Message
  }
  EXPECT_TRUE(OutboxRows().empty());
  EXPECT_EQ(Form3->ListView1->Count(), 0);
}

TEST_F(ComposerTest, NewMessageInTheOutboxLeavesTheViewOnItsSelectedMessage) {
  AddRow(SmailTable(), {"Old", "", "", "2026-01-01", false, {"x@x"}, {}, {}, "old body"});
  OpenWindow();
  Form3->ListView1->SelectRow(0);
  Form3->DBMemo1->setPlainText("old body, edited");
  Send([](TForm5& C) {
    C.Recpt->setPlainText("a@x");
    C.Memo1->setPlainText("new body");
  });
  EXPECT_EQ(Form3->ListView1->SelectedRows(), std::vector<int>{0});
  EXPECT_EQ(Form3->Table1.FieldByName("SUBJECT").AsString(), "Old");
  Form3->DBMemo1->setPlainText("old body, edited twice");
  Form3->PostEdits();
  const auto Rows = OutboxRows();
  ASSERT_EQ(Rows.size(), 2u);
  EXPECT_EQ(Rows[0].Data, TStringList{"old body, edited twice"});
  EXPECT_EQ(Rows[1].Data, TStringList{"new body"});
}

TEST_F(ComposerTest, ARefusedRowKeepsTheComposerOpenAndAddsNoEntry) {
  OpenWindow();
  ASSERT_EQ(sqlite3_exec(Database->Handle(),
                         "CREATE TRIGGER refuse BEFORE INSERT ON Smail BEGIN SELECT RAISE(ABORT, 'disk full'); END",
                         nullptr, nullptr, nullptr), SQLITE_OK);
  bool StillOpen = false;
  AnswerNextModal([&](QWidget* Modal) {
    auto* C = static_cast<TForm5*>(Modal);
    C->Recpt->setPlainText("a@x");
    C->BitBtn1->click();
    StillOpen = C->isVisible();
    C->reject();
  });
  Command("NewMessage1")->trigger();
  EXPECT_TRUE(StillOpen);
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_NE(Messages[0].find("disk full"), std::string::npos) << Messages[0];
  EXPECT_EQ(Form3->ListView1->Count(), 0);
  EXPECT_EQ(Form3->Table1.State(), TDataSetState::dsBrowse);
  EXPECT_EQ(Form5->Recpt->toPlainText(), "a@x");
}

TEST_F(ComposerTest, RemoveAttachRemovesEverySelectedEntry) {
  OpenWindow();
  TForm5& C = *Form5;
  for (const char* File : {"/a", "/b", "/c", "/d"}) C.AddAttachment(File);
  C.BitBtn3->click();  // none selected
  EXPECT_EQ(C.Message().Attachments, (TStringList{"/a", "/b", "/c", "/d"}));
  C.ListView1->item(0)->setSelected(true);
  C.ListView1->item(2)->setSelected(true);
  C.BitBtn3->click();
  EXPECT_EQ(C.Message().Attachments, (TStringList{"/b", "/d"}));
}

}  // namespace
