// Get Mail and the servers' unique ids (UIDL) against scripted POP3 servers:
// a server without UIDL gets every message each time, and an id two messages
// share never makes the flow skip or delete either of them.
#include "app/flows/receivingflow.h"
#include "app/settings/settingsfiles.h"
#include "app/store/fetchedids.h"
#include "appfixture.h"
#include "maillib/dialup/tkRasCmp.h"
#include "maillib/message/nbmsg.h"
#include "maillib/pop3/nbpop3.h"
#include "maillib/smtp/nbsmtp.h"
#include "recordingscreen.h"
#include "support/fakeserver.h"

namespace {

using Fake = TFakeServer;
using Steps = std::vector<Fake::TStep>;

// Greeting, the capabilities given, login and a STAT of Count messages.
Steps Login(const std::string& Capabilities, int Count) {
  return {Fake::S("+OK ready\r\n"), Fake::C("CAPA"), Fake::S("+OK\r\n" + Capabilities + ".\r\n"),
          Fake::C("USER alice"), Fake::S("+OK\r\n"), Fake::C("PASS secret"), Fake::S("+OK\r\n"), Fake::C("STAT"),
          Fake::S("+OK " + std::to_string(Count) + " 90\r\n")};
}

// LIST and RETR of message Num, whose subject is its number.
Steps Fetch(int Num) {
  const std::string N = std::to_string(Num);
  return {Fake::C("LIST " + N), Fake::S("+OK " + N + " 30\r\n"), Fake::C("RETR " + N),
          Fake::S("+OK\r\nSubject: " + N + "\r\n\r\nbody\r\n.\r\n")};
}

Steps Dele(int Num) { return {Fake::C("DELE " + std::to_string(Num)), Fake::S("+OK\r\n")}; }

const Steps Quit = {Fake::C("QUIT"), Fake::S("+OK bye\r\n"), Fake::AwaitClose()};

class UniqueIdsTest : public AppTest {
protected:
  void SetUp() override {
    AppTest::SetUp();
    TtkWinsock::Instance().SetLoader(PosixSocketLibrary);
    Settings = settings::DefaultConfig(Dir.string());
    Settings[settings::clAutoReceipt] = "NOREPLY";
  }

  // Runs Get Mail; the Inbox row count is noted at each DELE.
  void GetMail() {
    TTable Accounts(*Database, Pop3Table());
    Accounts.Open();
    TTable Inbox(*Database, RmailTable());
    Inbox.Open();
    TnbPOP Pop;
    Pop.SetWinsockLoaded(true);
    TnbSMTP Smtp;
    TnbMessage Outgoing;
    TtkRas Ras;
    TReceivingFlow Flow(Pop, Smtp, Outgoing, Ras, Accounts, Inbox, Settings, {}, Screen);
    Pop.OnDeleting = [&](TObject*, int) { RowsAtDele.push_back(Inbox.RecordCount()); };
    Flow.GetMail();
  }

  // The subjects of the Inbox rows, in the order they were written.
  std::vector<std::string> Subjects() {
    TTable Inbox(*Database, RmailTable());
    Inbox.Open();
    std::vector<std::string> Result;
    for (Inbox.First(); !Inbox.Eof() && Inbox.RecordId() != 0; Inbox.Next())
      Result.push_back(Inbox.FieldByName("SUBJECT").AsString());
    return Result;
  }

  TStringList Settings;
  TRecordingScreen Screen;
  std::vector<int> RowsAtDele;
};

TEST_F(UniqueIdsTest, AServerWithoutUidlGivesEveryMessageAtEveryGetMail) {
  Settings[settings::clServerCopy] = "LEAVE";
  const Steps Run = Fake::Join({Login("USER\r\n", 1), Fetch(1), Quit});
  Fake Server(std::vector<Steps>{Run, Run});
  AddAccount(Server.Address());
  GetMail();
  GetMail();
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
  EXPECT_EQ(Subjects(), (std::vector<std::string>{"1", "1"}));
}

class SharedIdTest : public UniqueIdsTest, public ::testing::WithParamInterface<bool> {};

// Messages 1 and 2 share an id; message 3's id is known from an earlier Get
// Mail, another known id is no longer listed.
TEST_P(SharedIdTest, BothMessagesAreStoredAndDeletedOnlyOnceStored) {
  const bool Leave = GetParam();
  Settings[settings::clServerCopy] = Leave ? "LEAVE" : "DELETE";
  const Steps Listing = {Fake::C("UIDL"), Fake::S("+OK\r\n1 same\r\n2 same\r\n3 known\r\n.\r\n")};
  Fake Server(Leave ? Fake::Join({Login("UIDL\r\n", 3), Listing, Fetch(1), Fetch(2), Quit})
                    : Fake::Join({Login("UIDL\r\n", 3), Listing, Fetch(1), Dele(1), Fetch(2), Dele(2), Dele(3), Quit}));
  const std::string Mailbox = "alice@" + Server.Address();
  const std::int64_t Account = AddAccount(Server.Address());
  TFetchedIds Ids(*Database);
  Ids.Add(Account, Mailbox, "known");
  Ids.Add(Account, Mailbox, "gone");
  GetMail();
  EXPECT_EQ(Server.Finish(), std::vector<std::string>{});
  EXPECT_EQ(Subjects(), (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(RowsAtDele, Leave ? std::vector<int>{} : (std::vector<int>{1, 2, 2}));
  EXPECT_EQ(Ids.Load(Account, Mailbox), std::set<std::string>{"known"});
}

INSTANTIATE_TEST_SUITE_P(ServerCopy, SharedIdTest, ::testing::Bool());

}  // namespace
