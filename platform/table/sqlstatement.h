#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

// Names of the SQLite objects behind a table definition. Every name is quoted,
// so a field called FROM or DATE is an ordinary column; only names from table
// definitions ever reach SQL text, never values.
std::string QuoteIdent(std::string_view Name);
// The side table that holds one memo field, one row per record id; keeping
// each memo apart means a scan of the small fields never reads a body.
std::string MemoTableName(std::string_view TableName, std::string_view FieldName);
std::string IndexObjectName(std::string_view TableName, std::string_view IndexName);

// The column that holds the record id (an alias of SQLite's rowid).
inline constexpr std::string_view RecordIdColumn = "_id";

// A prepared statement kept for reuse. Step raises ETableError with the
// SQLite text; Reset must follow every use so that no statement stays active
// between calls (an active statement would hold a read transaction open and
// delay the commit of writes on the same connection).
class TSqlStatement {
public:
  TSqlStatement() = default;
  // Context starts every error text ("Table \"Rmail\"").
  TSqlStatement(sqlite3* Db, const std::string& Sql, std::string Context);
  ~TSqlStatement();
  TSqlStatement(TSqlStatement&& Other) noexcept;
  TSqlStatement& operator=(TSqlStatement&& Other) noexcept;
  TSqlStatement(const TSqlStatement&) = delete;
  TSqlStatement& operator=(const TSqlStatement&) = delete;

  bool Prepared() const { return FStmt != nullptr; }

  void BindText(int Pos, std::string_view Value);
  void BindInt(int Pos, std::int64_t Value);
  // True while a row is available; false when the statement is done.
  bool Step();
  // Ends the current use and clears the bindings.
  void Reset();

  std::string_view ColumnText(int Col) const;
  std::int64_t ColumnInt(int Col) const;

private:
  void Check(int Rc);

  sqlite3* FDb = nullptr;
  sqlite3_stmt* FStmt = nullptr;
  std::string FContext;
};

// Resets a statement when leaving the scope that used it, also on errors.
class TStatementUse {
public:
  explicit TStatementUse(TSqlStatement& S) : FStmt(S) {}
  ~TStatementUse() { FStmt.Reset(); }
  TStatementUse(const TStatementUse&) = delete;
  TStatementUse& operator=(const TStatementUse&) = delete;

private:
  TSqlStatement& FStmt;
};

// Runs SQL without results (schema changes, transaction control).
void ExecSql(sqlite3* Db, const std::string& Sql, std::string_view Context);
// The connection's last error as an ETableError text with Context in front.
std::string SqliteErrorText(sqlite3* Db, std::string_view Context);
