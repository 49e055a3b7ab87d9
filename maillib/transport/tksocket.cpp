#include "tksocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>

#include "nberrors.h"
#include "platform/net/socketerrors.h"
#include "platform/net/tkwinsock.h"
#include "platform/runtime/msgtable.h"
#include "platform/runtime/processmessages.h"
#include "platform/runtime/streams.h"
#include "platform/runtime/textencoding.h"
#include "platform/tls/tlssession.h"
#include "raslink.h"
#include "waitloop.h"

namespace {

// Socket library version 1.1.
constexpr int WinsockVersion = 257;
constexpr std::string_view Terminator = "\r\n.\r\n";

const TtkWinsock& Winsock() { return TtkWinsock::Instance(); }

// Text up to the first ":" of Server.
std::string_view HostPart(std::string_view Server) { return Server.substr(0, Server.find(':')); }

// The port after the first ":" of Server, or -1 when there is none or it is not a port number.
int PortPart(std::string_view Server) {
  const auto Colon = Server.find(':');
  if (Colon == std::string_view::npos) return -1;
  const std::string_view Text = Server.substr(Colon + 1);
  int Port = -1;
  const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Port);
  if (Error != std::errc() || End != Text.data() + Text.size() || Port < 0 || Port > 65535) return -1;
  return Port;
}

// Chunk with every "." that begins a line doubled (RFC 5321, 4.5.2), so no
// line of the text can end the data early. AtLineStart carries the state
// from one chunk to the next.
std::string_view StuffDots(std::string_view Chunk, bool& AtLineStart, std::string& Out) {
  Out.clear();
  for (const char C : Chunk) {
    if (AtLineStart && C == '.') Out += '.';
    Out += C;
    AtLineStart = C == '\n';
  }
  return Out;
}

// Where the data that began at Start ends, just after its terminating line
// (an empty message is that line alone); npos while it goes on. Only the
// bytes from Scanned on are new, and a terminator may straddle them.
std::size_t DataEnd(std::string_view Data, std::size_t Start, std::size_t Scanned) {
  if (Data.substr(Start, 3) == ".\r\n") return Start + 3;
  const std::size_t From = std::max(Start, Scanned >= Terminator.size() ? Scanned - (Terminator.size() - 1) : 0);
  const std::size_t Found = Data.find(Terminator, From);
  return Found == std::string_view::npos ? Found : Found + Terminator.size();
}

}  // namespace

TtkSocket::TtkSocket(TComponent* AOwner) : TComponent(AOwner) {}

TtkSocket::~TtkSocket() {
  FTls.reset();
  if (!Winsock().Loaded()) return;
  if (FSocket != -1) Winsock().Proc(wsproc::closesocket)(FSocket);
  for (; FStartups > 0; --FStartups) Winsock().Proc(wsproc::WSACleanup)();
}

bool TtkSocket::WinsockLoaded() const { return Winsock().Loaded(); }

void TtkSocket::SetWinsockLoaded(bool Value) {
  auto& Library = TtkWinsock::Instance();
  if (Value && !Library.Loaded()) Library.Load();
  if (!Value) Library.Unload();
}

void TtkSocket::SetRAS(TRasLink* Value) {
  if (FRAS == Value) return;
  if (FRAS) FRAS->RemoveFreeNotification(this);
  FRAS = Value;
  if (FRAS) FRAS->FreeNotification(this);
}

void TtkSocket::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FRAS) FRAS = nullptr;
}

void TtkSocket::ResetState() {
  FCanceled = false;
  FCounter.SetTimedOut(false);
  FLookup.reset();
  FAsyncError = false;
  FHostLookupDone = false;
  FServiceLookupDone = false;
  FConnectDone = false;
  FDataAvailable = false;
  FReadyToWrite = false;
  FClosedByPeer = false;
}

int TtkSocket::ParseReplyCode(const std::string& Line) {
  if (Line.size() < 3) return -1;
  int Code = 0;
  for (int I = 0; I < 3; ++I) {
    if (Line[I] < '0' || Line[I] > '9') return -1;
    Code = Code * 10 + (Line[I] - '0');
  }
  return Code;
}

