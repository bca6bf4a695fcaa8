#include "gui/move_view.h"

#include <QDir>
#include <filesystem>

#include "app/album_session.h"
#include "app/startup.h"
#include "gui/gui_interaction.h"
#include "gui/library_list_destination.h"
#include "gui/main_frame.h"
#include "library/layout.h"
#include "maintenance/library_tree.h"

namespace orrivan::gui {

namespace fs = std::filesystem;

namespace transfer_view {

namespace {
// The folder chosen last in this run of the program, offered first next time.
fs::path g_lastDestination;
}  // namespace

std::optional<fs::path> AskCheckedDestination(QWidget* parent, Interaction& ui, bool move) {
  fs::path start = g_lastDestination.empty() ? fs::path(QDir::homePath().toStdString()) : g_lastDestination;
  for (;;) {
    const auto chosen = AskDestination(parent, Str(move ? StrId::MoveCaption : StrId::CopyCaption),
                                       Str(move ? StrId::MovePrompt : StrId::CopyPrompt), start);
    if (!chosen) return std::nullopt;
    std::error_code ec;
    const fs::path folder = fs::absolute(*chosen, ec).lexically_normal();
    const std::string problem = DestinationProblem(folder);
    if (problem.empty()) {
      g_lastDestination = folder;
      return folder;
    }
    ui.Message(problem + "\n" + folder.string(), Icon::Exclamation);
    start = folder;
  }
}

bool FoldersPresent(Interaction& ui, const std::vector<std::string>& selected) {
  std::vector<std::string> missing;
  for (const std::string& folder : selected) {
    std::error_code ec;
    if (!fs::is_directory(layout::FromStoredPath(folder), ec)) missing.push_back(folder);
  }
  if (missing.empty()) return true;
  ui.Message(LibraryListView::NameList(Str(StrId::LibraryFolderMissing), missing), Icon::Stop);
  return false;
}

void TellOutcome(Interaction& ui, const TransferReport& report, bool move) {
  if (report.result != MaintenanceResult::Failed && report.result != MaintenanceResult::Cancelled) return;
  std::string text;
  if (!report.doneNames.empty())
    text = LibraryListView::NameList(Str(move ? StrId::MovedBeforeStop : StrId::CopiedBeforeStop), report.doneNames) +
           "\n";
  text += Str(move ? StrId::OthersStayed : StrId::BackupIncomplete);
  ui.Message(text, Icon::Information);
}

}  // namespace transfer_view

TransferFormView::TransferFormView(ViewContext& context, ViewId id, StrId heading, settings::Key previewKey,
                                   StrId button, const char* buttonName, bool move, Work work, QWidget* parent)
    : LibraryListView(context, id, heading, previewKey, parent), move_(move), work_(std::move(work)) {
  button_ = AddButton(button, buttonName);
  connect(button_, &QPushButton::clicked, this, &TransferFormView::OnPressed);
}

void TransferFormView::UpdateButtons() { button_->setEnabled(Idle() && !List()->SelectedRows().empty()); }

void TransferFormView::OnPressed() {
  if (!Idle()) return;
  const std::vector<std::string> selected = List()->SelectedFolders();
  if (selected.empty()) return;
  GuiInteraction& ui = context_.ui;
  TransferReport report;
  {
    BusyGuard busy;
    UpdateButtons();
    const auto chosen = transfer_view::AskCheckedDestination(this, ui, move_);
    if (chosen && transfer_view::FoldersPresent(ui, selected)) {
      CRKCardAlbumDoc& album = Album();
      context_.frame.RunWork([&] { report = work_(album, ui, selected, *chosen); });
    }
  }
  if (report.result == MaintenanceResult::NothingToDo) {  // nothing was started
    Refresh(selected);
    return;
  }
  last_ = report;
  Refresh(KeptSelection(selected, report));
  transfer_view::TellOutcome(ui, report, move_);
}

CMoveFormView::CMoveFormView(ViewContext& context, QWidget* parent)
    : TransferFormView(context, ViewId::Move, StrId::MoveViewHeading, settings::Key::PreviewPicMove,
                       StrId::MoveButton, "Move", true,
                       [](CRKCardAlbumDoc& album, Interaction& ui, const std::vector<std::string>& selected,
                          const fs::path& destination) {
                         return MoveLibraries(album, ui, selected, destination, SaveAlbum);
                       },
                       parent) {
  setObjectName("MoveFormView");
}

// What did not go stays selected, so a second try is one click.
std::vector<std::string> CMoveFormView::KeptSelection(const std::vector<std::string>& selected,
                                                      const TransferReport& report) const {
  if (report.result == MaintenanceResult::Done) return {};
  std::vector<std::string> stay;
  for (const std::string& folder : selected) {
    bool done = false;
    for (const std::string& name : report.doneNames) done = done || DayNameOf(folder) == name;
    if (!done) stay.push_back(folder);
  }
  return stay;
}

}  // namespace orrivan::gui
