#include "processmessages.h"

#include <chrono>

namespace {

// Often enough that the user sees no lag, seldom enough to cost nothing.
constexpr auto PumpInterval = std::chrono::milliseconds(5);

std::function<void()>& Pump() {
  static std::function<void()> Instance;
  return Instance;
}

}  // namespace

void SetMessagePump(std::function<void()> NewPump) { Pump() = std::move(NewPump); }

void ProcessMessages() {
  static std::chrono::steady_clock::time_point Last;
  if (!Pump()) return;
  const auto Now = std::chrono::steady_clock::now();
  if (Now - Last < PumpInterval) return;
  Last = Now;
  Pump()();
}
