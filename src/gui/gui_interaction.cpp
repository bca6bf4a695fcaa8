#include "gui/gui_interaction.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QThread>
#include <QUrl>
#include <exception>
#include <thread>
#include <type_traits>

#include "base/strings.h"
#include "gui/date_dialog.h"
#include "gui/dialog_common.h"
#include "gui/message_box.h"
#include "gui/progress_window.h"
#include "gui/source_dialog.h"
#include "gui/title_dialog.h"
#include "gui/undated_dialog.h"

namespace orrivan::gui {
namespace {

// Runs f on context's thread (the GUI thread) and returns its result; from a worker the call blocks
// until the GUI thread has run it, while the GUI thread keeps processing its events.
template <typename F>
auto CallOnGui(QObject* context, F&& f) -> std::invoke_result_t<F&> {
  using R = std::invoke_result_t<F&>;
  if (QThread::currentThread() == context->thread()) return f();
  if constexpr (std::is_void_v<R>) {
    QMetaObject::invokeMethod(context, [&f] { f(); }, Qt::BlockingQueuedConnection);
  } else {
    R result{};
    QMetaObject::invokeMethod(context, [&f, &result] { result = f(); }, Qt::BlockingQueuedConnection);
    return result;
  }
}

// The system's labels where the look gives none.
std::vector<std::string> Labels(const BoxLook& look, std::vector<std::string> defaults) {
  for (size_t i = 0; i < defaults.size() && i < look.buttons.size(); ++i)
    if (!look.buttons[i].empty()) defaults[i] = look.buttons[i];
  return defaults;
}

}  // namespace

GuiInteraction::GuiInteraction(QWidget* parentWindow) : parent_(parentWindow) {}

GuiInteraction::~GuiInteraction() = default;

void GuiInteraction::SetParentWindow(QWidget* parentWindow) { parent_ = parentWindow; }

void GuiInteraction::Message(const std::string& text, Icon icon, const BoxLook& look) {
  if (*cancelling_) return;
  CallOnGui(this, [&] {
    if (!*cancelling_) ShowBox(DialogParent(parent_), look.caption, text, icon, Labels(look, {Str(StrId::OkButton)}), 0);
  });
}

bool GuiInteraction::Confirm(const std::string& text, Icon icon, const BoxLook& look) {
  if (*cancelling_) return false;
  return CallOnGui(this, [&] {
    if (*cancelling_) return false;
    const int pressed = ShowBox(DialogParent(parent_), look.caption, text, icon,
                                Labels(look, {Str(StrId::OkButton), Str(StrId::CancelButtonHalfWidth)}), 1);
    return pressed == 0 && !*cancelling_;
  });
}

Answer GuiInteraction::Question(const std::string& text, Icon icon, bool withCancel, const BoxLook& look) {
  // Without a Cancel button, No is the answer that changes nothing.
  const Answer refusal = withCancel ? Answer::Cancel : Answer::No;
  if (*cancelling_) return refusal;
  return CallOnGui(this, [&] {
    if (*cancelling_) return refusal;
    std::vector<std::string> defaults{Str(StrId::YesButton), Str(StrId::NoButton)};
    if (withCancel) defaults.push_back(Str(StrId::CancelButtonHalfWidth));
    const int pressed = ShowBox(DialogParent(parent_), look.caption, text, icon, Labels(look, defaults), withCancel ? 2 : -1);
    if (*cancelling_) return refusal;
    return pressed == 0 ? Answer::Yes : pressed == 1 ? Answer::No : refusal;
  });
}

std::optional<std::string> GuiInteraction::AskDate(const DateQuestion& question) {
  if (*cancelling_) return std::nullopt;
  return CallOnGui(this, [&]() -> std::optional<std::string> {
    if (*cancelling_) return std::nullopt;
    auto date = AskDateDialog(DialogParent(parent_), question);
    return *cancelling_ ? std::nullopt : date;
  });
}

std::optional<std::string> GuiInteraction::AskTitle(const TitleQuestion& question) {
  if (*cancelling_) return std::nullopt;
  return CallOnGui(this, [&]() -> std::optional<std::string> {
    if (*cancelling_) return std::nullopt;
    auto title = AskTitleDialog(DialogParent(parent_), question);
    return *cancelling_ ? std::nullopt : title;
  });
}

std::vector<size_t> GuiInteraction::ChooseSources(const std::string& caption,
                                                  const std::vector<SourceEntry>& entries) {
  if (*cancelling_) return {};
  return CallOnGui(this, [&]() -> std::vector<size_t> {
    if (*cancelling_) return {};
    auto order = ChooseSourcesDialog(DialogParent(parent_), caption, entries);
    return *cancelling_ ? std::vector<size_t>{} : order;
  });
}

UndatedChoice GuiInteraction::AskUndated(int, bool givenDateOnly) {
  if (*cancelling_) return {};
  return CallOnGui(this, [&]() -> UndatedChoice {
    UndatedChoice choice = AskUndatedDialog(DialogParent(parent_), givenDateOnly, cancelling_.get());
    return *cancelling_ ? UndatedChoice{} : choice;
  });
}

EraseAnswer GuiInteraction::AskErase(const std::string& text, const BoxLook& look) {
  if (*cancelling_) return EraseAnswer::Cancel;
  return CallOnGui(this, [&] {
    if (*cancelling_) return EraseAnswer::Cancel;
    const int pressed = ShowBox(DialogParent(parent_), look.caption, text, Icon::Question,
                                Labels(look, {Str(StrId::YesButton), Str(StrId::NoButton), Str(StrId::EraseAllButton),
                                              Str(StrId::CancelButtonHalfWidth)}),
                                3);
    if (*cancelling_) return EraseAnswer::Cancel;
    switch (pressed) {
      case 0: return EraseAnswer::Yes;
      case 1: return EraseAnswer::No;
      case 2: return EraseAnswer::YesToAll;
      default: return EraseAnswer::Cancel;
    }
  });
}

std::unique_ptr<Progress> GuiInteraction::OpenProgress(const std::string& caption) {
  auto state = std::make_shared<ProgressState>();
  state->everything = cancelling_;
  // Nothing to show while the window is closing: the run only needs to see Cancelled().
  if (*cancelling_) return std::make_unique<GuiProgress>(nullptr, state);
  return CallOnGui(this, [&]() -> std::unique_ptr<Progress> {
    auto* window = new ProgressWindow(DialogParent(parent_), caption, state);
    window->show();
    if (DialogSeam::Enabled())
      DialogSeam::Opened(DialogKind::Progress, window,
                         DialogSeam::Shown{DialogKind::Progress, caption, {}, {Str(StrId::CancelButtonHalfWidth)}});
    return std::make_unique<GuiProgress>(window, state);
  });
}

bool GuiInteraction::OpenInBrowser(const std::filesystem::path& page) {
  if (*cancelling_) return false;
  return CallOnGui(this, [&] { return OpenPageInBrowser(page); });
}

void GuiInteraction::CancelEverything() {
  *cancelling_ = true;
  if (QThread::currentThread() != thread()) {
    QMetaObject::invokeMethod(this, [] { RejectOpenDialogs(); }, Qt::QueuedConnection);
    return;
  }
  RejectOpenDialogs();
}

void GuiInteraction::Reset() { *cancelling_ = false; }

void RunOffGuiThread(const std::function<void()>& work) {
  if (!qApp || QThread::currentThread() != qApp->thread()) {
    work();
    return;
  }
  QEventLoop loop;
  std::atomic<bool> done{false};
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    done = true;
    QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
  });
  while (!done) {
    loop.exec();
    // The loop also ends when the application is told to quit; the worker may still be asking, so
    // its questions keep being served until it ends.
    if (!done) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      QThread::msleep(5);
    }
  }
  worker.join();
  if (failure) std::rethrow_exception(failure);
}

bool OpenPageInBrowser(const std::filesystem::path& page) {
  if (DialogSeam::Enabled()) {
    const DialogSeam::Answer answer =
        DialogSeam::Take(DialogKind::Browser, nullptr, DialogSeam::Shown{DialogKind::Browser, {}, page.string(), {}});
    return answer.act == DialogSeam::Answer::Act::Value ? answer.opened
                                                        : answer.act == DialogSeam::Answer::Act::Accept;
  }
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(page.string())));
}

}  // namespace orrivan::gui
