#include "outboxmessage.h"

#include "app/settings/settingsfiles.h"
#include "app/mail/threadids.h"
#include "maillib/message/msgtypes.h"
#include "maillib/message/nbmsg.h"
#include "platform/table/table.h"

void FillOutgoingMessage(TTable& Outbox, const TStringList& Settings, TnbMessage& Message) {
  Message.Clear();
  Message.Attachments().Clear();
  Message.Recipients().Clear();
  Message.CC().Clear();
  Message.SetSubject(Outbox.FieldByName("SUBJECT").AsString());

  // Every address the user wrote gets the message: the CC lines too, also
  // when there are To lines.
  for (const std::string& Address : Outbox.FieldByName("RECPT").AsLines()) Message.Recipients().AddAddress(Address, "");
  for (const std::string& Address : Outbox.FieldByName("CC").AsLines()) Message.CC().AddAddress(Address, "");
  Message.Body() = Outbox.FieldByName("DATA").AsLines();
  Message.Sender().SetAddress(ShortString(StringAt(Settings, settings::clEmail)));
  Message.Sender().SetName(ShortString(StringAt(Settings, settings::clName)));
  for (const std::string& Path : Outbox.FieldByName("ATTACH").AsLines()) Message.Attachments().AddFile(Path);
  AddThreadHeaders(Message.Headers(), Outbox.FieldByName("INREPLYTO").AsString(),
                   Outbox.FieldByName("REFERENCES").AsString());
  Message.CheckRequired();
}
