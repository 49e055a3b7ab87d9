// The windows over TLS against real servers: Preferences set to SSL/TLS with
// an SMTP login, Send Mail and Get Mail carrying a message whole; and a
// certificate the user trusted once, not asked about again until it changes.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <fstream>
#include <random>

#include "app/composer/Unit5.h"
#include "app/dialogs/Unit4.h"
#include "app/dialogs/certificatedialog.h"
#include "app/settings/settingsfiles.h"
#include "app/views/Unit2.h"
#include "app/views/listview.h"
#include "appfixture.h"
#include "support/realservers.h"
#include "support/namedchild.h"

namespace {

namespace fs = std::filesystem;

std::string FileText(const std::string& Name) {
  std::ifstream In(Name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), {});
}

// Answers every modal window while it lives: the certificate question as
// TrustAnswer says (each one counted), any other window with Cancel.
class TModalWatch {
public:
  TModalWatch() {
    QObject::connect(&FPoll, &QTimer::timeout, [this] {
      auto* Dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (!Dialog || !Dialog->isVisible()) return;
      if (auto* Question = qobject_cast<TCertificateDialog*>(Dialog)) {
        Asked.push_back(Question->ProblemLabel->text().toStdString());
        (TrustAnswer ? Question->TrustButton : Question->CancelButton)->click();
      } else {
        Dialog->reject();
      }
    });
    FPoll.start(20);
  }
  bool TrustAnswer = true;
  std::vector<std::string> Asked;

private:
  QTimer FPoll;
};

class TlsWindowsTest : public PumpingAppTest {
protected:
  void SetUp() override {
    PumpingAppTest::SetUp();
    fs::create_directories(Dir / "attachments");
    Config = settings::DefaultConfig((Dir / "attachments").string());
    Config[settings::clName] = "Alice";
    Config[settings::clAutoReceipt] = "NOREPLY";
  }
  void TearDown() override {
    ::unsetenv("SSL_CERT_FILE");
    PumpingAppTest::TearDown();
  }

  void Start(TRealMailServers& Servers) {
    ::setenv("SSL_CERT_FILE", Servers.CaFile().c_str(), 1);
    Config[settings::clEmail] = Servers.Address("alice");
    settings::SaveLines(settings::ConfigFileName, Config);
    OpenWindow();
  }

  // Preferences: the SMTP server and one POP3 account of Servers, both SSL/TLS.
  void ConfigureSslTls(TRealMailServers& Servers) {
    AnswerNextModal([&](QWidget* Modal) {
      auto& F = *qobject_cast<TForm4*>(Modal);
      F.Edit4->setText("127.0.0.1");
      F.ComboBox2->setCurrentIndex(F.ComboBox2->findText("SSL/TLS"));
      F.Edit9->setText(QString::number(Servers.SubmissionsPort()));
      F.Edit10->setText("alice");
      F.Edit11->setText("secret");
      F.Edit5->setText("127.0.0.1");
      F.Edit6->setText("alice");
      F.Edit7->setText("secret");
      F.ComboBox3->setCurrentIndex(F.ComboBox3->findText("SSL/TLS"));
      F.Edit12->setText(QString::number(Servers.Pop3sPort()));
      F.BitBtn3->click();
      F.BitBtn1->click();
    });
    Command("Preferences1")->trigger();
  }

  TStringList Config;
};

TEST_F(TlsWindowsTest, PreferencesSetToSslTlsThenSendMailAndGetMail) {
  TRealMailServers Servers;
  Start(Servers);
  ConfigureSslTls(Servers);

  std::string Bytes(300000, '\0');
  std::mt19937 Random(3);
  for (char& C : Bytes) C = static_cast<char>(Random());
  const fs::path Report = Dir / "report.bin";
  std::ofstream(Report, std::ios::binary) << Bytes;
  ui::Hooks().OpenFileName = [&](const std::string&) { return Report.string(); };
  AnswerNextModal([&](QWidget* Modal) {
    auto& C = *qobject_cast<TForm5*>(Modal);
    C.Recpt->setPlainText(QString::fromStdString(Servers.Address("alice")));
    C.Edit3->setText("Over TLS");
    C.Memo1->setPlainText("Sent and fetched encrypted.\n.\nAlice");
    C.BitBtn2->click();
    C.BitBtn1->click();
  });
  Command("NewMessage1")->trigger();

  TModalWatch Watch;
  Command("ToolButton18")->trigger();
  ASSERT_TRUE(Servers.WaitForMessages("alice", 1, 10)) << Servers.LogTail();
  Command("ToolButton19")->trigger();
  EXPECT_EQ(Watch.Asked, std::vector<std::string>{});
  ASSERT_EQ(Form2->ListView1->Count(), 1) << ::testing::PrintToString(Messages);
  TTable Inbox(*Database, RmailTable());
  Inbox.Open();
  EXPECT_EQ(Inbox.FieldByName("SUBJECT").AsString(), "Over TLS");
  EXPECT_EQ(Inbox.FieldByName("DATA").AsString(), "Sent and fetched encrypted.\r\n.\r\nAlice");
  const TStringList Saved = Inbox.FieldByName("ATTACH").AsLines();
  ASSERT_EQ(Saved.size(), 1u);
  EXPECT_TRUE(FileText(Saved[0]) == Bytes);
  EXPECT_TRUE(Servers.Messages("alice").empty());
}

TEST_F(TlsWindowsTest, TrustedCertificateIsNotAskedAboutAgainUntilItChanges) {
  TRealMailServers Servers(TRealMailServers::DefaultUsers(), "selfsigned");
  Start(Servers);
  ConfigureSslTls(Servers);
  TModalWatch Watch;

  Servers.Put("alice", "Subject: first\r\n\r\nOne.\r\n");
  Command("ToolButton19")->trigger();
  ASSERT_EQ(Watch.Asked.size(), 1u);
  EXPECT_NE(Watch.Asked[0].find("it is self-signed"), std::string::npos) << Watch.Asked[0];
  Servers.Put("alice", "Subject: second\r\n\r\nTwo.\r\n");
  Command("ToolButton19")->trigger();
  EXPECT_EQ(Watch.Asked.size(), 1u);
  EXPECT_EQ(Form2->ListView1->Count(), 2);

  // The same account now meets another certificate: asked again, and refused.
  TRealMailServers Changed(TRealMailServers::DefaultUsers(), "selfsigned2");
  Changed.Put("alice", "Subject: third\r\n\r\nThree.\r\n");
  {
    TTable Accounts(*Database, Pop3Table());
    Accounts.Open();
    Accounts.Edit();
    Accounts.FieldByName("PORT").SetAsString(std::to_string(Changed.Pop3sPort()));
    Accounts.Post();
  }
  Watch.TrustAnswer = false;
  Command("ToolButton19")->trigger();
  EXPECT_EQ(Watch.Asked.size(), 2u);
  EXPECT_EQ(Form2->ListView1->Count(), 2);
  EXPECT_EQ(Changed.Messages("alice").size(), 1u);
  EXPECT_EQ(FileText(Changed.Fact("DOVECOT_LOG")).find("user=<alice>"), std::string::npos);
}

}  // namespace
