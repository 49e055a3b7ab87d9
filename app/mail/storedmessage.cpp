#include "storedmessage.h"

#include <algorithm>

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
  Message.Subject = Table.FieldByName("SUBJECT").AsString();
  if (HasField(Table, "FROM")) Message.From = Table.FieldByName("FROM").AsString();
  if (HasField(Table, "EMAIL")) Message.Email = Table.FieldByName("EMAIL").AsString();
  Message.Date = Table.FieldByName("DATE").AsString();
  Message.Data = Table.FieldByName("DATA").AsLines();
  Message.Recpt = Table.FieldByName("RECPT").AsLines();
  Message.Cc = Table.FieldByName("CC").AsLines();
  Message.Attach = Table.FieldByName("ATTACH").AsLines();
  if (HasField(Table, "MESSAGEID")) Message.MessageId = Table.FieldByName("MESSAGEID").AsString();
  if (HasField(Table, "INREPLYTO")) Message.InReplyTo = Table.FieldByName("INREPLYTO").AsString();
  Message.References = Table.FieldByName("REFERENCES").AsString();
  if (HasField(Table, "BODYTYPE")) {
    const std::string Type = Table.FieldByName("BODYTYPE").AsString();
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
