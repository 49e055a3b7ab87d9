#include "messagewindows.h"

#include <QListWidget>
#include <QPlainTextEdit>

#include "app/composer/Unit5.h"
#include "app/dialogs/Unit11.h"
#include "app/dialogs/Unit6.h"
#include "app/mail/inboxrow.h"
#include "app/mail/openplan.h"
#include "app/mail/propertiestext.h"
#include "app/settings/settingsfiles.h"
#include "app/store/fieldnames.h"
#include "app/views/Unit2.h"
#include "app/views/Unit3.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/handler.h"

TFolderKind FolderOf(const TFolderView& View) {
  if (dynamic_cast<const TForm2*>(&View)) return TFolderKind::Inbox;
  if (dynamic_cast<const TForm3*>(&View)) return TFolderKind::Outbox;
  return TFolderKind::Trashcan;
}

bool ToSelectedRecord(TFolderView& View) {
  const int Row = View.ListView1->Selected();
  if (Row < 0) return false;
  const std::int64_t Id = View.ListView1->Item(Row).RecordId;
  if (View.Table1.RecordId() != Id) View.ListView1Change();
  if (View.Table1.RecordId() != Id) return false;
  View.PostEdits();
  return true;
}

namespace {

// Marks the selected Inbox message read: its STATE and its row's icon.
void MarkRead(TFolderView& Inbox) {
  Inbox.Table1.Edit();
  Inbox.Table1.FieldByName(inboxfield::State).SetAsBoolean(true);
  Inbox.Table1.Post();
  Inbox.ListView1->SetImageIndex(Inbox.ListView1->Selected(), 1);
}

// Fills Composer for the selected message of View opened the given way,
// marking an Inbox message read when Mark.
bool FillFromSelection(TFolderView& View, TOpening Way, TForm5& Composer, bool Mark = true) {
  if (!ToSelectedRecord(View)) return false;
  const TFolderKind Folder = FolderOf(View);
  if (Folder == TFolderKind::Inbox && Mark) MarkRead(View);
  Composer.Fill(PlanOpening(Folder, Way, ReadStoredMessage(View.Table1)));
  return true;
}

}  // namespace

void OpenMessage(TFolderView* Active, TForm5& Composer, bool MarkRead) {
  if (Active) FillFromSelection(*Active, TOpening::FileOpen, Composer, MarkRead);
  Composer.exec();
}

void OpenByDoubleClick(TFolderView& View, TForm5& Composer) {
  if (FolderOf(View) == TFolderKind::Trashcan) {
    TForm5 Window(Composer.Database(), Composer.Outbox(), Composer.parentWidget());
    FillFromSelection(View, TOpening::DoubleClick, Window);
    Window.exec();
    return;
  }
  if (!FillFromSelection(View, TOpening::DoubleClick, Composer) && FolderOf(View) == TFolderKind::Outbox) {
    // No message to copy: the window opens without the last one's addresses, body and files.
    Composer.Recpt->clear();
    Composer.Cc->clear();
    Composer.Memo1->clear();
    Composer.ShowFormatted({}, {});
    Composer.ListView1->clear();
  }
  Composer.exec();
}

void ShowAttachments(TFolderView* Active, const TStringList& Settings, QWidget* Parent) {
  if (!Active) return;
  const TFolderKind Folder = FolderOf(*Active);
  if (Folder == TFolderKind::Trashcan) return;
  TForm6 Notice(Parent);
  const TStringList Files = Active->DBMemo2();
  Notice.ShowFiles(Files);
  if (Folder == TFolderKind::Inbox)
    Notice.ShowDirectory(
        QString::fromStdString(SavedFilesDirectory(Files, StringAt(Settings, settings::clAttachmentDir))));
  Notice.exec();
}

void ShowProperties(TFolderView* Active, TForm11& Properties) {
  Properties.Memo1->clear();
  if (!Active || !ToSelectedRecord(*Active)) {
    ui::ShowMessage("No Messages Selected");
    return;
  }
  Properties.ShowText(PropertiesText(FolderOf(*Active), ReadStoredMessage(Active->Table1)));
}

void AnswerMessage(TFolderView* Active, TAnswer Answer, TAnswerEntry Entry, TForm5& Composer,
                   const TStringList& Settings) {
  if (!Active || FolderOf(*Active) != TFolderKind::Inbox) {
    ui::ShowInformation(WrongFolderText(Answer), AnswerRefusedCaption(Answer));
    return;
  }
  Composer.SetAddressLabel("Send To", 8);
  Composer.Recpt->clear();
  Composer.Cc->clear();
  if (!ToSelectedRecord(*Active)) {
    ui::ShowInformation("No Messages Selected", AnswerRefusedCaption(Answer));
    return;
  }
  // Read once answered, whether or not the answer is then queued.
  MarkRead(*Active);
  Composer.Fill(PlanAnswer(Answer, Entry, ReadStoredMessage(Active->Table1), StringAt(Settings, settings::clEmail)));
  Composer.exec();
}

void ConnectMessageWindows(std::initializer_list<TFolderView*> Views, TForm5& Composer) {
  for (TFolderView* View : Views)
    QObject::connect(View, &TFolderView::DblClick, View,
                     ui::Guarded([&Composer, View] { OpenByDoubleClick(*View, Composer); }));
}
