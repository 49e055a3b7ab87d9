// The receiving flow against real Dovecot and Postfix: accounts in their
// order, what each Inbox row holds, attachments saved where they belong,
// automatic receipts, what a failure leaves on the server, and each message
// stored once by its unique id.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include "app/flows/receivingflow.h"
#include "app/flows/sendingflow.h"
#include "app/settings/serversettings.h"
#include "app/settings/settingsfiles.h"
#include "app/store/fetchedids.h"
#include "app/store/mailtables.h"
#include "appfixture.h"
#include "maillib/dialup/tkRasCmp.h"
#include "maillib/message/nbmsg.h"
#include "maillib/pop3/nbpop3.h"
#include "maillib/smtp/nbsmtp.h"
#include "platform/net/posixsockets.h"
#include "platform/net/tkwinsock.h"
#include "recordingscreen.h"
#include "support/realservers.h"

namespace {

namespace fs = std::filesystem;
using TUser = TRealMailServers::TUser;

std::string Letter(const std::string& Headers, const std::string& Body = "Hello.\r\n") {
  return "From: Bob Sender <bob@example.test>\r\nTo: alice@example.test\r\nCc: carol@example.test\r\n"
         "Date: Tue, 15 Sep 1998 13:19:20 +0200\r\n" +
         Headers + "\r\n" + Body;
}

// A message whose attachments carry the given file names.
std::string WithAttachments(const std::string& Subject, const std::vector<std::string>& Names) {
  std::string Text = Letter("Subject: " + Subject + "\r\nMIME-Version: 1.0\r\n"
                            "Content-Type: multipart/mixed; boundary=\"b\"\r\n",
                            "--b\r\nContent-Type: text/plain\r\n\r\nSee the files.\r\n");
  for (const std::string& Name : Names)
    Text += "--b\r\nContent-Type: application/octet-stream\r\nContent-Disposition: attachment; filename=\"" + Name +
            "\"\r\n\r\ncontent of " + Name + "\r\n";
  return Text + "--b--\r\n";
}

struct TInboxRow {
  std::string Subject, From, Email, Date;
  TStringList Data, Recpt, Cc, Attach;
  bool State;
};

class ReceivingFlowTest : public AppTest {
protected:
  void SetUp() override {
    AppTest::SetUp();
    TtkWinsock::Instance().SetLoader(PosixSocketLibrary);
    Servers = std::make_unique<TRealMailServers>(
        std::vector<TUser>{{"alice", "secret"}, {"bob", "b0b"}, {"carol", "c4rol"}});
    Settings = settings::DefaultConfig((Dir / "attachments").string());
    Settings[settings::clName] = "Alice";
    Settings[settings::clEmail] = Servers->Address("alice");
    Settings[settings::clAutoReceipt] = "NOREPLY";
    Banner = {"Thank you for writing.", "I will answer soon."};
    fs::create_directories(Dir / "attachments");
    Smtp.Server = Servers->SmtpAddress();
    Smtp.SetWinsockLoaded(true);
    Smtp.SetMailMessage(&Outgoing);
    Accounts = std::make_unique<TTable>(*Database, Pop3Table());
    Accounts->SetIndexName("PSWRD");
    Accounts->Open();
    Inbox = std::make_unique<TTable>(*Database, RmailTable());
    Inbox->Open();
  }
  void TearDown() override {
    Inbox.reset();
    Accounts.reset();
    Servers.reset();
    AppTest::TearDown();
  }

  void AddAccount(const TUser& User) {
    Accounts->Append();
    Accounts->FieldByName("SERVER").SetAsString(Servers->Pop3Address());
    Accounts->FieldByName("USERA").SetAsString(User.Name);
    Accounts->FieldByName("PSWRD").SetAsString(User.Password);
    Accounts->Post();
  }

