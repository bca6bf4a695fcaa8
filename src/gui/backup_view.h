// The copy view (CBackupFormView): copies the selected libraries into a folder of the user's choice
// as a self-contained album; the main library stays as it was.
#pragma once

#include "gui/move_view.h"

namespace orrivan::gui {

class CBackupFormView : public TransferFormView {
  Q_OBJECT
 public:
  CBackupFormView(ViewContext& context, QWidget* parent);
  QPushButton* CopyButton() const { return button_; }

 protected:
  // The main library is unchanged: the selection stays.
  std::vector<std::string> KeptSelection(const std::vector<std::string>& selected,
                                         const TransferReport&) const override {
    return selected;
  }
};

}  // namespace orrivan::gui
