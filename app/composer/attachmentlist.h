#pragma once

#include <QString>
#include <QStringList>

class QListWidget;

// The attachment list of a message window: one entry per file, which keeps
// the file's full path whatever its caption shows, and opens the file or
// saves a copy of it on request.

// Adds the file Path as an entry captioned with its full path (a file the
// user attached).
void AddAttachmentEntry(QListWidget& List, const QString& Path);

// Adds the file Path, saved from a received message, as an entry captioned
// with its name and size, or "name (missing)" when it is no longer on disk.
void AddReceivedAttachmentEntry(QListWidget& List, const QString& Path);

// The full paths of List's entries, in list order.
QStringList AttachmentPaths(const QListWidget& List);

// Gives List its commands: a double-click or Enter opens the entry's file
// with the desktop's default application, and the context menu offers Open
// and Save As (a copy of the file under a name from the save dialog). A
// missing file is neither opened nor saved; failures are reported in the
// standard message boxes.
void AddAttachmentCommands(QListWidget& List);
