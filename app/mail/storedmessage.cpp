#include "storedmessage.h"

#include <algorithm>

#include "app/store/fieldnames.h"
#include "htmltext.h"
#include "platform/table/table.h"

namespace {
bool HasField(const TTable& Table, const std::string& Name) {
  const auto& Fields = Table.Definition().Fields;
  return std::any_of(Fields.begin(), Fields.end(), [&](const TFieldDef& Field) { return Field.Name == Name; });
}
}  // namespace

TStoredMessage ReadStoredMessage(TTable& Table) {
  TStoredMessage Message;
  Message.Subject = Table.FieldByName(folderfield::Subject).AsString();
  if (HasField(Table, inboxfield::From)) Message.From = Table.FieldByName(inboxfield::From).AsString();
  if (HasField(Table, inboxfield::Email)) Message.Email = Table.FieldByName(inboxfield::Email).AsString();
  Message.Date = Table.FieldByName(folderfield::Date).AsString();
  Message.Data = Table.FieldByName(folderfield::Data).AsLines();
  Message.Recpt = Table.FieldByName(folderfield::Recpt).AsLines();
  Message.Cc = Table.FieldByName(folderfield::Cc).AsLines();
  Message.Attach = Table.FieldByName(folderfield::Attach).AsLines();
  if (HasField(Table, inboxfield::MessageId)) Message.MessageId = Table.FieldByName(inboxfield::MessageId).AsString();
  if (HasField(Table, outboxfield::InReplyTo))
    Message.InReplyTo = Table.FieldByName(outboxfield::InReplyTo).AsString();
  Message.References = Table.FieldByName(folderfield::References).AsString();
  if (HasField(Table, inboxfield::BodyType)) {
    const std::string Type = Table.FieldByName(inboxfield::BodyType).AsString();
    // A row stored before the type was kept: a received body is looked at,
    // an Outbox message's (in the Trashcan) is plain text as typed.
    const bool FromOutbox = Message.From == NoSenderName && Message.Email == NoSenderName;
    Message.Html = !Type.empty() ? Type == HtmlBodyType : !FromOutbox && LooksLikeHtml(Message.Data);
  }
  return Message;
}

TStringList ReadableBody(const TStoredMessage& Message) {
  if (!Message.Html) return Message.Data;
  std::string Html;
  for (const std::string& Line : Message.Data) Html += Line + '\n';
  return HtmlToText(Html);
}
