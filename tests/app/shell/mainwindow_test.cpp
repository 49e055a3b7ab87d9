// The main window driven offscreen: the ways to its commands, the command lock,
// the View toggles, help, About, and what closing writes.
#include <QAction>
#include <QIcon>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>

#include <set>

#include "app/dialogs/Unit10.h"
#include "app/settings/settingsfiles.h"
#include "app/shell/application.h"
#include "app/dialogs/helpviewer.h"
#include "app/views/Unit2.h"
#include "app/views/Unit3.h"
#include "app/views/Unit7.h"
#include "appfixture.h"
#include "support/namedchild.h"

namespace {

// The action a user reaches through the menu bar by the captions of Path ("File>Open").
QAction* MenuAction(const QList<QAction*>& Items, const QString& Path) {
  const QString Caption = Path.section('>', 0, 0);
  for (QAction* Item : Items)
    if (Item->text().remove('&') == Caption)
      return Path.contains('>') ? (Item->menu() ? MenuAction(Item->menu()->actions(), Path.section('>', 1)) : nullptr)
                                : Item;
  return nullptr;
}

using MainWindowTest = AppTest;

TEST_F(MainWindowTest, EachCommandIsReachableByItsMenuPathAndShortcut) {
  OpenWindow();
  // Only the way to each command is under test: here the commands do nothing.
  for (QAction* Action : Window->findChildren<QAction*>()) QObject::disconnect(Action, nullptr, Window.get(), nullptr);
  QApplication::setActiveWindow(Window.get());
  const std::pair<const char*, const char*> Commands[] = {
      {"File>Open", "Ctrl+O"}, {"File>Save As", "Ctrl+S"}, {"File>Save All As", ""}, {"File>Delete", "Ctrl+Del"},
      {"File>Print", "Ctrl+P"}, {"File>Print All", ""}, {"File>Properties", ""}, {"File>Exit", "Ctrl+X"},
      {"Edit>Copy", ""}, {"Edit>Paste", ""}, {"Edit>Select All", ""}, {"Edit>Mark As Unread", ""},
      {"Edit>Mark as Read", ""}, {"View>ToolBar", ""}, {"View>StatusBar", ""}, {"View>Sort by>Subject", ""},
      {"View>Sort by>Date", ""}, {"Go>Send/Receive", "F9"}, {"Go>Send Mail", "Ctrl+Shift+S"},
      {"Go>Get Mail", "Ctrl+Shift+G"}, {"Go>Stop", "Ctrl+Shift+T"}, {"Message>New Message", "Ctrl+Ins"},
      {"Message>Attachment", ""}, {"Message>Reply to Writer", ""}, {"Message>Reply to All", ""},
      {"Message>Forward Mail", ""}, {"Message>Address Book", "Ctrl+Shift+B"}, {"Message>Preferences", ""},
      {"Help>Contents", "F1"}, {"Help>About Corvalen", "F12"}};
  for (const auto& [Path, Key] : Commands) {
    SCOPED_TRACE(Path);
    QAction* Action = MenuAction(Window->menuBar()->actions(), Path);
    ASSERT_NE(Action, nullptr);
    EXPECT_EQ(Action->shortcut(), QKeySequence(Key));
    ASSERT_TRUE(Action->isEnabled());
    QSignalSpy Triggered(Action, &QAction::triggered);
    Action->trigger();
    if (*Key) QTest::keySequence(Window.get(), QKeySequence(Key));
    EXPECT_EQ(Triggered.count(), *Key ? 2 : 1);
  }
  // The toolbar as seen: each button's caption and hint, 54 by 50 pixels.
  QStringList Buttons;
  for (QAction* Action : Child<QToolBar>(*Window, "ToolBar3")->actions())
    if (auto* Button = qobject_cast<QToolButton*>(Child<QToolBar>(*Window, "ToolBar3")->widgetForAction(Action))) {
      Buttons << Button->text() + "|" + Button->toolTip();
      EXPECT_EQ(Button->size(), QSize(54, 50)) << Button->text().toStdString();
    }
  EXPECT_EQ(Buttons, (QStringList{"Send Mail|Send Mail", "Get Mail|Receive Mail", "New|New Message", "Stop|Stop",
                                  "Reply|Reply", "Forward|Forward Mail", "Delete|Delete Mail", "Address|Address Book",
                                  "Print|Print Message"}));
  EXPECT_EQ(Window->windowTitle().toStdString().substr(0, 15), "Corvalen Pro 98");
  EXPECT_EQ(Window->StatusText(), "Status: Offline");
}

TEST_F(MainWindowTest, LeftPanelButtonsAndHints) {
  OpenWindow();
  const std::pair<QToolButton*, const char*> Expected[] = {
      {Button("ToolButton1"), "Show Inbox contents"},     {Button("ToolButton2"), "Show Outbox contents"},
      {Button("ToolButton3"), "Show Trashcan contents"},  {Button("ToolButton4"), "Show All Messages"},
      {Button("ToolButton5"), "Show Unread/UnAccepted Messages"}, {Button("ToolButton6"), "Show read Messages"},
      {Button("ToolButton7"), "Show Accepted Messages"},
  };
  for (const auto& [Button, Hint] : Expected) EXPECT_EQ(Button->toolTip().toStdString(), Hint);
  EXPECT_EQ(Button("ToolButton1")->text(), "Inbox");
  EXPECT_EQ(Child<QLineEdit>(*Window, "Edit2")->toolTip(), "Your E-Mail Address");
  EXPECT_TRUE(Child<QLineEdit>(*Window, "Edit2")->isReadOnly());
}

TEST_F(MainWindowTest, LeftPanelShowsBothAddressesWhole) {
  OpenWindow();
  Child<QLineEdit>(*Window, "Edit2")->setText("anna.longname@mail.example-company.test");
  Child<QLineEdit>(*Window, "Edit3")->setText("bob.longername@example-company.test");
  for (QLineEdit* Box : {Child<QLineEdit>(*Window, "Edit2"), Child<QLineEdit>(*Window, "Edit3")}) {
    SCOPED_TRACE(Box->objectName().toStdString());
    // With the caret at the end of the address, its first letter is still in view.
    EXPECT_TRUE(WaitFor([Box] {
      Box->setCursorPosition(static_cast<int>(Box->text().size()));
      Box->grab();
      return Box->cursorPositionAt(QPoint(3, Box->height() / 2)) == 0;
    }));
  }
}

// Every action and button of the window that is disabled right now.
std::set<std::string> Disabled(TForm1& Window) {
  std::set<std::string> Names;
  for (QAction* Action : Window.findChildren<QAction*>())
    if (!Action->objectName().isEmpty() && !Action->isEnabled()) Names.insert(Action->objectName().toStdString());
  for (QToolButton* Button : Window.findChildren<QToolButton*>())
    if (Button->objectName().startsWith("ToolButton") && !Button->isEnabled())
      Names.insert(Button->objectName().toStdString());
  for (const std::string Form : {"Form2", "Form3", "Form7"}) {
    const auto* View = Child<TFolderView>(Window, Form.c_str());
    if (!View->ListView1->isEnabled()) Names.insert(Form + ".ListView1");
    if (!View->DBMemo1->isEnabled()) Names.insert(Form + ".DBMemo1");
  }
  return Names;
}

TEST_F(MainWindowTest, LockDisablesExactlyTheTransferSetAndLeavesStop) {
  OpenWindow();
  ASSERT_TRUE(Disabled(*Window).empty());
  Window->LockCommands();
  const std::set<std::string> Expected = {
      "Form2.ListView1", "Form2.DBMemo1", "Form3.ListView1", "Form3.DBMemo1", "Form7.ListView1", "Form7.DBMemo1",
      "ToolButton4",     "ToolButton5",   "ToolButton6",     "ToolButton7",   "ToolButton18",    "ToolButton19",
      "ToolButton21",    "ToolButton24",  "ToolButton26",    "ToolButton27",  "ToolButton33",    "ToolButton34",
      "NewMessage1",     "Reply1",        "ReplytoAll1",     "N10",           "SendReceive1",
      // The menu items of the toolbar's commands follow their buttons.
      "SendMail1",       "GetMail1",      "AddressBook1",
      // Those that do nothing while a transfer runs are shown so.
      "Delete1",         "Paste1",        "MarkasUnread1",   "MarkasRead1",   "Date1"};
  EXPECT_EQ(Disabled(*Window), Expected);
  EXPECT_TRUE(Command("ToolButton23")->isEnabled());
  EXPECT_TRUE(Window->findChild<QAction*>("Stop1")->isEnabled());
  Window->UnlockCommands();
  EXPECT_TRUE(Disabled(*Window).empty());
}

TEST_F(MainWindowTest, InboxBackToBrowsingUnlocksAllButTheOtherViewsAndStopsTheAnimation) {
  AddRow(RmailTable(), {"Hello", "Ann", "ann@example.test", "2026-12-01 10:00:00 0"});
  OpenWindow();
  Window->LockCommands();
  Window->StartAnimation();
  ASSERT_TRUE(Window->Animating());
  // Any post to the Inbox brings its table back to browsing.
  Form2->ListView1->setEnabled(true);
  Form2->ListView1->SelectRow(0);
  Form2->ListView1Click();
  EXPECT_FALSE(Window->Animating());
  EXPECT_EQ(Disabled(*Window), (std::set<std::string>{"Form3.ListView1", "Form3.DBMemo1", "Form7.ListView1",
                                                        "Form7.DBMemo1"}));
}

TEST_F(MainWindowTest, ReplyDropDownOpensUnderItsButton) {
  OpenWindow();
  Window->move(200, 150);
  QWidget* Button = Child<QToolBar>(*Window, "ToolBar3")->widgetForAction(Command("ToolButton24"));
  Command("ToolButton24")->trigger();
  ASSERT_TRUE(WaitFor([this] { return Child<QMenu>(*Window, "PopupMenu1")->isVisible(); }));
  EXPECT_EQ(Child<QMenu>(*Window, "PopupMenu1")->pos(), Button->mapToGlobal(QPoint(0, Button->height())));
  Child<QMenu>(*Window, "PopupMenu1")->hide();
}

TEST_F(MainWindowTest, WindowsShowTheProgramsOwnIcon) {
  OpenWindow();
  const QImage Own = QIcon(ProgramIcon).pixmap(32).toImage();
  ASSERT_FALSE(Own.isNull());
  EXPECT_EQ(Window->windowIcon().pixmap(32).toImage(), Own);
  EXPECT_EQ(Form2->windowIcon().pixmap(32).toImage(), Own);
}

TEST_F(MainWindowTest, ViewTogglesHideAndShowWithTheirCheckMarks) {
  OpenWindow();
  ASSERT_TRUE(Command("ToolBar1")->isChecked());
  ASSERT_TRUE(Command("StatusBar1")->isChecked());
  Command("ToolBar1")->trigger();
  Command("StatusBar1")->trigger();
  EXPECT_FALSE(Child<QToolBar>(*Window, "ToolBar3")->isVisible());
  EXPECT_FALSE(Child<QStatusBar>(*Window, "StatusBar2")->isVisible());
  EXPECT_FALSE(Command("ToolBar1")->isChecked());
  EXPECT_FALSE(Command("StatusBar1")->isChecked());
  Command("ToolBar1")->trigger();
  Command("StatusBar1")->trigger();
  EXPECT_TRUE(Child<QToolBar>(*Window, "ToolBar3")->isVisible());
  EXPECT_TRUE(Child<QStatusBar>(*Window, "StatusBar2")->isVisible());
  EXPECT_TRUE(Command("ToolBar1")->isChecked());
  EXPECT_TRUE(Command("StatusBar1")->isChecked());
}

TEST_F(MainWindowTest, HelpOpensTheHelpFileAtItsContents) {
  OpenWindow();
  Command("Contents1")->trigger();
  auto* Viewer = Window->findChild<THelpViewer*>();
  ASSERT_NE(Viewer, nullptr);
  EXPECT_TRUE(Viewer->isVisible());
  EXPECT_TRUE(Viewer->Browser()->toPlainText().contains("Contents"));
  EXPECT_EQ(Viewer->windowTitle(), "Corvalen Pro 98 Help");
}

TEST_F(MainWindowTest, AboutIsModal) {
  OpenWindow();
  bool SawAbout = false;
  AnswerNextModal([&](QWidget* Modal) {
    SawAbout = Modal->objectName() == "Form10";
    static_cast<QDialog*>(Modal)->accept();
  });
  Command("AboutCorvalen1")->trigger();
  EXPECT_TRUE(SawAbout);
}

TEST_F(MainWindowTest, ExitClosesAndWritesABodyLeftInEditState) {
  AddRow(RmailTable(), {"Hello", "Ann", "ann@example.test", "2026-12-01 10:00:00 0", false, {}, {}, {}, "old"});
  OpenWindow();
  Form2->ListView1->SelectRow(0);
  Form2->DBMemo1->setPlainText("edited body");
  ASSERT_EQ(Form2->Table1.State(), TDataSetState::dsEdit);
  Command("Close1")->trigger();
  EXPECT_FALSE(Window->isVisible());
  Window.reset();

  TTable Inbox(*Database, RmailTable());
  Inbox.Open();
  Inbox.First();
  EXPECT_EQ(Inbox.FieldByName("DATA").AsString(), "edited body");
}

TEST_F(MainWindowTest, SettingsAreLoadedOnFirstShow) {
  TStringList Config = settings::DefaultConfig("/tmp");
  Config[settings::clEmail] = "me@example.test";
  settings::SaveLines(settings::ConfigFileName, Config);
  settings::SaveLines(settings::BannerFileName, {"Thank you for your message.", "It arrived."});
  OpenWindow();
  EXPECT_EQ(Child<QLineEdit>(*Window, "Edit2")->text(), "me@example.test");
  EXPECT_EQ(Window->Banner(), (TStringList{"Thank you for your message.", "It arrived."}));
  EXPECT_EQ(Window->Settings().size(), 11u);
  EXPECT_TRUE(Messages.empty());
}

TEST_F(MainWindowTest, MissingOrShortSettingsAreReportedAndTheWindowStillOpens) {
  std::filesystem::remove(settings::BannerFileName);
  OpenWindow();
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_NE(Messages[0].find("BANNER.BAN"), std::string::npos);
  EXPECT_TRUE(Window->Settings().empty());  // the steps after the failed load did not run
  Window.reset();

  Messages.clear();
  settings::SaveLines(settings::BannerFileName, {});
  settings::SaveLines(settings::ConfigFileName, {"name", "org"});
  OpenWindow();
  EXPECT_EQ(Messages, std::vector<std::string>{"error: List index out of bounds (2)"});
}

}  // namespace
