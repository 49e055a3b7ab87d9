#include "receivingflow.h"

#include <filesystem>
#include <set>
#include <utility>
#include <vector>

#include "app/mail/datetimetext.h"
#include "app/mail/inboxrow.h"
#include "app/mail/receipt.h"
#include "app/mail/receiptrecord.h"
#include "app/settings/passwordstore.h"
#include "app/settings/serversettings.h"
#include "app/settings/settingsfiles.h"
#include "app/settings/storedpasswords.h"
#include "app/store/fieldnames.h"
#include "connectionerrortext.h"
#include "dialstep.h"
#include "maillib/message/attachmentfile.h"
#include "maillib/message/nbmsg.h"
#include "maillib/mime/headerfields.h"
#include "maillib/pop3/messagelist.h"
#include "maillib/pop3/nbpop3.h"
#include "maillib/pop3/uidlplan.h"
#include "maillib/smtp/nbsmtp.h"
#include "maillib/transport/nberrors.h"
#include "platform/table/table.h"
#include "screenservices.h"
#include "sendingflow.h"

using namespace std::placeholders;

TReceivingFlow::TReceivingFlow(TnbPOP& Pop, TnbSMTP& Smtp, TnbMessage& Outgoing, TtkRas& Ras, TTable& Accounts,
                               TTable& Inbox, const TStringList& Settings, const TStringList& Banner,
                               TScreenServices& Screen)
    : FPop(Pop), FSmtp(Smtp), FOutgoing(Outgoing), FRas(Ras), FAccounts(Accounts), FInbox(Inbox),
      FSettings(Settings), FBanner(Banner), FScreen(Screen), FFetchedIds(Inbox.Database()) {
  FFetchedIds.JoinCachedUpdates(FInbox);
  FPop.OnOpen = std::bind(&TReceivingFlow::nbPOP1Open, this, _1);
  FPop.OnRetrieving = std::bind(&TReceivingFlow::nbPOP1Retrieving, this, _1, _2);
  FPop.OnProgress = std::bind(&TReceivingFlow::nbPOP1Progress, this, _1, _2, _3);
  FPop.OnRetrieved = std::bind(&TReceivingFlow::nbPOP1Retrieved, this, _1, _2);
  FPop.OnError = std::bind(&TReceivingFlow::nbPOP1Error, this, _1, _2);
  FPop.OnCancel = std::bind(&TReceivingFlow::nbPOP1Cancel, this, _1);
  FPop.OnUntrustedCertificate = std::bind(&TReceivingFlow::nbPOP1UntrustedCertificate, this, _1, _2, _3, _4);
}

void TReceivingFlow::GetMail() {
  FScreen.StartAnimation();
  DialIfModem(FSettings, FRas, FScreen);
  VisitAccounts(true);
}

void TReceivingFlow::SendReceive(TSendingFlow& Sending) {
  FSequence = 0;
  FScreen.StartAnimation();
  DialIfModem(FSettings, FRas, FScreen);
  Sending.SendOutbox();
  VisitAccounts(false);
}

void TReceivingFlow::VisitAccounts(bool SequencePerAccount) {
  // By record id: Preferences may change the table between two accounts.
  std::vector<std::int64_t> Ids;
  FAccounts.First();
  for (int Pass = FAccounts.RecordCount(); Pass > 0; --Pass, FAccounts.Next()) Ids.push_back(FAccounts.RecordId());
  for (const std::int64_t Id : Ids) {
    if (!FAccounts.GotoRecord(Id)) continue;
    if (SequencePerAccount) FSequence = 0;
    ReceiveAccount();
  }
}

