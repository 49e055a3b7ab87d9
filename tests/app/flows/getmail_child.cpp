// Runs one Get Mail in the data directory given, headless, for the crash
// test: getmail_child DATA_DIR. The store there has the POP3 account; the
// messages are deleted on the server and no receipts are sent.
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
#include "platform/table/database.h"
#include "platform/table/table.h"
#include "recordingscreen.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
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
    TRecordingScreen Screen;
    TReceivingFlow Flow(Pop, Smtp, Outgoing, Ras, Accounts, Inbox, Settings, {}, Screen);
    Flow.GetMail();
  } catch (const std::exception& Error) {
    std::cerr << "getmail_child: " << Error.what() << '\n';
    return 1;
  }
  return 0;
}
