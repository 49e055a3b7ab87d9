#pragma once

#include <string>
#include <string_view>

#include "platform/runtime/stringlist.h"

class TTable;

// What the composer holds when its message is put into the Outbox.
struct TComposedMessage {
  std::string Subject;
  TStringList Recipients;
  TStringList CarbonCopies;
  TStringList Body;
  // Full paths of the files to attach, in list order.
  TStringList Attachments;
  // An answer's threading headers; empty for other messages.
  std::string InReplyTo;
  std::string References;
};

// The values of a new Outbox row, as Send Mail later reads them.
struct TOutboxRow {
  std::string Subject;
  TStringList Recpt;
  TStringList Cc;
  std::string Date;
  TStringList Data;
  TStringList Attach;
  std::string InReplyTo;
  std::string References;
};

// The subject stored for a message sent without one.
inline constexpr const char* NoOutgoingSubject = "--";

// The lines of a multi-line text box: split at line feeds (a CR before one
// goes with it); a final line break does not start another line.
TStringList TextLines(std::string_view Text);

// The addresses of an address box, one a line: each line without the blanks
// around it, blank lines left out, so that no empty address is ever queued.
TStringList AddressLines(std::string_view Text);

// A message can go to the Outbox only with at least one To address; carbon
// copies alone are not enough.
bool HasRecipient(const TComposedMessage& Message);

// The Outbox row for Message queued at the date-time text Date. An empty
// subject is stored as "--".
TOutboxRow BuildOutboxRow(const TComposedMessage& Message, const std::string& Date);

// Sets the fields of the Outbox row being inserted or edited, STATE false
// (waiting to be sent). The caller appends and posts.
void WriteOutboxRow(TTable& Outbox, const TOutboxRow& Row);
