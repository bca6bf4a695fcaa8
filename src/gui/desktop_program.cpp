#include "gui/desktop_program.h"

#include <QApplication>
#include <cstdio>

#include "base/settings.h"
#include "base/strings.h"
#include "gui/welcome_dialog.h"

namespace orrivan::gui {

DesktopProgram::DesktopProgram() {}

DesktopProgram::~DesktopProgram() { frame_.reset(); }

bool DesktopProgram::Start() {
  if (!session_.Locked()) {
    std::fprintf(stderr, "orrivan: another Orrivan is writing this home folder\n");
    ui_.Message(Str(StrId::HomeInUse), Icon::Stop);
    exitCode_ = 1;
    return false;
  }
  StartupHooks hooks = hooks_;
  hooks.welcome = [] { return ShowWelcomeDialog(nullptr); };
  // The window is built later; a rebuild at start-up shows the wait cursor meanwhile.
  hooks.beginRebuild = [] { QApplication::setOverrideCursor(Qt::WaitCursor); };
  hooks.endRebuild = [] { QApplication::restoreOverrideCursor(); };
  if (!session_.Start(ui_, hooks)) {
    exitCode_ = 0;
    return false;
  }
  frame_ = std::make_unique<CMainFrame>(session_, ui_, session_.Started().autoImportEnabled);
  ui_.SetParentWindow(frame_.get());
  frame_->Create();
  frame_->show();
  frame_->PollTimer().start();
  return true;
}

}  // namespace orrivan::gui
