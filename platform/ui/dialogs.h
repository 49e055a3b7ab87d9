#pragma once

#include <functional>
#include <string>

class QPrinter;
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
  // An information box with its own caption (an information icon and OK).
  std::function<void(const std::string& Text, const std::string& Caption)> ShowInformation;
  // A question with Yes and No; true when the user answered Yes.
  std::function<bool(const std::string& Text)> Confirm;
  // The file dialog for opening one file. Filter lists description and
  // pattern pairs separated by "|" ("All Files (*.*)|*.*"). Returns the full
  // path of the chosen file, or an empty text when the user cancelled.
  std::function<std::string(const std::string& Filter)> OpenFileName;
  // The file dialog for saving one file, proposing FileName. Returns the full
  // path the user chose, or an empty text when the user cancelled.
  std::function<std::string(const std::string& Filter, const std::string& FileName)> SaveFileName;
  // The print dialog: the user picks the printer, the number of copies and
  // whether copies are collated, and the choices are set on Printer. False
  // when the user cancelled.
  std::function<bool(QPrinter& Printer)> PrintDialog;
  // Hands Url to the desktop's default application for it (a file: URL
  // opens that file, an http URL the browser); false when nothing took it.
  std::function<bool(const std::string& Url)> OpenUrl;
};

// The hooks in force; tests assign their own functions and restore the defaults.
TDialogHooks& Hooks();
// The hooks that show real Qt dialogs.
TDialogHooks DefaultHooks();

inline void ShowMessage(const std::string& Text) { Hooks().ShowMessage(Text); }
inline void ShowError(const std::string& Text) { Hooks().ShowError(Text); }
inline void ShowInformation(const std::string& Text, const std::string& Caption) {
  Hooks().ShowInformation(Text, Caption);
}
inline bool Confirm(const std::string& Text) { return Hooks().Confirm(Text); }
inline std::string OpenFileName(const std::string& Filter) { return Hooks().OpenFileName(Filter); }
inline std::string SaveFileName(const std::string& Filter, const std::string& FileName) {
  return Hooks().SaveFileName(Filter, FileName);
}
inline bool PrintDialog(QPrinter& Printer) { return Hooks().PrintDialog(Printer); }
inline bool OpenUrl(const std::string& Url) { return Hooks().OpenUrl(Url); }

// A filter of description and pattern pairs separated by "|" in the form the
// Qt file dialogs take. "*.*" means every file, also those without a dot.
std::string QtFileFilter(const std::string& Filter);

}  // namespace ui
