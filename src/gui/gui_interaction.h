// The desktop program's side of the Interaction seam: message boxes with the system's captions,
// icons and labels, the import dialogs and the modeless progress window. The engine runs on a worker
// thread (RunOffGuiThread); its questions cross to the GUI thread by blocking queued calls, so the
// window keeps repainting and Cancel answers while a large file is copied.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>

#include "base/interaction.h"

namespace orrivan::gui {

class GuiInteraction : public QObject, public Interaction {
  Q_OBJECT
 public:
  // Dialogs are owned by (and centred on) the parent window.
  explicit GuiInteraction(QWidget* parentWindow = nullptr);
  ~GuiInteraction() override;
  void SetParentWindow(QWidget* parentWindow);

  // Every method may be called from the GUI thread or from a worker thread.
  void Message(const std::string& text, Icon icon, const BoxLook& look = {}) override;
  bool Confirm(const std::string& text, Icon icon, const BoxLook& look = {}) override;
  Answer Question(const std::string& text, Icon icon, bool withCancel, const BoxLook& look = {}) override;
  std::optional<std::string> AskDate(const DateQuestion& question) override;
  std::optional<std::string> AskTitle(const TitleQuestion& question) override;
  std::vector<size_t> ChooseSources(const std::string& caption, const std::vector<SourceEntry>& entries) override;
  UndatedChoice AskUndated(int count, bool givenDateOnly) override;
  EraseAnswer AskErase(const std::string& text, const BoxLook& look) override;
  std::unique_ptr<Progress> OpenProgress(const std::string& caption) override;
  bool OpenInBrowser(const std::filesystem::path& page) override;

  // The window is closing while a run is under way: the open question (if any) is answered as
  // Cancel, every progress window reports Cancelled(), and later questions answer Cancel at once,
  // until Reset(). Callable from the GUI thread.
  void CancelEverything();
  void Reset();
  bool Cancelling() const { return *cancelling_; }

 private:
  QPointer<QWidget> parent_;  // read on the GUI thread only
  // Shared with the progress windows, whose Cancelled() reads it.
  std::shared_ptr<std::atomic<bool>> cancelling_ = std::make_shared<std::atomic<bool>>(false);
};

// Runs work on a worker thread while the GUI thread goes on processing events; returns when the work
// has ended (an exception the work throws is thrown here). Called on the GUI thread (outside the GUI
// thread it simply runs work). The GuiInteraction's questions from the worker are answered in this
// wait, so a worker must never be joined any other way while it may still ask.
void RunOffGuiThread(const std::function<void()>& work);

// Opens a page in the desktop's browser (through the dialog seam in tests); false when it could not
// be started.
bool OpenPageInBrowser(const std::filesystem::path& page);

}  // namespace orrivan::gui
