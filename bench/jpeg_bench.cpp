// Speed of the camera-file services against the reference tool on the very same files:
// RotateFile (in place, fsync included) and a spawned `jpegtran -rotate 90 -copy all` on
// photographic quality-90 4:2:0 pictures of 4608 x 3456 (whole MCUs: DCT-domain path) and
// 4000 x 3000 (partial MCUs: pixel path), and ReadShootingDate over 1,000 files in the page cache.
// With JPEG_BENCH_DIR set the pictures are written there and kept.
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/jpeg_file.h"
// The Release bench build has no test-support library; the writer is compiled in here.
#include "support/jpeg_writer.cpp"
#include "support/temp_dir.cpp"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using orrivan::CJpegFile;

constexpr const char* kJpegtran = "/usr/bin/jpegtran";

struct Workspace {
  fs::path folder;
  bool keep = false;
  std::string dctPicture, pixelPicture;

  Workspace() {
    const char* wanted = std::getenv("JPEG_BENCH_DIR");
    if (wanted && *wanted) {
      folder = wanted;
      keep = true;
      fs::create_directories(folder);
    } else {
      std::string pattern = (fs::temp_directory_path() / "orrivan-jpeg-bench.XXXXXX").string();
      folder = mkdtemp(pattern.data());
    }
    dctPicture = Make(4608, 3456, 11);
    pixelPicture = Make(4000, 3000, 12);
    orrivan::test::WriteFile(folder / "dct.jpg", dctPicture);
    orrivan::test::WriteFile(folder / "pixel.jpg", pixelPicture);
    // 1,000 small camera files for the date reader.
    for (int i = 0; i < 1000; ++i) {
      orrivan::test::WriteFile(folder / "dates" / ("IMG_" + std::to_string(i) + ".JPG"), SmallDated(i));
    }
  }
  ~Workspace() {
    if (!keep) fs::remove_all(folder);
  }

  static std::string Make(int width, int height, std::uint32_t seed) {
    orrivan::test::JpegSpec params;
    params.width = width;
    params.height = height;
    params.quality = 90;
    params.seed = seed;
    params.exif = orrivan::test::ExifSpec{};
    params.exif->orientation = 6;
    params.exif->dateTimeOriginal = "2007:02:06 02:03:49";
    return orrivan::test::MakeJpeg(params);
  }
  static std::string SmallDated(int i) {
    static const std::string base = [] {
      orrivan::test::JpegSpec params;
      params.width = 320;
      params.height = 240;
      params.exif = orrivan::test::ExifSpec{};
      params.exif->dateTimeOriginal = "2007:02:06 02:03:49";
      params.exif->model = "RKC-710  ";
      params.maker = orrivan::test::MakerSpec{"2007:02:06 02:03:49", 0};
      return orrivan::test::MakeJpeg(params);
    }();
    std::string f = base;
    f[f.size() - 3] = static_cast<char>(i);  // distinct files
    return f;
  }
};

Workspace& Files() {
  static Workspace w;
  return w;
}

void Restore(const fs::path& path, const std::string& bytes) { orrivan::test::WriteFile(path, bytes); }

void RunOurs(benchmark::State& state, const std::string& name, const std::string& original) {
  fs::path path = Files().folder / ("ours-" + name);
  for (auto _ : state) {
    state.PauseTiming();
    Restore(path, original);
    state.ResumeTiming();
    if (!CJpegFile::RotateFile(path, orrivan::kRotationClockwise, orrivan::kExifVersion220)) {
      state.SkipWithError("RotateFile failed");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * original.size()));
}

