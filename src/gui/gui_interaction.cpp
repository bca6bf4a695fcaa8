// Interim: replaced by the dialogs' own implementation.
#include "gui/gui_interaction.h"

#include <QDesktopServices>
#include <QEventLoop>
#include <QMessageBox>
#include <QUrl>
#include <thread>

namespace orrivan::gui {

namespace {
class NoProgress : public Progress {
 public:
  explicit NoProgress(const std::atomic<bool>& cancel) : cancel_(cancel) {}
  void SetText(const std::string&, const std::string&) override {}
  void SetRange(int64_t) override {}
  void SetPosition(int64_t) override {}
  bool Cancelled() const override { return cancel_; }
  const std::atomic<bool>& cancel_;
};
}  // namespace

GuiInteraction::GuiInteraction(QWidget* parentWindow) : parent_(parentWindow) {}
GuiInteraction::~GuiInteraction() = default;
void GuiInteraction::SetParentWindow(QWidget* parentWindow) { parent_ = parentWindow; }
void GuiInteraction::Message(const std::string&, Icon, const BoxLook&) {}
bool GuiInteraction::Confirm(const std::string&, Icon, const BoxLook&) { return !cancelling_; }
Answer GuiInteraction::Question(const std::string&, Icon, bool withCancel, const BoxLook&) {
  return withCancel ? Answer::Cancel : Answer::No;
}
std::optional<std::string> GuiInteraction::AskDate(const DateQuestion&) { return std::nullopt; }
std::optional<std::string> GuiInteraction::AskTitle(const TitleQuestion&) { return std::nullopt; }
std::vector<size_t> GuiInteraction::ChooseSources(const std::string&, const std::vector<SourceEntry>&) { return {}; }
UndatedChoice GuiInteraction::AskUndated(int, bool) { return UndatedChoice{UndatedChoice::Kind::FileDate, {}}; }
EraseAnswer GuiInteraction::AskErase(const std::string&, const BoxLook&) { return EraseAnswer::Cancel; }
std::unique_ptr<Progress> GuiInteraction::OpenProgress(const std::string&) {
  return std::make_unique<NoProgress>(cancelling_);
}
bool GuiInteraction::OpenInBrowser(const std::filesystem::path& page) { return OpenPageInBrowser(page); }
void GuiInteraction::CancelEverything() { cancelling_ = true; }
void GuiInteraction::Reset() { cancelling_ = false; }

void RunOffGuiThread(const std::function<void()>& work) {
  QEventLoop loop;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    work();
    done = true;
    QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
  });
  if (!done) loop.exec();
  worker.join();
}

bool OpenPageInBrowser(const std::filesystem::path& page) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(page.string())));
}

}  // namespace orrivan::gui
