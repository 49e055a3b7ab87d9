#include "linkcomposer.h"

#include <QApplication>

#include "app/composer/Unit5.h"
#include "app/mail/mailtolink.h"

namespace {
// How often a waiting link looks whether the program is free again.
constexpr int RetryMs = 250;
}  // namespace

TLinkComposer::TLinkComposer(TForm5& Composer, std::function<bool()> TransferRunning, QObject* Parent)
    : QObject(Parent), FComposer(Composer), FTransferRunning(std::move(TransferRunning)) {
  FRetry.setSingleShot(true);
  connect(&FRetry, &QTimer::timeout, this, &TLinkComposer::OpenWaiting);
}

void TLinkComposer::Open(const QString& Link) {
  if (!IsMailtoLink(Link.toStdString())) return;
  FWaiting.append(Link);
  FRetry.start(0);
}

void TLinkComposer::OpenWaiting() {
  if (FWaiting.isEmpty()) return;
  if (FTransferRunning() || QApplication::activeModalWidget()) {
    FRetry.start(RetryMs);
    return;
  }
  const std::optional<TMailtoLink> Link = ParseMailtoLink(FWaiting.takeFirst().toStdString());
  FComposer.Fill(PlanMailto(*Link));
  FComposer.exec();
  if (!FWaiting.isEmpty()) FRetry.start(0);
}
