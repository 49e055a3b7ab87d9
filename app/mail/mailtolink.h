#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/mail/openplan.h"
#include "platform/runtime/stringlist.h"

// What a mailto: link (RFC 6068) asks the composer to hold. Every text is
// valid UTF-8 and no field holds a line break, so nothing in a link can add
// a header to the message: addresses are one a line, the body is split into
// its lines, and a line break in the subject becomes a space.
struct TMailtoLink {
  TStringList To;
  TStringList Cc;
  std::string Subject;
  TStringList Body;
};

// True when Text starts with the mailto: scheme (in any case).
bool IsMailtoLink(std::string_view Text);

// Reads Link: the addresses of its path and of its to= fields, its cc=
// fields, the first subject= and body=, all percent-decoded. Other fields
// (bcc, attach, in-reply-to and the unknown ones) are ignored, so a link can
// never attach a local file. nullopt when Link is not a mailto: link.
std::optional<TMailtoLink> ParseMailtoLink(std::string_view Link);

// The composer filled in for a new message as Link asks for it.
TMessageWindowFill PlanMailto(const TMailtoLink& Link);