  // Runs Get Mail (or Send/Receive) and returns the text of the error that ended it.
  std::string Run(bool SendReceive = false) {
    TnbPOP Pop;
    Pop.SetWinsockLoaded(true);
    TtkRas Ras;
    TTable Outbox(*Database, SmailTable());
    Outbox.Open();
    settings::TSmtpSettings SmtpSettings;
    TSendingFlow Sending(Smtp, Outgoing, Ras, Outbox, Settings, SmtpSettings, Screen);
    TReceivingFlow Receiving(Pop, Smtp, Outgoing, Ras, *Accounts, *Inbox, Settings, Banner, Screen);
    if (StopAfterProgress) Pop.OnProgress = [&](TObject*, int, int) { Pop.Cancel(); };
    int Stored = 0;
    if (StopAfterStored > 0) {
      Pop.OnRetrieved = [&, Store = Pop.OnRetrieved](TObject* Sender, int Num) {
        Store(Sender, Num);
        ++Stored;
      };
      Pop.OnProgress = [&, Progress = Pop.OnProgress](TObject* Sender, int Perc, int Transferred) {
        Progress(Sender, Perc, Transferred);
        if (Stored == StopAfterStored) Pop.Cancel();
      };
    }
    try {
      SendReceive ? Receiving.SendReceive(Sending) : Receiving.GetMail();
    } catch (const std::exception& Error) {
      return Error.what();
    }
    return {};
  }

  std::vector<TInboxRow> InboxRows() {
    TTable Table(*Database, RmailTable());
    Table.Open();
    std::vector<TInboxRow> Rows;
    for (Table.First(); !Table.Eof() && Table.RecordId() != 0; Table.Next())
      Rows.push_back({Table.FieldByName("SUBJECT").AsString(), Table.FieldByName("FROM").AsString(),
                      Table.FieldByName("EMAIL").AsString(), Table.FieldByName("DATE").AsString(),
                      Table.FieldByName("DATA").AsLines(), Table.FieldByName("RECPT").AsLines(),
                      Table.FieldByName("CC").AsLines(), Table.FieldByName("ATTACH").AsLines(),
                      Table.FieldByName("STATE").AsBoolean()});
    std::sort(Rows.begin(), Rows.end(), [](const TInboxRow& A, const TInboxRow& B) { return A.Date < B.Date; });
    return Rows;
  }

  std::multiset<std::string> Subjects() {
    std::multiset<std::string> Result;
    for (const TInboxRow& Row : InboxRows()) Result.insert(Row.Subject);
    return Result;
  }

  std::vector<std::string> Dates() {
    std::vector<std::string> Result;
    for (const TInboxRow& Row : InboxRows()) Result.push_back(Row.Date.substr(Row.Date.rfind(' ') + 1));
    return Result;
  }

  void ExpectScreenRestored() {
    EXPECT_FALSE(Screen.Locked);
    EXPECT_FALSE(Screen.Animating);
    EXPECT_FALSE(Screen.ProgressShown);
  }

