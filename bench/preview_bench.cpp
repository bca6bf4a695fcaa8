// Preview speed: MakePreview over 40 camera-sized pictures (4000 x 3000) and over 40 small ones
// (640 x 480), one preview after another as an import makes them. The pictures are made once per
// run: smooth shading, edges and fine noise, encoded at quality 92, so their entropy-coded data is
// as heavy as a camera's. With PREVIEW_BENCH_DIR set they are written there and kept (to time
// another tool on the very same files); otherwise a temporary folder is used and removed.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/image_ops.h"
#include "imaging/preview.h"

namespace {

namespace fs = std::filesystem;
using orrivan::imaging::RgbImage;

constexpr int kFiles = 40;

RgbImage Scene(int width, int height, std::uint32_t seed) {
  RgbImage image;
  image.width = width;
  image.height = height;
  image.pixels.resize(static_cast<std::size_t>(width) * height * 3);
  std::uint32_t noise = seed * 2654435761u + 1;
  const double phase = seed * 0.37;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const int grain = static_cast<int>(noise >> 28) - 8;
      const double u = static_cast<double>(x) / width, v = static_cast<double>(y) / height;
      const double wave = std::sin(u * 40 + phase) * std::cos(v * 31 - phase);
      const bool stripe = ((x / 37 + y / 53) & 3) == 0;
      const int r = static_cast<int>(90 + 110 * u + 30 * wave) + grain + (stripe ? 40 : 0);
      const int g = static_cast<int>(70 + 120 * v + 25 * wave) + grain;
      const int b = static_cast<int>(160 - 90 * u + 40 * wave) + grain - (stripe ? 30 : 0);
      std::uint8_t* p = image.pixels.data() + (static_cast<std::size_t>(y) * width + x) * 3;
      p[0] = static_cast<std::uint8_t>(r < 0 ? 0 : r > 255 ? 255 : r);
      p[1] = static_cast<std::uint8_t>(g < 0 ? 0 : g > 255 ? 255 : g);
      p[2] = static_cast<std::uint8_t>(b < 0 ? 0 : b > 255 ? 255 : b);
    }
  }
  return image;
}

struct PictureSet {
  fs::path folder;
  std::vector<fs::path> pictures;
  bool keep = false;

  PictureSet(int width, int height) {
    const char* wanted = std::getenv("PREVIEW_BENCH_DIR");
    if (wanted && *wanted) {
      folder = fs::path(wanted) / (std::to_string(width) + "x" + std::to_string(height));
      keep = true;
    } else {
      folder = fs::temp_directory_path() /
               ("orrivan-preview-bench-" + std::to_string(getpid()) + "-" + std::to_string(width));
    }
    fs::create_directories(folder / "PREVIEW");
    for (int i = 0; i < kFiles; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "ABCD%04d.JPG", i + 1);
      const fs::path path = folder / name;
      if (!fs::exists(path)) orrivan::imaging::SaveJpeg(Scene(width, height, i + 1), path, 92);
      pictures.push_back(path);
    }
  }
  ~PictureSet() {
    std::error_code ec;
    if (!keep) fs::remove_all(folder, ec);
  }
};

void MakeAllPreviews(benchmark::State& state, const PictureSet& set) {
  for (auto _ : state) {
    for (const auto& picture : set.pictures) {
      const auto outcome = orrivan::imaging::MakePreview(picture, orrivan::imaging::PreviewPath(picture));
      if (outcome != orrivan::imaging::PreviewOutcome::Written) {
        state.SkipWithError("a preview failed");
        return;
      }
    }
  }
  state.SetItemsProcessed(state.iterations() * kFiles);
}

void BM_Preview4000x3000(benchmark::State& state) {
  static const PictureSet set(4000, 3000);
  MakeAllPreviews(state, set);
}

void BM_Preview640x480(benchmark::State& state) {
  static const PictureSet set(640, 480);
  MakeAllPreviews(state, set);
}

// Time per iteration = 40 previews.
BENCHMARK(BM_Preview4000x3000)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Preview640x480)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
