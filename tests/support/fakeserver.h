#pragma once

#include <sys/types.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct ssl_st;

// A scripted TCP server on 127.0.0.1 and a free port, serving one connection
// (or several in turn).
// It runs on its own thread while the client under test runs on the test's
// thread, and checks the conversation itself: every line the client must send
// is compared with the script, and Finish tells whether the whole script ran.
// A StartTls step turns the rest of a conversation into TLS.
class TFakeServer {
public:
  struct TStep {
    enum TKind { Send, Expect, Data, Pause, Close, Reset, AwaitClose, StartTls } Kind;
    std::string Text;
    int Ms = 0;
  };

  // The server writes Bytes exactly as given.
  static TStep S(std::string Bytes) { return {TStep::Send, std::move(Bytes), 0}; }
  // The client must send Line followed by CR LF.
  static TStep C(std::string Line) { return {TStep::Expect, std::move(Line), 0}; }
  // The client sends message data: any lines up to and including a line ".".
  // They are kept in the transcript for the test to check.
  static TStep Data() { return {TStep::Data, {}, 0}; }
  static TStep Pause(int Ms) { return {TStep::Pause, {}, Ms}; }
  // An orderly close, and an abortive one that the client sees as a reset.
  static TStep Close() { return {TStep::Close, {}, 0}; }
  static TStep Reset() { return {TStep::Reset, {}, 0}; }
  // Stays silent until the client closes the connection.
  static TStep AwaitClose() { return {TStep::AwaitClose, {}, 0}; }
  // The server side of a TLS handshake with the test certificate CertName
  // (support/testcerts.h); every later step of the conversation goes through
  // TLS, and the transcript shows "[TLS]" there. It reads nothing before the
  // handshake, so an S step just before it can follow the answer to STLS or
  // STARTTLS with injected plaintext. A failed handshake (a client refusing
  // the certificate) shows as "[TLS handshake failed]" and ends the
  // conversation; that goes against the script only when steps other than
  // one AwaitClose follow. Plain text from the client where the handshake
  // belongs always goes against it, and stays in the transcript.
  static TStep StartTls(std::string CertName) { return {TStep::StartTls, std::move(CertName), 0}; }

  explicit TFakeServer(std::vector<TStep> Script);
  // Serves one connection after the other, each with its own script (a mail
  // client that sends several messages connects once for each).
  explicit TFakeServer(std::vector<std::vector<TStep>> Conversations);
  ~TFakeServer();
  TFakeServer(const TFakeServer&) = delete;
  TFakeServer& operator=(const TFakeServer&) = delete;

  std::uint16_t Port() const { return FPort; }
  // "127.0.0.1:<port>".
  std::string Address() const;
  // Waits for the script to end; returns what went against it (empty when
  // nothing did). Without a call, the destructor reports it as a test failure.
  std::vector<std::string> Finish();
  // Every byte the client sent so far, with a marker where the connection closed.
  std::string Transcript();

  // A port on 127.0.0.1 that nothing listens on.
  static std::uint16_t UnusedPort();
  // The steps of Parts, one part after the other.
  static std::vector<TStep> Join(std::vector<std::vector<TStep>> Parts);
  // This machine's host name: what a mail client says in EHLO and HELO.
  static std::string ClientHostName();

private:
  void Run();
  // Plays Script with the next client; false when none came.
  bool Serve(const std::vector<TStep>& Script);
  void Problem(std::string Text);
  bool ReadLine(int Client, std::string& Line);
  // Reading, writing and closing the client's connection, through TLS once
  // AcceptTls has succeeded.
  bool ClientReadable(int Client, int TimeoutMs);
  ssize_t Receive(int Client, char* Buffer, std::size_t Size);
  bool Transmit(int Client, const std::string& Bytes);
  void CloseClient(int Client, bool Orderly);
  // Whatever the client still sends before it closes or falls silent goes
  // into the transcript.
  void KeepRest(int Client);
  // The StartTls step; false when the conversation ended in it. A refused
  // handshake goes against the script unless MayFail.
  bool AcceptTls(int Client, const std::string& CertName, bool MayFail);

  std::vector<std::vector<TStep>> FScripts;
  int FListener = -1;
  std::uint16_t FPort = 0;
  std::thread FThread;
  std::mutex FLock;
  std::vector<std::string> FProblems;
  std::string FTranscript;
  std::string FPending;
  ssl_st* FTls = nullptr;
  bool FReported = false;
};
