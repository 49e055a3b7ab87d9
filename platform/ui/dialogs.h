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
  // An information box with its own caption.
  std::function<void(const std::string& Text, const std::string& Caption)> ShowInformation;
  // The standard box for an error that ended a command.
  std::function<void(const std::string& Text)> ShowError;
  // The file dialog for opening one file. Filter lists description and
  // pattern pairs separated by "|" ("All Files (*.*)|*.*"). Returns the full
  // path of the chosen file, or an empty text when the user cancelled.
  std::function<std::string(const std::string& Filter)> OpenFileName;
};

// The hooks in force; tests assign their own functions and restore the defaults.
TDialogHooks& Hooks();
// The hooks that show real Qt dialogs.
TDialogHooks DefaultHooks();

inline void ShowMessage(const std::string& Text) { Hooks().ShowMessage(Text); }
inline void ShowInformation(const std::string& Text, const std::string& Caption) {
  Hooks().ShowInformation(Text, Caption);
}
inline void ShowError(const std::string& Text) { Hooks().ShowError(Text); }
inline std::string OpenFileName(const std::string& Filter) { return Hooks().OpenFileName(Filter); }

// A filter of description and pattern pairs separated by "|" in the form the
// Qt file dialogs take. "*.*" means every file, also those without a dot.
std::string QtFileFilter(const std::string& Filter);

}  // namespace ui
