#include "Unit16.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/settings/settingsfiles.h"
#include "maillib/dialup/tkRasCmp.h"
#include "platform/ui/handler.h"

TForm16::TForm16(TtkRas& Ras, QWidget* Parent)
    : TSetupWindow("Form16", "Setup Information (LAN or MODEM)", Parent), FRas(Ras) {
  auto* Layout = new QVBoxLayout(this);
  auto* Top = new QHBoxLayout;
  Top->addWidget(Animate1, 0, Qt::AlignTop);
  Label1 = new QLabel("What type of connection do you use ?");
  Label1->setObjectName("Label1");
  Top->addWidget(Label1, 1);
  Layout->addLayout(Top);

  RadioButton1 = new QRadioButton("I use LAN (Local network).");
  RadioButton1->setObjectName("RadioButton1");
  RadioButton2 = new QRadioButton("I use a MODEM (Dialup service).");
  RadioButton2->setObjectName("RadioButton2");
  Layout->addWidget(RadioButton1);
  Layout->addWidget(RadioButton2);
  ComboBox1 = new QComboBox;
  ComboBox1->setObjectName("ComboBox1");
  ComboBox1->setEditable(true);
  // Named itself and in its text box, which is what has the keyboard.
  for (QWidget* Box : {static_cast<QWidget*>(ComboBox1), static_cast<QWidget*>(ComboBox1->lineEdit())})
    Box->setAccessibleName("Dial-up connection");
  Label2 = new QLabel("Select Dialup service you want to use.");
  Label2->setObjectName("Label2");
  Label2->setBuddy(ComboBox1);
  Layout->addWidget(Label2);
  Layout->addWidget(ComboBox1);
  Label3 = new QLabel(
      "Automatic receipts are on: every message you receive is answered with a short receipt "
      "(at most once a day to each sender; never to mailing lists or automatic mail). "
      "You can turn them off in Message->Preferences, \"Enable AutoReceipt\".");
  Label3->setObjectName("Label3");
  Label3->setAccessibleName("Automatic receipts");
  Label3->setWordWrap(true);
  Layout->addWidget(Label3);

  AddButtons(Layout);
  FixSize(300);

  RadioButton1->setChecked(true);
  RadioButton1Click();
  connect(RadioButton1, &QRadioButton::clicked, this, [this] { RadioButton1Click(); });
  connect(RadioButton2, &QRadioButton::clicked, this, [this] { RadioButton2Click(); });
  connect(BitBtn1, &QPushButton::clicked, this, ui::Guarded([this] { BitBtn1Click(); }));
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm16::showEvent(QShowEvent* Event) {
  TSetupWindow::showEvent(Event);
  ComboBox1->clear();
  for (const std::string& Entry : FRas.Entries()) ComboBox1->addItem(QString::fromStdString(Entry));
  // No entry is picked until the user picks one.
  ComboBox1->setCurrentIndex(-1);
  ComboBox1->clearEditText();
}

void TForm16::RadioButton1Click() {
  Label2->setEnabled(false);
  ComboBox1->setEnabled(false);
}

void TForm16::RadioButton2Click() {
  Label2->setEnabled(true);
  ComboBox1->setEnabled(true);
}

void TForm16::BitBtn1Click() {
  if (RadioButton1->isChecked() == RadioButton2->isChecked()) return;
  accept();
}

TStringList TForm16::SettingsLines(const std::string& AttachmentDir) const {
  using namespace settings;
  const bool Dialup = RadioButton2->isChecked();
  return {Dialup ? ComboBox1->currentText().toStdString() : " ",
          std::string(Reply),
          std::string(Delete),
          std::string(Dialup ? Modem : LocalNetwork),
          AttachmentDir,
          std::string(NoReturn),
          "NORMAL"};
}
