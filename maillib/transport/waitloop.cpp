#include "waitloop.h"

#include <chrono>
#include <thread>

#include "platform/runtime/processmessages.h"
#include "timecounter.h"

void WaitUntil(TTimeCounter& Counter, const bool& Stop, const std::function<bool()>& Done,
               const std::function<void()>& Turn) {
  Counter.Start();
  while (!Done() && !Stop && !Counter.TimedOut()) Turn();
  Counter.Stop();
}

void IdleTurn() {
  std::this_thread::sleep_for(std::chrono::milliseconds(WaitSliceMs));
  ProcessMessages();
}
