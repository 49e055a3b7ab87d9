#include "Unit5.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/dialogs/Unit9.h"
#include "attachmentlist.h"
#include "formattedview.h"
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

// The window opens with the keyboard in the first of Boxes that is enabled.
void FocusFirstEnabled(std::initializer_list<QWidget*> Boxes) {
  for (QWidget* Box : Boxes)
    if (Box->isEnabled()) {
      Box->setFocus();
      return;
    }
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
  SpeedButton1 = Picker("SpeedButton1", "Address Book for To");
  Recpt = AddressBox("Recpt");
  FLabelHolder->setFixedHeight(Recpt->height());
  Label1->move(0, (Recpt->height() - Label1->sizeHint().height()) / 2);
  Label1->setBuddy(Recpt);
  SetAddressLabel("Send To:", 8);

  Label2 = new QLabel("Cc:");
  Label2->setObjectName("Label2");
  SpeedButton2 = Picker("SpeedButton2", "Address Book for Cc");
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
  BitBtn3->setAccessibleName("Remove Attach");  // the caption ends in a blank

  Memo1 = new QPlainTextEdit;
  Memo1->setObjectName("Memo1");
  Memo1->setAccessibleName("Message");
  Memo1->setTabChangesFocus(true);  // Tab goes on to the attachment list
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  BodyViews = new QTabWidget;
  BodyViews->setObjectName("BodyViews");
  BodyViews->setAccessibleName("Message views");
  BodyViews->setTabBarAutoHide(true);
  BodyViews->setDocumentMode(true);
  // Tab reaches the pages and, while it shows, the tab bar themselves: as the
  // tab bar's proxy the widget would hand the keyboard to it also while it
  // is hidden, and Tab would stop there.
  BodyViews->setFocusProxy(nullptr);
  BodyViews->setFocusPolicy(Qt::NoFocus);
  BodyViews->addTab(Memo1, "Text");
  // Owned by the tab widget while no HTML message shows it.
  Formatted = new TFormattedView(BodyViews);
  Formatted->setObjectName("Formatted");
  Formatted->hide();

  ListView1 = new QListWidget;
  ListView1->setObjectName("ListView1");
  ListView1->setAccessibleName("Attachments");
  ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListView1->setFlow(QListView::LeftToRight);
  ListView1->setWrapping(true);
  ListView1->setResizeMode(QListView::Adjust);
  AddAttachmentCommands(*ListView1);

  Splitter1 = new QSplitter(Qt::Vertical);
  Splitter1->setObjectName("Splitter1");
  Splitter1->setHandleWidth(SplitterHandle);
  Splitter1->setChildrenCollapsible(false);
  Splitter1->addWidget(BodyViews);
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

  // Reading order: the address rows (picker, box), the subject, the buttons,
  // the body and the attachments.
  QWidget* const Order[] = {SpeedButton1, Recpt, SpeedButton2, Cc, Edit3, BitBtn1, BitBtn2, BitBtn3, Memo1, ListView1};
  for (std::size_t I = 1; I < std::size(Order); ++I) setTabOrder(Order[I - 1], Order[I]);

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
  ShowFormatted({}, {});
  ListView1->clear();
  FInReplyTo.clear();
  FReferences.clear();
  Memo1->setReadOnly(false);
  FocusFirstEnabled({Recpt, Cc, Edit3, Memo1});
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
  // A message only shown, not sent again: its text cannot be changed either.
  Memo1->setReadOnly(!Fill.Editable);
  FocusFirstEnabled({Recpt, Cc, Edit3, Memo1});
  ShowFormatted(Fill.Html, Fill.HtmlFiles);
  ListView1->clear();
  for (const std::string& File : Fill.Attachments) {
    const QString Path = QString::fromStdString(File);
    Fill.AttachmentsReceived ? AddReceivedAttachmentEntry(*ListView1, Path) : AddAttachment(Path);
  }
  FInReplyTo = Fill.InReplyTo;
  FReferences = Fill.References;
  setWindowTitle(QString::fromStdString(Fill.WindowCaption));
}

void TForm5::ShowFormatted(const std::string& Html, const TStringList& Files) {
  BodyViews->setCurrentWidget(Memo1);
  const int Index = BodyViews->indexOf(Formatted);
  if (Html.empty()) {
    if (Index >= 0) BodyViews->removeTab(Index);
    Formatted->clear();
    return;
  }
  Formatted->ShowHtml(Html, Files);
  if (Index < 0) BodyViews->addTab(Formatted, "Formatted");
}

void TForm5::AddAttachment(const QString& Path) { AddAttachmentEntry(*ListView1, Path); }

TComposedMessage TForm5::Message() const {
  TComposedMessage Message;
  Message.Subject = Edit3->text().toStdString();
  Message.Recipients = AddressLines(Recpt->toPlainText().toStdString());
  Message.CarbonCopies = AddressLines(Cc->toPlainText().toStdString());
  Message.Body = Lines(Memo1);
  for (const QString& Path : AttachmentPaths(*ListView1)) Message.Attachments.push_back(Path.toStdString());
  Message.InReplyTo = FInReplyTo;
  Message.References = FReferences;
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
