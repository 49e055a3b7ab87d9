#include "trashcan.h"

#include <string>

#include "platform/table/database.h"
#include "platform/table/table.h"

namespace {
// The sender of a message that came from the Outbox.
constexpr const char* NoSender = "--";
}  // namespace

bool MoveToTrash(TTable& Source, TTrashSource Kind, std::int64_t Id, TTable& Trash) {
  TTransaction Transaction(Source.Database());
  if (!Source.GotoRecord(Id)) return false;
  const bool FromInbox = Kind == TTrashSource::Inbox;
  try {
    Trash.Append();
    for (const char* Field : {"SUBJECT", "DATE", "RECPT", "CC", "DATA"})
      Trash.FieldByName(Field).SetAsString(Source.FieldByName(Field).AsString());
    Trash.FieldByName("FROM").SetAsString(FromInbox ? Source.FieldByName("FROM").AsString() : NoSender);
    Trash.FieldByName("EMAIL").SetAsString(FromInbox ? Source.FieldByName("EMAIL").AsString() : NoSender);
    // A received message keeps the ids a reply to it threads with.
    if (FromInbox)
      for (const char* Field : {"MESSAGEID", "REFERENCES"})
        Trash.FieldByName(Field).SetAsString(Source.FieldByName(Field).AsString());
    // An Outbox message is plain text as typed.
    Trash.FieldByName("BODYTYPE").SetAsString(FromInbox ? Source.FieldByName("BODYTYPE").AsString() : "text/plain");
    // The copy is written before the original goes; the transaction keeps
    // either of the two from being durable without the other.
    Trash.Post();
    Source.Delete();
  } catch (...) {
    Trash.Cancel();
    throw;
  }
  Transaction.Commit();
  return true;
}

bool DeleteFromTrash(TTable& Trash, std::int64_t Id) {
  if (!Trash.GotoRecord(Id)) return false;
  Trash.Delete();
  return true;
}
