// The mail library over TLS against real servers: submission with STARTTLS
// and with implicit TLS, both with AUTH, and POP3 in every mode; a wrong
// password refused with the server's line. (A certificate for another host
// is refused in mailtool's real-server test, which reads the server's log.)
#include <stdlib.h>

#include <fstream>
#include <random>
#include <sstream>

#include "maillib/message/nbmsg.h"
#include "maillib/pop3/messagelist.h"
#include "maillib/pop3/nbpop3.h"
#include "maillib/smtp/nbsmtp.h"
#include "maillib/transport/nberrors.h"
#include "platform/net/posixsockets.h"
#include "platform/net/tkwinsock.h"
#include "support/errorof.h"
#include "support/realservers.h"

namespace {

std::string Address(std::uint16_t Port) { return "127.0.0.1:" + std::to_string(Port); }

std::string FileText(const std::string& Name) {
  std::ifstream In(Name);
  std::ostringstream Text;
  Text << In.rdbuf();
  return Text.str();
}

class TlsRoundTripTest : public TRealServersTest {
protected:
  void SetUp() override {
    TRealServersTest::SetUp();
    TtkWinsock::Instance().SetLoader(PosixSocketLibrary);
    ::setenv("SSL_CERT_FILE", Servers().CaFile().c_str(), 1);
    ::unsetenv("SSL_CERT_DIR");
  }

  void Submit(TRealMailServers& To, TSecurity Mode, const std::string& Password, TnbMessage& Message) {
    TnbSMTP Smtp;
    Smtp.Server = Address(Mode == TSecurity::StartTls ? To.SubmissionPort() : To.SubmissionsPort());
    Smtp.Security = Mode;
    Smtp.UserName = "alice";
    Smtp.Password = Password;
    Smtp.SetWinsockLoaded(true);
    Smtp.SetMailMessage(&Message);
    Smtp.Send();
  }

  void Fetch(TRealMailServers& From, TSecurity Mode, TnbPOP& Pop, bool LeaveOnServer) {
    Pop.Server = Address(Mode == TSecurity::ImplicitTls ? From.Pop3sPort() : From.Pop3Port());
    Pop.Security = Mode;
    Pop.UserName = "alice";
    Pop.Password = "secret";
    Pop.SetWinsockLoaded(true);
    Pop.RetrieveAll(LeaveOnServer);
  }
};

TEST_F(TlsRoundTripTest, EveryModeCarriesTheMessageByteForByte) {
  std::string Bytes(1 << 20, '\0');
  std::mt19937 Random(11);
  for (char& C : Bytes) C = static_cast<char>(Random());
  for (const TSecurity Mode : {TSecurity::StartTls, TSecurity::ImplicitTls}) {
    TnbMessage Message;
    Message.Sender().SetAddress(Servers().Address("alice"));
    Message.Recipients().AddAddress(Servers().Address("alice"), "Alice");
    Message.SetSubject(std::string(SecurityName(Mode)));
    Message.Body() = {"Sent over TLS.", "."};
    auto* Item = Message.Attachments().AddItem(std::make_unique<TnbAttItem>());
    Item->SetFileName("random.bin");
    Item->SetContentType("application/octet-stream");
    Item->TransferEncoding = TTransferEncoding::teBase64;
    Item->Data.WriteString(Bytes);
    Submit(Servers(), Mode, "secret", Message);
  }
  ASSERT_TRUE(Servers().WaitForMessages("alice", 2, 10)) << Servers().LogTail();

  for (const TSecurity Mode : {TSecurity::StartTls, TSecurity::ImplicitTls, TSecurity::None}) {
    SCOPED_TRACE(SecurityName(Mode));
    TnbPOP Pop;
    Fetch(Servers(), Mode, Pop, Mode != TSecurity::None);
    ASSERT_EQ(Pop.Messages().Count(), 2);
    for (int I = 0; I < 2; ++I) {
      TnbMessage& Got = Pop.Messages().Items(I);
      EXPECT_EQ(Got.Body(), (TStringList{"Sent over TLS.", "."}));
      ASSERT_EQ(Got.Attachments().Count(), 1);
      EXPECT_TRUE(Got.Attachments().Items(0).Data.View() == Bytes);
    }
  }
  EXPECT_TRUE(Servers().Messages("alice").empty());
  EXPECT_NE(FileText(Servers().Fact("DOVECOT_LOG")).find("TLS"), std::string::npos);
}

TEST_F(TlsRoundTripTest, WrongSmtpPasswordEndsWithTheServersLine) {
  TnbMessage Message;
  Message.Sender().SetAddress(Servers().Address("alice"));
  Message.Recipients().AddAddress(Servers().Address("alice"), "");
  const std::string Error = ErrorOf<EServerError>([&] { Submit(Servers(), TSecurity::ImplicitTls, "wrong", Message); });
  EXPECT_EQ(Error.rfind("535 5.7.8 Error: authentication failed", 0), 0u) << Error;
  EXPECT_TRUE(Servers().WaitForQueueEmpty(5));
  EXPECT_TRUE(Servers().Messages("alice").empty());
}

}  // namespace
