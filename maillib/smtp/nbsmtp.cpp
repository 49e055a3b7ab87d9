#include "nbsmtp.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <utility>
#include <vector>

#include "maillib/message/nbmsg.h"
#include "maillib/mime/base64.h"
#include "maillib/mime/headerfields.h"
#include "maillib/mime/mimetext.h"
#include "maillib/transport/nberrors.h"
#include "maillib/transport/tempfilestream.h"
#include "messagestamp.h"
#include "platform/runtime/asciicase.h"
#include "platform/runtime/msgtable.h"
#include "platform/runtime/processmessages.h"

namespace {

constexpr std::uint16_t SmtpPort = 25;
constexpr std::uint16_t SubmissionPort = 587;
constexpr std::uint16_t SubmissionsPort = 465;

// What a quoted local part ("\"john doe\"@example.test") leaves of Address:
// inside the quotes blanks and angle brackets are part of the address.
std::string_view UnquotedPart(std::string_view Address) {
  if (!Address.starts_with('"')) return Address;
  for (std::size_t I = 1; I < Address.size(); ++I) {
    if (Address[I] == '\\') ++I;
    else if (Address[I] == '"') return Address.substr(I + 1);
  }
  return Address;  // a quote that never closes quotes nothing
}

// An address goes into a command line as it is: a control character in it
// (a line break above all) would let it add commands of its own, and a
// blank or an angle bracket parameters of its own ("> NOTIFY=...").
const std::string& EnvelopeAddress(const std::string& Address) {
  if (std::any_of(Address.begin(), Address.end(), [](unsigned char C) { return C < 0x20 || C == 0x7F; }))
    throw EMessageError("The address \"" + TtkSocket::PrintableReply(Address) + "\" contains a control character");
  if (UnquotedPart(Address).find_first_of(" <>") != std::string_view::npos)
    throw EMessageError("The address \"" + Address + "\" contains a blank, \"<\" or \">\"");
  return Address;
}

// Whether Stream ends with a line feed (or is empty), so the end of the data
// can follow at once.
bool EndsWithLineFeed(TStream& Stream) {
  if (Stream.Size() == 0) return true;
  char Last = 0;
  Stream.Seek(-1, TSeekOrigin::soEnd);
  Stream.Read(&Last, 1);
  return Last == '\n';
}

}  // namespace

TnbSMTP::TnbSMTP(TComponent* AOwner) : TnbMailBase(AOwner) {
  ServiceName = "smtp";
  DefaultPort = SmtpPort;
}

void TnbSMTP::SetMailMessage(TnbMessage* Value) {
  if (FMailMessage == Value) return;
  if (FMailMessage) FMailMessage->RemoveFreeNotification(this);
  FMailMessage = Value;
  if (FMailMessage) FMailMessage->FreeNotification(this);
}

void TnbSMTP::Notification(TComponent* AComponent, TOperation Operation) {
  TnbMailBase::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FMailMessage) FMailMessage = nullptr;
}

std::uint16_t TnbSMTP::DefaultPortFor(TSecurity Mode) {
  switch (Mode) {
    case TSecurity::StartTls:
      return SubmissionPort;
    case TSecurity::ImplicitTls:
      return SubmissionsPort;
    default:
      return SmtpPort;
  }
}

void TnbSMTP::OpenSocket() {
  if (Server.empty()) SocketError(msg::SServerRequired);
  ResetState();
  ServiceName = Security == TSecurity::StartTls      ? "submission"
                : Security == TSecurity::ImplicitTls ? "submissions"
                                                     : "smtp";
  DefaultPort = DefaultPortFor(Security);
  TnbMailBase::OpenSocket();
}

void TnbSMTP::Expect(int Class) {
  if (ReadMultiLineReply() / 100 != Class) ReplyError();
}

void TnbSMTP::Login() {
  ConnectSocket();
  if (Security == TSecurity::ImplicitTls) StartTls();
  Expect(2);
  Hello();
  if (Security == TSecurity::StartTls) {
    if (!Offers("STARTTLS"))
      ConnectionError("The SMTP server " + Host() + " does not offer STARTTLS, so the connection cannot be encrypted");
    SendLine("STARTTLS");
    Expect(2);
    StartTls();
    // What the server said before TLS may have been forged (RFC 3207, 4.2).
    Hello();
  }
  if (!UserName.empty()) Authenticate();
}

