#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

// Makes sure one data directory is served by one running program. The first
// instance holds a lock file and listens on a local socket; a later one finds
// the lock taken, asks the first to come to the top and steps back. Both sit
// in a directory only the user can write to, so no other user can take the
// name first and keep the program from starting.
class TSingleInstance : public QObject {
  Q_OBJECT
public:
  // Key: what identifies the instance (user and data directory); Directory:
  // where the lock file and the socket are made.
  explicit TSingleInstance(const QString& Key, const QString& Directory = PrivateDirectory());
  ~TSingleInstance() override;

  // The key for the current user and working directory: the data directory,
  // which the program enters before it asks.
  static QString DefaultKey();
  // XDG_RUNTIME_DIR when it is set and a directory private to the user,
  // else the data directory (the working directory).
  static QString PrivateDirectory();

  // True when this process is the first instance.
  bool IsFirst() const { return FIsFirst; }
  // From a later instance: asks the first one to come to the top.
  bool RaiseFirst(int TimeoutMs = 2000);
  // From a later instance: hands the first one a mailto: link to compose.
  bool OpenLinkInFirst(const QString& Link, int TimeoutMs = 2000);

signals:
  // In the first instance: a later start asked this one to come to the top.
  void RaiseRequested();
  // In the first instance: a later start was given this mailto: link.
  void LinkRequested(const QString& Link);

private:
  bool SendToFirst(const QByteArray& Request, int TimeoutMs);

  // The socket's full path: a bare name would put it in the shared temporary directory.
  QString FServerName;
  std::unique_ptr<QLockFile> FLock;
  QLocalServer FServer;
  bool FIsFirst = false;
};

// For a later start: tells the user the program already runs, asks the first
// instance to come to the top and returns true; returns false for the first.
// A start given a mailto: Link hands it to the first instance instead, which
// opens the composer; the user is told only when that fails.
bool StepBackForRunningInstance(TSingleInstance& Instance, const QString& Link = {});
