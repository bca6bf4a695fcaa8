// The GUI's Interaction across threads: a worker's questions are answered on the GUI thread while it
// keeps running, closing the window cancels a worker that waits on a question, and the progress
// window's Cancel reaches a worker that is busy.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <future>
#include <stdexcept>
#include <thread>

#include "base/strings.h"
#include "gui/date_dialog.h"
#include "gui/dialog_common.h"
#include "gui/gui_interaction.h"
#include "gui/progress_window.h"
#include "gui/undated_dialog.h"
#include "seam_fixture.h"

namespace orrivan::gui {
namespace {

class Interaction : public test::SeamTest {
 protected:
  GuiInteraction ui_;
};

// Calls check on the GUI thread every few milliseconds until it returns true.
void PollOnGui(QObject* owner, std::function<bool()> check) {
  auto* timer = new QTimer(owner);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, check = std::move(check)] {
    if (check()) timer->deleteLater();
  });
  timer->start(5);
}

ProgressWindow* OpenProgressWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* p = qobject_cast<ProgressWindow*>(w); p && p->isVisible()) return p;
  return nullptr;
}

TEST_F(Interaction, WorkerQuestionsAreAnsweredOnTheGuiThread) {
  bool onGuiThread = false;
  DialogSeam::SetObserver([&](DialogKind, QWidget*) { onGuiThread = QThread::currentThread() == qApp->thread(); });
  DialogSeam::NextButton(0);
  DialogSeam::NextDate("20070315");
  bool confirmed = false;
  std::optional<std::string> date;
  std::thread::id workerId;
  RunOffGuiThread([&] {
    workerId = std::this_thread::get_id();
    confirmed = ui_.Confirm(Str(StrId::CardFoundImport), Icon::Question);
    date = ui_.AskDate(DateQuestion{Str(StrId::DateDialogTitle), "/SRC", Str(StrId::DatePrompt)});
  });
  EXPECT_TRUE(workerId != std::this_thread::get_id());
  EXPECT_TRUE(onGuiThread);
  EXPECT_TRUE(confirmed);
  EXPECT_EQ(date, "20070315");
}

// A test reaches the progress window through the seam's observer, as a user reaches its button.
TEST_F(Interaction, TheObserverSeesTheProgressWindowAndItsCancelReachesTheWorker) {
  ProgressWindow* seen = nullptr;
  DialogSeam::SetObserver([&seen](DialogKind kind, QWidget* window) {
    if (kind != DialogKind::Progress) return;
    seen = qobject_cast<ProgressWindow*>(window);
    if (seen) seen->CancelButton()->click();
  });
  bool cancelled = false;
  RunOffGuiThread([&] { cancelled = ui_.OpenProgress(Str(StrId::ImportCaption))->Cancelled(); });
  EXPECT_NE(seen, nullptr);
  EXPECT_TRUE(cancelled);
  const auto shown = DialogSeam::ShownDialogs();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].kind, DialogKind::Progress);
  EXPECT_EQ(shown[0].caption, Str(StrId::ImportCaption));
}

TEST_F(Interaction, AnExceptionOfTheWorkComesBackToTheCaller) {
  EXPECT_THROW(RunOffGuiThread([] { throw std::runtime_error("boom"); }), std::runtime_error);
}

// The window closes while the worker waits on a real, modal question: the question answers Cancel,
// the worker's later questions answer Cancel without a dialog, its progress reports cancelled.
TEST(InteractionClosing, CancelEverythingAnswersTheOpenQuestionAndEveryLaterOne) {
  DialogSeam::Disable();  // real dialogs that wait for a user
  GuiInteraction ui;
  QObject owner;
  bool sawOpenDialog = false;
  PollOnGui(&owner, [&] {
    if (OpenDialogCount() == 0) return false;
    sawOpenDialog = true;
    ui.CancelEverything();
    return true;
  });
  std::atomic<bool> watchdogFired{false};
  // Only a deadlock would let this fire; it ends the test instead of hanging it.
  QTimer::singleShot(20000, &owner, [&] {
    watchdogFired = true;
    ui.CancelEverything();
  });

  Answer first = Answer::Yes;
  bool confirm = true;
  std::optional<std::string> date = "x";
  UndatedChoice undated{UndatedChoice::Kind::FileDate, {}};
  EraseAnswer erase = EraseAnswer::Yes;
  bool progressCancelled = false;
  RunOffGuiThread([&] {
    first = ui.Question("overwrite?", Icon::Question, true);
    confirm = ui.Confirm("go on?", Icon::Question);
    date = ui.AskDate(DateQuestion{});
    undated = ui.AskUndated(2, false);
    erase = ui.AskErase("erase?", BoxLook{});
    ui.Message("never shown", Icon::Stop);
    progressCancelled = ui.OpenProgress("caption")->Cancelled();
  });
  EXPECT_FALSE(watchdogFired);
  EXPECT_TRUE(sawOpenDialog);
  EXPECT_EQ(first, Answer::Cancel);
  EXPECT_FALSE(confirm);
  EXPECT_EQ(date, std::nullopt);
  EXPECT_EQ(undated.kind, UndatedChoice::Kind::Cancel);
  EXPECT_EQ(erase, EraseAnswer::Cancel);
  EXPECT_TRUE(progressCancelled);
  EXPECT_EQ(OpenDialogCount(), 0);
  EXPECT_TRUE(ui.Cancelling());
  ui.Reset();
  EXPECT_FALSE(ui.Cancelling());
}

