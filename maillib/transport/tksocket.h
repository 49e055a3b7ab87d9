#pragma once

#include <poll.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <memory>

#include "nbevents.h"
#include "platform/net/asynclookup.h"
#include "platform/tls/certificate.h"
#include "platform/runtime/component.h"
#include "security.h"
#include "timecounter.h"

class TRasLink;
class TTlsSession;
class TStream;
class TMemoryStream;

// One TCP connection to a mail server: host and service lookup, connect,
// reply lines and bulk data. Every step waits without blocking the user
// interface: it polls the socket a few milliseconds at a time and lets the
// interface run in between, until the step completes, the user cancels, an
// error is reported or TimeOut seconds pass without progress.
class TtkSocket : public TComponent {
public:
  // Bytes asked for per receive call of bulk data.
  static constexpr std::size_t ReceiveChunk = 16384;
  // Bytes sent per chunk of a stream.
  static constexpr std::size_t SendChunk = 2047;
  // Longer reply lines are cut to this; the rest of such a line is dropped.
  static constexpr std::size_t MaxReplyLine = 65536;
  // Lines of one multi-line reply (or POP3 list); a longer one is an error.
  static constexpr std::size_t MaxReplyLines = 256;
  // The most bytes ReceiveToTerminator takes for one message.
  static constexpr std::int64_t MaxMessageData = std::int64_t{1} << 30;

  explicit TtkSocket(TComponent* AOwner = nullptr);
  ~TtkSocket() override;

  // Host name or dotted IPv4 address, optionally followed by ":" and a port.
  std::string Server;
  // Port used when the service lookup gives no answer.
  std::uint16_t DefaultPort = 0;
  // Looked up in the service database to find the port ("pop3", "smtp").
  std::string ServiceName;
  // The port to use when Server names none; 0 leaves it to ServiceName and DefaultPort.
  std::uint16_t Port = 0;

  // How the connection is protected. The mail clients run StartTls at the
  // point their protocol asks for it.
  TSecurity Security = TSecurity::None;
  // The SHA-256 fingerprint (as TCertificateFacts gives it) of a certificate
  // the user has trusted for this server although it fails verification.
  std::string TrustedCertificate;
  // A certificate failed verification and is not the trusted one: the
  // handler may set Trust. Without a handler it is refused.
  TnbCertificateEvent OnUntrustedCertificate;

  TNotifyEvent OnOpen;
  TNotifyEvent OnClosing;
  TNotifyEvent OnClosed;
  TNotifyEvent OnCancel;
  TnbProgressEvent OnProgress;
  TnbErrorEvent OnError;

  // Dotted form of the address found by the last host lookup.
  std::string RemoteAddress;
  // This machine's host name.
  std::string LocalHostName;
  // The last reply line read, without its line end, as the server sent it.
  std::string LastReply;

  // Reply text fit to show in a message or on a terminal: control bytes and
  // bytes that are not UTF-8 become "\xNN", so a server's escape sequences
  // never reach the screen.
  static std::string PrintableReply(std::string_view Reply);

  // Seconds a step may wait without progress; 60 by default.
  int TimeOut() const { return FCounter.TimeOut; }
  void SetTimeOut(int Value) { FCounter.TimeOut = Value; }

  // Whether the socket library is loaded; setting it loads or unloads it.
  bool WinsockLoaded() const;
  void SetWinsockLoaded(bool Value);

  // A dial-up component to dial on open and hang up on close; cleared when it is destroyed.
  TRasLink* RAS() const { return FRAS; }
  void SetRAS(TRasLink* Value);

  // True while a socket is held, from OpenSocket until Close.
  bool Connected() const { return FSocket != -1; }
  // The port of the last connection.
  std::uint16_t RemotePort() const { return FRemotePort; }
  // The descriptor of the socket, -1 when none is held.
  int SocketHandle() const { return FSocket; }
  // True once StartTls has succeeded on this connection: the certificate was
  // verified or trusted by the user, and every byte now goes through TLS.
  bool Encrypted() const { return FTls != nullptr; }
  // The server's certificate on this connection (empty before StartTls).
  const TCertificateFacts& PeerCertificate() const { return FPeerCertificate; }
  // Whether a user name and password may be sent now: over an encrypted
  // channel, or in plain text to a loopback address.
  bool MayCarryCredentials() const;

  // Clears the cancel, time-out and event flags before a new connection.
  virtual void ResetState();
  // The number formed by the first three characters of Line, or -1.
  virtual int ParseReplyCode(const std::string& Line);
  // Resolves Server and its port and creates the socket (not yet connected).
  virtual void OpenSocket();
  // Closes the socket (OnClosing, OnClosed) and hangs up a linked dial-up connection.
  virtual void Close();
  // Ends the waiting operation with ECanceledError and closes the socket.
  virtual void Cancel();

