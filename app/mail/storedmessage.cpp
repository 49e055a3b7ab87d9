#include "storedmessage.h"

#include <algorithm>

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
  return Message;
}
