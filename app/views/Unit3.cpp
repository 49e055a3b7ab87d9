#include "Unit3.h"

#include "app/mail/datetimetext.h"
#include "app/store/fieldnames.h"
#include "app/store/mailtables.h"
#include "folderimages.h"

TForm3::TForm3(TDatabase& Database) : TFolderView(Database, SmailTable(), "Outbox", 169) {
  setObjectName("Form3");
  ListView1->SetColumns({{"Subject", 200}, {"To", 150}, {"Date", 120}});
  ListView1->FitColumnToText(2, WidestDateText);
  ListView1->SetImages(images::OutboxRows(), images::StateIcons());
}

TListItem TForm3::BuildRow() {
  TListItem Row;
  Row.Caption = QString::fromStdString(Table1.FieldByName(outboxfield::Subject).AsString());
  Row.SubItems << RecipientText(Table1.FieldByName(outboxfield::Recpt).AsLines(),
                                Table1.FieldByName(outboxfield::Cc).AsLines())
               << QString::fromStdString(ShownDateText(Table1.FieldByName(outboxfield::Date).AsString()));
  Row.ImageIndex = Table1.FieldByName(outboxfield::State).AsBoolean() ? 1 : 0;
  Row.StateIndex = Table1.FieldByName(outboxfield::Attach).AsLines().empty() ? -1 : 0;
  return Row;
}

void TForm3::FormActivate() { emit CorrespondentHintChanged("The E-mail address the message is going to"); }

bool TForm3::SelectionFollows() { return Table1.State() != TDataSetState::dsInsert; }

void TForm3::ShowCorrespondent() {
  // A carbon-copy address, when there is one, wins over the first recipient.
  const TStringList Recipients = RecptMemo();
  const TStringList CarbonCopies = CCMemo();
  if (!CarbonCopies.empty())
    emit CorrespondentChanged(QString::fromStdString(CarbonCopies.front()));
  else if (!Recipients.empty())
    emit CorrespondentChanged(QString::fromStdString(Recipients.front()));
}
