#pragma once

#include <QIcon>
#include <QList>

// The 16 by 16 pictures of the folder lists.
namespace images {
// Closed envelope with a red seal (unread), open envelope with a letter (read).
QList<QIcon> InboxRows();
// Envelope with a red exclamation mark (waiting), with a green arrow (accepted).
QList<QIcon> OutboxRows();
// Envelope crossed out in red.
QList<QIcon> TrashRows();
// The paper clip of messages with attachments.
QList<QIcon> StateIcons();
}  // namespace images
