#include "tablestatements.h"

#include <utility>

#include "tablelayout.h"

TTableStatements::TTableStatements(sqlite3* Db, const TTableDef& Def, const TTableLayout& Layout)
    : FDb(Db), FDef(Def), FLayout(Layout), FContext("Table \"" + Def.TableName + "\"") {}

TSqlStatement TTableStatements::Prepare(const std::string& Sql) const { return TSqlStatement(FDb, Sql, FContext); }

void TTableStatements::PrepareStatements(int IndexField) {
  const std::string Table = QuoteIdent(FDef.TableName);
  const std::string Id = QuoteIdent(RecordIdColumn);
  FSelectList = Id;
  std::string Columns, Params;
  for (std::size_t K = 0; K < FLayout.SmallFields.size(); ++K) {
    const std::string Column = QuoteIdent(FDef.Fields[FLayout.SmallFields[K]].Name);
    FSelectList += ", " + Column;
    Columns += (K ? ", " : "") + Column;
    Params += (K ? ", ?" : "?") + std::to_string(K + 1);
  }
  RowById = Prepare("SELECT " + FSelectList + " FROM " + Table + " WHERE " + Id + " = ?1");
  CountStmt = Prepare("SELECT count(*) FROM " + Table);
  InsertStmt = Prepare(Columns.empty()
                           ? "INSERT INTO " + Table + " DEFAULT VALUES"
                           : "INSERT INTO " + Table + " (" + Columns + ") VALUES (" + Params + ")");
  DeleteStmt = Prepare("DELETE FROM " + Table + " WHERE " + Id + " = ?1");
  Savepoint = Prepare("SAVEPOINT tablewrite");
  Release = Prepare("RELEASE tablewrite");
  MemoSelect.clear();
  MemoReplace.clear();
  MemoDelete.clear();
  for (int Field : FLayout.MemoFields) {
    const std::string Memo = QuoteIdent(MemoTableName(FDef.TableName, FDef.Fields[Field].Name));
    MemoSelect.push_back(Prepare("SELECT \"TEXT\" FROM " + Memo + " WHERE " + Id + " = ?1"));
    MemoReplace.push_back(Prepare("INSERT OR REPLACE INTO " + Memo + " (" + Id + ", \"TEXT\") VALUES (?1, ?2)"));
    MemoDelete.push_back(Prepare("DELETE FROM " + Memo + " WHERE " + Id + " = ?1"));
  }
  FUpdates.clear();
  PrepareOrderStatements(IndexField);
}

void TTableStatements::PrepareOrderStatements(int IndexField) {
  const std::string Table = QuoteIdent(FDef.TableName);
  const std::string Id = QuoteIdent(RecordIdColumn);
  const std::string Select = "SELECT " + FSelectList + " FROM " + Table;
  FIndexField = IndexField;
  FScans.clear();
  if (IndexField < 0) {
    ScanLast = Prepare(Select + " ORDER BY " + Id + " DESC LIMIT 1");
    FindKeyStmt = TSqlStatement();
    return;
  }
  const std::string Key = QuoteIdent(FDef.Fields[IndexField].Name);
  ScanLast = Prepare(Select + " ORDER BY " + Key + " DESC, " + Id + " DESC LIMIT 1");
  FindKeyStmt = Prepare(Select + " WHERE " + Key + " = ?1 ORDER BY " + Key + ", " + Id + " LIMIT 1");
}

TTableStatements::TScan& TTableStatements::ScanFor(std::uint64_t Mask) {
  auto It = FScans.find(Mask);
  if (It != FScans.end()) return It->second;
  const std::string Id = "t." + QuoteIdent(RecordIdColumn);
  std::string Select = "SELECT " + Id;
  for (int Field : FLayout.SmallFields) Select += ", t." + QuoteIdent(FDef.Fields[Field].Name);
  std::string From = " FROM " + QuoteIdent(FDef.TableName) + " AS t";
  TScan Scan;
  for (std::size_t K = 0; K < FLayout.MemoFields.size(); ++K) {
    if (!(Mask & (std::uint64_t{1} << K))) continue;
    const int Field = FLayout.MemoFields[K];
    const std::string Alias = "m" + std::to_string(K);
    Select += ", " + Alias + ".\"TEXT\"";
    From += " LEFT JOIN " + QuoteIdent(MemoTableName(FDef.TableName, FDef.Fields[Field].Name)) + " AS " + Alias +
            " ON " + Alias + "." + QuoteIdent(RecordIdColumn) + " = " + Id;
    Scan.Memos.push_back(Field);
  }
  if (FIndexField < 0) {
    Scan.First = Prepare(Select + From + " ORDER BY " + Id + " LIMIT ?1");
    Scan.After = Prepare(Select + From + " WHERE " + Id + " > ?2 ORDER BY " + Id + " LIMIT ?3");
  } else {
    const std::string Key = "t." + QuoteIdent(FDef.Fields[FIndexField].Name);
    const std::string Order = " ORDER BY " + Key + ", " + Id;
    Scan.First = Prepare(Select + From + Order + " LIMIT ?1");
    Scan.After = Prepare(Select + From + " WHERE (" + Key + ", " + Id + ") > (?1, ?2)" + Order + " LIMIT ?3");
  }
  return FScans.emplace(Mask, std::move(Scan)).first->second;
}

TSqlStatement& TTableStatements::UpdateStatement(std::uint64_t Mask) {
  auto It = FUpdates.find(Mask);
  if (It != FUpdates.end()) return It->second;
  std::string Sql = "UPDATE " + QuoteIdent(FDef.TableName) + " SET ";
  int Pos = 0;
  for (std::size_t K = 0; K < FLayout.SmallFields.size(); ++K) {
    if (!(Mask & (std::uint64_t{1} << K))) continue;
    Sql += (Pos ? ", " : "") + QuoteIdent(FDef.Fields[FLayout.SmallFields[K]].Name) + " = ?" +
           std::to_string(Pos + 1);
    ++Pos;
  }
  Sql += " WHERE " + QuoteIdent(RecordIdColumn) + " = ?" + std::to_string(Pos + 1);
  return FUpdates.emplace(Mask, Prepare(Sql)).first->second;
}
