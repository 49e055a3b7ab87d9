// The main window driven offscreen: its command table, the command lock,
// the View toggles, help, About, and what closing writes.
#include <QAction>
#include <QIcon>
#include <QImage>
#include <QMenu>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStatusBar>
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

namespace {

struct TExpected {
  const char* Name;
  const char* Caption;
  const char* Shortcut;
  const char* Hint;
};

// The whole command table: every command by name, with its caption, shortcut and hint.
const TExpected Commands[] = {
    {"Open1", "&Open", "Ctrl+O", ""},
    {"SaveAs1", "Save &As", "Ctrl+S", ""},
    {"SaveAllAs1", "&Save All As", "", ""},
    {"Delete1", "&Delete", "Ctrl+Del", ""},
    {"Print1", "&Print", "Ctrl+P", ""},
    {"PrintAll1", "P&rint All", "", ""},
    {"Properties1", "Proper&ties", "", ""},
    {"Close1", "E&xit", "Ctrl+X", ""},
    {"Copy1", "&Copy", "", ""},
    {"Paste1", "&Paste", "", ""},
    {"SelectAll1", "Se&lect All", "", ""},
    {"MarkasUnread1", "Mark As &Unread", "", ""},
    {"MarkasRead1", "Mark as &Read", "", ""},
    {"ToolBar1", "&ToolBar", "", ""},
    {"StatusBar1", "Status&Bar", "", ""},
    {"Name1", "&Subject", "", ""},
    {"Date1", "&Date", "", ""},
    {"SendReceive1", "Send/Receive", "F9", ""},
    {"SendMail1", "&Send Mail", "Ctrl+Shift+S", ""},
    {"GetMail1", "&Get Mail", "Ctrl+Shift+G", ""},
    {"Stop1", "S&top", "Ctrl+Shift+T", ""},
    {"AddressBook1", "Address &Book", "Ctrl+Shift+B", ""},
    {"NewMessage1", "&New Message", "Ctrl+Ins", ""},
    {"Attachment1", "&Attachment", "", ""},
    {"Reply1", "&Reply to Writer", "", ""},
    {"ReplytoAll1", "R&eply to All", "", ""},
    {"N10", "&Forward Mail", "", ""},
    {"Preferences1", "&Preferences", "", ""},
    {"Contents1", "&Contents", "F1", ""},
    {"AboutCorvalen1", "&About Corvalen", "F12", ""},
    {"ToolButton18", "Send Mail", "", "Send Mail"},
    {"ToolButton19", "Get Mail", "", "Receive Mail"},
    {"ToolButton21", "New", "", "New Message"},
    {"ToolButton23", "Stop", "", "Stop"},
    {"ToolButton24", "Reply", "", "Reply"},
    {"ToolButton26", "Forward", "", "Forward Mail"},
    {"ToolButton27", "Delete", "", "Delete Mail"},
    {"ToolButton33", "Address", "", "Address Book"},
    {"ToolButton34", "Print", "", "Print Message"},
    {"ReplytoWriter1", "Reply to Writer", "", ""},
    {"ReplytoAll2", "Reply to All", "", ""},
};

using MainWindowTest = AppTest;

TEST_F(MainWindowTest, CommandTableCaptionsShortcutsAndHints) {
  OpenWindow();
  for (const TExpected& C : Commands) {
    SCOPED_TRACE(C.Name);
    auto* Action = Window->findChild<QAction*>(C.Name);
    ASSERT_NE(Action, nullptr);
    EXPECT_EQ(Action->text().toStdString(), C.Caption);
    EXPECT_EQ(Action->shortcut(), QKeySequence(C.Shortcut));
    if (*C.Hint) {
      EXPECT_EQ(Action->toolTip().toStdString(), C.Hint);
    }
  }
  // Every toolbar button is on the tool band, 54 by 50 pixels.
  for (const char* Name : {"ToolButton18", "ToolButton19", "ToolButton21", "ToolButton23", "ToolButton24",
                           "ToolButton26", "ToolButton27", "ToolButton33", "ToolButton34"}) {
    QWidget* Button = Window->ToolBar3->widgetForAction(Window->findChild<QAction*>(Name));
    ASSERT_NE(Button, nullptr) << Name;
    EXPECT_EQ(Button->size(), QSize(54, 50)) << Name;
  }
  EXPECT_EQ(Window->windowTitle().toStdString().substr(0, 15), "Corvalen Pro 98");
  EXPECT_EQ(Window->StatusText(), "Status: Offline");
}

TEST_F(MainWindowTest, LeftPanelButtonsAndHints) {
  OpenWindow();
  const std::pair<QToolButton*, const char*> Expected[] = {
      {Window->ToolButton1, "Show Inbox contents"},     {Window->ToolButton2, "Show Outbox contents"},
      {Window->ToolButton3, "Show Trashcan contents"},  {Window->ToolButton4, "Show All Messages"},
      {Window->ToolButton5, "Show Unread/UnAccepted Messages"}, {Window->ToolButton6, "Show read Messages"},
      {Window->ToolButton7, "Show Accepted Messages"},
  };
  for (const auto& [Button, Hint] : Expected) EXPECT_EQ(Button->toolTip().toStdString(), Hint);
  EXPECT_EQ(Window->ToolButton1->text(), "Inbox");
  EXPECT_EQ(Window->Edit2->toolTip(), "Your E-Mail Address");
  EXPECT_TRUE(Window->Edit2->isReadOnly());
}

TEST_F(MainWindowTest, LeftPanelShowsBothAddressesWhole) {
  OpenWindow();
  Window->Edit2->setText("anna.longname@mail.example-company.test");
  Window->Edit3->setText("bob.longername@example-company.test");
  for (QLineEdit* Box : {Window->Edit2, Window->Edit3}) {
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
  for (TFolderView* View : {static_cast<TFolderView*>(Form2), static_cast<TFolderView*>(Form3),
                            static_cast<TFolderView*>(Form7)}) {
    const std::string Form = View->objectName().toStdString();
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
  EXPECT_TRUE(Window->ToolButton23->isEnabled());
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
  QWidget* Button = Window->ToolBar3->widgetForAction(Window->ToolButton24);
  Window->ToolButton24->trigger();
  ASSERT_TRUE(WaitFor([this] { return Window->ReplyMenu->isVisible(); }));
  EXPECT_EQ(Window->ReplyMenu->pos(), Button->mapToGlobal(QPoint(0, Button->height())));
  Window->ReplyMenu->hide();
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
  ASSERT_TRUE(Window->ToolBar1->isChecked());
  ASSERT_TRUE(Window->StatusBar1->isChecked());
  Window->ToolBar1->trigger();
  Window->StatusBar1->trigger();
  EXPECT_FALSE(Window->ToolBar3->isVisible());
  EXPECT_FALSE(Window->StatusBar2->isVisible());
  EXPECT_FALSE(Window->ToolBar1->isChecked());
  EXPECT_FALSE(Window->StatusBar1->isChecked());
  Window->ToolBar1->trigger();
  Window->StatusBar1->trigger();
  EXPECT_TRUE(Window->ToolBar3->isVisible());
  EXPECT_TRUE(Window->StatusBar2->isVisible());
  EXPECT_TRUE(Window->ToolBar1->isChecked());
  EXPECT_TRUE(Window->StatusBar1->isChecked());
}

TEST_F(MainWindowTest, HelpOpensTheHelpFileAtItsContents) {
  OpenWindow();
  Window->Contents1->trigger();
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
  Window->AboutCorvalen1->trigger();
  EXPECT_TRUE(SawAbout);
}

TEST_F(MainWindowTest, ExitClosesAndWritesABodyLeftInEditState) {
  AddRow(RmailTable(), {"Hello", "Ann", "ann@example.test", "2026-12-01 10:00:00 0", false, {}, {}, {}, "old"});
  OpenWindow();
  Form2->ListView1->SelectRow(0);
  Form2->DBMemo1->setPlainText("edited body");
  ASSERT_EQ(Form2->Table1.State(), TDataSetState::dsEdit);
  Window->Close1->trigger();
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
  EXPECT_EQ(Window->Edit2->text(), "me@example.test");
  EXPECT_EQ(Window->Memo3, (TStringList{"Thank you for your message.", "It arrived."}));
  EXPECT_EQ(Window->Memo1.size(), 11u);
  EXPECT_TRUE(Messages.empty());
}

TEST_F(MainWindowTest, MissingOrShortSettingsAreReportedAndTheWindowStillOpens) {
  std::filesystem::remove(settings::BannerFileName);
  OpenWindow();
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_NE(Messages[0].find("BANNER.BAN"), std::string::npos);
  EXPECT_TRUE(Window->Memo1.empty());  // the steps after the failed load did not run
  Window.reset();

  Messages.clear();
  settings::SaveLines(settings::BannerFileName, {});
  settings::SaveLines(settings::ConfigFileName, {"name", "org"});
  OpenWindow();
  EXPECT_EQ(Messages, std::vector<std::string>{"error: List index out of bounds (2)"});
}

}  // namespace
