// The desktop program's run: after the single-instance test, the home folder's lock, the start-up
// sequence with its window-side hooks (welcome dialog, rebuild with the window disabled), the main
// frame shown on the start view and its timer started. Destroyed in the reverse order: the frame
// writes its placement, then the session rotates the generations and lets the home folder go.
#pragma once

#include <memory>

#include "app/album_session.h"
#include "app/startup.h"
#include "gui/gui_interaction.h"
#include "gui/main_frame.h"

namespace orrivan::gui {

class DesktopProgram {
 public:
  DesktopProgram();
  ~DesktopProgram();

  // False when the program ends at once (home folder held by another writer, welcome cancelled, an
  // automatic import at start-up that failed); ExitCode() says with what.
  bool Start();
  int ExitCode() const { return exitCode_; }

  // Hooks that later parts of the program add before Start (auto-import, the watcher).
  StartupHooks& Hooks() { return hooks_; }
  CMainFrame& Frame() { return *frame_; }
  AlbumSession& Session() { return session_; }
  GuiInteraction& Ui() { return ui_; }

 private:
  GuiInteraction ui_;
  AlbumSession session_;
  StartupHooks hooks_;
  std::unique_ptr<CMainFrame> frame_;
  int exitCode_ = 0;
};

}  // namespace orrivan::gui
