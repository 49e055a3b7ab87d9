#include "Unit9.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>

#include <string>

#include "app/store/fieldnames.h"
#include "app/store/mailtables.h"
#include "dbgrid.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/handler.h"

namespace {

constexpr const char* NoAddressText = "You must type in E-mail Address";
// What Add to List stores for a box left empty.
constexpr const char* EmptyValue = "--";
constexpr int PanelHeight = 145;

}  // namespace

void AddAddressLine(QPlainTextEdit* Box, const QString& Address) {
  const QString Text = Box->toPlainText();
  if (Text.isEmpty()) {
    QTextCursor Caret = Box->textCursor();
    Caret.insertText(Address);
    Box->setTextCursor(Caret);
    return;
  }
  QTextCursor End(Box->document());
  End.movePosition(QTextCursor::End);
  // A box whose text ends with a line break already has the new line started.
  End.insertText(Text.endsWith('\n') ? Address : '\n' + Address);
}

TForm9::TForm9(TDatabase& Database, QWidget* Parent) : QDialog(Parent), Table1(Database, AddressTable()) {
  setObjectName("Form9");
  setWindowTitle("Address Book");
  resize(546, 382);
  Table1.SetIndexName(addressfield::Email);
  Table1.Open();

  Panel1 = new QFrame;
  Panel1->setObjectName("Panel1");
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setMinimumHeight(PanelHeight);
  Panel1->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  auto* Boxes = new QGridLayout(Panel1);
  Boxes->setVerticalSpacing(2);
  auto Box = [&](const char* Name, const QString& Caption, int Row, int Column) {
    auto* Label = new QLabel(Caption);
    auto* Edit = new QLineEdit;
    Edit->setObjectName(Name);
    Label->setBuddy(Edit);
    Edit->setAccessibleName(Caption);
    Boxes->addWidget(Label, Row, Column);
    Boxes->addWidget(Edit, Row, Column + 1);
    return Edit;
  };
  Edit1 = Box("Edit1", "First Name", 0, 0);
  Edit2 = Box("Edit2", "Last Name", 1, 0);
  Edit3 = Box("Edit3", "Address 1", 2, 0);
  Edit4 = Box("Edit4", "Address 2", 3, 0);
  Edit5 = Box("Edit5", "Address 3", 4, 0);
  Edit6 = Box("Edit6", "E-Mail", 0, 2);
  Edit7 = Box("Edit7", "Cellular Phone", 1, 2);
  Edit8 = Box("Edit8", "Private Phone", 2, 2);
  Edit9 = Box("Edit9", "Job Phone", 3, 2);
  auto Button = [&](const char* Name, const QString& Caption, int Row) {
    auto* B = new QPushButton(Caption);
    B->setObjectName(Name);
    B->setAutoDefault(false);
    Boxes->addWidget(B, Row, 4);
    return B;
  };
  BitBtn1 = Button("BitBtn1", "&Add to List", 0);
  BitBtn2 = Button("BitBtn2", "&Clear", 1);
  BitBtn3 = Button("BitBtn3", "&Select", 2);
  BitBtn3->setDefault(true);
  BitBtn4 = Button("BitBtn4", "&Exit ", 3);
  BitBtn4->setAccessibleName("Exit");  // the caption ends in a blank
  Boxes->setColumnStretch(1, 1);
  Boxes->setColumnStretch(3, 1);

  DBGrid1 = new TDBGrid(Table1, {{addressfield::FirstName, "First Name"},
                                 {addressfield::LastName, "Last Name"},
                                 {addressfield::Address1, "Address 1"},
                                 {addressfield::Address2, "Address 2"},
                                 {addressfield::Address3, "Address 3"},
                                 {addressfield::Email, "E-Mail"},
                                 {addressfield::Mobile, "Cellular Phone"},
                                 {addressfield::Phone, "Phone"},
                                 {addressfield::JobPhone, "Job Phone"}});
  DBGrid1->setObjectName("DBGrid1");
  DBGrid1->setAccessibleName("Contacts");
  DBNavigator1 = new TDBNavigator(*DBGrid1);
  DBNavigator1->setObjectName("DBNavigator1");

  auto* Layout = new QVBoxLayout(this);
  Layout->setContentsMargins(0, 0, 0, 0);
  Layout->setSpacing(0);
  Layout->addWidget(Panel1);
  Layout->addWidget(DBNavigator1);
  Layout->addWidget(DBGrid1, 1);

  connect(BitBtn1, &QPushButton::clicked, this, ui::Guarded([this] { BitBtn1Click(); }));
  connect(BitBtn2, &QPushButton::clicked, this, ui::Guarded([this] { BitBtn2Click(); }));
  connect(BitBtn3, &QPushButton::clicked, this, ui::Guarded([this] { BitBtn3Click(); }));
  connect(BitBtn4, &QPushButton::clicked, this, ui::Guarded([this] { BitBtn4Click(); }));
  connect(DBGrid1, &QAbstractItemView::doubleClicked, this, ui::Guarded([this] { DBGrid1DblClick(); }));
  DBGrid1->Refill();
}

