#include "gui/dialog_seam.h"

#include <map>
#include <mutex>

namespace orrivan::gui {
namespace {

struct SeamState {
  std::mutex mutex;
  bool enabled = false;
  std::map<DialogKind, std::deque<DialogSeam::Answer>> queues;
  std::vector<DialogSeam::Shown> shown;
  std::vector<std::string> misses;
  DialogSeam::Observer observer;
};

SeamState& State() {
  static SeamState state;
  return state;
}

void Push(DialogKind kind, DialogSeam::Answer answer) {
  SeamState& s = State();
  std::lock_guard lock(s.mutex);
  s.queues[kind].push_back(std::move(answer));
}

DialogSeam::Answer Value() {
  DialogSeam::Answer answer;
  answer.act = DialogSeam::Answer::Act::Value;
  return answer;
}

void Reset(bool enabled) {
  SeamState& s = State();
  std::lock_guard lock(s.mutex);
  s.enabled = enabled;
  s.queues.clear();
  s.shown.clear();
  s.misses.clear();
  s.observer = nullptr;
}

}  // namespace

const char* DialogKindName(DialogKind kind) {
  switch (kind) {
    case DialogKind::Box: return "box";
    case DialogKind::Welcome: return "welcome dialog";
    case DialogKind::Date: return "date dialog";
    case DialogKind::Undated: return "undated dialog";
    case DialogKind::Title: return "title dialog";
    case DialogKind::Sources: return "source selection";
    case DialogKind::Folder: return "folder chooser";
    case DialogKind::Browser: return "browser";
    case DialogKind::Template: return "template dialog";
    case DialogKind::SaveFolder: return "library folder dialog";
    case DialogKind::Version: return "version box";
    case DialogKind::Progress: return "progress window";
    case DialogKind::OtherImages: return "other-image dialog";
    case DialogKind::SerialImport: return "serial import dialog";
    case DialogKind::SerialSettings: return "serial settings dialog";
    case DialogKind::CameraFolder: return "camera folder dialog";
  }
  return "?";
}

void DialogSeam::Enable() { Reset(true); }
void DialogSeam::Disable() { Reset(false); }

bool DialogSeam::Enabled() {
  SeamState& s = State();
  std::lock_guard lock(s.mutex);
  return s.enabled;
}

void DialogSeam::NextButton(int index) {
  Answer a = Value();
  a.button = index;
  Push(DialogKind::Box, a);
}

void DialogSeam::NextButton(const std::string& label) {
  Answer a = Value();
  a.label = label;
  Push(DialogKind::Box, a);
}

void DialogSeam::NextDate(const std::string& yyyymmdd) {
  Answer a = Value();
  a.text = yyyymmdd;
  Push(DialogKind::Date, a);
}

void DialogSeam::NextTitle(const std::string& title) {
  Answer a = Value();
  a.text = title;
  Push(DialogKind::Title, a);
}

void DialogSeam::NextSources(const std::vector<size_t>& order) {
  Answer a = Value();
  a.order = order;
  Push(DialogKind::Sources, a);
}

void DialogSeam::NextUndated(UndatedChoice::Kind option) {
  Answer a = Value();
  a.undated = option;
  Push(DialogKind::Undated, a);
}

void DialogSeam::NextFolder(const std::filesystem::path& folder) {
  Answer a = Value();
  a.text = folder.string();
  Push(DialogKind::Folder, a);
}

void DialogSeam::NextSaveFolder(const std::filesystem::path& folder) {
  Answer a = Value();
  a.text = folder.string();
  Push(DialogKind::SaveFolder, a);
}

void DialogSeam::NextBrowser(bool opened) {
  Answer a = Value();
  a.opened = opened;
  Push(DialogKind::Browser, a);
}

void DialogSeam::NextText(DialogKind kind, const std::string& text) {
  Answer a = Value();
  a.text = text;
  Push(kind, a);
}

void DialogSeam::NextAccept(DialogKind kind) {
  Answer a;
  a.act = Answer::Act::Accept;
  Push(kind, a);
}

void DialogSeam::NextCancel(DialogKind kind) { Push(kind, Answer{}); }

size_t DialogSeam::Pending(DialogKind kind) {
  SeamState& s = State();
  std::lock_guard lock(s.mutex);
  auto it = s.queues.find(kind);
  return it == s.queues.end() ? 0 : it->second.size();
}

void DialogSeam::SetObserver(Observer observer) {
  SeamState& s = State();
  std::lock_guard lock(s.mutex);
  s.observer = std::move(observer);
}

std::vector<DialogSeam::Shown> DialogSeam::ShownDialogs() {
  SeamState& s = State();
  std::lock_guard lock(s.mutex);
  return s.shown;
}

std::vector<std::string> DialogSeam::Misses() {
  SeamState& s = State();
  std::lock_guard lock(s.mutex);
  return s.misses;
}

DialogSeam::Answer DialogSeam::Take(DialogKind kind, QWidget* dialog, Shown shown) {
  SeamState& s = State();
  Observer observer;
  {
    std::lock_guard lock(s.mutex);
    s.shown.push_back(shown);
    observer = s.observer;
  }
  // Outside the lock: the observer may queue the answer itself.
  if (observer) observer(kind, dialog);
  std::lock_guard lock(s.mutex);
  auto& queue = s.queues[kind];
  if (queue.empty()) {
    s.misses.push_back(std::string("no answer queued for the ") + DialogKindName(kind) + " \"" + shown.caption +
                       "\": " + shown.text);
    return Answer{};
  }
  Answer answer = std::move(queue.front());
  queue.pop_front();
  return answer;
}

void DialogSeam::Opened(DialogKind kind, QWidget* window, Shown shown) {
  SeamState& s = State();
  Observer observer;
  {
    std::lock_guard lock(s.mutex);
    s.shown.push_back(std::move(shown));
    observer = s.observer;
  }
  if (observer) observer(kind, window);
}

void DialogSeam::Miss(const std::string& what) {
  SeamState& s = State();
  std::lock_guard lock(s.mutex);
  s.misses.push_back(what);
}

}  // namespace orrivan::gui
