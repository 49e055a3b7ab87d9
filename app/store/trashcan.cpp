#include "trashcan.h"

#include <string>

#include "fieldnames.h"
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
    using namespace inboxfield;
    Trash.Append();
    for (const char* Field : {Subject, Date, Recpt, Cc, Data})
      Trash.FieldByName(Field).SetAsString(Source.FieldByName(Field).AsString());
    Trash.FieldByName(From).SetAsString(FromInbox ? Source.FieldByName(From).AsString() : NoSender);
    Trash.FieldByName(Email).SetAsString(FromInbox ? Source.FieldByName(Email).AsString() : NoSender);
    // A received message keeps the ids a reply to it threads with.
    if (FromInbox)
      for (const char* Field : {MessageId, References})
        Trash.FieldByName(Field).SetAsString(Source.FieldByName(Field).AsString());
    // An Outbox message is plain text as typed.
    Trash.FieldByName(BodyType).SetAsString(FromInbox ? Source.FieldByName(BodyType).AsString() : "text/plain");
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
