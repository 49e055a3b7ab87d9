#include "nbaddred.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TMailAddressDlg::TMailAddressDlg(QWidget* Parent) : QDialog(Parent) {
  setObjectName("MailAddressDlg");
  setWindowTitle("Address");
  setModal(true);
  setFixedSize(240, 124);  // fixed dialog border: not resizable

  Bevel1 = new QFrame(this);
  Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
  Bevel1->setGeometry(8, 8, 225, 73);

  Label1 = new QLabel("Name", this);
  Label1->move(24, 24);
  NameEdit = new QLineEdit(this);
  NameEdit->setObjectName("NameEdit");
  NameEdit->setGeometry(64, 16, 161, NameEdit->sizeHint().height());
  Label1->setBuddy(NameEdit);

  Label2 = new QLabel("Address", this);
  Label2->move(16, 56);
  AddressEdit = new QLineEdit(this);
  AddressEdit->setObjectName("AddressEdit");
  AddressEdit->setGeometry(64, 48, 161, AddressEdit->sizeHint().height());
  Label2->setBuddy(AddressEdit);

  OKButton = new QPushButton("OK", this);
  OKButton->setObjectName("OKButton");
  OKButton->setGeometry(64, 88, 75, 25);
  OKButton->setDefault(true);
  CancelButton = new QPushButton("Cancel", this);
  CancelButton->setObjectName("CancelButton");
  CancelButton->setGeometry(152, 88, 75, 25);

  setTabOrder(NameEdit, AddressEdit);
  setTabOrder(AddressEdit, OKButton);
  setTabOrder(OKButton, CancelButton);
  NameEdit->setFocus();

  connect(OKButton, &QPushButton::clicked, this, [this] { OKButtonClick(); });
  // Escape and closing the window reject the dialog as Cancel does.
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TMailAddressDlg::Load(const TnbMailAddress& Value) {
  FAddress.Assign(Value);
  NameEdit->setText(QString::fromStdString(FAddress.Name()));
  AddressEdit->setText(QString::fromStdString(FAddress.Address()));
}

void TMailAddressDlg::OKButtonClick() {
  // The setters cut each value to the 255 bytes the address fields hold.
  FAddress.SetName(NameEdit->text().toStdString());
  FAddress.SetAddress(AddressEdit->text().toStdString());
  accept();
}

bool EditMailAddress(TnbMailAddress& Address, QWidget* Parent) {
  TMailAddressDlg Dlg(Parent);
  Dlg.Load(Address);
  if (Dlg.exec() != QDialog::Accepted) return false;
  Address.Assign(Dlg.Address());
  return true;
}

void InstallMailAddressEditor() {
  TnbMailAddress::EditHook = [](TnbMailAddress& Address) { return EditMailAddress(Address); };
}
