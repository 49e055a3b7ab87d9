// The POP3 client against scripted servers: the command sequence of a whole
// mailbox, the message text handed on without its terminator and stuffing,
// and how failures end the call without losing what was fetched.
#include <algorithm>
#include <chrono>

#include "maillib/pop3/messagelist.h"
#include "maillib/pop3/nbpop3.h"
#include "maillib/transport/nberrors.h"
#include "support/fakeserver.h"
#include "maillib/transport/testclient.h"

namespace {

using Fake = TFakeServer;
using Steps = std::vector<Fake::TStep>;
using Pop3Test = SocketTest;

// Greeting and login of user "u" with password "p" to a mailbox of Count messages.
Steps LoginSteps(int Count) {
  return {Fake::S("+OK ready\r\n"), Fake::C("CAPA"), Fake::S("-ERR\r\n"), Fake::C("USER u"), Fake::S("+OK\r\n"), Fake::C("PASS p"), Fake::S("+OK in\r\n"),
          Fake::C("STAT"), Fake::S("+OK " + std::to_string(Count) + " 999\r\n")};
}

Steps Join(Steps A, const Steps& B) {
  A.insert(A.end(), B.begin(), B.end());
  return A;
}

// A client for Server that records its events.
struct TClient : TnbPOP {
  explicit TClient(const std::string& Address) {
    Server = Address;
    UserName = "u";
    Password = "p";
    SetWinsockLoaded(true);
    OnRetrieving = [this](TObject*, int Num) { Events.push_back("retrieving " + std::to_string(Num)); };
    OnRetrieved = [this](TObject*, int Num) { Events.push_back("retrieved " + std::to_string(Num)); };
    OnDeleting = [this](TObject*, int Num) { Events.push_back("deleting " + std::to_string(Num)); };
    OnClosed = [this](TObject*) { Events.push_back("closed"); };
  }
  std::vector<std::string> Events;
};

TEST_F(Pop3Test, WholeMailboxIsFetchedDeletedAndUnstuffed) {
  Fake Server(Join(LoginSteps(2), {
      Fake::C("LIST 1"), Fake::S("+OK 1 64\r\n"), Fake::C("RETR 1"),
      Fake::S("+OK\r\nSubject: one\r\n\r\n..\r\n...\r\n..hidden\r\nlast\r\n.\r\n"),
      Fake::C("DELE 1"), Fake::S("+OK\r\n"),
      Fake::C("LIST 2"), Fake::S("+OK 2\r\n"), Fake::C("RETR 2"), Fake::S("+OK\r\n.\r\n"),
      Fake::C("DELE 2"), Fake::S("-ERR no such message\r\n"),  // a refusal does not stop the call
      Fake::C("QUIT"), Fake::S("+OK bye\r\n"), Fake::AwaitClose()}));
  TClient Client(Server.Address());
  std::vector<int> Percents;
  Client.OnProgress = [&](TObject*, int Perc, int) { Percents.push_back(Perc); };
  Client.RetrieveAll(false);
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});

  EXPECT_EQ(Client.MessageCount(), 2);
  EXPECT_EQ(Client.MailboxSize(), 999);
  ASSERT_EQ(Client.Messages().Count(), 2);
  EXPECT_EQ(Client.Messages().Items(0).Subject(), "one");
  EXPECT_EQ(Client.Messages().Items(0).Body(), (TStringList{".", "..", ".hidden", "last"}));
  EXPECT_TRUE(Client.Messages().Items(1).Body().empty());
  EXPECT_EQ(Client.Events, (std::vector<std::string>{"retrieving 0", "retrieved 0", "deleting 0", "retrieving 1",
                                                     "retrieved 1", "deleting 1", "closed"}));
  // LIST without a size: the second message's progress has no percentage.
  ASSERT_FALSE(Percents.empty());
  EXPECT_EQ(Percents.back(), -1);
}

TEST_F(Pop3Test, LeaveOnServerSendsNoDeleteAndAnEmptyMailboxOnlyQuits) {
  Fake Kept(Join(LoginSteps(1), {Fake::C("LIST 1"), Fake::S("+OK 1 30\r\n"), Fake::C("RETR 1"),
                                 Fake::S("+OK\r\n..\r\nbody\r\n.\r\n"), Fake::C("QUIT"),
                                 Fake::S("+OK\r\n"), Fake::AwaitClose()}));
  TClient Client(Kept.Address());
  Client.RetrieveAll(true);
  EXPECT_EQ(Kept.Finish(), std::vector<std::string>{});
  ASSERT_EQ(Client.Messages().Count(), 1);
  EXPECT_EQ(Client.Messages().Items(0).Body(), (TStringList{".", "body"}));  // the first line unstuffed too

  Fake Empty(Join(LoginSteps(0), {Fake::C("QUIT"), Fake::S("+OK\r\n"), Fake::AwaitClose()}));
  Client.Server = Empty.Address();
  Client.RetrieveAll(false);
  EXPECT_EQ(Empty.Finish(), std::vector<std::string>{});
  EXPECT_EQ(Client.Messages().Count(), 1);  // the caller clears the list, not the client
  Client.Messages().Clear();
  EXPECT_EQ(Client.Messages().Count(), 0);
}

