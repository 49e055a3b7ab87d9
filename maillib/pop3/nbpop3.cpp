#include "nbpop3.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <set>

#include "maillib/mime/mimetext.h"
#include "maillib/transport/nberrors.h"
#include "messagelist.h"
#include "platform/runtime/asciicase.h"
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

// Commands a pipelining client keeps in flight: a few hundred bytes, far
// below what the socket buffers of either side hold, so neither side can
// stall the other, and enough to keep the server busy. The window is topped
// up once half of it is answered, so commands go out in batches.
constexpr std::size_t PipelineWindow = 64;
// RFC 1939, 7: an id is 1 to 70 characters from 0x21 to 0x7E.
constexpr std::size_t MaxUniqueId = 70;

bool ValidUniqueId(std::string_view Id) {
  return !Id.empty() && Id.size() <= MaxUniqueId &&
         std::all_of(Id.begin(), Id.end(), [](char C) { return C >= '!' && C <= '~'; });
}

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

// The size in a LIST reply "+OK number size"; -1 when it is not a number.
std::int64_t ListedSize(std::string_view Reply) {
  std::string_view Listed = AfterStatus(Reply);
  const std::size_t Blank = Listed.find(' ');
  Listed = Blank == std::string_view::npos ? std::string_view() : Listed.substr(Blank + 1);
  std::int64_t Size = -1;
  if (const auto [End, Error] = std::from_chars(Listed.data(), Listed.data() + Listed.size(), Size);
      Error != std::errc() || End != Listed.data() + Listed.size() || Size < 0)
    return -1;
  return Size;
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
  FCapabilities.clear();
  ConnectSocket();
  if (Security == TSecurity::ImplicitTls) StartTls();
  if (ReadReply(LastReply) != 1) ReplyError();
  ReadCapabilities();
  if (Security == TSecurity::StartTls) {
    if (!Offers("STLS"))
      ConnectionError("The POP3 server " + Host() + " does not offer STLS, so the connection cannot be encrypted");
    Command("STLS");
    StartTls();
    // What the server listed before TLS may have been forged (RFC 2595, 4).
    ReadCapabilities();
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

void TnbCustomPOP::ReadCapabilities() {
  FCapabilities.clear();
  SendLine("CAPA");
  const auto Started = std::chrono::steady_clock::now();
  // A server without CAPA answers -ERR: it has no capability to offer.
  if (ReadReply(LastReply) != 1) return;
  // A real list is a dozen lines; a list without end is bounded as any reply.
  constexpr std::size_t MaxNames = 64;
  std::string Line;
  for (std::size_t Count = 1; ReadReplyLine(Line, Count, Started), Line != "."; ++Count)
    if (FCapabilities.size() < MaxNames)
      FCapabilities.insert(ToUpperAscii(std::string_view(Line).substr(0, Line.find(' '))));
}

bool TnbCustomPOP::Offers(std::string_view Capability) const { return FCapabilities.contains(Capability); }

std::vector<std::string> TnbCustomPOP::UniqueIds() {
  const std::size_t Count = FMessageCount > 0 ? static_cast<std::size_t>(FMessageCount) : 0;
  std::vector<std::string> Ids(Count);
  std::vector<int> Listed(Count);
  Command("UIDL");
  // "number id" for each message: the listing is as long as the mailbox.
  const auto Started = std::chrono::steady_clock::now();
  std::string Line;
  for (std::size_t Lines = 1; ReadReplyLine(Line, Lines, Started, Count + MaxReplyLines), Line != "."; ++Lines) {
    const std::string_view Entry = Line;
    const std::size_t Blank = Entry.find(' ');
    std::size_t Num = 0;
    const auto [End, Error] = std::from_chars(Entry.data(), Entry.data() + std::min(Blank, Entry.size()), Num);
    if (Blank == std::string_view::npos || Error != std::errc() || End != Entry.data() + Blank || Num < 1 ||
        Num > Count)
      continue;
    ++Listed[Num - 1];
    if (const std::string_view Id = Entry.substr(Blank + 1); ValidUniqueId(Id)) Ids[Num - 1] = Id;
  }
  // An id two messages share, or a message listed twice, identifies nothing.
  std::map<std::string_view, int> Uses;
  for (const std::string& Id : Ids)
    if (!Id.empty()) ++Uses[Id];
  std::vector<std::string> Trusted(Count);
  for (std::size_t I = 0; I < Count; ++I)
    if (Listed[I] == 1 && !Ids[I].empty() && Uses[Ids[I]] == 1) Trusted[I] = Ids[I];
  return Trusted;
}

void TnbCustomPOP::Logout() {
  if (Connected()) Command("QUIT");
}

void TnbCustomPOP::RetrieveMessage(int Num) { TransferMessages({{Num, true, false}}); }

void TnbCustomPOP::DeleteMessage(int Num) { TransferMessages({{Num, false, true}}); }

void TnbCustomPOP::TransferMessages(const std::vector<TPop3Task>& Tasks) {
  // Without PIPELINING one command waits for the answer of the one before.
  const std::size_t Window = Offers("PIPELINING") ? PipelineWindow : 1;
  std::deque<TDue> Due;        // sent, answers still to read, in order
  std::deque<TDue> Ahead;      // commands of the current task not yet sent
  std::deque<TDue> Deletions;  // messages stored meanwhile, deleted before further tasks
  std::size_t NextTask = 0;
  std::string Commands;

  const auto Refill = [&] {
    if (Due.size() > Window / 2) return;
    while (Due.size() < Window) {
      std::deque<TDue>& From = !Deletions.empty() ? Deletions : Ahead;
      if (From.empty()) {
        if (NextTask == Tasks.size()) break;
        const TPop3Task& Task = Tasks[NextTask++];
        if (Task.Retrieve) {
          Ahead.push_back({TDue::List, Task.Num});
          Ahead.push_back({TDue::Retr, Task.Num, Task.Delete});
        } else if (Task.Delete) {
          Ahead.push_back({TDue::Dele, Task.Num});
        }
        continue;
      }
      const TDue Next = From.front();
      From.pop_front();
      const std::string Number = std::to_string(Next.Num + 1);
      if (Next.Kind == TDue::Dele && OnDeleting) OnDeleting(this, Next.Num);
      Commands += (Next.Kind == TDue::List ? "LIST " : Next.Kind == TDue::Retr ? "RETR " : "DELE ") + Number + "\r\n";
      Due.push_back(Next);
    }
    if (!Commands.empty()) SendText(std::exchange(Commands, {}));
  };

  // LIST n is answered just before RETR n.
  std::int64_t Size = -1;
  try {
    for (Refill(); !Due.empty(); Refill()) {
      const TDue Answer = Due.front();
      Due.pop_front();
      if (Answer.Kind == TDue::Dele) {
        // A refusal is not an error: the message stays, nothing is lost.
        ReadReply(LastReply);
        continue;
      }
      if (Answer.Kind == TDue::Retr && OnRetrieving) OnRetrieving(this, Answer.Num);
      if (ReadReply(LastReply) != 1) ReplyError();
      if (Answer.Kind == TDue::List) {
        Size = ListedSize(LastReply);
        continue;
      }
      TMemoryStream Stream;
      ReceiveMessageData(Stream, Size);
      StoreMessage(Answer.Num, Stream);
      if (OnRetrieved) OnRetrieved(this, Answer.Num);
      if (Answer.DeleteAfter) Deletions.push_back({TDue::Dele, Answer.Num});
    }
  } catch (...) {
    if (!Due.empty() && Connected()) SkipAnswers(Due);
    throw;
  }
}

void TnbCustomPOP::SkipAnswers(std::deque<TDue>& Due) noexcept {
  // The answers still on their way are read and dropped, so QUIT is answered
  // as QUIT and the deletions of the stored messages take effect. Nothing of
  // them is shown: the error that ended the transfer is the one to see.
  const TnbProgressEvent Progress = std::exchange(OnProgress, nullptr);
  try {
    std::int64_t Size = -1;
    for (; !Due.empty(); Due.pop_front()) {
      const int Code = ReadReply(LastReply);
      if (Due.front().Kind == TDue::List && Code == 1) Size = ListedSize(LastReply);
      if (Due.front().Kind != TDue::Retr || Code != 1) continue;
      TMemoryStream Dropped;
      ReceiveMessageData(Dropped, Size);
    }
  } catch (...) {
    // Out of step with the server: only closing ends the connection safely.
    CloseAfterError();
  }
  OnProgress = Progress;
}

void TnbCustomPOP::ReceiveMessageData(TMemoryStream& Stream, std::int64_t Size) {
  const std::int64_t Limit = Size < 0 ? MaxMessageData
                                       : std::min(MessageSizeFactor * std::min(Size, MaxMessageData) + MessageSlack,
                                                  MaxMessageData);
  ReceiveToTerminator(Stream, Size, Limit);
  RemoveTermination(Stream);
}

TnbPOP::TnbPOP(TComponent* AOwner) : TnbCustomPOP(AOwner), FMessages(new TnbMessageList(this)) {}

void TnbPOP::RetrieveAll(bool LeaveOnServer) {
  Session([&] {
    std::vector<TPop3Task> Tasks;
    for (int Num = 0; Num < MessageCount(); ++Num) Tasks.push_back({Num, true, !LeaveOnServer});
    TransferMessages(Tasks);
  });
}

void TnbPOP::StoreMessage(int, TStream& Stream) {
  auto Message = std::make_unique<TnbListMessage>(*FMessages);
  Message->LoadFromStream(Stream);
  // Only a message that loaded stays in the list.
  Message.release();
}