int TtkSocket::LastSocketError() const { return Winsock().Proc(wsproc::WSAGetLastError)(); }

void TtkSocket::Pump(short Events) {
  if (FLookup && FLookup->Done.load(std::memory_order_acquire)) {
    FAsyncErrorCode = FLookup->Error;
    FAsyncError = FAsyncErrorCode != 0;
    FHostLookupDone = FServiceLookupDone = true;
  }
  pollfd Fd{FSocket, Events, 0};
  const bool Watch = FSocket != -1 && Events != 0;
  if (Winsock().Proc(wsproc::WSAPoll)(&Fd, Watch ? 1 : 0, WaitSliceMs) > 0) {
    const bool Failed = Fd.revents & (POLLERR | POLLHUP);
    const int Error = Failed || FConnecting ? Winsock().Proc(wsproc::WSAGetSocketError)(FSocket) : 0;
    if (Error != 0) {
      FAsyncErrorCode = Error;
      FAsyncError = true;
      // A refused connection reports ECONNREFUSED: a reset follows a connection
      // that was made, and what the server sent before it is still to be read.
      if (FConnecting && Error == wsaerr::WSAECONNRESET) FConnectDone = true;
    } else if (FConnecting) {
      if (Fd.revents & POLLOUT) FConnectDone = true;
    } else {
      // A peer that has closed shows as readable: the next receive finds the end.
      if (Fd.revents & (POLLIN | POLLHUP | POLLERR)) FDataAvailable = true;
      if (Fd.revents & POLLOUT) FReadyToWrite = true;
    }
  }
  ProcessMessages();
}

void TtkSocket::AwaitLookup(const TLookupHandle& Lookup, bool& DoneFlag) {
  FLookup = Lookup;
  DoneFlag = FAsyncError = false;
  WaitUntil(FCounter, FCanceled, [&] { return DoneFlag; }, [this] { Pump(0); });
  // Nobody waits for a lookup that was cancelled or timed out any more.
  if (FLookup && !DoneFlag) Winsock().Proc(wsproc::WSACancelAsyncRequest)(FLookup);
  FLookup.reset();
}

void TtkSocket::OpenSocket() {
  if (FRAS) FRAS->Connect();
  if (OnOpen) OnOpen(this);
  if (Server.empty()) SocketError(msg::SServerRequired);

  if (Winsock().Proc(wsproc::WSAStartup)(WinsockVersion) != 0) SocketError(msg::SInvalidWinsockVersion);
  ++FStartups;

  const std::string Host(HostPart(Server));
  char Name[512] = {};
  LocalHostName = Winsock().Proc(wsproc::gethostname)(Name, sizeof Name - 1) == -1 ? Host : Name;

  const auto Inet = Winsock().Proc(wsproc::inet_addr);
  FRemoteAddr = Inet(Host.c_str());
  if (FRemoteAddr == INADDR_NONE) {
    const TLookupHandle Lookup = Winsock().Proc(wsproc::WSAAsyncGetHostByName)(Host);
    if (!Lookup) SocketError(LastSocketError());
    AwaitLookup(Lookup, FHostLookupDone);
    if (FAsyncError) SocketError(FAsyncErrorCode);
    else if (FCounter.TimedOut()) TimedOutError();
    else if (FCanceled) CanceledError();
    ProcessMessages();
    if (Lookup->Addresses.empty()) SocketError(msg::SErrorResolvingHost);
    in_addr First{Lookup->Addresses.front()};
    char Text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &First, Text, sizeof Text);
    RemoteAddress = Text;
    FRemoteAddr = Inet(RemoteAddress.c_str());
    if (FRemoteAddr == INADDR_NONE) SocketError(msg::SErrorResolvingHost);
  }

  if (const int Given = PortPart(Server); Given >= 0) {
    FRemotePort = static_cast<std::uint16_t>(Given);
  } else if (Port != 0) {
    FRemotePort = Port;
  } else {
    if (ServiceName.empty()) SocketError(msg::SServiceNameRequired);
    if (FCanceled) CanceledError();
    FRemotePort = DefaultPort;
    if (const TLookupHandle Lookup = Winsock().Proc(wsproc::WSAAsyncGetServByName)(ServiceName, "tcp")) {
      AwaitLookup(Lookup, FServiceLookupDone);
      if (FAsyncError || FCounter.TimedOut()) FCounter.SetTimedOut(false);
      else if (FCanceled) CanceledError();
      else FRemotePort = Winsock().Proc(wsproc::htons)(Lookup->Port);
    }
  }

  FSocket = Winsock().Proc(wsproc::socket)(AF_INET, SOCK_STREAM, 0);
  if (FSocket < 0) {
    FSocket = -1;
    SocketError(LastSocketError());
  }
}

