#pragma once

#include <iosfwd>
#include <string_view>

class TnbMessage;

// The message model as JSON, the form `mailtool` reads and writes:
//
//   { "sender": {"name": "...", "address": "..."},
//     "recipients": [{"name": "...", "address": "..."}, ...],
//     "cc": [...], "bcc": [...],
//     "subject": "...", "priority": "low" | "normal" | "high",
//     "returnReceipt": false,
//     "charset": "us-ascii" | "iso-8859-1" | "iso-2022-jp",
//     "contentType": "text/plain", "encoding": "mime" | "uu",
//     "body": ["line", ...],
//     "attachments": [{"fileName": "...", "contentType": "...",
//                      "transferEncoding": "7bit" | "base64" | "quoted-printable",
//                      "size": 123, "sha256": "..."}, ...] }
//
// Written attachments describe their bytes by size and SHA-256. Read
// attachments carry them: "data" holds the bytes in base64, and without it
// the bytes come from the file "fileName" names.

// Writes Message as one JSON object followed by a line feed. Text that is not
// valid UTF-8 is written with U+FFFD in place of the bytes that cannot be read.
// (Not const: the message works out its content type when asked.)
// OneLine writes it on a single line.
void WriteMessageJson(TnbMessage& Message, std::ostream& Out, bool OneLine = false);

// Writes {"error": Text} on one line.
void WriteErrorJson(std::string_view Text, std::ostream& Out);

// Fills Message from the JSON object in Json; members left out keep their
// values. Raises Exception naming the member or position that is wrong.
void ReadMessageJson(std::string_view Json, TnbMessage& Message);