  std::unique_ptr<TRealMailServers> Servers;
  TStringList Settings, Banner;
  TnbMessage Outgoing;
  TnbSMTP Smtp;
  std::unique_ptr<TTable> Accounts, Inbox;
  TRecordingScreen Screen;
  bool StopAfterProgress = false;
  // Stop while the message after this many stored ones arrives; 0 for never.
  int StopAfterStored = 0;
};

TEST_F(ReceivingFlowTest, AccountsInPasswordOrderFillTheInboxAndEmptyTheirMailboxes) {
  AddAccount({"alice", "secret"});
  AddAccount({"bob", "b0b"});  // "b0b" comes before "secret"
  Servers->Put("alice", {Letter("Subject: First\r\n"), Letter("", "No subject here.\r\n")});
  Servers->Put("bob", "From: nobody@example.test\r\nSubject: For Bob\r\n\r\nHi Bob.\r\n");

  EXPECT_EQ(Run(), "");
  const auto Rows = InboxRows();
  ASSERT_EQ(Rows.size(), 3u);
  // Get Mail numbers each account's messages from 0; the Date header's
  // +0200 is read as the sending moment, shown in local time.
  EXPECT_EQ(Dates(), (std::vector<std::string>{"0", "0", "1"}));
  EXPECT_EQ(Rows[1].Subject, "First");
  EXPECT_EQ(Rows[1].From, "Bob Sender");
  EXPECT_EQ(Rows[1].Email, "bob@example.test");
  EXPECT_EQ(Rows[1].Recpt, TStringList{"alice@example.test"});
  EXPECT_EQ(Rows[1].Cc, TStringList{"carol@example.test"});
  EXPECT_EQ(Rows[1].Data, TStringList{"Hello."});
  EXPECT_FALSE(Rows[1].State);
  EXPECT_EQ(Rows[2].Subject, "No Subject");
  const auto ForBob = std::find_if(Rows.begin(), Rows.end(), [](const TInboxRow& R) { return R.Subject == "For Bob"; });
  ASSERT_NE(ForBob, Rows.end());
  EXPECT_EQ(ForBob->From, "--");
  EXPECT_EQ(ForBob->Date, "1899-12-30 0");  // no Date header
  EXPECT_TRUE(Servers->Messages("alice").empty());
  EXPECT_TRUE(Servers->Messages("bob").empty());
  EXPECT_EQ(std::count(Screen.Log.begin(), Screen.Log.end(), "inbox entry"), 3);
  ExpectScreenRestored();
}

TEST_F(ReceivingFlowTest, LeaveKeepsTheMailboxAndSendReceiveNumbersAcrossAccounts) {
  AddAccount({"alice", "secret"});
  AddAccount({"bob", "b0b"});
  Servers->Put("alice", {Letter("Subject: One\r\n"), Letter("Subject: Two\r\n")});
  Servers->Put("bob", Letter("Subject: Three\r\n"));
  Settings[settings::clServerCopy] = "LEAVE";
  EXPECT_EQ(Run(true), "");
  EXPECT_EQ(Dates(), (std::vector<std::string>{"0", "1", "2"}));
  EXPECT_EQ(Run(), "");
  // What is left on the server was stored already.
  EXPECT_EQ(InboxRows().size(), 3u);
  EXPECT_EQ(Servers->Messages("alice").size(), 2u);

  // Any other word retrieves nothing.
  Servers->Put("alice", Letter("Subject: Four\r\n"));
  Settings[settings::clServerCopy] = "leave";
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(InboxRows().size(), 3u);
  ExpectScreenRestored();
}

TEST_F(ReceivingFlowTest, AttachmentsLandInTheChosenDirectoryUnderSafeNewNames) {
  AddAccount({"alice", "secret"});
  const fs::path Chosen = Dir / "chosen";
  fs::create_directories(Chosen);
  std::ofstream(Chosen / "same.txt") << "kept";
  Servers->Put("alice", {WithAttachments("Hostile", {"../../evil", "/etc/passwd", "a\\b.txt", "", std::string(300, 'n')}),
                         WithAttachments("Same name", {"same.txt"}), WithAttachments("Same again", {"same.txt"})});
  Screen.AttachmentDirectory = Chosen.string();

  EXPECT_EQ(Run(), "");
  EXPECT_EQ(std::count(Screen.Log.begin(), Screen.Log.end(), "choose directory"), 7);
  // The dialog names each file as it will be saved, with its message.
  ASSERT_EQ(Screen.Asked.size(), 7u);
  EXPECT_EQ(Screen.Asked[1], "passwd of Hostile from bob@example.test");
  std::set<std::string> AllSaved;
  for (const TInboxRow& Row : InboxRows()) {
    SCOPED_TRACE(Row.Subject);
    for (const std::string& Path : Row.Attach) {
      EXPECT_EQ(fs::path(Path).parent_path(), Chosen);
      EXPECT_TRUE(fs::is_regular_file(Path)) << Path;
      std::ifstream In(Path);
      EXPECT_EQ(std::string(std::istreambuf_iterator<char>(In), {}).rfind("content of ", 0), 0u) << Path;
      EXPECT_TRUE(AllSaved.insert(Path).second) << Path << " is listed twice";
    }
  }
  EXPECT_EQ(AllSaved.size(), 7u);
  EXPECT_EQ(static_cast<std::size_t>(std::distance(fs::directory_iterator(Chosen), {})), 8u);
  std::ifstream Kept(Chosen / "same.txt");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(Kept), {}), "kept");
  EXPECT_FALSE(fs::exists(Dir.parent_path() / "evil"));
}

