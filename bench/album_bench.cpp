// Load and save of a large album: 5,000 days and 200,000 pictures (40 per day), through the album
// document, from and to a file (the save includes its fsyncs) and from and to bytes alone.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "library/album_document.h"

namespace {

constexpr int kDays = 5000;
constexpr int kPicturesPerDay = 40;

std::string Two(int v) {
  char s[8];
  std::snprintf(s, sizeof s, "%02d", v);
  return s;
}

void Fill(orrivan::CRKCardAlbumDoc& doc) {
  const std::string root = "/home/user/Pictures/Orrivan/Image Library/";
  for (int i = 0; i < kDays; ++i) {
    const int year = 1995 + i / 336, month = 1 + (i / 28) % 12, day = 1 + i % 28;
    const std::string name = std::to_string(year) + Two(month) + Two(day);
    orrivan::CAlbumData d;
    d.folderPath = root + name;
    d.pagePath = d.folderPath + "/INDEX.HTM";
    d.title = i % 3 ? "運動会 " + std::to_string(i) : "";
    d.templateName = "1,3";
    d.mailName = orrivan::kNoMailProgram;
    d.pictureCount = kPicturesPerDay;
    doc.AddDay(d);
    for (int k = 0; k < kPicturesPerDay; ++k) {
      orrivan::CPhotoData p;
      p.filePath = d.folderPath + "/IMG_" + std::to_string(1000 + k) + ".JPG";
      p.year = std::to_string(year);
      p.month = Two(month);
      p.day = Two(day);
      p.hour = Two(8 + k / 6);
      p.minute = Two(k % 60);
      p.second = Two((k * 7) % 60);
      p.size = 2'000'000 + k;
      doc.AddPicture(p);
    }
  }
}

const std::string& AlbumBytes() {
  static const std::string bytes = [] {
    orrivan::CRKCardAlbumDoc doc(std::filesystem::temp_directory_path());
    doc.SetGenerationRotation(false);
    Fill(doc);
    return doc.SaveBytes();
  }();
  return bytes;
}

std::filesystem::path AlbumFile() {
  static const std::filesystem::path path = [] {
    auto p = std::filesystem::temp_directory_path() / "orrivan-album-bench.rks";
    FILE* f = std::fopen(p.c_str(), "wb");
    std::fwrite(AlbumBytes().data(), 1, AlbumBytes().size(), f);
    std::fclose(f);
    return p;
  }();
  return path;
}

void BM_AlbumLoadFile(benchmark::State& state) {
  const auto path = AlbumFile();
  for (auto _ : state) {
    orrivan::CRKCardAlbumDoc doc(path.parent_path());
    doc.SetGenerationRotation(false);
    if (!doc.OnOpenDocument(path)) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(doc.PictureCount());
  }
  state.counters["bytes"] = static_cast<double>(AlbumBytes().size());
}

void BM_AlbumSaveFile(benchmark::State& state) {
  const auto path = AlbumFile();
  orrivan::CRKCardAlbumDoc doc(path.parent_path());
  doc.SetGenerationRotation(false);
  if (!doc.OnOpenDocument(path)) state.SkipWithError("load failed");
  const auto out = path.parent_path() / "orrivan-album-bench-out.rks";
  for (auto _ : state) {
    if (!doc.OnSaveDocument(out)) state.SkipWithError("save failed");
  }
  std::filesystem::remove(out);
}

void BM_AlbumLoadBytes(benchmark::State& state) {
  for (auto _ : state) {
    orrivan::CRKCardAlbumDoc doc(std::filesystem::temp_directory_path());
    doc.SetGenerationRotation(false);
    if (doc.Load(AlbumBytes()) != orrivan::AlbumError::None) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(doc.PictureCount());
  }
}

void BM_AlbumSaveBytes(benchmark::State& state) {
  orrivan::CRKCardAlbumDoc doc(std::filesystem::temp_directory_path());
  doc.SetGenerationRotation(false);
  if (doc.Load(AlbumBytes()) != orrivan::AlbumError::None) state.SkipWithError("load failed");
  for (auto _ : state) benchmark::DoNotOptimize(doc.SaveBytes());
}

BENCHMARK(BM_AlbumLoadFile)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_AlbumSaveFile)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_AlbumLoadBytes)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_AlbumSaveBytes)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
