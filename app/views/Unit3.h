#pragma once

#include "folderview.h"

// The Outbox: messages waiting to be sent, and those the server accepted.
class TForm3 : public TFolderView {
  Q_OBJECT
public:
  explicit TForm3(TDatabase& Database);

  void FormActivate() override;

protected:
  TListItem BuildRow() override;
  bool SelectionFollows() override;
  void ShowCorrespondent() override;
};
