#include "app/shell/installation.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QThread>

#include <sys/stat.h>

#include <fstream>

#include "app/settings/settingsfiles.h"
#include "app/store/mailtables.h"
#include "platform/table/database.h"
#include "platform/table/table.h"

namespace fs = std::filesystem;

namespace {

TEST(Installation, NewDirectoryGetsStoreSettingsBannerAndMarker) {
  const fs::path Dir = fs::temp_directory_path() / ("corvalen-install-" + std::to_string(::getpid()));
  fs::remove_all(Dir);
  fs::create_directories(Dir);
  ASSERT_TRUE(installation::InstallIfMissing(Dir));

  EXPECT_EQ(settings::LoadLines((Dir / "Config.ini").string()).size(), 11u);
  EXPECT_TRUE(settings::LoadLines((Dir / "BANNER.BAN").string()).empty());
  EXPECT_TRUE(fs::exists(Dir / installation::FirstRunMarkerName));
  struct stat Info {};
  ASSERT_EQ(::stat((Dir / "Corvalen.db").c_str(), &Info), 0);
  EXPECT_EQ(Info.st_mode & 0777, 0600u);
  {
    TDatabase Database((Dir / "Corvalen.db").string());
    for (const TTableDef& Def : {RmailTable(), SmailTable(), TrashTable(), Pop3Table(), AddressTable(), FetchedIdsTable()}) {
      TTable Table(Database, Def);
      Table.Open();
      EXPECT_EQ(Table.RecordCount(), 0) << Def.TableName;
    }
  }

  // A second start changes nothing, and settings the user wrote are kept.
  settings::SaveLines((Dir / "Config.ini").string(), {"mine"});
  fs::remove(Dir / installation::FirstRunMarkerName);
  EXPECT_FALSE(installation::InstallIfMissing(Dir));
  EXPECT_EQ(settings::LoadLines((Dir / "Config.ini").string()), TStringList{"mine"});
  EXPECT_FALSE(fs::exists(Dir / installation::FirstRunMarkerName));
  fs::remove_all(Dir);
}

TEST(Installation, StoreFileWithoutTablesIsSetUpAndOneLackingSomeGainsThem) {
  const fs::path Dir = fs::temp_directory_path() / ("corvalen-incomplete-" + std::to_string(::getpid()));
  const fs::path Store = Dir / installation::DatabaseFileName;
  fs::create_directories(Dir);
  std::ofstream(Store).close();  // an empty file: never set up
  EXPECT_TRUE(installation::InstallIfMissing(Dir));
  fs::remove(Store);
  {
    TDatabase Database(Store.string());  // an Inbox with a message, and no other table
    Database.CreateTable(RmailTable());
    TTable Inbox(Database, RmailTable());
    Inbox.Open();
    Inbox.Append();
    Inbox.Post();
  }
  EXPECT_FALSE(installation::InstallIfMissing(Dir));
  TDatabase Database(Store.string());
  for (const TTableDef& Def : {RmailTable(), SmailTable(), TrashTable(), Pop3Table(), AddressTable(), FetchedIdsTable()}) {
    TTable Table(Database, Def);
    Table.Open();
    EXPECT_EQ(Table.RecordCount(), Def.TableName == "Rmail" ? 1 : 0) << Def.TableName;
  }
  fs::remove_all(Dir);
}

TEST(Installation, AStoreThatIsNoDatabaseIsNamedWithItsDirectory) {
  const fs::path Dir = fs::temp_directory_path() / ("corvalen-notadb-" + std::to_string(::getpid()));
  const fs::path Old = fs::current_path();
  fs::create_directories(Dir);
  std::ofstream(Dir / "Corvalen.db") << std::string(8192, 'x');
  fs::current_path(Dir);
  try {
    TDatabase Database("Corvalen.db");  // as the program opens it
    ADD_FAILURE() << "not a database, but opened";
  } catch (const ETableError& E) {
    EXPECT_NE(E.Message.find('"' + (Dir / "Corvalen.db").string() + '"'), std::string::npos) << E.Message;
  }
  fs::current_path(Old);
  fs::remove_all(Dir);
}

// Starts the program from Start until its store appears in Data (it then
// waits in the first-run setup), and ends it; returns what went wrong.
std::string StoreOfProgramStartedFrom(const fs::path& Start, const QProcessEnvironment& Environment,
                                      const fs::path& Data) {
  QProcess Program;
  Program.setWorkingDirectory(QString::fromStdString(Start.string()));
  Program.setProcessEnvironment(Environment);
  Program.start(CORVALEN_PROGRAM, {});
  const auto Made = [](const fs::path& Dir) { return fs::exists(Dir / installation::DatabaseFileName); };
  for (int Poll = 0; Poll < 1500 && !Made(Data) && !Made(Start) && Program.state() != QProcess::NotRunning; ++Poll)
    QThread::msleep(20);
  const bool Found = Made(Data) && !Made(Start);
  Program.kill();
  Program.waitForFinished();
  return Found ? "" : "no store in " + Data.string() + ": " + Program.readAllStandardError().toStdString();
}

TEST(Installation, TheProgramKeepsItsDataInCorvalenDataElseInHomeWhateverTheWorkingDirectory) {
  const fs::path Root = fs::temp_directory_path() / ("corvalen-datadir-" + std::to_string(::getpid()));
  const fs::path Start = Root / "started-here", Home = Root / "home", Named = Root / "named" / "data";
  fs::create_directories(Start);
  fs::create_directories(Home);
  QProcessEnvironment Environment = QProcessEnvironment::systemEnvironment();
  Environment.insert("HOME", QString::fromStdString(Home.string()));
  // The program looks for NetworkManager at start: no real system bus for it.
  Environment.insert("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/corvalen-test-bus");
  Environment.insert(installation::DataDirectoryVariable, QString::fromStdString(Named.string()));
  EXPECT_EQ(StoreOfProgramStartedFrom(Start, Environment, Named), "");
  Environment.remove(installation::DataDirectoryVariable);
  EXPECT_EQ(StoreOfProgramStartedFrom(Start, Environment, Home / "Corvalen"), "");
  for (const fs::path& Made : {Named, Home / "Corvalen"})
    EXPECT_EQ(fs::status(Made).permissions() & fs::perms::all, fs::perms::owner_all) << Made;
  fs::remove_all(Root);
}

}  // namespace
