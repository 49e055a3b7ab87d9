#pragma once

#include <ctime>
#include <string>

#include "platform/runtime/stringlist.h"
#include "storedmessage.h"

// The plain text a message is saved or printed as: a short header block for
// its folder, then the lines of its body.

// What the text is made for; it decides the title line.
enum class TOutputKind { SavedFile, Print };

// The moment a text is made, as its title line shows it: the date and the
// time of day, "yyyy-MM-dd HH:mm:ss" in local time.
std::string StampText(std::time_t Time);

// The To or Cc value of an address list: its first line, followed by " >"
// when more lines follow; empty for an empty list.
std::string FirstAddressValue(const TStringList& Addresses);

// The text of Message, a message of Folder, made at Stamp: the title line,
// "From:" and "Subject:" for received messages, or "To:", "Cc:" and
// "Subject:" for outgoing ones (also a Trashcan message whose sender is
// "--", which came from the Outbox), a rule of 32 hyphens, then the body
// (the readable text of an HTML body).
TStringList OutputLines(TFolderKind Folder, const TStoredMessage& Message, TOutputKind Kind,
                        const std::string& Stamp);

// The bytes of a saved text file: every line ended by CR LF.
std::string TextFileBytes(const TStringList& Lines);

// The file name the save dialog proposes for a message: its subject, without
// path separators, control characters, surrounding blanks or leading dots,
// so the proposal always names a file in the dialog's own directory.
std::string ProposedFileName(const std::string& Subject);

// The path a text file is written to: Path, with ".txt" added when its file
// name has no extension.
std::string TextFilePath(const std::string& Path);
