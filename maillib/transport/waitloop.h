#pragma once

#include <functional>

class TTimeCounter;

// The one shape of every network wait in the library (socket steps, dial-up):
// start the time counter, then repeat one turn (poll for at most a few
// milliseconds and let the user interface run) until the wait's condition
// holds, Stop is set (the user cancelled) or the counter times out; finally
// stop the counter. The caller tests its flags afterwards, in its own order.
void WaitUntil(TTimeCounter& Counter, const bool& Stop, const std::function<bool()>& Done,
               const std::function<void()>& Turn);

// A turn for waits that watch no socket: sleeps one slice, then lets the
// interface run.
void IdleTurn();

// How long one turn of a wait may block before the interface runs again.
inline constexpr int WaitSliceMs = 5;
