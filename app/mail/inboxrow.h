#pragma once

#include <string>

#include "platform/runtime/stringlist.h"

class TTable;
class TnbMessage;

// The subject and sender name that stand in for missing ones in the Inbox.
inline constexpr const char* NoSubject = "No Subject";

// The DATE text of a received message: its Date header (a trailing comment
// such as "(CEST)" dropped) as the sending moment in local time, as a
// date-time text, then a blank and Sequence, which keeps messages with the
// same Date apart. A Date that does not read gives the zero date, 1899-12-30.
std::string ReceivedDateText(const std::string& DateHeader, int Sequence);

// The moment a DATE text names: a received message's text without the blank
// and sequence number after it; other texts as they are.
std::string DateWithoutSequence(const std::string& DateText);

// Appends and posts the Inbox row of Message: subject ("No Subject" when it
// has none), sender name ("--" when none) and address, DateText, body, the
// To and CC addresses, the paths its attachments were saved under, unread,
// the ids a reply to it threads with and the media type of its body.
void WriteInboxRow(TTable& Inbox, TnbMessage& Message, const std::string& DateText, const TStringList& Attached);

// Where the received attachments Attached (full paths) can be found: their
// directory when they share one, else (none, or several places) Configured.
std::string SavedFilesDirectory(const TStringList& Attached, const std::string& Configured);
