#include "dbgrid.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QToolButton>

#include <algorithm>

#include "platform/table/table.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/handler.h"

namespace {

// Sets a flag for the length of a scope: the grid's own changes to its rows
// and current cell are not edits of the user's.
class TFlagScope {
public:
  explicit TFlagScope(bool& Flag) : FFlag(Flag), FOld(Flag) { FFlag = true; }
  ~TFlagScope() { FFlag = FOld; }

private:
  bool& FFlag;
  bool FOld;
};

}  // namespace

TDBGrid::TDBGrid(TTable& Table, std::vector<TColumn> Columns, QWidget* Parent)
    : QTableWidget(Parent), FTable(Table), FColumns(std::move(Columns)) {
  setColumnCount(static_cast<int>(FColumns.size()));
  QStringList Captions;
  for (const TColumn& Column : FColumns) Captions << Column.Caption;
  setHorizontalHeaderLabels(Captions);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  // A double-click is the window's to handle; typing or F2 edits a cell.
  setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed |
                  QAbstractItemView::SelectedClicked);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);

  connect(this, &QTableWidget::currentCellChanged, this, [this](int Row, int, int PreviousRow, int) {
    ui::RunHandler([&] { CurrentRowChanged(Row, PreviousRow); });
  });
  connect(this, &QTableWidget::itemChanged, this,
          [this](QTableWidgetItem* Item) { ui::RunHandler([&] { CellEdited(Item); }); });
}

bool TDBGrid::Editing() const {
  return FTable.State() == TDataSetState::dsEdit || FTable.State() == TDataSetState::dsInsert;
}

void TDBGrid::Commit() {
  if (!Editing()) return;
  if (FTyped)
    FTable.Post();
  else
    FTable.Cancel();
  FTyped = false;
}

void TDBGrid::Refill() {
  Commit();
  Fill(FTable.RecordId());
}

void TDBGrid::PostEdits() {
  if (!Editing()) return;
  Refill();
}

void TDBGrid::Fill(std::int64_t Wanted) {
  TFlagScope Filling(FFilling);
  const int OldRow = currentRow();
  const int Column = std::max(currentColumn(), 0);
  FIds.clear();
  std::vector<QStringList> Rows;
  for (FTable.First(); !FTable.Eof() && FTable.RecordId() != 0; FTable.Next()) {
    FIds.push_back(FTable.RecordId());
    QStringList Cells;
    for (const TColumn& C : FColumns) Cells << QString::fromStdString(FTable.FieldByName(C.Field).AsString());
    Rows.push_back(std::move(Cells));
  }
  clearContents();
  setRowCount(static_cast<int>(Rows.size()));
  for (int Row = 0; Row < rowCount(); ++Row)
    for (int Col = 0; Col < columnCount(); ++Col) setItem(Row, Col, new QTableWidgetItem(Rows[Row][Col]));
  if (FIds.empty()) return;

  // The wanted record, else the row that took the old row's place.
  const auto Found = std::find(FIds.begin(), FIds.end(), Wanted);
  const int Row = Found != FIds.end() ? static_cast<int>(Found - FIds.begin())
                                      : std::clamp(OldRow, 0, static_cast<int>(FIds.size()) - 1);
  FTable.GotoRecord(FIds[Row]);
  setCurrentCell(Row, Column);
}

void TDBGrid::CurrentRowChanged(int Row, int PreviousRow) {
  if (FFilling || Row == PreviousRow || Row < 0 || Row >= static_cast<int>(FIds.size())) return;
  const std::int64_t Wanted = FIds[static_cast<std::size_t>(Row)];
  if (!Editing()) {
    if (Wanted != 0) FTable.GotoRecord(Wanted);
    return;
  }
  // Leaving a changed row writes it, which may change the order. The rows
  // are listed again once the grid has finished moving its current cell:
  // it must not lose its rows while it does.
  Commit();
  if (Wanted != 0) FTable.GotoRecord(Wanted);
  QMetaObject::invokeMethod(
      this, [this] { ui::RunHandler([this] { if (!Editing()) Fill(FTable.RecordId()); }); },
      Qt::QueuedConnection);
}

