#include "gui/main_frame.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <system_error>

#include "base/paths.h"
#include "base/settings.h"
#include "base/strings.h"
#include "gui/gui_interaction.h"
#include "gui/nav_column.h"
#include "import/detection.h"

namespace orrivan::gui {

namespace fs = std::filesystem;
using settings::Key;

namespace {

// The smallest full view still shows the navigation column beside a usable form.
constexpr QSize kMinimumWide(640, 480);

QRect ScreenArea() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

constexpr Qt::WindowFlags kStartFlags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                        Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
constexpr Qt::WindowFlags kFullFlags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                       Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint;

}  // namespace

CMainFrame::CMainFrame(AlbumSession& session, GuiInteraction& ui, bool autoImportEnabled)
    : QWidget(nullptr, kStartFlags), context_{*this, session, ui}, autoImportEnabled_(autoImportEnabled) {
  setObjectName("MainFrame");
  setWindowTitle(QString::fromStdString(Str(StrId::ProductName)));
  setWindowIcon(QIcon(":/icons/orrivan.svg"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  pollTimer_.setInterval(5000);
  connect(&pollTimer_, &QTimer::timeout, this, &CMainFrame::PollTick);
}

CMainFrame::~CMainFrame() {
  pollTimer_.stop();
  if (created_) {
    if (current_ != ViewId::Start) RememberPlacement();
    WritePlacement();
  }
  delete view_.data();
}

void CMainFrame::Create() {
  // Measure the forms: the start view gives the narrow size, the widest full view the wide one.
  auto measure = [this](ViewId id) {
    QSize size;
    if (ViewFactory factory = FindView(id)) {
      FormView* probe = factory(context_, nullptr);
      size = probe->sizeHint();
      delete probe;
    }
    return size;
  };
  narrow_ = measure(ViewId::Start);
  wide_ = kMinimumWide;
  for (ViewId id : {ViewId::Edit, ViewId::Import, ViewId::Remove, ViewId::Copy, ViewId::Move, ViewId::Settings})
    wide_ = wide_.expandedTo(measure(id));

  const QRect screen = ScreenArea();
  int left = settings::GetInt(Key::WinLeft, 0);
  int top = settings::GetInt(Key::WinTop, 0);
  if (left < 0 || left > screen.width()) left = 0;
  if (top < 0 || top > screen.height()) top = 0;
  fullSize_ = QSize(settings::GetInt(Key::WinWidth, wide_.width()), settings::GetInt(Key::WinHeight, wide_.height()))
                  .expandedTo(wide_);
  move(left, top);
  created_ = true;
  SwitchView(ViewId::Start, false);
}

void CMainFrame::SwitchView(ViewId id, bool save) {
  if (view_ && id == current_) return;
  ViewFactory factory = FindView(id);
  if (!factory) return;
  BusyGuard busy;
  if (save && view_ && current_ != ViewId::Start) RememberPlacement();

  FormView* old = view_;
  FormView* next = factory(context_, this);
  layout()->addWidget(next);
  if (old) {
    layout()->removeWidget(old);
    old->hide();
    last_ = current_;
  }
  current_ = id;
  view_ = next;
  next->show();
  next->InitialUpdate();
  delete old;

  if (id == ViewId::Start)
    FitStartView();
  else
    FitFullView();
  if (QWidget* focus = next->DefaultFocus()) focus->setFocus();
}

void CMainFrame::FitStartView() {
  const QPoint at = isMaximized() ? normalGeometry().topLeft() : pos();
  if (isMaximized()) showNormal();
  if (windowFlags() != kStartFlags) {
    const bool shown = isVisible();
    setWindowFlags(kStartFlags);
    move(at);
    if (shown) show();
  }
  setMinimumSize(narrow_);
  setMaximumSize(narrow_);
  resize(narrow_);
}

void CMainFrame::FitFullView() {
  if (windowFlags() != kFullFlags) {
    const QPoint at = pos();
    const bool shown = isVisible();
    setWindowFlags(kFullFlags);
    move(at);
    if (shown) show();
  }
  setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  setMinimumSize(wide_);
  if (fullMaximised_) {
    if (isVisible()) showMaximized();
    else setWindowState(windowState() | Qt::WindowMaximized);
  } else {
    resize(fullSize_);
  }
}

void CMainFrame::RememberPlacement() {
  fullMaximised_ = isMaximized();
  if (fullMaximised_) return;
  fullSize_ = size();
  settings::SetInt(Key::WinWidth, fullSize_.width());
  settings::SetInt(Key::WinHeight, fullSize_.height());
}

// The size written is the full views' size: the start view's fixed size would otherwise replace the
// size the user gave the full views on every exit from the start view.
void CMainFrame::WritePlacement() {
  ImportInProgressGuard placing;  // the auto-import poll stays out meanwhile
  const QRect screen = ScreenArea();
  const QPoint at = isMaximized() ? normalGeometry().topLeft() : pos();
  if (at.x() <= screen.width()) {
    settings::SetInt(Key::WinLeft, at.x());
    settings::SetInt(Key::WinWidth, fullSize_.width());
  }
  if (at.y() <= screen.height()) {
    settings::SetInt(Key::WinTop, at.y());
    settings::SetInt(Key::WinHeight, fullSize_.height());
  }
}

void CMainFrame::RequestQuit() {
  quit_ = true;
  close();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (running_) {
    // Cancel and roll back first; the close follows once the run has ended.
    closePending_ = true;
    context_.ui.CancelEverything();
    event->ignore();
    return;
  }
  if (quit_ || current_ == ViewId::Start) {
    event->accept();
    return;
  }
  event->ignore();
  SwitchView(ViewId::Start, true);
}

bool CMainFrame::RunWork(const std::function<void()>& work) {
  if (running_) return false;
  running_ = true;
  RunOffGuiThread(work);
  running_ = false;
  context_.ui.Reset();
  if (closePending_) {
    closePending_ = false;
    QTimer::singleShot(0, this, [this] { close(); });
  }
  return true;
}

void CMainFrame::RefreshCounts() {
  if (!view_) return;
  for (NavColumn* nav : view_->findChildren<NavColumn*>()) nav->RefreshCount();
}

void CMainFrame::PollTick() {
  if (pollHook_) pollHook_();
}

void CMainFrame::LaunchEditor() {
  const QString editor = QStandardPaths::findExecutable("tessik");
  if (!editor.isEmpty()) {
    QProcess::startDetached(editor, {});
    return;
  }
  QStringList command = QProcess::splitCommand(QString::fromStdString(settings::GetString(Key::EditorCommand)));
  if (command.isEmpty()) return;  // no editor installed: nothing happens
  const QString program = command.takeFirst();
  QProcess::startDetached(program, command);
}

void CMainFrame::OpenHelp() {
  const fs::path page = ExecutableFolder() / ".." / "share" / "orrivan" / "help" / "index.html";
  std::error_code ec;
  if (!fs::is_regular_file(page, ec)) {
    context_.ui.Message(Str(StrId::HelpMissing), Icon::Exclamation);
    return;
  }
  if (!OpenPageInBrowser(fs::weakly_canonical(page, ec))) context_.ui.Message(Str(StrId::HelpOpenError), Icon::Stop);
}

}  // namespace orrivan::gui
