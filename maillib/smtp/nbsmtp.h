#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "maillib/transport/nbevents.h"
#include "maillib/transport/nbmb.h"

class TnbMessage;
class TStream;

// Sends mail to an SMTP server (RFC 5321): greeting, EHLO (HELO for servers
// that refuse it), STARTTLS and AUTH when asked, MAIL FROM, RCPT TO for every
// To, CC and BCC address, DATA with the encoded message, QUIT. Send is a
// connection for one message, SendMessages one for many. MAIL FROM and the
// RCPT TO commands go out together when the server offers PIPELINING (RFC
// 2920); a message beyond the server's SIZE (RFC 1870) is refused before it
// is sent.
class TnbSMTP : public TnbMailBase {
public:
  explicit TnbSMTP(TComponent* AOwner = nullptr);

  // The port a mode uses by default: 25 for None, 587 for STARTTLS, 465 for SSL/TLS.
  static std::uint16_t DefaultPortFor(TSecurity Mode);

  // When UserName is set, Login authenticates with AUTH PLAIN or AUTH LOGIN
  // (RFC 4954), whichever the server offers.
  std::string UserName;
  std::string Password;

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
  // Greeting, then EHLO with this machine's name (HELO, and a bare HELO, for
  // servers that refuse it); in STARTTLS mode STARTTLS and EHLO again over
  // TLS; AUTH when UserName is set. The password goes only over TLS or to a
  // loopback address.
  void Login() override;
  void Logout() override;

  // Connects, sends MailMessage and disconnects, also after an error.
  void Send();
  // One connection for many messages: Next sets MailMessage to the next one
  // (false: none left; asked before connecting, so nothing to send opens no
  // connection), Sent follows each message the server accepted. RSET goes
  // between two messages. The first failure ends the run and the
  // connection, with QUIT when the server is still there.
  void SendMessages(const std::function<bool()>& Next, const std::function<void()>& Sent);
  // Sends MailMessage over a connection that is logged in.
  void SendMessage();
  // RSET: ends a mail transaction the server may still hold.
  void Reset();
  // The largest message the server takes, from its EHLO (SIZE); 0 when it
  // names no limit.
  std::int64_t MessageSizeLimit() const;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  // Reads a reply and raises EServerError unless its class (code / 100) is Class.
  void Expect(int Class);
  // MAIL FROM and every RCPT TO in one write (PIPELINING), then their answers.
  void SendEnvelope(const std::string& Mail, const std::vector<std::string>& Recipients);
  // The server refused Address (LastReply): OnAddressRejected decides
  // whether the message goes on; else EServerError.
  void RecipientRefused(const std::string& Address);
  // The Date and Message-ID header lines the message lacks.
  std::string MissingStamp() const;
  // The encoded message as DATA, after the Stamp lines.
  void TransferData(const std::string& Stamp, TStream& Text);
  // EHLO, keeping the extensions the server lists; HELO when it refuses EHLO.
  void Hello();
  // Whether the last EHLO listed Keyword (upper case).
  bool Offers(std::string_view Keyword) const;
  std::vector<std::string> AuthMechanisms() const;
  // AUTH PLAIN, else AUTH LOGIN (RFC 4954); a refusal raises the server's line.
  void Authenticate();

  // The extension lines of the last EHLO reply, upper case, codes removed.
  std::vector<std::string> FExtensions;

  TnbMessage* FMailMessage = nullptr;
};
