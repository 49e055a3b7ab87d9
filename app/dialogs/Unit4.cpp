#include "Unit4.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <initializer_list>
#include <string_view>
#include <vector>

#include "app/flows/mailsettings.h"
#include "app/mail/outboxrow.h"
#include "app/settings/passwordstore.h"
#include "app/settings/settingsfiles.h"
#include "app/settings/storedpasswords.h"
#include "app/store/fetchedids.h"
#include "app/store/fieldnames.h"
#include "maillib/dialup/tkRasCmp.h"
#include "maillib/pop3/nbpop3.h"
#include "maillib/smtp/nbsmtp.h"
#include "platform/table/database.h"
#include "platform/table/table.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/handler.h"
#include "securitycontrols.h"

namespace {

constexpr const char* FillOutText = "All of the Objects: POP3 Server, POP3 Account, Password must be filled out";
constexpr const char* BannerFilter = "Text Files (*.txt)|*.txt|Banner Files (*.ban)|*.ban|All Files (*.*)|*.*";
// What the grid shows for a password that is set: never the password, nor its length.
const QString PasswordMask(8, QChar('*'));
constexpr int RecordIdRole = Qt::UserRole;
// The dialog's size: the classic width, and the height that holds the
// servers' security and login controls besides the classic ones.
constexpr int DialogWidth = 425;
constexpr int DialogHeight = 470;
// The account grid: server, account, password, security mode, port.
constexpr int GridColumnCount = 5;

QLineEdit* Edit(const char* Name) {
  auto* Box = new QLineEdit;
  Box->setObjectName(Name);
  return Box;
}

QCheckBox* CheckBox(const char* Name, const QString& Caption) {
  auto* Box = new QCheckBox(Caption);
  Box->setObjectName(Name);
  return Box;
}

QPushButton* Button(const char* Name, const QString& Caption) {
  auto* B = new QPushButton(Caption);
  B->setObjectName(Name);
  return B;
}

// A label over its control, which it names.
QLabel* Caption(const QString& Text, QWidget* Buddy) {
  auto* Label = new QLabel(Text);
  Label->setBuddy(Buddy);
  return Label;
}

// At most one box of a group is ticked: ticking one unticks the others, also
// when the program ticks it; clicking a ticked box again leaves none ticked.
void Exclusive(std::initializer_list<QCheckBox*> Group) {
  for (QCheckBox* Box : Group)
    QObject::connect(Box, &QCheckBox::toggled, Box, [Box, Members = std::vector<QCheckBox*>(Group)](bool Checked) {
      if (!Checked) return;
      for (QCheckBox* Other : Members)
        if (Other != Box) Other->setChecked(false);
    });
}

// Line Index of the settings, or empty when the list is shorter: the dialog
// must open on a damaged Config.ini, since it is where the file is repaired.
std::string Line(const TStringList& Settings, std::size_t Index) {
  return Index < Settings.size() ? Settings[Index] : std::string();
}

QString JoinLines(const TStringList& Lines) {
  QStringList Text;
  for (const std::string& L : Lines) Text << QString::fromStdString(L);
  return Text.join('\n');
}

std::string Text(const QLineEdit* Box) { return Box->text().toStdString(); }

}  // namespace

