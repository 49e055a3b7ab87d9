#include "folderview.h"

#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QVBoxLayout>

#include "app/mail/storedmessage.h"
#include "app/store/fieldnames.h"
#include "platform/ui/handler.h"

QString RecipientText(const TStringList& Recipients, const TStringList& CarbonCopies) {
  const TStringList& List = Recipients.empty() ? CarbonCopies : Recipients;
  if (List.empty()) return {};
  QString Text = QString::fromStdString(List.front());
  if (List.size() >= 2) Text += " >";
  return Text;
}

TFolderView::TFolderView(TDatabase& Database, const TTableDef& Def, const QString& Caption, int ListHeight)
    : Table1(Database, Def) {
  setWindowTitle(Caption);
  setAttribute(Qt::WA_DeleteOnClose, false);
  Table1.SetIndexName(folderfield::Date);
  Table1.Open();

  auto* Body = new QWidget;
  auto* Layout = new QVBoxLayout(Body);
  Layout->setContentsMargins(0, 0, 0, 0);
  Splitter1 = new QSplitter(Qt::Vertical);
  Splitter1->setObjectName("Splitter1");
  Splitter1->setHandleWidth(16);
  ListView1 = new TListView;
  ListView1->setObjectName("ListView1");
  ListView1->setAccessibleName(Caption + " messages");
  DBMemo1 = new QPlainTextEdit;
  DBMemo1->setObjectName("DBMemo1");
  DBMemo1->setAccessibleName(Caption + " message text");
  DBMemo1->setFrameShape(QFrame::NoFrame);
  DBMemo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  DBMemo1->setTabChangesFocus(true);
  QFont BodyFont("Times New Roman", 12);
  DBMemo1->setFont(BodyFont);
  DBMemo1->setStyleSheet("color: black");
  Splitter1->addWidget(ListView1);
  Splitter1->addWidget(DBMemo1);
  Splitter1->setSizes({ListHeight, 400});
  Layout->addWidget(Splitter1);
  setWidget(Body);

  connect(ListView1, &TListView::Change, this, ui::Guarded([this] { ListView1Change(); }));
  connect(ListView1, &TListView::DblClick, this, &TFolderView::DblClick);
  connect(DBMemo1, &QPlainTextEdit::textChanged, this, ui::Guarded([this] { BodyEdited(); }));
}

TFolderView::~TFolderView() = default;

TStringList TFolderView::RecptMemo() {
  return HasRecord() ? Table1.FieldByName(folderfield::Recpt).AsLines() : TStringList();
}
TStringList TFolderView::CCMemo() {
  return HasRecord() ? Table1.FieldByName(folderfield::Cc).AsLines() : TStringList();
}
TStringList TFolderView::DBMemo2() {
  return HasRecord() ? Table1.FieldByName(folderfield::Attach).AsLines() : TStringList();
}

void TFolderView::showEvent(QShowEvent* Event) {
  QMdiSubWindow::showEvent(Event);
  if (!FShown) {
    FShown = true;
    // This runs inside the toolkit's show code: an error of the first fill is shown afterwards.
    ui::RunHandler([this] { FormShow(); }, ui::TReport::Later);
  }
}

void TFolderView::closeEvent(QCloseEvent* Event) {
  // Closing the subwindow would also hide its contents for good, and the
  // folder buttons could only bring back an empty frame.
  Event->ignore();
  showMinimized();
}

