#include "singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/ui/dialogs.h"

namespace {
// One request a connection, one line: "raise", or "link " and a mailto: link.
const QByteArray RaiseRequest = "raise";
const QByteArray LinkRequest = "link ";
// A request is one command-line argument; a longer one is dropped.
constexpr qint64 MaxRequestBytes = 1 << 20;
}  // namespace

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
        if (!Client->canReadLine()) {
          if (Client->bytesAvailable() > MaxRequestBytes) Client->abort();
          return;
        }
        const QByteArray Request = Client->readLine().chopped(1);
        Client->disconnectFromServer();
        if (Request == RaiseRequest)
          emit RaiseRequested();
        else if (Request.startsWith(LinkRequest))
          emit LinkRequested(QString::fromUtf8(Request.mid(LinkRequest.size())));
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

bool TSingleInstance::RaiseFirst(int TimeoutMs) { return SendToFirst(RaiseRequest, TimeoutMs); }

bool TSingleInstance::OpenLinkInFirst(const QString& Link, int TimeoutMs) {
  // A line break would end the request early; encoded it means the same in the link.
  QByteArray Encoded = Link.toUtf8();
  Encoded.replace('\r', "%0D").replace('\n', "%0A");
  return SendToFirst(LinkRequest + Encoded, TimeoutMs);
}

bool TSingleInstance::SendToFirst(const QByteArray& Request, int TimeoutMs) {
  QLocalSocket Socket;
  Socket.connectToServer(FServerName);
  if (!Socket.waitForConnected(TimeoutMs)) return false;
  Socket.write(Request + '\n');
  return Socket.waitForBytesWritten(TimeoutMs);
}

bool StepBackForRunningInstance(TSingleInstance& Instance, const QString& Link) {
  if (Instance.IsFirst()) return false;
  if (!Link.isEmpty() && Instance.OpenLinkInFirst(Link)) return true;
  ui::ShowMessage("Corvalen is already Running");
  Instance.RaiseFirst();
  return true;
}