TForm4::TForm4(const TPreferencesTargets& Targets, QWidget* Parent)
    : QDialog(Parent), FTargets(Targets),
      FAccounts(std::make_unique<TTable>(Targets.Accounts.Database(), Targets.Accounts.Definition())) {
  setObjectName("Form4");
  setWindowTitle("Preferences");
  setFixedSize(DialogWidth, DialogHeight);
  FAccounts->SetIndexName(accountfield::Password);
  FAccounts->Open();

  PageControl1 = new QTabWidget;
  PageControl1->setObjectName("PageControl1");
  PageControl1->setAccessibleName("Preferences pages");
  PageControl1->addTab(CreateServerPage(), "Mail Server Setup");
  PageControl1->addTab(CreateAdvancedPage(), "Advanced");
  PageControl1->addTab(CreateBannerPage(), "Receipt Banner");

  BitBtn1 = Button("BitBtn1", "OK");
  BitBtn1->setDefault(true);
  BitBtn2 = Button("BitBtn2", "Cancel");
  auto* Buttons = new QHBoxLayout;
  Buttons->addStretch(1);
  Buttons->addWidget(BitBtn1);
  Buttons->addWidget(BitBtn2);
  auto* Layout = new QVBoxLayout(this);
  Layout->setContentsMargins(6, 6, 6, 6);
  Layout->addWidget(PageControl1, 1);
  Layout->addLayout(Buttons);

  Exclusive({CheckBox2, CheckBox3});
  Exclusive({CheckBox7, CheckBox8, CheckBox9});
  Exclusive({CheckBox4, CheckBox5});

  const auto Bind = [this](QPushButton* B, void (TForm4::*Handler)()) {
    connect(B, &QPushButton::clicked, this, ui::Guarded([this, Handler] { (this->*Handler)(); }));
  };
  Bind(BitBtn1, &TForm4::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
  Bind(BitBtn3, &TForm4::BitBtn3Click);
  Bind(BitBtn4, &TForm4::BitBtn4Click);
  Bind(BitBtn5, &TForm4::BitBtn5Click);
  Bind(BitBtn6, &TForm4::BitBtn6Click);
  Bind(BitBtn7, &TForm4::BitBtn7Click);

  // Reading order on each page, then OK and Cancel; the grid comes after
  // the account buttons it belongs to.
  QWidget* const Order[] = {PageControl1, Edit1,     Edit2,     Edit3,     Edit4,     ComboBox2, Edit9,  Edit10,
                            Edit11,       Edit5,     Edit6,     Edit7,     ComboBox3, Edit12,    BitBtn3, BitBtn4,
                            DBGrid1,      CheckBox2, CheckBox3, ComboBox1, CheckBox4, CheckBox5, CheckBox6, CheckBox7,
                            CheckBox8,    CheckBox9, Edit8,     Memo1,     BitBtn5,   BitBtn7,   BitBtn6, BitBtn1,
                            BitBtn2};
  for (std::size_t I = 1; I < std::size(Order); ++I) setTabOrder(Order[I - 1], Order[I]);
}

TForm4::~TForm4() = default;

QWidget* TForm4::CreateServerPage() {
  auto* Page = new QWidget;
  auto* Layout = new QVBoxLayout(Page);
  Layout->setContentsMargins(6, 6, 6, 6);

  auto* Options = new QGroupBox("Options");
  auto* OptionsForm = new QFormLayout(Options);
  OptionsForm->setContentsMargins(6, 2, 6, 2);
  OptionsForm->setVerticalSpacing(2);
  OptionsForm->addRow("Name:", Edit1 = Edit("Edit1"));
  OptionsForm->addRow("Organisation:", Edit2 = Edit("Edit2"));
  OptionsForm->addRow("E-Mail Address:", Edit3 = Edit("Edit3"));
  // The SMTP server, its security and port; its login, the password masked.
  auto* Smtp = new QHBoxLayout;
  Smtp->addWidget(Edit4 = Edit("Edit4"), 1);
  Smtp->addWidget(ComboBox2 = NewSecurityBox("ComboBox2", "SMTP security", TSecurity::None));
  Edit9 = NewPortBox("Edit9", "SMTP port", ComboBox2, &TnbSMTP::DefaultPortFor);
  Smtp->addWidget(Caption("Port:", Edit9));
  Smtp->addWidget(Edit9);
  OptionsForm->addRow(Caption("SMTP Server:", Edit4), Smtp);
  auto* Login = new QHBoxLayout;
  Login->addWidget(Edit10 = Edit("Edit10"), 1);
  Edit10->setAccessibleName("SMTP user name");
  Edit11 = Edit("Edit11");
  Edit11->setAccessibleName("SMTP password");
  Edit11->setEchoMode(QLineEdit::Password);
  Login->addWidget(Caption("Password:", Edit11));
  Login->addWidget(Edit11, 1);
  OptionsForm->addRow(Caption("SMTP User:", Edit10), Login);
  Layout->addWidget(Options);

  auto* Servers = new QGroupBox("POP3 Mail Server(s)");
  auto* ServersLayout = new QGridLayout(Servers);
  ServersLayout->setContentsMargins(6, 2, 6, 6);
  ServersLayout->setVerticalSpacing(2);
  ServersLayout->addWidget(Caption("POP3 Server:", Edit5 = Edit("Edit5")), 0, 0);
  ServersLayout->addWidget(Edit5, 0, 1);
  ServersLayout->addWidget(Caption("POP3 Account:", Edit6 = Edit("Edit6")), 1, 0);
  ServersLayout->addWidget(Edit6, 1, 1);
  ServersLayout->addWidget(Caption("Password:", Edit7 = Edit("Edit7")), 2, 0);
  ServersLayout->addWidget(Edit7, 2, 1);
  Edit7->setAccessibleName("POP3 password");
  Edit7->setEchoMode(QLineEdit::Password);
  ComboBox3 = NewSecurityBox("ComboBox3", "POP3 security", TSecurity::None);
  Edit12 = NewPortBox("Edit12", "POP3 port", ComboBox3, &TnbCustomPOP::DefaultPortFor);
  auto* Pop3Security = new QHBoxLayout;
  Pop3Security->addWidget(ComboBox3);
  Pop3Security->addWidget(Caption("Port:", Edit12));
  Pop3Security->addWidget(Edit12);
  Pop3Security->addStretch(1);
  ServersLayout->addWidget(Caption("Security:", ComboBox3), 3, 0);
  ServersLayout->addLayout(Pop3Security, 3, 1);
  ServersLayout->addWidget(BitBtn3 = Button("BitBtn3", "&Add"), 0, 2);
  ServersLayout->addWidget(BitBtn4 = Button("BitBtn4", "&Delete"), 1, 2);

  DBGrid1 = new QTableWidget(0, GridColumnCount);
  DBGrid1->setObjectName("DBGrid1");
  DBGrid1->setAccessibleName("POP3 accounts");
  DBGrid1->setHorizontalHeaderLabels({"Server", "Account", "Password", "Security", "Port"});
  DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  DBGrid1->setTabKeyNavigation(false);  // Tab leaves the grid; the arrow keys move in it
  DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
  DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
  DBGrid1->verticalHeader()->setDefaultSectionSize(DBGrid1->fontMetrics().height() + 4);
  DBGrid1->verticalHeader()->hide();
  // Server and account share what the short columns leave.
  for (int Column = 0; Column < GridColumnCount; ++Column)
    DBGrid1->horizontalHeader()->setSectionResizeMode(
        Column, Column < 2 ? QHeaderView::Stretch : QHeaderView::ResizeToContents);
  ServersLayout->addWidget(DBGrid1, 4, 0, 1, 3);
  Layout->addWidget(Servers, 1);
  return Page;
}

QWidget* TForm4::CreateAdvancedPage() {
  auto* Page = new QWidget;
  auto* Layout = new QVBoxLayout(Page);
  Layout->setContentsMargins(6, 6, 6, 6);
  Layout->addWidget(new QLabel("Determine what type of connection you use for E-mail"));

  auto* Connection = new QGroupBox("Connection");
  auto* ConnectionLayout = new QVBoxLayout(Connection);
  ConnectionLayout->setContentsMargins(6, 2, 6, 4);
  ConnectionLayout->setSpacing(2);
  ConnectionLayout->addWidget(CheckBox2 = CheckBox("CheckBox2", "I use LAN networking as Connection"));
  ConnectionLayout->addWidget(CheckBox3 = CheckBox("CheckBox3", "I use a MODEM as Connection (Remote Access Service)"));
  ComboBox1 = new QComboBox;
  ComboBox1->setObjectName("ComboBox1");
  ComboBox1->setEditable(true);
  // Named itself and in its text box, which is what has the keyboard.
  for (QWidget* Box : {static_cast<QWidget*>(ComboBox1), static_cast<QWidget*>(ComboBox1->lineEdit())})
    Box->setAccessibleName("Dial-up connection");
  ConnectionLayout->addWidget(Caption("What service do you use to establish connection", ComboBox1));
  ConnectionLayout->addWidget(ComboBox1);
  Layout->addWidget(Connection);

  auto* Options = new QGroupBox("Mail Options");
  auto* OptionsLayout = new QVBoxLayout(Options);
  OptionsLayout->setContentsMargins(6, 2, 6, 4);
  OptionsLayout->setSpacing(2);
  OptionsLayout->addWidget(CheckBox4 = CheckBox("CheckBox4", "Leave Messages On Server (Default: Disabled)"));
  OptionsLayout->addWidget(CheckBox5 = CheckBox("CheckBox5", "Enable AutoReceipt"));
  // The caption is too long for one line of the fixed-size dialog: it breaks before the bracket.
  const QString ReturnCaption = "Enable ReturnReceipt from Server. (Not All Servers Support this Option)";
  OptionsLayout->addWidget(CheckBox6 = CheckBox("CheckBox6", QString(ReturnCaption).replace(". (", ".\n(")));
  CheckBox6->setAccessibleName(ReturnCaption);
  OptionsLayout->addWidget(new QLabel("Select outgoing Mail priority state:"));
  auto* Priority = new QHBoxLayout;
  Priority->addWidget(CheckBox7 = CheckBox("CheckBox7", "Low."));
  Priority->addWidget(CheckBox8 = CheckBox("CheckBox8", "Normal. (Default)"));
  Priority->addWidget(CheckBox9 = CheckBox("CheckBox9", "High."));
  Priority->addStretch(1);
  OptionsLayout->addLayout(Priority);
  Edit8 = Edit("Edit8");
  OptionsLayout->addWidget(Caption("Enter Default Directory for E-Mail attachment files:", Edit8));
  OptionsLayout->addWidget(Edit8);
  Layout->addWidget(Options);
  Layout->setSpacing(2);
  Layout->addStretch(1);
  return Page;
}

QWidget* TForm4::CreateBannerPage() {
  auto* Page = new QWidget;
  auto* Layout = new QVBoxLayout(Page);
  Memo1 = new QPlainTextEdit;
  Memo1->setObjectName("Memo1");
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setTabChangesFocus(true);
  Layout->addWidget(Caption("Enter your receipt banner here:", Memo1));
  Layout->addWidget(Memo1, 1);
  auto* Buttons = new QHBoxLayout;
  Buttons->addWidget(BitBtn5 = Button("BitBtn5", "Load From File"));
  Buttons->addWidget(BitBtn7 = Button("BitBtn7", "Clear"));
  Buttons->addWidget(BitBtn6 = Button("BitBtn6", "Save"));
  Layout->addLayout(Buttons);
  return Page;
}

void TForm4::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  if (FShown) return;
  FShown = true;
  if (QScreen* Screen = screen()) move(Screen->availableGeometry().center() - rect().center());
  // Loading may show a message box, which must not run inside the show itself.
  QTimer::singleShot(0, this, [this] { ui::RunHandler([this] { OnShow4(); }); });
}

