#pragma once

#include <QDialog>

#include "platform/table/table.h"

class QFrame;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TDBGrid;
class TDBNavigator;

// Puts Address into an address box of the composer as a line of its own:
// the only text of an empty box (no line break after it), else a new last line.
void AddAddressLine(QPlainTextEdit* Box, const QString& Address);

// The address book: the user's contacts in e-mail address order, added
// through the entry boxes, edited in place in the grid, browsed and deleted
// with the navigator. The same window is the composer's address picker. It
// owns the address table for the life of the program and is always shown
// modally; closing it in any way writes a pending edit of the grid.
class TForm9 : public QDialog {
  Q_OBJECT
public:
  TForm9(TDatabase& Database, QWidget* Parent);

  // The contacts, in EMAIL order.
  TTable Table1;

  // First Name, Last Name, Address 1 to 3, E-Mail, Cellular Phone, Private Phone, Job Phone.
  QLineEdit *Edit1, *Edit2, *Edit3, *Edit4, *Edit5, *Edit6, *Edit7, *Edit8, *Edit9;
  QFrame* Panel1 = nullptr;
  // Add to List, Clear, Select (the default button), Exit (the cancel button).
  QPushButton *BitBtn1, *BitBtn2, *BitBtn3, *BitBtn4;
  TDBNavigator* DBNavigator1 = nullptr;
  TDBGrid* DBGrid1 = nullptr;

  // The toolbar's entry: the book for browsing, Select disabled, boxes empty.
  void Browse();
  // A composer picker's entry: Select puts the current contact's address
  // into Target. Caption is "Address Book" for the To box, "Address Book CC"
  // for the CC box.
  void Pick(QPlainTextEdit* Target, const QString& Caption);

  // Add to List: a contact from the boxes, "--" in each empty one; the
  // E-Mail box must not be empty.
  void BitBtn1Click();
  // Clear: empties the nine boxes.
  void BitBtn2Click();
  // Select: the current contact's address into the pick target; closes.
  void BitBtn3Click();
  // A double-click on the grid selects, in pick mode only.
  void DBGrid1DblClick();
  // Exit: closes the window (which writes a pending grid edit).
  void BitBtn4Click();

  // However the window closes, a pending edit of the grid is written first.
  void done(int Result) override;

private:
  void Open(const QString& Caption, bool Picking);

  QPlainTextEdit* FTarget = nullptr;
};
