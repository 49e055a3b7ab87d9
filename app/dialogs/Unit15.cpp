#include "Unit15.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <initializer_list>
#include <utility>

#include "maillib/pop3/nbpop3.h"
#include "maillib/smtp/nbsmtp.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/handler.h"
#include "securitycontrols.h"

namespace {

std::string Text(const QLineEdit* Box) { return Box->text().toStdString(); }

}  // namespace

TForm15::TForm15(QWidget* Parent) : TSetupWindow("Form15", "Setup Information (User info)", Parent) {
  auto* Layout = new QVBoxLayout(this);
  auto* Top = new QHBoxLayout;
  Top->addWidget(Animate1, 0, Qt::AlignTop);
  Label1 = new QLabel("Corvalen Pro is running for the first time, and needs some information to work properly.");
  Label1->setObjectName("Label1");
  Label1->setWordWrap(true);
  Top->addWidget(Label1, 1);
  Layout->addLayout(Top);

  const auto Box = [&](const char* Name, const QString& Caption) {
    auto* Edit = new QLineEdit;
    Edit->setObjectName(Name);
    auto* Label = new QLabel(Caption);
    Label->setBuddy(Edit);
    Layout->addWidget(Label);
    Layout->addWidget(Edit);
    return Edit;
  };
  Edit1 = Box("Edit1", "Your name.");
  Edit2 = Box("Edit2", "Organisation.");
  Edit3 = Box("Edit3", "Your E-mail address.");
  const auto Masked = [](QLineEdit* Edit) {
    Edit->setEchoMode(QLineEdit::Password);
    Edit->setStyleSheet("lineedit-password-character: 42");  // "*"
  };
  // A row of labelled controls under a server's box; Fill: they share its width.
  const auto Row = [&](std::initializer_list<std::pair<QString, QWidget*>> Controls, bool Fill) {
    auto* Line = new QHBoxLayout;
    for (const auto& [Caption, Control] : Controls) {
      auto* Label = new QLabel(Caption);
      Label->setBuddy(Control);
      Line->addWidget(Label);
      Line->addWidget(Control, Fill ? 1 : 0);
    }
    if (!Fill) Line->addStretch(1);
    Layout->addLayout(Line);
  };
  Edit4 = Box("Edit4", "SMTP Server (The name Server you use to send mail).");
  ComboBox1 = NewSecurityBox("ComboBox1", "SMTP security", TSecurity::ImplicitTls);
  Edit8 = NewPortBox("Edit8", "SMTP port", ComboBox1, &TnbSMTP::DefaultPortFor);
  Row({{"Security:", ComboBox1}, {"Port:", Edit8}}, false);
  Edit9 = new QLineEdit;
  Edit9->setObjectName("Edit9");
  Edit9->setAccessibleName("SMTP user name");
  Edit10 = new QLineEdit;
  Edit10->setObjectName("Edit10");
  Edit10->setAccessibleName("SMTP password");
  Masked(Edit10);
  Row({{"SMTP User:", Edit9}, {"Password:", Edit10}}, true);
  Edit5 = Box("Edit5", "POP3 Server (The name of the Server you use to retrieve mail).");
  ComboBox2 = NewSecurityBox("ComboBox2", "POP3 security", TSecurity::ImplicitTls);
  Edit11 = NewPortBox("Edit11", "POP3 port", ComboBox2, &TnbCustomPOP::DefaultPortFor);
  Row({{"Security:", ComboBox2}, {"Port:", Edit11}}, false);
  Edit6 = Box("Edit6", "User Account (Your user name to gain access to the internet).");
  Edit7 = Box("Edit7", "Password (Your password to gain access to the internet).");
  Masked(Edit7);

  auto* Note = new QLabel("Note: If you click Cancel you can Setup Corvalen Pro in Message->Preferences.");
  Note->setWordWrap(true);
  Layout->addWidget(Note);
  AddButtons(Layout);
  FixSize(400);

  connect(BitBtn1, &QPushButton::clicked, this, ui::Guarded([this] { BitBtn1Click(); }));
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm15::BitBtn1Click() {
  // The organisation alone does not make a filled-out form.
  bool Filled = false;
  for (const QLineEdit* Edit : {Edit1, Edit3, Edit4, Edit5, Edit6, Edit7}) Filled = Filled || !Edit->text().isEmpty();
  if (!Filled) {
    ui::ShowMessage("You have not filled out the form properly");
    return;
  }
  if (!PortAcceptable(Edit8) || !PortAcceptable(Edit11)) {
    ui::ShowMessage(InvalidPortText);
    return;
  }
  accept();
}

TStringList TForm15::SettingsLines() const { return {Text(Edit1), Text(Edit2), Text(Edit3), Text(Edit4)}; }

settings::TSmtpSettings TForm15::SmtpSettings() const {
  settings::TSmtpSettings Smtp;
  Smtp.Security = SecurityIn(ComboBox1);
  Smtp.Port = PortIn(Edit8);
  Smtp.UserName = Text(Edit9);
  Smtp.Password = Text(Edit10);
  return Smtp;
}

TForm15::TAccount TForm15::Account() const {
  return {Text(Edit5), Text(Edit6), Text(Edit7), SecurityIn(ComboBox2), PortIn(Edit11)};
}