void TForm4::OnShow4() {
  const TStringList& Settings = FTargets.Settings;
  Memo1->setPlainText(JoinLines(FTargets.Banner));
  const auto Show = [&](QLineEdit* Box, std::size_t Index) { Box->setText(QString::fromStdString(Line(Settings, Index))); };
  Show(Edit1, settings::clName);
  Show(Edit2, settings::clOrganisation);
  Show(Edit3, settings::clEmail);
  Show(Edit4, settings::clSmtpServer);
  Show(Edit8, settings::clAttachmentDir);
  const settings::TSmtpSettings& Smtp = FTargets.SmtpSettings;
  ShowSecurity(ComboBox2, Smtp.Security);
  Edit9->setText(QString::fromStdString(settings::PortText(Smtp.Port)));
  Edit10->setText(QString::fromStdString(Smtp.UserName));
  Edit11->setText(QString::fromStdString(Smtp.Password));
  ComboBox1->clear();
  for (const std::string& Entry : FTargets.Ras.Entries()) ComboBox1->addItem(QString::fromStdString(Entry));
  // Without an entry the line is a blank, which must not start what is typed
  // here, nor be all a screen reader says of the box.
  ComboBox1->setEditText(QString::fromStdString(Line(Settings, settings::clDialUpEntry)).trimmed());

  const std::string Connection = Line(Settings, settings::clConnectionType);
  if (Connection == settings::LocalNetwork) {
    CheckBox2->setChecked(true);
    FTargets.Ras.ForceService = false;
  } else if (Connection == settings::Modem) {
    CheckBox3->setChecked(true);
    FTargets.Ras.ForceService = true;
  } else {
    ui::ShowMessage("Invalid Connection Type");
  }
  // In this order, so that of a file with both REPLY and LEAVE, LEAVE is ticked.
  CheckBox5->setChecked(Line(Settings, settings::clAutoReceipt) == settings::Reply);
  CheckBox4->setChecked(Line(Settings, settings::clServerCopy) == settings::Leave);
  CheckBox6->setChecked(Line(Settings, settings::clReturnReceipt) == settings::Return);
  const std::string Priority = Line(Settings, settings::clPriority);
  (Priority == "LOW" ? CheckBox7 : Priority == "HIGH" ? CheckBox9 : CheckBox8)->setChecked(true);
  FillGrid();
}

