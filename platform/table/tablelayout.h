#pragma once

#include <string_view>
#include <vector>

#include "tabledef.h"

// How a table definition maps onto SQLite: the small fields (character and
// logical) are columns of the main table in definition order, each memo field
// has a side table of its own. Constructing a layout checks the definition
// and raises ETableError when it cannot be stored.
struct TTableLayout {
  explicit TTableLayout(const TTableDef& Def);

  // Field numbers (positions in Def.Fields) of the main table's columns, and of the memos.
  std::vector<int> SmallFields;
  std::vector<int> MemoFields;
  // For each field: its column in the main table (after the record id), or -1 for a memo.
  std::vector<int> ColumnOf;
};

// The position of the field called Name in any case, or -1.
int FindFieldIndex(const TTableDef& Def, std::string_view Name);
// The position of the index called Name in any case, or -1.
int FindIndexDef(const TTableDef& Def, std::string_view Name);
