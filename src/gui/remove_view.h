// The erase view (CRemoveFormView): erases the selected libraries, or the images marked in the strip
// of the one selected library. The engine asks every question (the confirmation, the four-button
// question per library, the read-only question) and sends the files to the Trash.
#pragma once

#include <QListWidget>
#include <string>
#include <vector>

#include "gui/library_list_view.h"
#include "maintenance/erase.h"

namespace orrivan::gui {

class CRemoveFormView : public LibraryListView {
  Q_OBJECT
 public:
  CRemoveFormView(ViewContext& context, QWidget* parent);

  QPushButton* EraseButton() const { return erase_; }
  QPushButton* EraseImagesButton() const { return eraseImages_; }
  // The pictures of the selected library; checked items are the images to erase.
  QListWidget* Strip() const { return strip_; }
  // Marks the strip's item of a picture (by file name, case-insensitive); false when none.
  bool MarkImage(const std::string& fileName, bool marked = true);

  const EraseLibrariesReport& LastLibrariesReport() const { return lastLibraries_; }
  const EraseImagesReport& LastImagesReport() const { return lastImages_; }

 protected:
  void UpdateButtons() override;

 private:
  void OnEraseLibraries();
  void OnEraseImages();
  // The strip shows the pictures of the one selected library (empty otherwise).
  void FillStrip();
  std::vector<std::string> MarkedImages() const;

  QPushButton* erase_;
  QPushButton* eraseImages_;
  QLabel* stripLabel_;
  QListWidget* strip_;
  std::string stripFolder_;
  EraseLibrariesReport lastLibraries_;
  EraseImagesReport lastImages_;
};

}  // namespace orrivan::gui
