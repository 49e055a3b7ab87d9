#pragma once

#include <string>
#include <string_view>

#include "platform/runtime/stringlist.h"

// The message ids that let a reader's program thread an answer under the
// message it answers (RFC 5322, 3.6.4).

// The ids of a stored message: its own Message-ID and the ids it answers,
// each id in angle brackets, several separated by one blank.
struct TThreadIds {
  std::string MessageId;
  std::string References;
};

// Longer ids are not message ids a mailer writes; they would only bend the
// header lines they go into.
inline constexpr std::size_t MaxMessageIdLength = 250;

// The ids ("<left@right>") in a header value, in order. Text outside angle
// brackets (comments, stray words) is skipped; an id with blanks, control
// characters or more than MaxMessageIdLength characters is dropped.
TStringList MessageIds(std::string_view Value);

// What a received message's header lines say about its thread: its first
// Message-ID id, and the ids of its References, or without them the id of
// an In-Reply-To that names exactly one.
TThreadIds ReceivedThreadIds(const TStringList& Headers);

// The threading headers of an answer: In-Reply-To, the answered message's
// id; References, its references, then its id.
struct TAnswerIds {
  std::string InReplyTo;
  std::string References;
};

// The ids of an answer to Source; both empty when Source has no id of its own.
TAnswerIds AnswerThreadIds(const TThreadIds& Source);

// Adds In-Reply-To and References header lines for an answer, each only
// when it has an id; References is folded, one id a line.
void AddThreadHeaders(TStringList& Headers, const std::string& InReplyTo, const std::string& References);
