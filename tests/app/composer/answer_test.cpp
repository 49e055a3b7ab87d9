// Reply to Writer, Reply to All and Forward Mail from the menu and the
// toolbar: what the composer shows and lets change, what is queued, the
// source becoming read, and the refusals outside the Inbox.
#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

#include "app/composer/Unit5.h"
#include "app/views/Unit2.h"
#include "app/views/Unit7.h"
#include "app/settings/settingsfiles.h"
#include "appfixture.h"
#include "support/namedchild.h"

namespace {

class AnswerTest : public AppTest {
protected:
  void SetUp() override {
    AppTest::SetUp();
    AddRow(RmailTable(), {"Hello", "Ann", "ann@x", "2026-01-01 10:00:00 0", false, {"me@x", "bo@x"}, {"cy@x"},
                          {"a.pdf"}, "first line\nsecond line"});
    OpenWindow();
    Button("ToolButton1")->click();
    Form2->ListView1->SelectRow(0);
    // Left over from an earlier use of the shared composer (a menu Forward disables the subject).
    Form5->AddAttachment("/left/over");
    Form5->Edit3->setEnabled(false);
  }

  // Runs Command; Look sees the composer it opens, which is then closed
  // unless Look closed it. False when no composer opened within DeadlineMs.
  bool Answer(QAction* Command, const std::function<void(TForm5&)>& Look, int DeadlineMs = 5000) {
    bool Opened = false;
    AnswerNextModal([&](QWidget* Modal) {
      auto* C = qobject_cast<TForm5*>(Modal);
      ASSERT_EQ(C, Form5);
      Opened = true;
      Look(*C);
      if (C->isVisible()) C->reject();
    }, DeadlineMs);
    Command->trigger();
    WaitFor([&] { return Opened; }, DeadlineMs + 100);  // the watch for a window has ended
    return Opened;
  }

  // The enabled state of To, CC, both pickers and the subject, as a word.
  static std::string Editable(TForm5& C) {
    std::string Word;
    for (QWidget* W : std::initializer_list<QWidget*>{C.Recpt, C.Cc, C.SpeedButton1, C.SpeedButton2, C.Edit3})
      Word += W->isEnabled() ? 'y' : 'n';
    return Word;
  }
};

TEST_F(AnswerTest, ReplyToWriterAnswersTheSenderOnlyAndMarksTheMessageRead) {
  ASSERT_TRUE(Answer(Command("Reply1"), [](TForm5& C) {
    EXPECT_EQ(C.windowTitle(), "Re: Hello");
    EXPECT_EQ(C.Edit3->text(), "Re: Hello");
    EXPECT_EQ(C.Recpt->toPlainText(), "ann@x");
    EXPECT_EQ(C.Cc->toPlainText(), "");
    EXPECT_EQ(C.Memo1->toPlainText(), " \n \n" + QString(30, '-') +
                                          "\nOn 2026-01-01 10:00:00, Ann wrote:\nfirst line\nsecond line");
    EXPECT_EQ(C.BitBtn1->text(), "Reply Mail");
    EXPECT_EQ(C.ListView1->count(), 0);
    EXPECT_EQ(Editable(C), "nnnny");
    EXPECT_TRUE(C.BitBtn1->isEnabled() && C.BitBtn2->isEnabled() && C.BitBtn3->isEnabled());
  }));
  // Closed without sending, the message is read all the same.
  EXPECT_EQ(Form2->ListView1->Item(0).ImageIndex, 1);
  TTable Inbox(*Database, RmailTable());
  Inbox.Open();
  EXPECT_TRUE(Inbox.FieldByName("STATE").AsBoolean());
}

TEST_F(AnswerTest, ReplyToAllFromTheReplyButtonQueuesToEveryoneElseAndCopiesTheCc) {
  TStringList& Settings = Window->Settings();
  Settings[settings::clEmail] = "ME@x";
  ASSERT_TRUE(Answer(Command("ReplytoAll2"), [](TForm5& C) {
    EXPECT_EQ(C.Recpt->toPlainText(), "bo@x\nann@x");
    EXPECT_EQ(C.Cc->toPlainText(), "cy@x");
    EXPECT_EQ(C.BitBtn1->text(), "Reply All");
    EXPECT_EQ(Editable(C), "yyyyy");
    C.BitBtn1->click();
  }));
  TTable Outbox(*Database, SmailTable());
  Outbox.Open();
  ASSERT_EQ(Outbox.RecordCount(), 1);
  EXPECT_EQ(Outbox.FieldByName("RECPT").AsLines(), (TStringList{"bo@x", "ann@x"}));
  EXPECT_EQ(Outbox.FieldByName("CC").AsLines(), TStringList{"cy@x"});
}

TEST_F(AnswerTest, ForwardFromTheMenuLocksCcTheToolbarsLocksNothingBothCarryTheFiles) {
  // To, CC, their pickers and the subject.
  for (auto [Command, Expected] : {std::pair{Command("N10"), "ynyny"}, std::pair{Command("ToolButton26"), "yyyyy"}}) {
    SCOPED_TRACE(Command->objectName().toStdString());
    ASSERT_TRUE(Answer(Command, [&](TForm5& C) {
      EXPECT_EQ(C.Recpt->toPlainText(), "");
      EXPECT_EQ(C.Cc->toPlainText(), "");
      EXPECT_EQ(C.Edit3->text(), "Fwd: Hello");
      EXPECT_EQ(C.BitBtn1->text(), "Forward Mail");
      EXPECT_EQ(Editable(C), Expected);
      ASSERT_EQ(C.ListView1->count(), 1);
      EXPECT_EQ(C.ListView1->item(0)->text(), "a.pdf (missing)");
    }));
  }
}

TEST_F(AnswerTest, OutsideTheInboxOrWithoutASelectionNothingOpens) {
  auto Refused = [&](QAction* Command) {
    Messages.clear();
    EXPECT_FALSE(Answer(Command, [](TForm5&) {}, 300)) << Command->objectName().toStdString();
    return Messages.empty() ? std::string() : Messages.back();
  };
  Button("ToolButton3")->click();
  AddRow(TrashTable(), {"Gone", "Bob", "bob@x", "2026-01-02"});
  Form7->FillList();
  Form7->ListView1->SelectRow(0);
  EXPECT_EQ(Refused(Command("Reply1")), "Unable to Reply: You have to select a message from Inbox");
  EXPECT_EQ(Refused(Command("ReplytoAll2")), "Unable to Reply: You have to select a message in Inbox");
  EXPECT_EQ(Refused(Command("ToolButton26")), "Unable to Forward: You have to select a message from Inbox");

  Button("ToolButton1")->click();
  Form2->ListView1->clearSelection();
  EXPECT_EQ(Refused(Command("ReplytoWriter1")), "Unable to Reply: No Messages Selected");
  EXPECT_EQ(Refused(Command("N10")), "Unable to Forward: No Messages Selected");
  EXPECT_EQ(Form2->ListView1->Item(0).ImageIndex, 0);
}

}  // namespace
