// The progress window while the worker copies one large file (200 MB, written and synced as an
// import places it): the longest gap between two ticks of a 10 ms timer on the GUI thread (what
// keeps the window repainting), and the time from a click on Cancel being queued to the worker's
// Cancelled() reading true. Run under Xvfb or with QT_QPA_PLATFORM=offscreen.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "gui/gui_interaction.h"
#include "gui/progress_window.h"

namespace {

namespace fs = std::filesystem;
using namespace orrivan;
using Clock = std::chrono::steady_clock;

constexpr size_t kFileBytes = size_t{200} << 20;

fs::path BigFile() {
  static const fs::path path = [] {
    const fs::path p = fs::temp_directory_path() / "orrivan-progress-bench.bin";
    std::vector<char> block(1 << 20);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 131);
    std::ofstream out(p, std::ios::binary);
    for (size_t written = 0; written < kFileBytes; written += block.size()) out.write(block.data(), block.size());
    return p;
  }();
  return path;
}

// The placement of one file as the import does it: a copy, then fsync before anything goes on.
void CopyAndSync(const fs::path& from, const fs::path& to) {
  fs::copy_file(from, to, fs::copy_options::overwrite_existing);
  const int fd = ::open(to.c_str(), O_RDONLY);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

gui::ProgressWindow* OpenWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* p = qobject_cast<gui::ProgressWindow*>(w); p && p->isVisible()) return p;
  return nullptr;
}

void BM_ProgressWindowDuringALargeCopy(benchmark::State& state) {
  const fs::path source = BigFile();
  const fs::path target = fs::temp_directory_path() / "orrivan-progress-bench.copy";
  double worstGapMs = 0, worstCancelMs = 0, copyMs = 0;
  for (auto _ : state) {
    gui::GuiInteraction ui;
    QElapsedTimer sinceTick;
    double gapMs = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      if (sinceTick.isValid()) gapMs = std::max(gapMs, sinceTick.nsecsElapsed() / 1e6);
      sinceTick.restart();
    });
    std::atomic<bool> copying{false};
    std::atomic<int64_t> clickQueuedNs{0};
    double cancelMs = -1;
    // 100 ms into the copy the user presses Cancel.
    QTimer clicker;
    clicker.setInterval(5);
    QElapsedTimer sinceCopy;
    QObject::connect(&clicker, &QTimer::timeout, [&] {
      if (!copying || !sinceCopy.isValid() || sinceCopy.elapsed() < 100 || clickQueuedNs) return;
      if (gui::ProgressWindow* window = OpenWindow()) {
        clickQueuedNs = Clock::now().time_since_epoch().count();
        QMetaObject::invokeMethod(window->CancelButton(), "click", Qt::QueuedConnection);
      }
    });
    ticker.start();
    clicker.start();
    gui::RunOffGuiThread([&] {
      auto progress = ui.OpenProgress("bench");
      progress->SetRange(1);
      progress->SetPosition(0);
      // A watcher stands for the engine's next look at Cancelled(), taken as soon as it is true.
      std::atomic<bool> stop{false};
      std::thread watcher([&] {
        while (!stop && !progress->Cancelled()) std::this_thread::sleep_for(std::chrono::microseconds(200));
        if (progress->Cancelled() && clickQueuedNs)
          cancelMs = (Clock::now().time_since_epoch().count() - clickQueuedNs) / 1e6;
      });
      QMetaObject::invokeMethod(qApp, [&] { sinceCopy.start(); }, Qt::BlockingQueuedConnection);
      copying = true;
      const auto start = Clock::now();
      CopyAndSync(source, target);
      copyMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      copying = false;
      stop = true;
      watcher.join();
    });
    worstGapMs = std::max(worstGapMs, gapMs);
    worstCancelMs = std::max(worstCancelMs, cancelMs);
    QApplication::processEvents();
  }
  fs::remove(target);
  state.counters["max_gui_gap_ms"] = worstGapMs;
  state.counters["cancel_ms"] = worstCancelMs;  // -1: the copy ended before the click
  state.counters["copy_ms"] = copyMs;
}
BENCHMARK(BM_ProgressWindowDuringALargeCopy)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  fs::remove(BigFile(), ec);
  return 0;
}
