#include "table.h"

#include <sqlite3.h>

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "database.h"
#include "platform/runtime/asciicase.h"
#include "platform/runtime/strutils.h"
#include "sqlstatement.h"
#include "tablelayout.h"

namespace {

// Sequential moves read rows in batches so that no statement stays open
// between calls; a batch starts small after a jump and grows while scanning.
constexpr std::size_t FirstBatchRows = 16;
constexpr std::size_t MaxBatchRows = 1024;
// A memo read on one row and again on the next is being scanned: later
// batches read it along with the small fields. Such a batch ends once it
// holds this much memo text, as each row may carry a long one.
constexpr std::size_t MaxBatchMemoBytes = 1 << 20;

// Memo text keeps CR LF line ends: a bare LF becomes CR LF.
std::string NormalizeMemo(std::string_view Text) {
  std::string Result;
  Result.reserve(Text.size());
  for (std::size_t I = 0; I < Text.size(); ++I) {
    if (Text[I] == '\n' && (I == 0 || Text[I - 1] != '\r')) Result += '\r';
    Result += Text[I];
  }
  return Result;
}

// Lines are separated (not terminated) by CR LF, so "a\r\n" is "a" and an
// empty line; a bare LF is accepted as a separator too.
TStringList SplitLines(std::string_view Text) {
  TStringList Lines;
  if (Text.empty()) return Lines;
  std::size_t Pos = 0;
  for (;;) {
    const std::size_t Lf = Text.find('\n', Pos);
    if (Lf == std::string_view::npos) {
      Lines.emplace_back(Text.substr(Pos));
      return Lines;
    }
    std::size_t End = Lf;
    if (End > Pos && Text[End - 1] == '\r') --End;
    Lines.emplace_back(Text.substr(Pos, End - Pos));
    Pos = Lf + 1;
  }
}

std::string JoinLines(const TStringList& Lines) {
  std::string Text;
  for (std::size_t I = 0; I < Lines.size(); ++I) {
    if (I > 0) Text += "\r\n";
    Text += Lines[I];
  }
  return Text;
}

// Logical values as text: 1/0, True/False, T/F, Yes/No, Y/N in any case.
bool ParseBoolean(std::string_view Text, bool& Value) {
  for (const char* Word : {"1", "true", "t", "yes", "y"})
    if (EqualsNoCaseAscii(Text, Word)) return Value = true, true;
  for (const char* Word : {"0", "false", "f", "no", "n"})
    if (EqualsNoCaseAscii(Text, Word)) return Value = false, true;
  return false;
}

// Logical values are held as "1" and "0" (an empty value is false too).
bool StoredTruth(const std::string& Stored) { return !Stored.empty() && Stored != "0"; }

}  // namespace

struct TTable::TImpl {
  // A row as read: record id and the values by field number. Memo values are
  // read on first use (Loaded false until then).
  struct TRow {
    std::int64_t Id = 0;
    std::vector<std::string> Values;
    std::vector<char> Loaded;
  };

  TImpl(TDatabase& Database, const TTableDef& Def)
      : Layout(Def), Db(Database.Handle()), Context("Table \"" + Def.TableName + "\"") {
    MemoSlot.assign(Def.Fields.size(), -1);
    for (std::size_t I = 0; I < Layout.MemoFields.size(); ++I)
      MemoSlot[Layout.MemoFields[I]] = static_cast<int>(I);
    for (const TFieldDef& Field : Def.Fields) IsLogical.push_back(Field.DataType == TFieldType::ftBoolean);
  }

  TTableLayout Layout;
  sqlite3* Db;
  std::string Context;
  std::vector<int> MemoSlot;  // field number -> position in Layout.MemoFields, or -1
  std::vector<char> IsLogical;
  int IndexField = -1;        // field of the current index; -1 orders by record id

  // The cursor: the current row, and the rows that follow it in order.
  TRow Cur;
  bool HasRow = false;
  bool Eof = true;
  // Rows [BufPos, BufCount) of Buf follow the current row. Rows are swapped
  // in and out rather than moved, so their strings are reused while scanning.
  std::vector<TRow> Buf;
  std::size_t BufCount = 0;
  std::size_t BufPos = 0;
  bool BufEnd = false;  // no row follows the last one in Buf
  std::size_t BatchRows = FirstBatchRows;
  std::int64_t Version = -1;  // data version the cursor's rows were read at

