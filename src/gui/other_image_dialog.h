// "その他画像の取込": the user gathers up to ten folders from a folder tree, may preview their
// pictures and movies (a movie by its first frame, decoded in memory), and chooses copy, move or a
// shortcut to the originals. The folder list and its checks are the engine's (COtherFolderList).
#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTreeView>
#include <filesystem>
#include <vector>

#include "base/interaction.h"
#include "import/other_import.h"

namespace orrivan::gui {

class COtherImageDialog : public QDialog {
  Q_OBJECT
 public:
  COtherImageDialog(Interaction& ui, QWidget* parent);
  ~COtherImageDialog() override;

  // Adds a folder as "追加(&A)>>" does (with its refusal box); true when it was added.
  bool AddFolder(const std::filesystem::path& folder);
  // Shows a folder in the tree and selects it.
  void SelectInTree(const std::filesystem::path& folder);

  const std::vector<std::filesystem::path>& Folders() const { return list_.Folders(); }
  // The transfer mode chosen: kTransferCopy, kTransferMove or kTransferShortcut.
  int TransferMode() const;
  // The file the preview pane shows (empty when none).
  std::filesystem::path PreviewFile() const;
  // What the pane shows now (null when cleared).
  QPixmap PreviewPixmap() const;

  QTreeView* Tree() const { return tree_; }
  QListWidget* List() const { return folders_; }
  QCheckBox* PreviewCheck() const { return preview_; }
  QPushButton* AddButton() const { return add_; }
  QPushButton* RemoveButton() const { return remove_; }
  QPushButton* PreviousButton() const { return previous_; }
  QPushButton* NextButton() const { return next_; }
  QPushButton* ImportButton() const { return import_; }
  QPushButton* CancelButton() const { return cancel_; }
  QButtonGroup* TransferChoice() const { return transfer_; }

  void accept() override;
  void done(int result) override;

 private:
  void OnAdd();
  void OnRemove();
  void Step(int by);
  void RefreshFiles();
  void ShowPreview();
  void UpdateButtons();
  std::filesystem::path TreeFolder() const;

  Interaction& ui_;
  COtherFolderList list_;
  std::vector<std::filesystem::path> files_;
  size_t shown_ = 0;
  QFileSystemModel* model_;
  QTreeView* tree_;
  QListWidget* folders_;
  QCheckBox* preview_;
  QLabel* pane_;
  QLabel* paneName_;
  QPushButton* add_;
  QPushButton* remove_;
  QPushButton* previous_;
  QPushButton* next_;
  QPushButton* import_;
  QPushButton* cancel_;
  QButtonGroup* transfer_;
};

}  // namespace orrivan::gui
