#include "singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/ui/dialogs.h"

namespace {
const QByteArray RaiseRequest = "raise\n";
}

TSingleInstance::TSingleInstance(const QString& Key, const QString& Directory)
    : FServerName(QDir(Directory).absoluteFilePath(Key)) {
  FLock = std::make_unique<QLockFile>(FServerName + ".lock");
  // A lock left by a crashed instance is stale: QLockFile takes it over.
  FIsFirst = FLock->tryLock(0);
  if (!FIsFirst) return;
  // A socket left by a crashed instance would make listening fail.
  QLocalServer::removeServer(FServerName);
  FServer.setSocketOptions(QLocalServer::UserAccessOption);
  FServer.listen(FServerName);
  connect(&FServer, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* Client = FServer.nextPendingConnection()) {
      connect(Client, &QLocalSocket::readyRead, this, [this, Client] {
        if (Client->readAll().contains("raise")) emit RaiseRequested();
        Client->disconnectFromServer();
      });
      connect(Client, &QLocalSocket::disconnected, Client, &QObject::deleteLater);
    }
  });
}

TSingleInstance::~TSingleInstance() {
  FServer.close();
  if (FIsFirst) FLock->unlock();
}

QString TSingleInstance::DefaultKey() {
  const QByteArray Where = QDir::currentPath().toUtf8();
  const QString Hash = QCryptographicHash::hash(Where, QCryptographicHash::Sha1).toHex().left(16);
  return QString("corvalen-%1-%2").arg(::getuid()).arg(Hash);
}

QString TSingleInstance::PrivateDirectory() {
  const QByteArray Runtime = qgetenv("XDG_RUNTIME_DIR");
  struct stat Info {};
  if (!Runtime.isEmpty() && Runtime.startsWith('/') && ::stat(Runtime.constData(), &Info) == 0 &&
      S_ISDIR(Info.st_mode) && Info.st_uid == ::getuid() && (Info.st_mode & 077) == 0)
    return QString::fromLocal8Bit(Runtime);
  return QDir::currentPath();
}

bool TSingleInstance::RaiseFirst(int TimeoutMs) {
  QLocalSocket Socket;
  Socket.connectToServer(FServerName);
  if (!Socket.waitForConnected(TimeoutMs)) return false;
  Socket.write(RaiseRequest);
  return Socket.waitForBytesWritten(TimeoutMs);
}

bool StepBackForRunningInstance(TSingleInstance& Instance) {
  if (Instance.IsFirst()) return false;
  ui::ShowMessage("Corvalen is already Running");
  Instance.RaiseFirst();
  return true;
}
