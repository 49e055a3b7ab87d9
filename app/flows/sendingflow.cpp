#include "sendingflow.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "app/mail/outboxmessage.h"
#include "app/settings/serversettings.h"
#include "app/store/fieldnames.h"
#include "connectionerrortext.h"
#include "dialstep.h"
#include "maillib/smtp/nbsmtp.h"
#include "platform/table/table.h"
#include "screenservices.h"

using namespace std::placeholders;

TSendingFlow::TSendingFlow(TnbSMTP& Smtp, TnbMessage& Message, TtkRas& Ras, TTable& Outbox,
                           const TStringList& Settings, settings::TSmtpSettings& SmtpSettings, TScreenServices& Screen)
    : FSmtp(Smtp), FMessage(Message), FRas(Ras), FOutbox(Outbox), FSettings(Settings), FSmtpSettings(SmtpSettings),
      FScreen(Screen) {
  FSmtp.OnOpen = std::bind(&TSendingFlow::nbSMTP1Open, this, _1);
  FSmtp.OnPrepare = std::bind(&TSendingFlow::nbSMTP1Prepare, this, _1);
  FSmtp.OnSending = std::bind(&TSendingFlow::nbSMTP1Sending, this, _1);
  FSmtp.OnProgress = std::bind(&TSendingFlow::nbSMTP1Progress, this, _1, _2, _3);
  FSmtp.OnMailSent = std::bind(&TSendingFlow::nbSMTP1MailSent, this, _1);
  FSmtp.OnError = std::bind(&TSendingFlow::nbSMTP1Error, this, _1, _2);
  FSmtp.OnAddressRejected = std::bind(&TSendingFlow::nbSMTP1AddressRejected, this, _1, _2, _3, _4);
  FSmtp.OnUntrustedCertificate = std::bind(&TSendingFlow::nbSMTP1UntrustedCertificate, this, _1, _2, _3, _4);
}

void TSendingFlow::SendMail() {
  FScreen.StartAnimation();
  DialIfModem(FSettings, FRas, FScreen);
  SendOutbox();
}

void TSendingFlow::SendOutbox() {
  // The waiting rows in Outbox order, by record id: each is sent and marked
  // through this flow's own cursor, whatever the views do meanwhile.
  std::vector<std::int64_t> Waiting;
  FOutbox.First();
  for (int Pass = FOutbox.RecordCount(); Pass > 0; --Pass, FOutbox.Next())
    if (!FOutbox.FieldByName(outboxfield::State).AsBoolean()) Waiting.push_back(FOutbox.RecordId());
  std::size_t Next = 0;
  std::int64_t Current = 0;
  // One connection for the whole Outbox; a row deleted meanwhile is passed over.
  const auto FillNext = [&] {
    while (Next < Waiting.size()) {
      Current = Waiting[Next++];
      if (!FOutbox.GotoRecord(Current)) continue;
      FillOutgoingMessage(FOutbox, FSettings, FMessage);
      return true;
    }
    return false;
  };
  try {
    FSmtp.SendMessages(FillNext, [&] { MarkSent(Current); });
  } catch (...) {
    RestoreScreen();
    RethrowWithReportedText(FReported);
  }
  RestoreScreen();
  FScreen.RefillOutboxList();
}

void TSendingFlow::MarkSent(std::int64_t RecordId) {
  if (!FOutbox.GotoRecord(RecordId)) return;
  FOutbox.Edit();
  FOutbox.FieldByName(outboxfield::State).SetAsBoolean(true);
  FOutbox.Post();
  FScreen.RefillOutboxList();
}

void TSendingFlow::RestoreScreen() {
  FScreen.StopAnimation();
  FScreen.CloseProgress();
  FScreen.UnlockCommands();
}

void TSendingFlow::nbSMTP1Open(TObject*) {
  FConnectionOpen = false;
  FReported.clear();
  FScreen.ShowProgress(OpeningConnectionText(FSettings));
}

void TSendingFlow::nbSMTP1Prepare(TObject*) {
  FConnectionOpen = true;
  FScreen.ShowProgress("Preparing Messages. Please wait...");
}

void TSendingFlow::nbSMTP1Sending(TObject*) {
  FScreen.SetStatusText("Sending Mail");
  FScreen.LockCommands();
}

void TSendingFlow::nbSMTP1Progress(TObject*, int Perc, int) {
  FScreen.ShowProgress("Sending Mail");
  FScreen.SetProgressBar(Perc);
}

void TSendingFlow::nbSMTP1MailSent(TObject*) {
  FScreen.SetStatusText("Ready...");
  FScreen.SetProgressBar(0);
  FScreen.CloseProgress();
  FScreen.UnlockCommands();
}

void TSendingFlow::nbSMTP1Error(TObject*, std::string& Msg) {
  // The changed text is also the text of the error that follows.
  Msg = ConnectionErrorText(FSmtp, FConnectionOpen, Msg);
  FReported = Msg;
  FScreen.SetStatusText(Msg);
  FScreen.StopAnimation();
  FScreen.CloseProgress();
}

void TSendingFlow::nbSMTP1AddressRejected(TObject*, const std::string&, const std::string&, bool&) {
  FScreen.ShowMessage("Cannot Connect, Check Password and UserID.");
}

void TSendingFlow::nbSMTP1UntrustedCertificate(TObject*, const TCertificateFacts& Certificate,
                                               const std::string& Problem, bool& Trust) {
  if (!FScreen.TrustCertificate(FSmtp.Server, Certificate, Problem)) return;
  settings::TSmtpSettings Trusted = FSmtpSettings;
  Trusted.TrustedCertificate = Certificate.Sha256;
  settings::SaveSmtpSettings(settings::SmtpFileName, Trusted);
  FSmtpSettings = std::move(Trusted);
  FSmtp.TrustedCertificate = Certificate.Sha256;
  Trust = true;
}
