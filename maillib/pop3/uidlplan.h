#pragma once

#include <set>
#include <string>
#include <vector>

#include "nbpop3.h"

// What a fetch does with each message of a mailbox, given the unique ids of
// the messages fetched from it before.
struct TUidlPlan {
  std::vector<TPop3Task> Tasks;
  // Known ids the server no longer lists: their messages are gone.
  std::set<std::string> Forgotten;
};

// Ids is what TnbCustomPOP::UniqueIds gave (empty for a server without
// UIDL), Known the ids stored earlier. A message whose id is known is not
// retrieved again: it is left alone, or only deleted unless LeaveOnServer. A
// message without a trustworthy id (empty entry) is always retrieved, as on
// a server without UIDL, and deleted after that unless LeaveOnServer.
TUidlPlan PlanTransfer(int MessageCount, const std::vector<std::string>& Ids, const std::set<std::string>& Known,
                       bool LeaveOnServer);