void TtkSocket::ConnectSocket() {
  if (FCanceled) CanceledError();
  sockaddr_in Address{};
  Address.sin_family = AF_INET;
  Address.sin_port = Winsock().Proc(wsproc::htons)(FRemotePort);
  Address.sin_addr.s_addr = FRemoteAddr;

  using namespace wsevent;
  if (Winsock().Proc(wsproc::WSAAsyncSelect)(FSocket, FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE) != 0)
    SocketError(LastSocketError());
  // A new connection starts without events of an earlier one.
  FConnectDone = FAsyncError = FDataAvailable = FClosedByPeer = false;
  FReceived.clear();
  FPeerCertificate = {};

  if (Winsock().Proc(wsproc::connect)(FSocket, reinterpret_cast<const sockaddr*>(&Address), sizeof Address) == 0) {
    FConnectDone = true;
  } else if (const int Error = LastSocketError(); Error != wsaerr::WSAEWOULDBLOCK) {
    SocketError(Error);
  }
  FConnecting = true;
  WaitUntil(FCounter, FCanceled, [this] { return FConnectDone || FAsyncError; }, [this] { Pump(POLLOUT); });
  FConnecting = false;
  if (FCanceled) CanceledError();
  if (FAsyncError && !FConnectDone) SocketError(FAsyncErrorCode);
  if (FCounter.TimedOut()) TimedOutError();
}

void TtkSocket::SendAll(std::string_view Data) {
  std::size_t Sent = 0;
  while (Sent < Data.size() && !FCanceled && !FCounter.TimedOut()) {
    ProcessMessages();
    int Error = 0;
    const long N = SendSome(Data.data() + Sent, Data.size() - Sent, Error);
    if (N < 0) {
      if (Error != wsaerr::WSAEWOULDBLOCK && !FCanceled) SocketError(Error);
      Pump(POLLOUT);
      if (FAsyncError && !FCanceled) SocketError(FAsyncErrorCode);
    } else {
      Sent += static_cast<std::size_t>(N);
      FCounter.Start();
      ProcessMessages();
    }
  }
}

void TtkSocket::CheckConnected() {
  if (Connected()) return;
  // A handler that pressed Stop closed the socket: the caller sees the
  // cancellation, not a missing connection.
  if (FCanceled) CanceledError();
  SocketError(msg::SNotConnected);
}

void TtkSocket::SendLine(const std::string& Text) { SendText(Text + "\r\n"); }

void TtkSocket::SendText(std::string_view Text) {
  CheckConnected();
  FCounter.Start();
  SendAll(Text);
  FCounter.Stop();
  if (FCounter.TimedOut()) TimedOutError();
  if (FCanceled) CanceledError();
}

void TtkSocket::WaitForData() {
  // TLS may hold decrypted bytes that the socket no longer signals.
  if (!FReceived.empty() || (FTls && FTls->Pending())) FDataAvailable = true;
  WaitUntil(FCounter, FCanceled, [this] { return FDataAvailable || FAsyncError; }, [this] { Pump(POLLIN); });
  if (FCanceled) CanceledError();
  if (FCounter.TimedOut()) TimedOutError();
  // A reset (FAsyncError) is raised by the reading that follows, once it has
  // taken what arrived before it: a reply sent just before a reset counts.
  FCounter.Start();
  FDataAvailable = false;
  ProcessMessages();
}

