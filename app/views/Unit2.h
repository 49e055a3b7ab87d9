#pragma once

#include "folderview.h"

// The Inbox: received messages, unread or read, with a paper clip where
// attachments were saved. Clicking a message marks it read.
class TForm2 : public TFolderView {
  Q_OBJECT
public:
  explicit TForm2(TDatabase& Database);

  void FormActivate() override;
  // Marks the message under the cursor read.
  void ListView1Click();
  // Mark as Read / Mark As Unread: the STATE and the row icon of the first
  // selected message; nothing without a selection.
  void MarkSelected(bool Read);
  // Reports the Inbox table's return to browsing (BrowsingResumed).
  void DataSource1StateChange();

signals:
  // The Inbox table is back to browsing outside a receiving batch: the
  // commands a transfer locked may be enabled again.
  void BrowsingResumed();

protected:
  TListItem BuildRow() override;
  void ShowCorrespondent() override;
};
