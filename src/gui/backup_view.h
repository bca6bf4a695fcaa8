// The copy view (CBackupFormView): copies the selected libraries into a folder of the user's choice
// as a self-contained album; the main library stays as it was.
#pragma once

#include "gui/library_list_view.h"
#include "maintenance/transfer.h"

namespace orrivan::gui {

class CBackupFormView : public LibraryListView {
  Q_OBJECT
 public:
  CBackupFormView(ViewContext& context, QWidget* parent);
  QPushButton* CopyButton() const { return copy_; }
  const TransferReport& LastReport() const { return last_; }

 protected:
  void UpdateButtons() override;

 private:
  void OnCopy();

  QPushButton* copy_;
  TransferReport last_;
};

}  // namespace orrivan::gui