TStringList TForm4::SettingsLines() const {
  const std::string Connection = CheckBox2->isChecked()   ? std::string(settings::LocalNetwork)
                                 : CheckBox3->isChecked() ? std::string(settings::Modem)
                                                          : std::string(settings::NoConnection);
  const char* Priority = CheckBox7->isChecked() ? "LOW" : CheckBox9->isChecked() ? "HIGH" : "NORMAL";
  // The box shows a line of blanks empty; left empty, the line stays as it was.
  const std::string Stored = Line(FTargets.Settings, settings::clDialUpEntry);
  const bool Blank = QString::fromStdString(Stored).trimmed().isEmpty() && ComboBox1->currentText().isEmpty();
  const std::string Entry = Blank ? Stored : ComboBox1->currentText().toStdString();
  return {Text(Edit1),
          Text(Edit2),
          Text(Edit3),
          Text(Edit4),
          Entry,
          std::string(CheckBox5->isChecked() ? settings::Reply : settings::NoReply),
          std::string(CheckBox4->isChecked() ? settings::Leave : settings::Delete),
          Connection,
          Text(Edit8),
          std::string(CheckBox6->isChecked() ? settings::Return : settings::NoReturn),
          Priority};
}

settings::TSmtpSettings TForm4::SmtpSettings() const {
  settings::TSmtpSettings Smtp;
  Smtp.Security = SecurityIn(ComboBox2);
  Smtp.Port = PortIn(Edit9);
  Smtp.UserName = Text(Edit10);
  Smtp.Password = Text(Edit11);
  // A password left as shown stays where it is kept.
  Smtp.PasswordInKeyring =
      FTargets.SmtpSettings.PasswordInKeyring && Smtp.Password == FTargets.SmtpSettings.Password;
  // A certificate trusted for one server says nothing about another.
  if (Text(Edit4) == Line(FTargets.Settings, settings::clSmtpServer))
    Smtp.TrustedCertificate = FTargets.SmtpSettings.TrustedCertificate;
  return Smtp;
}

