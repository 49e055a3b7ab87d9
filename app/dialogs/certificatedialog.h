#pragma once

#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
struct TCertificateFacts;

// Asks whether to trust a server's certificate that failed verification. It
// shows the server, why verification failed, and the certificate's SHA-256
// fingerprint, subject, issuer and validity, so the user can compare them
// with what the provider publishes. Cancel, the default, refuses the
// certificate; "Trust This Certificate" accepts the dialog.
class TCertificateDialog : public QDialog {
  Q_OBJECT
public:
  TCertificateDialog(const std::string& Server, const TCertificateFacts& Certificate, const std::string& Problem,
                     QWidget* Parent);

  // Why verification failed, for the server named.
  QLabel* ProblemLabel = nullptr;
  QLineEdit* ServerEdit = nullptr;
  // The SHA-256 fingerprint, in two lines.
  QLabel* FingerprintLabel = nullptr;
  QLineEdit *SubjectEdit, *IssuerEdit, *ValidFromEdit, *ValidUntilEdit;
  QPushButton *TrustButton, *CancelButton;
};
