// What the four maintenance views share: the navigation column, the heading, the library list with
// its counter and preview, and a row of the view's own buttons under the list. After each operation
// the view reloads the list from the album and updates its counter, the navigation column's count
// and its buttons.
#pragma once

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <string>
#include <vector>

#include "base/interaction.h"
#include "base/strings.h"
#include "gui/form_view.h"
#include "gui/library_list_panel.h"
#include "gui/nav_column.h"

namespace orrivan {
class CRKCardAlbumDoc;
}

namespace orrivan::gui {

class LibraryListView : public FormView {
  Q_OBJECT
 public:
  LibraryListView(ViewContext& context, ViewId id, StrId heading, std::optional<settings::Key> previewKey, QWidget* parent);

  void InitialUpdate() override;
  QWidget* DefaultFocus() override { return list_->Table(); }

  NavColumn* Nav() const { return nav_; }
  LibraryListPanel* List() const { return list_; }

  // Lists names under a heading line, a few at most (the rest counted).
  static std::string NameList(const std::string& heading, const std::vector<std::string>& names);

 protected:
  // A push button of the view's row (caption with its mnemonic; the accessible name is the plain
  // caption), disabled until the selection allows it.
  QPushButton* AddButton(StrId caption, const char* objectName);
  // The layout under the button row, for what a view shows besides the list.
  QVBoxLayout* Form() const { return form_; }

  // Enables the buttons for the selection now. Also called after every Refresh.
  virtual void UpdateButtons() = 0;

  // After an operation: the list from the album again (the given folders selected), the counters
  // and the buttons; the list takes the focus.
  void Refresh(const std::vector<std::string>& select = {});

  // True when no handler runs and no work is under way; a handler that finds the program busy does
  // nothing.
  bool Idle() const;
  CRKCardAlbumDoc& Album();

  // A message box with the product name as caption.
  void Tell(const std::string& text, Icon icon);
 private:
  NavColumn* nav_;
  LibraryListPanel* list_;
  QHBoxLayout* buttons_;
  QVBoxLayout* form_;
};

}  // namespace orrivan::gui