  // The row being edited or inserted.
  TRow EditRow;
  std::vector<char> Changed;
  bool Modified = false;

  std::int64_t Count = 0;
  std::int64_t CountVersion = -1;

  // Memo fields (bits by position in Layout.MemoFields) read on the current
  // row and on the row before it in a sequential move.
  std::uint64_t MemosRead = 0;
  std::uint64_t MemosReadBefore = 0;

  bool InTransaction = false;  // this table's cached batch is open

  // Statements that read rows in order, with the memos of one mask joined in.
  struct TScan {
    TSqlStatement First, After;
    std::vector<int> Memos;  // memo fields whose text follows the small columns
  };
  std::unordered_map<std::uint64_t, TScan> Scans;  // by mask of memo positions

  std::string SelectList;
  TSqlStatement ScanLast, FindKeyStmt, RowById, CountStmt, InsertStmt, DeleteStmt, Savepoint, Release;
  std::vector<TSqlStatement> MemoSelect, MemoReplace, MemoDelete;
  std::unordered_map<std::uint64_t, TSqlStatement> Updates;  // by mask of changed small fields

  TSqlStatement Prepare(const std::string& Sql) { return TSqlStatement(Db, Sql, Context); }

  void PrepareStatements(const TTableDef& Def) {
    const std::string Table = QuoteIdent(Def.TableName);
    const std::string Id = QuoteIdent(RecordIdColumn);
    SelectList = Id;
    std::string Columns, Params;
    for (std::size_t K = 0; K < Layout.SmallFields.size(); ++K) {
      const std::string Column = QuoteIdent(Def.Fields[Layout.SmallFields[K]].Name);
      SelectList += ", " + Column;
      Columns += (K ? ", " : "") + Column;
      Params += (K ? ", ?" : "?") + std::to_string(K + 1);
    }
    RowById = Prepare("SELECT " + SelectList + " FROM " + Table + " WHERE " + Id + " = ?1");
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
    for (int Field : Layout.MemoFields) {
      const std::string Memo = QuoteIdent(MemoTableName(Def.TableName, Def.Fields[Field].Name));
      MemoSelect.push_back(Prepare("SELECT \"TEXT\" FROM " + Memo + " WHERE " + Id + " = ?1"));
      MemoReplace.push_back(
          Prepare("INSERT OR REPLACE INTO " + Memo + " (" + Id + ", \"TEXT\") VALUES (?1, ?2)"));
      MemoDelete.push_back(Prepare("DELETE FROM " + Memo + " WHERE " + Id + " = ?1"));
    }
    Updates.clear();
    PrepareOrderStatements(Def);
  }

  // The statements that depend on the current index.
  void PrepareOrderStatements(const TTableDef& Def) {
    const std::string Table = QuoteIdent(Def.TableName);
    const std::string Id = QuoteIdent(RecordIdColumn);
    const std::string Select = "SELECT " + SelectList + " FROM " + Table;
    Scans.clear();
    if (IndexField < 0) {
      ScanLast = Prepare(Select + " ORDER BY " + Id + " DESC LIMIT 1");
      FindKeyStmt = TSqlStatement();
      return;
    }
    const std::string Key = QuoteIdent(Def.Fields[IndexField].Name);
    ScanLast = Prepare(Select + " ORDER BY " + Key + " DESC, " + Id + " DESC LIMIT 1");
    FindKeyStmt = Prepare(Select + " WHERE " + Key + " = ?1 ORDER BY " + Key + ", " + Id + " LIMIT 1");
  }