bool TFolderView::focusNextPrevChild(bool Next) {
  QWidget* Top = window();
  QWidget* From = Top->focusWidget();
  if (Top == this || !From) return QMdiSubWindow::focusNextPrevChild(Next);
  // The first control after the focused one in the main window's order that
  // takes Tab; the child windows' frames are left out, so Tab never makes
  // another folder the active one.
  for (QWidget* W = Next ? From->nextInFocusChain() : From->previousInFocusChain(); W && W != From;
       W = Next ? W->nextInFocusChain() : W->previousInFocusChain()) {
    const bool TakesTab = (W->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && !W->focusProxy();
    if (TakesTab && W->window() == Top && W->isVisible() && W->isEnabled() && !qobject_cast<QMdiSubWindow*>(W)) {
      W->setFocus(Next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
      return true;
    }
  }
  return false;
}

void TFolderView::FormShow() { FillList(TFilter::All); }

void TFolderView::FillList(TFilter Filter) {
  PostEdits();
  FFilter = Filter;
  std::vector<TListItem> Items;
  const int Count = Table1.RecordCount();
  Items.reserve(static_cast<std::size_t>(Count));
  Table1.First();
  for (int I = 0; I < Count && !Table1.Eof(); ++I, Table1.Next()) {
    if (Filter != TFilter::All && Table1.FieldByName(folderfield::State).AsBoolean() != (Filter == TFilter::StateTrue))
      continue;
    Items.push_back(BuildRow());
    Items.back().RecordId = Table1.RecordId();
  }
  ListView1->SetItems(std::move(Items));
  LoadBody();
}

void TFolderView::AddRecord(std::int64_t Id) {
  const std::int64_t Shown = Table1.RecordId();
  if (!Table1.GotoRecord(Id)) return;
  TListItem Item = BuildRow();
  Item.RecordId = Id;
  ListView1->AddItem(std::move(Item));
  if (Shown == 0 || !Table1.GotoRecord(Shown)) LoadBody();
}

void TFolderView::ListView1Change() {
  const int Row = ListView1->Selected();
  if (!SelectionFollows()) return;
  if (Row < 0) {
    PostEdits();
    LoadBody();
    return;
  }
  const std::int64_t Id = ListView1->Item(Row).RecordId;
  if (Id != Table1.RecordId() || !FBodyShown) {
    PostEdits();
    if (!Table1.GotoRecord(Id)) return;
    LoadBody();
  }
  ShowCorrespondent();
}

void TFolderView::LoadBody() {
  FLoadingBody = true;
  QStringList Lines;
  bool Html = false;
  // Without a selected row the pane is empty: nothing typed there can reach a message.
  const bool Shown = HasRecord() && ListView1->Selected() >= 0;
  FBodyShown = Shown;
  if (Shown) {
    const TStoredMessage Message = ReadStoredMessage(Table1);
    Html = Message.Html;
    for (const std::string& Line : ReadableBody(Message)) Lines << QString::fromStdString(Line);
  }
  // An HTML body shows as its readable text, which must never be stored over it.
  DBMemo1->setReadOnly(Html || !Shown);
  DBMemo1->setPlainText(Lines.join('\n'));
  FLoadingBody = false;
  FBodyModified = false;
}

void TFolderView::BodyEdited() {
  if (FLoadingBody || !HasRecord()) return;
  if (Table1.State() == TDataSetState::dsBrowse) Table1.Edit();
  FBodyModified = true;
}

void TFolderView::PostEdits() {
  if (FBodyModified && Table1.State() != TDataSetState::dsBrowse)
    Table1.FieldByName(folderfield::Data).SetAsString(DBMemo1->toPlainText().toStdString());
  FBodyModified = false;
  while (Table1.State() == TDataSetState::dsEdit || Table1.State() == TDataSetState::dsInsert) Table1.Post();
}

std::vector<std::int64_t> TFolderView::SelectedRecordIds() const {
  std::vector<std::int64_t> Ids;
  for (int Row : ListView1->SelectedRows()) Ids.push_back(ListView1->Item(Row).RecordId);
  return Ids;
}

void TFolderView::ClearCorrespondent() { emit CorrespondentChanged(QString()); }

void TFolderView::SortBySubject() { ListView1->SetSortedByCaption(true); }

void TFolderView::SortByDate() {
  ListView1->SetSortedByCaption(false);
  FillList(TFilter::All);
}

void TFolderView::SelectAllBody() {
  DBMemo1->setFocus();
  DBMemo1->selectAll();
}

void TFolderView::CopyBody() {
  DBMemo1->setFocus();
  DBMemo1->copy();
}

void TFolderView::PasteBody() {
  DBMemo1->setFocus();
  DBMemo1->paste();
  PostEdits();
}