TEST_F(Pop3Test, WrongPasswordClosesAndTheNextCallLogsInAfresh) {
  Fake Refusing({Fake::S("+OK ready\r\n"), Fake::C("CAPA"), Fake::S("-ERR\r\n"), Fake::C("USER u"), Fake::S("+OK\r\n"), Fake::C("PASS p"),
                 Fake::S("-ERR [AUTH] Authentication failed.\r\n"), Fake::AwaitClose()});
  TClient Client(Refusing.Address());
  EXPECT_EQ(ErrorOf<EServerError>([&] { Client.RetrieveAll(false); }), "-ERR [AUTH] Authentication failed.");
  EXPECT_FALSE(Client.Connected());
  EXPECT_EQ(Refusing.Finish(), std::vector<std::string>{});

  Fake Accepting(Join(LoginSteps(0), {Fake::C("QUIT"), Fake::S("+OK\r\n"), Fake::AwaitClose()}));
  Client.Server = Accepting.Address();
  Client.RetrieveAll(false);
  EXPECT_EQ(Accepting.Finish(), std::vector<std::string>{});
}

TEST_F(Pop3Test, MissingUserNameOrPasswordFailsBeforeAnyNetworkActivity) {
  TClient Client("127.0.0.1:1");
  bool Opened = false;
  Client.OnOpen = [&](TObject*) { Opened = true; };
  Client.UserName.clear();
  EXPECT_EQ(ErrorOf<ESocketError>([&] { Client.RetrieveAll(false); }), "UserName property is required");
  Client.UserName = "u";
  Client.Password.clear();
  EXPECT_EQ(ErrorOf<ESocketError>([&] { Client.RetrieveAll(false); }), "Password property is required");
  EXPECT_FALSE(Opened);
}

TEST_F(Pop3Test, FailingQuitDoesNotHideTheErrorThatEndedTheCall) {
  Fake Server(Join(LoginSteps(1), {Fake::C("LIST 1"), Fake::S("-ERR message vanished\r\n"), Fake::C("QUIT"),
                                   Fake::S("-ERR cannot commit\r\n"), Fake::AwaitClose()}));
  TClient Client(Server.Address());
  EXPECT_EQ(ErrorOf<EServerError>([&] { Client.RetrieveAll(false); }), "-ERR message vanished");
  EXPECT_FALSE(Client.Connected());
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
}

TEST_F(Pop3Test, ResetDuringRetrKeepsTheMessagesFetchedBefore) {
  Fake Server(Join(LoginSteps(2), {Fake::C("LIST 1"), Fake::S("+OK 1 20\r\n"), Fake::C("RETR 1"),
                                   Fake::S("+OK\r\nSubject: a\r\n\r\nx\r\n.\r\n"), Fake::C("DELE 1"),
                                   Fake::S("+OK\r\n"), Fake::C("LIST 2"), Fake::S("+OK 2 5000\r\n"),
                                   Fake::C("RETR 2"), Fake::S("+OK\r\nSubject: b\r\n\r\nhalf"), Fake::Pause(100),
                                   Fake::Reset()}));
  TClient Client(Server.Address());
  Client.SetTimeOut(10);
  const auto Start = std::chrono::steady_clock::now();
  EXPECT_EQ(ErrorOf<ESocketError>([&] { Client.RetrieveAll(false); }), "[10054] Connection reset by peer");
  EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::seconds(3));
  EXPECT_EQ(Client.Messages().Count(), 1);
  EXPECT_FALSE(Client.Connected());
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
}