  // The scan statements that also read the memos of Mask.
  TScan& ScanFor(const TTableDef& Def, std::uint64_t Mask) {
    auto It = Scans.find(Mask);
    if (It != Scans.end()) return It->second;
    const std::string Id = "t." + QuoteIdent(RecordIdColumn);
    std::string Select = "SELECT " + Id;
    for (int Field : Layout.SmallFields) Select += ", t." + QuoteIdent(Def.Fields[Field].Name);
    std::string From = " FROM " + QuoteIdent(Def.TableName) + " AS t";
    TScan Scan;
    for (std::size_t K = 0; K < Layout.MemoFields.size(); ++K) {
      if (!(Mask & (std::uint64_t{1} << K))) continue;
      const int Field = Layout.MemoFields[K];
      const std::string Alias = "m" + std::to_string(K);
      Select += ", " + Alias + ".\"TEXT\"";
      From += " LEFT JOIN " + QuoteIdent(MemoTableName(Def.TableName, Def.Fields[Field].Name)) + " AS " + Alias +
              " ON " + Alias + "." + QuoteIdent(RecordIdColumn) + " = " + Id;
      Scan.Memos.push_back(Field);
    }
    if (IndexField < 0) {
      Scan.First = Prepare(Select + From + " ORDER BY " + Id + " LIMIT ?1");
      Scan.After = Prepare(Select + From + " WHERE " + Id + " > ?2 ORDER BY " + Id + " LIMIT ?3");
    } else {
      const std::string Key = "t." + QuoteIdent(Def.Fields[IndexField].Name);
      const std::string Order = " ORDER BY " + Key + ", " + Id;
      Scan.First = Prepare(Select + From + Order + " LIMIT ?1");
      Scan.After = Prepare(Select + From + " WHERE (" + Key + ", " + Id + ") > (?1, ?2)" + Order + " LIMIT ?3");
    }
    return Scans.emplace(Mask, std::move(Scan)).first->second;
  }

  TRow BlankRow(const TTableDef& Def) const {
    TRow Row;
    Row.Values.resize(Def.Fields.size());
    Row.Loaded.assign(Def.Fields.size(), 1);
    for (std::size_t I = 0; I < Def.Fields.size(); ++I)
      if (Def.Fields[I].DataType == TFieldType::ftBoolean) Row.Values[I] = "0";
    return Row;
  }

  // Reads the record id and small fields, then the texts of Memos if given.
  void ReadRow(const TSqlStatement& S, TRow& Row, const std::vector<int>* Memos = nullptr) const {
    const std::size_t FieldCount = Layout.ColumnOf.size();
    Row.Id = S.ColumnInt(0);
    Row.Values.resize(FieldCount);
    Row.Loaded.resize(FieldCount);
    for (std::size_t I = 0; I < FieldCount; ++I) {
      const int Column = Layout.ColumnOf[I];
      if (Column < 0) {
        Row.Values[I].clear();  // keeps its storage for the next row
        Row.Loaded[I] = 0;
      } else if (IsLogical[I]) {
        Row.Values[I] = S.ColumnInt(Column) != 0 ? "1" : "0";
        Row.Loaded[I] = 1;
      } else {
        Row.Values[I].assign(S.ColumnText(Column));
        Row.Loaded[I] = 1;
      }
    }
    if (!Memos) return;
    int Column = static_cast<int>(Layout.SmallFields.size()) + 1;
    for (int Field : *Memos) {
      Row.Values[Field].assign(S.ColumnText(Column++));  // no side row: empty
      Row.Loaded[Field] = 1;
    }
  }

  // Binds a value of a small field as it is stored: logical fields as integers.
  void BindValue(TSqlStatement& S, int Pos, const TTableDef& Def, int Field, const std::string& Value) {
    if (Def.Fields[Field].DataType == TFieldType::ftBoolean)
      S.BindInt(Pos, StoredTruth(Value) ? 1 : 0);
    else
      S.BindText(Pos, Value);
  }

  // The cursor moved to another row; Sequential when it was a step to the next one.
  void Moved(bool Sequential) {
    MemosReadBefore = Sequential ? MemosRead : 0;
    MemosRead = 0;
  }

  void InvalidateBuffer() {
    BufCount = 0;
    BufPos = 0;
    BufEnd = false;
    BatchRows = FirstBatchRows;
  }

  bool LoadById(std::int64_t Id, TRow& Row) {
    TStatementUse Use(RowById);
    RowById.BindInt(1, Id);
    if (!RowById.Step()) return false;
    ReadRow(RowById, Row);
    return true;
  }

