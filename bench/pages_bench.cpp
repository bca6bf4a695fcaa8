// Page regeneration for a large library: 5,000 days and 200,000 pictures (40 per day) with a
// preview per sample. A full calendar rebuild (index, navigation and month pages of both views),
// and the list-page update after one new day arrives.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/paths.h"
#include "base/settings.h"
#include "html/calendar_writer.h"
#include "html/library_html_writer.h"
#include "library/album_document.h"

namespace {
namespace fs = std::filesystem;

constexpr int kDays = 5000;
constexpr int kPicturesPerDay = 40;

std::string Two(int v) {
  char s[8];
  std::snprintf(s, sizeof s, "%02d", v);
  return s;
}

// Just enough JPEG for the frame-size walk: start, a baseline frame header, end.
std::string TinyJpeg(int width, int height) {
  std::string b("\xFF\xD8\xFF\xC0\x00\x11\x08", 7);
  b += static_cast<char>(height >> 8);
  b += static_cast<char>(height & 0xFF);
  b += static_cast<char>(width >> 8);
  b += static_cast<char>(width & 0xFF);
  b += std::string(12, '\x01');
  b += std::string(2000, '\x55');  // entropy-coded data stand-in
  b += "\xFF\xD9";
  return b;
}

struct Library {
  fs::path home;
  fs::path root;
  orrivan::CRKCardAlbumDoc album{fs::path{}};
  std::vector<std::string> dayNames;

  Library() {
    home = fs::temp_directory_path() / ("orrivan-pages-bench-" + std::to_string(getpid()));
    root = home / "Image Library";
    fs::create_directories(root);
    orrivan::settings::UseFile(home / "Orrivan.conf");
    orrivan::SetHomeFolder(home);
    album.SetGenerationRotation(false);
    const std::string preview = TinyJpeg(320, 240);
    for (int i = 0; i < kDays; ++i) {
      const int year = 1995 + i / 336, month = 1 + (i / 28) % 12, day = 1 + i % 28;
      const std::string name = std::to_string(year) + Two(month) + Two(day);
      dayNames.push_back(name);
      orrivan::CAlbumData d;
      d.folderPath = (root / name).string();
      d.pagePath = d.folderPath + "/INDEX.HTM";
      d.title = i % 3 ? "運動会 " + std::to_string(i) : "";
      d.pictureCount = kPicturesPerDay;
      album.AddDay(d);
      fs::create_directories(root / name / "PREVIEW");
      for (int k = 0; k < kPicturesPerDay; ++k) {
        orrivan::CPhotoData p;
        p.filePath = d.folderPath + "/IMG_" + std::to_string(1000 + k) + ".JPG";
        p.year = std::to_string(year);
        p.month = Two(month);
        p.day = Two(day);
        p.hour = Two(8 + k / 6);
        p.minute = Two(k % 60);
        p.second = Two((k * 7) % 60);
        album.AddPicture(p);
        if (k < 5) std::ofstream(root / name / "PREVIEW" / ("IMG_" + std::to_string(1000 + k) + ".JPG")) << preview;
      }
    }
  }
  ~Library() {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(home, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(home, ec);
  }
};

Library& TheLibrary() {
  static Library library;
  return library;
}

void BM_FullCalendarRebuild(benchmark::State& state) {
  Library& lib = TheLibrary();
  for (auto _ : state) benchmark::DoNotOptimize(orrivan::RebuildCalendar(lib.album));
  state.counters["days"] = kDays;
}
BENCHMARK(BM_FullCalendarRebuild)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(3)->ReportAggregatesOnly();

void BM_ListPagesForOneNewDay(benchmark::State& state) {
  Library& lib = TheLibrary();
  static bool listed = false;
  if (!listed) {
    orrivan::CLibraryHtmlWriter writer;
    writer.UpdateListPages(lib.album, lib.dayNames, 1);
    listed = true;
  }
  // The new day: 40 pictures in the last month of the library, which has a list page.
  const std::string name = "20091129";
  if (!lib.album.FindDayPosition((lib.root / name).string())) {
    orrivan::CAlbumData d;
    d.folderPath = (lib.root / name).string();
    d.pagePath = d.folderPath + "/INDEX.HTM";
    d.title = "New day";
    lib.album.AddDay(d);
    for (int k = 0; k < kPicturesPerDay; ++k) {
      orrivan::CPhotoData p;
      p.filePath = d.folderPath + "/NEW_" + std::to_string(k) + ".JPG";
      p.year = "2009", p.month = "11", p.day = "29", p.hour = "12", p.minute = Two(k), p.second = "00";
      lib.album.AddPicture(p);
    }
  }
  for (auto _ : state) {
    orrivan::CLibraryHtmlWriter writer;
    benchmark::DoNotOptimize(writer.UpdateListPages(lib.album, {name}, 1));
    state.PauseTiming();
    writer.UpdateListPages(lib.album, {name}, 0);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ListPagesForOneNewDay)->Unit(benchmark::kMillisecond)->Iterations(20)->Repetitions(5)->ReportAggregatesOnly();

}  // namespace

BENCHMARK_MAIN();
