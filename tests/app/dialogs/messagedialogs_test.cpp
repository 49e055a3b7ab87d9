// The Properties window, the Attachments notice and Save Attachment To,
// driven from the main window's commands.
#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

#include "app/dialogs/Unit11.h"
#include "app/dialogs/Unit12.h"
#include "app/dialogs/Unit6.h"
#include "app/settings/settingsfiles.h"
#include "app/views/Unit2.h"
#include "app/views/Unit3.h"
#include "app/views/Unit7.h"
#include "appfixture.h"

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
  Window->ToolButton1->click();
  Form2->ListView1->SelectRow(0);
  QStringList Lines;
  ASSERT_TRUE(ShowModal<TForm11>(Window->Properties1, [&](TForm11& P) { Lines = P.Memo1->toPlainText().split('\n'); }));
  ASSERT_GE(Lines.size(), 10);
  EXPECT_EQ(Lines[0], "Date of EMail Download:");
  EXPECT_EQ(Lines.mid(3, 3), (QStringList{"Sender:", "Ann", "ann@x"}));
  EXPECT_EQ(Lines.mid(7, 3), (QStringList{"Recipients:", "second@x", "first@x"}));
  EXPECT_EQ(Lines.last(), "body");

  Window->ToolButton3->click();
  Form7->ListView1->clearSelection();
  EXPECT_FALSE(ShowModal<TForm11>(Window->Properties1, [](TForm11&) {}));
  EXPECT_EQ(Messages, std::vector<std::string>{"No Messages Selected"});
  EXPECT_TRUE(Window->Form11->Memo1->toPlainText().isEmpty());
}

TEST_F(MessageDialogsTest, AttachmentsNoticeNamesTheDirectoryOfReceivedFilesOnly) {
  Window->ToolButton1->click();
  Form2->ListView1->SelectRow(0);
  auto Read = [](QString& Files, QString& Where) {
    return [&](TForm6& N) {
      Files = N.Memo1->toPlainText();
      Where = N.Memo2->isVisible() ? N.Memo2->toPlainText() + "|" + N.Label1->text() : QString();
      EXPECT_EQ(N.windowTitle(), "Attachments");
    };
  };
  QString Files, Where;
  ASSERT_TRUE(ShowModal<TForm6>(Window->Attachment1, Read(Files, Where)));
  EXPECT_EQ(Files, "a.pdf\nb.txt");
  EXPECT_EQ(Where, "These files can be found in: \n|" + QString::fromStdString(AttachmentDir));

  Window->ToolButton2->click();
  Form3->ListView1->SelectRow(0);
  ASSERT_TRUE(ShowModal<TForm6>(Window->Attachment1, Read(Files, Where)));
  EXPECT_EQ(Files, "/files/one");
  EXPECT_EQ(Where, "");

  Window->ToolButton3->click();
  EXPECT_FALSE(ShowModal<TForm6>(Window->Attachment1, [](TForm6&) {}));
  EXPECT_TRUE(Window->findChildren<TForm6*>().empty());  // destroyed after each use
}

TEST_F(MessageDialogsTest, SaveAttachmentToKeepsTheChosenDirectoryOrElseTheConfiguredOne) {
  const std::filesystem::path Chosen = Dir / "chosen";
  std::filesystem::create_directories(Chosen);
  std::vector<QString> Stored;
  QObject::connect(Window->Form12, &TForm12::DirectoryStored, [&](const QString& D) { Stored.push_back(D); });
  QString Panel;
  AnswerNextModal([&](QWidget* Modal) {
    auto* D = qobject_cast<TForm12*>(Modal);
    ASSERT_NE(D, nullptr);
    D->SetDirectory(QString::fromStdString(Chosen.string()));
    Panel = D->Panel1->text();
    D->BitBtn1->click();
  });
  Window->Form12->exec();
  EXPECT_EQ(Panel.toStdString(), Chosen.string());
  EXPECT_EQ(Stored, std::vector<QString>{QString::fromStdString(Chosen.string())});
  EXPECT_EQ(Window->Edit4.toStdString(), Chosen.string());

  // Closing without OK stores the configured directory.
  Window->Edit4.clear();
  AnswerNextModal([](QWidget* Modal) { static_cast<QDialog*>(Modal)->reject(); });
  Window->Form12->exec();
  EXPECT_EQ(Window->Edit4.toStdString(), AttachmentDir);
}

}  // namespace
