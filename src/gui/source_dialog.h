// The source selection of a card import: the folders found on the left, the folders to import on the
// right, built by moving entries across. The right list's order is the import order.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "base/interaction.h"

class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace orrivan::gui {

class SourceDialog : public QDialog {
  Q_OBJECT
 public:
  SourceDialog(QWidget* parent, const std::string& caption, const std::vector<SourceEntry>& entries);
  // Entry indexes of the import list, top to bottom.
  std::vector<size_t> Order() const;
  // Moves entry index from the found list to the end of the import list; false when it is not there.
  bool Add(size_t index);

  QListWidget* Found() const { return found_; }
  QListWidget* Chosen() const { return chosen_; }
  QPushButton* AddButton() const { return add_; }
  QPushButton* RemoveButton() const { return remove_; }
  QPushButton* ImportButton() const { return import_; }

 private:
  void AddSelected();
  void RemoveSelected();
  void Refresh();
  // Puts the item back into the found list at its place in the original order.
  void ReturnToFound(QListWidgetItem* item);

  QListWidget* found_;
  QListWidget* chosen_;
  QPushButton* add_;
  QPushButton* remove_;
  QPushButton* import_;
};

// Returns the chosen indexes in the user's order; empty = cancelled.
std::vector<size_t> ChooseSourcesDialog(QWidget* parent, const std::string& caption,
                                        const std::vector<SourceEntry>& entries);

}  // namespace orrivan::gui