// The undated choice asks its date in a second dialog; cancelling there cancels the choice (instead
// of going back to it, as the date dialog's own Cancel does).
TEST(InteractionClosing, CancelEverythingInTheDateOfTheUndatedChoiceCancelsIt) {
  DialogSeam::Disable();
  GuiInteraction ui;
  QObject owner;
  bool sawDate = false;
  PollOnGui(&owner, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* undated = qobject_cast<UndatedDialog*>(modal)) {
      undated->ByGivenDate()->setChecked(true);
      undated->OkButton()->click();
      return false;
    }
    if (!qobject_cast<DateDialog*>(modal)) return false;
    sawDate = true;
    ui.CancelEverything();
    return true;
  });
  QTimer::singleShot(20000, &owner, [&] { ui.CancelEverything(); });
  UndatedChoice choice{UndatedChoice::Kind::FileDate, {}};
  RunOffGuiThread([&] { choice = ui.AskUndated(1, false); });
  EXPECT_TRUE(sawDate);
  EXPECT_EQ(choice.kind, UndatedChoice::Kind::Cancel);
  EXPECT_EQ(OpenDialogCount(), 0);
}

// The worker is busy (one long copy, here a wait the test controls): the window still shows its
// updates and its Cancel works, and the worker sees the cancel when it next looks.
TEST(ProgressWindowTest, CancelReachesABusyWorker) {
  GuiInteraction ui;
  QObject owner;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::string counterShown, line1Shown, captionShown, cancelLabel;
  bool clicked = false;
  PollOnGui(&owner, [&] {
    ProgressWindow* window = OpenProgressWindow();
    if (!window || window->Counter()->text() != QStringLiteral("3/ 10")) return false;
    counterShown = window->Counter()->text().toStdString();
    line1Shown = window->Line1()->text().toStdString();
    captionShown = window->windowTitle().toStdString();
    cancelLabel = window->CancelButton()->text().toStdString();
    window->CancelButton()->click();
    clicked = true;
    release.set_value();
    return true;
  });
  QTimer::singleShot(20000, &owner, [&] {
    if (!clicked) release.set_value();
  });

  bool cancelledBefore = true, cancelledAfter = false;
  RunOffGuiThread([&] {
    auto progress = ui.OpenProgress(Str(StrId::ImportCaption));
    progress->SetText(Str(StrId::CopyingFiles), std::string());
    progress->SetRange(10);
    progress->SetPosition(3);
    cancelledBefore = progress->Cancelled();
    released.wait();  // the copy of one large file
    cancelledAfter = progress->Cancelled();
  });
  ASSERT_TRUE(clicked);
  EXPECT_FALSE(cancelledBefore);
  EXPECT_TRUE(cancelledAfter);
  EXPECT_EQ(counterShown, "3/ 10");
  EXPECT_EQ(line1Shown, Str(StrId::CopyingFiles));
  EXPECT_EQ(captionShown, "ｶﾒﾗ内画像の取込");
  EXPECT_EQ(cancelLabel, "ｷｬﾝｾﾙ");
  // Destroying the engine's handle closes the window.
  QApplication::processEvents();
  EXPECT_EQ(OpenProgressWindow(), nullptr);
}

// Many updates from a fast worker are coalesced, and the last one is what the window shows.
TEST(ProgressWindowTest, TheLastUpdateOfAFastWorkerIsShown) {
  GuiInteraction ui;
  QObject owner;
  std::string lastCounter, lastLine2;
  int barValue = -1, barMaximum = -1;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> updated{false};
  PollOnGui(&owner, [&] {
    ProgressWindow* window = OpenProgressWindow();
    if (!window || !updated) return false;
    // The worker's updates are done; what the window shows once their pull ran.
    QApplication::processEvents();
    lastCounter = window->Counter()->text().toStdString();
    lastLine2 = window->Line2()->text().toStdString();
    barValue = window->Bar()->value();
    barMaximum = window->Bar()->maximum();
    release.set_value();
    return true;
  });
  RunOffGuiThread([&] {
    auto progress = ui.OpenProgress("c");
    constexpr int kItems = 20000;
    progress->SetRange(kItems);
    for (int i = 1; i <= kItems; ++i) progress->SetPosition(i);
    progress->SetText("a", "b");
    updated = true;
    released.wait();
  });
  EXPECT_EQ(lastCounter, "20000/ 20000");
  EXPECT_EQ(lastLine2, "b");
  EXPECT_EQ(barValue, 20000);
  EXPECT_EQ(barMaximum, 20000);
}

TEST(ProgressWindowTest, ClosingTheWindowCancelsInsteadOfClosing) {
  GuiInteraction ui;
  auto progress = ui.OpenProgress("c");  // on the GUI thread, as a short task may use it
  ProgressWindow* window = OpenProgressWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(progress->Cancelled());
  EXPECT_TRUE(window->Counter()->text().isEmpty());  // no total yet
  window->close();
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(progress->Cancelled());
  EXPECT_FALSE(window->CancelButton()->isEnabled());
  progress.reset();
  EXPECT_EQ(OpenProgressWindow(), nullptr);
}

TEST(ProgressWindowTest, HugeTotalsStillFillTheBar) {
  GuiInteraction ui;
  auto progress = ui.OpenProgress("c");
  ProgressWindow* window = OpenProgressWindow();
  ASSERT_NE(window, nullptr);
  const int64_t total = int64_t{5} << 32;
  progress->SetRange(total);
  progress->SetPosition(total / 2);
  EXPECT_GT(window->Bar()->maximum(), 0);
  EXPECT_NEAR(double(window->Bar()->value()) / window->Bar()->maximum(), 0.5, 0.01);
  EXPECT_EQ(window->Counter()->text().toStdString(), std::to_string(total / 2) + "/ " + std::to_string(total));
}

}  // namespace
}  // namespace orrivan::gui
