// Answering mail fetched from real Dovecot and Postfix with the main
// window's commands: what arrives carries its prefix, its threading headers
// and, forwarded, the original files byte for byte.
#include <QAction>
#include <QCryptographicHash>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

#include "app/composer/Unit5.h"
#include "app/dialogs/Unit12.h"
#include "app/settings/settingsfiles.h"
#include "app/views/Unit2.h"
#include "appfixture.h"
#include "maillib/mime/headerfields.h"
#include "maillib/pop3/messagelist.h"
#include "maillib/pop3/nbpop3.h"
#include "support/realservers.h"
#include "support/namedchild.h"

namespace {

QByteArray Sha256(std::string_view Bytes) {
  return QCryptographicHash::hash(QByteArray(Bytes.data(), static_cast<qsizetype>(Bytes.size())),
                                  QCryptographicHash::Sha256);
}

class AnswerRealTest : public PumpingAppTest {
protected:
  // Selects the Inbox message Subject, runs Command and queues what Change left in the composer.
  void Answer(const QString& Subject, QAction* Command, const std::function<void(TForm5&)>& Change = {}) {
    for (int Row = 0; Row < Form2->ListView1->Count(); ++Row)
      if (Form2->ListView1->Item(Row).Caption == Subject) Form2->ListView1->SelectRow(Row);
    AnswerNextModal([&](QWidget* Modal) {
      auto& Composer = *qobject_cast<TForm5*>(Modal);
      if (Change) Change(Composer);
      Composer.BitBtn1->click();
    });
    Command->trigger();
  }
  // The messages in User's mailbox, by subject.
  std::map<std::string, TnbMessage> Mailbox(const std::string& User, const std::string& Password) {
    TnbPOP Pop;
    Pop.Server = Servers.Pop3Address();
    Pop.UserName = User;
    Pop.Password = Password;
    Pop.SetWinsockLoaded(true);
    Pop.RetrieveAll(true);
    std::map<std::string, TnbMessage> BySubject;
    for (int I = 0; I < Pop.Messages().Count(); ++I)
      BySubject[Pop.Messages().Items(I).Subject()].Assign(Pop.Messages().Items(I));
    return BySubject;
  }
  TRealMailServers Servers{{{"alice", "secret"}, {"bob", "b0b"}, {"carol", "c4rol"}}};
};

TEST_F(AnswerRealTest, RepliesThreadAndForwardsCarryTheFiles) {
  std::string Picture, Sheet;
  for (int I = 0; I < 600; ++I) Picture += static_cast<char>(I * 31 % 256);
  for (int I = 0; I < 300; ++I) Sheet += static_cast<char>(255 - I % 256);
  const auto Part = [](const char* Name, const std::string& Bytes) {
    return "--b\r\nContent-Type: application/octet-stream; name=\"" + std::string(Name) +
           "\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
           QByteArray::fromStdString(Bytes).toBase64().toStdString() + "\r\n";
  };
  const std::string At = "@" + Servers.Domain();
  Servers.Put("alice", {"From: Bob <bob" + At + ">\r\nTo: alice" + At + "\r\nSubject: Photos\r\n"
                        "Message-ID: <photos@x>\r\nReferences: <start@x>\r\nMIME-Version: 1.0\r\n"
                        "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n\r\nTwo files.\r\n" +
                            Part("one.png", Picture) + Part("two.bin", Sheet) + "--b--\r\n",
                        "From: bob" + At + "\r\nTo: alice" + At + ", carol" + At + "\r\nCc: ALICE" + At + ", bob" + At +
                            "\r\nSubject: RE: plans\r\nMessage-ID: <plans@x>\r\n\r\nSee you.\r\n"});
  std::filesystem::create_directories(Dir / "files");
  TStringList Config = settings::DefaultConfig((Dir / "files").string());
  Config[settings::clEmail] = Servers.Address("alice");
  Config[settings::clSmtpServer] = Servers.SmtpAddress();
  Config[settings::clAutoReceipt] = "NOREPLY";
  settings::SaveLines(settings::ConfigFileName, Config);
  AddAccount(Servers.Pop3Address());
  OpenWindow();
  int Saved = 0;
  std::function<void(QWidget*)> SaveHere = [&](QWidget* Modal) {
    qobject_cast<TForm12*>(Modal)->BitBtn1->click();
    if (++Saved < 2) AnswerNextModal(SaveHere);
  };
  AnswerNextModal(SaveHere);
  Command("ToolButton19")->trigger();  // Get Mail
  ASSERT_EQ(Form2->ListView1->Count(), 2) << testing::PrintToString(Messages);

  const QString Carol = QString::fromStdString("carol" + At);
  Answer("Photos", Command("ToolButton26"), [&](TForm5& C) { C.Recpt->setPlainText(Carol); });
  Answer("Photos", Command("ReplytoWriter1"));
  Answer("RE: plans", Command("ReplytoAll2"));
  Command("ToolButton18")->trigger();  // Send Mail
  EXPECT_EQ(Messages, std::vector<std::string>{});
  ASSERT_TRUE(Servers.WaitForMessages("carol", 2, 10) && Servers.WaitForMessages("bob", 2, 10)) << Servers.LogTail();

  auto ForCarol = Mailbox("carol", "c4rol"), ForBob = Mailbox("bob", "b0b");
  ASSERT_EQ(ForCarol["Fwd: Photos"].Attachments().Count(), 2);
  EXPECT_EQ(Sha256(ForCarol["Fwd: Photos"].Attachments().Items(0).Data.View()), Sha256(Picture));
  EXPECT_EQ(Sha256(ForCarol["Fwd: Photos"].Attachments().Items(1).Data.View()), Sha256(Sheet));
  const TStringList& Reply = ForBob["Re: Photos"].Headers();
  EXPECT_EQ(GetHeaderField(Reply, "In-Reply-To"), "<photos@x>");
  EXPECT_EQ(GetHeaderField(Reply, "References"), "<start@x> <photos@x>");
  // Reply to All reached the sender and the other recipient once each, never the user.
  EXPECT_EQ(GetHeaderField(ForBob["RE: plans"].Headers(), "In-Reply-To"), "<plans@x>");
  EXPECT_EQ(ForCarol.count("RE: plans") + ForBob.size(), 3u);
  EXPECT_TRUE(Servers.WaitForQueueEmpty(10));
  EXPECT_TRUE(Servers.Messages("alice").empty());
}

}  // namespace
