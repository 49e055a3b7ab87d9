#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/runtime/stringlist.h"
#include "tabledef.h"
#include "tableerror.h"

class TDatabase;
class TTable;

enum class TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

// One field of the table's current row, addressed by name (any case).
class TField {
public:
  TField(TTable& ATable, int AIndex) : FTable(&ATable), FIndex(AIndex) {}

  const TFieldDef& Def() const;
  // Character and memo fields as text; memo lines are joined with CR LF. A
  // logical field reads "True" or "False".
  std::string AsString() const;
  // A memo field as its lines (an empty memo has none).
  TStringList AsLines() const;
  // A logical field (stored as 1 or 0).
  bool AsBoolean() const;

  // Setting requires the edit or insert state. Character values longer than
  // the field's width are cut to it (never inside a UTF-8 sequence); memo text
  // is kept with CR LF line ends; a logical field takes 1/0, True/False, Yes/No.
  void SetAsString(const std::string& Value);
  void SetAsLines(const TStringList& Lines);
  void SetAsBoolean(bool Value);

private:
  TTable* FTable;
  int FIndex;
};

// A cursor over one table of the mail store: rows in the order of the current
// index (ties in the order the rows were written), read and written through
// the current row. Each row has a record id that never changes and is never
// reused, so a list entry can always reach its own row.
class TTable {
public:
  TTable(TDatabase& ADatabase, const TTableDef& ADef);
  ~TTable();
  TTable(const TTable&) = delete;
  TTable& operator=(const TTable&) = delete;

  // Opens the table; raises ETableError when it does not exist in the database.
  void Open();
  bool Active() const;
  const TTableDef& Definition() const { return FDef; }
  // The database the table lives in: for transactions across its tables, and
  // for another cursor over the same table.
  TDatabase& Database() const { return FDatabase; }

  // The index that orders the rows and that FindKey searches; empty = record id order.
  const std::string& IndexName() const { return FIndexName; }
  void SetIndexName(const std::string& Name);

  void First();
  // Moves to the next row; on the last row it sets Eof and stays on that row.
  void Next();
  // True after Next was called on the last row, or when the table is empty.
  bool Eof() const;
  int RecordCount();

  // The record id of the current row, 0 when there is none.
  std::int64_t RecordId() const;
  // Moves the cursor to the row with this record id; false (cursor unchanged) when there is none.
  bool GotoRecord(std::int64_t Id);
  // Moves to the first row, in index order, whose index field equals Value exactly.
  bool FindKey(const std::string& Value);

  TField FieldByName(const std::string& Name);

  // A new empty row to be filled and posted; Insert is the same for this engine.
  // Moving the cursor or starting a new row while a row is being edited or
  // inserted posts that row first when a field was set, else cancels it.
  void Append();
  void Insert();
  // Puts the current row into edit mode.
  void Edit();
  // Writes the row being edited or inserted; the cursor stays on it. Does
  // nothing while browsing.
  void Post();
  // Drops the changes of the row being edited or inserted.
  void Cancel();
  // Deletes the current row; the cursor moves to the next row (or the last one).
  // A row being inserted is dropped instead.
  void Delete();

  TDataSetState State() const { return FState; }

  // Cached updates hold every written row in one transaction until applied.
  // Only one table of a database can hold them at a time; writes through other
  // tables of the same database are refused meanwhile, unless they joined the
  // batch (JoinCachedUpdates). Switching caching off drops the rows not applied.
  bool CachedUpdates() const { return FCachedUpdates; }
  void SetCachedUpdates(bool Value);
  // Makes the held rows durable; caching stays on for the next batch.
  void ApplyUpdates();
  // Ends the cached batch after ApplyUpdates (kept for the flows that call both).
  void CommitUpdates();
  // Throws the held rows away.
  void CancelUpdates();
  // Writes through this table while Host holds cached updates become part of
  // Host's batch: durable with Host's ApplyUpdates, gone with its
  // CancelUpdates or when its caching is switched off, so rows of two tables
  // can never be durable one without the other. Without a batch of Host's,
  // writes are durable on return as always. nullptr leaves the batch; Host
  // must outlive this table or be left first.
  void JoinCachedUpdates(TTable* Host) { FBatchHost = Host; }

  // Called whenever State changes.
  std::function<void(TTable* Sender)> OnStateChange;

private:
  friend class TField;
  struct TImpl;

  std::string ReadField(int Index);
  void WriteField(int Index, std::string Value);
  void SetState(TDataSetState Value);
  void CheckActive() const;
  // Posts or cancels a row left in edit or insert mode before the cursor moves.
  void CheckBrowseMode();
  // Re-reads the current row after a write anywhere in the database; true
  // when that row was gone and the cursor moved on to the one that followed it.
  bool Sync();
  void BeginBatch();
  void EndBatch();
  void SetBatchOpen(bool Open);
  // Runs the statements of one row write as a unit.
  void RunWrite(const std::function<void()>& Body);

  TDatabase& FDatabase;
  TTableDef FDef;
  std::string FIndexName;
  TDataSetState FState = TDataSetState::dsInactive;
  bool FCachedUpdates = false;
  TTable* FBatchHost = nullptr;  // whose cached batch this table's writes join
  std::unique_ptr<TImpl> FImpl;
};
