#pragma once

#include <string>

#include "platform/runtime/stringlist.h"

class TTable;

// The three mail folders.
enum class TFolderKind { Inbox, Outbox, Trashcan };

// The sender name that marks a Trashcan row which came from the Outbox (and
// an Inbox message whose sender gave no name).
inline constexpr const char* NoSenderName = "--";

// One stored message of a mail folder, as the message windows show it. The
// Outbox has no sender fields; they stay empty for its rows.
struct TStoredMessage {
  std::string Subject;
  std::string From;
  std::string Email;
  std::string Date;
  TStringList Data;
  TStringList Recpt;
  TStringList Cc;
  TStringList Attach;
  // A received message's own id and the ids it answers; an Outbox answer's
  // threading headers (References is shared by both kinds of row).
  std::string MessageId;
  std::string InReplyTo;
  std::string References;
  // DATA is an HTML document (a received message without a plain text).
  bool Html = false;
};

// The current row of a folder table.
TStoredMessage ReadStoredMessage(TTable& Table);

// The body of Message as people read it: its lines, or the readable text of
// an HTML body.
TStringList ReadableBody(const TStoredMessage& Message);
