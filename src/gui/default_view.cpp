#include "gui/default_view.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "app/album_session.h"
#include "app/library_view.h"
#include "base/settings.h"
#include "gui/gui_interaction.h"
#include "gui/main_frame.h"
#include "import/filing.h"

namespace orrivan::gui {

using settings::Key;

CDefaultView::CDefaultView(ViewContext& context, QWidget* parent) : FormView(context, ViewId::Start, parent) {
  setObjectName("DefaultView");
  setAutoFillBackground(true);
  QPalette grey = palette();
  grey.setColor(QPalette::Window, QColor(178, 178, 178));
  setPalette(grey);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  nav_ = new NavColumn(context, ViewId::Start, this);
  layout->addWidget(nav_);
  // Enter, N and O are swallowed before the buttons see them.
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

QWidget* CDefaultView::DefaultFocus() {
  return nav_->ButtonOf(NavColumn::ButtonForView(context_.frame.LastViewId()));
}

bool CDefaultView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_N || key == Qt::Key_O) {
      event->accept();
      return true;
    }
  }
  return FormView::eventFilter(watched, event);
}

void CDefaultView::InitialUpdate() {
  QTimer::singleShot(0, this, &CDefaultView::AfterShown);
}

void CDefaultView::AfterShown() {
  CMainFrame& frame = context_.frame;
  // Shown while the start-up or a run still works (an automatic import at start): come back later.
  if (g_busy > 0 || frame.Running() || !context_.session.Running()) {
    QTimer::singleShot(100, this, &CDefaultView::AfterShown);
    return;
  }
  if (settings::GetInt(Key::DisplayMethod) == 9) {
    BusyGuard busy;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    CRKCardAlbumDoc& album = context_.session.Album();
    frame.RunWork([&] { BuildCalendarIfPending(album, context_.ui); });
    QApplication::restoreOverrideCursor();
  }
  // No mail program was ever chosen: the settings view asks for one (once it is there).
  if (settings::GetString(Key::MailName) == "error" && FindView(ViewId::Settings))
    QTimer::singleShot(0, &frame, [&frame] { frame.SwitchView(ViewId::Settings, true); });
  // The root is made when missing, unless the album has days under it (a disk not mounted): then the
  // user is told, once a run rather than at every return to this view.
  if (!frame.property("libraryRootChecked").toBool()) {
    frame.setProperty("libraryRootChecked", true);
    SettleImportLibraryRoot(context_.session.Album(), context_.ui);
  }
}

}  // namespace orrivan::gui
