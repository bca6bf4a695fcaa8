// The folder dialog of the library relocation: it shows where the library is and how large it is,
// lets the user type or browse for the new folder, and accepts only a folder (not a file) whose disk
// has room for the library. The relocation itself checks no further.
#pragma once

#include <QDialog>
#include <cstdint>
#include <filesystem>
#include <optional>

#include "gui/form_view.h"

class QLineEdit;
class QPushButton;

namespace orrivan::gui {

class CSaveFolderDialog : public QDialog {
  Q_OBJECT
 public:
  CSaveFolderDialog(QWidget* parent, ViewContext& context, const std::filesystem::path& current, int64_t librarySize);

  QLineEdit* FolderEdit() const { return folder_; }
  QPushButton* OkButton() const { return ok_; }
  std::filesystem::path Chosen() const;

  // The checks of OK; false (after telling the user why) when the folder cannot take the library.
  bool Check();

 public slots:
  void accept() override;

 private:
  void Browse();

  ViewContext& context_;
  std::filesystem::path current_;
  int64_t size_;
  QLineEdit* folder_;
  QPushButton* ok_;
};

// Shows the dialog (through the dialog seam); the folder accepted, or nothing for Cancel.
std::optional<std::filesystem::path> ChooseSaveFolder(QWidget* parent, ViewContext& context,
                                                      const std::filesystem::path& current, int64_t librarySize);

}  // namespace orrivan::gui
