#include "Unit10.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

TForm10::TForm10(QWidget* Parent) : QDialog(Parent) {
  setObjectName("Form10");
  setWindowTitle("About Corvalen");
  auto* Layout = new QVBoxLayout(this);
  auto* Logo = new QLabel;
  Logo->setPixmap(QPixmap(":/CorvalenLogo.gif"));
  Logo->setAlignment(Qt::AlignCenter);
  auto* Title = new QLabel("<h2>Corvalen Pro 98</h2>");
  Title->setAlignment(Qt::AlignCenter);
  auto* Text = new QLabel("An e-mail client for POP3 and SMTP.\nVersion " CORVALEN_VERSION);
  Text->setAlignment(Qt::AlignCenter);
  auto* Buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  Layout->addWidget(Logo);
  Layout->addWidget(Title);
  Layout->addWidget(Text);
  Layout->addWidget(Buttons);
}
