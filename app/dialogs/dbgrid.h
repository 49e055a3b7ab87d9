#pragma once

#include <QTableWidget>
#include <QWidget>

#include <cstdint>
#include <string>
#include <vector>

class QToolButton;
class TTable;

// A grid bound to an open table: one row per record in the order of the
// table's current index, one column per field, cells editable in place. The
// current row is the table's current record. An edited or inserted row is
// written when another row becomes current or PostEdits runs; the rows are
// then listed again in index order, so a row whose key was edited moves to
// its place.
class TDBGrid : public QTableWidget {
  Q_OBJECT
public:
  // A column: the field it shows and edits, and its caption.
  struct TColumn {
    std::string Field;
    QString Caption;
  };

  // Table must stay open as long as the grid lives; call Refill to show its rows.
  TDBGrid(TTable& Table, std::vector<TColumn> Columns, QWidget* Parent = nullptr);

  // Lists every record again; the table's current record stays current.
  void Refill();
  // Writes the row being edited or inserted (a new row nothing was typed
  // into is dropped) and lists the records again.
  void PostEdits();

  // The navigator's moves.
  void First();
  void Prior();
  void Next();
  void Last();
  // A new empty row before the current one, for typing in place.
  void InsertRecord();
  // Removes the current record (or drops the row being inserted).
  void DeleteRecord();

  // The record id of each row, in grid order; 0 for a row being inserted.
  const std::vector<std::int64_t>& RecordIds() const { return FIds; }

private:
  void CurrentRowChanged(int Row, int PreviousRow);
  void CellEdited(QTableWidgetItem* Item);
  // Rebuilds the rows and makes the record Wanted current (else the nearest row).
  void Fill(std::int64_t Wanted);
  // The navigator's way to another row: a pending edit is written first.
  void MoveTo(int Row);
  bool Editing() const;
  // Posts or drops the row being edited or inserted.
  void Commit();

  TTable& FTable;
  std::vector<TColumn> FColumns;
  std::vector<std::int64_t> FIds;
  bool FFilling = false;
  // A cell of the row being edited or inserted was changed.
  bool FTyped = false;
};

// The record navigator bound to a grid: first, prior, next, last, insert
// and delete. Delete asks the standard question first.
class TDBNavigator : public QWidget {
  Q_OBJECT
public:
  TDBNavigator(TDBGrid& Grid, QWidget* Parent = nullptr);

  // The buttons, each with a hint and an accessible name saying what it does.
  QToolButton *FirstButton, *PriorButton, *NextButton, *LastButton, *InsertButton, *DeleteButton;
};
