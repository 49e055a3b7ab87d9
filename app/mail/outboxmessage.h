#pragma once

#include "platform/runtime/stringlist.h"

class TTable;
class TnbMessage;

// Turns the Outbox row under Outbox's cursor into Message, ready for the SMTP
// client: subject, recipients (the To lines and the CC lines, each taken as
// it stands), body, the sender from the settings (name
// line 0, address line 2), every ATTACH file, read at once, and an answer's
// In-Reply-To and References header lines. Priority and
// return receipt stay as the settings made them. Raises the file error of an
// attachment that cannot be read, and EMessageError when the message has no
// sender address or no recipient.
void FillOutgoingMessage(TTable& Outbox, const TStringList& Settings, TnbMessage& Message);
