#include "dialogs.h"

#include <QApplication>
#include <QMessageBox>

namespace ui {

namespace {
QString Caption() { return QApplication::applicationDisplayName(); }
}  // namespace

TDialogHooks DefaultHooks() {
  TDialogHooks Hooks;
  Hooks.ShowMessage = [](const std::string& Text) {
    QMessageBox::information(QApplication::activeWindow(), Caption(), QString::fromStdString(Text));
  };
  Hooks.ShowError = [](const std::string& Text) {
    QMessageBox::critical(QApplication::activeWindow(), Caption(), QString::fromStdString(Text));
  };
  return Hooks;
}

TDialogHooks& Hooks() {
  static TDialogHooks Current = DefaultHooks();
  return Current;
}

}  // namespace ui
