// Times the mail library's clients against real servers for the comparison
// with Python's poplib and smtplib (bench/pop3_smtp_vs_python.sh):
//
//   bench_mailclients pop3 PORT USER PASSWORD   fetch and delete the whole mailbox
//   bench_mailclients smtp PORT COUNT [TO]      send COUNT messages of 5 KiB, one connection each
//   bench_mailclients smtp-session PORT COUNT   the same COUNT messages over one connection
//   bench_mailclients pop3s PORT USER PASSWORD  the same fetch over implicit TLS
//   bench_mailclients smtps PORT COUNT USER PASSWORD
//                                               the same sending over implicit TLS with AUTH
//
// TLS certificates are verified as everywhere in the library (SSL_CERT_FILE
// names a test CA). Prints the elapsed seconds on standard output; errors go
// to standard error with exit status 1.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "maillib/message/nbmsg.h"
#include "maillib/pop3/messagelist.h"
#include "maillib/pop3/nbpop3.h"
#include "maillib/smtp/nbsmtp.h"
#include "maillib/transport/security.h"
#include "platform/runtime/exception.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* DefaultRecipient = "alice@example.test";

std::string Loopback(const std::string& Port) { return "127.0.0.1:" + Port; }

double FetchAll(const std::string& Port, const std::string& User, const std::string& Password,
                TSecurity Security) {
  TnbPOP Client;
  Client.Server = Loopback(Port);
  Client.Security = Security;
  Client.UserName = User;
  Client.Password = Password;
  Client.SetWinsockLoaded(true);
  const auto Start = Clock::now();
  Client.RetrieveAll(false);
  const std::chrono::duration<double> Elapsed = Clock::now() - Start;
  std::fprintf(stderr, "fetched %d messages\n", Client.Messages().Count());
  return Elapsed.count();
}

// The message every sending mode sends: 5 KiB of text in lines of 64 characters.
void MakeMessage(TnbMessage& Message, const std::string& To) {
  Message.Sender().SetAddress("bench@example.test");
  auto Recipient = std::make_unique<TnbMailAddress>();
  Recipient->SetAddress(To);
  Message.Recipients().AddItem(std::move(Recipient));
  Message.SetSubject("Benchmark message");
  for (int I = 0; I < 80; ++I) Message.Body().push_back("line " + std::to_string(I) + std::string(58, 'x'));
}

void Configure(TnbSMTP& Client, const std::string& Port, TSecurity Security, const std::string& User,
               const std::string& Password) {
  Client.Server = Loopback(Port);
  Client.Security = Security;
  Client.UserName = User;
  Client.Password = Password;
  Client.SetWinsockLoaded(true);
}

double SendMany(const std::string& Port, int Count, const std::string& To, TSecurity Security = TSecurity::None,
                const std::string& User = "", const std::string& Password = "") {
  TnbMessage Message;
  MakeMessage(Message, To);
  TnbSMTP Client;
  Configure(Client, Port, Security, User, Password);
  Client.SetMailMessage(&Message);
  const auto Start = Clock::now();
  for (int I = 0; I < Count; ++I) Client.Send();
  const std::chrono::duration<double> Elapsed = Clock::now() - Start;
  return Elapsed.count();
}

// An Outbox run: Count messages over one connection.
double SendSession(const std::string& Port, int Count) {
  TnbMessage Message;
  MakeMessage(Message, DefaultRecipient);
  TnbSMTP Client;
  Configure(Client, Port, TSecurity::None, "", "");
  int Given = 0;
  int Accepted = 0;
  const auto Start = Clock::now();
  Client.SendMessages(
      [&] {
        if (Given == Count) return false;
        ++Given;
        Client.SetMailMessage(&Message);
        return true;
      },
      [&] { ++Accepted; });
  const std::chrono::duration<double> Elapsed = Clock::now() - Start;
  if (Accepted != Count)
    throw Exception("the server accepted " + std::to_string(Accepted) + " of " + std::to_string(Count) + " messages");
  return Elapsed.count();
}

}  // namespace

int main(int argc, char** argv) {
  const std::string Mode = argc > 1 ? argv[1] : "";
  try {
    double Seconds;
    if ((Mode == "pop3" || Mode == "pop3s") && argc == 5)
      Seconds = FetchAll(argv[2], argv[3], argv[4], Mode == "pop3s" ? TSecurity::ImplicitTls : TSecurity::None);
    else if (Mode == "smtp" && (argc == 4 || argc == 5))
      Seconds = SendMany(argv[2], std::stoi(argv[3]), argc == 5 ? argv[4] : DefaultRecipient);
    else if (Mode == "smtp-session" && argc == 4)
      Seconds = SendSession(argv[2], std::stoi(argv[3]));
    else if (Mode == "smtps" && argc == 6)
      Seconds = SendMany(argv[2], std::stoi(argv[3]), DefaultRecipient, TSecurity::ImplicitTls, argv[4], argv[5]);
    else {
      std::fprintf(stderr, "usage: bench_mailclients pop3|pop3s PORT USER PASSWORD\n"
                           "       bench_mailclients smtp PORT COUNT [TO]\n"
                           "       bench_mailclients smtp-session PORT COUNT\n"
                           "       bench_mailclients smtps PORT COUNT USER PASSWORD\n");
      return 1;
    }
    std::printf("%.3f\n", Seconds);
    return 0;
  } catch (const Exception& E) {
    std::fprintf(stderr, "bench_mailclients: %s\n", E.Message.c_str());
  }
  return 1;
}
