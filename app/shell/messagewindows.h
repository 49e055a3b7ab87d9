#pragma once

#include <initializer_list>

#include "app/mail/storedmessage.h"
#include "app/mail/answerplan.h"
#include "platform/runtime/stringlist.h"

class QWidget;
class TFolderView;
class TForm5;
class TForm11;

// The windows for looking at a stored message: opening it in the composer,
// its Attachments notice and its Properties. Each acts on the record of the
// first selected row of a folder view (found by its record id).

// The folder a view shows.
TFolderKind FolderOf(const TFolderView& View);

// Puts the table cursor on the record of the first selected row and writes a
// pending body edit; false when no row is selected or the cursor may not
// follow the selection now.
bool ToSelectedRecord(TFolderView& View);

// File, Open on the active folder view (null when none is active): fills the
// shared composer from the selected message, marking an Inbox message read
// when MarkRead, and shows it modally; without a selection the composer is
// shown as it is.
void OpenMessage(TFolderView* Active, TForm5& Composer, bool MarkRead);

// A double-click on a row of View's list. Inbox and Outbox messages open in
// the shared composer; a Trashcan message opens in a composer of its own,
// destroyed when it closes.
void OpenByDoubleClick(TFolderView& View, TForm5& Composer);

// Message, Attachment: lists the current message's attachments, for an Inbox
// message with the configured attachment directory (settings line 8). Does
// nothing in the Trashcan or without an active view.
void ShowAttachments(TFolderView* Active, const TStringList& Settings, QWidget* Parent);

// File, Properties: the selected message's properties, or "No Messages
// Selected".
void ShowProperties(TFolderView* Active, TForm11& Properties);

// Reply to Writer, Reply to All and Forward Mail on the active folder view
// (null when none is active): only an Inbox message with a selected row may
// be answered; it is marked read and the shared composer, filled for the
// answer, is shown modally. Otherwise an information box says why not.
// Settings line 2, the user's own address, is left out of a Reply to All.
void AnswerMessage(TFolderView* Active, TAnswer Answer, TAnswerEntry Entry, TForm5& Composer,
                   const TStringList& Settings);

// Opens messages on a double-click in the lists of Views.
void ConnectMessageWindows(std::initializer_list<TFolderView*> Views, TForm5& Composer);
