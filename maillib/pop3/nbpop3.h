#pragma once

#include <deque>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "maillib/transport/nbmb.h"
#include "maillib/transport/nbevents.h"

class TMemoryStream;
class TStream;
class TnbMessageList;

// One message's work in a transfer: Num is zero-based. A message both
// retrieved and deleted is deleted only after StoreMessage has taken it.
struct TPop3Task {
  int Num = 0;
  bool Retrieve = false;
  bool Delete = false;
};

// Fetches the messages of one POP3 mailbox (RFC 1939): CAPA (RFC 2449),
// USER, PASS and STAT to log in, UIDL for the messages' unique ids, LIST and
// RETR for each message, DELE to remove it, QUIT. When the server offers
// PIPELINING, the commands of a transfer go out ahead of their answers. What
// to do with a fetched message is left to StoreMessage.
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
  // Greeting, CAPA, STLS in STARTTLS mode (RFC 2595) and CAPA again over
  // TLS, USER, PASS and STAT. The password goes only over TLS or to a
  // loopback address.
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

  // Whether the last CAPA listed Capability (upper case, e.g. "UIDL").
  bool Offers(std::string_view Capability) const;
  // UIDL: the unique id of every message, index 0 for message 1. An id is
  // given only where RFC 1939 promises hold: 1 to 70 characters from "!" to
  // "~", listed once. Every other entry is empty, and that message must be
  // handled as on a server without ids (never skipped or deleted by its id).
  std::vector<std::string> UniqueIds();
  // Carries out Tasks in their order: LIST and RETR for a message to
  // retrieve, DELE for one to delete (after StoreMessage took it, when it is
  // also retrieved). Events and errors as RetrieveMessage and DeleteMessage.
  // With PIPELINING, up to a window of commands go out before their answers,
  // which are read in order; after an error the answers still due are read
  // so the connection can end with QUIT.
  void TransferMessages(const std::vector<TPop3Task>& Tasks);

protected:
  // Takes message Num; Stream holds its text from position 0.
  virtual void StoreMessage(int Num, TStream& Stream) = 0;

private:
  // One command of a transfer whose answer is still to be read.
  struct TDue {
    enum TKind { List, Retr, Dele } Kind;
    int Num;
    // For Retr: DELE follows once the message is stored.
    bool DeleteAfter = false;
  };
  // The data of a RETR answered "+OK", Size its LIST size (-1: unknown),
  // as the message text alone.
  void ReceiveMessageData(TMemoryStream& Stream, std::int64_t Size);
  // After an error in a transfer: reads and drops the answers still due, or
  // closes the connection when that fails.
  void SkipAnswers(std::deque<TDue>& Due) noexcept;
  // Sends Command and raises EServerError unless the reply is "+OK".
  void Command(const std::string& Text);
  // Asks CAPA and keeps the capability names, upper case (RFC 2449); none
  // when the server does not know CAPA.
  void ReadCapabilities();

  int FMessageCount = -1;
  int FMailboxSize = -1;
  std::set<std::string, std::less<>> FCapabilities;
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
