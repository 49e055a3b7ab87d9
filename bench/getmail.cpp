// Get Mail through the application against RetrieveAll of the library alone,
// on a POP3 mailbox filled by bench/getmail_vs_library.sh:
//
//   bench_getmail app PORT       the main window's Get Mail, messages deleted
//   bench_getmail library PORT   TnbPOP RetrieveAll, messages deleted
//
// The user is alice with the password secret. Prints the seconds; the app
// mode also prints how often the event loop ran and its longest pause.
#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <filesystem>

#include "app/settings/settingsfiles.h"
#include "eventloopmeter.h"
#include "app/shell/Unit1.h"
#include "app/shell/installation.h"
#include "app/store/mailtables.h"
#include "maillib/pop3/messagelist.h"
#include "maillib/pop3/nbpop3.h"
#include "platform/runtime/processmessages.h"
#include "platform/table/database.h"
#include "platform/ui/dialogs.h"

namespace {

double Library(const std::string& Server) {
  TnbPOP Pop;
  Pop.Server = Server;
  Pop.UserName = "alice";
  Pop.Password = "secret";
  Pop.SetWinsockLoaded(true);
  QElapsedTimer Clock;
  Clock.start();
  Pop.RetrieveAll(false);
  return Clock.nsecsElapsed() / 1e9;
}

double Application(const std::string& Server) {
  const auto Dir = std::filesystem::temp_directory_path() / ("corvalen-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(Dir);
  std::filesystem::current_path(Dir);
  installation::InstallIfMissing(Dir);
  std::filesystem::remove(Dir / "Corvalen.firstrun");
  TStringList Config = settings::DefaultConfig(Dir.string());
  Config[settings::clAutoReceipt] = "NOREPLY";
  Config[settings::clServerCopy] = "DELETE";
  settings::SaveLines(settings::ConfigFileName, Config);
  ui::Hooks().ShowError = [](const std::string& Text) { std::fprintf(stderr, "error: %s\n", Text.c_str()); };

  double Seconds = 0;
  {
    TDatabase Database(installation::DatabaseFileName);
    {
      TTable Accounts(Database, Pop3Table());
      Accounts.Open();
      Accounts.Append();
      Accounts.FieldByName("SERVER").SetAsString(Server);
      Accounts.FieldByName("USERA").SetAsString("alice");
      Accounts.FieldByName("PSWRD").SetAsString("secret");
      Accounts.Post();
    }
    TForm1 Window(Database);
    Window.resize(1024, 768);
    Window.show();
    QApplication::processEvents();

    TEventLoopMeter Meter;
    Window.ToolButton19Click();
    Seconds = Meter.Stop();
    std::fprintf(stderr, "event loop: %.0f turns per second, longest pause %lld ms\n", Meter.TurnsPerSecond(),
                 static_cast<long long>(Meter.LongestGapMs()));
  }
  std::filesystem::current_path("/");
  std::filesystem::remove_all(Dir);
  return Seconds;
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication App(argc, argv);
  SetMessagePump([] { QApplication::processEvents(); });
  const std::string Mode = argc == 3 ? argv[1] : "";
  if (Mode != "app" && Mode != "library") {
    std::fprintf(stderr, "usage: bench_getmail app|library PORT\n");
    return 1;
  }
  const std::string Server = std::string("127.0.0.1:") + argv[2];
  try {
    std::printf("%.3f\n", Mode == "app" ? Application(Server) : Library(Server));
  } catch (const std::exception& Error) {
    std::fprintf(stderr, "bench_getmail: %s\n", Error.what());
    return 1;
  }
  return 0;
}
