#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "sqlstatement.h"
#include "tabledef.h"

struct TTableLayout;

// The prepared statements of one open table, built from its definition and
// layout. Statements are prepared once and kept; those that depend on a
// choice (the memos a scan joins in, the fields an update sets) are made on
// first use and cached. Def and Layout must outlive it.
class TTableStatements {
public:
  // Statements that read rows in order, with the memos of one mask joined in.
  struct TScan {
    TSqlStatement First, After;
    std::vector<int> Memos;  // memo fields whose text follows the small columns
  };

  TTableStatements(sqlite3* Db, const TTableDef& Def, const TTableLayout& Layout);

  // A statement of this table's connection; its errors name the table.
  TSqlStatement Prepare(const std::string& Sql) const;
  // Prepares every statement for rows in the order of IndexField (-1 = record id).
  void PrepareStatements(int IndexField);
  // Prepares again the statements that depend on the order.
  void PrepareOrderStatements(int IndexField);

  // The scan statements that also read the memos of Mask (bits by position in Layout.MemoFields).
  TScan& ScanFor(std::uint64_t Mask);
  // The update of the small fields in Mask (bits by position in Layout.SmallFields),
  // their values bound in that order, the record id after them.
  TSqlStatement& UpdateStatement(std::uint64_t Mask);

  // These read the record id, then the small fields; FindKeyStmt is left
  // unprepared while the rows follow record ids.
  TSqlStatement ScanLast, FindKeyStmt, RowById;
  TSqlStatement CountStmt, InsertStmt, DeleteStmt, Savepoint, Release;
  // By position in Layout.MemoFields.
  std::vector<TSqlStatement> MemoSelect, MemoReplace, MemoDelete;

private:
  sqlite3* FDb;
  const TTableDef& FDef;
  const TTableLayout& FLayout;
  std::string FContext;
  int FIndexField = -1;  // the order the scans were made for
  std::string FSelectList;
  std::unordered_map<std::uint64_t, TScan> FScans;  // by mask of memo positions
  std::unordered_map<std::uint64_t, TSqlStatement> FUpdates;  // by mask of changed small fields
};
