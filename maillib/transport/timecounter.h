#pragma once

#include <chrono>

// A countdown in whole seconds that gives network waits their time-out. It
// ticks once a second while running; the tick that brings Remaining to zero
// or below sets TimedOut, which stays set until the owner clears it.
class TTimeCounter {
public:
  // Remaining := TimeOut and a new one-second period begins; TimedOut is kept.
  void Start();
  void Stop();

  int Remaining();
  bool TimedOut();
  void SetTimedOut(bool Value) { FTimedOut = Value; }

  // Seconds; the owning component's TimeOut reads and writes this.
  int TimeOut = 60;

private:
  using Clock = std::chrono::steady_clock;

  // Applies the ticks that have passed since the last look.
  void Tick();

  bool FRunning = false;
  bool FTimedOut = false;
  int FRemaining = 0;
  Clock::time_point FNextTick;
};