void TReceivingFlow::ReceiveAccount() {
  FScreen.LockCommands();
  FScreen.StartAnimation();
  FAccountId = FAccounts.RecordId();
  FTrustedCertificate.clear();
  try {
    FInbox.SetCachedUpdates(true);
    FPop.Messages().Clear();
    FPop.Password = settings::AccountPassword(FAccounts, settings::PasswordStore());
    FPop.Server = FAccounts.FieldByName(accountfield::Server).AsString();
    FPop.UserName = FAccounts.FieldByName(accountfield::User).AsString();
    FPop.Security = settings::SecurityOf(FAccounts.FieldByName(accountfield::Security).AsString());
    FPop.Port = settings::PortOf(FAccounts.FieldByName(accountfield::Port).AsString());
    FPop.TrustedCertificate = FAccounts.FieldByName(accountfield::TrustedCertificate).AsString();
    const std::string& ServerCopy = StringAt(FSettings, settings::clServerCopy);
    if (ServerCopy == settings::Leave) Retrieve(true);
    else if (ServerCopy == settings::Delete) Retrieve(false);
  } catch (...) {
    try {
      EndAccount();
    } catch (...) {
      // The error that ended the account is the one to report.
    }
    RethrowWithReportedText(FReported);
  }
  EndAccount();
}

void TReceivingFlow::Retrieve(bool LeaveOnServer) {
  // The server deletes what it was told to only when it gets QUIT (RFC 1939):
  // every stored row is made durable before that, so a message is always in
  // the Inbox, or still on the server, or both.
  const auto MakeDurable = [this] {
    FInbox.ApplyUpdates();
    FInbox.CommitUpdates();
  };
  FPop.Connect();
  FConnectionOpen = true;
  try {
    // Without UIDL every message is retrieved, and deleted unless left.
    FUniqueIds.clear();
    FMailbox = FPop.UserName + "@" + FPop.Server;
    std::set<std::string> Known;
    if (FPop.Offers("UIDL")) {
      FUniqueIds = FPop.UniqueIds();
      Known = FFetchedIds.Load(FAccountId, FMailbox);
    }
    const TUidlPlan Plan = PlanTransfer(FPop.MessageCount(), FUniqueIds, Known, LeaveOnServer);
    FFetchedIds.Forget(FAccountId, Plan.Forgotten);
    FPop.TransferMessages(Plan.Tasks);
    MakeDurable();
  } catch (...) {
    bool Durable = true;
    try {
      MakeDurable();
    } catch (...) {
      Durable = false;
    }
    try {
      // Without durable rows the connection is dropped, which cancels every deletion.
      if (Durable) FPop.Disconnect();
      else FPop.Close();
    } catch (...) {
      // The error that ended the retrieval is the one to report.
    }
    throw;
  }
  FPop.Disconnect();
}

void TReceivingFlow::EndAccount() {
  FScreen.StopAnimation();
  FScreen.CloseProgress();
  FScreen.UnlockCommands();
  try {
    FInbox.ApplyUpdates();
    FInbox.CommitUpdates();
  } catch (...) {
    FInbox.SetCachedUpdates(false);
    throw;
  }
  FInbox.SetCachedUpdates(false);
  RememberTrustedCertificate();
}

void TReceivingFlow::RememberTrustedCertificate() {
  if (FTrustedCertificate.empty()) return;
  const std::string Fingerprint = std::exchange(FTrustedCertificate, {});
  // Preferences may have deleted the account meanwhile.
  if (!FAccounts.GotoRecord(FAccountId)) return;
  try {
    FAccounts.Edit();
    FAccounts.FieldByName(accountfield::TrustedCertificate).SetAsString(Fingerprint);
    FAccounts.Post();
  } catch (...) {
    FAccounts.Cancel();
    throw;
  }
}

void TReceivingFlow::nbPOP1Retrieved(TObject*, int Num) {
  TnbMessage& Message = FPop.Messages().Items(FPop.Messages().Count() - 1);
  StoreMessage(Message, Num >= 0 && Num < static_cast<int>(FUniqueIds.size()) ? FUniqueIds[Num] : std::string());
  // Stored: the message object is of no further use, and a mailbox of large
  // messages must not pile up in memory.
  FPop.Messages().Clear();
}

