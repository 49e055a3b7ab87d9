// Renders the main window on a real display (run under xvfb-run) and keeps
// the picture as a build artefact.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <set>

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>

#include <QFile>
#include <QTabWidget>

#include "app/composer/Unit5.h"
#include "app/composer/formattedview.h"
#include "app/mail/inboxrow.h"
#include "maillib/message/nbmsg.h"
#include "app/views/Unit2.h"
#include "appfixture.h"
#include "support/namedchild.h"

namespace {

using Screenshot = AppTest;

// Keeps Picture as the artefact Name when the build asks for artefacts.
void SaveArtefact(const QImage& Picture, const QString& Name) {
  const QString Out = QString::fromLocal8Bit(qgetenv("CORVALEN_ARTEFACTS"));
  if (Out.isEmpty()) return;
  QDir().mkpath(Out);
  EXPECT_TRUE(Picture.save(Out + "/" + Name));
}

// Stores the HTML newsletter of the test messages in the Inbox, as Get Mail does.
void StoreNewsletter(TDatabase& Database) {
  QFile File(QString(CORVALEN_TEST_HTML_DIR) + "/newsletter.eml");
  ASSERT_TRUE(File.open(QFile::ReadOnly));
  TMemoryStream In;
  In.WriteString(File.readAll().replace("REMOTE", "remote.invalid").toStdString());
  TnbMessage Message;
  Message.LoadFromStream(In);
  TTable Inbox(Database, RmailTable());
  Inbox.Open();
  WriteInboxRow(Inbox, Message, "2026-03-03 08:00:00 0", {});
}

TEST_F(Screenshot, MainWindowWithTheInboxMaximised) {
  AddRow(RmailTable(), {"Welcome to Corvalen", "Corvalen", "team@example.test", "2026-12-01 09:00:00 0", false,
                        {}, {}, {"notes.txt"}, "Hello,\r\nthis is your new mail client."});
  AddRow(RmailTable(), {"Lunch on Friday?", "Ann Smith", "ann@example.test", "2026-12-02 12:15:00 1", true});
  OpenWindow();
  Window->showMaximized();
  ASSERT_TRUE(WaitFor([this] { return Window->isMaximized() || Window->isVisible(); }));
  WaitFor([] { return false; }, 500);  // let the window settle and paint

  EXPECT_EQ(Window->windowTitle(), "Corvalen Pro 98 - [Inbox]");
  EXPECT_TRUE(Form2->isMaximized());
  const QImage Picture = Window->grab().toImage();
  ASSERT_FALSE(Picture.isNull());
  EXPECT_GT(Picture.width(), 600);
  // Not a blank picture: the window shows more than a handful of colours.
  std::set<QRgb> Colours;
  for (int Y = 0; Y < Picture.height(); Y += 7)
    for (int X = 0; X < Picture.width(); X += 7) Colours.insert(Picture.pixel(X, Y));
  EXPECT_GT(Colours.size(), 8u);

  const QString Out = QString::fromLocal8Bit(qgetenv("CORVALEN_ARTEFACTS"));
  if (!Out.isEmpty()) {
    QDir().mkpath(Out);
    EXPECT_TRUE(Picture.save(Out + "/mainwindow.png"));
  }
}

TEST_F(Screenshot, ComposerWithAMessageBeingWritten) {
  OpenWindow();
  QImage Picture;
  AnswerNextModal([&](QWidget* Modal) {
    auto& Composer = *qobject_cast<TForm5*>(Modal);
    Composer.Recpt->setPlainText("ann@example.test");
    Composer.Cc->setPlainText("bob@example.test");
    Composer.Edit3->setText("Minutes of Monday");
    Composer.Memo1->setPlainText("Hello Ann,\n\nthe minutes are attached.\n\nRegards");
    WaitFor([] { return false; }, 300);
    Picture = Composer.grab().toImage();
    Composer.reject();
  });
  Command("NewMessage1")->trigger();
  ASSERT_FALSE(Picture.isNull());
  EXPECT_GT(Picture.width(), 300);
  const QString Out = QString::fromLocal8Bit(qgetenv("CORVALEN_ARTEFACTS"));
  if (!Out.isEmpty()) {
    EXPECT_TRUE(Picture.save(Out + "/composer.png"));
  }
}

TEST_F(Screenshot, MainWindowWithAnHtmlMessageSelected) {
  StoreNewsletter(*Database);
  AddRow(RmailTable(), {"Lunch on Friday?", "Ann Smith", "ann@example.test", "2026-03-04 12:15:00 1", true});
  OpenWindow();
  Window->showMaximized();
  Form2->ListView1->SelectRow(0);
  WaitFor([] { return false; }, 300);
  EXPECT_TRUE(Form2->DBMemo1->toPlainText().startsWith("Spring planting & pruning"));
  const QImage Picture = Window->grab().toImage();
  ASSERT_FALSE(Picture.isNull());
  SaveArtefact(Picture, "mainwindow-html.png");
}

TEST_F(Screenshot, MessageWindowShowingTheFormattedView) {
  StoreNewsletter(*Database);
  OpenWindow();
  Form2->ListView1->SelectRow(0);
  QImage Picture;
  AnswerNextModal([&](QWidget* Modal) {
    auto& Composer = *qobject_cast<TForm5*>(Modal);
    Composer.BodyViews->setCurrentWidget(Composer.Formatted);
    WaitFor([] { return false; }, 300);
    Picture = Composer.grab().toImage();
    Composer.reject();
  });
  Command("Open1")->trigger();
  ASSERT_FALSE(Picture.isNull());
  SaveArtefact(Picture, "messagewindow-formatted.png");
}

}  // namespace
