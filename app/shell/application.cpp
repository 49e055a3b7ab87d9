#include "application.h"

#include <QIcon>

#include "maillib/addressdlg/nbaddred.h"
#include "maillib/dialup/tkRasCmp.h"
#include "platform/ras/nmrasapi.h"
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
  // Dial-up goes through NetworkManager when it runs on the system bus.
  SetRasApi(NetworkManagerRasApi());
}

// The dial-up service talks over this application's D-Bus connection: it goes first.
TApplication::~TApplication() { SetRasApi(nullptr); }

bool TApplication::notify(QObject* Receiver, QEvent* Event) {
  try {
    return QApplication::notify(Receiver, Event);
  } catch (const std::exception& Error) {
    ui::ShowError(Error.what());
  }
  return false;
}
