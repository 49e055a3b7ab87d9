#include "outboxrow.h"

#include "app/store/fieldnames.h"
#include "platform/table/table.h"

TStringList TextLines(std::string_view Text) {
  TStringList Lines;
  std::size_t Pos = 0;
  while (Pos < Text.size()) {
    std::size_t End = Text.find('\n', Pos);
    const std::size_t Next = End == std::string_view::npos ? Text.size() : End + 1;
    if (End == std::string_view::npos) End = Text.size();
    if (End > Pos && Text[End - 1] == '\r') --End;
    Lines.emplace_back(Text.substr(Pos, End - Pos));
    Pos = Next;
  }
  return Lines;
}

TStringList AddressLines(std::string_view Text) {
  TStringList Addresses;
  for (const std::string& Line : TextLines(Text)) {
    const std::size_t First = Line.find_first_not_of(" \t\r\v\f");
    if (First == std::string::npos) continue;
    const std::size_t Last = Line.find_last_not_of(" \t\r\v\f");
    Addresses.push_back(Line.substr(First, Last - First + 1));
  }
  return Addresses;
}

bool HasRecipient(const TComposedMessage& Message) { return !Message.Recipients.empty(); }

TOutboxRow BuildOutboxRow(const TComposedMessage& Message, const std::string& Date) {
  TOutboxRow Row;
  Row.Subject = Message.Subject.empty() ? NoOutgoingSubject : Message.Subject;
  Row.Recpt = Message.Recipients;
  Row.Cc = Message.CarbonCopies;
  Row.Date = Date;
  Row.Data = Message.Body;
  Row.Attach = Message.Attachments;
  Row.InReplyTo = Message.InReplyTo;
  Row.References = Message.References;
  return Row;
}

void WriteOutboxRow(TTable& Outbox, const TOutboxRow& Row) {
  Outbox.FieldByName(outboxfield::Subject).SetAsString(Row.Subject);
  Outbox.FieldByName(outboxfield::Recpt).SetAsLines(Row.Recpt);
  Outbox.FieldByName(outboxfield::Cc).SetAsLines(Row.Cc);
  Outbox.FieldByName(outboxfield::Date).SetAsString(Row.Date);
  Outbox.FieldByName(outboxfield::Data).SetAsLines(Row.Data);
  Outbox.FieldByName(outboxfield::State).SetAsBoolean(false);
  Outbox.FieldByName(outboxfield::Attach).SetAsLines(Row.Attach);
  Outbox.FieldByName(outboxfield::InReplyTo).SetAsString(Row.InReplyTo);
  Outbox.FieldByName(outboxfield::References).SetAsString(Row.References);
}
