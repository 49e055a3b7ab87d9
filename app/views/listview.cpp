#include "listview.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

#include <algorithm>

namespace {
constexpr int IconSize = 16;

// The text of Column in Item.
const QString& ColumnText(const TListItem& Item, int Column) {
  static const QString None;
  if (Column == 0) return Item.Caption;
  return Column - 1 < Item.SubItems.size() ? Item.SubItems[Column - 1] : None;
}
}  // namespace

void TListItemsModel::SetColumns(const QStringList& Captions) {
  beginResetModel();
  FColumns = Captions;
  endResetModel();
}

void TListItemsModel::SetImages(const QList<QIcon>& RowIcons, const QList<QIcon>& StateIcons) {
  FRowIcons = RowIcons;
  FStateIcons = StateIcons;
  FDecorations.clear();
}

void TListItemsModel::SetItems(std::vector<TListItem> Items) {
  beginResetModel();
  FItems = std::move(Items);
  const auto Before = [this](const TListItem& A, const TListItem& B) { return this->Before(A, B); };
  if (FSortColumn >= 0) std::stable_sort(FItems.begin(), FItems.end(), Before);
  endResetModel();
}

void TListItemsModel::AddItem(TListItem Item) {
  // A sorted list takes the row after those that do not come after it.
  const auto Before = [this](const TListItem& A, const TListItem& B) { return this->Before(A, B); };
  const auto Place = FSortColumn >= 0 ? std::upper_bound(FItems.begin(), FItems.end(), Item, Before) : FItems.end();
  const int Row = static_cast<int>(Place - FItems.begin());
  beginInsertRows({}, Row, Row);
  FItems.insert(Place, std::move(Item));
  endInsertRows();
}

void TListItemsModel::SetSortColumn(int Column, Qt::SortOrder Order) {
  FSortColumn = Column;
  FSortOrder = Order;
  if (Column >= 0) SortRows();
}

bool TListItemsModel::Before(const TListItem& A, const TListItem& B) const {
  const int Compared = QString::localeAwareCompare(ColumnText(A, FSortColumn), ColumnText(B, FSortColumn));
  return FSortOrder == Qt::AscendingOrder ? Compared < 0 : Compared > 0;
}

