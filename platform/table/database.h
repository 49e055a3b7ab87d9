#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tabledef.h"

struct sqlite3;
class TSqlStatement;
class TTable;

// The one database file that holds the mail store's tables. Writes are
// durable when they return (write-ahead log, full synchronisation); the file
// is readable by its owner only. A database and its tables serve one thread.
class TDatabase {
public:
  // Opens (and, if missing, creates) the database file; raises ETableError.
  explicit TDatabase(const std::string& FileName);
  ~TDatabase();
  TDatabase(const TDatabase&) = delete;
  TDatabase& operator=(const TDatabase&) = delete;

  // Creates the table with its indexes. A table that exists gains the
  // fields of Def it lacks, empty in every row; its rows are kept as they are.
  void CreateTable(const TTableDef& Def);
  bool TableExists(const std::string& TableName);

  sqlite3* Handle() const { return FHandle; }
  // The database file with its directory.
  const std::string& FileName() const { return FFileName; }

  // Changes whenever a row of any table may have changed through this
  // connection (writes and rollbacks), so cursors know when to re-read.
  std::int64_t DataVersion() const;
  // Takes note of commits made through other connections (another process,
  // a second TDatabase), so that DataVersion changes for them as well. It
  // costs a query, so cursors call it when they start over, not on every read.
  void CheckOtherWriters();

private:
  friend class TTable;
  friend class TTransaction;

  sqlite3* FHandle = nullptr;
  std::string FFileName;
  std::int64_t FRollbacks = 0;
  // The table whose cached batch holds the connection's transaction; writes
  // through other tables are refused meanwhile, as they could not be durable.
  TTable* FBatchOwner = nullptr;
  std::unique_ptr<TSqlStatement> FDataVersionQuery;
  std::int64_t FOtherVersion = 0;  // SQLite's data_version when last checked
  std::int64_t FOtherWrites = 0;
};

// Writes through any tables of one database as a unit: they become durable
// together on Commit, and are all undone when the transaction ends without it
// (an error between two writes leaves neither). Refused while a table holds
// cached updates, which own the database's transaction meanwhile.
class TTransaction {
public:
  // Starts the transaction; raises ETableError when it cannot.
  explicit TTransaction(TDatabase& Database);
  // Undoes every write made since the start unless Commit succeeded.
  ~TTransaction();
  TTransaction(const TTransaction&) = delete;
  TTransaction& operator=(const TTransaction&) = delete;

  // Makes the writes durable; raises ETableError when it cannot, and the
  // writes are then undone when the transaction ends.
  void Commit();

private:
  TDatabase& FDatabase;
  bool FOpen = false;
};
