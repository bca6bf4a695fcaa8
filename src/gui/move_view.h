// The move view (CMoveFormView): moves the selected libraries into a folder of the user's choice,
// which becomes a self-contained album; the main library loses them.
#pragma once

#include "gui/library_list_view.h"
#include "maintenance/transfer.h"

namespace orrivan::gui {

class CMoveFormView : public LibraryListView {
  Q_OBJECT
 public:
  CMoveFormView(ViewContext& context, QWidget* parent);
  QPushButton* MoveButton() const { return move_; }
  const TransferReport& LastReport() const { return last_; }

 protected:
  void UpdateButtons() override;

 private:
  void OnMove();

  QPushButton* move_;
  TransferReport last_;
};

// What the move and backup views share: the destination asked and checked (a folder that does not
// exist or cannot be written is refused with a message and asked again), the selected libraries
// whose folders have vanished (refused before anything moves), and the report after the run.
namespace transfer_view {

std::optional<std::filesystem::path> AskCheckedDestination(QWidget* parent, Interaction& ui, bool move);
// True when every selected library's folder is there; otherwise tells which are not.
bool FoldersPresent(Interaction& ui, const std::vector<std::string>& selected);
// After a run that stopped: which libraries reached the destination, and that the others stayed.
void TellOutcome(Interaction& ui, const TransferReport& report, bool move);

}  // namespace transfer_view

}  // namespace orrivan::gui