// Spawns jpegtran once; returns false when it is missing or fails.
bool SpawnJpegtran(const std::string& in, const std::string& out) {
  const char* argv[] = {kJpegtran, "-rotate", "90", "-copy", "all", "-outfile", out.c_str(), in.c_str(), nullptr};
  pid_t pid;
  if (posix_spawn(&pid, kJpegtran, nullptr, nullptr, const_cast<char**>(argv), environ) != 0) return false;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void RunJpegtran(benchmark::State& state, const std::string& name) {
  if (!fs::exists(kJpegtran)) {
    state.SkipWithError("jpegtran not installed");
    return;
  }
  std::string in = (Files().folder / name).string();
  std::string out = (Files().folder / ("jpegtran-" + name)).string();
  for (auto _ : state) {
    if (!SpawnJpegtran(in, out)) {
      state.SkipWithError("jpegtran failed");
      break;
    }
  }
}

// Ours and jpegtran alternately in one loop, so both see the same machine load; the counters
// give each one's mean wall time per turn and their ratio.
void RunPaired(benchmark::State& state, const std::string& name, const std::string& original) {
  if (!fs::exists(kJpegtran)) {
    state.SkipWithError("jpegtran not installed");
    return;
  }
  fs::path ours = Files().folder / ("paired-" + name);
  std::string in = (Files().folder / name).string();
  std::string theirs = (Files().folder / ("paired-jpegtran-" + name)).string();
  double oursSeconds = 0, theirsSeconds = 0;
  for (auto _ : state) {
    Restore(ours, original);
    auto t0 = std::chrono::steady_clock::now();
    bool ok = CJpegFile::RotateFile(ours, orrivan::kRotationClockwise, orrivan::kExifVersion220);
    auto t1 = std::chrono::steady_clock::now();
    ok = ok && SpawnJpegtran(in, theirs);
    auto t2 = std::chrono::steady_clock::now();
    if (!ok) {
      state.SkipWithError("a turn failed");
      break;
    }
    oursSeconds += std::chrono::duration<double>(t1 - t0).count();
    theirsSeconds += std::chrono::duration<double>(t2 - t1).count();
    state.SetIterationTime(std::chrono::duration<double>(t2 - t0).count());
  }
  double n = static_cast<double>(state.iterations());
  state.counters["ours_ms"] = 1000 * oursSeconds / n;
  state.counters["jpegtran_ms"] = 1000 * theirsSeconds / n;
  state.counters["ratio"] = theirsSeconds > 0 ? oursSeconds / theirsSeconds : 0;
}

void BM_Paired_Dct_4608x3456(benchmark::State& state) { RunPaired(state, "dct.jpg", Files().dctPicture); }
void BM_Paired_Pixel_4000x3000(benchmark::State& state) { RunPaired(state, "pixel.jpg", Files().pixelPicture); }

void BM_RotateFile_Dct_4608x3456(benchmark::State& state) { RunOurs(state, "dct.jpg", Files().dctPicture); }
void BM_Jpegtran_Dct_4608x3456(benchmark::State& state) { RunJpegtran(state, "dct.jpg"); }
void BM_RotateFile_Pixel_4000x3000(benchmark::State& state) { RunOurs(state, "pixel.jpg", Files().pixelPicture); }
void BM_Jpegtran_Pixel_4000x3000(benchmark::State& state) { RunJpegtran(state, "pixel.jpg"); }

// The turn alone, without file reads and writes.
void BM_RotateBytes_Dct_4608x3456(benchmark::State& state) {
  const std::string& in = Files().dctPicture;
  std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(in.data()), in.size());
  std::vector<std::uint8_t> out;
  for (auto _ : state) {
    if (!CJpegFile::RotateBytes(bytes, orrivan::kRotationClockwise, 220, out)) state.SkipWithError("failed");
    benchmark::DoNotOptimize(out.data());
  }
}
void BM_RotateBytes_Pixel_4000x3000(benchmark::State& state) {
  const std::string& in = Files().pixelPicture;
  std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(in.data()), in.size());
  std::vector<std::uint8_t> out;
  for (auto _ : state) {
    if (!CJpegFile::RotateBytes(bytes, orrivan::kRotationClockwise, 220, out)) state.SkipWithError("failed");
    benchmark::DoNotOptimize(out.data());
  }
}

void BM_ReadShootingDate_1000Files(benchmark::State& state) {
  std::vector<fs::path> files;
  for (int i = 0; i < 1000; ++i) files.push_back(Files().folder / "dates" / ("IMG_" + std::to_string(i) + ".JPG"));
  std::string date;
  for (const fs::path& f : files) CJpegFile::ReadShootingDate(f, date);  // into the page cache
  for (auto _ : state) {
    int found = 0;
    for (const fs::path& f : files) found += CJpegFile::ReadShootingDate(f, date);
    if (found != 1000) state.SkipWithError("a date was not found");
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * files.size()));
}

void BM_ReadOrientation_1000Files(benchmark::State& state) {
  std::vector<fs::path> files;
  for (int i = 0; i < 1000; ++i) files.push_back(Files().folder / "dates" / ("IMG_" + std::to_string(i) + ".JPG"));
  for (auto _ : state) {
    int version = 0;
    for (const fs::path& f : files) benchmark::DoNotOptimize(CJpegFile::ReadOrientation(f, version));
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * files.size()));
}

}  // namespace

#define TURN_BENCH(f) BENCHMARK(f)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true)->UseRealTime()
TURN_BENCH(BM_RotateFile_Dct_4608x3456);
TURN_BENCH(BM_Jpegtran_Dct_4608x3456);
TURN_BENCH(BM_RotateFile_Pixel_4000x3000);
TURN_BENCH(BM_Jpegtran_Pixel_4000x3000);
TURN_BENCH(BM_RotateBytes_Dct_4608x3456);
TURN_BENCH(BM_RotateBytes_Pixel_4000x3000);
BENCHMARK(BM_Paired_Dct_4608x3456)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_Paired_Pixel_4000x3000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_ReadShootingDate_1000Files)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_ReadOrientation_1000Files)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
