// Throughput of a camera file transfer: 2 MiB at 115200 baud from fakecam with line pacing, as a
// share of the line rate (ten bit times per byte). Blocks, checksums, acknowledgements, the speed
// switches and the command exchanges around the data all count against it.
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include <benchmark/benchmark.h>

#include "base/settings.h"
#include "camera/camera_link.h"
#include "camera/fakecam_process.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kFileSize = 2u << 20;
constexpr unsigned kRate = 115200;

void BM_SerialFetch2MiB(benchmark::State& state) {
  std::string pattern = (fs::temp_directory_path() / "orrivan-serial-bench.XXXXXX").string();
  if (!mkdtemp(pattern.data())) {
    state.SkipWithError("mkdtemp failed");
    return;
  }
  fs::path root = pattern;
  fs::path folder = root / "card" / "DCIM" / "100BENCH";
  fs::create_directories(folder);
  {
    std::string bytes(kFileSize, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
    std::ofstream(folder / "BNCH0001.JPG", std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  fs::create_directories(root / "target");
  orrivan::settings::UseFile(root / "Orrivan.conf");

  orrivan::test::FakecamProcess cam(root / "card", root / "fakecam.log", {});
  orrivan::CCameraLink link;
  link.SetPortName(cam.Port());
  link.SetBaudRateText(std::to_string(kRate));
  double seconds = 0;
  for (auto _ : state) {
    if (link.Connect() != orrivan::LINK_OK || link.GoToRoot() != orrivan::LINK_OK ||
        link.ChangeFolder("DCIM") != orrivan::LINK_OK || link.ChangeFolder("100BENCH") != orrivan::LINK_OK) {
      state.SkipWithError("could not reach the camera folder");
      break;
    }
    auto start = std::chrono::steady_clock::now();
    orrivan::LinkResult r = link.FetchFile(nullptr, root / "target", "BNCH0001.JPG");
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(seconds);
    link.Disconnect();
    if (r != orrivan::LINK_OK || fs::file_size(root / "target" / "BNCH0001.JPG") != kFileSize) {
      state.SkipWithError("fetch failed");
      break;
    }
  }
  double lineSeconds = static_cast<double>(kFileSize) * 10.0 / kRate;
  state.counters["line_share_percent"] = seconds > 0 ? 100.0 * lineSeconds / seconds : 0;
  state.counters["bytes_per_second"] = seconds > 0 ? static_cast<double>(kFileSize) / seconds : 0;
  std::error_code ec;
  fs::remove_all(root, ec);
}

BENCHMARK(BM_SerialFetch2MiB)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
