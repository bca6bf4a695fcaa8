// The library list of the maintenance views as a Qt model: the engine's CLibraryList (rows, sorting,
// counter, widths) shown through a QTableView. The model itself needs no window.
#pragma once

#include <QAbstractTableModel>
#include <array>
#include <string>
#include <vector>

#include "maintenance/library_list.h"

namespace orrivan {
class CRKCardAlbumDoc;
}

namespace orrivan::gui {

class LibraryListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit LibraryListModel(QObject* parent = nullptr);

  // Rows of the album's day records in album order (an earlier sort is forgotten).
  void Load(const CRKCardAlbumDoc& album);
  const LibraryRow& Row(int row) const { return list_.Rows()[static_cast<size_t>(row)]; }
  const CLibraryList& List() const { return list_; }
  // The row of a stored folder path, -1 when none.
  int RowOfFolder(const std::string& folderPath) const;

  // A click on a heading: sorts by that column's text ignoring case, turning the order round on the
  // next click of the same heading. False (nothing changes) while a run is busy. Persistent indexes
  // follow their rows.
  bool SortByColumn(int column);
  int SortColumn() const { return sortColumn_; }
  bool Ascending() const { return ascending_; }

  // The counter beside the list: N + "件".
  QString CounterText() const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  static Qt::Alignment AlignmentOf(int column);

 private:
  CLibraryList list_;
  int sortColumn_ = -1;
  bool ascending_ = false;
};

}  // namespace orrivan::gui
