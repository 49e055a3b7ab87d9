// Preferences, opened from the main window: the exclusive boxes, the eleven
// lines OK writes and what they change at once, the account grid and the
// banner. The first-run setup, whose answers Preferences then shows.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

#include <fstream>
#include <sstream>

#include <QRadioButton>

#include "app/dialogs/Unit15.h"
#include "app/dialogs/Unit16.h"
#include "app/dialogs/Unit4.h"
#include "app/dialogs/securitycontrols.h"
#include "app/settings/serversettings.h"
#include "app/settings/settingsfiles.h"
#include "app/store/fetchedids.h"
#include "app/views/Unit2.h"
#include "appfixture.h"
#include "maillib/dialup/tkRasCmp.h"
#include "maillib/message/nbmsg.h"
#include "maillib/smtp/nbsmtp.h"
#include "platform/runtime/processmessages.h"
#include "support/fakeserver.h"
#include "support/scriptedras.h"
#include "unnamedcontrols.h"
#include "support/namedchild.h"

namespace {

using Fake = TFakeServer;

std::string ReadFile(const std::filesystem::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::stringstream Text;
  Text << In.rdbuf();
  return Text.str();
}

class PreferencesTest : public AppTest {
protected:
  void SetUp() override {
    AppTest::SetUp();
    Config = settings::DefaultConfig("/home/ann/mail");
  }
  void TearDown() override {
    SetMessagePump(nullptr);
    SetRasApi(nullptr);
    AppTest::TearDown();
  }
  void Start() {
    settings::SaveLines(settings::ConfigFileName, Config);
    OpenWindow();
  }
  // Opens Preferences from the menu and hands it, filled, to Use; closes it
  // with Cancel unless Use closed it.
  void WithPreferences(const std::function<void(TForm4&)>& Use) {
    bool Shown = false;
    AnswerNextModal([&](QWidget* Modal) {
      auto& Form = *qobject_cast<TForm4*>(Modal);
      Shown = WaitFor([&] { return Form.CheckBox7->isChecked() || Form.CheckBox8->isChecked() || Form.CheckBox9->isChecked(); });
      Use(Form);
      if (Form.isVisible()) Form.BitBtn2->click();
    });
    Command("Preferences1")->trigger();
    ASSERT_TRUE(Shown);
  }
  int AccountCount() {
    TTable Accounts(*Database, Pop3Table());
    Accounts.Open();
    return Accounts.RecordCount();
  }
  TStringList Config;
};

TEST_F(PreferencesTest, EachGroupKeepsAtMostOneBoxTicked) {
  Start();
  WithPreferences([](TForm4& F) {
    for (const std::vector<QCheckBox*>& Group : std::vector<std::vector<QCheckBox*>>{
             {F.CheckBox2, F.CheckBox3}, {F.CheckBox7, F.CheckBox8, F.CheckBox9}, {F.CheckBox4, F.CheckBox5}}) {
      for (QCheckBox* Box : Group)
        if (Box->isChecked()) Box->click();
      for (QCheckBox* Box : Group) {
        Box->click();
        for (QCheckBox* Other : Group) EXPECT_EQ(Other->isChecked(), Other == Box) << Box->text().toStdString();
      }
      Group.back()->click();  // unticking the ticked one leaves none
      for (QCheckBox* Other : Group) EXPECT_FALSE(Other->isChecked());
    }
  });
}

TEST_F(PreferencesTest, OkWritesElevenLinesAppliesThemAtOnceAndNoConnectionWarnsAtTheNextStart) {
  Start();
  std::filesystem::create_directory(Dir / "Config.ini.new");  // the file cannot be written yet
  WithPreferences([&](TForm4& F) {
    F.Edit1->setText("Ann Smith");
    F.Edit2->setText("Acme");
    F.Edit3->setText("ann@example.test");
    F.Edit4->setText("smtp.example.test");
    F.Edit8->setText("/home/ann/files");
    F.CheckBox2->click();  // LAN unticked: no connection type
    F.CheckBox8->click();  // Normal unticked: no priority
    F.CheckBox6->click();
    F.BitBtn1->click();
    EXPECT_TRUE(F.isVisible());
    EXPECT_EQ(Window->Settings(), Config);
    std::filesystem::remove(Dir / "Config.ini.new");
    F.BitBtn1->click();
    EXPECT_FALSE(F.isVisible());
  });
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_TRUE(Messages[0].starts_with("error: Cannot create file")) << Messages[0];
  EXPECT_EQ(ReadFile(Dir / "Config.ini"),
            "Ann Smith\r\nAcme\r\nann@example.test\r\nsmtp.example.test\r\n \r\nREPLY\r\nDELETE\r\nNOCON\r\n"
            "/home/ann/files\r\nRETURN\r\nNORMAL\r\n");
  EXPECT_EQ(Window->Settings(), settings::LoadLines(settings::ConfigFileName));
  EXPECT_EQ(Window->Message().Sender().Name(), "Ann Smith");
  EXPECT_EQ(Window->Message().Sender().Address(), "ann@example.test");
  EXPECT_EQ(Window->Smtp().Server, "smtp.example.test");
  EXPECT_TRUE(Window->Message().ReturnReceipt);
  EXPECT_EQ(Child<QLineEdit>(*Window, "Edit2")->text(), "ann@example.test");

  Messages.clear();
  Window.reset();
  OpenWindow();
  EXPECT_EQ(Messages, std::vector<std::string>{"Invalid Connection Type"});
}

TEST_F(PreferencesTest, ModemOpensForcedAndLanEmptiesTheDialUpEntry) {
  auto Ras = std::make_shared<TScriptedRas>();
  Ras->PhoneBook = {"Work", "Home ISP"};
  SetRasApi(Ras);
  Config[settings::clDialUpEntry] = "Work";
  Config[settings::clConnectionType] = "1";
  Start();
  ASSERT_EQ(Window->Ras().Service(), "Work");
  WithPreferences([](TForm4& F) {
    EXPECT_EQ(F.ComboBox1->count(), 2);
    EXPECT_EQ(F.ComboBox1->currentText(), "Work");
    EXPECT_TRUE(F.CheckBox3->isChecked());
  });
  EXPECT_TRUE(Window->Ras().ForceService);  // Cancel keeps what opening did
  WithPreferences([](TForm4& F) {
    F.CheckBox2->click();
    F.BitBtn1->click();
  });
  EXPECT_EQ(Window->Ras().Service(), "");
  EXPECT_FALSE(Window->Ras().ForceService);
  EXPECT_EQ(Window->Settings()[settings::clConnectionType], "0");
}

TEST_F(PreferencesTest, AccountsAreAddedAndDeletedAtOnceWhateverTheOutcome) {
  Start();
  WithPreferences([&](TForm4& F) {
    F.Edit5->setText("pop.example.test");
    F.Edit6->setText("ann");
    F.BitBtn3->click();
    EXPECT_EQ(Messages, std::vector<std::string>{
                            "All of the Objects: POP3 Server, POP3 Account, Password must be filled out"});
    EXPECT_EQ(AccountCount(), 0);
    F.Edit7->setText("secret-b");
    F.BitBtn3->click();
    F.Edit7->setText("secret-a");
    F.BitBtn3->click();
    ASSERT_EQ(F.DBGrid1->rowCount(), 2);
    EXPECT_EQ(F.DBGrid1->currentRow(), 0);  // the new row, in password order
    EXPECT_NE(F.DBGrid1->item(0, 2)->text(), "secret-a");
    // Each account has the id of a message fetched for it; the deleted one's goes with it.
    TTable Accounts(*Database, Pop3Table());
    Accounts.Open();
    for (Accounts.First(); !Accounts.Eof(); Accounts.Next())
      TFetchedIds(*Database).Add(Accounts.RecordId(), "ann@pop.example.test", Accounts.FieldByName("PSWRD").AsString());
    F.BitBtn4->click();
  });
  TTable Accounts(*Database, Pop3Table());
  Accounts.Open();
  ASSERT_EQ(Accounts.RecordCount(), 1);
  EXPECT_EQ(Accounts.FieldByName("PSWRD").AsString(), "secret-b");
  TTable Ids(*Database, FetchedIdsTable());
  Ids.Open();
  EXPECT_EQ(Ids.RecordCount(), 1);
  EXPECT_EQ(TFetchedIds(*Database).Load(Accounts.RecordId(), "ann@pop.example.test"),
            std::set<std::string>{"secret-b"});
  // The store that holds the passwords is the user's alone.
  EXPECT_EQ(std::filesystem::status(Dir / "Corvalen.db").permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST_F(PreferencesTest, BannerIsWrittenOnlyBySave) {
  Start();
  std::ofstream(Dir / "thanks.txt", std::ios::binary) << "Thank you\r\nfor your mail";
  ui::Hooks().OpenFileName = [this](const std::string&) { return (Dir / "thanks.txt").string(); };
  WithPreferences([](TForm4& F) {
    F.BitBtn5->click();
    EXPECT_EQ(F.Memo1->toPlainText(), "Thank you\nfor your mail");
  });
  EXPECT_EQ(ReadFile(Dir / "BANNER.BAN"), "");
  WithPreferences([](TForm4& F) {
    F.BitBtn5->click();
    F.BitBtn6->click();
  });
  EXPECT_EQ(ReadFile(Dir / "BANNER.BAN"), "Thank you\r\nfor your mail\r\n");
  EXPECT_EQ(Window->Banner(), (TStringList{"Thank you", "for your mail"}));
  EXPECT_EQ(Messages, std::vector<std::string>{"Banner has been saved"});
}

TEST_F(PreferencesTest, TheNextGetMailUsesTheNewServerCopySetting) {
  Fake Pop({Fake::S("+OK ready\r\n"), Fake::C("CAPA"), Fake::S("-ERR\r\n"), Fake::C("USER u"), Fake::S("+OK\r\n"),
            Fake::C("PASS p"), Fake::S("+OK\r\n"), Fake::C("STAT"), Fake::S("+OK 1 40\r\n"), Fake::C("LIST 1"),
            Fake::S("+OK 1 40\r\n"), Fake::C("RETR 1"),
            Fake::S("+OK\r\nFrom: bob@example.test\r\nSubject: hi\r\n\r\nhello\r\n.\r\n"), Fake::C("QUIT"),
            Fake::S("+OK bye\r\n"), Fake::AwaitClose()});
  {
    TTable Accounts(*Database, Pop3Table());
    Accounts.Open();
    Accounts.Append();
    Accounts.FieldByName("SERVER").SetAsString(Pop.Address());
    Accounts.FieldByName("USERA").SetAsString("u");
    Accounts.FieldByName("PSWRD").SetAsString("p");
    Accounts.Post();
  }
  SetMessagePump([] { QApplication::processEvents(); });
  Start();  // deletes from the server and sends receipts
  WithPreferences([](TForm4& F) {
    F.CheckBox4->click();  // leave on the server, which turns receipts off
    F.BitBtn1->click();
  });
  Window->ToolButton19Click();
  EXPECT_EQ(Pop.Finish(), std::vector<std::string>{});  // no DELE, and no receipt was tried
  EXPECT_EQ(Form2->ListView1->Count(), 1);
}

TEST_F(PreferencesTest, SmtpSecurityAndLoginGoToSmtpIniAndApplyAtOnce) {
  // Trusted for the server in use.
  settings::SaveSmtpSettings(settings::SmtpFileName, {TSecurity::None, 0, "", "", "AB:CD"});
  Start();
  WithPreferences([&](TForm4& F) {
    EXPECT_EQ(UnnamedControls(&F), std::vector<std::string>{});
    EXPECT_EQ(F.Edit11->echoMode(), QLineEdit::Password);
    F.ComboBox2->setCurrentIndex(F.ComboBox2->findText("STARTTLS"));
    EXPECT_EQ(F.Edit9->placeholderText(), "587");
    F.Edit9->setText("0");
    F.BitBtn1->click();
    EXPECT_TRUE(F.isVisible());
    F.Edit9->setText("2587");
    F.Edit10->setText("ann");
    F.Edit11->setText("s3cret");
    F.BitBtn1->click();
  });
  EXPECT_EQ(Messages, std::vector<std::string>{InvalidPortText});
  EXPECT_EQ(settings::LoadLines(settings::ConfigFileName).size(), 11u);
  const settings::TSmtpSettings Expected{TSecurity::StartTls, 2587, "ann", "s3cret", "AB:CD"};
  EXPECT_EQ(settings::LoadSmtpSettings(settings::SmtpFileName), Expected);
  const TnbSMTP& Smtp = Window->Smtp();
  EXPECT_EQ(Smtp.Security, TSecurity::StartTls);
  EXPECT_EQ(Smtp.Port, 2587);
  EXPECT_EQ(Smtp.UserName + " " + Smtp.Password + " " + Smtp.TrustedCertificate, "ann s3cret AB:CD");
  // Shown as saved; another server drops the certificate trusted for the old one.
  WithPreferences([&](TForm4& F) {
    EXPECT_EQ(F.ComboBox2->currentText() + " " + F.Edit9->text() + " " + F.Edit10->text(), "STARTTLS 2587 ann");
    F.Edit4->setText("smtp.other.test");
    F.BitBtn1->click();
  });
  EXPECT_EQ(Window->Smtp().TrustedCertificate + settings::LoadSmtpSettings(settings::SmtpFileName).TrustedCertificate,
            "");
}

TEST_F(PreferencesTest, AccountsKeepTheirSecurityAndPortAndTheGridShowsThemReadably) {
  Start();
  WithPreferences([&](TForm4& F) {
    F.Edit5->setText("pop.example.test");
    F.Edit6->setText("ann");
    F.Edit7->setText("secret-a");
    F.ComboBox3->setCurrentIndex(F.ComboBox3->findText("SSL/TLS"));
    EXPECT_EQ(F.Edit12->placeholderText(), "995");
    F.BitBtn3->click();
    F.ComboBox3->setCurrentIndex(F.ComboBox3->findText("None"));
    F.Edit7->setText("secret-b");
    F.Edit12->setText("1110");
    F.BitBtn3->click();
    ASSERT_EQ(F.DBGrid1->rowCount(), 2);
    QStringList Cells;
    for (int Column = 0; Column < F.DBGrid1->columnCount(); ++Column)
      Cells << F.DBGrid1->horizontalHeaderItem(Column)->text() + "=" + F.DBGrid1->item(0, Column)->text() + "," +
                   F.DBGrid1->item(1, Column)->text();
    EXPECT_EQ(Cells.join(' ').toStdString(), "Server=pop.example.test,pop.example.test Account=ann,ann "
                                             "Password=********,******** Security=SSL/TLS,None Port=995,1110");
  });
  TTable Accounts(*Database, Pop3Table());
  Accounts.SetIndexName("PSWRD");
  Accounts.Open();
  EXPECT_EQ(Accounts.FieldByName("SECURITY").AsString() + "|" + Accounts.FieldByName("PORT").AsString(), "SSL/TLS|");
}

using FirstRunTest = PreferencesTest;

TEST_F(FirstRunTest, ProposesSslTlsAndKeepsBothServersSecurityAndTheSmtpLogin) {
  std::ofstream(Dir / installation::FirstRunMarkerName).close();
  AnswerNextModal([&](QWidget* Modal) {
    auto* User = qobject_cast<TForm15*>(Modal);
    ASSERT_NE(User, nullptr);
    EXPECT_EQ(UnnamedControls(User), std::vector<std::string>{});
    EXPECT_EQ(User->ComboBox1->currentText() + " " + User->ComboBox2->currentText(), "SSL/TLS SSL/TLS");
    User->Edit5->setText("pop.example.test");
    User->Edit9->setText("ann");
    User->Edit10->setText("s3cret");
    User->ComboBox2->setCurrentIndex(User->ComboBox2->findText("STARTTLS"));
    User->Edit11->setText("1995");
    User->BitBtn1->click();
    AnswerNextModal([](QWidget* Next) {
      if (auto* Connection = qobject_cast<TForm16*>(Next)) Connection->BitBtn1->click();
    });
  });
  OpenWindow();
  const settings::TSmtpSettings Expected{TSecurity::ImplicitTls, 0, "ann", "s3cret", ""};
  EXPECT_EQ(settings::LoadSmtpSettings(settings::SmtpFileName), Expected);
  EXPECT_EQ(Window->Smtp().Security, TSecurity::ImplicitTls);
  TTable Accounts(*Database, Pop3Table());
  Accounts.Open();
  ASSERT_EQ(Accounts.RecordCount(), 1);
  EXPECT_EQ(Accounts.FieldByName("SECURITY").AsString() + "|" + Accounts.FieldByName("PORT").AsString(), "STARTTLS|1995");
}

TEST_F(FirstRunTest, RunsOnceAndPreferencesShowsTheAnswers) {
  std::ofstream(Dir / installation::FirstRunMarkerName).close();
  AnswerNextModal([&](QWidget* Modal) {
    auto* User = qobject_cast<TForm15*>(Modal);
    ASSERT_NE(User, nullptr);
    User->Edit2->setText("Acme");  // the organisation alone is no answer
    User->BitBtn1->click();
    ASSERT_TRUE(User->isVisible());
    User->Edit2->clear();
    User->Edit1->setText("Ann Smith");
    User->BitBtn1->click();
    AnswerNextModal([&](QWidget* Modal) {
      auto* Connection = qobject_cast<TForm16*>(Modal);
      ASSERT_NE(Connection, nullptr);
      EXPECT_FALSE(Connection->ComboBox1->isEnabled());
      // It turns automatic receipts on, and says so.
      EXPECT_TRUE(Connection->Label3->isVisible() && Connection->Label3->text().startsWith("Automatic receipts are on"));
      Connection->RadioButton2->click();
      EXPECT_TRUE(Connection->ComboBox1->isEnabled());
      Connection->BitBtn1->click();
    });
  });
  OpenWindow();
  EXPECT_EQ(Messages, std::vector<std::string>{"You have not filled out the form properly"});
  EXPECT_EQ(ReadFile(Dir / "Config.ini"), "Ann Smith\r\n\r\n\r\n\r\n\r\nREPLY\r\nDELETE\r\n1\r\n" +
                                              installation::DefaultAttachmentDirectory(Dir) + "\r\nNORETURN\r\nNORMAL\r\n");
  TTable Accounts(*Database, Pop3Table());
  Accounts.Open();
  ASSERT_EQ(Accounts.RecordCount(), 1);
  EXPECT_EQ(Accounts.FieldByName("SERVER").AsString() + Accounts.FieldByName("USERA").AsString() +
                Accounts.FieldByName("PSWRD").AsString(),
            "");
  WithPreferences([](TForm4& F) {
    EXPECT_EQ(F.Edit1->text(), "Ann Smith");
    EXPECT_TRUE(F.CheckBox3->isChecked());
    EXPECT_TRUE(F.CheckBox5->isChecked());
    EXPECT_FALSE(F.CheckBox4->isChecked());
  });

  Window.reset();
  bool Asked = false;
  AnswerNextModal([&](QWidget* Modal) {
    Asked = true;
    Modal->close();
    AnswerNextModal([](QWidget* Next) { Next->close(); });
  }, 300);
  OpenWindow();
  WaitFor([] { return false; }, 400);
  EXPECT_FALSE(Asked);
}

TEST_F(FirstRunTest, OneWindowConfirmedAloneWritesNothing) {
  const std::string Installed = ReadFile(Dir / "Config.ini");
  for (const bool ConfirmUser : {false, true}) {
    Window.reset();
    std::ofstream(Dir / installation::FirstRunMarkerName).close();
    AnswerNextModal([&](QWidget* Modal) {
      auto* User = qobject_cast<TForm15*>(Modal);
      ASSERT_NE(User, nullptr);
      User->Edit5->setText("pop.example.test");
      (ConfirmUser ? User->BitBtn1 : User->BitBtn2)->click();
      AnswerNextModal([&](QWidget* Modal) {
        auto* Connection = qobject_cast<TForm16*>(Modal);
        ASSERT_NE(Connection, nullptr);
        (ConfirmUser ? Connection->BitBtn2 : Connection->BitBtn1)->click();
      });
    });
    OpenWindow();
    EXPECT_EQ(ReadFile(Dir / "Config.ini"), Installed) << ConfirmUser;
    EXPECT_EQ(AccountCount(), 0) << ConfirmUser;
    EXPECT_FALSE(std::filesystem::exists(Dir / installation::FirstRunMarkerName));
  }
}

}  // namespace
