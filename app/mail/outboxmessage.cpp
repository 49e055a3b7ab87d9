#include "outboxmessage.h"

#include "app/settings/settingsfiles.h"
#include "app/mail/threadids.h"
#include "maillib/message/msgtypes.h"
#include "maillib/message/nbmsg.h"
#include "storedmessage.h"

void FillOutgoingMessage(TTable& Outbox, const TStringList& Settings, TnbMessage& Message) {
  Message.Clear();
  Message.Attachments().Clear();
  Message.Recipients().Clear();
  Message.CC().Clear();
  const TStoredMessage Row = ReadStoredMessage(Outbox);
  Message.SetSubject(Row.Subject);

  // Every address the user wrote gets the message: the CC lines too, also
  // when there are To lines.
  for (const std::string& Address : Row.Recpt) Message.Recipients().AddAddress(Address, "");
  for (const std::string& Address : Row.Cc) Message.CC().AddAddress(Address, "");
  Message.Body() = Row.Data;
  Message.Sender().SetAddress(ShortString(StringAt(Settings, settings::clEmail)));
  Message.Sender().SetName(ShortString(StringAt(Settings, settings::clName)));
  for (const std::string& Path : Row.Attach) Message.Attachments().AddFile(Path);
  AddThreadHeaders(Message.Headers(), Row.InReplyTo, Row.References);
  Message.CheckRequired();
}