TEST_F(ReceivingFlowTest, ReceiptsGoOnceADayToEachSenderWithTheBannerButNeverToReceiptsOrLists) {
  AddAccount({"alice", "secret"});
  Settings[settings::clAutoReceipt] = "REPLY";
  Settings[settings::clReturnReceipt] = "RETURN";
  Servers->Put("alice", {"From: Carol <carol@example.test>\r\nSubject: Question\r\n\r\nAre you there?\r\n",
                         "From: carol@example.test\r\nSubject: Corvalen receipt\r\n\r\nGot it.\r\n",
                         "From: bob@example.test\r\nList-Id: <talk.example.test>\r\nSubject: List\r\n\r\nAll.\r\n",
                         "From: bob@example.test\r\n\r\nNo subject.\r\n",
                         "From: carol@example.test\r\nSubject: Again\r\n\r\nStill there?\r\n"});
  EXPECT_EQ(Run(), "");
  ASSERT_TRUE(Servers->WaitForMessages("carol", 1, 10)) << Servers->LogTail();
  ASSERT_TRUE(Servers->WaitForMessages("bob", 1, 10)) << Servers->LogTail();
  ASSERT_TRUE(Servers->WaitForQueueEmpty(5));
  auto Receipts = Servers->Messages("carol");
  for (const std::string& Text : Servers->Messages("bob")) Receipts.push_back(Text);
  ASSERT_EQ(Receipts.size(), 2u);
  std::set<std::string> Answered;
  for (std::string Text : Receipts) {
    std::erase(Text, '\r');  // delivered files end their lines in LF alone
    EXPECT_NE(Text.find("Subject: Corvalen receipt\n"), std::string::npos);
    EXPECT_NE(Text.find("\nAuto-Submitted: auto-replied\n"), std::string::npos) << Text;
    EXPECT_NE(Text.find("\n\nThank you for writing.\nI will answer soon.\nCorvalen receipt:\n"
                        "Your E-mail has been received: "),
              std::string::npos)
        << Text;
    Answered.insert(Text.substr(Text.rfind("Subject: ")));
  }
  EXPECT_EQ(Answered, (std::set<std::string>{"Subject: Question\n", "Subject: No Subject\n"}));
  EXPECT_TRUE(Outgoing.ReturnReceipt);  // back as the settings say
}

TEST_F(ReceivingFlowTest, ReceiptsThatCannotBeSentAreReportedAndTheMailboxStillEmpties) {
  AddAccount({"alice", "secret"});
  Settings[settings::clAutoReceipt] = "REPLY";
  // A sender the SMTP server refuses, and one with a control character.
  Servers->Put("alice", {"From: Far <far@elsewhere.test>\r\nSubject: Refused\r\n\r\nHello.\r\n",
                         "From: <bo\x01" "b@example.test>\r\nSubject: Control\r\n\r\nHello.\r\n",
                         "From: carol@example.test\r\nSubject: Answered\r\n\r\nHello.\r\n"});
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(std::count_if(Screen.Log.begin(), Screen.Log.end(),
                          [](const std::string& Line) { return Line.starts_with("status Status: Receipt not sent: "); }),
            2);
  EXPECT_EQ(InboxRows().size(), 3u);
  EXPECT_TRUE(Servers->Messages("alice").empty());
  EXPECT_TRUE(Servers->WaitForMessages("carol", 1, 10)) << Servers->LogTail();
  ExpectScreenRestored();
}

