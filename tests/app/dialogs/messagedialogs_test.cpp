// The Properties window, the Attachments notice, Save Attachment To and the
// Progress window, driven from the main window's commands and services.
#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>

#include "app/dialogs/Unit11.h"
#include "app/dialogs/Unit12.h"
#include "app/dialogs/Unit6.h"
#include "app/dialogs/Unit8.h"
#include "app/settings/settingsfiles.h"
#include "app/shell/mainscreen.h"
#include "app/views/Unit2.h"
#include "app/views/Unit3.h"
#include "app/views/Unit7.h"
#include "appfixture.h"
#include "support/namedchild.h"

namespace {

class MessageDialogsTest : public AppTest {
protected:
  void SetUp() override {
    AppTest::SetUp();
    AttachmentDir = (Dir / "attachments").string();
    settings::SaveLines(settings::ConfigFileName, settings::DefaultConfig(AttachmentDir));
    AddRow(RmailTable(), {"In", "Ann", "ann@x", "2026-01-01 10:00:00 0", false, {"first@x", "second@x"}, {"cc@x"},
                          {"a.pdf", "b.txt"}, "body"});
    AddRow(SmailTable(), {"Out", "", "", "2026-01-02", false, {"to@x"}, {}, {"/files/one"}, "out body"});
    AddRow(TrashTable(), {"Gone", "--", "--", "2026-01-03", false, {"to@x"}});
    OpenWindow();
  }

  // Runs Command and hands the modal window it shows to Read before closing it.
  template <class TWindow>
  bool ShowModal(QAction* Command, const std::function<void(TWindow&)>& Read) {
    bool Shown = false;
    AnswerNextModal([&](QWidget* Modal) {
      auto* W = qobject_cast<TWindow*>(Modal);
      ASSERT_NE(W, nullptr);
      Shown = true;
      Read(*W);
      W->accept();
    }, 1000);
    Command->trigger();
    // Let the answer give up when nothing opened, so it cannot answer a later window.
    WaitFor([] { return false; }, Shown ? 0 : 1100);
    return Shown;
  }

