#include "Unit2.h"

#include "app/mail/datetimetext.h"
#include "app/store/fieldnames.h"
#include "app/store/mailtables.h"
#include "folderimages.h"
#include "platform/ui/handler.h"

TForm2::TForm2(TDatabase& Database) : TFolderView(Database, RmailTable(), "Inbox", 169) {
  setObjectName("Form2");
  ListView1->SetColumns({{"Subject", 200}, {"From", 150}, {"Date", 120}});
  ListView1->FitColumnToText(2, WidestDateText);
  ListView1->SetImages(images::InboxRows(), images::StateIcons());
  ListView1->SetBoldImage(0);  // unread
  connect(ListView1, &TListView::Click, this, ui::Guarded([this] { ListView1Click(); }));
  Table1.OnStateChange = [this](TTable*) { DataSource1StateChange(); };
}

TListItem TForm2::BuildRow() {
  TListItem Row;
  Row.Caption = QString::fromStdString(Table1.FieldByName(inboxfield::Subject).AsString());
  Row.SubItems << QString::fromStdString(Table1.FieldByName(inboxfield::From).AsString())
               << QString::fromStdString(ShownDateText(Table1.FieldByName(inboxfield::Date).AsString()));
  Row.ImageIndex = Table1.FieldByName(inboxfield::State).AsBoolean() ? 1 : 0;
  Row.StateIndex = Table1.FieldByName(inboxfield::Attach).AsLines().empty() ? -1 : 0;
  return Row;
}

void TForm2::FormActivate() { emit CorrespondentHintChanged("The E-mail address the message is coming from"); }

void TForm2::ShowCorrespondent() {
  emit CorrespondentChanged(QString::fromStdString(Table1.FieldByName(inboxfield::Email).AsString()));
}

void TForm2::ListView1Click() {
  const int Row = ListView1->Selected();
  if (Row < 0 || !HasRecord()) return;
  Table1.Edit();
  ListView1->SetImageIndex(Row, 1);
  Table1.FieldByName(inboxfield::State).SetAsBoolean(true);
  Table1.Post();
}

void TForm2::MarkSelected(bool Read) {
  const int Row = ListView1->Selected();
  if (Row < 0) return;
  // The record of the row whose icon changes, whatever the cursor was left
  // on; the body pane follows it as for a click.
  const std::int64_t Id = ListView1->Item(Row).RecordId;
  if (Table1.RecordId() != Id) ListView1Change();
  if (Table1.RecordId() != Id) return;
  PostEdits();
  Table1.Edit();
  Table1.FieldByName(inboxfield::State).SetAsBoolean(Read);
  Table1.Post();
  ListView1->SetImageIndex(Row, Read ? 1 : 0);
}

void TForm2::DataSource1StateChange() {
  if (Table1.State() != TDataSetState::dsBrowse || Table1.CachedUpdates()) return;
  emit BrowsingResumed();
}
