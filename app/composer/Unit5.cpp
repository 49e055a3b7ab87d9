#include "Unit5.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/dialogs/Unit9.h"
#include "app/mail/datetimetext.h"
#include "app/store/mailtables.h"
#include "app/views/folderview.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/handler.h"

namespace {

constexpr const char* Caption = "Corvalen message";
constexpr const char* NoRecipientText = "You must have a recipient before you can send an E-mail";
constexpr const char* AttachFilter = "All Files (*.*)|*.*";
// Room for the longest address label ("Send To" at 8, "To:" at 59).
constexpr int LabelColumnWidth = 84;
constexpr int AttachmentListHeight = 60;
constexpr int SplitterHandle = 3;

TStringList Lines(const QPlainTextEdit* Box) { return TextLines(Box->toPlainText().toStdString()); }

QString JoinLines(const TStringList& Lines) {
  QStringList Text;
  for (const std::string& Line : Lines) Text << QString::fromStdString(Line);
  return Text.join('\n');
}

// A text box one line high that scrolls vertically through its lines.
QPlainTextEdit* AddressBox(const char* Name) {
  auto* Box = new QPlainTextEdit;
  Box->setObjectName(Name);
  Box->setTabChangesFocus(true);
  Box->setLineWrapMode(QPlainTextEdit::NoWrap);
  Box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  const int Margin = static_cast<int>(Box->document()->documentMargin());
  Box->setFixedHeight(Box->fontMetrics().lineSpacing() + 2 * (Margin + Box->frameWidth()));
  return Box;
}

QToolButton* Picker(const char* Name, const QString& AccessibleName) {
  auto* Button = new QToolButton;
  Button->setObjectName(Name);
  Button->setIcon(QIcon(":/icons/address_book.svg"));
  Button->setAutoRaise(true);
  Button->setAccessibleName(AccessibleName);
  Button->setToolTip(AccessibleName);
  return Button;
}

QPushButton* Button(const char* Name, const QString& Text, const QString& Hint) {
  auto* B = new QPushButton(Text);
  B->setObjectName(Name);
  B->setToolTip(Hint);
  return B;
}

// Adds Entry at the end of the Outbox list; the list's selection survives
// the rebuild.
void AppendOutboxEntry(TListView& List, TListItem Entry) {
  std::vector<TListItem> Items;
  Items.reserve(static_cast<std::size_t>(List.Count()) + 1);
  for (int Row = 0; Row < List.Count(); ++Row) Items.push_back(List.Item(Row));
  Items.push_back(std::move(Entry));
  const std::vector<int> Selected = List.SelectedRows();
  const int Current = List.currentIndex().isValid() ? List.currentIndex().row() : -1;
  List.SetItems(std::move(Items));
  QItemSelectionModel* Selection = List.selectionModel();
  if (Current >= 0) Selection->setCurrentIndex(List.model()->index(Current, 0), QItemSelectionModel::NoUpdate);
  for (int Row : Selected)
    Selection->select(List.model()->index(Row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

}  // namespace

TForm5::TForm5(TDatabase& Database, TFolderView& Outbox, QWidget* Parent)
    : QDialog(Parent), FDatabase(Database), FOutbox(Outbox) {
  setObjectName("Form5");
  setWindowTitle(Caption);
  setSizeGripEnabled(true);
  resize(560, 420);

  FLabelHolder = new QWidget;
  FLabelHolder->setFixedWidth(LabelColumnWidth);
  Label1 = new QLabel("Send To:", FLabelHolder);
  Label1->setObjectName("Label1");
  SpeedButton1 = Picker("SpeedButton1", "Address Book");
  Recpt = AddressBox("Recpt");
  FLabelHolder->setFixedHeight(Recpt->height());
  Label1->move(0, (Recpt->height() - Label1->sizeHint().height()) / 2);
  Label1->setBuddy(Recpt);
  SetAddressLabel("Send To:", 8);

  Label2 = new QLabel("Cc:");
  Label2->setObjectName("Label2");
  SpeedButton2 = Picker("SpeedButton2", "Address Book CC");
  Cc = AddressBox("Cc");
  Label2->setBuddy(Cc);
  Cc->setAccessibleName("Cc:");

  Label3 = new QLabel("Subject:");
  Label3->setObjectName("Label3");
  Edit3 = new QLineEdit;
  Edit3->setObjectName("Edit3");
  Label3->setBuddy(Edit3);
  Edit3->setAccessibleName("Subject:");

  BitBtn1 = Button("BitBtn1", "To Outbox", "Send Message to Outbox");
  BitBtn1->setDefault(true);
  BitBtn2 = Button("BitBtn2", "&Attach File", "Attach File or Document to message");
  BitBtn3 = Button("BitBtn3", "&Remove Attach ", "Remove Selected Attachment");

  Memo1 = new QPlainTextEdit;
  Memo1->setObjectName("Memo1");
  Memo1->setAccessibleName("Message");
  Memo1->setTabChangesFocus(false);  // Tab types a tab into the body
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

  ListView1 = new QListWidget;
  ListView1->setObjectName("ListView1");
  ListView1->setAccessibleName("Attachments");
  ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListView1->setFlow(QListView::LeftToRight);
  ListView1->setWrapping(true);
  ListView1->setResizeMode(QListView::Adjust);

  Splitter1 = new QSplitter(Qt::Vertical);
  Splitter1->setObjectName("Splitter1");
  Splitter1->setHandleWidth(SplitterHandle);
  Splitter1->setChildrenCollapsible(false);
  Splitter1->addWidget(Memo1);
  Splitter1->addWidget(ListView1);
  Splitter1->setStretchFactor(0, 1);
  Splitter1->setSizes({300, AttachmentListHeight});

  auto* Addresses = new QGridLayout;
  Addresses->setHorizontalSpacing(4);
  Addresses->addWidget(FLabelHolder, 0, 0);
  Addresses->addWidget(SpeedButton1, 0, 1);
  Addresses->addWidget(Recpt, 0, 2);
  Addresses->addWidget(Label2, 1, 0, Qt::AlignRight);
  Addresses->addWidget(SpeedButton2, 1, 1);
  Addresses->addWidget(Cc, 1, 2);
  Addresses->addWidget(Label3, 2, 0, Qt::AlignRight);
  Addresses->addWidget(Edit3, 2, 2);
  Addresses->setColumnStretch(2, 1);

  auto* Buttons = new QHBoxLayout;
  Buttons->addWidget(BitBtn1);
  Buttons->addWidget(BitBtn2);
  Buttons->addWidget(BitBtn3);
  Buttons->addStretch(1);

  auto* Layout = new QVBoxLayout(this);
  Layout->addLayout(Addresses);
  Layout->addLayout(Buttons);
  Layout->addWidget(Splitter1, 1);

  setTabOrder(Recpt, Cc);
  setTabOrder(Cc, Edit3);
  setTabOrder(Edit3, Memo1);

  connect(Edit3, &QLineEdit::textChanged, this, [this] { Edit3Change(); });
  connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
  connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
  connect(SpeedButton1, &QToolButton::clicked, this, ui::Guarded([this] { SpeedButton1Click(); }));
  connect(SpeedButton2, &QToolButton::clicked, this, ui::Guarded([this] { SpeedButton2Click(); }));
}

void TForm5::SetAddressLabel(const QString& Text, int Left) {
  Label1->setText(Text);
  Label1->adjustSize();
  Label1->move(Left, Label1->y());
  Recpt->setAccessibleName(Text);
}

void TForm5::SetSendingEnabled(bool Enabled) {
  for (QWidget* Control : std::initializer_list<QWidget*>{BitBtn1, BitBtn2, BitBtn3, SpeedButton1, SpeedButton2})
    Control->setEnabled(Enabled);
}

void TForm5::NewMessage() {
  SetAddressLabel("Send To", 8);
  BitBtn1->setText("To Outbox");
  // Reply and Forward may have disabled some of these.
  for (QWidget* Box : std::initializer_list<QWidget*>{Recpt, Cc, Edit3}) Box->setEnabled(true);
  SetSendingEnabled(true);
  Recpt->clear();
  Cc->clear();
  Edit3->clear();
  Memo1->clear();
  ListView1->clear();
  // After emptying the subject, whose change would add " - " to the caption.
  setWindowTitle(Caption);
  exec();
}

void TForm5::Fill(const TMessageWindowFill& Fill) {
  SetAddressLabel(QString::fromStdString(Fill.LabelCaption), Fill.LabelLeft);
  SetSendingEnabled(Fill.Editable);
  Recpt->setEnabled(Fill.RecptEditable);
  Cc->setEnabled(Fill.CcEditable);
  Edit3->setEnabled(Fill.SubjectEditable);
  SpeedButton1->setEnabled(Fill.Editable && Fill.RecptEditable);
  SpeedButton2->setEnabled(Fill.Editable && Fill.CcEditable);
  BitBtn1->setText(QString::fromStdString(Fill.SendCaption));
  Recpt->setPlainText(JoinLines(Fill.Recpt));
  Cc->setPlainText(JoinLines(Fill.Cc));
  Edit3->setText(QString::fromStdString(Fill.Subject));
  Memo1->setPlainText(JoinLines(Fill.Body));
  ListView1->clear();
  for (const std::string& File : Fill.Attachments) AddAttachment(QString::fromStdString(File));
  setWindowTitle(QString::fromStdString(Fill.WindowCaption));
}

void TForm5::AddAttachment(const QString& Path) {
  auto* Entry = new QListWidgetItem(QIcon(":/icons/paperclip.svg"), Path, ListView1);
  Entry->setToolTip(Path);
}

TComposedMessage TForm5::Message() const {
  TComposedMessage Message;
  Message.Subject = Edit3->text().toStdString();
  Message.Recipients = AddressLines(Recpt->toPlainText().toStdString());
  Message.CarbonCopies = AddressLines(Cc->toPlainText().toStdString());
  Message.Body = Lines(Memo1);
  for (int Row = 0; Row < ListView1->count(); ++Row) Message.Attachments.push_back(ListView1->item(Row)->text().toStdString());
  return Message;
}

void TForm5::Edit3Change() { setWindowTitle(QString::fromStdString(ComposerCaption(Edit3->text().toStdString()))); }

void TForm5::BitBtn1Click() {
  const TComposedMessage Composed = Message();
  if (!HasRecipient(Composed)) {
    ui::ShowMessage(NoRecipientText);
  } else {
    try {
      QueueMessage(Composed);
    } catch (const std::exception& Error) {
      // Nothing was stored: the window stays open so the message is not lost.
      ui::ShowError(Error.what());
      return;
    }
  }
  accept();
}

void TForm5::QueueMessage(const TComposedMessage& Composed) {
  // One date-time text for the row and its list entry.
  const std::string Date = NowDateTimeText();
  const TOutboxRow Row = BuildOutboxRow(Composed, Date);
  // A cursor of its own: the Outbox view's cursor stays on the message its
  // body pane shows, so an edit there can only reach that message.
  TTable Table(FDatabase, SmailTable());
  Table.Open();
  Table.Append();
  WriteOutboxRow(Table, Row);
  Table.Post();  // a refused row is dropped with the cursor
  const std::int64_t Id = Table.RecordId();

  // The entry shows the subject as typed; a refill of the list shows the stored "--".
  TListItem Entry;
  Entry.Caption = Edit3->text();
  Entry.SubItems << RecipientText(Composed.Recipients, {}) << QString::fromStdString(Date);
  Entry.ImageIndex = 0;
  Entry.StateIndex = Composed.Attachments.empty() ? -1 : 0;
  Entry.RecordId = Id;
  AppendOutboxEntry(*FOutbox.ListView1, std::move(Entry));
  emit MessageQueued(Id);
}

void TForm5::BitBtn2Click() {
  const std::string File = ui::OpenFileName(AttachFilter);
  if (!File.empty()) AddAttachment(QString::fromStdString(File));
}

void TForm5::BitBtn3Click() { qDeleteAll(ListView1->selectedItems()); }

void TForm5::SpeedButton1Click() {
  if (FAddressBook) FAddressBook->Pick(Recpt, "Address Book");
}

void TForm5::SpeedButton2Click() {
  if (FAddressBook) FAddressBook->Pick(Cc, "Address Book CC");
}
