// The address book: adding contacts, the grid's e-mail order and in-place
// edits, the navigator, and picking addresses into the composer.
#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "app/composer/Unit5.h"
#include "app/dialogs/Unit9.h"
#include "app/dialogs/dbgrid.h"
#include "appfixture.h"
#include "support/namedchild.h"

namespace {

class AddressBookTest : public AppTest {
protected:
  void AddContact(const std::string& Email, const std::string& First = "") {
    TTable Table(*Database, AddressTable());
    Table.Open();
    Table.Append();
    Table.FieldByName("FIRST_NAME").SetAsString(First);
    Table.FieldByName("EMAIL").SetAsString(Email);
    Table.Post();
  }

  // The E-Mail column of the grid, top to bottom.
  QStringList GridEmails() {
    TDBGrid* Grid = Child<TForm9>(*Window, "Form9")->DBGrid1;
    QStringList Emails;
    for (int Row = 0; Row < Grid->rowCount(); ++Row) Emails << Grid->item(Row, 5)->text();
    return Emails;
  }

  // Opens the book through Entry (a toolbar or picker button) and runs Use in it.
  void InBook(const std::function<void()>& Entry, const std::function<void(TForm9&)>& Use) {
    bool Opened = false;
    AnswerNextModal([&](QWidget* Modal) {
      ASSERT_EQ(Modal, Child<TForm9>(*Window, "Form9"));
      Opened = true;
      Use(*Child<TForm9>(*Window, "Form9"));
      if (Modal->isVisible()) Child<TForm9>(*Window, "Form9")->BitBtn4->click();
    });
    Entry();
    ASSERT_TRUE(Opened);
  }

  void DoubleClick(TDBGrid* Grid, int Row) {
    const QPoint At = Grid->visualItemRect(Grid->item(Row, 0)).center();
    // What a double-click delivers: a click, then the double-click and its release.
    QTest::mouseClick(Grid->viewport(), Qt::LeftButton, {}, At);
    QTest::mouseDClick(Grid->viewport(), Qt::LeftButton, {}, At);
    QTest::mouseRelease(Grid->viewport(), Qt::LeftButton, {}, At);
  }
};

TEST_F(AddressBookTest, AddToListNeedsAnAddressFillsPlaceholdersAndKeepsEmailOrder) {
  AddContact("c@x");
  AddContact("a@x");
  OpenWindow();
  InBook([&] { Command("ToolButton33")->trigger(); }, [&](TForm9& Book) {
    EXPECT_EQ(GridEmails(), (QStringList{"a@x", "c@x"}));
    Book.Edit1->setText("Zed");
    Book.BitBtn1->click();
    Book.Edit6->setText(QString(25, 'l') + "@x.org");  // longer than the field: never stored cut
    Book.BitBtn1->click();
    EXPECT_EQ(Messages, (std::vector<std::string>{"You must type in E-mail Address",
                                                  "The E-mail Address is too long: at most 30 characters"}));
    EXPECT_EQ(Book.Table1.RecordCount(), 2);
    Book.Edit6->setText("b@x");
    Book.BitBtn1->click();
    EXPECT_EQ(GridEmails(), (QStringList{"a@x", "b@x", "c@x"}));
    EXPECT_EQ(Book.DBGrid1->currentRow(), 1);
    EXPECT_EQ(Book.Table1.FieldByName("FIRST_NAME").AsString(), "Zed");
    for (const char* Field : {"LAST_NAME", "ADDRESS_1", "ADDRESS_2", "ADDRESS_3", "MOBIL", "PHONE", "JOBPHONE"})
      EXPECT_EQ(Book.Table1.FieldByName(Field).AsString(), "--") << Field;
    for (QWidget* Control : Book.findChildren<QWidget*>()) {
      if ((Control->focusPolicy() & Qt::TabFocus) && !qobject_cast<QLabel*>(Control)) {
        EXPECT_FALSE(QAccessible::queryAccessibleInterface(Control)->text(QAccessible::Name).isEmpty());
      }
    }
  });
}

TEST_F(AddressBookTest, PicksFillTheComposerBoxesLineByLineBrowsingPicksNothing) {
  AddContact("a@x");
  AddContact("b@x");
  OpenWindow();
  TForm5& C = *Form5;
  auto PickRow = [&](QToolButton* Picker, int Row, const QString& Caption, bool ByDoubleClick) {
    InBook([&] { Picker->click(); }, [&](TForm9& Book) {
      EXPECT_EQ(Book.windowTitle(), Caption);
      Book.DBGrid1->setCurrentCell(Row, 0);
      if (ByDoubleClick)
        DoubleClick(Book.DBGrid1, Row);
      else
        Book.BitBtn3->click();
      EXPECT_FALSE(Book.isVisible());
    });
  };
  PickRow(C.SpeedButton1, 0, "Address Book", false);
  EXPECT_EQ(C.Recpt->toPlainText(), "a@x");
  PickRow(C.SpeedButton1, 1, "Address Book", true);
  EXPECT_EQ(C.Recpt->toPlainText(), "a@x\nb@x");
  C.Cc->setPlainText("c@x\n");
  PickRow(C.SpeedButton2, 0, "Address Book CC", false);
  EXPECT_EQ(C.Cc->toPlainText(), "c@x\na@x");

  InBook([&] { Command("ToolButton33")->trigger(); }, [&](TForm9& Book) {
    EXPECT_EQ(Book.windowTitle(), "Address Book");
    EXPECT_FALSE(Book.BitBtn3->isEnabled());
    DoubleClick(Book.DBGrid1, 0);
    EXPECT_TRUE(Book.isVisible());
    // An edit in the grid is kept by Exit and moves the contact to its place.
    Book.DBGrid1->item(0, 5)->setText("z@x");
  });
  EXPECT_EQ(C.Recpt->toPlainText(), "a@x\nb@x");
  EXPECT_EQ(GridEmails(), (QStringList{"b@x", "z@x"}));
}

TEST_F(AddressBookTest, NavigatorInsertsInPlaceAndDeletesOnlyWhenConfirmed) {
  AddContact("m@x", "Mia");
  OpenWindow();
  InBook([&] { Command("ToolButton33")->trigger(); }, [&](TForm9& Book) {
    TDBNavigator& Nav = *Book.DBNavigator1;
    Nav.InsertButton->click();
    Nav.LastButton->click();  // a new row nothing was typed into is dropped
    EXPECT_EQ(GridEmails(), QStringList{"m@x"});
    Nav.InsertButton->click();
    Book.DBGrid1->item(Book.DBGrid1->currentRow(), 5)->setText("n@x");
    Book.DBGrid1->setCurrentCell(1, 0);  // a click on another row writes the new one
    EXPECT_TRUE(WaitFor([&] { return GridEmails() == QStringList{"m@x", "n@x"}; }));
    // The table's cursor follows the grid.
    Nav.LastButton->click();
    EXPECT_EQ(Book.Table1.FieldByName("EMAIL").AsString(), "n@x");
    Nav.FirstButton->click();
    EXPECT_EQ(Book.Table1.FieldByName("FIRST_NAME").AsString(), "Mia");
    ConfirmAnswer = false;
    Nav.DeleteButton->click();
    EXPECT_EQ(Book.Table1.RecordCount(), 2);
    ConfirmAnswer = true;
    Nav.DeleteButton->click();
    EXPECT_EQ(GridEmails(), QStringList{"n@x"});
    EXPECT_EQ(Messages, (std::vector<std::string>{"? Delete record?", "? Delete record?"}));
  });
}

}  // namespace