TEST_F(ReceivingFlowTest, FailuresLeaveEveryMessageStoredOrOnTheServer) {
  AddAccount({"alice", "wrong"});
  Servers->Put("alice", Letter("Subject: Waiting\r\n"));
  EXPECT_EQ(Run(), "-ERR [AUTH] Authentication failed.");
  ExpectScreenRestored();

  // A message whose attachment cannot be saved is neither stored nor deleted;
  // the one before it is both.
  Accounts->First();
  Accounts->Edit();
  Accounts->FieldByName("PSWRD").SetAsString("secret");
  Accounts->Post();
  Servers->Put("alice", WithAttachments("Has a file", {"report.pdf"}));
  Screen.AttachmentDirectory = (Dir / "no-such-directory").string();
  EXPECT_NE(Run().find("no-such-directory"), std::string::npos);
  const auto Rows = InboxRows();
  ASSERT_EQ(Rows.size(), 1u);
  EXPECT_EQ(Rows[0].Subject, "Waiting");
  const auto Left = Servers->Messages("alice");
  ASSERT_EQ(Left.size(), 1u);
  EXPECT_NE(Left[0].find("Subject: Has a file"), std::string::npos);
  ExpectScreenRestored();

  // Stop in the middle: nothing is deleted, the next Get Mail finds it again.
  StopAfterProgress = true;
  EXPECT_EQ(Run(), "Operation has been canceled");
  EXPECT_EQ(Servers->Messages("alice").size(), 1u);
  ExpectScreenRestored();
}

TEST_F(ReceivingFlowTest, LeaveStoresEachMessageOnceAndForgetsTheIdsOfMessagesGoneFromTheServer) {
  AddAccount({"alice", "secret"});
  Settings[settings::clServerCopy] = "LEAVE";
  Servers->Put("alice", {Letter("Subject: One\r\n"), Letter("Subject: Two\r\n")});
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(Subjects(), (std::multiset<std::string>{"One", "Two"}));
  Servers->Put("alice", {Letter("Subject: Three\r\n"), Letter("Subject: Four\r\n")});
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(Subjects(), (std::multiset<std::string>{"One", "Two", "Three", "Four"}));

  // Another client deletes a message: its id goes at the next Get Mail.
  TFetchedIds Ids(*Database);
  const std::string Mailbox = "alice@" + Servers->Pop3Address();
  Accounts->First();
  const std::set<std::string> Before = Ids.Load(Accounts->RecordId(), Mailbox);
  ASSERT_EQ(Before.size(), 4u);
  fs::remove(Servers->MessageFiles("alice").front());
  EXPECT_EQ(Run(), "");
  const std::set<std::string> After = Ids.Load(Accounts->RecordId(), Mailbox);
  EXPECT_EQ(After.size(), 3u);
  EXPECT_TRUE(std::includes(Before.begin(), Before.end(), After.begin(), After.end()));
  EXPECT_EQ(InboxRows().size(), 4u);
}

TEST_F(ReceivingFlowTest, AStopInADeleteRunThenAFullRunStoreEachMessageOnce) {
  AddAccount({"alice", "secret"});
  std::vector<std::string> Letters;
  std::multiset<std::string> Sent;
  for (const char* Subject : {"A", "B", "C", "D", "E"}) {
    Letters.push_back(Letter(std::string("Subject: ") + Subject + "\r\n"));
    Sent.insert(Subject);
  }
  Servers->Put("alice", Letters);
  // The stop drops the connection: three messages stored, none deleted.
  StopAfterStored = 3;
  EXPECT_EQ(Run(), "Operation has been canceled");
  EXPECT_EQ(InboxRows().size(), 3u);
  EXPECT_EQ(Servers->Messages("alice").size(), 5u);
  StopAfterStored = 0;
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(Subjects(), Sent);
  EXPECT_TRUE(Servers->Messages("alice").empty());
  ExpectScreenRestored();
}

}  // namespace