  // Reads up to Limit rows that follow Row (or the first rows) in order into
  // Buf, with the memos that are being read row after row.
  void Fill(const TTableDef& Def, const TRow* After, std::size_t Limit) {
    TScan& Scan = ScanFor(Def, MemosRead | MemosReadBefore);
    TSqlStatement& S = After ? Scan.After : Scan.First;
    TStatementUse Use(S);
    if (After) {
      if (IndexField >= 0) BindValue(S, 1, Def, IndexField, After->Values[IndexField]);
      S.BindInt(2, After->Id);
      S.BindInt(3, static_cast<std::int64_t>(Limit));
    } else {
      S.BindInt(1, static_cast<std::int64_t>(Limit));
    }
    BufCount = 0;
    BufPos = 0;
    std::size_t MemoBytes = 0;
    while (S.Step()) {
      if (BufCount == Buf.size()) Buf.emplace_back();
      TRow& Row = Buf[BufCount++];
      ReadRow(S, Row, &Scan.Memos);
      for (int Field : Scan.Memos) MemoBytes += Row.Values[Field].size();
      if (MemoBytes >= MaxBatchMemoBytes) {
        BufEnd = false;  // stopped early: more rows may follow
        return;
      }
    }
    BufEnd = BufCount < Limit;
  }

  bool LoadLast(TRow& Row) {
    TStatementUse Use(ScanLast);
    if (!ScanLast.Step()) return false;
    ReadRow(ScanLast, Row);
    return true;
  }

  std::string LoadMemo(int Field, std::int64_t Id) {
    TSqlStatement& S = MemoSelect[MemoSlot[Field]];
    TStatementUse Use(S);
    S.BindInt(1, Id);
    return S.Step() ? std::string(S.ColumnText(0)) : std::string();
  }

  void WriteMemo(int Field, std::int64_t Id, const std::string& Text) {
    const int Slot = MemoSlot[Field];
    // An empty memo has no row in its side table.
    TSqlStatement& S = Text.empty() ? MemoDelete[Slot] : MemoReplace[Slot];
    TStatementUse Use(S);
    S.BindInt(1, Id);
    if (!Text.empty()) S.BindText(2, Text);
    S.Step();
  }

  TSqlStatement& UpdateStatement(const TTableDef& Def, std::uint64_t Mask) {
    auto It = Updates.find(Mask);
    if (It != Updates.end()) return It->second;
    std::string Sql = "UPDATE " + QuoteIdent(Def.TableName) + " SET ";
    int Pos = 0;
    for (std::size_t K = 0; K < Layout.SmallFields.size(); ++K) {
      if (!(Mask & (std::uint64_t{1} << K))) continue;
      Sql += (Pos ? ", " : "") + QuoteIdent(Def.Fields[Layout.SmallFields[K]].Name) + " = ?" +
             std::to_string(Pos + 1);
      ++Pos;
    }
    Sql += " WHERE " + QuoteIdent(RecordIdColumn) + " = ?" + std::to_string(Pos + 1);
    return Updates.emplace(Mask, Prepare(Sql)).first->second;
  }
};

TTable::TTable(TDatabase& ADatabase, const TTableDef& ADef)
    : FDatabase(ADatabase), FDef(ADef), FImpl(std::make_unique<TImpl>(ADatabase, FDef)) {}

TTable::~TTable() {
  // An unapplied cached batch is thrown away, as if the program had stopped.
  EndBatch();
}

bool TTable::Active() const { return FState != TDataSetState::dsInactive; }

void TTable::Open() {
  if (Active()) return;
  TImpl& I = *FImpl;
  if (!FDatabase.TableExists(FDef.TableName))
    throw ETableError("Table \"" + FDef.TableName + "\" does not exist");
  {
    // The stored table must have every field of the definition.
    TSqlStatement Columns = I.Prepare("SELECT name FROM pragma_table_info(?1)");
    TStatementUse Use(Columns);
    Columns.BindText(1, FDef.TableName);
    std::vector<char> Found(FDef.Fields.size(), 0);
    while (Columns.Step()) {
      const int Field = FindFieldIndex(FDef, Columns.ColumnText(0));
      if (Field >= 0) Found[Field] = 1;
    }
    for (std::size_t F = 0; F < FDef.Fields.size(); ++F) {
      const bool Present = FDef.Fields[F].DataType == TFieldType::ftMemo
                               ? FDatabase.TableExists(MemoTableName(FDef.TableName, FDef.Fields[F].Name))
                               : Found[F] != 0;
      if (!Present)
        throw ETableError("Table \"" + FDef.TableName + "\" has no field \"" + FDef.Fields[F].Name + "\"");
    }
  }
  I.PrepareStatements(FDef);
  if (FCachedUpdates) BeginBatch();
  SetState(TDataSetState::dsBrowse);
  First();
}