void TDBGrid::CellEdited(QTableWidgetItem* Item) {
  if (FFilling) return;
  const std::size_t Row = static_cast<std::size_t>(Item->row());
  if (Row >= FIds.size()) return;
  const std::int64_t Id = FIds[Row];
  if (Id != 0 && FTable.State() == TDataSetState::dsBrowse) {
    if (FTable.RecordId() != Id) FTable.GotoRecord(Id);
    FTable.Edit();
  }
  if (!Editing()) return;
  TField Field = FTable.FieldByName(FColumns[static_cast<std::size_t>(Item->column())].Field);
  Field.SetAsString(Item->text().toStdString());
  FTyped = true;
  // The cell shows what the field holds: a long value is cut to the field's width.
  TFlagScope Filling(FFilling);
  Item->setText(QString::fromStdString(Field.AsString()));
}

void TDBGrid::MoveTo(int Row) {
  if (Row < 0 || Row >= rowCount()) return;
  if (Editing()) {
    const std::int64_t Wanted = FIds[static_cast<std::size_t>(Row)];
    Commit();
    Fill(Wanted);
    return;
  }
  setCurrentCell(Row, std::max(currentColumn(), 0));
}

void TDBGrid::First() { MoveTo(0); }
void TDBGrid::Prior() { MoveTo(currentRow() - 1); }
void TDBGrid::Next() { MoveTo(currentRow() + 1); }
void TDBGrid::Last() { MoveTo(rowCount() - 1); }

void TDBGrid::InsertRecord() {
  PostEdits();
  const int Row = std::max(currentRow(), 0);
  FTable.Insert();
  FTyped = false;
  TFlagScope Filling(FFilling);
  insertRow(Row);
  FIds.insert(FIds.begin() + Row, 0);
  for (int Col = 0; Col < columnCount(); ++Col) setItem(Row, Col, new QTableWidgetItem);
  setCurrentCell(Row, std::max(currentColumn(), 0));
}

void TDBGrid::DeleteRecord() {
  const bool Inserting = FTable.State() == TDataSetState::dsInsert;
  // An unsaved change of the row goes with it.
  FTable.Cancel();
  FTyped = false;
  if (!Inserting && FTable.RecordId() != 0) FTable.Delete();
  Fill(FTable.RecordId());
}

TDBNavigator::TDBNavigator(TDBGrid& Grid, QWidget* Parent) : QWidget(Parent) {
  auto* Layout = new QHBoxLayout(this);
  Layout->setContentsMargins(0, 0, 0, 0);
  Layout->setSpacing(0);
  auto Button = [&](const char* Name, const QString& Glyph, const QString& Hint, auto Action) {
    auto* B = new QToolButton;
    B->setObjectName(Name);
    B->setText(Glyph);
    B->setToolTip(Hint);
    B->setAccessibleName(Hint);
    B->setMinimumWidth(32);
    Layout->addWidget(B);
    connect(B, &QToolButton::clicked, this, ui::Guarded(Action));
    return B;
  };
  TDBGrid* G = &Grid;
  FirstButton = Button("FirstButton", "|<", "First record", [G] { G->First(); });
  PriorButton = Button("PriorButton", "<", "Prior record", [G] { G->Prior(); });
  NextButton = Button("NextButton", ">", "Next record", [G] { G->Next(); });
  LastButton = Button("LastButton", ">|", "Last record", [G] { G->Last(); });
  InsertButton = Button("InsertButton", "+", "Insert record", [G] { G->InsertRecord(); });
  DeleteButton = Button("DeleteButton", "-", "Delete record", [G] {
    if (ui::Confirm("Delete record?")) G->DeleteRecord();
  });
  Layout->addStretch(1);
}
