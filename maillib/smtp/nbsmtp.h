#pragma once

#include "maillib/transport/nbevents.h"
#include "maillib/transport/nbmb.h"

class TnbMessage;
class TStream;

// Sends one message per Send to an SMTP server (RFC 5321): greeting, HELO,
// MAIL FROM, RCPT TO for every To, CC and BCC address, DATA with the encoded
// message, QUIT. Every Send is a connection of its own.
class TnbSMTP : public TnbMailBase {
public:
  explicit TnbSMTP(TComponent* AOwner = nullptr);

  // Before the message is encoded, and before its envelope is sent.
  TNotifyEvent OnPrepare;
  TNotifyEvent OnSending;
  // The server accepted the message.
  TNotifyEvent OnMailSent;
  // The server refused a recipient; setting Proceed goes on with the others.
  TnbAddressRejectedEvent OnAddressRejected;

  // The message to send; not owned, cleared when that message is destroyed.
  TnbMessage* MailMessage() const { return FMailMessage; }
  void SetMailMessage(TnbMessage* Value);

  // Raises ESocketError when Server is empty.
  void OpenSocket() override;
  // Greeting, then HELO with this machine's name, or a bare HELO when that is refused.
  void Login() override;
  void Logout() override;

  // Connects, sends MailMessage and disconnects, also after an error.
  void Send();
  // Sends MailMessage over a connection that is logged in.
  void SendMessage();

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  // Reads a reply and raises EServerError unless its class (code / 100) is Class.
  void Expect(int Class);
  // RCPT TO for Address; a refusal goes to OnAddressRejected.
  void AddRecipient(const std::string& Address);
  // The encoded message as DATA, with the Date and Message-ID it lacks.
  void TransferData(TStream& Text);

  TnbMessage* FMailMessage = nullptr;
};
