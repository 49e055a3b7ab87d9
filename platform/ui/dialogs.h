#pragma once

#include <functional>
#include <string>

class QWidget;

// The message boxes and common dialogs the application shows. Each goes
// through a replaceable function, so tests can answer them without a user.
namespace ui {

enum class TMsgDlgType { mtInformation, mtWarning, mtError, mtConfirmation };

struct TDialogHooks {
  // A plain message box with an OK button.
  std::function<void(const std::string& Text)> ShowMessage;
  // The standard box for an error that ended a command.
  std::function<void(const std::string& Text)> ShowError;
};

// The hooks in force; tests assign their own functions and restore the defaults.
TDialogHooks& Hooks();
// The hooks that show real Qt dialogs.
TDialogHooks DefaultHooks();

inline void ShowMessage(const std::string& Text) { Hooks().ShowMessage(Text); }
inline void ShowError(const std::string& Text) { Hooks().ShowError(Text); }

}  // namespace ui
