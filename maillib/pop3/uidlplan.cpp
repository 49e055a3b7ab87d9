#include "uidlplan.h"

TUidlPlan PlanTransfer(int MessageCount, const std::vector<std::string>& Ids, const std::set<std::string>& Known,
                       bool LeaveOnServer) {
  TUidlPlan Plan;
  const bool HaveIds = static_cast<int>(Ids.size()) == MessageCount;
  std::set<std::string> Listed;
  for (int Num = 0; Num < MessageCount; ++Num) {
    const std::string* Id = HaveIds && !Ids[Num].empty() ? &Ids[Num] : nullptr;
    if (Id) Listed.insert(*Id);
    const bool Stored = Id && Known.contains(*Id);
    if (Stored && LeaveOnServer) continue;
    Plan.Tasks.push_back({Num, !Stored, !LeaveOnServer});
  }
  // Without ids nothing can be said about the known ones.
  if (HaveIds)
    for (const std::string& Id : Known)
      if (!Listed.contains(Id)) Plan.Forgotten.insert(Id);
  return Plan;
}
