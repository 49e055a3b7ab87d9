#include "app/shell/Unit1.h"
#include "app/shell/application.h"
#include "app/shell/installation.h"
#include "app/shell/singleinstance.h"
#include "platform/table/database.h"
#include "platform/ui/dialogs.h"

int main(int argc, char* argv[]) {
  TApplication App(argc, argv);

  try {
    // The store, the settings and the single-instance key all follow the data
    // directory, whatever directory the program was started from.
    const std::filesystem::path DataDir = installation::EnterDataDirectory();
    TSingleInstance Instance(TSingleInstance::DefaultKey());
    if (StepBackForRunningInstance(Instance)) return 0;

    installation::InstallIfMissing(DataDir);
    TDatabase Database(installation::DatabaseFileName);
    TForm1 MainWindow(Database);
    QObject::connect(&Instance, &TSingleInstance::RaiseRequested, &MainWindow, [&MainWindow] {
      MainWindow.showNormal();
      MainWindow.showMaximized();
      MainWindow.raise();
      MainWindow.activateWindow();
    });
    MainWindow.showMaximized();
    return App.exec();
  } catch (const std::exception& Error) {
    ui::ShowError(Error.what());
    return 1;
  }
}
