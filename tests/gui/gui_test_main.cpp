// The GUI tests' own main: one QApplication on the offscreen platform for every test.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "gui/dialog_common.h"

namespace {

// The offscreen platform says on every resize that it cannot pass size hints on; nothing to see.
void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.contains("propagateSizeHints")) return;
  qt_message_output(type, context, message);
}

// A window nobody answers blocks a test for ever; the watchdog names the test and what is on screen,
// then ends the run, so that a hang is a failure with a reason rather than a silent stall.
class Watchdog : public ::testing::EmptyTestEventListener {
 public:
  explicit Watchdog(int seconds) : limit_(seconds) {}

  void OnTestStart(const ::testing::TestInfo& info) override {
    std::lock_guard lock(mutex_);
    name_ = std::string(info.test_suite_name()) + "." + info.name();
    started_ = std::chrono::steady_clock::now();
    running_ = true;
  }
  void OnTestEnd(const ::testing::TestInfo&) override { running_ = false; }

  // Seconds the running test has taken, or -1 between tests.
  int Elapsed(std::string* name) const {
    std::lock_guard lock(mutex_);
    if (!running_) return -1;
    *name = name_;
    return int(std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started_).count());
  }
  int Limit() const { return limit_; }

 private:
  const int limit_;
  mutable std::mutex mutex_;
  std::string name_;
  std::chrono::steady_clock::time_point started_;
  std::atomic<bool> running_{false};
};

// Runs on the GUI thread, which keeps serving timers inside a modal window's own loop.
void ReportWindows(const std::string& test, int seconds) {
  std::fprintf(stderr, "\n%s has run %d s: ended as hung. Windows shown:\n", test.c_str(), seconds);
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (!window->isVisible()) continue;
    std::fprintf(stderr, "  %s \"%s\"\n", window->metaObject()->className(), qPrintable(window->windowTitle()));
    for (const QLabel* label : window->findChildren<QLabel*>())
      if (label->isVisible() && !label->text().isEmpty()) std::fprintf(stderr, "    label \"%s\"\n", qPrintable(label->text()));
    for (const QAbstractButton* button : window->findChildren<QAbstractButton*>())
      if (button->isVisible()) std::fprintf(stderr, "    button \"%s\"\n", qPrintable(button->text()));
  }
  std::fflush(stderr);
  std::_Exit(3);
}

}  // namespace

int main(int argc, char** argv) {
  qInstallMessageHandler(QuietHandler);
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  orrivan::gui::InstallQtJapanese();  // Qt's own dialogs as the program shows them
  // Windows of a test close without ending the test program.
  QApplication::setQuitOnLastWindowClosed(false);
  ::testing::InitGoogleTest(&argc, argv);

  const char* limit = std::getenv("ORRIVAN_TEST_HANG_SECONDS");
  auto* watchdog = new Watchdog(limit ? std::atoi(limit) : 180);
  ::testing::UnitTest::GetInstance()->listeners().Append(watchdog);  // gtest owns it
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [watchdog] {
    std::string name;
    const int seconds = watchdog->Elapsed(&name);
    if (seconds > watchdog->Limit()) ReportWindows(name, seconds);
  });
  timer.start(1000);
  // A test blocked outside any event loop is still named, a little later.
  std::thread([watchdog] {
    for (;;) {
      std::this_thread::sleep_for(std::chrono::seconds(5));
      std::string name;
      const int seconds = watchdog->Elapsed(&name);
      if (seconds > watchdog->Limit() + 30) {
        std::fprintf(stderr, "\n%s has run %d s outside any event loop: ended as hung.\n", name.c_str(), seconds);
        std::fflush(stderr);
        std::_Exit(3);
      }
    }
  }).detach();
  return RUN_ALL_TESTS();
}
