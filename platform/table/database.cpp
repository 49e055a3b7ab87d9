#include "database.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/runtime/asciicase.h"
#include "sqlstatement.h"
#include "tableerror.h"
#include "tablelayout.h"

namespace {

// The store holds account passwords: the database and its log are the owner's only.
constexpr mode_t DatabaseFileMode = 0600;
// How long a write waits for a lock held by another connection before failing.
constexpr int BusyTimeoutMs = 5000;
// Page cache per connection in KiB, enough to keep the small columns and the
// indexes of a 100,000-message Inbox in memory while a list is filled.
constexpr int CacheSizeKiB = 32768;

// SQLite gives the -wal and -shm files the mode of the database file, so the
// database file is created (or tightened) here before SQLite opens it.
void PrepareDatabaseFile(const std::string& FileName) {
  const int Fd = ::open(FileName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, DatabaseFileMode);
  if (Fd < 0)
    throw ETableError("Cannot open database \"" + FileName + "\": " + std::strerror(errno));
  const int Rc = ::fchmod(Fd, DatabaseFileMode);
  const int Error = errno;
  ::close(Fd);
  if (Rc != 0)
    throw ETableError("Cannot protect database \"" + FileName + "\": " + std::strerror(Error));
  // Log files left by an earlier run keep their own mode; tighten them too.
  for (const char* Suffix : {"-wal", "-shm"}) ::chmod((FileName + Suffix).c_str(), DatabaseFileMode);
}

}  // namespace

