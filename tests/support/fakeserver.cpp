#include "fakeserver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>

namespace {

// No step waits longer than this, so a broken client cannot hang the tests.
constexpr int StepDeadlineMs = 15000;

int ListenOnLoopback(std::uint16_t& Port) {
  const int S = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in Address{};
  Address.sin_family = AF_INET;
  Address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t Len = sizeof Address;
  if (S < 0 || ::bind(S, reinterpret_cast<sockaddr*>(&Address), Len) != 0 || ::listen(S, 4) != 0 ||
      ::getsockname(S, reinterpret_cast<sockaddr*>(&Address), &Len) != 0)
    throw std::runtime_error("fake server cannot listen on 127.0.0.1");
  Port = ntohs(Address.sin_port);
  return S;
}

bool Readable(int S, int TimeoutMs) {
  pollfd Fd{S, POLLIN, 0};
  return ::poll(&Fd, 1, TimeoutMs) > 0;
}

}  // namespace

TFakeServer::TFakeServer(std::vector<TStep> Script) : TFakeServer(std::vector<std::vector<TStep>>{std::move(Script)}) {}

TFakeServer::TFakeServer(std::vector<std::vector<TStep>> Conversations) : FScripts(std::move(Conversations)) {
  FListener = ListenOnLoopback(FPort);
  FThread = std::thread([this] { Run(); });
}

TFakeServer::~TFakeServer() {
  // A test that never asked how the conversation went still fails when the
  // client left the script early or went against it.
  const bool Reported = FReported;
  for (const std::string& Problem : Finish())
    if (!Reported) ADD_FAILURE() << "fake server on port " << FPort << ": " << Problem;
  ::close(FListener);
}

std::string TFakeServer::Address() const { return "127.0.0.1:" + std::to_string(FPort); }

std::vector<std::string> TFakeServer::Finish() {
  if (FThread.joinable()) FThread.join();
  FReported = true;
  std::lock_guard Guard(FLock);
  return FProblems;
}

std::string TFakeServer::Transcript() {
  std::lock_guard Guard(FLock);
  return FTranscript;
}

std::uint16_t TFakeServer::UnusedPort() {
  std::uint16_t Port = 0;
  ::close(ListenOnLoopback(Port));
  return Port;
}

void TFakeServer::Problem(std::string Text) {
  std::lock_guard Guard(FLock);
  FProblems.push_back(std::move(Text));
}

bool TFakeServer::ReadLine(int Client, std::string& Line) {
  const auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(StepDeadlineMs);
  for (;;) {
    if (const auto Lf = FPending.find("\r\n"); Lf != std::string::npos) {
      Line = FPending.substr(0, Lf);
      FPending.erase(0, Lf + 2);
      return true;
    }
    if (std::chrono::steady_clock::now() > Deadline || !Readable(Client, 50)) {
      if (std::chrono::steady_clock::now() > Deadline) return false;
      continue;
    }
    char Buffer[4096];
    const ssize_t N = ::recv(Client, Buffer, sizeof Buffer, 0);
    if (N <= 0) return false;
    FPending.append(Buffer, static_cast<std::size_t>(N));
    std::lock_guard Guard(FLock);
    FTranscript.append(Buffer, static_cast<std::size_t>(N));
  }
}

void TFakeServer::Run() {
  for (const std::vector<TStep>& Script : FScripts)
    if (!Serve(Script)) return;
}

bool TFakeServer::Serve(const std::vector<TStep>& Script) {
  if (!Readable(FListener, StepDeadlineMs)) {
    Problem("no client connected");
    return false;
  }
  const int Client = ::accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
  FPending.clear();
  bool Open = true;
  std::size_t Index = 0;
  for (; Index < Script.size() && Open; ++Index) {
    const TStep& Step = Script[Index];
    switch (Step.Kind) {
      case TStep::Send:
        if (::send(Client, Step.Text.data(), Step.Text.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(Step.Text.size()))
          Problem("could not send step " + std::to_string(Index));
        break;
      case TStep::Expect: {
        std::string Line;
        if (!ReadLine(Client, Line)) {
          Problem("expected \"" + Step.Text + "\", the client sent nothing more");
          Open = false;
        } else if (Line != Step.Text) {
          Problem("expected \"" + Step.Text + "\", got \"" + Line + "\"");
        }
        break;
      }
      case TStep::Data: {
        std::string Line;
        bool Read;
        do Read = ReadLine(Client, Line);
        while (Read && Line != ".");
        if (!Read) {
          Problem("expected message data ending in \".\", the client sent nothing more");
          Open = false;
        }
        break;
      }
      case TStep::Pause:
        std::this_thread::sleep_for(std::chrono::milliseconds(Step.Ms));
        break;
      case TStep::Close:
        ::close(Client);
        Open = false;
        break;
      case TStep::Reset: {
        const linger Abort{1, 0};
        ::setsockopt(Client, SOL_SOCKET, SO_LINGER, &Abort, sizeof Abort);
        ::close(Client);
        Open = false;
        break;
      }
      case TStep::AwaitClose: {
        const auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(StepDeadlineMs);
        char Buffer[4096];
        ssize_t N = 1;
        while (N > 0 && std::chrono::steady_clock::now() < Deadline) {
          if (!Readable(Client, 50)) continue;
          N = ::recv(Client, Buffer, sizeof Buffer, 0);
          std::lock_guard Guard(FLock);
          if (N > 0) FTranscript.append(Buffer, static_cast<std::size_t>(N));
        }
        if (N > 0) Problem("the client did not close the connection");
        break;
      }
    }
  }
  if (Index < Script.size()) Problem("script stopped at step " + std::to_string(Index));
  if (Open) {
    // Whatever the client still sends before it closes belongs in the transcript.
    char Buffer[4096];
    ssize_t N = 1;
    while (N > 0 && Readable(Client, 200)) {
      N = ::recv(Client, Buffer, sizeof Buffer, 0);
      std::lock_guard Guard(FLock);
      if (N > 0) FTranscript.append(Buffer, static_cast<std::size_t>(N));
    }
    ::close(Client);
  }
  std::lock_guard Guard(FLock);
  FTranscript += "[*** close ***]";
  return true;
}