void TForm9::Browse() {
  // A pick's caption would be left over; browsing always says what the window is.
  Open("Address Book", false);
}

void TForm9::Pick(QPlainTextEdit* Target, const QString& Caption) {
  FTarget = Target;
  Open(Caption, true);
  FTarget = nullptr;
}

void TForm9::Open(const QString& Caption, bool Picking) {
  setWindowTitle(Caption);
  BitBtn3->setEnabled(Picking);
  BitBtn2Click();
  DBGrid1->Refill();
  exec();
}

void TForm9::BitBtn1Click() {
  DBGrid1->PostEdits();
  const QString Email = Edit6->text();
  if (Email.trimmed().isEmpty()) {
    ui::ShowMessage(NoAddressText);
    return;
  }
  // The table would cut a long address to its width, and a cut address
  // would later be picked as a different one: it is refused instead.
  const std::size_t Width = static_cast<std::size_t>(Table1.FieldByName(addressfield::Email).Def().Size);
  if (Email.toStdString().size() > Width) {
    ui::ShowMessage("The E-mail Address is too long: at most " + std::to_string(Width) + " characters");
    return;
  }
  const std::pair<const char*, QLineEdit*> Fields[] = {
      {addressfield::FirstName, Edit1}, {addressfield::LastName, Edit2}, {addressfield::Address1, Edit3},
      {addressfield::Address2, Edit4},  {addressfield::Address3, Edit5}, {addressfield::Mobile, Edit7},
      {addressfield::Phone, Edit8},     {addressfield::JobPhone, Edit9}};
  Table1.Append();
  try {
    for (const auto& [Field, Edit] : Fields)
      Table1.FieldByName(Field).SetAsString(Edit->text().isEmpty() ? EmptyValue : Edit->text().toStdString());
    Table1.FieldByName(addressfield::Email).SetAsString(Email.toStdString());
    Table1.Post();
  } catch (...) {
    Table1.Cancel();
    throw;
  }
  // The new contact takes its place in e-mail order and becomes the current one.
  DBGrid1->Refill();
}

void TForm9::BitBtn2Click() {
  for (QLineEdit* Edit : {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7, Edit8, Edit9}) Edit->clear();
}

void TForm9::BitBtn3Click() {
  const QString Address = QString::fromStdString(Table1.FieldByName(addressfield::Email).AsString());
  // An empty table or a contact without an address gives nothing to pick.
  if (FTarget && !Address.trimmed().isEmpty()) AddAddressLine(FTarget, Address);
  accept();
}

void TForm9::DBGrid1DblClick() {
  if (BitBtn3->isEnabled()) BitBtn3Click();
}

void TForm9::BitBtn4Click() { reject(); }

void TForm9::done(int Result) {
  ui::RunHandler([this] { DBGrid1->PostEdits(); });
  QDialog::done(Result);
}
