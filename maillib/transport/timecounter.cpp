#include "timecounter.h"

namespace {
constexpr auto TickPeriod = std::chrono::seconds(1);
}

void TTimeCounter::Start() {
  FRemaining = TimeOut;
  FRunning = true;
  FNextTick = Clock::now() + TickPeriod;
}

void TTimeCounter::Stop() {
  Tick();
  FRunning = false;
}

int TTimeCounter::Remaining() {
  Tick();
  return FRemaining;
}

bool TTimeCounter::TimedOut() {
  Tick();
  return FTimedOut;
}

void TTimeCounter::Tick() {
  if (!FRunning) return;
  const auto Now = Clock::now();
  while (Now >= FNextTick) {
    FNextTick += TickPeriod;
    if (--FRemaining <= 0) FTimedOut = true;
  }
}
