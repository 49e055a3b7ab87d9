#pragma once

#include <QDialog>

#include "maillib/message/mailaddress.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

// The small modal dialog that edits one mail address: a display name and a
// mailbox. It works on a copy; the caller takes the copy back on OK.
class TMailAddressDlg : public QDialog {
  Q_OBJECT

public:
  explicit TMailAddressDlg(QWidget* Parent = nullptr);

  // Loads a copy of Value into the dialog and its edit boxes.
  void Load(const TnbMailAddress& Value);
  // The working copy: what the boxes held when OK was clicked.
  const TnbMailAddress& Address() const { return FAddress; }

  QFrame* Bevel1;
  QLabel* Label1;
  QLabel* Label2;
  QLineEdit* NameEdit;
  QLineEdit* AddressEdit;
  QPushButton* OKButton;
  QPushButton* CancelButton;

private:
  void OKButtonClick();

  TnbMailAddress FAddress;
};

// Shows the dialog for Address; on OK copies the edited name and mailbox
// (each cut to 255 bytes) into it. Returns whether the user chose OK.
bool EditMailAddress(TnbMailAddress& Address, QWidget* Parent = nullptr);

// Makes TnbMailAddress::Edit show this dialog.
void InstallMailAddressEditor();
