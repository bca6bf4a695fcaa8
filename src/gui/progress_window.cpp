#include "gui/progress_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>
#include <limits>

#include "gui/dialog_common.h"

namespace orrivan::gui {
namespace {

// The counter joins the item number and the total with "/ ".
QString CounterText(int64_t position, int64_t maximum) {
  return QString::number(position) + QStringLiteral("/ ") + QString::number(maximum);
}

bool OnGuiThread() { return QThread::currentThread() == qApp->thread(); }

// The window keeps one width while texts and counter change: long lines (file paths) are cut in the
// middle, with the whole text in the tool tip.
constexpr int kLineWidth = 400;

void SetElided(QLabel* label, const QString& text) {
  const QString shown = label->fontMetrics().elidedText(text, Qt::ElideMiddle, kLineWidth);
  label->setText(shown);
  label->setToolTip(shown == text ? QString() : text);
  label->setAccessibleName(text);
}

// A GUI-thread run (no worker) lets the window repaint and the button work at this interval.
constexpr int kPumpMs = 50;

}  // namespace

ProgressWindow::ProgressWindow(QWidget* parent, const std::string& caption, std::shared_ptr<ProgressState> state)
    : QDialog(parent), state_(std::move(state)) {
  setWindowTitle(Q(caption));
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  line1_ = new QLabel(this);
  line2_ = new QLabel(this);
  for (QLabel* line : {line1_, line2_}) {
    line->setTextFormat(Qt::PlainText);
    line->setFixedWidth(kLineWidth);
    layout->addWidget(line);
  }
  counter_ = new QLabel(this);
  counter_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  bar_ = new QProgressBar(this);
  bar_->setTextVisible(false);
  bar_->setAccessibleName(Q(StrId::ProgressBarName));
  bar_->setRange(0, 0);
  auto* barRow = new QHBoxLayout;
  barRow->addWidget(bar_, 1);
  barRow->addWidget(counter_);
  layout->addLayout(barRow);
  cancel_ = MakeButton(Q(StrId::CancelButtonHalfWidth), this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cancel_);
  buttons->addStretch(1);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  connect(cancel_, &QPushButton::clicked, this, &ProgressWindow::Cancel);
  Pull();
}

void ProgressWindow::Pull() {
  std::string line1, line2;
  int64_t maximum = 0, position = 0;
  {
    std::lock_guard lock(state_->mutex);
    line1 = state_->line1;
    line2 = state_->line2;
    maximum = state_->maximum;
    position = state_->position;
  }
  SetElided(line1_, Q(line1));
  SetElided(line2_, Q(line2));
  // No total yet: the bar runs as busy and the counter waits. The counter has room for the total
  // over the total, so the bar does not move as it counts.
  counter_->setText(maximum > 0 ? CounterText(position, maximum) : QString());
  counter_->setMinimumWidth(counter_->fontMetrics().horizontalAdvance(CounterText(maximum, maximum)));
  if (maximum <= 0) {
    bar_->setRange(0, 0);
    return;
  }
  // The bar counts in int; very large totals are scaled down.
  const int64_t scale = maximum / std::numeric_limits<int>::max() + 1;
  bar_->setRange(0, static_cast<int>(maximum / scale));
  bar_->setValue(static_cast<int>(std::clamp<int64_t>(position, 0, maximum) / scale));
}

void ProgressWindow::Cancel() {
  state_->cancelled = true;
  cancel_->setEnabled(false);
}

void ProgressWindow::reject() { Cancel(); }

void ProgressWindow::closeEvent(QCloseEvent* event) {
  Cancel();
  event->ignore();
}

GuiProgress::GuiProgress(ProgressWindow* window, std::shared_ptr<ProgressState> state)
    : window_(window), state_(std::move(state)) {
  sincePump_.start();
}

GuiProgress::~GuiProgress() {
  if (OnGuiThread()) {
    delete window_.data();
    return;
  }
  // Queued, so the window goes before whatever the worker asks next.
  QMetaObject::invokeMethod(
      qApp, [window = window_] { delete window.data(); }, Qt::QueuedConnection);
}

void GuiProgress::SetText(const std::string& line1, const std::string& line2) {
  {
    std::lock_guard lock(state_->mutex);
    state_->line1 = line1;
    state_->line2 = line2;
  }
  Changed();
}

void GuiProgress::SetRange(int64_t maximum) {
  {
    std::lock_guard lock(state_->mutex);
    state_->maximum = maximum;
  }
  Changed();
}

void GuiProgress::SetPosition(int64_t position) {
  {
    std::lock_guard lock(state_->mutex);
    state_->position = position;
  }
  Changed();
}

bool GuiProgress::Cancelled() const { return state_->Cancelled(); }

void GuiProgress::Changed() {
  if (OnGuiThread()) {
    if (window_) window_->Pull();
    if (sincePump_.elapsed() >= kPumpMs) {
      sincePump_.restart();
      QCoreApplication::processEvents();
    }
    return;
  }
  // One pull pending at most: a worker's thousand updates a second become a few repaints.
  if (state_->pullQueued.exchange(true)) return;
  QMetaObject::invokeMethod(
      qApp,
      [window = window_, state = state_] {
        state->pullQueued = false;
        if (window) window->Pull();
      },
      Qt::QueuedConnection);
}

}  // namespace orrivan::gui
