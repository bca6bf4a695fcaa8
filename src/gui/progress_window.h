// The modeless progress window: caption, two text lines, the "item/ total" counter, a bar and the
// cancel button. The engine's side (GuiProgress) may live on a worker thread: its updates go into a
// shared state and at most one queued pull is pending, so a fast worker never floods the GUI thread;
// Cancelled() reads an atomic the button sets.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "base/interaction.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace orrivan::gui {

struct ProgressState {
  std::mutex mutex;
  std::string line1, line2;
  int64_t maximum = 0;
  int64_t position = 0;
  std::atomic<bool> pullQueued{false};
  std::atomic<bool> cancelled{false};
  // The owner's cancel-everything flag (the main window is closing).
  std::shared_ptr<const std::atomic<bool>> everything;

  bool Cancelled() const { return cancelled || (everything && *everything); }
};

class ProgressWindow : public QDialog {
  Q_OBJECT
 public:
  ProgressWindow(QWidget* parent, const std::string& caption, std::shared_ptr<ProgressState> state);
  // Shows what the state holds now. GUI thread.
  void Pull();

  QLabel* Line1() const { return line1_; }
  QLabel* Line2() const { return line2_; }
  QLabel* Counter() const { return counter_; }
  QProgressBar* Bar() const { return bar_; }
  QPushButton* CancelButton() const { return cancel_; }

 public slots:
  // Escape and the close button cancel the run; the window closes when the run lets it go.
  void reject() override;

 protected:
  void closeEvent(class QCloseEvent* event) override;

 private:
  void Cancel();

  std::shared_ptr<ProgressState> state_;
  QLabel* line1_;
  QLabel* line2_;
  QLabel* counter_;
  QProgressBar* bar_;
  QPushButton* cancel_;
};

// The engine's handle; destroying it closes the window. Callable from any thread.
class GuiProgress : public Progress {
 public:
  // window: made on the GUI thread (null when nothing is shown, e.g. while everything is cancelled).
  GuiProgress(ProgressWindow* window, std::shared_ptr<ProgressState> state);
  ~GuiProgress() override;
  void SetText(const std::string& line1, const std::string& line2) override;
  void SetRange(int64_t maximum) override;
  void SetPosition(int64_t position) override;
  bool Cancelled() const override;

 private:
  void Changed();

  QPointer<ProgressWindow> window_;  // read on the GUI thread only
  std::shared_ptr<ProgressState> state_;
  QElapsedTimer sincePump_;          // GUI-thread callers pump events now and then
};

}  // namespace orrivan::gui
