#include "gui/order_view.h"

#include "app/album_session.h"
#include "app/startup.h"
#include "gui/gui_interaction.h"
#include "gui/main_frame.h"
#include "maintenance/library_tree.h"

namespace orrivan::gui {

COrderFormView::COrderFormView(ViewContext& context, QWidget* parent)
    : LibraryListView(context, ViewId::Edit, StrId::EditViewHeading, settings::Key::PreviewPicEdit, parent) {
  setObjectName("OrderFormView");
  title_ = AddButton(StrId::EditTitleButton, "EditTitle");
  apply_ = AddButton(StrId::ApplyOptionsButton, "ApplyOptions");
  connect(title_, &QPushButton::clicked, this, &COrderFormView::OnEditTitle);
  connect(apply_, &QPushButton::clicked, this, &COrderFormView::OnApplyOptions);
  // A double click on a row edits its title, as the button does.
  connect(List()->Table(), &QAbstractItemView::doubleClicked, this, [this] {
    if (title_->isEnabled()) OnEditTitle();
  });
}

void COrderFormView::UpdateButtons() {
  const bool idle = Idle();
  title_->setEnabled(idle && List()->CurrentRow() >= 0);
  apply_->setEnabled(idle && !List()->SelectedRows().empty());
}

void COrderFormView::OnEditTitle() {
  if (!Idle()) return;
  const int row = List()->CurrentRow();
  if (row < 0) return;
  const std::string folder = List()->Model()->Row(row).folderPath;
  CRKCardAlbumDoc& album = Album();
  GuiInteraction& ui = context_.ui;
  EditTitleReport report;
  {
    BusyGuard busy;
    UpdateButtons();
    context_.frame.RunWork([&] { report = EditTitle(album, ui, folder, std::nullopt, SaveAlbum); });
  }
  lastTitle_ = report;
  // The edited row selected and focused again, wherever the sort put it.
  Refresh({folder});
  if (report.result == MaintenanceResult::Done && !report.pagesOk) Tell(Str(StrId::PagesNotWritten), Icon::Exclamation);
}

void COrderFormView::OnApplyOptions() {
  if (!Idle()) return;
  const std::vector<std::string> selected = List()->SelectedFolders();
  if (selected.empty()) return;
  CRKCardAlbumDoc& album = Album();
  GuiInteraction& ui = context_.ui;
  ApplyOptionsReport report;
  {
    BusyGuard busy;
    UpdateButtons();
    context_.frame.RunWork([&] { report = ApplyOptions(album, ui, selected, SaveAlbum); });
  }
  lastApply_ = report;
  Refresh(selected);
  if (!report.unreachableNames.empty())
    Tell(NameList(Str(StrId::LibrariesUnreachable), report.unreachableNames), Icon::Exclamation);
}

}  // namespace orrivan::gui
