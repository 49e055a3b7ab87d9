#include "fakeserver.h"

#include "testcerts.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <openssl/err.h>
#include <openssl/ssl.h>

#include <chrono>
#include <memory>
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

std::string LastTlsError() {
  char Text[256] = "the client closed the connection";
  if (const unsigned long Code = ERR_get_error()) ERR_error_string_n(Code, Text, sizeof Text);
  return Text;
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
    if (std::chrono::steady_clock::now() > Deadline || !ClientReadable(Client, 50)) {
      if (std::chrono::steady_clock::now() > Deadline) return false;
      continue;
    }
    char Buffer[4096];
    const ssize_t N = Receive(Client, Buffer, sizeof Buffer);
    if (N <= 0) return false;
    FPending.append(Buffer, static_cast<std::size_t>(N));
    std::lock_guard Guard(FLock);
    FTranscript.append(Buffer, static_cast<std::size_t>(N));
  }
}

bool TFakeServer::ClientReadable(int Client, int TimeoutMs) {
  return (FTls && SSL_has_pending(FTls)) || Readable(Client, TimeoutMs);
}

ssize_t TFakeServer::Receive(int Client, char* Buffer, std::size_t Size) {
  return FTls ? SSL_read(FTls, Buffer, static_cast<int>(Size)) : ::recv(Client, Buffer, Size, 0);
}

bool TFakeServer::Transmit(int Client, const std::string& Bytes) {
  if (FTls) return Bytes.empty() || SSL_write(FTls, Bytes.data(), static_cast<int>(Bytes.size())) > 0;
  return ::send(Client, Bytes.data(), Bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(Bytes.size());
}

void TFakeServer::CloseClient(int Client, bool Orderly) {
  if (FTls && Orderly) SSL_shutdown(FTls);
  SSL_free(FTls);
  FTls = nullptr;
  ::close(Client);
}

void TFakeServer::KeepRest(int Client) {
  char Buffer[4096];
  ssize_t N = 1;
  while (N > 0 && ClientReadable(Client, 200)) {
    N = Receive(Client, Buffer, sizeof Buffer);
    std::lock_guard Guard(FLock);
    if (N > 0) FTranscript.append(Buffer, static_cast<std::size_t>(N));
  }
}

bool TFakeServer::AcceptTls(int Client, const std::string& CertName, bool MayFail) {
  if (!FPending.empty()) Problem("the client sent \"" + FPending + "\" in plain text before the TLS handshake");
  FPending.clear();
  ERR_clear_error();
  const std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> Context(SSL_CTX_new(TLS_server_method()), SSL_CTX_free);
  if (!Context || SSL_CTX_set_min_proto_version(Context.get(), TLS1_2_VERSION) != 1 ||
      SSL_CTX_use_certificate_chain_file(Context.get(), TestCert(CertName).c_str()) != 1 ||
      SSL_CTX_use_PrivateKey_file(Context.get(), TestKey(CertName).c_str(), SSL_FILETYPE_PEM) != 1) {
    Problem("cannot use the test certificate \"" + CertName + "\": " + LastTlsError());
    return false;
  }
  // Every TLS handshake opens with a handshake record (type 22); a client that
  // talks on in plain text instead must not slip past a test unseen.
  char First = 22;
  if (Readable(Client, StepDeadlineMs) && ::recv(Client, &First, 1, MSG_PEEK) == 1 && First != 22) {
    KeepRest(Client);
    Problem("the client sent plain text instead of a TLS handshake");
    return false;
  }
  // OpenSSL reads and writes the socket itself, blocking: bound each wait.
  const timeval Limit{StepDeadlineMs / 1000, 0};
  ::setsockopt(Client, SOL_SOCKET, SO_RCVTIMEO, &Limit, sizeof Limit);
  ::setsockopt(Client, SOL_SOCKET, SO_SNDTIMEO, &Limit, sizeof Limit);
  // Without it Nagle holds a small record back behind the session tickets,
  // and a Reset right after an S step would throw it away unsent.
  const int NoDelay = 1;
  ::setsockopt(Client, IPPROTO_TCP, TCP_NODELAY, &NoDelay, sizeof NoDelay);
  FTls = SSL_new(Context.get());
  const bool Done = FTls && SSL_set_fd(FTls, Client) == 1 && SSL_accept(FTls) == 1;
  if (!Done && !MayFail) Problem("TLS handshake failed: " + LastTlsError());
  std::lock_guard Guard(FLock);
  FTranscript += Done ? "[TLS]" : "[TLS handshake failed]";
  return Done;
}

void TFakeServer::Run() {
  // OpenSSL writes with write(), which raises SIGPIPE once the client has
  // gone; blocked on this thread, the write just fails.
  sigset_t Pipe;
  sigemptyset(&Pipe);
  sigaddset(&Pipe, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &Pipe, nullptr);
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
        if (!Transmit(Client, Step.Text))
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
        CloseClient(Client, true);
        Open = false;
        break;
      case TStep::Reset: {
        const linger Abort{1, 0};
        ::setsockopt(Client, SOL_SOCKET, SO_LINGER, &Abort, sizeof Abort);
        CloseClient(Client, false);
        Open = false;
        break;
      }
      case TStep::AwaitClose: {
        const auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(StepDeadlineMs);
        char Buffer[4096];
        ssize_t N = 1;
        while (N > 0 && std::chrono::steady_clock::now() < Deadline) {
          if (!ClientReadable(Client, 50)) continue;
          N = Receive(Client, Buffer, sizeof Buffer);
          std::lock_guard Guard(FLock);
          if (N > 0) FTranscript.append(Buffer, static_cast<std::size_t>(N));
        }
        if (N > 0) Problem("the client did not close the connection");
        break;
      }
      case TStep::StartTls: {
        // A client that refuses the certificate closes in the handshake: the
        // script may wait for that close, or end here.
        const bool AwaitsClose = Index + 1 < Script.size() && Script[Index + 1].Kind == TStep::AwaitClose;
        if (AcceptTls(Client, Step.Text, Index + 1 + AwaitsClose == Script.size())) break;
        CloseClient(Client, false);
        Open = false;
        Index += AwaitsClose;
        break;
      }
    }
  }
  if (Index < Script.size()) Problem("script stopped at step " + std::to_string(Index));
  if (Open) {
    KeepRest(Client);
    CloseClient(Client, true);
  }
  std::lock_guard Guard(FLock);
  FTranscript += "[*** close ***]";
  return true;
}

std::vector<TFakeServer::TStep> TFakeServer::Join(std::vector<std::vector<TStep>> Parts) {
  std::vector<TStep> All;
  for (std::vector<TStep>& Part : Parts) All.insert(All.end(), Part.begin(), Part.end());
  return All;
}

std::string TFakeServer::ClientHostName() {
  char Name[512] = {};
  ::gethostname(Name, sizeof Name - 1);
  return Name;
}