void TListItemsModel::SortRows() {
  std::vector<int> Order(FItems.size());
  for (std::size_t I = 0; I < Order.size(); ++I) Order[I] = static_cast<int>(I);
  std::stable_sort(Order.begin(), Order.end(), [this](int A, int B) {
    return Before(FItems[static_cast<std::size_t>(A)], FItems[static_cast<std::size_t>(B)]);
  });
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  std::vector<TListItem> Sorted;
  Sorted.reserve(FItems.size());
  std::vector<int> NewRow(FItems.size());
  for (std::size_t I = 0; I < Order.size(); ++I) {
    Sorted.push_back(std::move(FItems[static_cast<std::size_t>(Order[I])]));
    NewRow[static_cast<std::size_t>(Order[I])] = static_cast<int>(I);
  }
  FItems = std::move(Sorted);
  const QModelIndexList Before = persistentIndexList();
  QModelIndexList After;
  for (const QModelIndex& Index : Before) After << index(NewRow[static_cast<std::size_t>(Index.row())], Index.column());
  changePersistentIndexList(Before, After);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TListItemsModel::SetImageIndex(int Row, int Index) {
  if (Row < 0 || Row >= rowCount()) return;
  FItems[static_cast<std::size_t>(Row)].ImageIndex = Index;
  emit dataChanged(index(Row, 0), index(Row, columnCount() - 1), {Qt::DecorationRole, Qt::FontRole});
}

int TListItemsModel::rowCount(const QModelIndex& Parent) const {
  return Parent.isValid() ? 0 : static_cast<int>(FItems.size());
}

int TListItemsModel::columnCount(const QModelIndex& Parent) const {
  return Parent.isValid() ? 0 : static_cast<int>(FColumns.size());
}

QVariant TListItemsModel::data(const QModelIndex& Index, int Role) const {
  if (!Index.isValid()) return {};
  const TListItem& Item = FItems[static_cast<std::size_t>(Index.row())];
  if (Role == Qt::DisplayRole) {
    if (Index.column() == 0) return Item.Caption;
    const int Sub = Index.column() - 1;
    return Sub < Item.SubItems.size() ? Item.SubItems[Sub] : QString();
  }
  if (Role == Qt::DecorationRole && Index.column() == 0) return Decoration(Item.StateIndex, Item.ImageIndex);
  if (Role == Qt::FontRole && FBoldImage >= 0 && Item.ImageIndex == FBoldImage) {
    QFont Bold;
    Bold.setBold(true);
    return Bold;
  }
  return {};
}

QVariant TListItemsModel::headerData(int Section, Qt::Orientation Orientation, int Role) const {
  if (Orientation == Qt::Horizontal && Role == Qt::DisplayRole && Section < FColumns.size()) return FColumns[Section];
  return {};
}

QIcon TListItemsModel::Decoration(int StateIndex, int ImageIndex) const {
  const auto Key = std::make_pair(StateIndex, ImageIndex);
  if (const auto It = FDecorations.find(Key); It != FDecorations.end()) return It->second;
  // A list with state pictures keeps their place free on every row, so the
  // row pictures stay in one column.
  const bool StateColumn = !FStateIcons.isEmpty();
  const bool HasState = StateIndex >= 0 && StateIndex < FStateIcons.size();
  const bool HasImage = ImageIndex >= 0 && ImageIndex < FRowIcons.size();
  QPixmap Picture((StateColumn ? 2 : 1) * IconSize, IconSize);
  Picture.fill(Qt::transparent);
  {
    QPainter Painter(&Picture);
    if (HasState) Painter.drawPixmap(0, 0, FStateIcons[StateIndex].pixmap(IconSize, IconSize));
    if (HasImage) Painter.drawPixmap(StateColumn ? IconSize : 0, 0, FRowIcons[ImageIndex].pixmap(IconSize, IconSize));
  }
  return FDecorations[Key] = QIcon(Picture);
}

TListView::TListView(QWidget* Parent) : QTreeView(Parent), FModel(this) {
  setModel(&FModel);
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setMouseTracking(true);  // hot-tracking: the row under the mouse is highlighted
  setAllColumnsShowFocus(true);
  QFont Small = font();
  Small.setPointSize(8);
  setFont(Small);
  header()->setStretchLastSection(false);
  header()->setSectionsClickable(true);
  connect(header(), &QHeaderView::sectionClicked, this, [this](int Column) {
    const bool Again = FModel.SortColumn() == Column && FModel.SortOrder() == Qt::AscendingOrder;
    SetSortColumn(Column, Again ? Qt::DescendingOrder : Qt::AscendingOrder);
  });

  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &TListView::Change);
  connect(this, &QTreeView::clicked, this, &TListView::Click);
  connect(this, &QTreeView::doubleClicked, this, &TListView::DblClick);
}

void TListView::SetColumns(const std::vector<std::pair<QString, int>>& Columns) {
  QStringList Captions;
  for (const auto& Column : Columns) Captions << Column.first;
  FModel.SetColumns(Captions);
  for (int I = 0; I < static_cast<int>(Columns.size()); ++I) setColumnWidth(I, Columns[static_cast<std::size_t>(I)].second);
}

void TListView::FitColumnToText(int Column, const QString& Text) {
  // A cell keeps a focus-frame margin, and one pixel more, on each side of
  // its text, which may be in bold.
  const int Margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
  QFont Bold = font();
  Bold.setBold(true);
  const int Needed = QFontMetrics(Bold).horizontalAdvance(Text) + 2 * Margin;
  if (columnWidth(Column) < Needed) setColumnWidth(Column, Needed);
}

void TListView::SetImages(const QList<QIcon>& RowIcons, const QList<QIcon>& StateIcons) {
  FModel.SetImages(RowIcons, StateIcons);
  setIconSize(QSize((StateIcons.isEmpty() ? 1 : 2) * IconSize, IconSize));
}

void TListView::SetItems(std::vector<TListItem> Items) { FModel.SetItems(std::move(Items)); }

void TListView::SetSortColumn(int Column, Qt::SortOrder Order) {
  FModel.SetSortColumn(Column, Order);
  header()->setSortIndicatorShown(Column >= 0);
  if (Column >= 0) header()->setSortIndicator(Column, Order);
}

std::vector<int> TListView::SelectedRows() const {
  std::vector<int> Rows;
  for (const QModelIndex& Index : selectionModel()->selectedRows()) Rows.push_back(Index.row());
  std::sort(Rows.begin(), Rows.end());
  return Rows;
}

int TListView::Selected() const {
  const auto Rows = SelectedRows();
  return Rows.empty() ? -1 : Rows.front();
}

void TListView::SelectRow(int Row) {
  const QModelIndex Index = FModel.index(Row, 0);
  selectionModel()->setCurrentIndex(Index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}
