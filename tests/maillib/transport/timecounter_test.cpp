#include "maillib/transport/timecounter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace std::chrono_literals;

// These wait real seconds: the counter has a one-second resolution by design.
TEST(TimeCounter, CountsDownWholeSecondsAndLatchesTimedOut) {
  TTimeCounter C;
  C.TimeOut = 2;
  EXPECT_FALSE(C.TimedOut());
  C.Start();
  EXPECT_EQ(C.Remaining(), 2);
  std::this_thread::sleep_for(1100ms);
  EXPECT_EQ(C.Remaining(), 1);
  EXPECT_FALSE(C.TimedOut());
  std::this_thread::sleep_for(1000ms);
  EXPECT_TRUE(C.TimedOut());
  // A new start reloads Remaining, but only the owner clears TimedOut.
  C.Start();
  EXPECT_EQ(C.Remaining(), 2);
  EXPECT_TRUE(C.TimedOut());
  C.SetTimedOut(false);
  EXPECT_FALSE(C.TimedOut());
}

TEST(TimeCounter, ZeroTimeOutStillWaitsForTheFirstTick) {
  TTimeCounter C;
  C.TimeOut = 0;
  C.Start();
  std::this_thread::sleep_for(500ms);
  EXPECT_FALSE(C.TimedOut());
  std::this_thread::sleep_for(600ms);
  EXPECT_TRUE(C.TimedOut());
}

TEST(TimeCounter, StoppedCounterDoesNotTick) {
  TTimeCounter C;
  C.TimeOut = 1;
  C.Start();
  C.Stop();
  std::this_thread::sleep_for(1100ms);
  EXPECT_FALSE(C.TimedOut());
  EXPECT_EQ(C.Remaining(), 1);
}