void TnbSMTP::Hello() {
  FExtensions.clear();
  SendLine("EHLO " + LocalHostName);
  if (ReadMultiLineReply(&FExtensions) / 100 == 2) {
    // The first line greets; each further one names an extension.
    FExtensions.erase(FExtensions.begin());
    for (std::string& Line : FExtensions) 
      Line = ToUpperAscii(std::string_view(Line).substr(std::min<std::size_t>(4, Line.size())));
    return;
  }
  FExtensions.clear();
  SendLine("HELO " + LocalHostName);
  if (ReadMultiLineReply() / 100 == 2) return;
  SendLine("HELO");
  Expect(2);
}

bool TnbSMTP::Offers(std::string_view Keyword) const {
  return std::any_of(FExtensions.begin(), FExtensions.end(), [&](const std::string& Line) {
    return Line.substr(0, Line.find(' ')) == Keyword;
  });
}

std::vector<std::string> TnbSMTP::AuthMechanisms() const {
  std::vector<std::string> Mechanisms;
  for (const std::string& Line : FExtensions) {
    // "AUTH PLAIN LOGIN", or the "AUTH=PLAIN LOGIN" of older servers.
    if (!Line.starts_with("AUTH ") && !Line.starts_with("AUTH=")) continue;
    std::string_view Rest = std::string_view(Line).substr(5);
    while (!Rest.empty()) {
      const std::size_t Blank = Rest.find(' ');
      if (Blank != 0) Mechanisms.emplace_back(Rest.substr(0, Blank));
      Rest = Blank == std::string_view::npos ? std::string_view() : Rest.substr(Blank + 1);
    }
  }
  return Mechanisms;
}

void TnbSMTP::Authenticate() {
  if (!MayCarryCredentials())
    ConnectionError("The password of " + UserName + " is not sent to " + Host() +
                    " without encryption: choose STARTTLS or SSL/TLS for the SMTP server");
  const std::vector<std::string> Mechanisms = AuthMechanisms();
  const auto Has = [&](const char* Name) { return std::find(Mechanisms.begin(), Mechanisms.end(), Name) != Mechanisms.end(); };
  if (Has("PLAIN")) {
    // RFC 4616: no authorization identity, the user name, the password.
    SendLine("AUTH PLAIN " + EncodeBase64Line(std::string(1, '\0') + UserName + '\0' + Password));
    Expect(2);
  } else if (Has("LOGIN")) {
    SendLine("AUTH LOGIN");
    Expect(3);
    SendLine(EncodeBase64Line(UserName));
    Expect(3);
    SendLine(EncodeBase64Line(Password));
    Expect(2);
  } else {
    ConnectionError("The SMTP server " + Host() + " offers no way to log in that this program knows (PLAIN or LOGIN)");
  }
}

void TnbSMTP::Logout() {
  ProcessMessages();
  SendLine("QUIT");
  Expect(2);
}

void TnbSMTP::Send() {
  Session([this] { SendMessage(); });
}

void TnbSMTP::SendMessages(const std::function<bool()>& Next, const std::function<void()>& Sent) {
  if (!Next()) return;
  Session([&] {
    for (bool First = true;; First = false) {
      if (!First) Reset();
      SendMessage();
      Sent();
      if (!Next()) break;
    }
  });
}

void TnbSMTP::Reset() {
  SendLine("RSET");
  Expect(2);
}

std::int64_t TnbSMTP::MessageSizeLimit() const {
  for (const std::string& Line : FExtensions) {
    if (Line.substr(0, Line.find(' ')) != "SIZE") continue;
    // "SIZE 10240000"; "SIZE" alone or "SIZE 0" names no limit (RFC 1870, 4).
    const std::string_view Value = std::string_view(Line).substr(std::min<std::size_t>(5, Line.size()));
    std::int64_t Limit = 0;
    const auto [End, Error] = std::from_chars(Value.data(), Value.data() + Value.size(), Limit);
    return Error == std::errc() && Limit > 0 ? Limit : 0;
  }
  return 0;
}