  std::string AttachmentDir;
};

TEST_F(MessageDialogsTest, PropertiesOfTheSelectedMessageOrNoneSelected) {
  Button("ToolButton1")->click();
  Form2->ListView1->SelectRow(0);
  QStringList Lines;
  ASSERT_TRUE(ShowModal<TForm11>(Command("Properties1"),
                                 [&](TForm11& P) { Lines = P.Memo1->toPlainText().split('\n'); }));
  ASSERT_GE(Lines.size(), 10);
  EXPECT_EQ(Lines[0], "Date of EMail Download:");
  EXPECT_EQ(Lines.mid(3, 3), (QStringList{"Sender:", "Ann", "ann@x"}));
  EXPECT_EQ(Lines.mid(7, 3), (QStringList{"Recipients:", "second@x", "first@x"}));
  EXPECT_EQ(Lines.last(), "body");

  Button("ToolButton3")->click();
  Form7->ListView1->clearSelection();
  EXPECT_FALSE(ShowModal<TForm11>(Command("Properties1"), [](TForm11&) {}));
  EXPECT_EQ(Messages, std::vector<std::string>{"No Messages Selected"});
  EXPECT_TRUE(Child<TForm11>(*Window, "Form11")->Memo1->toPlainText().isEmpty());
}

TEST_F(MessageDialogsTest, AttachmentsNoticeNamesTheDirectoryOfReceivedFilesOnly) {
  Button("ToolButton1")->click();
  Form2->ListView1->SelectRow(0);
  auto Read = [](QString& Files, QString& Where) {
    return [&](TForm6& N) {
      Files = N.Memo1->toPlainText();
      Where = N.Memo2->isVisible() ? N.Memo2->toPlainText() + "|" + N.Label1->text() : QString();
      EXPECT_EQ(N.windowTitle(), "Attachments");
    };
  };
  QString Files, Where;
  ASSERT_TRUE(ShowModal<TForm6>(Command("Attachment1"), Read(Files, Where)));
  EXPECT_EQ(Files, "a.pdf\nb.txt");
  EXPECT_EQ(Where, "These files can be found in: \n|" + QString::fromStdString(AttachmentDir));

  Button("ToolButton2")->click();
  Form3->ListView1->SelectRow(0);
  ASSERT_TRUE(ShowModal<TForm6>(Command("Attachment1"), Read(Files, Where)));
  EXPECT_EQ(Files, "/files/one");
  EXPECT_EQ(Where, "");

  Button("ToolButton3")->click();
  EXPECT_FALSE(ShowModal<TForm6>(Command("Attachment1"), [](TForm6&) {}));
  EXPECT_TRUE(Window->findChildren<TForm6*>().empty());  // destroyed after each use
}

TEST_F(MessageDialogsTest, SaveAttachmentToKeepsTheChosenDirectoryOrElseTheConfiguredOne) {
  const std::filesystem::path Chosen = Dir / "chosen";
  std::filesystem::create_directories(Chosen);
  std::vector<QString> Stored;
  QObject::connect(Child<TForm12>(*Window, "Form12"), &TForm12::DirectoryStored,
                   [&](const QString& D) { Stored.push_back(D); });
  QString Panel;
  AnswerNextModal([&](QWidget* Modal) {
    auto* D = qobject_cast<TForm12*>(Modal);
    ASSERT_NE(D, nullptr);
    D->SetDirectory(QString::fromStdString(Chosen.string()));
    Panel = D->Panel1->text();
    D->BitBtn1->click();
  });
  Child<TForm12>(*Window, "Form12")->exec();
  EXPECT_EQ(Panel.toStdString(), Chosen.string());
  EXPECT_EQ(Stored, std::vector<QString>{QString::fromStdString(Chosen.string())});

  // Closing without OK stores the configured directory.
  AnswerNextModal([](QWidget* Modal) { static_cast<QDialog*>(Modal)->reject(); });
  Child<TForm12>(*Window, "Form12")->exec();
  ASSERT_EQ(Stored.size(), 2u);
  EXPECT_EQ(Stored.back().toStdString(), AttachmentDir);
}

TEST_F(MessageDialogsTest, SaveAttachmentToOpensOnTheConfiguredDirectoryNamesTheFileAndCancelKeepsThatDirectory) {
  const std::string Chosen = (Dir / "chosen").string();
  std::filesystem::create_directories(Chosen);
  TMainScreen Screen = MakeScreen();
  QString OpenedOn, Question;
  // Looks at the dialog as it opens, browses elsewhere and leaves by Button.
  const auto Answer = [&](QPushButton* TForm12::*Button) {
    AnswerNextModal([&, Button](QWidget* Modal) {
      auto* D = static_cast<TForm12*>(Modal);
      OpenedOn = D->Panel1->text();
      Question = D->Label2->text();
      D->SetDirectory(QString::fromStdString(Chosen));
      (D->*Button)->click();
    });
  };
  Answer(&TForm12::BitBtn1);
  EXPECT_EQ(Screen.ChooseAttachmentDirectory(AttachmentDir, "report.pdf", "Figures", "bob@x"), Chosen);
  EXPECT_EQ(OpenedOn.toStdString(), AttachmentDir);  // not the working directory
  EXPECT_EQ(Question.toStdString(), "Save \"report.pdf\"\nfrom bob@x\nSubject: Figures");
  // Again on the configured directory, where Cancel saves; a long name keeps its real type in sight.
  Answer(&TForm12::BitBtn2);
  EXPECT_EQ(Screen.ChooseAttachmentDirectory(AttachmentDir, "bill" + std::string(80, '_') + ".pdf.exe", "", "eve@x"),
            AttachmentDir);
  EXPECT_EQ(OpenedOn.toStdString(), AttachmentDir);
  EXPECT_TRUE(Question.section('\n', 0, 0).endsWith(".pdf.exe\"")) << Question.toStdString();
}

TEST_F(MessageDialogsTest, ProgressOpensCentredOnTheMainWindowClearOfTheStopButton) {
  TMainScreen Screen = MakeScreen();
  QWidget* Stop = Child<QToolBar>(*Window, "ToolBar3")->widgetForAction(Command("ToolButton23"));
  for (const QSize Size : {QSize(1024, 768), QSize(640, 240)}) {
    Window->resize(Size);
    Screen.ShowProgress("Retrieving Mail");
    const QRect Progress = Child<TForm8>(*Window, "Form8")->frameGeometry();
    EXPECT_FALSE(Progress.intersects(QRect(Stop->mapToGlobal(QPoint(0, 0)), Stop->size()))) << Size.height();
    EXPECT_GE(Progress.top(), Child<QMdiArea>(*Window, "MdiArea")->mapToGlobal(QPoint(0, 0)).y()) << Size.height();
    EXPECT_LE(std::abs(Progress.center().x() - Window->geometry().center().x()), 1) << Size.height();
    Screen.CloseProgress();
  }
}

}  // namespace
