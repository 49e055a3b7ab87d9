#include "app/shell/singleinstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include "platform/ui/dialogs.h"
#include "support/modalanswer.h"

namespace {

QString UniqueKey() { return QString("corvalen-test-%1-%2").arg(::getpid()).arg(std::rand()); }

TEST(SingleInstance, SecondStartFindsTheFirstAndAsksItToComeToTheTop) {
  const QString Key = UniqueKey();
  TSingleInstance First(Key);
  ASSERT_TRUE(First.IsFirst());
  int Raised = 0;
  QObject::connect(&First, &TSingleInstance::RaiseRequested, [&] { ++Raised; });
  {
    TSingleInstance Second(Key);
    EXPECT_FALSE(Second.IsFirst());
    EXPECT_TRUE(Second.RaiseFirst());
    EXPECT_TRUE(WaitFor([&] { return Raised == 1; }));
  }
  // While the first one runs, every later start steps back.
  EXPECT_FALSE(TSingleInstance(Key).IsFirst());
}

TEST(SingleInstance, LaterStartTellsTheUserAndStepsBack) {
  const QString Key = UniqueKey();
  std::vector<std::string> Shown;
  ui::Hooks().ShowMessage = [&](const std::string& Text) { Shown.push_back(Text); };
  TSingleInstance First(Key);
  bool Raised = false;
  QObject::connect(&First, &TSingleInstance::RaiseRequested, [&] { Raised = true; });
  EXPECT_FALSE(StepBackForRunningInstance(First));
  EXPECT_TRUE(Shown.empty());
  TSingleInstance Second(Key);
  EXPECT_TRUE(StepBackForRunningInstance(Second));
  EXPECT_EQ(Shown, std::vector<std::string>{"Corvalen is already Running"});
  EXPECT_TRUE(WaitFor([&] { return Raised; }));
  ui::Hooks() = ui::DefaultHooks();
}

TEST(SingleInstance, FreedAfterTheFirstEnds) {
  const QString Key = UniqueKey();
  { TSingleInstance First(Key); }
  TSingleInstance Again(Key);
  EXPECT_TRUE(Again.IsFirst());
}

TEST(SingleInstance, LockLeftByACrashedInstanceIsTakenOver) {
  const QString Key = UniqueKey();
  // A child takes the lock and dies without releasing it.
  const pid_t Child = ::fork();
  if (Child == 0) {
    QLockFile Lock(QDir(TSingleInstance::PrivateDirectory()).filePath(Key + ".lock"));
    Lock.tryLock(0);
    ::_exit(0);
  }
  int Status = 0;
  ::waitpid(Child, &Status, 0);
  TSingleInstance After(Key);
  EXPECT_TRUE(After.IsFirst());
}

TEST(SingleInstance, LockAndSocketSitInAPrivateRuntimeDirectoryElseTheDataDirectory) {
  const QString Key = UniqueKey();
  const QString Runtime = QDir::temp().filePath(Key + "-runtime");
  const QByteArray Old = qgetenv("XDG_RUNTIME_DIR");
  QDir().mkpath(Runtime);
  QFile::setPermissions(Runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  qputenv("XDG_RUNTIME_DIR", Runtime.toLocal8Bit());
  {
    TSingleInstance First(Key);
    EXPECT_TRUE(QFileInfo::exists(Runtime + "/" + Key + ".lock"));
    EXPECT_TRUE(QFileInfo::exists(Runtime + "/" + Key));  // the socket
    EXPECT_FALSE(QFileInfo::exists(QDir::temp().filePath(Key + ".lock")));
    EXPECT_TRUE(TSingleInstance(Key).RaiseFirst());
  }
  // One that others may write to is not used.
  QFile::setPermissions(Runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::WriteOther);
  EXPECT_EQ(TSingleInstance::PrivateDirectory(), QDir::currentPath());
  Old.isEmpty() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", Old);
  QDir(Runtime).removeRecursively();
}

TEST(SingleInstance, KeyDependsOnTheDataDirectory) {
  const QString Here = TSingleInstance::DefaultKey();
  const QString Old = QDir::currentPath();
  QDir::setCurrent(QDir::tempPath());
  const QString There = TSingleInstance::DefaultKey();
  QDir::setCurrent(Old);
  EXPECT_NE(Here, There);
  EXPECT_TRUE(Here.startsWith("corvalen-"));
}

}  // namespace