int TtkSocket::ReadReply(std::string& Line) {
  CheckConnected();
  WaitForData();

  char Buffer[ReceiveChunk];
  std::size_t Scanned = 0;
  std::size_t Lf = FReceived.find('\n');
  bool LastWasEnd = false;
  while (Lf == std::string::npos && !FCanceled && !FCounter.TimedOut() && !(FClosedByPeer && LastWasEnd)) {
    ProcessMessages();
    int Error = 0;
    const long N = ReceiveSome(Buffer, sizeof Buffer, Error);
    LastWasEnd = N == 0;
    if (N < 0) {
      if (Error != wsaerr::WSAEWOULDBLOCK && !FCanceled) SocketError(Error);
      // A reset seen while waiting ends this line once nothing is left to read.
      if (FAsyncError && !FCanceled) SocketError(FAsyncErrorCode);
      Pump(POLLIN);
      continue;
    }
    if (N == 0) FClosedByPeer = true;
    Scanned = FReceived.size();
    FReceived.append(Buffer, static_cast<std::size_t>(N));
    Lf = FReceived.find('\n', Scanned);
    // An endless line is cut; the bytes beyond the limit are dropped as they come.
    if (Lf == std::string::npos && FReceived.size() > MaxReplyLine) FReceived.resize(MaxReplyLine);
    ProcessMessages();
  }
  FCounter.Stop();

  int Code = -1;
  Line.clear();
  if (Lf != std::string::npos) {
    std::size_t End = std::min(Lf, MaxReplyLine);
    while (End > 0 && (FReceived[End - 1] == '\r' || FReceived[End - 1] == '\n')) --End;
    Line.assign(FReceived, 0, End);
    FReceived.erase(0, Lf + 1);
    Code = ParseReplyCode(Line);
  }
  if (FCounter.TimedOut()) TimedOutError();
  if (FCanceled) CanceledError();
  if (Lf == std::string::npos && FClosedByPeer) SocketError(FAsyncError ? FAsyncErrorCode : wsaerr::WSAEDISCON);
  return Code;
}

int TtkSocket::ReadReplyLine(std::string& Line, std::size_t Count, std::chrono::steady_clock::time_point Started,
                             std::size_t MaxLines) {
  if (Count >= MaxLines)
    ConnectionError("The reply of " + Host() + " has more than " + std::to_string(MaxLines) +
                    " lines; the connection was closed");
  if (std::chrono::steady_clock::now() - Started > std::chrono::seconds(TimeOut()))
    ConnectionError("The reply of " + Host() + " did not end within " + std::to_string(TimeOut()) +
                    " s; the connection was closed");
  return ReadReply(Line);
}

int TtkSocket::ReadMultiLineReply(std::vector<std::string>* Lines) {
  if (Lines) Lines->clear();
  const auto Started = std::chrono::steady_clock::now();
  const int Code = ReadReply(LastReply);
  if (Lines) Lines->push_back(LastReply);
  // Every line but the last has "-" after its code; the last may be the code
  // alone (RFC 5321, 4.2.1), and one with another code must end it too.
  for (std::size_t Count = 1; Code > 0 && LastReply.size() > 3 && LastReply[3] == '-'; ++Count) {
    ReadReplyLine(LastReply, Count, Started);
    if (Lines) Lines->push_back(LastReply);
  }
  return Code;
}

std::string TtkSocket::PrintableReply(std::string_view Reply) {
  std::string Text;
  while (!Reply.empty()) {
    const std::size_t Length = UTF8SequenceLength(Reply);
    const auto First = static_cast<unsigned char>(Reply[0]);
    // C1 controls (U+0080 to U+009F) steer terminals as much as C0 ones do.
    const bool C1 = Length == 2 && First == 0xC2 && static_cast<unsigned char>(Reply[1]) < 0xA0;
    if (Length == 0 || First < 0x20 || First == 0x7F || C1) {
      const std::size_t Bytes = std::max<std::size_t>(Length, 1);
      for (std::size_t I = 0; I < Bytes; ++I) {
        char Escape[5];
        std::snprintf(Escape, sizeof Escape, "\\x%02x", static_cast<unsigned char>(Reply[I]));
        Text += Escape;
      }
      Reply.remove_prefix(Bytes);
    } else {
      Text.append(Reply.substr(0, Length));
      Reply.remove_prefix(Length);
    }
  }
  return Text;
}

