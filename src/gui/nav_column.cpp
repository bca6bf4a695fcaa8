#include "gui/nav_column.h"

#include <QIcon>
#include <QMenu>
#include <QTimer>
#include <QVBoxLayout>

#include "app/album_session.h"
#include "app/library_view.h"
#include "gui/gui_interaction.h"
#include "gui/main_frame.h"
#include "gui/version_box.h"
#include "import/detection.h"
#include "library/album_document.h"

namespace orrivan::gui {

namespace {

// The view a button leads to; Start for the buttons that do something else.
ViewId ViewOfButton(NavColumn::Button button) {
  switch (button) {
    case NavColumn::Button::Import: return ViewId::Import;
    case NavColumn::Button::Edit: return ViewId::Edit;
    case NavColumn::Button::Remove: return ViewId::Remove;
    case NavColumn::Button::Copy: return ViewId::Copy;
    case NavColumn::Button::Move: return ViewId::Move;
    case NavColumn::Button::Settings: return ViewId::Settings;
    default: return ViewId::Start;
  }
}

}  // namespace

NavColumn::NavColumn(ViewContext& context, ViewId shown, QWidget* parent)
    : QWidget(parent), context_(context), shown_(shown) {
  setObjectName("NavColumn");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->setSpacing(4);
  AddButton(Button::Library, "library", StrId::NavLibrary);
  AddButton(Button::Import, "import", StrId::NavImport);
  AddButton(Button::Edit, "edit", StrId::NavEdit);
  AddButton(Button::Remove, "remove", StrId::NavRemove);
  AddButton(Button::Copy, "copy", StrId::NavCopy);
  AddButton(Button::Move, "move", StrId::NavMove);
  AddButton(Button::Settings, "settings", StrId::NavSettings);
  AddButton(Button::Editor, "editor", StrId::NavEditor);
  AddButton(Button::Help, "help", StrId::NavHelp);
  AddButton(Button::Quit, "quit", StrId::NavQuit);
  layout->addSpacing(8);

  // Help offers the version box beside the help page, on its button's arrow; a plain press still
  // opens the page.
  QToolButton* help = buttons_[Button::Help];
  auto* menu = new QMenu(help);
  menu->setObjectName("HelpMenu");
  QAction* page = menu->addAction(help->text());
  QAction* version = menu->addAction(QString::fromStdString(Str(StrId::VersionBoxTitle)));
  version->setObjectName("VersionAction");
  connect(page, &QAction::triggered, this, [this] { Press(Button::Help); });
  connect(version, &QAction::triggered, this, [this] { ShowVersionBox(window()); });
  help->setMenu(menu);
  help->setPopupMode(QToolButton::MenuButtonPopup);

  auto addStatus = [&](StrId label, QLabel*& value) {
    auto* row = new QHBoxLayout;
    auto* name = new QLabel(QString::fromStdString(Str(label)), this);
    value = new QLabel(this);
    value->setAccessibleName(name->text());
    row->addWidget(name);
    row->addWidget(value, 1);
    layout->addLayout(row);
  };
  addStatus(StrId::AutoImportLabel, autoState_);
  addStatus(StrId::LibraryCountLabel, count_);
  autoState_->setObjectName("AutoImportState");
  count_->setObjectName("LibraryCount");
  layout->addStretch(1);

  autoState_->setText(QString::fromStdString(
      Str(context_.frame.AutoImportEnabled() ? StrId::AutoImportOn : StrId::AutoImportOff)));
  RefreshCount();
}

void NavColumn::AddButton(Button button, const char* icon, StrId caption) {
  auto* b = new QToolButton(this);
  b->setObjectName(QString("Nav%1").arg(static_cast<int>(button)));
  b->setText(QString::fromStdString(Str(caption)));
  b->setAccessibleName(b->text());
  b->setToolTip(b->text());
  b->setIcon(QIcon(QString(":/icons/%1.svg").arg(icon)));
  b->setIconSize(QSize(28, 28));
  b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  b->setMinimumWidth(150);
  b->setAutoRaise(false);
  const ViewId target = ViewOfButton(button);
  const bool isViewButton = target != ViewId::Start;
  // The view shown needs no button, and a view not built yet has none to offer.
  if (isViewButton && (target == shown_ || !FindView(target))) b->setEnabled(false);
  connect(b, &QToolButton::clicked, this, [this, button] { Press(button); });
  static_cast<QVBoxLayout*>(layout())->addWidget(b);
  buttons_[button] = b;
}

QToolButton* NavColumn::ButtonOf(Button button) const {
  auto it = buttons_.find(button);
  return it == buttons_.end() ? nullptr : it->second;
}

NavColumn::Button NavColumn::ButtonForView(ViewId id) {
  switch (id) {
    case ViewId::Edit: return Button::Edit;
    case ViewId::Remove: return Button::Remove;
    case ViewId::Copy: return Button::Copy;
    case ViewId::Move: return Button::Move;
    case ViewId::Import: return Button::Import;
    case ViewId::Settings: return Button::Settings;
    default: return Button::Library;
  }
}

void NavColumn::RefreshCount() {
  const size_t days = context_.session.Running() ? context_.session.Album().DayCount() : 0;
  count_->setText(QString::number(days) + QString::fromStdString(Str(StrId::DayCountSuffix)));
}

void NavColumn::Press(Button button) {
  // A handler already running (a run, a dialog) owns the program; nothing starts twice.
  if (g_busy > 0) return;
  CMainFrame& frame = context_.frame;
  const ViewId target = ViewOfButton(button);
  if (target != ViewId::Start) {
    // The switch destroys this column with its view: leave the handler first.
    QTimer::singleShot(0, &frame, [&frame, target] { frame.SwitchView(target, true); });
    return;
  }
  BusyGuard busy;
  ImportInProgressGuard importing;  // the auto-import poll waits while a handler runs
  switch (button) {
    case Button::Library:
      OpenLibrary(context_.ui);
      break;
    case Button::Editor:
      frame.LaunchEditor();
      break;
    case Button::Help:
      frame.OpenHelp();
      break;
    case Button::Quit:
      QTimer::singleShot(0, &frame, [&frame] { frame.RequestQuit(); });
      break;
    default:
      break;
  }
}

}  // namespace orrivan::gui
