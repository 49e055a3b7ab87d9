#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QList>
#include <QStringList>
#include <QTreeView>

#include <cstdint>
#include <map>
#include <vector>

// One row of a folder list: the first column's text, the texts of the other
// columns, a row icon and a state icon (-1 for none), and the record it shows.
struct TListItem {
  QString Caption;
  QStringList SubItems;
  int ImageIndex = -1;
  int StateIndex = -1;
  std::int64_t RecordId = 0;
};

// The rows of a list view, shown as a table of columns.
class TListItemsModel : public QAbstractTableModel {
  Q_OBJECT
public:
  using QAbstractTableModel::QAbstractTableModel;

  void SetColumns(const QStringList& Captions);
  void SetImages(const QList<QIcon>& RowIcons, const QList<QIcon>& StateIcons);
  void SetItems(std::vector<TListItem> Items);
  // Adds Item after the last row, or in caption order while the rows are kept sorted.
  void AddItem(TListItem Item);
  // Keeps the rows in the order of one column's texts (locale-aware,
  // case-sensitive; rows with equal texts keep their order), also the rows
  // added later; the rows are sorted at once. Column -1: the order they came in.
  void SetSortColumn(int Column, Qt::SortOrder Order);
  int SortColumn() const { return FSortColumn; }
  Qt::SortOrder SortOrder() const { return FSortOrder; }
  const std::vector<TListItem>& Items() const { return FItems; }
  void SetImageIndex(int Row, int Index);
  // Rows whose row icon is Index are shown in bold (-1: none).
  void SetBoldImage(int Index) { FBoldImage = Index; }

  int rowCount(const QModelIndex& Parent = {}) const override;
  int columnCount(const QModelIndex& Parent = {}) const override;
  QVariant data(const QModelIndex& Index, int Role) const override;
  QVariant headerData(int Section, Qt::Orientation Orientation, int Role) const override;

private:
  // The state icon and the row icon side by side, made once per pair.
  QIcon Decoration(int StateIndex, int ImageIndex) const;
  // Whether A comes before B in the kept order.
  bool Before(const TListItem& A, const TListItem& B) const;
  // Puts the rows into the kept order; selections and current rows follow their rows.
  void SortRows();

  int FSortColumn = -1;
  Qt::SortOrder FSortOrder = Qt::AscendingOrder;
  int FBoldImage = -1;
  QStringList FColumns;
  QList<QIcon> FRowIcons;
  QList<QIcon> FStateIcons;
  std::vector<TListItem> FItems;
  mutable std::map<std::pair<int, int>, QIcon> FDecorations;
};

// A report-style list of messages: several rows may be selected, and the
// first selected row is the one the message commands act on.
class TListView : public QTreeView {
  Q_OBJECT
public:
  explicit TListView(QWidget* Parent = nullptr);

  // Column captions and widths in pixels.
  void SetColumns(const std::vector<std::pair<QString, int>>& Columns);
  // Widens a column, when needed, so that Text fits in it whole.
  void FitColumnToText(int Column, const QString& Text);
  void SetImages(const QList<QIcon>& RowIcons, const QList<QIcon>& StateIcons);

  // Replaces all rows at once; the selection is cleared.
  void SetItems(std::vector<TListItem> Items);
  void AddItem(TListItem Item) { FModel.AddItem(std::move(Item)); }
  // The keep-sorted-by-subject mode: rows in caption order, also those added later.
  void SetSortedByCaption(bool Value) { SetSortColumn(Value ? 0 : -1, Qt::AscendingOrder); }
  bool SortedByCaption() const { return FModel.SortColumn() == 0 && FModel.SortOrder() == Qt::AscendingOrder; }
  // Keeps the rows in the order of Column (-1: the order they came in); the
  // header shows it. Clicking a column's header sorts by it, clicking it again
  // reverses the order.
  void SetSortColumn(int Column, Qt::SortOrder Order);
  // Rows whose row icon is Index are shown in bold: the unread ones.
  void SetBoldImage(int Index) { FModel.SetBoldImage(Index); }
  void Clear() { SetItems({}); }
  int Count() const { return static_cast<int>(FModel.Items().size()); }
  const TListItem& Item(int Row) const { return FModel.Items()[static_cast<std::size_t>(Row)]; }
  void SetImageIndex(int Row, int Index) { FModel.SetImageIndex(Row, Index); }

  // The selected rows in list order; Selected is the first of them, or -1.
  std::vector<int> SelectedRows() const;
  int Selected() const;
  // Makes Row the only selected row.
  void SelectRow(int Row);

signals:
  // The selection or the current row changed.
  void Change();
  void Click();
  void DblClick();

private:
  TListItemsModel FModel;
};
