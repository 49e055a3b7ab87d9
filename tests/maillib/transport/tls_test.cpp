// The mail clients over TLS against scripted servers: STLS and STARTTLS with
// plaintext injected before the handshake, certificates that fail
// verification and the user's trust in one, credentials kept off plain-text
// connections to other machines, and the connection faults over TLS.
#include <arpa/inet.h>
#include <netinet/in.h>

#include <chrono>

#include "maillib/message/nbmsg.h"
#include "maillib/pop3/messagelist.h"
#include "maillib/pop3/nbpop3.h"
#include "maillib/smtp/nbsmtp.h"
#include "maillib/transport/nberrors.h"
#include "maillib/transport/testclient.h"
#include "support/fakeserver.h"
#include "support/procoverride.h"
#include "support/testcerts.h"

namespace {

using Fake = TFakeServer;
using Steps = std::vector<Fake::TStep>;

// CAPA, USER, PASS, STAT of an empty mailbox and QUIT: what follows a secured greeting.
Steps Pop3Session() {
  return {Fake::C("CAPA"), Fake::S("-ERR\r\n"), Fake::C("USER u"), Fake::S("+OK\r\n"), Fake::C("PASS p"), Fake::S("+OK in\r\n"), Fake::C("STAT"),
          Fake::S("+OK 0 0\r\n"), Fake::C("QUIT"), Fake::S("+OK bye\r\n"), Fake::AwaitClose()};
}

class TlsTest : public SocketTest {
protected:
  void SetUp() override {
    SocketTest::SetUp();
    TrustTestCa();
    Pop.UserName = "u";
    Pop.Password = "p";
    Pop.SetWinsockLoaded(true);
    Smtp.SetWinsockLoaded(true);
  }

  // Retrieves Server's mailbox in Mode; the error text, "no exception" when it went well.
  std::string Fetch(Fake& Server, TSecurity Mode) {
    Pop.Server = Server.Address();
    Pop.Security = Mode;
    return ErrorOf<Exception>([&] { Pop.RetrieveAll(false); });
  }

