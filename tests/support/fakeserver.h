#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A scripted TCP server on 127.0.0.1 and a free port, serving one connection
// (or several in turn).
// It runs on its own thread while the client under test runs on the test's
// thread, and checks the conversation itself: every line the client must send
// is compared with the script, and Finish tells whether the whole script ran.
class TFakeServer {
public:
  struct TStep {
    enum TKind { Send, Expect, Data, Pause, Close, Reset, AwaitClose } Kind;
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

private:
  void Run();
  // Plays Script with the next client; false when none came.
  bool Serve(const std::vector<TStep>& Script);
  void Problem(std::string Text);
  bool ReadLine(int Client, std::string& Line);

  std::vector<std::vector<TStep>> FScripts;
  int FListener = -1;
  std::uint16_t FPort = 0;
  std::thread FThread;
  std::mutex FLock;
  std::vector<std::string> FProblems;
  std::string FTranscript;
  std::string FPending;
  bool FReported = false;
};
