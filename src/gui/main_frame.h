// The program's one top-level window. It shows one form view at a time and swaps the whole view when
// a navigation button asks; the narrow start view has a fixed size, the full views a sizing border and
// the maximise box. Position and size persist in "WinPositon". Closing a full view returns to the
// start view; closing the start view (or quit) ends the program. Long work runs off the GUI thread
// (RunWork), and a close meanwhile cancels it first.
#pragma once

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "gui/form_view.h"

namespace orrivan {
class AlbumSession;
}

namespace orrivan::gui {

class GuiInteraction;

class CMainFrame : public QWidget {
  Q_OBJECT
 public:
  CMainFrame(AlbumSession& session, GuiInteraction& ui, bool autoImportEnabled);
  ~CMainFrame() override;

  // Measures the forms, places the window from "WinPositon" and shows the start view (not yet the
  // window itself).
  void Create();

  // Shows the view of id (nothing when it is shown already). save: the full view's placement is
  // remembered and written first.
  void SwitchView(ViewId id, bool save);
  ViewId CurrentViewId() const { return current_; }
  // The view shown before the current one (the start view's focus goes to its button).
  ViewId LastViewId() const { return last_; }
  FormView* CurrentView() const { return view_; }
  ViewContext& Context() { return context_; }

  // Quit: the close request ends the program from any view.
  void RequestQuit();
  void LaunchEditor();
  void OpenHelp();
  bool AutoImportEnabled() const { return autoImportEnabled_; }

  // Runs work off the GUI thread while the window stays live; a close request meanwhile cancels the
  // run and is carried out once it has ended. False when another run is under way.
  bool RunWork(const std::function<void()>& work);
  bool Running() const { return running_; }

  // Timer 1: every 5000 ms the poll hook (auto-import) runs, when one is set. PollTick runs it now.
  void SetPollHook(std::function<void()> hook) { pollHook_ = std::move(hook); }
  void PollTick();
  QTimer& PollTimer() { return pollTimer_; }

  // The library count of the view shown, read again (after a run the frame started itself).
  void RefreshCounts();
  // The start-up ended the program: nothing of this window is written back.
  void ForgetPlacement() { created_ = false; }

  QSize NarrowSize() const { return narrow_; }
  QSize WideSize() const { return wide_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void RememberPlacement();
  void WritePlacement();
  void FitStartView();
  void FitFullView();

  ViewContext context_;
  bool autoImportEnabled_;
  QPointer<FormView> view_;
  ViewId current_ = ViewId::Start;
  ViewId last_ = ViewId::Start;
  bool quit_ = false;
  bool running_ = false;
  bool closePending_ = false;
  bool created_ = false;
  QSize narrow_;
  QSize wide_;
  // The full views' size and maximised state, kept across the start view.
  QSize fullSize_;
  bool fullMaximised_ = false;
  QTimer pollTimer_;
  std::function<void()> pollHook_;
};

}  // namespace orrivan::gui
