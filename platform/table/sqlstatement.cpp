#include "sqlstatement.h"

#include <sqlite3.h>

#include <utility>

#include "tableerror.h"

std::string QuoteIdent(std::string_view Name) {
  std::string Result = "\"";
  for (char C : Name) {
    if (C == '"') Result += '"';
    Result += C;
  }
  Result += '"';
  return Result;
}

std::string MemoTableName(std::string_view TableName, std::string_view FieldName) {
  return std::string(TableName) + ":memo:" + std::string(FieldName);
}

std::string IndexObjectName(std::string_view TableName, std::string_view IndexName) {
  return std::string(TableName) + ":index:" + std::string(IndexName);
}

std::string SqliteErrorText(sqlite3* Db, std::string_view Context) {
  std::string Text(Context);
  Text += ": ";
  Text += Db ? sqlite3_errmsg(Db) : "out of memory";
  return Text;
}

TSqlStatement::TSqlStatement(sqlite3* Db, const std::string& Sql, std::string Context)
    : FDb(Db), FContext(std::move(Context)) {
  const int Rc = sqlite3_prepare_v3(Db, Sql.c_str(), static_cast<int>(Sql.size()),
                                    SQLITE_PREPARE_PERSISTENT, &FStmt, nullptr);
  if (Rc != SQLITE_OK) {
    sqlite3_finalize(FStmt);
    FStmt = nullptr;
    throw ETableError(SqliteErrorText(Db, FContext));
  }
}

TSqlStatement::~TSqlStatement() { sqlite3_finalize(FStmt); }

TSqlStatement::TSqlStatement(TSqlStatement&& Other) noexcept
    : FDb(Other.FDb), FStmt(std::exchange(Other.FStmt, nullptr)), FContext(std::move(Other.FContext)) {}

TSqlStatement& TSqlStatement::operator=(TSqlStatement&& Other) noexcept {
  if (this != &Other) {
    sqlite3_finalize(FStmt);
    FDb = Other.FDb;
    FStmt = std::exchange(Other.FStmt, nullptr);
    FContext = std::move(Other.FContext);
  }
  return *this;
}

void TSqlStatement::Check(int Rc) {
  if (Rc != SQLITE_OK) throw ETableError(SqliteErrorText(FDb, FContext));
}

void TSqlStatement::BindText(int Pos, std::string_view Value) {
  // An empty view may carry a null pointer, which SQLite would store as NULL.
  Check(sqlite3_bind_text64(FStmt, Pos, Value.empty() ? "" : Value.data(), Value.size(),
                            SQLITE_TRANSIENT, SQLITE_UTF8));
}

void TSqlStatement::BindInt(int Pos, std::int64_t Value) {
  Check(sqlite3_bind_int64(FStmt, Pos, Value));
}

bool TSqlStatement::Step() {
  const int Rc = sqlite3_step(FStmt);
  if (Rc == SQLITE_ROW) return true;
  if (Rc == SQLITE_DONE) return false;
  // Take the text before Reset, which may replace the connection's error.
  std::string Text = SqliteErrorText(FDb, FContext);
  sqlite3_reset(FStmt);
  throw ETableError(Text);
}

void TSqlStatement::Reset() {
  if (!FStmt) return;
  sqlite3_reset(FStmt);
  sqlite3_clear_bindings(FStmt);
}

std::string_view TSqlStatement::ColumnText(int Col) const {
  const auto* Text = reinterpret_cast<const char*>(sqlite3_column_text(FStmt, Col));
  if (!Text) return {};
  return {Text, static_cast<std::size_t>(sqlite3_column_bytes(FStmt, Col))};
}

std::int64_t TSqlStatement::ColumnInt(int Col) const { return sqlite3_column_int64(FStmt, Col); }

void ExecSql(sqlite3* Db, const std::string& Sql, std::string_view Context) {
  char* Error = nullptr;
  if (sqlite3_exec(Db, Sql.c_str(), nullptr, nullptr, &Error) != SQLITE_OK) {
    std::string Text(Context);
    Text += ": ";
    Text += Error ? Error : sqlite3_errmsg(Db);
    sqlite3_free(Error);
    throw ETableError(Text);
  }
}