void TForm4::BitBtn1Click() {
  if (!PortAcceptable(Edit9)) {
    ui::ShowMessage(InvalidPortText);
    return;
  }
  // The files first: when one cannot be written, the settings in use stay as
  // they were and the dialog stays open.
  TStringList Lines = SettingsLines();
  settings::TSmtpSettings Smtp =
      settings::SaveSmtpSettings(settings::SmtpFileName, SmtpSettings(), settings::PasswordStore());
  settings::SaveLines(settings::ConfigFileName, Lines);
  FTargets.Settings = std::move(Lines);
  FTargets.SmtpSettings = std::move(Smtp);
  // The dial-up component refuses an entry it does not know with its own
  // message; the settings are written all the same.
  ApplyConfirmedSettings(FTargets.Settings, FTargets.SmtpSettings, FTargets.Message, FTargets.Smtp, FTargets.Ras);
  FTargets.AddressBox->setText(Edit3->text());
  accept();
}

void TForm4::BitBtn3Click() {
  if (Edit5->text().isEmpty() || Edit6->text().isEmpty() || Edit7->text().isEmpty()) {
    ui::ShowMessage(FillOutText);
    return;
  }
  if (!PortAcceptable(Edit12)) {
    ui::ShowMessage(InvalidPortText);
    return;
  }
  try {
    FAccounts->Append();
    FAccounts->FieldByName(accountfield::Server).SetAsString(Text(Edit5));
    FAccounts->FieldByName(accountfield::User).SetAsString(Text(Edit6));
    FAccounts->FieldByName(accountfield::Password).SetAsString(Text(Edit7));
    FAccounts->FieldByName(accountfield::Security).SetAsString(std::string(SecurityName(SecurityIn(ComboBox3))));
    FAccounts->FieldByName(accountfield::Port).SetAsString(settings::PortText(PortIn(Edit12)));
    FAccounts->Post();
  } catch (...) {
    FAccounts->Cancel();
    throw;
  }
  settings::MoveAccountPassword(*FAccounts, settings::PasswordStore());
  FillGrid(FAccounts->RecordId());
}

