// The move view (CMoveFormView): moves the selected libraries into a folder of the user's choice,
// which becomes a self-contained album; the main library loses them. Also what it shares with the
// backup view.
#pragma once

#include <filesystem>
#include <functional>

#include "gui/library_list_view.h"
#include "maintenance/transfer.h"

namespace orrivan::gui {

// The move and backup views: one button over the list that asks for a destination, checks it and
// the selection, and runs the transfer off the GUI thread.
class TransferFormView : public LibraryListView {
 public:
  const TransferReport& LastReport() const { return last_; }

 protected:
  using Work = std::function<TransferReport(CRKCardAlbumDoc& album, Interaction& ui,
                                            const std::vector<std::string>& selected,
                                            const std::filesystem::path& destination)>;
  TransferFormView(ViewContext& context, ViewId id, StrId heading, settings::Key previewKey, StrId button,
                   const char* buttonName, bool move, Work work, QWidget* parent);
  void UpdateButtons() override;
  // What stays selected after a run that started.
  virtual std::vector<std::string> KeptSelection(const std::vector<std::string>& selected,
                                                 const TransferReport& report) const = 0;

  QPushButton* button_;

 private:
  void OnPressed();

  const bool move_;
  const Work work_;
  TransferReport last_;
};

class CMoveFormView : public TransferFormView {
  Q_OBJECT
 public:
  CMoveFormView(ViewContext& context, QWidget* parent);
  QPushButton* MoveButton() const { return button_; }

 protected:
  std::vector<std::string> KeptSelection(const std::vector<std::string>& selected,
                                         const TransferReport& report) const override;
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
