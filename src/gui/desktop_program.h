// The desktop program's run: after the single-instance test, the home folder's lock, the start-up
// sequence with its window-side hooks (welcome dialog, rebuild with the window disabled, a waiting
// card's automatic import with the window minimised, the card watcher and its logon entry), the main
// frame shown on the start view and its five-second poll for the watcher's marker. Destroyed in the reverse order: the frame
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

  // Hooks set before Start replace the program's own (tests keep the watcher from starting).
  StartupHooks& Hooks() { return hooks_; }
  // One tick of the main frame's poll: the automatic import of a waiting marker, when auto-import
  // is on, no import or maintenance run is under way, no handler is busy and no dialog is open.
  void Poll();
  CMainFrame& Frame() { return *frame_; }
  AlbumSession& Session() { return session_; }
  GuiInteraction& Ui() { return ui_; }

 private:
  bool AutoImportAtStart(const std::filesystem::path& marker);

  GuiInteraction ui_;
  AlbumSession session_;
  StartupHooks hooks_;
  std::unique_ptr<CMainFrame> frame_;
  int exitCode_ = 0;
};

}  // namespace orrivan::gui
