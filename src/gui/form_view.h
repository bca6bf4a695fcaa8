// What every form view of the main frame is and gets: its id (the form numbers the views have always
// had), the session and the Interaction of the program, and the shared run-time flags. A view is
// thin: it gathers the user's choices, calls app/ or the engine, and shows what came back.
#pragma once

#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>

namespace orrivan {
class AlbumSession;
}

namespace orrivan::gui {

class CMainFrame;
class GuiInteraction;

enum class ViewId : int {
  Start = 131,     // CDefaultView, the narrow navigation column only
  Import = 134,    // CEntryFormView
  Edit = 101,      // COrderFormView
  Remove = 103,    // CRemoveFormView
  Copy = 132,      // CBackupFormView
  Move = 133,      // CMoveFormView
  Settings = 135,  // CSetupFormView
};

// Set while a button handler runs, so nothing starts twice (and the auto-import poll waits).
extern std::atomic<int> g_busy;

class BusyGuard {
 public:
  BusyGuard() { ++g_busy; }
  ~BusyGuard() { --g_busy; }
  BusyGuard(const BusyGuard&) = delete;
  BusyGuard& operator=(const BusyGuard&) = delete;
};

// What the frame hands to each view it makes.
struct ViewContext {
  CMainFrame& frame;
  AlbumSession& session;
  GuiInteraction& ui;
};

class FormView : public QWidget {
  Q_OBJECT
 public:
  FormView(ViewContext& context, ViewId id, QWidget* parent);
  ViewId Id() const { return id_; }
  // Called once after the view was made the frame's pane (the framework's initial update).
  virtual void InitialUpdate() {}
  // The widget that takes the focus when the view is shown.
  virtual QWidget* DefaultFocus() { return nullptr; }

 protected:
  ViewContext& context_;

 private:
  ViewId id_;
};

// The view table (view_table.cpp): one row per view, id -> factory. A later view joins by its own
// files and one row there.
using ViewFactory = std::function<FormView*(ViewContext& context, QWidget* parent)>;
// The factory of id, or an empty function for a view not built yet (its button stays disabled).
ViewFactory FindView(ViewId id);

}  // namespace orrivan::gui
