#pragma once

#include <gtest/gtest.h>

#include <QWidget>

// A control, command or child window of Window by its object name, as
// assistive tools reach it: only objects that belong to Window itself count,
// not those of a dialog it owns that reuses the name. Fails the test when
// there is none.
template <class T>
T* Child(const QWidget& Window, const char* Name) {
  for (QObject* Found : Window.findChildren<QObject*>(QString::fromLatin1(Name))) {
    QObject* Up = Found->parent();
    while (Up && !Up->isWidgetType()) Up = Up->parent();
    if (!Up || static_cast<QWidget*>(Up)->window() != &Window) continue;
    if (auto* Typed = dynamic_cast<T*>(Found)) return Typed;
  }
  ADD_FAILURE() << "no " << Name << " in " << Window.objectName().toStdString();
  return nullptr;
}