void TtkSocket::ReplyError() const {
  // Blanks and NULs alone would make an error message without any text.
  if (LastReply.find_first_not_of(std::string_view(" \t\r\v\f\0", 6)) == std::string::npos)
    throw EServerError("The server sent an empty reply");
  throw EServerError(PrintableReply(LastReply));
}

void TtkSocket::ReportProgress(std::int64_t Transferred, std::int64_t Total) {
  if (!OnProgress) return;
  // Halves round to even, as the progress figures always have. A server
  // sending more than it announced stops the figure at 100, so it never
  // overflows an int.
  const int Perc =
      Total < 1 ? -1 : static_cast<int>(std::min(100.0, std::nearbyint(Transferred * 100.0 / Total)));
  OnProgress(this, Perc, static_cast<int>(std::min<std::int64_t>(Transferred, INT_MAX)));
}

void TtkSocket::ReceiveToTerminator(TMemoryStream& Stream, std::int64_t ExpectedSize, std::int64_t MaxSize) {
  CheckConnected();
  WaitForData();

  // Room for the whole message at once, within reason: the size is the server's word.
  constexpr std::int64_t MaxReserve = 256 << 20;
  if (ExpectedSize > 0) Stream.Reserve(static_cast<std::size_t>(std::min(ExpectedSize, MaxReserve)) + 64);

  const std::int64_t Start = Stream.Size();
  char Buffer[ReceiveChunk];
  bool Complete = false;
  FCounter.Start();
  while (!Complete && !FCanceled && !FCounter.TimedOut()) {
    long N;
    if (!FReceived.empty()) {
      // Data that came with the last reply line.
      N = static_cast<long>(std::min(FReceived.size(), sizeof Buffer));
      FReceived.copy(Buffer, static_cast<std::size_t>(N));
      FReceived.erase(0, static_cast<std::size_t>(N));
    } else {
      int Error = 0;
      N = ReceiveSome(Buffer, sizeof Buffer, Error);
      if (N < 0) {
        if (Error != wsaerr::WSAEWOULDBLOCK && !FCanceled) SocketError(Error);
        // A reset seen while waiting ends the data once nothing is left to read.
        if (FAsyncError && !FCanceled) SocketError(FAsyncErrorCode);
        N = 0;
      } else if (N == 0 && !FCanceled) {
        // The server went away before the terminator: waiting on is pointless.
        FClosedByPeer = true;
        SocketError(FAsyncError ? FAsyncErrorCode : wsaerr::WSAEDISCON);
      }
    }
    const std::int64_t Before = Stream.Size();
    if (N > 0) {
      Stream.Seek(0, TSeekOrigin::soEnd);
      Stream.Write(Buffer, static_cast<std::size_t>(N));
      const std::size_t End = DataEnd(Stream.View(), static_cast<std::size_t>(Start), static_cast<std::size_t>(Before));
      Complete = End != std::string_view::npos;
      if (Complete && End < static_cast<std::size_t>(Stream.Size())) {
        // A pipelining server's next answers came along: they stay for ReadReply.
        FReceived.insert(0, Stream.View().substr(End));
        Stream.SetSize(static_cast<std::int64_t>(End));
      }
      FCounter.Start();
    }
    ReportProgress(Stream.Size() - Start, ExpectedSize);
    // A server that never ends the data would take all memory.
    if (!Complete && Stream.Size() - Start > MaxSize)
      ConnectionError("The server " + Host() + " sent more than " + std::to_string(MaxSize) +
                      " bytes for one message; the transfer was stopped");
    if (Stream.Size() == Before && !Complete) Pump(POLLIN);
    else ProcessMessages();
  }
  FCounter.Stop();
  if (FCounter.TimedOut()) TimedOutError();
  if (FCanceled) CanceledError();
}

