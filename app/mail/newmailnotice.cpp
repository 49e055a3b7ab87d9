#include "newmailnotice.h"

TNewMailNotice NewMailNotice(std::size_t Count, const std::vector<TStoredMessage>& Listed) {
  TNewMailNotice Notice;
  Notice.Summary = std::to_string(Count) + (Count == 1 ? " new message" : " new messages");
  std::size_t Named = 0;
  for (const TStoredMessage& Message : Listed) {
    if (Named == NoticeListedMessages) break;
    // A sender without a name is named by address.
    const std::string& Sender = Message.From.empty() || Message.From == NoSenderName ? Message.Email : Message.From;
    Notice.Body += (Named++ ? "\n" : "") + Sender + ": " + Message.Subject;
  }
  if (Count > Named) Notice.Body += std::string(Named ? "\n" : "") + "and " + std::to_string(Count - Named) + " more";
  return Notice;
}
