#include "Unit7.h"

#include "app/mail/datetimetext.h"
#include "app/store/fieldnames.h"
#include "app/store/mailtables.h"
#include "folderimages.h"

TForm7::TForm7(TDatabase& Database) : TFolderView(Database, TrashTable(), "Trashcan", 225) {
  setObjectName("Form7");
  ListView1->SetColumns({{"Subject", 200}, {"From", 100}, {"To", 100}, {"Date", 120}});
  ListView1->FitColumnToText(3, WidestDateText);
  ListView1->SetImages(images::TrashRows(), images::StateIcons());
}

TListItem TForm7::BuildRow() {
  TListItem Row;
  const std::string From = Table1.FieldByName(inboxfield::From).AsString();
  Row.Caption = QString::fromStdString(Table1.FieldByName(inboxfield::Subject).AsString());
  // A sender of "--" marks a message that came from the Outbox: show where it was going.
  const QString To = From == "--" ? RecipientText(Table1.FieldByName(inboxfield::Recpt).AsLines(),
                                                  Table1.FieldByName(inboxfield::Cc).AsLines())
                                  : QString("--");
  Row.SubItems << QString::fromStdString(From) << To
               << QString::fromStdString(ShownDateText(Table1.FieldByName(inboxfield::Date).AsString()));
  Row.ImageIndex = 0;
  return Row;
}

void TForm7::FormActivate() { emit CorrespondentHintChanged("Nothing when trashcan is selected"); }
