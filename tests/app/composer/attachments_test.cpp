// The files of a received message in its message window: listed by name and
// size, opened through the desktop, saved elsewhere, a vanished file marked.
#include <QAction>
#include <QListWidget>
#include <QLocale>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include <fstream>
#include <sstream>

#include "app/composer/Unit5.h"
#include "app/views/Unit2.h"
#include "app/views/Unit7.h"
#include "appfixture.h"
#include "support/namedchild.h"

namespace {

class AttachmentsTest : public AppTest {
protected:
  void SetUp() override {
    AppTest::SetUp();
    QLocale::setDefault(QLocale::c());  // sizes read the same everywhere
    std::ofstream(One, std::ios::binary) << "hello";
    std::ofstream(Two, std::ios::binary) << std::string(2048, 'x');
    AddRow(RmailTable(), {"Files", "Ann", "ann@x", "2026-01-01 10:00:00 0", false, {"me@x"}, {},
                          {One.string(), Two.string(), (Dir / "gone.pdf").string()}});
    AddRow(TrashTable(), {"Thrown", "Bob", "bob@x", "2026-01-02", false, {"me@x"}, {}, {Two.string()}});
    OpenWindow();
    Button("ToolButton1")->click();
    Form2->ListView1->SelectRow(0);
  }
  void TearDown() override {
    QLocale::setDefault(QLocale::system());
    AppTest::TearDown();
  }

  // Runs Command (an opening) and lets Use work on the window's attachment list.
  void WithOpened(QAction* Command, const std::function<void(QListWidget&)>& Use) {
    bool Done = false;
    AnswerNextModal([&](QWidget* Modal) {
      auto* C = qobject_cast<TForm5*>(Modal);
      Use(*C->ListView1);
      C->reject();
      Done = true;
    });
    Command->trigger();
    EXPECT_TRUE(WaitFor([&] { return Done; }));
  }
  static QStringList Captions(const QListWidget& List) {
    QStringList Texts;
    for (int Row = 0; Row < List.count(); ++Row) Texts << List.item(Row)->text();
    return Texts;
  }
  std::string Opened(std::size_t I) {
    return QUrl(QString::fromStdString(OpenedUrls.at(I))).toLocalFile().toStdString();
  }

  std::filesystem::path One = Dir / "one.txt", Two = Dir / "two.bin";
};

TEST_F(AttachmentsTest, ReceivedMessagesListTheirOwnFilesWithSizesAndMarkAMissingOne) {
  WithOpened(Command("Open1"), [&](QListWidget& List) {
    EXPECT_EQ(Captions(List), (QStringList{"one.txt (5 bytes)", "two.bin (2.0 kB)", "gone.pdf (missing)"}));
  });
  Button("ToolButton3")->click();
  Form7->ListView1->SelectRow(0);
  WithOpened(Command("Open1"), [&](QListWidget& List) { EXPECT_EQ(Captions(List), QStringList{"two.bin (2.0 kB)"}); });
  EXPECT_EQ(Messages, std::vector<std::string>{});
}

TEST_F(AttachmentsTest, DoubleClickAndEnterOpenAFileSaveAsCopiesItAMissingOneDoesNothing) {
  const std::filesystem::path Copy = Dir / "elsewhere.bin";
  ui::Hooks().SaveFileName = [&](const std::string&, const std::string& Name) {
    return Name == "two.bin" ? Copy.string() : (Dir / "no" / "such" / "place").string();
  };
  // Forward: its send button is enabled, and must not take the Enter.
  WithOpened(Command("ToolButton26"), [&](QListWidget& List) {
    const QPoint At = List.visualItemRect(List.item(1)).center();
    QTest::mouseClick(List.viewport(), Qt::LeftButton, {}, At);
    QTest::mouseDClick(List.viewport(), Qt::LeftButton, {}, At);
    QTest::mouseRelease(List.viewport(), Qt::LeftButton, {}, At);
    List.findChild<QAction*>("SaveAttachmentAs")->trigger();
    List.setCurrentRow(0);
    QTest::keyClick(&List, Qt::Key_Return);
    List.findChild<QAction*>("SaveAttachmentAs")->trigger();  // to a place that cannot be written
    List.setCurrentRow(2);
    QTest::keyClick(&List, Qt::Key_Return);
    EXPECT_FALSE(List.findChild<QAction*>("OpenAttachment")->isEnabled());
    EXPECT_TRUE(List.window()->isVisible());
  });
  ASSERT_EQ(OpenedUrls.size(), 2u) << testing::PrintToString(OpenedUrls);
  EXPECT_EQ(Opened(0), Two.string());
  EXPECT_EQ(Opened(1), One.string());
  std::stringstream Saved;
  Saved << std::ifstream(Copy, std::ios::binary).rdbuf();
  EXPECT_EQ(Saved.str(), std::string(2048, 'x'));
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_TRUE(Messages[0].starts_with("error: Cannot save")) << Messages[0];
}

}  // namespace
