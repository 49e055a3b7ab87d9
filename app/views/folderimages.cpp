#include "folderimages.h"

namespace images {
QList<QIcon> InboxRows() { return {QIcon(":/icons/inbox_unread.svg"), QIcon(":/icons/inbox_read.svg")}; }
QList<QIcon> OutboxRows() { return {QIcon(":/icons/outbox_waiting.svg"), QIcon(":/icons/outbox_sent.svg")}; }
QList<QIcon> TrashRows() { return {QIcon(":/icons/trash_item.svg")}; }
QList<QIcon> StateIcons() { return {QIcon(":/icons/paperclip.svg")}; }
}  // namespace images
