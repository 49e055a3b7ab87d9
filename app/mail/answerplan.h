#pragma once

#include <string>

#include "openplan.h"
#include "storedmessage.h"

// The three ways of answering or passing on a received message.
enum class TAnswer { ReplyToWriter, ReplyToAll, Forward };

// Where the command was given: the Message menu, or the toolbar (the Reply
// button's drop-down and the Forward button). The menu's Forward Mail locks
// the CC box; the toolbar's Forward leaves everything editable.
enum class TAnswerEntry { Menu, Toolbar };

// The subject of a reply: "Re: " and Subject, unless Subject already begins
// with "Re:" or "AW:" in any case. Of a forward: "Fwd: " and Subject, unless
// it begins with "Fwd:" or "Fw:".
std::string ReplySubject(const std::string& Subject);
std::string ForwardSubject(const std::string& Subject);

// Who a Reply to All goes to: the source's recipients, then its sender; its
// CC lines as copies. The user's own address (OwnAddress), a repeated
// address (compared without regard to case) and empty ones are left out.
struct TAnswerAddresses {
  TStringList To;
  TStringList Cc;
};
TAnswerAddresses ReplyToAllAddresses(const TStoredMessage& Source, const std::string& OwnAddress);

// The composer's content for answering Source, an Inbox message, as the user
// whose address is OwnAddress: the address boxes, the send caption, the
// subject with its "Re: " or "Fwd: ", the window titled with that subject,
// and the source body under two blank lines, a rule and the line "On DATE,
// NAME wrote:". A reply starts without attachments and carries the
// threading ids; a forward carries the source's saved files.
TMessageWindowFill PlanAnswer(TAnswer Answer, TAnswerEntry Entry, const TStoredMessage& Source,
                              const std::string& OwnAddress);

// The box shown when Answer is given while the Inbox is not the active view,
// and the caption of that box and of the "No Messages Selected" box.
std::string WrongFolderText(TAnswer Answer);
std::string AnswerRefusedCaption(TAnswer Answer);
