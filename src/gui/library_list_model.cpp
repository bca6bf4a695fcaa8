#include "gui/library_list_model.h"

#include <map>

#include "gui/form_view.h"
#include "library/layout.h"
#include "maintenance/library_tree.h"

namespace orrivan::gui {

LibraryListModel::LibraryListModel(QObject* parent) : QAbstractTableModel(parent) {}

void LibraryListModel::Load(const CRKCardAlbumDoc& album) {
  beginResetModel();
  list_.Load(album);
  sortColumn_ = -1;
  ascending_ = false;
  endResetModel();
}

int LibraryListModel::RowOfFolder(const std::string& folderPath) const {
  const auto& rows = list_.Rows();
  for (size_t i = 0; i < rows.size(); ++i)
    if (layout::PathsEqual(rows[i].folderPath, folderPath)) return static_cast<int>(i);
  return -1;
}

bool LibraryListModel::SortByColumn(int column) {
  if (column < 0 || column >= kLibraryColumns || g_busy > 0 || g_maintenanceBusy) return false;
  // Rows are told apart by their folder path, the key every operation uses.
  const QModelIndexList before = persistentIndexList();
  std::vector<std::string> keys;
  keys.reserve(static_cast<size_t>(before.size()));
  for (const QModelIndex& index : before) keys.push_back(index.isValid() ? Row(index.row()).folderPath : std::string());

  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  list_.SortByColumn(column);
  ascending_ = column == sortColumn_ ? !ascending_ : true;
  sortColumn_ = column;
  std::map<std::string, int> rowOf;
  for (int i = 0; i < rowCount(); ++i) rowOf.emplace(Row(i).folderPath, i);
  QModelIndexList after;
  after.reserve(before.size());
  for (qsizetype i = 0; i < before.size(); ++i) {
    const auto found = rowOf.find(keys[static_cast<size_t>(i)]);
    after.push_back(before[i].isValid() && found != rowOf.end() ? index(found->second, before[i].column())
                                                                  : QModelIndex());
  }
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
  return true;
}

QString LibraryListModel::CounterText() const { return QString::fromStdString(list_.CounterText()); }

int LibraryListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(list_.Size());
}

int LibraryListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kLibraryColumns; }

Qt::Alignment LibraryListModel::AlignmentOf(int column) {
  switch (LibraryColumns()[static_cast<size_t>(column)].align) {
    case ColumnAlign::Centre: return Qt::AlignCenter;
    case ColumnAlign::Right: return Qt::AlignRight | Qt::AlignVCenter;
    case ColumnAlign::Left: break;
  }
  return Qt::AlignLeft | Qt::AlignVCenter;
}

QVariant LibraryListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount() || index.column() >= kLibraryColumns) return {};
  const LibraryRow& row = Row(index.row());
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(row.text[static_cast<size_t>(index.column())]);
    case Qt::ToolTipRole:
      // The folder path is often wider than its column.
      return index.column() == 4 ? QString::fromStdString(row.folderPath) : QVariant();
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(AlignmentOf(index.column()));
    default:
      return {};
  }
}

QVariant LibraryListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kLibraryColumns) return {};
  if (role == Qt::DisplayRole) return QString::fromUtf8(LibraryColumns()[static_cast<size_t>(section)].heading);
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(AlignmentOf(section));
  return {};
}

}  // namespace orrivan::gui
