#pragma once

class TFolderView;
class TForm7;

// File, Delete on the active folder view (null when none is active): the
// selected Inbox or Outbox messages move to the Trashcan, selected Trashcan
// messages are destroyed, without asking. Each message is found by its
// record id and moved in one transaction of its own, so a failure leaves it
// in exactly one folder and those moved before it stay moved. Afterwards,
// also after a failure, both lists show what their folders hold and the
// correspondent box is empty. An empty folder shows "No Messages", a folder
// with nothing selected "No Messages Selected".
void DeleteMessages(TFolderView* Active, TForm7& Trashcan);
