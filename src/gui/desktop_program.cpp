#include "gui/desktop_program.h"

#include <QApplication>
#include <cstdio>

#include "app/auto_import.h"
#include "app/companion.h"
#include "base/settings.h"
#include "base/strings.h"
#include "gui/nav_column.h"
#include "gui/welcome_dialog.h"
#include "import/detection.h"
#include "maintenance/library_tree.h"

namespace orrivan::gui {

namespace fs = std::filesystem;

DesktopProgram::DesktopProgram() {}

DesktopProgram::~DesktopProgram() { frame_.reset(); }

bool DesktopProgram::Start() {
  if (!session_.Locked()) {
    std::fprintf(stderr, "orrivan: another Orrivan is writing this home folder\n");
    ui_.Message(Str(StrId::HomeInUse), Icon::Stop);
    exitCode_ = 1;
    return false;
  }
  // The frame exists before the start-up, which may need it (a rebuild, an automatic import); the
  // start-up reads "AutoTakeIn" the same way.
  frame_ = std::make_unique<CMainFrame>(session_, ui_, settings::GetInt(settings::Key::AutoTakeIn) == 0);
  ui_.SetParentWindow(frame_.get());
  frame_->Create();

  StartupHooks hooks = hooks_;
  if (!hooks.welcome) hooks.welcome = [] { return ShowWelcomeDialog(nullptr); };
  hooks.beginRebuild = [this] {
    frame_->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
  };
  hooks.endRebuild = [this] {
    QApplication::restoreOverrideCursor();
    frame_->setEnabled(true);
  };
  if (!hooks.autoImport) hooks.autoImport = [this](const fs::path& marker) { return AutoImportAtStart(marker); };
  if (!hooks.startCompanion) hooks.startCompanion = [] { StartCompanion(); };
  if (!hooks.ensureLogonEntry) hooks.ensureLogonEntry = [] { SetLogonEntry(true); };
  if (!session_.Start(ui_, hooks)) {
    frame_->ForgetPlacement();
    return false;
  }
  frame_->RefreshCounts();
  if (!frame_->isVisible()) frame_->show();
  frame_->SetPollHook([this] { Poll(); });
  frame_->PollTimer().start();
  return true;
}

bool DesktopProgram::AutoImportAtStart(const fs::path& marker) {
  frame_->showMinimized();
  AutoImportResult result = AutoImportResult::Failed;
  frame_->RunWork([&] { result = AutoImport(session_, ui_, marker); });
  frame_->showNormal();
  const bool ended = result == AutoImportResult::Done || result == AutoImportResult::NothingToDo;
  if (!ended) exitCode_ = result == AutoImportResult::Failed ? 1 : 0;
  return ended;
}

void DesktopProgram::Poll() {
  CMainFrame& frame = *frame_;
  frame.PollTimer().stop();
  std::error_code ec;
  const fs::path marker = AutoImportMarker();
  if (frame.AutoImportEnabled() && fs::exists(marker, ec) && g_importInProgress == 0 && g_maintenanceBusy == 0 &&
      g_busy == 0 && !frame.Running() && !QApplication::activeModalWidget()) {
    BusyGuard busy;
    frame.RunWork([&] { AutoImport(session_, ui_, marker); });
    frame.RefreshCounts();
  }
  frame.PollTimer().start();
}

}  // namespace orrivan::gui
