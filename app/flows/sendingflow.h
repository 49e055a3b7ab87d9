#pragma once

#include <cstdint>
#include <string>

#include "platform/runtime/stringlist.h"

struct TCertificateFacts;
class TObject;
class TScreenServices;
class TTable;
class TnbMessage;
class TnbSMTP;
class TtkRas;
namespace settings {
struct TSmtpSettings;
}

// Sends the Outbox: every waiting row becomes the shared message object,
// goes to the SMTP server and is marked sent. It also handles the SMTP
// client's events, which report every message sent, automatic receipts too.
class TSendingFlow {
public:
  // Binds the SMTP client's events to this flow's handlers. Outbox is a
  // cursor of the flow's own, in DATE order, which no view moves. Settings
  // is read at the moment of use, so changed settings apply at once; a
  // certificate the user trusts is kept in SmtpSettings and written to Smtp.ini.
  TSendingFlow(TnbSMTP& Smtp, TnbMessage& Message, TtkRas& Ras, TTable& Outbox, const TStringList& Settings,
               settings::TSmtpSettings& SmtpSettings, TScreenServices& Screen);

  // Send Mail: dials first when the settings ask for a modem, sends every
  // waiting row in Outbox order over one connection and refills the Outbox
  // list after each. The first failure ends the run: that row and the rows
  // after it stay waiting, and the error is passed on after the screen has
  // been restored.
  void SendMail();
  // The same after dialling: Send/Receive dials once for both halves.
  void SendOutbox();

  // The SMTP client's event handlers.
  void nbSMTP1Open(TObject* Sender);
  void nbSMTP1Prepare(TObject* Sender);
  void nbSMTP1Sending(TObject* Sender);
  void nbSMTP1Progress(TObject* Sender, int Perc, int Transferred);
  void nbSMTP1MailSent(TObject* Sender);
  void nbSMTP1Error(TObject* Sender, std::string& Msg);
  void nbSMTP1AddressRejected(TObject* Sender, const std::string& TheAddress, const std::string& ServerReply,
                              bool& Proceed);
  // The server's certificate failed verification: the user decides, and a
  // certificate trusted is stored in Smtp.ini before the client goes on, so
  // the next connection takes it without asking (a different one is asked
  // about again). A failed write ends the connection with its error.
  void nbSMTP1UntrustedCertificate(TObject* Sender, const TCertificateFacts& Certificate, const std::string& Problem,
                                   bool& Trust);

private:
  // Marks the row sent and has the Outbox list refilled.
  void MarkSent(std::int64_t RecordId);
  // Ends the screen state of a transfer: animation, progress window, lock.
  void RestoreScreen();

  TnbSMTP& FSmtp;
  TnbMessage& FMessage;
  TtkRas& FRas;
  TTable& FOutbox;
  const TStringList& FSettings;
  settings::TSmtpSettings& FSmtpSettings;
  TScreenServices& FScreen;
  // Whether the SMTP session got past its greeting and login: a failure
  // before that is a failure to connect.
  bool FConnectionOpen = false;
  // The text the last error event showed.
  std::string FReported;
};
