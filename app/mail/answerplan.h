#pragma once

#include <string>

#include "openplan.h"
#include "storedmessage.h"

// The three ways of answering or passing on a received message.
enum class TAnswer { ReplyToWriter, ReplyToAll, Forward };

// Where the command was given: the Message menu, or the toolbar (the Reply
// button's drop-down and the Forward button). The menu's Forward Mail locks
// the CC box and the subject; the toolbar's Forward leaves everything editable.
enum class TAnswerEntry { Menu, Toolbar };

// The composer's content for answering Source, an Inbox message: the address
// boxes, the send caption, the subject unchanged (no prefix), the window
// titled with the bare subject, and the source body under two blank lines
// and a rule. The attachment list starts empty.
TMessageWindowFill PlanAnswer(TAnswer Answer, TAnswerEntry Entry, const TStoredMessage& Source);

// The box shown when Answer is given while the Inbox is not the active view,
// and the caption of that box and of the "No Messages Selected" box.
std::string WrongFolderText(TAnswer Answer);
std::string AnswerRefusedCaption(TAnswer Answer);