  // Connects the socket made by OpenSocket.
  void ConnectSocket();
  // Runs the TLS handshake on the connected socket (SNI and host name or
  // address check against Server's host) and verifies the certificate; a
  // failure raises ESocketError naming the server and the reason. Whatever
  // the server sent before the handshake is dropped.
  void StartTls();
  // Sends Text followed by CR LF.
  void SendLine(const std::string& Text);
  // Sends Text as it is: several command lines, each ending in CR LF, in one
  // write (pipelining).
  void SendText(std::string_view Text);
  // Reads one line; returns ParseReplyCode of it, or -1 when no line arrived.
  int ReadReply(std::string& Line);
  // Reads a reply that may span several lines ("250-" ... "250 "): the first
  // line without "-" after its code ends it. LastReply is the last line read,
  // the result the first line's code. Lines, when given, receives every line
  // of the reply.
  int ReadMultiLineReply(std::vector<std::string>* Lines = nullptr);
  // Appends received data to Stream until it ends with CR LF "." CR LF; what
  // the server sent after that line stays for the next reply.
  // Data beyond MaxSize bytes ends the transfer with ESocketError and closes
  // the connection, since the rest of it cannot be skipped.
  void ReceiveToTerminator(TMemoryStream& Stream, std::int64_t ExpectedSize, std::int64_t MaxSize = MaxMessageData);
  // Sends the whole content of Stream; with DotStuff every line that begins
  // with "." gets a second one (the SMTP data transfer). Progress counts the
  // bytes of Stream.
  void SendStream(TStream& Stream, bool DotStuff = false);

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // The error paths every step uses: a socket error by number (none for 0),
  // a time-out and a cancellation. Each reports through OnError first.
  void SocketError(int Code);
  [[noreturn]] void TimedOutError();
  [[noreturn]] void CanceledError();
  // Any other failure of the connection, in words: reported through OnError,
  // the socket closed, ESocketError raised.
  [[noreturn]] void ConnectionError(std::string Msg);
  // The host part of Server.
  std::string Host() const;
  // Reads the line after the first Count lines of a reply that began at
  // Started. A server may not hold the client with a reply that never ends:
  // more than MaxLines lines, or a reply still going after TimeOut seconds,
  // is reported and closes the connection with ESocketError.
  int ReadReplyLine(std::string& Line, std::size_t Count, std::chrono::steady_clock::time_point Started,
                    std::size_t MaxLines = MaxReplyLines);
  // Raises EServerError with LastReply as PrintableReply shows it, or with
  // words for a reply that holds nothing but blanks.
  [[noreturn]] void ReplyError() const;

  bool Canceled() const { return FCanceled; }

private:
  // Raises ECanceledError after Cancel, else the not-connected error, unless connected.
  void CheckConnected();
  // One turn of every wait: polls the socket for Events for a few
  // milliseconds, turns what happened into flags, lets the interface run.
  void Pump(short Events);
  // Waits for received data (or a flag that ends the wait) and raises what ended it.
  void WaitForData();
  // Sends Data; stops early when cancelled or timed out.
  void SendAll(std::string_view Data);
  // Runs a lookup to its end, cancellation or time-out.
  void AwaitLookup(const TLookupHandle& Lookup, bool& DoneFlag);
  // recv and send of the socket binding: bytes moved, or -1 with Error set.
  long RawReceive(char* Buffer, std::size_t Size, int& Error);
  long RawSend(const char* Data, std::size_t Size, int& Error);
  // Receives into Buffer, through TLS once it runs: bytes received, 0 when
  // the peer has closed, -1 with Error set (WSAEWOULDBLOCK: nothing yet).
  long ReceiveSome(char* Buffer, std::size_t Size, int& Error);
  long SendSome(const char* Data, std::size_t Size, int& Error);
  // Turns a failed TLS step into the socket error or the TLS text behind it.
  [[noreturn]] void TlsFailure(const TTlsSession& Session);
  // Runs the handshake of Session to its end, cancellation or time-out.
  void Handshake(TTlsSession& Session);
  // Accepts a verified certificate; asks about one that failed.
  void CheckCertificate(const TTlsSession& Session);
  // Closes the descriptor without raising events.
  void ReleaseSocket();
  int LastSocketError() const;
  void ReportProgress(std::int64_t Transferred, std::int64_t Total);

  int FSocket = -1;
  TTimeCounter FCounter;
  TRasLink* FRAS = nullptr;
  TLookupHandle FLookup;
  std::uint32_t FRemoteAddr = 0;  // network order
  std::uint16_t FRemotePort = 0;
  int FStartups = 0;
  // Received bytes not yet handed out; a reply line never takes more than its own.
  std::string FReceived;
  std::unique_ptr<TTlsSession> FTls;
  TCertificateFacts FPeerCertificate;

  bool FCanceled = false;
  bool FHostLookupDone = false;
  bool FServiceLookupDone = false;
  bool FConnectDone = false;
  bool FDataAvailable = false;
  bool FReadyToWrite = false;
  bool FClosedByPeer = false;
  bool FAsyncError = false;
  int FAsyncErrorCode = 0;
  // What the current wait polls for: the connection being made.
  bool FConnecting = false;
};
