#pragma once

#include "folderview.h"

// The Inbox: received messages, unread or read, with a paper clip where
// attachments were saved. Clicking a message marks it read.
class TForm2 : public TFolderView {
  Q_OBJECT
public:
  TForm2(TForm1& AForm1, TDatabase& Database);

  void FormActivate() override;
  // Marks the message under the cursor read.
  void ListView1Click();
  // Re-enables the commands once the Inbox table is back to browsing.
  void DataSource1StateChange();

protected:
  TListItem BuildRow() override;
  bool SelectionFollows() override;
  void ShowCorrespondent() override;
};

extern TForm2* Form2;
