// How alive the window stays while a message with a 20 MiB attachment is
// encoded and sent: the SMTP client runs on the interface thread, as in the
// program, against a small sink server on loopback, while a 1 ms timer counts
// how often the event loop gets to run. Prints the turns per second and the
// longest time the loop went without a turn (target: 20 turns a second, that
// is no gap over 50 ms).
#include <QApplication>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <thread>

#include "eventloopmeter.h"
#include "loopbacklistener.h"
#include "maillib/message/nbmsg.h"
#include "maillib/smtp/nbsmtp.h"
#include "platform/runtime/processmessages.h"

namespace {

constexpr std::size_t AttachmentSize = 20u << 20;

// Bytes of message data the sink has received.
std::size_t Received = 0;

// Accepts one SMTP client on Listener and says yes to everything it sends.
void SinkServer(int Listener) {
  const int Client = ::accept(Listener, nullptr, nullptr);
  auto Say = [Client](const char* Line) { ::send(Client, Line, std::strlen(Line), MSG_NOSIGNAL); };
  Say("220 sink\r\n");
  std::string Pending;
  bool InData = false;
  char Buffer[65536];
  for (;;) {
    const ssize_t N = ::recv(Client, Buffer, sizeof Buffer, 0);
    if (N <= 0) break;
    Pending.append(Buffer, static_cast<std::size_t>(N));
    if (InData) Received += static_cast<std::size_t>(N);
    if (InData) {
      if (const auto End = Pending.find("\r\n.\r\n"); End != std::string::npos) {
        Pending.erase(0, End + 5);
        InData = false;
        Say("250 queued\r\n");
      } else {
        Pending.erase(0, Pending.size() > 4 ? Pending.size() - 4 : 0);
      }
      continue;
    }
    for (std::size_t Lf; !InData && (Lf = Pending.find("\r\n")) != std::string::npos;) {
      const std::string Line = Pending.substr(0, Lf);
      Pending.erase(0, Lf + 2);
      if (Line == "DATA") {
        InData = true;
        Say("354 go ahead\r\n");
      } else {
        Say(Line == "QUIT" ? "221 bye\r\n" : "250 ok\r\n");
      }
    }
  }
  ::close(Client);
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication App(argc, argv);
  SetMessagePump([] { QApplication::processEvents(); });

  const std::string Path = "/tmp/corvalen-bench-attachment.bin";
  {
    std::mt19937 Random(42);
    std::string Bytes(AttachmentSize, '\0');
    for (char& C : Bytes) C = static_cast<char>(Random());
    std::ofstream(Path, std::ios::binary) << Bytes;
  }

  std::uint16_t Port = 0;
  const int Listener = ListenOnLoopback(Port, 1);
  std::thread Server(SinkServer, Listener);

  TnbMessage Message;
  Message.Sender().SetAddress("me@example.test");
  Message.Recipients().AddAddress("you@example.test", "");
  Message.SetSubject("A large attachment");
  Message.Body().push_back("See the attachment.");
  Message.Attachments().AddFile(Path);
  TnbSMTP Client;
  Client.Server = "127.0.0.1:" + std::to_string(Port);
  Client.SetWinsockLoaded(true);
  Client.SetMailMessage(&Message);

  TEventLoopMeter Meter;
  Client.Send();
  const double Seconds = Meter.Stop();
  Server.join();
  ::close(Listener);
  std::remove(Path.c_str());

  std::printf("sent a 20 MiB attachment (%.1f MiB on the wire) in %.2f s\n", Received / 1048576.0, Seconds);
  std::printf("event loop turns: %.0f per second (target >= 20), longest gap %lld ms (target <= 50)\n",
              Meter.TurnsPerSecond(), static_cast<long long>(Meter.LongestGapMs()));
  return 0;
}
