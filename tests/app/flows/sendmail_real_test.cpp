// Writing and sending mail as a user does: messages composed in the real
// composer, Send Mail on the toolbar, and each one found in the mailboxes of
// real Postfix and Dovecot servers as it was written.
#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <fstream>

#include "app/composer/Unit5.h"
#include "app/settings/settingsfiles.h"
#include "app/views/Unit3.h"
#include "appfixture.h"
#include "maillib/message/nbmsg.h"
#include "maillib/mime/headerfields.h"
#include "maillib/pop3/messagelist.h"
#include "maillib/pop3/nbpop3.h"
#include "platform/net/posixsockets.h"
#include "platform/runtime/processmessages.h"
#include "support/realservers.h"
#include "support/namedchild.h"

namespace {

using TUser = TRealMailServers::TUser;

class SendMailRealTest : public PumpingAppTest {
protected:
  // New Message, filled by Fill, then To Outbox.
  void Compose(const std::function<void(TForm5&)>& Fill) {
    AnswerNextModal([&](QWidget* Modal) {
      auto& Composer = *qobject_cast<TForm5*>(Modal);
      Fill(Composer);
      Composer.BitBtn1->click();
    });
    Command("NewMessage1")->trigger();
  }

  // Every message in User's mailbox, decoded, by subject.
  std::map<std::string, std::unique_ptr<TnbMessage>> Mailbox(const TRealMailServers& Servers, const TUser& User) {
    TnbPOP Pop;
    Pop.Server = Servers.Pop3Address();
    Pop.UserName = User.Name;
    Pop.Password = User.Password;
    Pop.SetWinsockLoaded(true);
    Pop.RetrieveAll(true);
    std::map<std::string, std::unique_ptr<TnbMessage>> BySubject;
    for (int I = 0; I < Pop.Messages().Count(); ++I) {
      auto Copy = std::make_unique<TnbMessage>();
      Copy->Assign(Pop.Messages().Items(I));
      BySubject[Copy->Subject()] = std::move(Copy);
    }
    return BySubject;
  }
};

TEST_F(SendMailRealTest, ComposedMessagesArriveWhole) {
  const TUser Alice{"alice", "secret"}, Bob{"bob", "b0b"};
  TRealMailServers Servers(std::vector<TUser>{Alice, Bob});
  TStringList Config = settings::DefaultConfig(Dir.string());
  Config[settings::clName] = "Ann Writer";
  Config[settings::clEmail] = "ann@example.test";
  Config[settings::clSmtpServer] = Servers.SmtpAddress();
  settings::SaveLines(settings::ConfigFileName, Config);
  OpenWindow();

  std::string Bytes;
  for (int I = 0; I < 70000; ++I) Bytes += static_cast<char>(I * 7 % 256);
  const std::string Report = (Dir / "report.bin").string();
  std::ofstream(Report, std::ios::binary) << Bytes;
  ui::Hooks().OpenFileName = [&](const std::string&) { return Report; };

  Compose([&](TForm5& C) {
    C.Recpt->setPlainText(QString::fromStdString(Servers.Address("alice")));
    C.Edit3->setText("Quarterly report");
    C.Memo1->setPlainText("Dear Alice,\n\nthe report is attached.\n.\nAnn");
    C.BitBtn2->click();
  });
  Compose([&](TForm5& C) {
    C.Recpt->setPlainText(QString::fromStdString(Servers.Address("alice")));
    C.Cc->setPlainText(QString::fromStdString(Servers.Address("bob")));
    C.Edit3->setText("Lunch");
    C.Memo1->setPlainText("Noon at the usual place?");
  });
  // The composer insists on a To address; a row with copies alone can still
  // be in the Outbox (an older store, say), and goes out to its CC lines.
  AddRow(SmailTable(), {.Subject = "Copies only", .Date = "2026-01-01 09:00:00",
                        .CarbonCopies = {Servers.Address("alice"), Servers.Address("bob")}, .Body = "For you both."});
  Form3->FillList();
  ASSERT_EQ(Form3->ListView1->Count(), 3);

  Command("ToolButton18")->trigger();
  EXPECT_EQ(Messages, std::vector<std::string>{});
  for (int Row = 0; Row < Form3->ListView1->Count(); ++Row) EXPECT_EQ(Form3->ListView1->Item(Row).ImageIndex, 1);

  ASSERT_TRUE(Servers.WaitForMessages("alice", 3, 10)) << Servers.LogTail();
  ASSERT_TRUE(Servers.WaitForMessages("bob", 2, 10)) << Servers.LogTail();
  auto Inbox = Mailbox(Servers, Alice);
  ASSERT_EQ(Inbox.size(), 3u);
  for (const auto& [Subject, Message] : Inbox) {
    SCOPED_TRACE(Subject);
    EXPECT_EQ(Message->Sender().Address(), "ann@example.test");
    EXPECT_EQ(Message->Sender().Name(), "Ann Writer");
    EXPECT_FALSE(GetHeaderField(Message->Headers(), "Date").empty());
    EXPECT_TRUE(GetHeaderField(Message->Headers(), "Message-ID").ends_with(">"));
  }
  TnbMessage& First = *Inbox.at("Quarterly report");
  EXPECT_EQ(First.Body(), (TStringList{"Dear Alice,", "", "the report is attached.", ".", "Ann"}));
  ASSERT_EQ(First.Attachments().Count(), 1);
  EXPECT_EQ(First.Attachments().Items(0).FileName(), "report.bin");
  EXPECT_EQ(First.Attachments().Items(0).Data.View(), Bytes);
  TnbMessage& Lunch = *Inbox.at("Lunch");
  ASSERT_EQ(Lunch.CC().Count(), 1);
  EXPECT_EQ(Lunch.CC().Items(0).Address(), Servers.Address("bob"));
  TnbMessage& Copies = *Inbox.at("Copies only");
  EXPECT_EQ(Copies.Recipients().Count(), 0);
  EXPECT_EQ(Copies.CC().Count(), 2);
  EXPECT_EQ(Mailbox(Servers, Bob).size(), 2u);
}

}  // namespace