TEST_F(Pop3Test, EndlessMessageIsStoppedAtItsLimitAndTheMessagesBeforeItStay) {
  // LIST says 100 bytes: at most 4 * 100 + 1 MiB may come.
  Fake Server(Join(LoginSteps(2), {Fake::C("LIST 1"), Fake::S("+OK 1 20\r\n"), Fake::C("RETR 1"),
                                   Fake::S("+OK\r\nSubject: a\r\n\r\nx\r\n.\r\n"), Fake::C("DELE 1"),
                                   Fake::S("+OK\r\n"), Fake::C("LIST 2"), Fake::S("+OK 2 100\r\n"),
                                   Fake::C("RETR 2"), Fake::S("+OK\r\n" + std::string((1 << 20) + 4096, 'x')),
                                   Fake::AwaitClose()}));
  TClient Client(Server.Address());
  Client.SetTimeOut(2);
  int MaxPercent = 0;
  Client.OnProgress = [&](TObject*, int Perc, int) { MaxPercent = std::max(MaxPercent, Perc); };
  EXPECT_EQ(ErrorOf<ESocketError>([&] { Client.RetrieveAll(false); }),
            "The server 127.0.0.1 sent more than 1048976 bytes for one message; the transfer was stopped");
  EXPECT_EQ(Client.Messages().Count(), 1);
  EXPECT_EQ(MaxPercent, 100);
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
}

TEST_F(Pop3Test, EndlessCapabilityListIsBounded) {
  std::string List = "+OK\r\n";
  for (int I = 0; I < 1000; ++I) List += "X-MORE\r\n";
  Fake Server({Fake::S("+OK ready\r\n"), Fake::C("CAPA"), Fake::S(List), Fake::AwaitClose()});
  TClient Client(Server.Address());
  Client.Security = TSecurity::StartTls;
  Client.SetTimeOut(2);
  EXPECT_EQ(ErrorOf<ESocketError>([&] { Client.RetrieveAll(false); }),
            "The reply of 127.0.0.1 has more than 256 lines; the connection was closed");
}

TEST_F(Pop3Test, EmptyRepliesAndControlBytesGiveReadableErrors) {
  const std::string Hostile = "-ERR \x1b]0;owned\x07 \xc2\x9b caf\xc3\xa9 \xff";
  for (const auto& [Reply, Error] : std::vector<std::pair<std::string, std::string>>{
           {"", "The server sent an empty reply"},
           {std::string(" \0\t\0", 4), "The server sent an empty reply"},
           {Hostile, "-ERR \\x1b]0;owned\\x07 \\xc2\\x9b caf\xc3\xa9 \\xff"},
           {"+OK \x1b[5m 9", "+OK \\x1b[5m 9"}}) {
    Steps Script = LoginSteps(0);
    if (Reply.starts_with("+OK")) Script.back() = Fake::S(Reply + "\r\n");  // as the answer to STAT
    else Script = {Fake::S(Reply + "\r\n")};                               // as the greeting
    Script.push_back(Fake::AwaitClose());
    Fake Server(Script);
    TClient Client(Server.Address());
    EXPECT_EQ(ErrorOf<EServerError>([&] { Client.RetrieveAll(false); }), Error);
    EXPECT_EQ(Client.LastReply, Reply);  // raw, for callers that parse it
  }
}

TEST_F(Pop3Test, ServerClosingEarlyGivesAClearText) {
  Fake Server({Fake::S("+OK ready\r\n"), Fake::C("CAPA"), Fake::S("-ERR\r\n"), Fake::C("USER u"), Fake::Close()});
  TClient Client(Server.Address());
  EXPECT_EQ(ErrorOf<ESocketError>([&] { Client.RetrieveAll(false); }), "[10094] Graceful shutdown in progress");
  EXPECT_FALSE(Client.Connected());
}

TEST_F(Pop3Test, CancelInTheMiddleOfATransferSendsNothingMore) {
  Fake Server(Join(LoginSteps(1), {Fake::C("LIST 1"), Fake::S("+OK 1 100000\r\n"), Fake::C("RETR 1"),
                                   Fake::S("+OK\r\nSubject: big\r\n\r\n" + std::string(20000, 'x')),
                                   Fake::AwaitClose()}));
  TClient Client(Server.Address());
  Client.OnProgress = [&](TObject*, int, int Transferred) {
    if (Transferred > 10000) Client.Cancel();
  };
  EXPECT_EQ(ErrorOf<ECanceledError>([&] { Client.RetrieveAll(false); }), "Operation has been canceled");
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
  // Nothing after RETR: no DELE, no QUIT on a cancelled connection.
  EXPECT_TRUE(Server.Transcript().ends_with("RETR 1\r\n[*** close ***]")) << Server.Transcript();
  EXPECT_EQ(Client.Messages().Count(), 0);
}

TEST_F(Pop3Test, SilentServerTimesOut) {
  Fake Server({Fake::AwaitClose()});
  TClient Client(Server.Address());
  Client.SetTimeOut(1);
  EXPECT_EQ(ErrorOf<ETimedOutError>([&] { Client.RetrieveAll(false); }), "Operation timed out");
  EXPECT_FALSE(Client.Connected());
}

}  // namespace