void TtkSocket::SendStream(TStream& Stream, bool DotStuff) {
  CheckConnected();
  Stream.SetPosition(0);
  const std::int64_t Size = Stream.Size();
  char Buffer[SendChunk];
  std::string Stuffed;
  bool AtLineStart = true;
  bool Last = false;
  while (!Last && !FCanceled && !FCounter.TimedOut()) {
    const std::size_t N = Stream.Read(Buffer, sizeof Buffer);
    const std::string_view Chunk(Buffer, N);
    FCounter.Start();
    SendAll(DotStuff ? StuffDots(Chunk, AtLineStart, Stuffed) : Chunk);
    FCounter.Stop();
    Last = N < sizeof Buffer;
    ReportProgress(Stream.Position(), Size);
  }
  if (FCounter.TimedOut()) TimedOutError();
  if (FCanceled) CanceledError();
  if (OnProgress) OnProgress(this, 0, 0);
}

void TtkSocket::Close() {
  if (FSocket != -1) {
    try {
      if (OnClosing) OnClosing(this);
    } catch (...) {
      // The socket goes even when a handler fails: a held socket would make
      // every later Connect believe it is still connected.
      ReleaseSocket();
      throw;
    }
    ReleaseSocket();
    if (OnClosed) OnClosed(this);
  }
  if (FRAS) {
    FRAS->HangUp();
    FRAS->StopDialWait();
  }
}

void TtkSocket::ReleaseSocket() {
  if (FTls) {
    FTls->Shutdown();
    FTls.reset();
  }
  Winsock().Proc(wsproc::closesocket)(FSocket);
  FSocket = -1;
  FReceived.clear();
}

void TtkSocket::Cancel() {
  FCanceled = true;
  if (OnCancel) OnCancel(this);
  if (FLookup) {
    Winsock().Proc(wsproc::WSACancelAsyncRequest)(FLookup);
    FLookup.reset();
  }
  Close();
}

void TtkSocket::SocketError(int Code) {
  if (Code == 0) return;
  FCounter.Stop();
  std::string Msg = LoadStr(Code);
  if (Msg.empty()) Msg = "Error #" + std::to_string(Code);
  if (OnError) OnError(this, Msg);
  // A connection the peer has reset or closed cannot carry another command.
  if (Code == wsaerr::WSAECONNRESET || Code == wsaerr::WSAEDISCON) Close();
  throw ESocketError(Msg);
}

void TtkSocket::TimedOutError() {
  FCounter.Stop();
  const std::string Text = LoadStr(msg::STimedOut);
  std::string Msg = Text;
  if (OnError) OnError(this, Msg);
  if (FLookup) {
    Winsock().Proc(wsproc::WSACancelAsyncRequest)(FLookup);
    FLookup.reset();
  }
  Close();
  throw ETimedOutError(Text);
}

void TtkSocket::CanceledError() {
  FCounter.Stop();
  const std::string Text = LoadStr(msg::SCanceled);
  std::string Msg = Text;
  if (OnError) OnError(this, Msg);
  throw ECanceledError(Text);
}

std::string TtkSocket::Host() const { return std::string(HostPart(Server)); }

bool TtkSocket::MayCarryCredentials() const {
  // 127.0.0.0/8: the text never leaves this machine.
  return Encrypted() || (Connected() && (ntohl(FRemoteAddr) >> 24) == 127);
}

long TtkSocket::RawReceive(char* Buffer, std::size_t Size, int& Error) {
  const long N = Winsock().Proc(wsproc::recv)(FSocket, Buffer, Size, 0);
  if (N < 0) Error = LastSocketError();
  return N;
}

long TtkSocket::RawSend(const char* Data, std::size_t Size, int& Error) {
  const long N = Winsock().Proc(wsproc::send)(FSocket, Data, Size, 0);
  if (N < 0) Error = LastSocketError();
  return N;
}

