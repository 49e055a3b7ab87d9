#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

// Counts how often the event loop gets to run while mail work waits on the
// interface thread: a 1 ms timer ticks once per turn at most.
class TEventLoopMeter {
public:
  TEventLoopMeter() {
    QObject::connect(&FTicker, &QTimer::timeout, [this] {
      ++FTurns;
      FLongestGapMs = std::max(FLongestGapMs, FSinceLastTurn.restart());
    });
    FTicker.start(1);
    FClock.start();
    FSinceLastTurn.start();
  }
  // Seconds since the meter was made; the meter stops counting.
  double Stop() {
    FTicker.stop();
    FSeconds = FClock.nsecsElapsed() / 1e9;
    return FSeconds;
  }
  // Over the time until Stop.
  double TurnsPerSecond() const { return FTurns / FSeconds; }
  qint64 LongestGapMs() const { return FLongestGapMs; }

private:
  QTimer FTicker;
  QElapsedTimer FClock, FSinceLastTurn;
  long FTurns = 0;
  qint64 FLongestGapMs = 0;
  double FSeconds = 0;
};