void TnbSMTP::SendMessage() {
  if (!FMailMessage) SocketError(msg::SMailMessageRequired);
  TnbMessage& Message = *FMailMessage;
  Message.CheckRequired();
  const std::string& From = EnvelopeAddress(Message.Sender().Address());
  std::vector<std::string> Recipients;
  for (const TnbAddressList* List : {&Message.Recipients(), &Message.CC(), &Message.BCC()})
    for (int I = 0; I < List->Count(); ++I)
      // An entry without an address (a name alone) has nobody to deliver to.
      if (const std::string& To = List->Items(I).Address(); !To.empty()) Recipients.push_back(EnvelopeAddress(To));

  // The file goes with the stream, also when sending fails.
  TTempFileStream Text;
  if (OnPrepare) OnPrepare(this);
  Message.SaveToStream(Text);
  if (OnSending) OnSending(this);

  const std::string Stamp = MissingStamp();
  const std::int64_t Size = Text.Size() + static_cast<std::int64_t>(Stamp.size());
  if (const std::int64_t Limit = MessageSizeLimit(); Limit > 0 && Size > Limit)
    throw EMessageError("The message has " + std::to_string(Size) + " bytes, more than the " + std::to_string(Limit) +
                        " bytes the SMTP server " + Host() + " accepts");
  const std::string Mail = "MAIL FROM:<" + From + ">" + (Offers("SIZE") ? " SIZE=" + std::to_string(Size) : "");
  if (Offers("PIPELINING")) {
    SendEnvelope(Mail, Recipients);
  } else {
    SendLine(Mail);
    Expect(2);
    for (const std::string& To : Recipients) {
      SendLine("RCPT TO:<" + To + ">");
      if (ReadMultiLineReply() / 100 != 2) RecipientRefused(To);
    }
  }
  SendLine("DATA");
  Expect(3);
  TransferData(Stamp, Text);
  Expect(2);
  if (OnMailSent) OnMailSent(this);
}

void TnbSMTP::SendEnvelope(const std::string& Mail, const std::vector<std::string>& Recipients) {
  std::string Group = Mail + "\r\n";
  for (const std::string& To : Recipients) Group += "RCPT TO:<" + To + ">\r\n";
  SendText(Group);
  // Every answer of the group is read before any is acted on, so the
  // connection stays in step whatever the server refused.
  const bool MailAccepted = ReadMultiLineReply() / 100 == 2;
  const std::string MailReply = LastReply;
  std::vector<std::pair<const std::string*, std::string>> Refused;
  for (const std::string& To : Recipients)
    if (ReadMultiLineReply() / 100 != 2) Refused.emplace_back(&To, LastReply);
  if (!MailAccepted) {
    LastReply = MailReply;
    ReplyError();
  }
  for (const auto& [To, Reply] : Refused) {
    LastReply = Reply;
    RecipientRefused(*To);
  }
}

void TnbSMTP::RecipientRefused(const std::string& Address) {
  bool Proceed = false;
  if (OnAddressRejected) OnAddressRejected(this, Address, LastReply, Proceed);
  if (!Proceed) ReplyError();
}

std::string TnbSMTP::MissingStamp() const {
  // Receiving servers refuse or mark mail without these; a caller's own win.
  const TnbHeaders& Headers = FMailMessage->Headers();
  std::string Stamp;
  if (GetHeaderField(Headers, "Date").empty()) Stamp += "Date: " + RfcDateTime(std::time(nullptr)) + "\r\n";
  if (GetHeaderField(Headers, "Message-ID").empty()) Stamp += "Message-ID: " + NewMessageId(LocalHostName) + "\r\n";
  return Stamp;
}

void TnbSMTP::TransferData(const std::string& Stamp, TStream& Text) {
  if (!Stamp.empty()) SendText(Stamp);
  SendStream(Text, true);
  // The end of the data is a line "." of its own.
  if (!EndsWithLineFeed(Text)) SendLine("");
  SendLine(".");
}
