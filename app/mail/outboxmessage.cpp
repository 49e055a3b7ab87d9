#include "outboxmessage.h"

#include "app/settings/settingsfiles.h"
#include "maillib/message/msgtypes.h"
#include "maillib/message/nbmsg.h"
#include "platform/table/table.h"

void FillOutgoingMessage(TTable& Outbox, const TStringList& Settings, TnbMessage& Message) {
  Message.Clear();
  Message.Attachments().Clear();
  Message.Recipients().Clear();
  Message.CC().Clear();
  Message.SetSubject(Outbox.FieldByName("SUBJECT").AsString());

  // Mail goes to the To lines alone when there are any; CC lines only stand in.
  const TStringList Recipients = Outbox.FieldByName("RECPT").AsLines();
  if (!Recipients.empty()) {
    for (const std::string& Address : Recipients) Message.Recipients().AddAddress(Address, "");
  } else {
    for (const std::string& Address : Outbox.FieldByName("CC").AsLines()) Message.CC().AddAddress(Address, "");
  }
  Message.Body() = Outbox.FieldByName("DATA").AsLines();
  Message.Sender().SetAddress(ShortString(StringAt(Settings, settings::clEmail)));
  Message.Sender().SetName(ShortString(StringAt(Settings, settings::clName)));
  for (const std::string& Path : Outbox.FieldByName("ATTACH").AsLines()) Message.Attachments().AddFile(Path);
  Message.CheckRequired();
}
