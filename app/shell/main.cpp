#include <algorithm>

#include "app/mail/mailtolink.h"
#include "app/settings/keyringpasswords.h"
#include "app/shell/Unit1.h"
#include "app/shell/application.h"
#include "app/shell/installation.h"
#include "app/shell/singleinstance.h"
#include "platform/table/database.h"
#include "platform/ui/dialogs.h"

int main(int argc, char* argv[]) {
  TApplication App(argc, argv);
  // Passwords go to the desktop's keyring when one answers, else stay in the store.
  settings::SetPasswordStore(std::make_shared<settings::TKeyringPasswords>());

  try {
    // The store, the settings and the single-instance key all follow the data
    // directory, whatever directory the program was started from.
    const std::filesystem::path DataDir = installation::EnterDataDirectory();
    // The desktop starts the program with a mailto: link to compose (Exec=corvalen %u).
    const QStringList Arguments = App.arguments().mid(1);
    const auto Link = std::find_if(Arguments.begin(), Arguments.end(),
                                   [](const QString& Argument) { return IsMailtoLink(Argument.toStdString()); });
    const QString MailtoLink = Link == Arguments.end() ? QString() : *Link;
    TSingleInstance Instance(TSingleInstance::DefaultKey());
    if (StepBackForRunningInstance(Instance, MailtoLink)) return 0;

    installation::InstallIfMissing(DataDir);
    TDatabase Database(installation::DatabaseFileName);
    TForm1 MainWindow(Database);
    QObject::connect(&Instance, &TSingleInstance::RaiseRequested, &MainWindow, &TForm1::BringToFront);
    QObject::connect(&Instance, &TSingleInstance::LinkRequested, &MainWindow, [&MainWindow](const QString& Link) {
      MainWindow.BringToFront();
      MainWindow.OpenMailtoLink(Link);
    });
    MainWindow.showMaximized();
    if (!MailtoLink.isEmpty()) MainWindow.OpenMailtoLink(MailtoLink);
    return App.exec();
  } catch (const std::exception& Error) {
    ui::ShowError(Error.what());
    return 1;
  }
}
