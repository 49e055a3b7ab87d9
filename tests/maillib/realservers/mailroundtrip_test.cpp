// The mail library against real servers: messages sent with TnbSMTP through
// Postfix come back through Dovecot with TnbPOP as they were sent.
#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "maillib/message/nbmsg.h"
#include "maillib/pop3/messagelist.h"
#include "maillib/pop3/nbpop3.h"
#include "maillib/smtp/nbsmtp.h"
#include "maillib/transport/nberrors.h"
#include "platform/net/posixsockets.h"
#include "platform/net/tkwinsock.h"
#include "platform/runtime/streams.h"
#include "support/realservers.h"

namespace {

using TUser = TRealMailServers::TUser;

// What a message says, in a form tests can compare: attachments by name.
struct TContent {
  std::string Subject, Sender;
  TStringList Body;
  std::map<std::string, std::string> Attachments;
  bool operator==(const TContent&) const = default;
};

TContent ContentOf(TnbMessage& Message) {
  TContent C{Message.Subject(), Message.Sender().Address(), Message.Body(), {}};
  for (int I = 0; I < Message.Attachments().Count(); ++I)
    C.Attachments[Message.Attachments().Items(I).FileName()] = std::string(Message.Attachments().Items(I).Data.View());
  return C;
}

// The message as the decoder reads it after encoding, without any server.
TContent LocalRoundTrip(TnbMessage& Sent) {
  TMemoryStream Wire;
  Sent.SaveToStream(Wire);
  Wire.SetPosition(0);
  TnbMessage Read;
  Read.LoadFromStream(Wire);
  return ContentOf(Read);
}

void Attach(TnbMessage& M, const std::string& Name, const std::string& Type, TTransferEncoding Encoding,
            const std::string& Bytes) {
  auto* Item = M.Attachments().AddItem(std::make_unique<TnbAttItem>());
  Item->SetFileName(Name);
  Item->SetContentType(Type);
  Item->TransferEncoding = Encoding;
  Item->Data.WriteString(Bytes);
}

class MailRoundTripTest : public TRealServersTest {
protected:
  void SetUp() override {
    TRealServersTest::SetUp();
    TtkWinsock::Instance().SetLoader(PosixSocketLibrary);
  }

  std::unique_ptr<TnbMessage> NewMessage(const std::string& Subject) {
    auto M = std::make_unique<TnbMessage>();
    M->Sender().SetAddress("sender@example.test");
    M->Recipients().AddAddress(Servers().Address("alice"), "Alice");
    M->SetSubject(Subject);
    return M;
  }

  void Send(TnbMessage& Message) {
    TnbSMTP Smtp;
    Smtp.Server = Servers().SmtpAddress();
    Smtp.SetWinsockLoaded(true);
    Smtp.SetMailMessage(&Message);
    Smtp.Send();
  }

