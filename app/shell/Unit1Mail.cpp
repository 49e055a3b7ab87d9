// The main window's mail objects and the commands that move mail.
#include <QAction>
#include <QCloseEvent>

#include "Unit1.h"
#include "app/flows/mailsettings.h"
#include "app/flows/receivingflow.h"
#include "app/flows/sendingflow.h"
#include "app/store/fieldnames.h"
#include "app/store/mailtables.h"
#include "app/views/Unit2.h"
#include "app/views/Unit3.h"
#include "mainscreen.h"
#include "maillib/dialup/tkRasCmp.h"
#include "maillib/message/nbmsg.h"
#include "maillib/pop3/nbpop3.h"
#include "maillib/smtp/nbsmtp.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/handler.h"

void TForm1::CreateMailObjects() {
  nbPOP1 = std::make_unique<TnbPOP>();
  nbPOP1->Name = "nbPOP1";
  nbPOP1->SetWinsockLoaded(true);
  nbMessage1 = std::make_unique<TnbMessage>();
  nbMessage1->Name = "nbMessage1";
  nbMessage1->SetContentType("text/plain");
  nbMessage1->CharSet = TCharSet::csISO8859;
  nbMessage1->ReturnReceipt = true;
  nbSMTP1 = std::make_unique<TnbSMTP>();
  nbSMTP1->Name = "nbSMTP1";
  nbSMTP1->SetWinsockLoaded(true);
  nbSMTP1->SetMailMessage(nbMessage1.get());
  tkRas1 = std::make_unique<TtkRas>();
  tkRas1->Name = "tkRas1";
  tkRas1->ForceService = false;
  tkRas1->MinimizeAtConnect = true;
  tkRas1->RemovePassword = false;
  tkRas1->OnDisconnected = [this](TObject*) { tkRas1Disconnected(); };

  FScreen = std::make_unique<TMainScreen>(*this, TTransferWindows{*this, *Form2, *Form3, *Form8, *Form12},
                                          Table1.Database());
  const auto Cursor = [this](const TTableDef& Def, const char* Index) {
    auto Table = std::make_unique<TTable>(Table1.Database(), Def);
    Table->SetIndexName(Index);
    Table->Open();
    return Table;
  };
  FOutboxCursor = Cursor(SmailTable(), outboxfield::Date);
  FInboxCursor = Cursor(RmailTable(), inboxfield::Date);
  FAccountsCursor = Cursor(Pop3Table(), accountfield::Password);
  FSending =
      std::make_unique<TSendingFlow>(*nbSMTP1, *nbMessage1, *tkRas1, *FOutboxCursor, Memo1, SmtpSettings, *FScreen);
  FReceiving = std::make_unique<TReceivingFlow>(*nbPOP1, *nbSMTP1, *nbMessage1, *tkRas1, *FAccountsCursor,
                                                *FInboxCursor, Memo1, Memo3, *FScreen);
}

void TForm1::ApplySettings() {
  ApplyMailSettings(Memo1, SmtpSettings, *nbMessage1, *nbSMTP1, *tkRas1, ui::ShowMessage);
}

bool TForm1::TransferRunning() const { return FScreen->Running(); }

void TForm1::ToolButton18Click() { FScreen->Run([this] { FSending->SendMail(); }); }

void TForm1::ToolButton19Click() { FScreen->Run([this] { FReceiving->GetMail(); }); }

void TForm1::SendReceive1Click() { FScreen->Run([this] { FReceiving->SendReceive(*FSending); }); }

void TForm1::ToolButton23Click() {
  nbSMTP1->Cancel();
  nbPOP1->Cancel();
  tkRas1->HangUp();
  SetStatusText("Status: Stopped by User");
  StopAnimation();
  UnlockCommands();
}

void TForm1::tkRas1Disconnected() { SetStatusText("Status: Offline"); }

void TForm1::closeEvent(QCloseEvent* Event) {
  // A transfer waiting on a server must end before the window and its mail
  // objects go: it is stopped, and the window closes when it has unwound.
  if (TransferRunning()) {
    FScreen->CloseWhenDone();
    ToolButton23Click();
    Event->ignore();
    return;
  }
  ui::RunHandler([this] { FormCloseQuery(); });
  tkRas1->HangUp();
  Event->accept();
}
