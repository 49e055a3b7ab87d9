#pragma once

#include <functional>

class QString;
class TFolderView;

// Saving messages as text files and printing them. Each command acts on the
// active folder view (null when none is active: the command does nothing)
// and writes a message as its header block for the folder and its body.

// Where the save commands report that a file is being saved (the status text).
using TStatusText = std::function<void(const QString& Text)>;

// File, Save As: the selected message into the text file the user chooses;
// nothing without a selection. The dialog proposes the name it held last.
void SaveMessageAs(TFolderView* Active, const TStatusText& Status);

// File, Save All As: every message of the folder into a file of its own,
// the dialog proposing the message's subject as the name; a cancelled dialog
// skips that message and goes on with the next.
void SaveAllMessagesAs(TFolderView* Active, const TStatusText& Status);

// File, Print and the toolbar's Print: the selected message as one print
// job, after the print dialog; nothing without a selection.
void PrintMessage(TFolderView* Active);

// File, Print All: after one print dialog, every message of the folder as a
// job of its own.
void PrintAllMessages(TFolderView* Active);
