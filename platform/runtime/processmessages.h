#pragma once

#include <functional>

// Lets the user interface handle its pending events while mail work waits on
// the same thread. The pump itself runs at most once every few milliseconds,
// so callers may call this as often as they like (once per line, say).
void ProcessMessages();

// Installs the pump that ProcessMessages runs; an empty function (the default)
// makes it a no-op, which is what headless code wants.
void SetMessagePump(std::function<void()> Pump);