void TForm4::BitBtn4Click() {
  const QTableWidgetItem* Item = DBGrid1->item(DBGrid1->currentRow(), 0);
  if (!Item) return;
  const std::int64_t Id = Item->data(RecordIdRole).toLongLong();
  if (!FAccounts->GotoRecord(Id)) return;
  const bool InKeyring = FAccounts->FieldByName(accountfield::Keyring).AsBoolean();
  // The ids of the messages fetched for the account go with it.
  TFetchedIds FetchedIds(FAccounts->Database());
  TTransaction Transaction(FAccounts->Database());
  FAccounts->Delete();
  FetchedIds.ForgetAccount(Id);
  Transaction.Commit();
  if (InKeyring) settings::ForgetAccountPassword(Id, settings::PasswordStore());
  // As in a grid over the table, the row that followed becomes the current one.
  FillGrid(FAccounts->RecordId());
}

void TForm4::BitBtn5Click() {
  const std::string File = ui::OpenFileName(BannerFilter);
  if (File.empty()) return;
  Memo1->setPlainText(JoinLines(settings::LoadLines(File)));
}

void TForm4::BitBtn6Click() {
  TStringList Lines = TextLines(Memo1->toPlainText().toStdString());
  settings::SaveLines(settings::BannerFileName, Lines);
  FTargets.Banner = std::move(Lines);
  ui::ShowMessage("Banner has been saved");
}

void TForm4::BitBtn7Click() { Memo1->clear(); }

void TForm4::FillGrid(std::int64_t Current) {
  DBGrid1->setRowCount(0);
  int CurrentRow = -1;
  for (FAccounts->First(); !FAccounts->Eof(); FAccounts->Next()) {
    const int Row = DBGrid1->rowCount();
    DBGrid1->insertRow(Row);
    const std::string Password = FAccounts->FieldByName(accountfield::Password).AsString();
    // What the account is received with: an empty port is the mode's default.
    const TSecurity Security = settings::SecurityOf(FAccounts->FieldByName(accountfield::Security).AsString());
    const std::uint16_t Port = settings::PortOf(FAccounts->FieldByName(accountfield::Port).AsString());
    const std::string_view Mode = SecurityName(Security);
    const QString Cells[GridColumnCount] = {
        QString::fromStdString(FAccounts->FieldByName(accountfield::Server).AsString()),
        QString::fromStdString(FAccounts->FieldByName(accountfield::User).AsString()),
        Password.empty() && !FAccounts->FieldByName(accountfield::Keyring).AsBoolean() ? QString() : PasswordMask,
        QString::fromUtf8(Mode.data(), static_cast<qsizetype>(Mode.size())),
        QString::number(Port != 0 ? Port : TnbCustomPOP::DefaultPortFor(Security))};
    for (int Column = 0; Column < GridColumnCount; ++Column)
      DBGrid1->setItem(Row, Column, new QTableWidgetItem(Cells[Column]));
    DBGrid1->item(Row, 0)->setData(RecordIdRole, QVariant::fromValue<qlonglong>(FAccounts->RecordId()));
    if (FAccounts->RecordId() == Current) CurrentRow = Row;
  }
  if (CurrentRow < 0 && DBGrid1->rowCount() > 0) CurrentRow = 0;
  if (CurrentRow >= 0) DBGrid1->setCurrentCell(CurrentRow, 0);
}