long TtkSocket::ReceiveSome(char* Buffer, std::size_t Size, int& Error) {
  if (!FTls) return RawReceive(Buffer, Size, Error);
  TTlsSession::TResult Result;
  const std::size_t N = FTls->Read(Buffer, Size, Result);
  switch (Result) {
    case TTlsSession::TResult::Done:
      return static_cast<long>(N);
    case TTlsSession::TResult::Closed:
      return 0;
    case TTlsSession::TResult::Failed:
      TlsFailure(*FTls);
    default:
      Error = wsaerr::WSAEWOULDBLOCK;
      return -1;
  }
}

long TtkSocket::SendSome(const char* Data, std::size_t Size, int& Error) {
  if (!FTls) return RawSend(Data, Size, Error);
  TTlsSession::TResult Result;
  const std::size_t N = FTls->Write(Data, Size, Result);
  switch (Result) {
    case TTlsSession::TResult::Done:
      return static_cast<long>(N);
    case TTlsSession::TResult::Failed:
      TlsFailure(*FTls);
    case TTlsSession::TResult::Closed:
      Error = wsaerr::WSAEDISCON;
      return -1;
    default:
      Error = wsaerr::WSAEWOULDBLOCK;
      return -1;
  }
}

void TtkSocket::TlsFailure(const TTlsSession& Session) {
  // A reset or a refused write keeps its own text, as without TLS.
  if (Session.TransportError() != 0) SocketError(Session.TransportError());
  ConnectionError("The encrypted connection with " + Host() + " failed: " + Session.ErrorText());
}

void TtkSocket::StartTls() {
  CheckConnected();
  // Bytes that came before the handshake travelled in plain text: anyone on
  // the path could have put them there, so none may be read as a reply.
  FReceived.clear();
  std::unique_ptr<TTlsSession> Session;
  try {
    using namespace std::placeholders;
    TTlsTransport Transport{std::bind(&TtkSocket::RawReceive, this, _1, _2, _3),
                            std::bind(&TtkSocket::RawSend, this, _1, _2, _3), wsaerr::WSAEWOULDBLOCK};
    Session = std::make_unique<TTlsSession>(std::move(Transport), Host());
  } catch (const ETlsError& E) {
    ConnectionError(E.Message);
  }
  Handshake(*Session);
  CheckCertificate(*Session);
  FTls = std::move(Session);
}

void TtkSocket::Handshake(TTlsSession& Session) {
  using TResult = TTlsSession::TResult;
  TResult Step = TResult::WantWrite;
  WaitUntil(
      FCounter, FCanceled,
      [&] {
        Step = Session.Handshake();
        return Step != TResult::WantRead && Step != TResult::WantWrite;
      },
      [&] { Pump(Step == TResult::WantWrite ? POLLOUT : POLLIN); });
  if (FCanceled) CanceledError();
  if (FCounter.TimedOut()) TimedOutError();
  if (Step == TResult::Failed && Session.TransportError() != 0) SocketError(Session.TransportError());
  if (Step == TResult::Failed)
    ConnectionError("The TLS handshake with " + Host() + " failed: " + Session.ErrorText());
  if (Step == TResult::Closed)
    ConnectionError("The TLS handshake with " + Host() + " failed: the server closed the connection");
}

void TtkSocket::CheckCertificate(const TTlsSession& Session) {
  FPeerCertificate = Session.PeerCertificate();
  const std::string Problem = Session.VerifyProblem();
  if (Problem.empty()) return;
  bool Trust = !FPeerCertificate.Sha256.empty() && TrustedCertificate == FPeerCertificate.Sha256;
  if (!Trust && OnUntrustedCertificate) OnUntrustedCertificate(this, FPeerCertificate, Problem, Trust);
  if (!Trust) ConnectionError("The certificate of " + Host() + " is not trusted: " + Problem);
}

void TtkSocket::ConnectionError(std::string Msg) {
  FCounter.Stop();
  if (OnError) OnError(this, Msg);
  Close();
  throw ESocketError(Msg);
}
