// The windows with the keyboard alone and as a screen reader sees them: Tab
// walks every control in reading order and leaves every text pane, each
// control has a name of its own, and the desktop's editing keys work in text
// fields although commands share them.
#include <QAbstractButton>
#include <QAccessible>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "app/composer/Unit5.h"
#include "app/dialogs/Unit4.h"
#include "app/views/Unit2.h"
#include "appfixture.h"
#include "support/namedchild.h"

namespace {

using KeyboardTest = AppTest;

// The controls of Expected in the order Tab reaches them, starting at the
// first of them and going once round its window.
std::vector<QWidget*> TabWalk(const std::vector<QWidget*>& Expected) {
  QWidget* Window = Expected.front()->window();
  Expected.front()->setFocus();
  std::vector<QWidget*> Reached{Expected.front()};
  for (int Step = 0; Step < 200; ++Step) {
    QTest::keyClick(Window->focusWidget(), Qt::Key_Tab);
    QWidget* Now = Window->focusWidget();
    if (Now == Expected.front()) break;
    if (std::find(Expected.begin(), Expected.end(), Now) != Expected.end()) Reached.push_back(Now);
  }
  return Reached;
}

// The controls of Window a person can act on whose name a screen reader
// would read as nothing, or as the program's own object name.
std::vector<std::string> BadlyNamed(QWidget* Window) {
  std::vector<std::string> Bad;
  for (QWidget* Control : Window->findChildren<QWidget*>()) {
    const bool Acts = (Control->focusPolicy() & Qt::TabFocus) || qobject_cast<QAbstractButton*>(Control) ||
                      qobject_cast<QToolBar*>(Control);
    if (!Acts || !Control->isVisible() || !Control->isEnabled() || qobject_cast<QLabel*>(Control)) continue;
    const QString Name = QAccessible::queryAccessibleInterface(Control)->text(QAccessible::Name);
    if (Name.trimmed().isEmpty() || Name != Name.trimmed() || Name == Control->objectName())
      Bad.push_back((Control->objectName() + " " + Control->metaObject()->className() + " '" + Name + "'")
                        .toStdString());
  }
  return Bad;
}

TEST_F(KeyboardTest, TabWalksEveryWindowInReadingOrderAndEveryControlHasAName) {
  AddRow(RmailTable(), {"Hello", "Ann", "ann@example.test", "2026-12-01 10:00:00 0", false, {}, {}, {}, "Hi"});
  {
    TTable Accounts(*Database, Pop3Table());
    Accounts.Open();
    Accounts.Append();
    Accounts.FieldByName("SERVER").SetAsString("pop.example.test");
    Accounts.Post();
  }
  OpenWindow();
  TForm1& W = *Window;
  // Start-up puts the keyboard in the Inbox list, not in a text pane.
  EXPECT_EQ(W.focusWidget(), Form2->ListView1);
  Form2->ListView1->SelectRow(0);  // the body pane is editable now, where Tab used to stay
  const std::vector<QWidget*> Main = {Child<QLineEdit>(W, "Edit3"), Button("ToolButton4"), Button("ToolButton5"),
                                      Button("ToolButton6"),           Button("ToolButton7"), Child<QLineEdit>(W, "Edit2"),
                                      Button("ToolButton1"),           Button("ToolButton2"), Button("ToolButton3"),
                                      Form2->ListView1,                Form2->DBMemo1};
  EXPECT_EQ(TabWalk(Main), Main);
  EXPECT_EQ(BadlyNamed(&W), std::vector<std::string>{});

  bool Composed = false;
  AnswerNextModal([&](QWidget* Modal) {
    TForm5& C = *qobject_cast<TForm5*>(Modal);
    EXPECT_EQ(C.focusWidget(), C.Recpt);
    const std::vector<QWidget*> Composer = {C.SpeedButton1, C.Recpt,  C.SpeedButton2, C.Cc,    C.Edit3,
                                            C.BitBtn1,      C.BitBtn2, C.BitBtn3,     C.Memo1, C.ListView1};
    EXPECT_EQ(TabWalk(Composer), Composer);
    EXPECT_EQ(C.Memo1->toPlainText(), "");  // Tab typed nothing into the body
    EXPECT_EQ(BadlyNamed(&C), std::vector<std::string>{});
    Composed = true;
    C.reject();
  });
  Command("NewMessage1")->trigger();
  EXPECT_TRUE(Composed);

  bool Preferred = false;
  AnswerNextModal([&](QWidget* Modal) {
    TForm4& F = *qobject_cast<TForm4*>(Modal);
    ASSERT_TRUE(WaitFor([&] { return F.DBGrid1->rowCount() == 1; }));  // a grid with a row keeps Tab in its cells
    EXPECT_EQ(F.Edit7->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(F.Edit7)->state().passwordEdit);
    const std::vector<std::vector<QWidget*>> Pages = {
        {F.Edit1, F.Edit2, F.Edit3, F.Edit4, F.ComboBox2, F.Edit9, F.Edit10, F.Edit11, F.Edit5, F.Edit6, F.Edit7,
         F.ComboBox3, F.Edit12, F.BitBtn3, F.BitBtn4, F.DBGrid1, F.BitBtn1, F.BitBtn2},
        {F.CheckBox2, F.CheckBox3, F.ComboBox1, F.CheckBox4, F.CheckBox5, F.CheckBox6, F.CheckBox7, F.CheckBox8,
         F.CheckBox9, F.Edit8, F.BitBtn1, F.BitBtn2},
        {F.Memo1, F.BitBtn5, F.BitBtn7, F.BitBtn6, F.BitBtn1, F.BitBtn2}};
    for (int Page = 0; Page < static_cast<int>(Pages.size()); ++Page) {
      SCOPED_TRACE(Page);
      F.PageControl1->setCurrentIndex(Page);
      EXPECT_EQ(TabWalk(Pages[static_cast<std::size_t>(Page)]), Pages[static_cast<std::size_t>(Page)]);
      EXPECT_EQ(BadlyNamed(&F), std::vector<std::string>{});
    }
    Preferred = true;
    F.reject();
  });
  Command("Preferences1")->trigger();
  EXPECT_TRUE(Preferred);
}

TEST_F(KeyboardTest, EditingKeysWorkInTextFieldsAndCommandsKeepThemElsewhere) {
  AddRow(RmailTable(), {"Hello", "Ann", "ann@example.test", "2026-12-01 10:00:00 0", false, {}, {}, {}, "Hi there"});
  OpenWindow();
  Window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(Window.get()));
  Form2->ListView1->SelectRow(0);
  // Ctrl+X is Exit's key, and the desktop's Cut: in the body pane it cuts.
  Form2->DBMemo1->setFocus();
  Form2->DBMemo1->selectAll();
  QTest::keyClick(Form2->DBMemo1, Qt::Key_X, Qt::ControlModifier);
  EXPECT_TRUE(Window->isVisible());
  EXPECT_EQ(Form2->DBMemo1->toPlainText(), "");
  EXPECT_EQ(QApplication::clipboard()->text(), "Hi there");
  // A read-only field has nothing to cut, and still does not close the program.
  Child<QLineEdit>(*Window, "Edit3")->setFocus();
  QTest::keyClick(Child<QLineEdit>(*Window, "Edit3"), Qt::Key_X, Qt::ControlModifier);
  EXPECT_TRUE(Window->isVisible());
  // Outside text fields the key is Exit's.
  Form2->ListView1->setFocus();
  QTest::keyClick(Form2->ListView1, Qt::Key_X, Qt::ControlModifier);
  EXPECT_TRUE(WaitFor([&] { return !Window->isVisible(); }));
}

}  // namespace
