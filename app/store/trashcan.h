#pragma once

#include <cstdint>

class TTable;

// Where a message moved to the Trashcan comes from. An Outbox message has no
// sender, so its Trashcan copy gets "--" as its name and address, which is
// also how the Trashcan tells where it was going.
enum class TTrashSource { Inbox, Outbox };

// Moves the row with record id Id of Source (the Inbox or the Outbox) into
// Trash: a Trashcan row is written with its SUBJECT, FROM, EMAIL, DATE,
// RECPT, CC, DATA and BODYTYPE, and an Inbox message's MESSAGEID and REFERENCES (the
// attachment list and STATE stay behind), then the source row is deleted.
// Both writes are one transaction, so a failure leaves the message in
// exactly one of the two folders. Returns false, and
// changes nothing, when Source has no such row. Both tables belong to one
// database and are browsing.
bool MoveToTrash(TTable& Source, TTrashSource Kind, std::int64_t Id, TTable& Trash);

// Deletes the row with record id Id of Trash for good; false when there is none.
bool DeleteFromTrash(TTable& Trash, std::int64_t Id);
