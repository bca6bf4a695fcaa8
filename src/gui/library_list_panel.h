// The library list as the four maintenance views show it: the table of libraries (headings that
// sort, widths kept in "WinPositon"), the counter, and the preview check box with the selected
// library's sample picture beside the list.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QTableView>
#include <QWidget>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "base/settings.h"
#include "gui/library_list_model.h"

namespace orrivan::gui {

class LibraryListPanel : public QWidget {
  Q_OBJECT
 public:
  // previewKey: the setting that keeps the preview check box ("PreviewPicMove", ...); without one
  // the panel has no preview.
  LibraryListPanel(std::optional<settings::Key> previewKey, QWidget* parent);
  // Writes the column widths and the preview state back (the last view closed wins).
  ~LibraryListPanel() override;

  // Rows from the album again; the rows whose folders are given are selected afterwards, the first
  // of them current.
  void Reload(const CRKCardAlbumDoc& album, const std::vector<std::string>& select = {});

  // Stored folder paths of the selected rows, in list order.
  std::vector<std::string> SelectedFolders() const;
  std::vector<int> SelectedRows() const;
  // The current (focused) row when it is selected, else -1.
  int CurrentRow() const;
  void SelectFolders(const std::vector<std::string>& folders);

  QTableView* Table() const { return table_; }
  LibraryListModel* Model() const { return model_; }
  QLabel* Counter() const { return counter_; }
  QCheckBox* PreviewBox() const { return previewBox_; }
  QLabel* Preview() const { return preview_; }
  // The sample picture shown now (empty when none).
  QString PreviewFile() const { return previewFile_; }

  std::array<int, kLibraryColumns> ColumnWidths() const;

 signals:
  void SelectionChanged();

 private:
  void OnHeaderClicked(int column);
  void ShowPreview();

  std::optional<settings::Key> previewKey_;
  LibraryListModel* model_;
  QTableView* table_;
  QLabel* counter_;
  QCheckBox* previewBox_;
  QLabel* preview_;
  QString previewFile_;
  const CRKCardAlbumDoc* album_ = nullptr;
};

// The preview file of a picture record (its PREVIEW twin), or empty when there is none on disk.
QString PreviewFileOf(const std::string& storedPicturePath);
// Picture records of a day folder, in album order.
std::vector<std::string> PicturesOfLibrary(const CRKCardAlbumDoc& album, const std::string& folderPath);

}  // namespace orrivan::gui