void TTable::SetIndexName(const std::string& Name) {
  int Field = -1;
  std::string Canonical;
  if (!Name.empty()) {
    const int Index = FindIndexDef(FDef, Name);
    if (Index < 0) throw ETableError("Table \"" + FDef.TableName + "\" has no index \"" + Name + "\"");
    Canonical = FDef.Indexes[Index].Name;
    Field = FindFieldIndex(FDef, FDef.Indexes[Index].Field);
  }
  if (Active()) CheckBrowseMode();
  FIndexName = Canonical;
  FImpl->IndexField = Field;
  if (Active()) {
    FImpl->PrepareOrderStatements(FDef);
    FImpl->InvalidateBuffer();
  }
}

void TTable::CheckActive() const {
  if (!Active()) throw ETableError("Table \"" + FDef.TableName + "\" is not open");
}

void TTable::CheckBrowseMode() {
  if (FState != TDataSetState::dsEdit && FState != TDataSetState::dsInsert) return;
  if (FImpl->Modified)
    Post();
  else
    Cancel();
}

bool TTable::Sync() {
  TImpl& I = *FImpl;
  const std::int64_t Version = FDatabase.DataVersion();
  if (Version == I.Version) return false;
  I.Version = Version;
  I.InvalidateBuffer();
  if (!I.HasRow) return false;
  TImpl::TRow Row;
  if (I.LoadById(I.Cur.Id, Row)) {
    I.Cur = std::move(Row);
    return false;
  }
  // The current row is gone: continue with the row that followed it, or the last row.
  I.Fill(FDef, &I.Cur, 1);
  if (I.BufCount > 0) {
    std::swap(I.Cur, I.Buf.front());
    I.Eof = false;
  } else if (I.LoadLast(Row)) {
    I.Cur = std::move(Row);
  } else {
    I.Cur = TImpl::TRow();
    I.HasRow = false;
    I.Eof = true;
  }
  I.InvalidateBuffer();
  return true;
}

void TTable::First() {
  CheckActive();
  CheckBrowseMode();
  FDatabase.CheckOtherWriters();
  Sync();
  TImpl& I = *FImpl;
  I.InvalidateBuffer();
  I.Moved(false);
  I.Fill(FDef, nullptr, I.BatchRows);
  I.BatchRows = std::min(I.BatchRows * 2, MaxBatchRows);
  if (I.BufCount == 0) {
    I.Cur = TImpl::TRow();
    I.HasRow = false;
    I.Eof = true;
    return;
  }
  std::swap(I.Cur, I.Buf[0]);
  I.BufPos = 1;
  I.HasRow = true;
  I.Eof = false;
}

void TTable::Next() {
  CheckActive();
  CheckBrowseMode();
  Sync();
  TImpl& I = *FImpl;
  if (!I.HasRow || I.Eof) return;
  if (I.BufPos >= I.BufCount) {
    if (I.BufEnd) {
      I.Eof = true;
      return;
    }
    I.Fill(FDef, &I.Cur, I.BatchRows);
    I.BatchRows = std::min(I.BatchRows * 2, MaxBatchRows);
    if (I.BufCount == 0) {
      I.Eof = true;  // the cursor stays on the last row
      return;
    }
  }
  std::swap(I.Cur, I.Buf[I.BufPos++]);
  I.Moved(true);
}

bool TTable::Eof() const { return !Active() || FImpl->Eof; }

int TTable::RecordCount() {
  CheckActive();
  FDatabase.CheckOtherWriters();
  TImpl& I = *FImpl;
  const std::int64_t Version = FDatabase.DataVersion();
  if (I.CountVersion != Version) {
    TStatementUse Use(I.CountStmt);
    I.CountStmt.Step();
    I.Count = I.CountStmt.ColumnInt(0);
    I.CountVersion = Version;
  }
  return static_cast<int>(I.Count);
}

std::int64_t TTable::RecordId() const {
  if (!Active() || FState == TDataSetState::dsInsert) return 0;
  // Catching up with writes elsewhere changes no data, only what the cursor knows.
  const_cast<TTable*>(this)->Sync();
  return FImpl->HasRow ? FImpl->Cur.Id : 0;
}

bool TTable::GotoRecord(std::int64_t Id) {
  CheckActive();
  CheckBrowseMode();
  FDatabase.CheckOtherWriters();
  Sync();
  TImpl& I = *FImpl;
  TImpl::TRow Row;
  if (!I.LoadById(Id, Row)) return false;
  I.Cur = std::move(Row);
  I.Moved(false);
  I.HasRow = true;
  I.Eof = false;
  I.InvalidateBuffer();
  return true;
}

