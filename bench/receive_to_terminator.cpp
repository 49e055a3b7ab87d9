// Receives a 64 MiB message up to its terminating line through the socket
// client, and the same bytes over the same connection with a plain blocking
// recv loop, and prints both rates.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "maillib/transport/nbmb.h"
#include "platform/runtime/streams.h"

namespace {

constexpr std::size_t MessageSize = 64u << 20;
constexpr int Rounds = 7;
const std::string Terminator = "\r\n.\r\n";

class TBenchClient : public TnbMailBase {
public:
  void Login() override {
    ResetState();
    ConnectSocket();
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

double MiBPerSecond(std::size_t Bytes, std::chrono::steady_clock::duration Time) {
  return Bytes / 1048576.0 / std::chrono::duration<double>(Time).count();
}

double Median(std::vector<double> Values) {
  std::sort(Values.begin(), Values.end());
  return Values[Values.size() / 2];
}

}  // namespace

int main() {
  const std::string Message = MakeMessage();
  const int Listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in Address{};
  Address.sin_family = AF_INET;
  Address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t Len = sizeof Address;
  ::bind(Listener, reinterpret_cast<sockaddr*>(&Address), Len);
  ::listen(Listener, 1);
  ::getsockname(Listener, reinterpret_cast<sockaddr*>(&Address), &Len);
  std::thread Server(Serve, Listener, std::cref(Message));

  TBenchClient Client;
  Client.SetWinsockLoaded(true);
  Client.Server = "127.0.0.1:" + std::to_string(ntohs(Address.sin_port));
  Client.Connect();

  std::vector<double> Library, Plain;
  std::vector<char> Chunk(TtkSocket::ReceiveChunk);
  for (int Round = 0; Round < Rounds; ++Round) {
    TMemoryStream Stream;
    auto Start = std::chrono::steady_clock::now();
    Client.SendLine("GO");
    Client.ReceiveToTerminator(Stream, static_cast<std::int64_t>(Message.size()));
    Library.push_back(MiBPerSecond(Stream.View().size(), std::chrono::steady_clock::now() - Start));
    if (Stream.View().size() != Message.size()) return std::fprintf(stderr, "short message\n"), 1;

    // The same work by hand: recv calls of the same size into a new buffer.
    const int S = Client.SocketHandle();
    std::string Buffer;
    Buffer.reserve(Message.size() + 64);
    Start = std::chrono::steady_clock::now();
    ::send(S, "GO\r\n", 4, MSG_NOSIGNAL);
    while (!Buffer.ends_with(Terminator)) {
      pollfd Fd{S, POLLIN, 0};
      ::poll(&Fd, 1, 1000);
      const ssize_t N = ::recv(S, Chunk.data(), Chunk.size(), 0);
      if (N > 0) Buffer.append(Chunk.data(), static_cast<std::size_t>(N));
      else if (N == 0) return std::fprintf(stderr, "server closed\n"), 1;
    }
    Plain.push_back(MiBPerSecond(Buffer.size(), std::chrono::steady_clock::now() - Start));
  }
  Client.Close();
  Server.join();
  ::close(Listener);

  const double Lib = Median(Library), Raw = Median(Plain);
  std::printf("ReceiveToTerminator, 64 MiB over loopback, median of %d rounds\n", Rounds);
  std::printf("  socket client: %8.1f MiB/s\n", Lib);
  std::printf("  plain recv:    %8.1f MiB/s\n", Raw);
  std::printf("  ratio:         %8.2f (target >= 0.80)\n", Lib / Raw);
  return 0;
}
