// Runs one Get Mail in the data directory given, headless, for the crash
// test: getmail_child DATA_DIR. The store there has the POP3 account; the
// messages are deleted on the server and no receipts are sent. It writes
// what the flow showed in the end (message boxes, the last status line) and
// the error that ended it, so a test can say why a run went wrong.
#include <algorithm>
#include <filesystem>
#include <iostream>

#include "app/flows/receivingflow.h"
#include "app/settings/settingsfiles.h"
#include "app/store/mailtables.h"
#include "maillib/dialup/tkRasCmp.h"
#include "maillib/message/nbmsg.h"
#include "maillib/pop3/nbpop3.h"
#include "maillib/smtp/nbsmtp.h"
#include "platform/net/posixsockets.h"
#include "platform/net/tkwinsock.h"
#include "platform/table/database.h"
#include "platform/table/table.h"
#include "recordingscreen.h"

namespace {

// The message boxes and the last status line the flow showed.
void PrintShown(const TRecordingScreen& Screen) {
  for (const std::string& Line : Screen.Log)
    if (Line.starts_with("box ")) std::cerr << "getmail_child: " << Line << '\n';
  const auto Status =
      std::find_if(Screen.Log.rbegin(), Screen.Log.rend(), [](const std::string& Line) { return Line.starts_with("status "); });
  if (Status != Screen.Log.rend()) std::cerr << "getmail_child: last " << *Status << '\n';
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: getmail_child DATA_DIR\n";
    return 2;
  }
  TRecordingScreen Screen;
  int Result = 0;
  try {
    std::filesystem::current_path(argv[1]);
    TtkWinsock::Instance().SetLoader(PosixSocketLibrary);
    TDatabase Database("Corvalen.db");
    TTable Accounts(Database, Pop3Table());
    Accounts.SetIndexName("PSWRD");
    Accounts.Open();
    TTable Inbox(Database, RmailTable());
    Inbox.Open();
    TStringList Settings = settings::DefaultConfig(argv[1]);
    Settings[settings::clAutoReceipt] = "NOREPLY";
    Settings[settings::clServerCopy] = "DELETE";
    TnbPOP Pop;
    Pop.SetWinsockLoaded(true);
    TnbSMTP Smtp;
    TnbMessage Outgoing;
    TtkRas Ras;
    TReceivingFlow Flow(Pop, Smtp, Outgoing, Ras, Accounts, Inbox, Settings, {}, Screen);
    Flow.GetMail();
  } catch (const std::exception& Error) {
    std::cerr << "getmail_child: " << Error.what() << '\n';
    Result = 1;
  }
  PrintShown(Screen);
  return Result;
}
