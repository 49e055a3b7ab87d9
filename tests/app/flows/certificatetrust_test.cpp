// A certificate that failed verification: the sending flow asks the user
// through the screen and keeps a trusted one in Smtp.ini; the main window asks
// in its own dialog. (A POP3 account's trust is shown through the windows
// against real servers.)
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/dialogs/certificatedialog.h"
#include "app/flows/sendingflow.h"
#include "app/settings/serversettings.h"
#include "app/settings/settingsfiles.h"
#include "app/shell/mainscreen.h"
#include "appfixture.h"
#include "dialogs/unnamedcontrols.h"
#include "maillib/dialup/tkRasCmp.h"
#include "maillib/message/nbmsg.h"
#include "maillib/smtp/nbsmtp.h"
#include "platform/runtime/streams.h"
#include "recordingscreen.h"
#include "support/fakeserver.h"

namespace {

using Fake = TFakeServer;
using CertificateTrustTest = AppTest;

const TCertificateFacts Facts{"AB:CD:EF", "CN=mail.example.test", "CN=Example CA", "2026-01-01 00:00:00 UTC",
                              "2027-01-01 00:00:00 UTC"};

TEST_F(CertificateTrustTest, TheSmtpServersTrustedCertificateGoesToSmtpIniWithItsOtherSettings) {
  settings::TSmtpSettings SmtpSettings{TSecurity::ImplicitTls, 0, "ann", "s3cret", ""};
  TnbSMTP Smtp;
  Smtp.Server = "smtp.example.test";
  TnbMessage Message;
  TtkRas Ras;
  TTable Outbox(*Database, SmailTable());
  const TStringList Settings = settings::DefaultConfig(Dir.string());
  TRecordingScreen Screen;
  TSendingFlow Flow(Smtp, Message, Ras, Outbox, Settings, SmtpSettings, Screen);
  bool Trust = false;
  Smtp.OnUntrustedCertificate(&Smtp, Facts, "certificate has expired", Trust);
  EXPECT_FALSE(Trust);
  EXPECT_EQ(Screen.Log, std::vector<std::string>{"trust? smtp.example.test AB:CD:EF certificate has expired"});
  // Trusted but not written: the connection ends with the write error, and nothing is trusted.
  Screen.TrustAnswer = true;
  std::filesystem::create_directory(std::string(settings::SmtpFileName) + ".new");
  EXPECT_THROW(Smtp.OnUntrustedCertificate(&Smtp, Facts, "certificate has expired", Trust), EFCreateError);
  EXPECT_FALSE(Trust);
  EXPECT_EQ(Smtp.TrustedCertificate + SmtpSettings.TrustedCertificate, "");
  std::filesystem::remove(std::string(settings::SmtpFileName) + ".new");

  Smtp.OnUntrustedCertificate(&Smtp, Facts, "certificate has expired", Trust);
  EXPECT_TRUE(Trust);
  EXPECT_EQ(Smtp.TrustedCertificate, "AB:CD:EF");
  const settings::TSmtpSettings Expected{TSecurity::ImplicitTls, 0, "ann", "s3cret", "AB:CD:EF"};
  EXPECT_EQ(SmtpSettings, Expected);
  EXPECT_EQ(settings::LoadSmtpSettings(settings::SmtpFileName), Expected);
}

TEST_F(CertificateTrustTest, TheDialogShowsTheCertificateAndEnterRefusesIt) {
  OpenWindow();
  TMainScreen Screen = MakeScreen();
  for (const bool Trust : {false, true}) {
    AnswerNextModal([&](QWidget* Modal) {
      auto* Dialog = qobject_cast<TCertificateDialog*>(Modal);
      ASSERT_NE(Dialog, nullptr);
      EXPECT_EQ(UnnamedControls(Dialog), std::vector<std::string>{});
      EXPECT_EQ(Dialog->ProblemLabel->text(), "The certificate of mail.example.test:995 could not be verified: expired");
      const QString Shown = QStringList{Dialog->ServerEdit->text(), Dialog->FingerprintLabel->text().remove('\n'),
                                        Dialog->SubjectEdit->text(), Dialog->IssuerEdit->text(),
                                        Dialog->ValidFromEdit->text(), Dialog->ValidUntilEdit->text()}
                                .join('|');
      EXPECT_EQ(Shown.toStdString(), "mail.example.test:995|AB:CD:EF|CN=mail.example.test|CN=Example CA|"
                                     "2026-01-01 00:00:00 UTC|2027-01-01 00:00:00 UTC");
      if (Trust) Dialog->TrustButton->click();
      else QTest::keyClick(Dialog, Qt::Key_Return);
    });
    EXPECT_EQ(Screen.TrustCertificate("mail.example.test:995", Facts, "expired"), Trust);
  }
}

}  // namespace