bool TTable::FindKey(const std::string& Value) {
  CheckActive();
  TImpl& I = *FImpl;
  if (I.IndexField < 0)
    throw ETableError("Table \"" + FDef.TableName + "\" has no current index to search");
  CheckBrowseMode();
  FDatabase.CheckOtherWriters();
  Sync();
  const TFieldDef& Field = FDef.Fields[I.IndexField];
  std::string Key = Value;
  if (Field.DataType == TFieldType::ftString) {
    // Stored values were cut to the width, so the key is cut the same way.
    Key = CutUtf8(Value, static_cast<std::size_t>(Field.Size));
  } else {
    bool Truth = false;
    if (!ParseBoolean(Value, Truth)) return false;
    Key = Truth ? "1" : "0";
  }
  TStatementUse Use(I.FindKeyStmt);
  I.BindValue(I.FindKeyStmt, 1, FDef, I.IndexField, Key);
  if (!I.FindKeyStmt.Step()) return false;
  I.ReadRow(I.FindKeyStmt, I.Cur);
  I.Moved(false);
  I.HasRow = true;
  I.Eof = false;
  I.InvalidateBuffer();
  return true;
}

TField TTable::FieldByName(const std::string& Name) {
  const int Index = FindFieldIndex(FDef, Name);
  if (Index < 0) throw ETableError("Table \"" + FDef.TableName + "\" has no field \"" + Name + "\"");
  return TField(*this, Index);
}

void TTable::Append() {
  CheckActive();
  CheckBrowseMode();
  Sync();
  TImpl& I = *FImpl;
  I.EditRow = I.BlankRow(FDef);
  I.Changed.assign(FDef.Fields.size(), 0);
  I.Modified = false;
  SetState(TDataSetState::dsInsert);
}

void TTable::Insert() { Append(); }

void TTable::Edit() {
  CheckActive();
  if (FState == TDataSetState::dsEdit || FState == TDataSetState::dsInsert) return;
  // A row deleted elsewhere is not replaced by its neighbour without notice.
  FDatabase.CheckOtherWriters();
  if (Sync()) throw ETableError("Table \"" + FDef.TableName + "\": the current row was deleted");
  TImpl& I = *FImpl;
  if (!I.HasRow) throw ETableError("Table \"" + FDef.TableName + "\" has no current row to edit");
  I.EditRow = I.Cur;
  I.Changed.assign(FDef.Fields.size(), 0);
  I.Modified = false;
  SetState(TDataSetState::dsEdit);
}

void TTable::Post() {
  CheckActive();
  if (FState != TDataSetState::dsEdit && FState != TDataSetState::dsInsert) return;
  TImpl& I = *FImpl;
  TImpl::TRow& Row = I.EditRow;
  if (FState == TDataSetState::dsInsert) {
    RunWrite([&] {
      {
        TStatementUse Use(I.InsertStmt);
        for (std::size_t K = 0; K < I.Layout.SmallFields.size(); ++K) {
          const int Field = I.Layout.SmallFields[K];
          I.BindValue(I.InsertStmt, static_cast<int>(K + 1), FDef, Field, Row.Values[Field]);
        }
        I.InsertStmt.Step();
      }
      Row.Id = sqlite3_last_insert_rowid(I.Db);
      for (int Field : I.Layout.MemoFields)
        if (!Row.Values[Field].empty()) I.WriteMemo(Field, Row.Id, Row.Values[Field]);
    });
  } else if (I.Modified) {
    RunWrite([&] {
      std::uint64_t Mask = 0;
      for (std::size_t K = 0; K < I.Layout.SmallFields.size(); ++K)
        if (I.Changed[I.Layout.SmallFields[K]]) Mask |= std::uint64_t{1} << K;
      bool Exists;
      if (Mask) {
        TSqlStatement& S = I.UpdateStatement(FDef, Mask);
        TStatementUse Use(S);
        int Pos = 0;
        for (std::size_t K = 0; K < I.Layout.SmallFields.size(); ++K)
          if (Mask & (std::uint64_t{1} << K)) {
            const int Field = I.Layout.SmallFields[K];
            I.BindValue(S, ++Pos, FDef, Field, Row.Values[Field]);
          }
        S.BindInt(Pos + 1, Row.Id);
        S.Step();
        Exists = sqlite3_changes64(I.Db) > 0;
      } else {
        TImpl::TRow Probe;
        Exists = I.LoadById(Row.Id, Probe);
      }
      if (!Exists) throw ETableError("Table \"" + FDef.TableName + "\": the row being edited no longer exists");
      for (int Field : I.Layout.MemoFields)
        if (I.Changed[Field]) I.WriteMemo(Field, Row.Id, Row.Values[Field]);
    });
  }
  I.Cur = std::move(Row);
  I.EditRow = TImpl::TRow();
  I.HasRow = true;
  I.Eof = false;
  // The cursor's row is what was just written; only the rows after it are re-read.
  I.Version = FDatabase.DataVersion();
  I.InvalidateBuffer();
  SetState(TDataSetState::dsBrowse);
}

