#include "Unit15.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/ui/dialogs.h"
#include "platform/ui/handler.h"

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
  Edit4 = Box("Edit4", "SMTP Server (The name Server you use to send mail).");
  Edit5 = Box("Edit5", "POP3 Server (The name of the Server you use to retrieve mail).");
  Edit6 = Box("Edit6", "User Account (Your user name to gain access to the internet).");
  Edit7 = Box("Edit7", "Password (Your password to gain access to the internet).");
  Edit7->setEchoMode(QLineEdit::Password);
  Edit7->setStyleSheet("lineedit-password-character: 42");  // "*"

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
  accept();
}

TStringList TForm15::SettingsLines() const { return {Text(Edit1), Text(Edit2), Text(Edit3), Text(Edit4)}; }

TForm15::TAccount TForm15::Account() const { return {Text(Edit5), Text(Edit6), Text(Edit7)}; }
