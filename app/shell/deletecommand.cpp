#include "deletecommand.h"

#include <cstdint>
#include <vector>

#include "app/store/trashcan.h"
#include "app/views/Unit3.h"
#include "app/views/Unit7.h"
#include "platform/ui/dialogs.h"

namespace {

constexpr const char* UnableCaption = "Unable to delete";

// Both lists rebuilt from their tables (in the Trashcan, only the one).
void RefillLists(TFolderView& View, TForm7& Trashcan) {
  View.FillList(TFolderView::TFilter::All);
  if (&View != &Trashcan) Trashcan.FillList(TFolderView::TFilter::All);
}

}  // namespace

void DeleteMessages(TFolderView* Active, TForm7& Trashcan) {
  if (!Active) return;
  TFolderView& View = *Active;
  if (View.Table1.RecordCount() == 0) {
    ui::ShowInformation("No Messages", UnableCaption);
    return;
  }
  const std::vector<std::int64_t> Ids = View.SelectedRecordIds();
  if (Ids.empty()) {
    ui::ShowInformation("No Messages Selected", UnableCaption);
    return;
  }
  // Edits typed into the body panes are stored first: the Trashcan copy
  // takes the body as shown, and no edit is left pending on a moved row.
  View.PostEdits();
  Trashcan.PostEdits();
  View.ClearCorrespondent();
  const TTrashSource Kind = dynamic_cast<TForm3*>(&View) ? TTrashSource::Outbox : TTrashSource::Inbox;
  try {
    for (const std::int64_t Id : Ids) {
      if (&View == &Trashcan)
        DeleteFromTrash(Trashcan.Table1, Id);
      else
        MoveToTrash(View.Table1, Kind, Id, Trashcan.Table1);
    }
  } catch (...) {
    // The lists must not show messages where they no longer are; the
    // error that stopped the command is the one reported.
    try {
      RefillLists(View, Trashcan);
    } catch (...) {
    }
    throw;
  }
  RefillLists(View, Trashcan);
}
