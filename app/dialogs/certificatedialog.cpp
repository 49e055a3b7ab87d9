#include "certificatedialog.h"

#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "platform/tls/certificate.h"

namespace {

constexpr int DialogWidth = 540;
// 16 hex pairs and their colons.
constexpr int FingerprintLineLength = 48;

// A label for text the server supplied: shown as it is, never as markup.
QLabel* PlainLabel(const QString& Text) {
  auto* Label = new QLabel(Text);
  Label->setTextFormat(Qt::PlainText);
  Label->setWordWrap(true);
  return Label;
}

// A read-only box, so a long value can be scrolled through and copied.
QLineEdit* Value(const char* Name, const std::string& Text) {
  auto* Box = new QLineEdit(QString::fromStdString(Text));
  Box->setObjectName(Name);
  Box->setReadOnly(true);
  Box->setCursorPosition(0);
  return Box;
}

}  // namespace

TCertificateDialog::TCertificateDialog(const std::string& Server, const TCertificateFacts& Certificate,
                                       const std::string& Problem, QWidget* Parent)
    : QDialog(Parent) {
  setObjectName("CertificateDialog");
  setWindowTitle("Certificate Not Trusted");

  auto* Icon = new QLabel;
  Icon->setAccessibleName("Warning");
  const int IconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  Icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(IconSize, IconSize));
  ProblemLabel = PlainLabel(QString::fromStdString("The certificate of " + Server + " could not be verified: " + Problem));
  ProblemLabel->setObjectName("ProblemLabel");
  auto* Top = new QHBoxLayout;
  Top->addWidget(Icon, 0, Qt::AlignTop);
  Top->addWidget(ProblemLabel, 1);

  auto* Facts = new QFormLayout;
  Facts->addRow("Server:", ServerEdit = Value("ServerEdit", Server));
  // The fingerprint whole, in two lines of 16 pairs, for comparing it pair by pair.
  QString Fingerprint = QString::fromStdString(Certificate.Sha256);
  if (Fingerprint.size() > FingerprintLineLength) Fingerprint.insert(FingerprintLineLength, '\n');
  FingerprintLabel = PlainLabel(Fingerprint);
  FingerprintLabel->setObjectName("FingerprintLabel");
  FingerprintLabel->setWordWrap(false);
  FingerprintLabel->setAccessibleName("SHA-256 fingerprint");
  FingerprintLabel->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  FingerprintLabel->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  Facts->addRow("SHA-256 fingerprint:", FingerprintLabel);
  Facts->addRow("Subject:", SubjectEdit = Value("SubjectEdit", Certificate.Subject));
  Facts->addRow("Issuer:", IssuerEdit = Value("IssuerEdit", Certificate.Issuer));
  Facts->addRow("Valid from:", ValidFromEdit = Value("ValidFromEdit", Certificate.NotBefore));
  Facts->addRow("Valid until:", ValidUntilEdit = Value("ValidUntilEdit", Certificate.NotAfter));

  auto* Advice = PlainLabel(
      "Trust it only if you know it is the server's own certificate, for example because the fingerprint is the one "
      "your provider publishes. Corvalen then accepts this certificate for this server and asks again when the "
      "server shows a different one.");

  TrustButton = new QPushButton("&Trust This Certificate");
  TrustButton->setObjectName("TrustButton");
  // Enter must never trust: only a deliberate click or key press on the button does.
  TrustButton->setAutoDefault(false);
  CancelButton = new QPushButton("Cancel");
  CancelButton->setObjectName("CancelButton");
  CancelButton->setDefault(true);
  connect(TrustButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  auto* Buttons = new QHBoxLayout;
  Buttons->addStretch(1);
  Buttons->addWidget(TrustButton);
  Buttons->addWidget(CancelButton);

  auto* Layout = new QVBoxLayout(this);
  Layout->addLayout(Top);
  Layout->addLayout(Facts);
  Layout->addWidget(Advice);
  Layout->addLayout(Buttons);
  setFixedWidth(DialogWidth);
  CancelButton->setFocus();
}