// Greeting and login to a server that lists PIPELINING and UIDL, with Count messages.
Steps PipeliningLogin(int Count) {
  Steps Script = LoginSteps(Count);
  Script[2] = Fake::S("+OK\r\nPIPELINING\r\nUIDL\r\n.\r\n");
  return Script;
}

// The script sends no answer before the client has sent the whole window: a
// client that waited for each answer would stall until its time-out.
TEST_F(Pop3Test, PipelinedCommandsGoOutBeforeTheirAnswersAndDeleFollowsTheStoredMessage) {
  Fake Server(Join(PipeliningLogin(3),
                   {Fake::C("LIST 1"), Fake::C("RETR 1"), Fake::C("DELE 2"), Fake::C("LIST 3"), Fake::C("RETR 3"),
                    Fake::S("+OK 1 30\r\n+OK\r\nSubject: one\r\n\r\n..dot\r\n.\r\n+OK\r\n+OK 3 30\r\n"
                            "+OK\r\nSubject: three\r\n\r\nx\r\n.\r\n"),
                    Fake::C("DELE 1"), Fake::C("DELE 3"), Fake::S("+OK\r\n+OK\r\n"), Fake::C("QUIT"),
                    Fake::S("+OK\r\n"), Fake::AwaitClose()}));
  TClient Client(Server.Address());
  Client.SetTimeOut(2);
  Client.Connect();
  EXPECT_TRUE(Client.Offers("PIPELINING"));
  Client.TransferMessages({{0, true, true}, {1, false, true}, {2, true, true}});
  Client.Disconnect();
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
  ASSERT_EQ(Client.Messages().Count(), 2);
  EXPECT_EQ(Client.Messages().Items(0).Body(), TStringList{".dot"});
  EXPECT_EQ(Client.Messages().Items(1).Subject(), "three");
  EXPECT_EQ(Client.Events, (std::vector<std::string>{"deleting 1", "retrieving 0", "retrieved 0", "deleting 0",
                                                     "retrieving 2", "retrieved 2", "deleting 2", "closed"}));
}

TEST_F(Pop3Test, ErrInTheMiddleOfABatchIsOneAnswerAndQuitStillEndsTheSession) {
  Fake Server(Join(PipeliningLogin(2),
                   {Fake::C("LIST 1"), Fake::C("RETR 1"), Fake::C("LIST 2"), Fake::C("RETR 2"),
                    Fake::S("+OK 1 30\r\n-ERR message locked\r\n+OK 2 30\r\n+OK\r\nSubject: two\r\n\r\nx\r\n.\r\n"),
                    Fake::C("QUIT"), Fake::S("+OK bye\r\n"), Fake::AwaitClose()}));
  TClient Client(Server.Address());
  Client.SetTimeOut(2);
  EXPECT_EQ(ErrorOf<EServerError>([&] { Client.RetrieveAll(false); }), "-ERR message locked");
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
  EXPECT_EQ(Client.LastReply, "+OK bye");  // QUIT's own answer, not one still due
  // The second message's data was read past, not stored and not deleted.
  EXPECT_EQ(Client.Messages().Count(), 0);
  EXPECT_EQ(Server.Transcript().find("DELE"), std::string::npos);
}

TEST_F(Pop3Test, OnlyIdsListedOnceAndWellFormedAreTrusted) {
  Fake Server(Join(PipeliningLogin(6),
                   {Fake::C("UIDL"),
                    Fake::S("+OK\r\n1 same\r\n2 unique\r\n3 same\r\n4 " + std::string(71, 'x') +
                            "\r\n5 twice\r\n5 again\r\n6 " + std::string(70, 'y') + "\r\n9 beyond\r\nnonsense\r\n.\r\n"),
                    Fake::C("QUIT"), Fake::S("+OK\r\n"), Fake::AwaitClose()}));
  TClient Client(Server.Address());
  Client.Connect();
  EXPECT_EQ(Client.UniqueIds(), (std::vector<std::string>{"", "unique", "", "", "", std::string(70, 'y')}));
  Client.Disconnect();
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
}

TEST_F(Pop3Test, StopPressedWhileAMessageIsStoredEndsWithTheCancellation) {
  Fake Server(Join(PipeliningLogin(2), {Fake::C("LIST 1"), Fake::C("RETR 1"), Fake::C("LIST 2"), Fake::C("RETR 2"),
                                        Fake::S("+OK 1 9\r\n+OK\r\nx\r\n.\r\n"), Fake::AwaitClose()}));
  TClient Client(Server.Address());
  Client.OnRetrieved = [&](TObject*, int) { Client.Cancel(); };
  EXPECT_EQ(ErrorOf<ECanceledError>([&] { Client.RetrieveAll(false); }), "Operation has been canceled");
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
  EXPECT_EQ(Server.Transcript().find("DELE"), std::string::npos);
}
