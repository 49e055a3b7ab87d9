#include "table.h"

#include <sqlite3.h>

#include <algorithm>
#include <utility>

#include "database.h"
#include "platform/runtime/strutils.h"
#include "sqlstatement.h"
#include "tablelayout.h"
#include "tablerow.h"
#include "tablestatements.h"

namespace {

// Sequential moves read rows in batches so that no statement stays open
// between calls; a batch starts small after a jump and grows while scanning.
constexpr std::size_t FirstBatchRows = 16;
constexpr std::size_t MaxBatchRows = 1024;
// A memo read on one row and again on the next is being scanned: later
// batches read it along with the small fields. Such a batch ends once it
// holds this much memo text, as each row may carry a long one.
constexpr std::size_t MaxBatchMemoBytes = 1 << 20;

}  // namespace

struct TTable::TImpl {
  TImpl(TDatabase& Database, const TTableDef& Def)
      : Layout(Def), Rows(Def, Layout), Statements(Database.Handle(), Def, Layout), Db(Database.Handle()) {
    MemoSlot.assign(Def.Fields.size(), -1);
    for (std::size_t I = 0; I < Layout.MemoFields.size(); ++I)
      MemoSlot[Layout.MemoFields[I]] = static_cast<int>(I);
  }

  TTableLayout Layout;
  TRowFormat Rows;              // reads and binds the values of a row
  TTableStatements Statements;  // the SQL of this table, prepared once opened
  sqlite3* Db;
  std::vector<int> MemoSlot;  // field number -> position in Layout.MemoFields, or -1
  int IndexField = -1;        // field of the current index; -1 orders by record id

  // The cursor: the current row, and the rows that follow it in order.
  TTableRow Cur;
  bool HasRow = false;
  bool Eof = true;
  // Rows [BufPos, BufCount) of Buf follow the current row. Rows are swapped
  // in and out rather than moved, so their strings are reused while scanning.
  std::vector<TTableRow> Buf;
  std::size_t BufCount = 0;
  std::size_t BufPos = 0;
  bool BufEnd = false;  // no row follows the last one in Buf
  std::size_t BatchRows = FirstBatchRows;
  std::int64_t Version = -1;  // data version the cursor's rows were read at

  // The row being edited or inserted.
  TTableRow EditRow;
  std::vector<char> Changed;
  bool Modified = false;

  std::int64_t Count = 0;
  std::int64_t CountVersion = -1;

  // Memo fields (bits by position in Layout.MemoFields) read on the current
  // row and on the row before it in a sequential move.
  std::uint64_t MemosRead = 0;
  std::uint64_t MemosReadBefore = 0;

  bool InTransaction = false;  // this table's cached batch is open

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

  bool LoadById(std::int64_t Id, TTableRow& Row) {
    TSqlStatement& S = Statements.RowById;
    TStatementUse Use(S);
    S.BindInt(1, Id);
    if (!S.Step()) return false;
    Rows.ReadRow(S, Row);
    return true;
  }

  // Reads up to Limit rows that follow Row (or the first rows) in order into
  // Buf, with the memos that are being read row after row.
  void Fill(const TTableRow* After, std::size_t Limit) {
    TTableStatements::TScan& Scan = Statements.ScanFor(MemosRead | MemosReadBefore);
    TSqlStatement& S = After ? Scan.After : Scan.First;
    TStatementUse Use(S);
    if (After) {
      if (IndexField >= 0) Rows.BindValue(S, 1, IndexField, After->Values[IndexField]);
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
      TTableRow& Row = Buf[BufCount++];
      Rows.ReadRow(S, Row, &Scan.Memos);
      for (int Field : Scan.Memos) MemoBytes += Row.Values[Field].size();
      if (MemoBytes >= MaxBatchMemoBytes) {
        BufEnd = false;  // stopped early: more rows may follow
        return;
      }
    }
    BufEnd = BufCount < Limit;
  }

  bool LoadLast(TTableRow& Row) {
    TSqlStatement& S = Statements.ScanLast;
    TStatementUse Use(S);
    if (!S.Step()) return false;
    Rows.ReadRow(S, Row);
    return true;
  }

  std::string LoadMemo(int Field, std::int64_t Id) {
    TSqlStatement& S = Statements.MemoSelect[MemoSlot[Field]];
    TStatementUse Use(S);
    S.BindInt(1, Id);
    return S.Step() ? std::string(S.ColumnText(0)) : std::string();
  }