void TTable::Cancel() {
  if (FState != TDataSetState::dsEdit && FState != TDataSetState::dsInsert) return;
  FImpl->EditRow = TImpl::TRow();
  SetState(TDataSetState::dsBrowse);
}

void TTable::Delete() {
  CheckActive();
  if (FState == TDataSetState::dsInsert) {
    // The new row was never written: deleting it is dropping it.
    Cancel();
    return;
  }
  Cancel();
  TImpl& I = *FImpl;
  if (!I.HasRow) throw ETableError("Table \"" + FDef.TableName + "\" has no current row to delete");
  // The row the cursor showed, even if it was deleted elsewhere meanwhile:
  // never its neighbour.
  const std::int64_t Id = I.Cur.Id;
  RunWrite([&] {
    for (int Field : I.Layout.MemoFields) I.WriteMemo(Field, Id, std::string());
    TStatementUse Use(I.DeleteStmt);
    I.DeleteStmt.BindInt(1, Id);
    I.DeleteStmt.Step();
  });
  Sync();  // moves to the next row in order, or the last one
}

void TTable::SetCachedUpdates(bool Value) {
  if (Value == FCachedUpdates) return;
  if (!Active()) {
    FCachedUpdates = Value;
    return;
  }
  if (Value) {
    CheckBrowseMode();
    BeginBatch();
    FCachedUpdates = true;
  } else {
    // Switching caching off drops whatever was not applied.
    Cancel();
    EndBatch();
    FCachedUpdates = false;
    Sync();
  }
}

void TTable::ApplyUpdates() {
  if (!Active()) return;
  CheckBrowseMode();
  TImpl& I = *FImpl;
  if (!FCachedUpdates || !I.InTransaction) return;
  try {
    ExecSql(I.Db, "COMMIT", "Cannot apply the cached updates of table \"" + FDef.TableName + "\"");
  } catch (const ETableError& E) {
    if (sqlite3_get_autocommit(I.Db)) {
      SetBatchOpen(false);
      BeginBatch();
      throw ETableError(E.Message + " (the cached rows were lost)");
    }
    throw;  // the batch is still open and can be applied again
  }
  SetBatchOpen(false);
  BeginBatch();
}

void TTable::CommitUpdates() {}

void TTable::CancelUpdates() {
  if (!FCachedUpdates || !Active()) return;
  Cancel();
  EndBatch();
  BeginBatch();
  Sync();
}

void TTable::BeginBatch() {
  TImpl& I = *FImpl;
  if (FDatabase.FBatchOwner || !sqlite3_get_autocommit(I.Db))
    throw ETableError("Table \"" + FDef.TableName +
                      "\" cannot hold cached updates while another table of the database holds them");
  ExecSql(I.Db, "BEGIN IMMEDIATE", "Cannot start cached updates on table \"" + FDef.TableName + "\"");
  SetBatchOpen(true);
}

void TTable::EndBatch() {
  TImpl& I = *FImpl;
  if (I.InTransaction && !sqlite3_get_autocommit(I.Db))
    sqlite3_exec(I.Db, "ROLLBACK", nullptr, nullptr, nullptr);
  SetBatchOpen(false);
}

void TTable::SetBatchOpen(bool Open) {
  FImpl->InTransaction = Open;
  if (Open)
    FDatabase.FBatchOwner = this;
  else if (FDatabase.FBatchOwner == this)
    FDatabase.FBatchOwner = nullptr;
}