  void Fetch(TnbPOP& Pop, const std::string& User, const std::string& Password, bool LeaveOnServer) {
    Pop.Server = Servers().Pop3Address();
    Pop.UserName = User;
    Pop.Password = Password;
    Pop.SetWinsockLoaded(true);
    Pop.RetrieveAll(LeaveOnServer);
  }
};

TEST_F(MailRoundTripTest, EveryKindOfMessageComesBackAsSent) {
  std::vector<std::unique_ptr<TnbMessage>> Sent;
  Sent.push_back(NewMessage("Plain"));
  Sent.back()->Body() = {"Hello Alice,", "", "just plain text."};
  Sent.push_back(NewMessage("Latin-1"));
  Sent.back()->CharSet = TCharSet::csISO8859;
  Sent.back()->Body() = {"Grüße aus Köln, à bientôt"};
  Sent.push_back(NewMessage("Dots"));
  Sent.back()->Body() = {".", "..", ".hidden", "text", "."};
  Sent.push_back(NewMessage("Large attachment"));
  Sent.back()->Body() = {"See the file."};
  std::string Large(10 << 20, '\0');
  std::mt19937 Random(7);
  for (char& C : Large) C = static_cast<char>(Random());
  Attach(*Sent.back(), "large.bin", "application/octet-stream", TTransferEncoding::teBase64, Large);
  Sent.push_back(NewMessage("HTML"));
  Sent.back()->Body() = {"The plain version."};
  Attach(*Sent.back(), "_alt.0", "text/html", TTransferEncoding::teQuotedPrintable, "<p>The <b>rich</b> one.</p>\r\n");

  std::map<std::string, TContent> Expected;
  for (auto& Message : Sent) {
    Send(*Message);
    Expected[Message->Subject()] = LocalRoundTrip(*Message);
  }
  ASSERT_TRUE(Servers().WaitForMessages("alice", Sent.size(), 10)) << Servers().LogTail();

  TnbPOP Pop;
  Fetch(Pop, "alice", "secret", false);
  ASSERT_EQ(Pop.Messages().Count(), static_cast<int>(Sent.size()));
  for (int I = 0; I < Pop.Messages().Count(); ++I) {
    const TContent Got = ContentOf(Pop.Messages().Items(I));
    SCOPED_TRACE(Got.Subject);
    EXPECT_EQ(Got, Expected[Got.Subject]);
  }
  // The things that matter most, against what was sent rather than a decoder's reading.
  EXPECT_EQ(Expected["Dots"].Body, (TStringList{".", "..", ".hidden", "text", "."}));
  EXPECT_EQ(Expected["Latin-1"].Body, TStringList{"Grüße aus Köln, à bientôt"});
  EXPECT_EQ(Expected["Large attachment"].Attachments["large.bin"], Large);
  EXPECT_TRUE(Servers().Messages("alice").empty());
}

TEST_F(MailRoundTripTest, CopiesReachEveryRecipientAndLeaveOnServerKeepsThem) {
  // The servers of this suite know alice alone; bob and carol get mailboxes of their own here.
  TRealMailServers Three(std::vector<TUser>{{"alice", "secret"}, {"bob", "b0b"}, {"carol", "c4rol"}});
  auto Message = NewMessage("For three");
  Message->Recipients().Clear();
  Message->Recipients().AddAddress(Three.Address("alice"), "");
  Message->CC().AddAddress(Three.Address("bob"), "");
  Message->BCC().AddAddress(Three.Address("carol"), "");
  Message->Body() = {"One message, three readers."};
  TnbSMTP Smtp;
  Smtp.Server = Three.SmtpAddress();
  Smtp.SetWinsockLoaded(true);
  Smtp.SetMailMessage(Message.get());
  Smtp.Send();

  for (const TUser& User : Three.Users()) {
    SCOPED_TRACE(User.Name);
    ASSERT_TRUE(Three.WaitForMessages(User.Name, 1, 10)) << Three.LogTail();
    // The blind copy travels in the envelope only (carol's own copy names her in the delivery headers).
    if (User.Name != "carol") {
      EXPECT_EQ(Three.Messages(User.Name).front().find("carol"), std::string::npos);
    }
    for (int Round = 0; Round < 2; ++Round) {
      TnbPOP Pop;
      Pop.Server = Three.Pop3Address();
      Pop.UserName = User.Name;
      Pop.Password = User.Password;
      Pop.SetWinsockLoaded(true);
      Pop.RetrieveAll(true);
      ASSERT_EQ(Pop.Messages().Count(), 1);
      EXPECT_EQ(Pop.Messages().Items(0).Subject(), "For three");
    }
    EXPECT_EQ(Three.Messages(User.Name).size(), 1u);
  }
}

TEST_F(MailRoundTripTest, MailForOtherDomainsOrUnknownUsersIsRefused) {
  // Nothing can leave this machine: the server relays for nobody.
  for (const auto& [To, Reply] : {std::pair{"carol@elsewhere.test", "554 5.7.1"}, {"nobody@example.test", "550 5.1.1"}}) {
    auto Message = NewMessage("Refused");
    Message->Recipients().Clear();
    Message->Recipients().AddAddress(To, "");
    try {
      Send(*Message);
      ADD_FAILURE() << To << " was accepted";
    } catch (const EServerError& Error) {
      EXPECT_EQ(Error.Message.rfind(Reply, 0), 0u) << Error.Message;
    }
  }
  ASSERT_TRUE(Servers().WaitForQueueEmpty(5));
  EXPECT_TRUE(Servers().Messages("alice").empty());
}

TEST_F(MailRoundTripTest, WrongPasswordClosesAndTheSameClientThenLogsIn) {
  Servers().Put("alice", "Subject: waiting\r\n\r\nbody\r\n");
  TnbPOP Pop;
  try {
    Fetch(Pop, "alice", "wrong", false);
    FAIL() << "a wrong password was accepted";
  } catch (const EServerError& Error) {
    EXPECT_EQ(Error.Message, "-ERR [AUTH] Authentication failed.");
  }
  EXPECT_FALSE(Pop.Connected());
  Fetch(Pop, "alice", "secret", false);
  ASSERT_EQ(Pop.Messages().Count(), 1);
  EXPECT_EQ(Pop.Messages().Items(0).Subject(), "waiting");
}

}  // namespace

