#include "keyringpasswords.h"

#include <QEventLoop>
#include <QTimer>
#include <qt6keychain/keychain.h>

namespace settings {

namespace {

const QString ServiceName = QStringLiteral("Corvalen");

// Starts Job and waits for it at most TimeOut; true when it finished without
// error. A job still running at the time-out finishes, and deletes itself,
// later: nothing here is touched by it then.
bool Run(QKeychain::Job* Job, const std::string& Key, std::chrono::milliseconds TimeOut, QString* Text = nullptr) {
  Job->setAutoDelete(true);
  Job->setInsecureFallback(false);
  Job->setKey(QString::fromStdString(Key));
  QEventLoop Loop;
  bool Done = false;
  bool Succeeded = false;
  QObject::connect(Job, &QKeychain::Job::finished, &Loop, [&](QKeychain::Job* Finished) {
    Done = true;
    Succeeded = Finished->error() == QKeychain::NoError;
    if (Succeeded && Text) *Text = static_cast<QKeychain::ReadPasswordJob*>(Finished)->textData();
    Loop.quit();
  });
  QTimer::singleShot(TimeOut, &Loop, &QEventLoop::quit);
  Job->start();
  if (!Done) Loop.exec(QEventLoop::ExcludeUserInputEvents);
  return Done && Succeeded;
}

}  // namespace

TKeyringPasswords::TKeyringPasswords(std::chrono::milliseconds TimeOut) : FTimeOut(TimeOut) {}

bool TKeyringPasswords::Write(const std::string& Key, const std::string& Password) {
  auto* Job = new QKeychain::WritePasswordJob(ServiceName);
  Job->setTextData(QString::fromStdString(Password));
  return Run(Job, Key, FTimeOut);
}

std::optional<std::string> TKeyringPasswords::Read(const std::string& Key) {
  QString Text;
  if (!Run(new QKeychain::ReadPasswordJob(ServiceName), Key, FTimeOut, &Text)) return std::nullopt;
  return Text.toStdString();
}

void TKeyringPasswords::Remove(const std::string& Key) {
  Run(new QKeychain::DeletePasswordJob(ServiceName), Key, FTimeOut);
}

}  // namespace settings
