#include "singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>

#include <unistd.h>

#include "platform/ui/dialogs.h"

namespace {
const QByteArray RaiseRequest = "raise\n";
}

TSingleInstance::TSingleInstance(const QString& Key) : FKey(Key) {
  FLock = std::make_unique<QLockFile>(QDir::temp().filePath(Key + ".lock"));
  // A lock left by a crashed instance is stale: QLockFile takes it over.
  FIsFirst = FLock->tryLock(0);
  if (!FIsFirst) return;
  // A socket left by a crashed instance would make listening fail.
  QLocalServer::removeServer(Key);
  FServer.setSocketOptions(QLocalServer::UserAccessOption);
  FServer.listen(Key);
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

bool TSingleInstance::RaiseFirst(int TimeoutMs) {
  QLocalSocket Socket;
  Socket.connectToServer(FKey);
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