  void WriteMemo(int Field, std::int64_t Id, const std::string& Text) {
    const int Slot = MemoSlot[Field];
    // An empty memo has no row in its side table.
    TSqlStatement& S = Text.empty() ? Statements.MemoDelete[Slot] : Statements.MemoReplace[Slot];
    TStatementUse Use(S);
    S.BindInt(1, Id);
    if (!Text.empty()) S.BindText(2, Text);
    S.Step();
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
    TSqlStatement Columns = I.Statements.Prepare("SELECT name FROM pragma_table_info(?1)");
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
  I.Statements.PrepareStatements(I.IndexField);
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
    FImpl->Statements.PrepareOrderStatements(Field);
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
  TTableRow Row;
  if (I.LoadById(I.Cur.Id, Row)) {
    I.Cur = std::move(Row);
    return false;
  }
  // The current row is gone: continue with the row that followed it, or the last row.
  I.Fill(&I.Cur, 1);
  if (I.BufCount > 0) {
    std::swap(I.Cur, I.Buf.front());
    I.Eof = false;
  } else if (I.LoadLast(Row)) {
    I.Cur = std::move(Row);
  } else {
    I.Cur = TTableRow();
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
  I.Fill(nullptr, I.BatchRows);
  I.BatchRows = std::min(I.BatchRows * 2, MaxBatchRows);
  if (I.BufCount == 0) {
    I.Cur = TTableRow();
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
    I.Fill(&I.Cur, I.BatchRows);
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
    TStatementUse Use(I.Statements.CountStmt);
    I.Statements.CountStmt.Step();
    I.Count = I.Statements.CountStmt.ColumnInt(0);
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
  TTableRow Row;
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
  std::string Key;
  if (Field.DataType == TFieldType::ftString) {
    // Stored values were cut to the width, so the key is cut the same way.
    Key = CutUtf8(Value, static_cast<std::size_t>(Field.Size));
  } else {
    bool Truth = false;
    if (!tablevalue::ParseBoolean(Value, Truth)) return false;
    Key.assign(1, Truth ? '1' : '0');
  }
  TStatementUse Use(I.Statements.FindKeyStmt);
  I.Rows.BindValue(I.Statements.FindKeyStmt, 1, I.IndexField, Key);
  if (!I.Statements.FindKeyStmt.Step()) return false;
  I.Rows.ReadRow(I.Statements.FindKeyStmt, I.Cur);
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
  I.EditRow = I.Rows.BlankRow();
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
  TTableRow& Row = I.EditRow;
  if (FState == TDataSetState::dsInsert) {
    RunWrite([&] {
      {
        TStatementUse Use(I.Statements.InsertStmt);
        for (std::size_t K = 0; K < I.Layout.SmallFields.size(); ++K) {
          const int Field = I.Layout.SmallFields[K];
          I.Rows.BindValue(I.Statements.InsertStmt, static_cast<int>(K + 1), Field, Row.Values[Field]);
        }
        I.Statements.InsertStmt.Step();
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
        TSqlStatement& S = I.Statements.UpdateStatement(Mask);
        TStatementUse Use(S);
        int Pos = 0;
        for (std::size_t K = 0; K < I.Layout.SmallFields.size(); ++K)
          if (Mask & (std::uint64_t{1} << K)) {
            const int Field = I.Layout.SmallFields[K];
            I.Rows.BindValue(S, ++Pos, Field, Row.Values[Field]);
          }
        S.BindInt(Pos + 1, Row.Id);
        S.Step();
        Exists = sqlite3_changes64(I.Db) > 0;
      } else {
        TTableRow Probe;
        Exists = I.LoadById(Row.Id, Probe);
      }
      if (!Exists) throw ETableError("Table \"" + FDef.TableName + "\": the row being edited no longer exists");
      for (int Field : I.Layout.MemoFields)
        if (I.Changed[Field]) I.WriteMemo(Field, Row.Id, Row.Values[Field]);
    });
  }
  I.Cur = std::move(Row);
  I.EditRow = TTableRow();
  I.HasRow = true;
  I.Eof = false;
  // The cursor's row is what was just written; only the rows after it are re-read.
  I.Version = FDatabase.DataVersion();
  I.InvalidateBuffer();
  SetState(TDataSetState::dsBrowse);
}

void TTable::Cancel() {
  if (FState != TDataSetState::dsEdit && FState != TDataSetState::dsInsert) return;
  FImpl->EditRow = TTableRow();
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
    TStatementUse Use(I.Statements.DeleteStmt);
    I.Statements.DeleteStmt.BindInt(1, Id);
    I.Statements.DeleteStmt.Step();
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
      TStatementUse Use(I.Statements.Savepoint);
      I.Statements.Savepoint.Step();
    }
    Body();
    TStatementUse Use(I.Statements.Release);
    I.Statements.Release.Step();
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
  TTableRow* Row = &I.EditRow;
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
    Value = tablevalue::NormalizeMemo(Value);
  TImpl& I = *FImpl;
  I.EditRow.Values[Index] = std::move(Value);
  I.EditRow.Loaded[Index] = 1;
  I.Changed[Index] = 1;
  I.Modified = true;
}

const TFieldDef& TField::Def() const { return FTable->FDef.Fields[FIndex]; }

std::string TField::AsString() const {
  std::string Value = FTable->ReadField(FIndex);
  if (Def().DataType == TFieldType::ftBoolean) return tablevalue::StoredTruth(Value) ? "True" : "False";
  return Value;
}

TStringList TField::AsLines() const { return tablevalue::SplitLines(AsString()); }

bool TField::AsBoolean() const {
  if (Def().DataType != TFieldType::ftBoolean)
    throw ETableError("Field \"" + Def().Name + "\" is not a logical field");
  return tablevalue::StoredTruth(FTable->ReadField(FIndex));
}

void TField::SetAsString(const std::string& Value) {
  if (Def().DataType == TFieldType::ftBoolean) {
    bool Truth = false;
    if (!tablevalue::ParseBoolean(Value, Truth))
      throw ETableError("\"" + Value + "\" is not a valid value for field \"" + Def().Name + "\"");
    SetAsBoolean(Truth);
    return;
  }
  FTable->WriteField(FIndex, Value);
}

void TField::SetAsLines(const TStringList& Lines) { SetAsString(tablevalue::JoinLines(Lines)); }

void TField::SetAsBoolean(bool Value) {
  if (Def().DataType != TFieldType::ftBoolean)
    throw ETableError("Field \"" + Def().Name + "\" is not a logical field");
  FTable->WriteField(FIndex, Value ? "1" : "0");
}
