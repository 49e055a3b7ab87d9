#include "application.h"

#include <QIcon>

#include "maillib/addressdlg/nbaddred.h"
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
}

bool TApplication::notify(QObject* Receiver, QEvent* Event) {
  try {
    return QApplication::notify(Receiver, Event);
  } catch (const std::exception& Error) {
    ui::ShowError(Error.what());
  }
  return false;
}
