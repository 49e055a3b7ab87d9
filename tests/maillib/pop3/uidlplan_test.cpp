// What a fetch does with each message given the ids it stored before.
#include "maillib/pop3/uidlplan.h"

#include <gtest/gtest.h>

namespace {

std::string Describe(const TUidlPlan& Plan) {
  std::string Text;
  for (const TPop3Task& Task : Plan.Tasks)
    Text += std::to_string(Task.Num) + (Task.Retrieve ? "R" : "") + (Task.Delete ? "D" : "") + " ";
  for (const std::string& Id : Plan.Forgotten) Text += "-" + Id + " ";
  return Text;
}

TEST(UidlPlan, KnownIdsAreSkippedOrOnlyDeletedAndUntrustedOnesAlwaysRetrieved) {
  const std::vector<std::string> Ids = {"a", "", "c", ""};
  const std::set<std::string> Known = {"a", "gone"};
  EXPECT_EQ(Describe(PlanTransfer(4, Ids, Known, true)), "1R 2R 3R -gone ");
  EXPECT_EQ(Describe(PlanTransfer(4, Ids, Known, false)), "0D 1RD 2RD 3RD -gone ");
  // A server without UIDL: every message, and nothing known is forgotten.
  EXPECT_EQ(Describe(PlanTransfer(2, {}, Known, true)), "0R 1R ");
}

}  // namespace