// Postfix offers PIPELINING and SIZE, Dovecot PIPELINING and UIDL: a session
// of several messages, and a fetch of more messages than the client keeps in
// flight, with every answer matched to its command.
TEST_F(MailRoundTripTest, OneSmtpSessionForManyAndAPipelinedFetchBeyondItsWindow) {
  TnbSMTP Smtp;
  Smtp.Server = Servers().SmtpAddress();
  Smtp.SetWinsockLoaded(true);
  int Connections = 0;
  Smtp.OnOpen = [&](TObject*) { ++Connections; };
  const auto Message = NewMessage("");
  Smtp.SetMailMessage(Message.get());
  int Sent = 0;
  Smtp.SendMessages(
      [&] {
        Message->SetSubject("Session " + std::to_string(Sent + 1));
        return Sent < 3;
      },
      [&] { ++Sent; });
  EXPECT_EQ(Connections, 1);
  ASSERT_TRUE(Servers().WaitForMessages("alice", 3, 10)) << Servers().LogTail();

  std::vector<std::string> Put;
  for (int I = 1; I <= 100; ++I)
    Put.push_back("Subject: Put " + std::to_string(I) + "\r\n\r\n.line " + std::to_string(I) + "\r\n");
  Servers().Put("alice", Put);

  TnbPOP Pop;
  Pop.Server = Servers().Pop3Address();
  Pop.UserName = "alice";
  Pop.Password = "secret";
  Pop.SetWinsockLoaded(true);
  Pop.Connect();
  EXPECT_TRUE(Pop.Offers("PIPELINING"));
  const std::vector<std::string> Ids = Pop.UniqueIds();
  EXPECT_EQ(std::set<std::string>(Ids.begin(), Ids.end()).size(), 103u);
  EXPECT_EQ(std::count(Ids.begin(), Ids.end(), ""), 0);
  std::vector<TPop3Task> Tasks;
  for (int Num = 0; Num < Pop.MessageCount(); ++Num) Tasks.push_back({Num, true, true});
  Pop.TransferMessages(Tasks);
  Pop.Disconnect();

  ASSERT_EQ(Pop.Messages().Count(), 103);
  std::set<std::string> Sessions;
  for (int I = 0; I < 3; ++I) Sessions.insert(Pop.Messages().Items(I).Subject());
  EXPECT_EQ(Sessions, (std::set<std::string>{"Session 1", "Session 2", "Session 3"}));
  for (int I = 1; I <= 100; ++I) {
    EXPECT_EQ(Pop.Messages().Items(I + 2).Subject(), "Put " + std::to_string(I));
    EXPECT_EQ(Pop.Messages().Items(I + 2).Body(), TStringList{".line " + std::to_string(I)});
  }
  EXPECT_TRUE(Servers().Messages("alice").empty());
}
