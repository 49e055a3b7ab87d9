#include "application.h"

#include <QIcon>

#include "maillib/addressdlg/nbaddred.h"
#include "maillib/dialup/tkRasCmp.h"
#include "platform/runtime/processmessages.h"
#include "platform/ui/dialogs.h"

// The pictures are built into the app library.
static void LoadResources() { Q_INIT_RESOURCE(app); }

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  LoadResources();
  setApplicationName("Corvalen");
  setApplicationDisplayName("Corvalen Pro 98");
  setWindowIcon(QIcon(ProgramIcon));
  // Mail work waits on this thread; the pump keeps the windows alive meanwhile.
  SetMessagePump([] { QApplication::processEvents(); });
  // The mail library edits addresses through this dialog.
  InstallMailAddressEditor();
  // The dial-up component reports a refused entry name in a message box.
  TtkRas::MessageBoxHook = [](const std::string& Text) { ui::ShowMessage(Text); };
}

bool TApplication::notify(QObject* Receiver, QEvent* Event) {
  try {
    return QApplication::notify(Receiver, Event);
  } catch (const std::exception& Error) {
    ui::ShowError(Error.what());
  }
  return false;
}
