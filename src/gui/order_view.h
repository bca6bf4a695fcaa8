// The edit view (COrderFormView): the title of the focused library (the import's title dialog,
// prefilled), and the current page options applied to the selected libraries by rebuilding them.
#pragma once

#include "gui/library_list_view.h"
#include "maintenance/edit.h"

namespace orrivan::gui {

class COrderFormView : public LibraryListView {
  Q_OBJECT
 public:
  COrderFormView(ViewContext& context, QWidget* parent);
  QPushButton* TitleButton() const { return title_; }
  QPushButton* ApplyButton() const { return apply_; }
  const EditTitleReport& LastTitleReport() const { return lastTitle_; }
  const ApplyOptionsReport& LastApplyReport() const { return lastApply_; }

 protected:
  void UpdateButtons() override;

 private:
  void OnEditTitle();
  void OnApplyOptions();

  QPushButton* title_;
  QPushButton* apply_;
  EditTitleReport lastTitle_;
  ApplyOptionsReport lastApply_;
};

}  // namespace orrivan::gui
