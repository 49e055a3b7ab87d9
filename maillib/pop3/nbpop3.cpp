#include "nbpop3.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <memory>
#include <set>

#include "maillib/mime/mimetext.h"
#include "maillib/transport/nberrors.h"
#include "messagelist.h"
#include "platform/runtime/msgtable.h"
#include "platform/runtime/streams.h"
#include "platform/runtime/strutils.h"

namespace {

constexpr std::uint16_t Pop3Port = 110;
constexpr std::uint16_t Pop3sPort = 995;

// A message may take this many times its LIST size, plus MessageSlack,
// before its transfer is stopped. LIST sizes are not exact (line ends,
// stuffing), but one far beyond its size is a server that does not stop.
constexpr std::int64_t MessageSizeFactor = 4;
constexpr std::int64_t MessageSlack = 1 << 20;

// The text of Reply after its status ("+OK "), from the first blank on.
std::string_view AfterStatus(std::string_view Reply) { return Reply.size() > 4 ? Reply.substr(4) : std::string_view(); }

// Turns the data of a RETR into the message text alone (RFC 1939, 3): the
// terminating line goes, and a line that begins with "." loses that first
// ".", which the server added so the line could not end the data.
void RemoveTermination(TMemoryStream& Stream) {
  std::string_view Data = Stream.View();
  if (Data == ".\r\n") Data = {};
  else if (Data.ends_with("\r\n.\r\n")) Data.remove_suffix(3);
  const std::size_t Length = Data.size();

  // Most messages have no line to unstuff: then only the terminator is cut.
  const bool Stuffed = Data.starts_with('.') || Data.find("\n.") != std::string_view::npos;
  if (!Stuffed) {
    Stream.SetSize(static_cast<std::int64_t>(Length));
    Stream.SetPosition(0);
    return;
  }
  std::string Text;
  Text.reserve(Length);
  bool LineStart = true;
  for (const char C : Data) {
    if (!(LineStart && C == '.')) Text += C;
    LineStart = C == '\n';
  }
  Stream.Clear();
  Stream.WriteString(Text);
  Stream.SetPosition(0);
}

}  // namespace

TnbCustomPOP::TnbCustomPOP(TComponent* AOwner) : TnbMailBase(AOwner) {
  ServiceName = "pop3";
  DefaultPort = Pop3Port;
}

std::uint16_t TnbCustomPOP::DefaultPortFor(TSecurity Mode) {
  return Mode == TSecurity::ImplicitTls ? Pop3sPort : Pop3Port;
}

int TnbCustomPOP::ParseReplyCode(const std::string& Line) {
  if (Line.empty()) return 0;
  if (Line[0] == '+') return 1;
  if (Line[0] == '-') return -1;
  return 0;
}

void TnbCustomPOP::CheckProperties() {
  if (UserName.empty()) SocketError(msg::SUserNameRequired);
  if (Password.empty()) SocketError(msg::SPasswordRequired);
}

void TnbCustomPOP::OpenSocket() {
  CheckProperties();
  ResetState();
  ServiceName = Security == TSecurity::ImplicitTls ? "pop3s" : "pop3";
  DefaultPort = DefaultPortFor(Security);
  TnbMailBase::OpenSocket();
}

void TnbCustomPOP::Command(const std::string& Text) {
  SendLine(Text);
  if (ReadReply(LastReply) != 1) ReplyError();
}

void TnbCustomPOP::Login() {
  ResetState();
  ConnectSocket();
  if (Security == TSecurity::ImplicitTls) StartTls();
  if (ReadReply(LastReply) != 1) ReplyError();
  if (Security == TSecurity::StartTls) {
    if (!Capabilities().contains("STLS"))
      ConnectionError("The POP3 server " + Host() + " does not offer STLS, so the connection cannot be encrypted");
    Command("STLS");
    StartTls();
  }
  if (!MayCarryCredentials())
    ConnectionError("The password of " + UserName + " is not sent to " + Host() +
                    " without encryption: choose STARTTLS or SSL/TLS for this account");
  Command("USER " + UserName);
  Command("PASS " + Password);
  Command("STAT");
  // "+OK count size": both are kept as they were when the reply has no blank.
  const std::string_view Stat = AfterStatus(LastReply);
  if (const std::size_t Blank = Stat.find(' '); Blank != std::string_view::npos) {
    const std::string_view Size = Stat.substr(Blank + 1);
    try {
      FMessageCount = StrToInt(Stat.substr(0, Blank));
      FMailboxSize = StrToInt(Size.substr(0, Size.find(' ')));
    } catch (const EConvertError&) {
      // The conversion's own text would show the server's bytes raw.
      ReplyError();
    }
  }
}

std::set<std::string> TnbCustomPOP::Capabilities() {
  SendLine("CAPA");
  std::set<std::string> Names;
  const auto Started = std::chrono::steady_clock::now();
  // A server without CAPA answers -ERR: it has no capability to offer.
  if (ReadReply(LastReply) != 1) return Names;
  // A real list is a dozen lines; a list without end is bounded as any reply.
  constexpr std::size_t MaxNames = 64;
  std::string Line;
  for (std::size_t Count = 1; ReadReplyLine(Line, Count, Started), Line != "."; ++Count)
    if (Names.size() < MaxNames) Names.insert(mimetext::UpperCase(std::string_view(Line).substr(0, Line.find(' '))));
  return Names;
}

void TnbCustomPOP::Logout() {
  if (Connected()) Command("QUIT");
}

void TnbCustomPOP::RetrieveMessage(int Num) {
  const std::string Number = std::to_string(Num + 1);
  Command("LIST " + Number);
  // "+OK number size"; a size that is not a number is no size (-1).
  std::string_view Listed = AfterStatus(LastReply);
  const std::size_t Blank = Listed.find(' ');
  Listed = Blank == std::string_view::npos ? std::string_view() : Listed.substr(Blank + 1);
  std::int64_t Size = -1;
  if (const auto [End, Error] = std::from_chars(Listed.data(), Listed.data() + Listed.size(), Size);
      Error != std::errc() || End != Listed.data() + Listed.size() || Size < 0)
    Size = -1;
  const std::int64_t Limit = Size < 0 ? MaxMessageData
                                       : std::min(MessageSizeFactor * std::min(Size, MaxMessageData) + MessageSlack,
                                                  MaxMessageData);

  if (OnRetrieving) OnRetrieving(this, Num);
  Command("RETR " + Number);
  TMemoryStream Stream;
  ReceiveToTerminator(Stream, Size, Limit);
  RemoveTermination(Stream);
  StoreMessage(Num, Stream);
  if (OnRetrieved) OnRetrieved(this, Num);
}

void TnbCustomPOP::DeleteMessage(int Num) {
  if (OnDeleting) OnDeleting(this, Num);
  SendLine("DELE " + std::to_string(Num + 1));
  ReadReply(LastReply);
}

TnbPOP::TnbPOP(TComponent* AOwner) : TnbCustomPOP(AOwner), FMessages(new TnbMessageList(this)) {}

void TnbPOP::RetrieveAll(bool LeaveOnServer) {
  Session([&] {
    for (int Num = 0; Num < MessageCount(); ++Num) {
      RetrieveMessage(Num);
      if (!LeaveOnServer) DeleteMessage(Num);
    }
  });
}

void TnbPOP::StoreMessage(int, TStream& Stream) {
  auto Message = std::make_unique<TnbListMessage>(*FMessages);
  Message->LoadFromStream(Stream);
  // Only a message that loaded stays in the list.
  Message.release();
}
