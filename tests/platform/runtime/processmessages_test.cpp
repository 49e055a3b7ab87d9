#include "platform/runtime/processmessages.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

TEST(ProcessMessages, PumpRunsAtMostEveryFewMilliseconds) {
  int Pumps = 0;
  SetMessagePump([&] { ++Pumps; });
  const auto Start = std::chrono::steady_clock::now();
  long Calls = 0;
  while (std::chrono::steady_clock::now() - Start < std::chrono::milliseconds(200)) {
    ProcessMessages();
    ++Calls;
  }
  SetMessagePump(nullptr);
  // 200 ms at one pump per 5 ms or more: at most about 40, and some at all.
  EXPECT_GE(Pumps, 10);
  EXPECT_LE(Pumps, 45);
  EXPECT_GT(Calls, 10 * Pumps);
  // A removed pump is not called again, however long since the last one.
  const int Before = Pumps;
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ProcessMessages();
  EXPECT_EQ(Pumps, Before);
}