void TTable::RunWrite(const std::function<void()>& Body) {
  TImpl& I = *FImpl;
  // Joining another table's batch would make this write wait for that
  // table's apply, and vanish with its cancel: only a table that asked for
  // that may.
  TTable* const Batch = FDatabase.FBatchOwner;
  if (Batch && Batch != this && Batch != FBatchHost)
    throw ETableError("Table \"" + FDef.TableName + "\" cannot be written while table \"" +
                      Batch->FDef.TableName + "\" holds cached updates");
  try {
    {
      TStatementUse Use(I.Savepoint);
      I.Savepoint.Step();
    }
    Body();
    TStatementUse Use(I.Release);
    I.Release.Step();
  } catch (const ETableError& E) {
    sqlite3_exec(I.Db, "ROLLBACK TO tablewrite; RELEASE tablewrite", nullptr, nullptr, nullptr);
    std::string Text = E.Message;
    // A failing write can end the whole transaction; the cached batch (this
    // table's or the one it joined) is then gone.
    if (Batch && Batch->FCachedUpdates && Batch->FImpl->InTransaction && sqlite3_get_autocommit(I.Db)) {
      Batch->SetBatchOpen(false);
      Text += " (the cached rows not yet applied were lost)";
      try {
        Batch->BeginBatch();
      } catch (const ETableError&) {
      }
    }
    throw ETableError(Text);
  }
}

void TTable::SetState(TDataSetState Value) {
  if (FState == Value) return;
  FState = Value;
  if (OnStateChange) OnStateChange(this);
}

std::string TTable::ReadField(int Index) {
  CheckActive();
  TImpl& I = *FImpl;
  TImpl::TRow* Row = &I.EditRow;
  if (FState != TDataSetState::dsEdit && FState != TDataSetState::dsInsert) {
    Sync();
    if (!I.HasRow) return std::string();
    Row = &I.Cur;
  }
  if (Row == &I.Cur && I.MemoSlot[Index] >= 0) I.MemosRead |= std::uint64_t{1} << I.MemoSlot[Index];
  if (!Row->Loaded[Index]) {
    Row->Values[Index] = I.LoadMemo(Index, Row->Id);
    Row->Loaded[Index] = 1;
  }
  return Row->Values[Index];
}

void TTable::WriteField(int Index, std::string Value) {
  CheckActive();
  if (FState != TDataSetState::dsEdit && FState != TDataSetState::dsInsert)
    throw ETableError("Table \"" + FDef.TableName + "\" is not in edit or insert mode");
  const TFieldDef& Field = FDef.Fields[Index];
  if (Field.DataType == TFieldType::ftString)
    Value = CutUtf8(Value, static_cast<std::size_t>(Field.Size));
  else if (Field.DataType == TFieldType::ftMemo)
    Value = NormalizeMemo(Value);
  TImpl& I = *FImpl;
  I.EditRow.Values[Index] = std::move(Value);
  I.EditRow.Loaded[Index] = 1;
  I.Changed[Index] = 1;
  I.Modified = true;
}

const TFieldDef& TField::Def() const { return FTable->FDef.Fields[FIndex]; }

std::string TField::AsString() const {
  std::string Value = FTable->ReadField(FIndex);
  if (Def().DataType == TFieldType::ftBoolean) return StoredTruth(Value) ? "True" : "False";
  return Value;
}

TStringList TField::AsLines() const { return SplitLines(AsString()); }

bool TField::AsBoolean() const {
  if (Def().DataType != TFieldType::ftBoolean)
    throw ETableError("Field \"" + Def().Name + "\" is not a logical field");
  return StoredTruth(FTable->ReadField(FIndex));
}

void TField::SetAsString(const std::string& Value) {
  if (Def().DataType == TFieldType::ftBoolean) {
    bool Truth = false;
    if (!ParseBoolean(Value, Truth))
      throw ETableError("\"" + Value + "\" is not a valid value for field \"" + Def().Name + "\"");
    SetAsBoolean(Truth);
    return;
  }
  FTable->WriteField(FIndex, Value);
}

void TField::SetAsLines(const TStringList& Lines) { SetAsString(JoinLines(Lines)); }

void TField::SetAsBoolean(bool Value) {
  if (Def().DataType != TFieldType::ftBoolean)
    throw ETableError("Field \"" + Def().Name + "\" is not a logical field");
  FTable->WriteField(FIndex, Value ? "1" : "0");
}