// The name is kept with its directory, so that every error text says which file it means.
TDatabase::TDatabase(const std::string& FileName) : FFileName(std::filesystem::absolute(FileName).string()) {
  PrepareDatabaseFile(FFileName);
  // A connection serves one thread (the user interface's), so SQLite's own
  // per-call locking is left out.
  const int Rc =
      sqlite3_open_v2(FFileName.c_str(), &FHandle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  try {
    if (Rc != SQLITE_OK)
      throw ETableError(SqliteErrorText(FHandle, "Cannot open database \"" + FFileName + "\""));
    sqlite3_extended_result_codes(FHandle, 1);
    sqlite3_busy_timeout(FHandle, BusyTimeoutMs);
    sqlite3_rollback_hook(
        FHandle, [](void* Self) { ++static_cast<TDatabase*>(Self)->FRollbacks; }, this);

    const std::string Context = "Database \"" + FFileName + "\"";
    TSqlStatement Journal(FHandle, "PRAGMA journal_mode=WAL", Context);
    TStatementUse Use(Journal);
    if (!Journal.Step() || Journal.ColumnText(0) != "wal")
      throw ETableError("Cannot open database \"" + FFileName +
                        "\": the write-ahead log is not available");
    ExecSql(FHandle, "PRAGMA synchronous=FULL", Context);
    ExecSql(FHandle, "PRAGMA cache_size=-" + std::to_string(CacheSizeKiB), Context);
    FDataVersionQuery = std::make_unique<TSqlStatement>(FHandle, "PRAGMA data_version", Context);
    CheckOtherWriters();
  } catch (...) {
    FDataVersionQuery.reset();
    sqlite3_close_v2(FHandle);
    FHandle = nullptr;
    throw;
  }
}

TDatabase::~TDatabase() {
  FDataVersionQuery.reset();
  // Whatever is still uncommitted (an unapplied cached batch) is rolled back.
  sqlite3_close_v2(FHandle);
}

std::int64_t TDatabase::DataVersion() const {
  return sqlite3_total_changes64(FHandle) + FRollbacks + FOtherWrites;
}

void TDatabase::CheckOtherWriters() {
  TStatementUse Use(*FDataVersionQuery);
  if (!FDataVersionQuery->Step()) return;
  const std::int64_t Version = FDataVersionQuery->ColumnInt(0);
  if (Version != FOtherVersion) ++FOtherWrites;
  FOtherVersion = Version;
}

bool TDatabase::TableExists(const std::string& TableName) {
  TSqlStatement Query(FHandle,
                      "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = ?1 COLLATE NOCASE",
                      "Database \"" + FFileName + "\"");
  TStatementUse Use(Query);
  Query.BindText(1, TableName);
  return Query.Step();
}

void TDatabase::CreateTable(const TTableDef& Def) {
  const TTableLayout Layout(Def);  // validates the definition
  const std::string Context = "Cannot create table \"" + Def.TableName + "\"";
  const auto ColumnDef = [&](const TFieldDef& Field) {
    return QuoteIdent(Field.Name) +
           (Field.DataType == TFieldType::ftBoolean ? " INTEGER NOT NULL DEFAULT 0" : " TEXT NOT NULL DEFAULT ''");
  };
  // The columns are read inside the savepoint, so that what is added below
  // matches the table as it is written.
  ExecSql(FHandle, "SAVEPOINT createtable", Context);
  try {
    std::vector<std::string> Stored;
    {
      TSqlStatement Columns(FHandle, "SELECT name FROM pragma_table_info(?1)", Context);
      TStatementUse Use(Columns);
      Columns.BindText(1, Def.TableName);
      while (Columns.Step()) Stored.emplace_back(Columns.ColumnText(0));
    }
    std::string Sql;
    bool Added = false;
    if (Stored.empty()) {
      std::string Columns = QuoteIdent(RecordIdColumn) + " INTEGER PRIMARY KEY AUTOINCREMENT";
      for (int Index : Layout.SmallFields) Columns += ", " + ColumnDef(Def.Fields[Index]);
      Sql += "CREATE TABLE " + QuoteIdent(Def.TableName) + " (" + Columns + ");";
    } else {
      // A table written by an earlier version gains the fields it lacks, with
      // their empty values in its rows; nothing it holds is rewritten.
      for (int Index : Layout.SmallFields) {
        const TFieldDef& Field = Def.Fields[Index];
        const bool Present = std::any_of(Stored.begin(), Stored.end(),
                                         [&](const std::string& Name) { return EqualsNoCaseAscii(Name, Field.Name); });
        if (Present) continue;
        Sql += "ALTER TABLE " + QuoteIdent(Def.TableName) + " ADD COLUMN " + ColumnDef(Field) + ";";
        Added = true;
      }
    }
    for (int Index : Layout.MemoFields)
      Sql += "CREATE TABLE IF NOT EXISTS " +
             QuoteIdent(MemoTableName(Def.TableName, Def.Fields[Index].Name)) + " (" +
             QuoteIdent(RecordIdColumn) + " INTEGER PRIMARY KEY, \"TEXT\" TEXT NOT NULL);";
    // Each index orders by its field, then by record id, and carries every
    // other small field: a scan in index order (a list being filled) reads the
    // index alone instead of looking each row up in the table. An index made
    // before fields were added is made again to carry them too.
    for (const TIndexDef& IndexDef : Def.Indexes) {
      const int Key = FindFieldIndex(Def, IndexDef.Field);
      std::string IndexColumns = QuoteIdent(Def.Fields[Key].Name) + ", " + QuoteIdent(RecordIdColumn);
      for (int Index : Layout.SmallFields)
        if (Index != Key) IndexColumns += ", " + QuoteIdent(Def.Fields[Index].Name);
      const std::string Name = QuoteIdent(IndexObjectName(Def.TableName, IndexDef.Name));
      if (Added) Sql += "DROP INDEX IF EXISTS " + Name + ";";
      Sql += "CREATE INDEX IF NOT EXISTS " + Name + " ON " + QuoteIdent(Def.TableName) + " (" + IndexColumns + ");";
    }
    Sql += "RELEASE createtable;";
    ExecSql(FHandle, Sql, Context);
  } catch (...) {
    if (!sqlite3_get_autocommit(FHandle))
      sqlite3_exec(FHandle, "ROLLBACK TO createtable; RELEASE createtable;", nullptr, nullptr, nullptr);
    throw;
  }
}

TTransaction::TTransaction(TDatabase& Database) : FDatabase(Database) {
  if (FDatabase.FBatchOwner || !sqlite3_get_autocommit(FDatabase.FHandle))
    throw ETableError("Database \"" + FDatabase.FFileName +
                      "\" cannot start a transaction while another one is open");
  ExecSql(FDatabase.FHandle, "BEGIN IMMEDIATE",
          "Cannot start a transaction on database \"" + FDatabase.FFileName + "\"");
  FOpen = true;
}

TTransaction::~TTransaction() {
  // A failed write may have ended the transaction already (SQLite rolls back
  // on some errors by itself); only one still open is rolled back here.
  if (FOpen && !sqlite3_get_autocommit(FDatabase.FHandle))
    sqlite3_exec(FDatabase.FHandle, "ROLLBACK", nullptr, nullptr, nullptr);
}

void TTransaction::Commit() {
  if (!FOpen) return;
  if (sqlite3_get_autocommit(FDatabase.FHandle)) {
    FOpen = false;
    throw ETableError("Database \"" + FDatabase.FFileName + "\": the transaction was rolled back by an earlier error");
  }
  ExecSql(FDatabase.FHandle, "COMMIT", "Cannot commit a transaction on database \"" + FDatabase.FFileName + "\"");
  FOpen = false;
}
