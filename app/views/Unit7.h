#pragma once

#include "folderview.h"

// The Trashcan: deleted messages from the Inbox and the Outbox.
class TForm7 : public TFolderView {
  Q_OBJECT
public:
  explicit TForm7(TDatabase& Database);

  void FormActivate() override;

protected:
  TListItem BuildRow() override;
};
