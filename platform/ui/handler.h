#pragma once

#include <QCoreApplication>
#include <QMetaObject>

#include <exception>
#include <string>
#include <utility>

#include "dialogs.h"

namespace ui {

// When the error of a handler is shown: at once, or once control is back in
// the event loop. Handlers that run inside the toolkit's show code need the
// latter: a modal box there runs an event loop while the toolkit still walks
// the widgets being shown, and may leave it holding widgets that are gone.
enum class TReport { Now, Later };

// Runs one event handler (a command, a show or activation handler, a slot).
// An error it raises ends the handler and is shown in the standard error box,
// so it never unwinds through the toolkit's code, which does not pass
// exceptions on safely: the program shows the error and carries on.
template <class F>
void RunHandler(F&& Handler, TReport When = TReport::Now) noexcept {
  std::string Error;
  try {
    std::forward<F>(Handler)();
    return;
  } catch (const std::exception& E) {
    Error = E.what();
  } catch (...) {
    Error = "Unknown error";
  }
  if (When == TReport::Now)
    ShowError(Error);
  else
    QMetaObject::invokeMethod(QCoreApplication::instance(), [Error] { ShowError(Error); }, Qt::QueuedConnection);
}

// A handler that takes no arguments, wrapped as a slot for connect(): the
// slot runs it through RunHandler and ignores the signal's arguments.
template <class F>
auto Guarded(F Handler) {
  return [Handler = std::move(Handler)] { RunHandler(Handler); };
}

}  // namespace ui
