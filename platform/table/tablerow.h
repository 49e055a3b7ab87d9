#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/runtime/stringlist.h"
#include "tabledef.h"

class TSqlStatement;
struct TTableLayout;

// A row as a cursor holds it: record id and the values by field number.
// Memo values are read on first use (Loaded false until then).
struct TTableRow {
  std::int64_t Id = 0;
  std::vector<std::string> Values;
  std::vector<char> Loaded;
};

// How the rows of one table definition are read from its statements and
// bound to them. Layout must outlive it.
class TRowFormat {
public:
  TRowFormat(const TTableDef& Def, const TTableLayout& Layout);

  // A new row: every field loaded and empty, logical fields false.
  TTableRow BlankRow() const;
  // Reads the record id and small fields, then the texts of Memos if given.
  // Row's strings keep their storage, so a scan reusing rows allocates little.
  void ReadRow(const TSqlStatement& S, TTableRow& Row, const std::vector<int>* Memos = nullptr) const;
  // Binds a value of a small field as it is stored: logical fields as integers.
  void BindValue(TSqlStatement& S, int Pos, int Field, const std::string& Value) const;

private:
  const TTableLayout& FLayout;
  std::vector<char> FIsLogical;  // by field number, read for every value of a scan
};

// Values as the table holds them: memo text with CR LF line ends, logical
// values as "1" and "0".
namespace tablevalue {
// Memo text keeps CR LF line ends: a bare LF becomes CR LF.
std::string NormalizeMemo(std::string_view Text);
// Lines are separated (not terminated) by CR LF, so "a\r\n" is "a" and an
// empty line; a bare LF is accepted as a separator too.
TStringList SplitLines(std::string_view Text);
std::string JoinLines(const TStringList& Lines);
// Logical values as text: 1/0, True/False, T/F, Yes/No, Y/N in any case.
bool ParseBoolean(std::string_view Text, bool& Value);
// A stored logical value; an empty one is false too.
inline bool StoredTruth(const std::string& Stored) { return !Stored.empty() && Stored != "0"; }
}  // namespace tablevalue