void TReceivingFlow::StoreMessage(TnbMessage& Message, const std::string& Id) {
  FScreen.SetProgressBar(0);
  FScreen.CloseProgress();
  const std::string ReceivedAt = NowDateTimeText();
  const std::string DateText = ReceivedDateText(GetHeaderField(Message.Headers(), "Date"), FSequence);

  TStringList Attached;
  const std::string Configured = StringAt(FSettings, settings::clAttachmentDir);
  for (int I = 0; I < Message.Attachments().Count(); ++I) {
    const std::string Directory = FScreen.ChooseAttachmentDirectory(
        Configured, SafeAttachmentName(Message.Attachments().Items(I).FileName()), Message.Subject(),
        Message.Sender().Address());
    const std::string Name = Message.SaveAttachment(I, Directory);
    Attached.push_back(std::filesystem::absolute(std::filesystem::path(Directory) / Name).string());
  }
  WriteInboxRow(FInbox, Message, DateText, Attached);
  if (!Id.empty()) FFetchedIds.Add(FAccountId, FMailbox, Id);
  FScreen.AddInboxEntry(FInbox.RecordId());

  const std::string Caption = Message.Subject().empty() ? NoSubject : Message.Subject();
  // A receipt that could not be sent stays reported in the status line.
  const std::string ReceiptFailure = SendReceipt(Message, Caption, ReceivedAt);
  FScreen.SetStatusText(ReceiptFailure.empty() ? "Status: Message(s) Retrieved" : ReceiptFailure);
  ++FSequence;
}

std::string TReceivingFlow::SendReceipt(TnbMessage& Message, const std::string& Caption,
                                        const std::string& ReceivedAt) {
  // Never a receipt for a receipt, nor where RFC 3834 forbids one, and at
  // most one a day to the same sender.
  if (StringAt(FSettings, settings::clAutoReceipt) != settings::Reply || Caption == ReceiptSubject ||
      !MayAnswerAutomatically(Message))
    return {};
  const std::string& Address = Message.Sender().Address();
  const std::string Day = ReceivedAt.substr(0, ReceivedAt.find(' '));
  if (ReceiptSentOn(ReceiptRecordFileName, Address, Day)) return {};
  {
    // The return receipt the user asked for comes back, also when sending fails.
    struct TRestore {
      TnbMessage& Outgoing;
      const TStringList& Settings;
      ~TRestore() { Outgoing.ReturnReceipt = StringAt(Settings, settings::clReturnReceipt) == settings::Return; }
    } Restore{FOutgoing, FSettings};
    // Whatever the sender's address or the SMTP server does, the message is
    // stored and the retrieval goes on: a receipt must never hold up a mailbox.
    // Stop is the user's word and ends the retrieval as always.
    try {
      FillReceipt(FOutgoing, Address, Caption, ReceivedAt, FSettings, FBanner);
      FScreen.SetStatusText("Status: Sending receipt");
      FSmtp.Send();
    } catch (const ECanceledError&) {
      throw;
    } catch (const std::exception& Error) {
      return std::string("Status: Receipt not sent: ") + Error.what();
    }
  }
  try {
    RecordReceipt(ReceiptRecordFileName, Address, Day);
  } catch (const std::exception& Error) {
    return std::string("Status: Receipt sent but not recorded: ") + Error.what();
  }
  return {};
}

void TReceivingFlow::nbPOP1Open(TObject*) {
  FConnectionOpen = false;
  FReported.clear();
  FScreen.StartAnimation();
  FScreen.ShowProgress(OpeningConnectionText(FSettings));
}

void TReceivingFlow::nbPOP1Retrieving(TObject*, int) {
  FScreen.SetStatusText("Status: Retrieving Mail");
  FScreen.LockCommands();
}

void TReceivingFlow::nbPOP1Progress(TObject*, int Perc, int) {
  FScreen.StartAnimation();
  FScreen.ShowProgress("Retrieving Mail");
  FScreen.SetProgressBar(Perc);
}

void TReceivingFlow::nbPOP1Error(TObject*, std::string& Msg) {
  // The changed text is also the text of the error that follows.
  Msg = ConnectionErrorText(FPop, FConnectionOpen, Msg);
  FReported = Msg;
  FScreen.StopAnimation();
  FScreen.SetStatusText(Msg);
  FScreen.CloseProgress();
}

void TReceivingFlow::nbPOP1Cancel(TObject*) {}

void TReceivingFlow::nbPOP1UntrustedCertificate(TObject*, const TCertificateFacts& Certificate,
                                                const std::string& Problem, bool& Trust) {
  Trust = FScreen.TrustCertificate(FPop.Server, Certificate, Problem);
  if (Trust) FTrustedCertificate = Certificate.Sha256;
}
