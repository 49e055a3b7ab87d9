// Receives a 64 MiB message up to its terminating line through the socket
// client, and the same bytes over the same connection with a plain blocking
// recv loop, and prints both rates. Then the same over TLS: the socket
// client after StartTls against a plain SSL_read loop on a second TLS
// connection to the same loopback server, which uses the test certificates
// (tests/support/testcerts.py, made into a temporary directory).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "loopbacklistener.h"
#include "maillib/transport/nbmb.h"
#include "platform/runtime/exception.h"
#include "platform/runtime/streams.h"

namespace {

constexpr std::size_t MessageSize = 64u << 20;
constexpr int Rounds = 7;
const std::string Terminator = "\r\n.\r\n";

// The temporary directory of the test certificates, removed on every exit.
std::filesystem::path CertDir;

// Ends the program at once: server threads may still be waiting.
[[noreturn]] void Fail(const std::string& Text) {
  std::fprintf(stderr, "bench_receive: %s\n", Text.c_str());
  if (!CertDir.empty()) std::filesystem::remove_all(CertDir);
  std::exit(1);
}

class TBenchClient : public TnbMailBase {
public:
  // Any mode but None: TLS right after connecting.
  void Login() override {
    ResetState();
    ConnectSocket();
    if (Security != TSecurity::None) StartTls();
  }
  void Logout() override {}
};

std::string MakeMessage() {
  std::string Line(76, 'x');
  Line += "\r\n";
  std::string Message;
  Message.reserve(MessageSize + Terminator.size());
  while (Message.size() + Line.size() <= MessageSize) Message += Line;
  Message.resize(MessageSize - 2, 'y');
  Message += Terminator;
  return Message;
}

int ConnectTo(std::uint16_t Port) {
  const int S = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in Address{};
  Address.sin_family = AF_INET;
  Address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  Address.sin_port = htons(Port);
  return ::connect(S, reinterpret_cast<sockaddr*>(&Address), sizeof Address) == 0 ? S : -1;
}

// Sends Message once for every request line that arrives, until the client closes.
void Serve(int Listener, const std::string& Message) {
  const int Client = ::accept(Listener, nullptr, nullptr);
  char Request[64];
  while (::recv(Client, Request, sizeof Request, 0) > 0) {
    for (std::size_t Sent = 0; Sent < Message.size();) {
      const ssize_t N = ::send(Client, Message.data() + Sent, Message.size() - Sent, MSG_NOSIGNAL);
      if (N <= 0) return;
      Sent += static_cast<std::size_t>(N);
    }
  }
  ::close(Client);
}

// The same over TLS on one accepted connection.
void ServeTls(int Listener, SSL_CTX* Context, const std::string& Message) {
  const int Client = ::accept(Listener, nullptr, nullptr);
  SSL* Ssl = SSL_new(Context);
  SSL_set_fd(Ssl, Client);
  char Request[64];
  if (SSL_accept(Ssl) == 1)
    while (SSL_read(Ssl, Request, sizeof Request) > 0)
      if (SSL_write(Ssl, Message.data(), static_cast<int>(Message.size())) <= 0) break;
  SSL_free(Ssl);
  ::close(Client);
}

double MiBPerSecond(std::size_t Bytes, std::chrono::steady_clock::duration Time) {
  return Bytes / 1048576.0 / std::chrono::duration<double>(Time).count();
}

double Median(std::vector<double> Values) {
  std::sort(Values.begin(), Values.end());
  return Values[Values.size() / 2];
}

// Times Rounds receptions of the message through the socket client and as
// many by the plain loop (which receives into a buffer of its own and
// returns its size), alternating, and prints the medians.
void Compare(const char* Title, const char* PlainName, TBenchClient& Client, const std::string& Message,
             const std::function<std::size_t()>& PlainRound) {
  std::vector<double> Library, Plain;
  for (int Round = 0; Round < Rounds; ++Round) {
    TMemoryStream Stream;
    auto Start = std::chrono::steady_clock::now();
    Client.SendLine("GO");
    Client.ReceiveToTerminator(Stream, static_cast<std::int64_t>(Message.size()));
    Library.push_back(MiBPerSecond(Stream.View().size(), std::chrono::steady_clock::now() - Start));
    if (Stream.View().size() != Message.size()) Fail("short message through the socket client");

    Start = std::chrono::steady_clock::now();
    const std::size_t Received = PlainRound();
    if (Received != Message.size()) Fail("short message through the plain loop");
    Plain.push_back(MiBPerSecond(Received, std::chrono::steady_clock::now() - Start));
  }
  const double Lib = Median(Library), Raw = Median(Plain);
  std::printf("%s, median of %d rounds\n", Title, Rounds);
  std::printf("  socket client: %8.1f MiB/s\n", Lib);
  std::printf("  %-14s %8.1f MiB/s\n", (std::string(PlainName) + ":").c_str(), Raw);
  std::printf("  ratio:         %8.2f (target >= 0.80)\n", Lib / Raw);
}

void PlainRun(const std::string& Message) {
  std::uint16_t Port;
  const int Listener = ListenOnLoopback(Port);
  std::thread Server(Serve, Listener, std::cref(Message));

  TBenchClient Client;
  Client.SetWinsockLoaded(true);
  Client.Server = "127.0.0.1:" + std::to_string(Port);

  // The same work by hand on the same connection: recv calls of the same
  // size into a new buffer.
  std::vector<char> Chunk(TtkSocket::ReceiveChunk);
  const auto RecvRound = [&]() -> std::size_t {
    const int S = Client.SocketHandle();
    std::string Buffer;
    Buffer.reserve(Message.size() + 64);
    ::send(S, "GO\r\n", 4, MSG_NOSIGNAL);
    while (!Buffer.ends_with(Terminator)) {
      pollfd Fd{S, POLLIN, 0};
      ::poll(&Fd, 1, 1000);
      const ssize_t N = ::recv(S, Chunk.data(), Chunk.size(), 0);
      if (N > 0) Buffer.append(Chunk.data(), static_cast<std::size_t>(N));
      else if (N == 0) Fail("the server closed");
    }
    return Buffer.size();
  };
  try {
    Client.Connect();
    Compare("ReceiveToTerminator, 64 MiB over loopback", "plain recv", Client, Message, RecvRound);
  } catch (const Exception& E) {
    Fail(E.Message);
  }
  Client.Close();
  Server.join();
  ::close(Listener);
}

void TlsRun(const std::string& Message, const std::filesystem::path& Certs) {
  // Both clients trust the test CA through OpenSSL's default verify paths.
  ::setenv("SSL_CERT_FILE", (Certs / "ca.pem").c_str(), 1);
  ::unsetenv("SSL_CERT_DIR");
  SSL_CTX* ServerContext = SSL_CTX_new(TLS_server_method());
  if (SSL_CTX_use_certificate_chain_file(ServerContext, (Certs / "good.pem").c_str()) != 1 ||
      SSL_CTX_use_PrivateKey_file(ServerContext, (Certs / "good.key").c_str(), SSL_FILETYPE_PEM) != 1)
    Fail("cannot load the test certificate");
  std::uint16_t Port;
  const int Listener = ListenOnLoopback(Port);
  // One server thread per connection: the socket client's and the plain loop's.
  std::thread LibraryServer(ServeTls, Listener, ServerContext, std::cref(Message));
  std::thread PlainServer(ServeTls, Listener, ServerContext, std::cref(Message));

  TBenchClient Client;
  Client.SetWinsockLoaded(true);
  Client.Server = "127.0.0.1:" + std::to_string(Port);
  Client.Security = TSecurity::ImplicitTls;

  // The plain loop: a blocking socket, OpenSSL with the same defaults and
  // the same verification, SSL_read of the same size into a new buffer.
  SSL_CTX* ClientContext = SSL_CTX_new(TLS_client_method());
  SSL_CTX_set_min_proto_version(ClientContext, TLS1_2_VERSION);
  SSL_CTX_set_default_verify_paths(ClientContext);
  SSL_CTX_set_verify(ClientContext, SSL_VERIFY_PEER, nullptr);
  SSL* Ssl = SSL_new(ClientContext);
  const int S = ConnectTo(Port);
  SSL_set_fd(Ssl, S);
  SSL_set1_host(Ssl, "127.0.0.1");
  if (SSL_connect(Ssl) != 1) Fail("the plain TLS client's handshake failed");

  std::vector<char> Chunk(TtkSocket::ReceiveChunk);
  const auto SslReadRound = [&]() -> std::size_t {
    std::string Buffer;
    Buffer.reserve(Message.size() + 64);
    SSL_write(Ssl, "GO\r\n", 4);
    while (!Buffer.ends_with(Terminator)) {
      const int N = SSL_read(Ssl, Chunk.data(), static_cast<int>(Chunk.size()));
      if (N <= 0) Fail("the TLS server closed");
      Buffer.append(Chunk.data(), static_cast<std::size_t>(N));
    }
    return Buffer.size();
  };
  const std::string Title = std::string("ReceiveToTerminator, 64 MiB over loopback TLS (") + SSL_get_version(Ssl) +
                            ", " + SSL_get_cipher_name(Ssl) + ")";
  try {
    Client.Connect();
    Compare(Title.c_str(), "plain SSL_read", Client, Message, SslReadRound);
  } catch (const Exception& E) {
    Fail(E.Message);
  }
  Client.Close();
  SSL_free(Ssl);
  ::close(S);
  LibraryServer.join();
  PlainServer.join();
  ::close(Listener);
  SSL_CTX_free(ClientContext);
  SSL_CTX_free(ServerContext);
}

}  // namespace

int main() {
  const std::string Message = MakeMessage();
  PlainRun(Message);
  std::printf("\n");

  char Template[] = "/tmp/bench-receive-XXXXXX";
  if (!::mkdtemp(Template)) Fail("cannot make a temporary directory");
  CertDir = Template;
  const std::string Make = "python3 '" CORVALEN_SOURCE_DIR "/tests/support/testcerts.py' '" + CertDir.string() + "'";
  if (std::system(Make.c_str()) != 0) Fail("cannot make the test certificates: " + Make);
  TlsRun(Message, CertDir);
  std::filesystem::remove_all(CertDir);
  return 0;
}