  TnbPOP Pop;
  TnbSMTP Smtp;
};

TEST_F(TlsTest, StlsDropsInjectedPlaintextAndLogsInOverTls) {
  Fake Server(Fake::Join({{Fake::S("+OK ready\r\n"), Fake::C("CAPA"), Fake::S("+OK\r\nUSER\r\nSTLS\r\n.\r\n"),
                     Fake::C("STLS"), Fake::S("+OK begin\r\n-ERR injected\r\n"), Fake::StartTls("good")},
                    Pop3Session()}));
  EXPECT_EQ(Fetch(Server, TSecurity::StartTls), "no exception");
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
  EXPECT_TRUE(Pop.PeerCertificate().Subject.find("CN=localhost") != std::string::npos) << Pop.PeerCertificate().Subject;
  const std::string Transcript = Server.Transcript();
  EXPECT_LT(Transcript.find("[TLS]"), Transcript.find("USER u")) << Transcript;
}

TEST_F(TlsTest, StartTlsNotOfferedFailsBeforeAnyCredential) {
  Fake Pop3Server({Fake::S("+OK ready\r\n"), Fake::C("CAPA"), Fake::S("+OK\r\nUSER\r\n.\r\n"), Fake::AwaitClose()});
  EXPECT_EQ(Fetch(Pop3Server, TSecurity::StartTls),
            "The POP3 server 127.0.0.1 does not offer STLS, so the connection cannot be encrypted");
  EXPECT_EQ(Pop3Server.Finish(), std::vector<std::string>{});

  Fake SmtpServer({Fake::S("220 ready\r\n"), Fake::C("EHLO " + Fake::ClientHostName()), Fake::S("250-mx\r\n250 AUTH PLAIN\r\n"),
                   Fake::AwaitClose()});
  Smtp.Server = SmtpServer.Address();
  Smtp.Security = TSecurity::StartTls;
  Smtp.UserName = "u";
  Smtp.Password = "p";
  EXPECT_EQ(ErrorOf<ESocketError>([&] { Smtp.Connect(); }),
            "The SMTP server 127.0.0.1 does not offer STARTTLS, so the connection cannot be encrypted");
  EXPECT_EQ(SmtpServer.Finish(), std::vector<std::string>{});
  EXPECT_FALSE(Smtp.Connected());
}

TEST_F(TlsTest, CertificatesThatFailVerificationAreRefusedWithTheirReasonAndNoPassword) {
  const std::pair<const char*, const char*> Cases[] = {{"otherhost", "it was issued for another host"},
                                                       {"selfsigned", "it is self-signed"},
                                                       {"expired", "it has expired"}};
  for (const auto& [Certificate, Reason] : Cases) {
    Fake Server({Fake::StartTls(Certificate), Fake::AwaitClose()});
    EXPECT_EQ(Fetch(Server, TSecurity::ImplicitTls),
              std::string("The certificate of 127.0.0.1 is not trusted: ") + Reason);
    EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
    EXPECT_EQ(Server.Transcript().find("PASS"), std::string::npos) << Server.Transcript();
    EXPECT_FALSE(Pop.Connected());
  }
}

TEST_F(TlsTest, TrustedFingerprintIsAcceptedWithoutAskingAndAChangedCertificateAsksAgain) {
  std::vector<std::string> Asked;
  bool Answer = true;
  Pop.OnUntrustedCertificate = [&](TObject*, const TCertificateFacts& Certificate, const std::string& Problem,
                                   bool& Trust) {
    Asked.push_back(Problem + " " + Certificate.Sha256);
    Trust = Answer;
  };
  const Steps Greeted = Fake::Join({{Fake::S("+OK ready\r\n")}, Pop3Session()});
  Fake First(Fake::Join({{Fake::StartTls("selfsigned")}, Greeted}));
  EXPECT_EQ(Fetch(First, TSecurity::ImplicitTls), "no exception");
  EXPECT_EQ(First.Finish(), std::vector<std::string>{});
  ASSERT_EQ(Asked.size(), 1u);
  const TCertificateFacts Seen = Pop.PeerCertificate();
  EXPECT_EQ(Asked[0], "it is self-signed " + Seen.Sha256);
  EXPECT_EQ(Seen.Sha256.size(), 95u);
  EXPECT_EQ(Seen.Subject, Seen.Issuer);
  EXPECT_LT(Seen.NotBefore, Seen.NotAfter);

  Pop.TrustedCertificate = Seen.Sha256;
  Fake Again(Fake::Join({{Fake::StartTls("selfsigned")}, Greeted}));
  EXPECT_EQ(Fetch(Again, TSecurity::ImplicitTls), "no exception");
  EXPECT_EQ(Again.Finish(), std::vector<std::string>{});
  EXPECT_EQ(Asked.size(), 1u);

  Answer = false;
  Fake Changed({Fake::StartTls("selfsigned2"), Fake::AwaitClose()});
  EXPECT_EQ(Fetch(Changed, TSecurity::ImplicitTls), "The certificate of 127.0.0.1 is not trusted: it is self-signed");
  EXPECT_EQ(Changed.Finish(), std::vector<std::string>{});
  ASSERT_EQ(Asked.size(), 2u);
  EXPECT_NE(Asked[1], Asked[0]);
}

// The client believes it talks to Address (a documentation address, which
// nothing here ever reaches); the connection goes to the fake server.
class TRedirect {
public:
  explicit TRedirect(std::uint16_t Port)
      : FOverride(wsproc::connect, [Port, Connect = TtkWinsock::Instance().Proc(wsproc::connect)](
                                       int S, const sockaddr*, socklen_t) {
          sockaddr_in Local{};
          Local.sin_family = AF_INET;
          Local.sin_port = htons(Port);
          Local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
          return Connect(S, reinterpret_cast<const sockaddr*>(&Local), sizeof Local);
        }) {}

private:
  TProcOverride<int(int, const sockaddr*, socklen_t)> FOverride;
};

TEST_F(TlsTest, NoPasswordInPlainTextToAnotherMachine) {
  Fake Pop3Server({Fake::S("+OK ready\r\n"), Fake::C("CAPA"), Fake::S("-ERR\r\n"), Fake::AwaitClose()});
  {
    TRedirect Redirect(Pop3Server.Port());
    Pop.Server = "192.0.2.10:110";
    EXPECT_EQ(ErrorOf<ESocketError>([&] { Pop.RetrieveAll(false); }),
              "The password of u is not sent to 192.0.2.10 without encryption: choose STARTTLS or SSL/TLS for this "
              "account");
  }
  EXPECT_EQ(Pop3Server.Finish(), std::vector<std::string>{});

  Fake SmtpServer({Fake::S("220 ready\r\n"), Fake::C("EHLO " + Fake::ClientHostName()),
                   Fake::S("250-mx\r\n250 AUTH PLAIN LOGIN\r\n"), Fake::AwaitClose()});
  {
    TRedirect Redirect(SmtpServer.Port());
    Smtp.Server = "192.0.2.10:25";
    Smtp.UserName = "u";
    Smtp.Password = "p";
    EXPECT_EQ(ErrorOf<ESocketError>([&] { Smtp.Connect(); }),
              "The password of u is not sent to 192.0.2.10 without encryption: choose STARTTLS or SSL/TLS for the "
              "SMTP server");
  }
  EXPECT_EQ(SmtpServer.Finish(), std::vector<std::string>{});
  EXPECT_EQ(SmtpServer.Transcript().find("AUTH"), std::string::npos) << SmtpServer.Transcript();
}

TEST_F(TlsTest, SmtpStartTlsSaysEhloAgainAndLogsInWithWhatTheServerOffersThen) {
  const Steps Start = {Fake::S("220 ready\r\n"), Fake::C("EHLO " + Fake::ClientHostName()),
                       Fake::S("250-mx\r\n250-AUTH PLAIN\r\n250 STARTTLS\r\n"), Fake::C("STARTTLS"),
                       Fake::S("220 go ahead\r\n250 injected\r\n"), Fake::StartTls("good"),
                       Fake::C("EHLO " + Fake::ClientHostName()), Fake::S("250-mx\r\n250 AUTH=LOGIN\r\n"), Fake::C("AUTH LOGIN"),
                       Fake::S("334 VXNlcm5hbWU6\r\n"), Fake::C("dQ=="), Fake::S("334 UGFzc3dvcmQ6\r\n"),
                       Fake::C("cA==")};
  Fake Server(std::vector<Steps>{
      Fake::Join({Start, {Fake::S("235 2.7.0 ok\r\n"), Fake::C("QUIT"), Fake::S("221 bye\r\n"), Fake::AwaitClose()}}),
      Fake::Join({Start, {Fake::S("535 5.7.8 Error: authentication failed\r\n"), Fake::AwaitClose()}})});
  Smtp.Server = Server.Address();
  Smtp.Security = TSecurity::StartTls;
  Smtp.UserName = "u";
  Smtp.Password = "p";
  EXPECT_EQ(ErrorOf<Exception>([&] {
              Smtp.Connect();
              EXPECT_TRUE(Smtp.Encrypted());
              Smtp.Disconnect();
            }),
            "no exception");
  EXPECT_EQ(ErrorOf<EServerError>([&] { Smtp.Connect(); }), "535 5.7.8 Error: authentication failed");
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
}

TEST_F(TlsTest, ResetCloseAndSilenceOverTlsEndAtOnceWithTheirOwnTexts) {
  const std::pair<Steps, const char*> Cases[] = {
      {{Fake::StartTls("good"), Fake::S("+OK ready\r\n"), Fake::C("CAPA"), Fake::S("-ERR\r\n"), Fake::C("USER u"), Fake::Pause(50), Fake::Reset()},
       "[10054] Connection reset by peer"},
      {{Fake::StartTls("good"), Fake::S("+OK ready\r\n"), Fake::C("CAPA"), Fake::S("-ERR\r\n"), Fake::C("USER u"), Fake::Close()},
       "[10094] Graceful shutdown in progress"},
      {{Fake::StartTls("good"), Fake::S("+OK ready\r\n"), Fake::C("CAPA"), Fake::S("-ERR\r\n"), Fake::C("USER u"), Fake::AwaitClose()},
       "Operation timed out"},
  };
  Pop.SetTimeOut(1);
  for (const auto& [Script, Text] : Cases) {
    Fake Server(Script);
    const auto Start = std::chrono::steady_clock::now();
    EXPECT_EQ(Fetch(Server, TSecurity::ImplicitTls), Text);
    EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::seconds(3));
    EXPECT_FALSE(Pop.Connected());
    EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
  }
}

TEST_F(TlsTest, PlainServerOnATlsPortFailsTheHandshakeWithAReason) {
  Fake Server({Fake::S("+OK ready, in plain text\r\n"), Fake::AwaitClose()});
  EXPECT_EQ(Fetch(Server, TSecurity::ImplicitTls).rfind("The TLS handshake with 127.0.0.1 failed: ", 0), 0u);
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
}

}  // namespace
