#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/store/fetchedids.h"
#include "platform/runtime/stringlist.h"

struct TCertificateFacts;
class TObject;
class TScreenServices;
class TSendingFlow;
class TTable;
class TnbMessage;
class TnbPOP;
class TnbSMTP;
class TtkRas;

// Brings mail in: every POP3 account in turn, each message stored as an
// unread Inbox row with its attachments saved, answered with an automatic
// receipt when the settings ask for one, and deleted on the server when they
// say so. No message is ever lost: the rows of an account are durable before
// the server is told to carry out its deletions, and a message whose storing
// failed is not deleted at all. When the server gives unique ids (UIDL), the
// id of each stored message is kept with its row, so a message left on the
// server, or stored before a Stop or a crash, is not stored again.
class TReceivingFlow {
public:
  // Binds the POP3 client's events to this flow's handlers. Accounts (in
  // PSWRD order) and Inbox are cursors of the flow's own, which no view
  // moves. Settings and Banner are read at the moment of use. The ids of
  // stored messages are kept in Inbox's database.
  TReceivingFlow(TnbPOP& Pop, TnbSMTP& Smtp, TnbMessage& Outgoing, TtkRas& Ras, TTable& Accounts, TTable& Inbox,
                 const TStringList& Settings, const TStringList& Banner, TScreenServices& Screen);

  // Get Mail: dials when the settings ask for a modem, then every account;
  // the sequence numbers of the DATE texts start again for each account.
  void GetMail();
  // Send/Receive: dials, sends the Outbox, then every account, with one run
  // of sequence numbers across them.
  void SendReceive(TSendingFlow& Sending);

  // The POP3 client's event handlers.
  void nbPOP1Open(TObject* Sender);
  void nbPOP1Retrieving(TObject* Sender, int Num);
  void nbPOP1Progress(TObject* Sender, int Perc, int Transferred);
  void nbPOP1Retrieved(TObject* Sender, int Num);
  void nbPOP1Error(TObject* Sender, std::string& Msg);
  void nbPOP1Cancel(TObject* Sender);
  // The server's certificate failed verification: the user decides, and a
  // certificate trusted is stored with the account, so the next retrieval
  // takes it without asking (a different one is asked about again).
  void nbPOP1UntrustedCertificate(TObject* Sender, const TCertificateFacts& Certificate, const std::string& Problem,
                                  bool& Trust);

private:
  // Every row of the account table, in PSWRD order.
  void VisitAccounts(bool SequencePerAccount);
  // The account under the table cursor.
  void ReceiveAccount();
  // Fetches the mailbox; the rows are made durable before QUIT.
  void Retrieve(bool LeaveOnServer);
  // Ends an account whether it went well or not: rows applied, screen
  // restored, a certificate the user trusted meanwhile stored with it.
  void EndAccount();
  void RememberTrustedCertificate();
  // Stores the newest fetched message with its unique id (none when empty)
  // and answers it.
  void StoreMessage(TnbMessage& Message, const std::string& Id);
  // Answers Message with an automatic receipt when the settings ask for one
  // and it may be answered; returns the status text of a receipt that could
  // not be sent, empty when none was due or it went.
  std::string SendReceipt(TnbMessage& Message, const std::string& Caption, const std::string& ReceivedAt);

  TnbPOP& FPop;
  TnbSMTP& FSmtp;
  TnbMessage& FOutgoing;
  TtkRas& FRas;
  TTable& FAccounts;
  TTable& FInbox;
  const TStringList& FSettings;
  const TStringList& FBanner;
  TScreenServices& FScreen;
  // Written in the Inbox's cached batch, so an id is durable exactly when
  // its message's row is.
  TFetchedIds FFetchedIds;
  // The unique ids of the mailbox being fetched, by message number (empty
  // without UIDL), and the mailbox (USERA@SERVER) they belong to.
  std::vector<std::string> FUniqueIds;
  std::string FMailbox;
  // The suffix of the next stored message's DATE text.
  int FSequence = 0;
  // The account being received, and the fingerprint of a certificate the
  // user trusted for it: the account row is written once the Inbox rows are,
  // since the Inbox's cached rows hold the store's transaction until then.
  std::int64_t FAccountId = 0;
  std::string FTrustedCertificate;
  // Whether the POP3 session got past its greeting and login: a failure
  // before that is a failure to connect.
  bool FConnectionOpen = false;
  // The text the last error event showed.
  std::string FReported;
};
