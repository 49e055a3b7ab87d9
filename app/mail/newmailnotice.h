#pragma once

#include <string>
#include <vector>

#include "app/mail/storedmessage.h"

// The desktop notification that says mail came: a summary with the count and
// a body naming the first messages, one a line as "sender: subject".
struct TNewMailNotice {
  std::string Summary;
  std::string Body;
};

// How many messages the body names; the others are counted beneath them.
inline constexpr std::size_t NoticeListedMessages = 3;

// The notice for Count new messages, of which Listed are the first ones stored.
TNewMailNotice NewMailNotice(std::size_t Count, const std::vector<TStoredMessage>& Listed);
