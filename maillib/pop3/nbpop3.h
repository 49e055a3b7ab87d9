#pragma once

#include <set>
#include <string>

#include "maillib/transport/nbmb.h"
#include "maillib/transport/nbevents.h"

class TStream;
class TnbMessageList;

// Fetches the messages of one POP3 mailbox (RFC 1939): USER, PASS and STAT to
// log in, LIST and RETR for each message, DELE to remove it, QUIT. What to do
// with a fetched message is left to StoreMessage.
class TnbCustomPOP : public TnbMailBase {
public:
  explicit TnbCustomPOP(TComponent* AOwner = nullptr);

  // The port a mode uses by default: 110 for None and STARTTLS, 995 for SSL/TLS.
  static std::uint16_t DefaultPortFor(TSecurity Mode);

  std::string UserName;
  std::string Password;

  // From the last STAT reply; -1 before the first.
  int MessageCount() const { return FMessageCount; }
  int MailboxSize() const { return FMailboxSize; }

  // Before RETR of message Num (zero-based), after it was stored, before DELE.
  TnbNumNotifyEvent OnRetrieving;
  TnbNumNotifyEvent OnRetrieved;
  TnbNumNotifyEvent OnDeleting;

  // 1 for "+OK", -1 for "-ERR", 0 for anything else (the empty line too).
  int ParseReplyCode(const std::string& Line) override;
  // Raises ESocketError when UserName or Password is empty.
  virtual void CheckProperties();
  void OpenSocket() override;
  // Greeting, STLS in STARTTLS mode (RFC 2595), USER, PASS and STAT. The
  // password goes only over TLS or to a loopback address.
  void Login() override;
  // QUIT, which makes the server carry out the deletions.
  void Logout() override;

  // LIST and RETR of message Num; the message text, without the terminating
  // line and with dot-stuffing undone, goes to StoreMessage. A message that
  // grows far beyond its LIST size (four times it plus 1 MiB, never beyond
  // MaxMessageData) ends the connection with ESocketError.
  void RetrieveMessage(int Num);
  // DELE of message Num; a refusal is not an error.
  void DeleteMessage(int Num);

protected:
  // Takes message Num; Stream holds its text from position 0.
  virtual void StoreMessage(int Num, TStream& Stream) = 0;

private:
  // Sends Command and raises EServerError unless the reply is "+OK".
  void Command(const std::string& Text);
  // The capability names CAPA lists, upper case (RFC 2449); none when the
  // server does not know CAPA.
  std::set<std::string> Capabilities();

  int FMessageCount = -1;
  int FMailboxSize = -1;
};

// The POP3 client the application uses: every fetched message is decoded
// into a message object of Messages.
class TnbPOP : public TnbCustomPOP {
public:
  explicit TnbPOP(TComponent* AOwner = nullptr);

  // Owned; the caller clears it.
  TnbMessageList& Messages() { return *FMessages; }

  // Logs in, fetches every message in order and, unless LeaveOnServer,
  // deletes each right after fetching it; logs out at the end, also after an
  // error (the deletions done so far then still take effect).
  void RetrieveAll(bool LeaveOnServer);

protected:
  void StoreMessage(int Num, TStream& Stream) override;

private:
  TnbMessageList* FMessages;
};
