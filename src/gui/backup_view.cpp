#include "gui/backup_view.h"

#include "app/album_session.h"
#include "gui/gui_interaction.h"
#include "gui/main_frame.h"
#include "gui/move_view.h"

namespace orrivan::gui {

CBackupFormView::CBackupFormView(ViewContext& context, QWidget* parent)
    : LibraryListView(context, ViewId::Copy, StrId::CopyViewHeading, settings::Key::PreviewPicCopy, parent) {
  setObjectName("BackupFormView");
  copy_ = AddButton(StrId::CopyButton, "Copy");
  connect(copy_, &QPushButton::clicked, this, &CBackupFormView::OnCopy);
}

void CBackupFormView::UpdateButtons() { copy_->setEnabled(Idle() && !List()->SelectedRows().empty()); }

void CBackupFormView::OnCopy() {
  if (!Idle()) return;
  const std::vector<std::string> selected = List()->SelectedFolders();
  if (selected.empty()) return;
  GuiInteraction& ui = context_.ui;
  TransferReport report;
  {
    BusyGuard busy;
    UpdateButtons();
    const auto chosen = transfer_view::AskCheckedDestination(this, ui, false);
    if (chosen && transfer_view::FoldersPresent(ui, selected)) {
      CRKCardAlbumDoc& album = Album();
      context_.frame.RunWork([&] { report = BackupLibraries(album, ui, selected, *chosen); });
    }
  }
  if (report.result == MaintenanceResult::NothingToDo) {  // nothing was started
    Refresh(selected);
    return;
  }
  last_ = report;
  // The main library is unchanged: the selection stays.
  Refresh(selected);
  transfer_view::TellOutcome(ui, report, false);
}

}  // namespace orrivan::gui
