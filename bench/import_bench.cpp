// Import speed: a copy import of a 200-picture card (1600 x 1200, three shooting days, every tenth
// picture a portrait with orientation 6) into a fresh library, against the same work done by common
// tools: `cp -r`, `jpegtran -rotate 90` on the portraits and `vipsthumbnail` for the 320-pixel
// previews. The import also reads every shooting date, settles collisions, writes the album and the
// pages, so it does more than the baseline.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/paths.h"
#include "base/settings.h"
#include "import/import_engine.h"
#include "library/album_document.h"
// The Release bench build has no test-support library; the writer is compiled in here.
#include "support/jpeg_writer.cpp"
#include "support/temp_dir.cpp"

namespace {

namespace fs = std::filesystem;
using namespace orrivan;

constexpr int kFiles = 200;

// Answers nothing and shows nothing: the bench card needs no question.
class SilentInteraction : public Interaction {
 public:
  void Message(const std::string&, Icon, const BoxLook&) override {}
  bool Confirm(const std::string&, Icon, const BoxLook&) override { return true; }
  Answer Question(const std::string&, Icon, bool, const BoxLook&) override { return Answer::Yes; }
  std::optional<std::string> AskDate(const DateQuestion&) override { return std::nullopt; }
  std::optional<std::string> AskTitle(const TitleQuestion&) override { return std::nullopt; }
  std::vector<size_t> ChooseSources(const std::string&, const std::vector<SourceEntry>&) override { return {}; }
  UndatedChoice AskUndated(int, bool) override { return {}; }
  EraseAnswer AskErase(const std::string&, const BoxLook&) override { return EraseAnswer::Cancel; }
  std::unique_ptr<Progress> OpenProgress(const std::string&) override { return nullptr; }
  bool OpenInBrowser(const fs::path&) override { return true; }
};

struct Card {
  test::TempDir dir{"orrivan-import-bench"};
  fs::path dcim;
  Card() {
    dcim = dir.path() / "card" / "DCIM";
    for (int i = 1; i <= kFiles; ++i) {
      test::JpegSpec params;
      params.width = 1600;
      params.height = 1200;
      params.quality = 90;
      params.seed = static_cast<std::uint32_t>(i);
      test::ExifSpec exif;
      char date[32];
      std::snprintf(date, sizeof date, "2026:05:%02d 10:%02d:%02d", 3 + i % 3, i / 60, i % 60);
      exif.dateTimeOriginal = date;
      exif.orientation = i % 10 == 0 ? 6 : 1;
      params.exif = exif;
      char name[32];
      std::snprintf(name, sizeof name, "RKCM%04d.JPG", i);
      test::WriteJpeg(dcim / "100RKCAM" / name, params);
    }
  }
};

Card& TheCard() {
  static Card card;
  return card;
}

void BM_ImportCopy(benchmark::State& state) {
  Card& card = TheCard();
  int round = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const fs::path home = card.dir.path() / ("home" + std::to_string(round++));
    fs::create_directories(home);
    SetHomeFolder(home);
    settings::UseFile(home / "Orrivan.conf");
    state.ResumeTiming();
    {
      CRKCardAlbumDoc album(home);
      album.SetGenerationRotation(false);
      SilentInteraction ui;
      ImportOptions options;
      options.transferMode = kTransferCopy;
      options.classification = 0;
      options.openBrowser = false;
      CImportEngine engine(album, ui, options);
      if (engine.Run({card.dcim}) != ImportResult::Done) state.SkipWithError("import failed");
    }
    state.PauseTiming();
    fs::remove_all(home);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kFiles);
}

void BM_CpJpegtranVipsthumbnail(benchmark::State& state) {
  Card& card = TheCard();
  if (!fs::exists("/usr/bin/jpegtran") || !fs::exists("/usr/bin/vipsthumbnail")) {
    state.SkipWithError("jpegtran or vipsthumbnail missing");
    return;
  }
  const fs::path target = card.dir.path() / "baseline";
  const std::string script =
      "set -e; rm -rf '" + target.string() + "'; mkdir -p '" + target.string() + "/PREVIEW'; cp -r '" +
      (card.dcim / "100RKCAM").string() + "/.' '" + target.string() + "/'; cd '" + target.string() +
      "'; for f in RKCM*0.JPG; do jpegtran -copy all -rotate 90 -outfile t.jpg \"$f\" && mv t.jpg \"$f\"; done;"
      " vipsthumbnail -s 320 -o 'PREVIEW/%s.JPG[Q=75]' RKCM*.JPG";
  for (auto _ : state) {
    if (std::system(script.c_str()) != 0) state.SkipWithError("baseline failed");
  }
  state.SetItemsProcessed(state.iterations() * kFiles);
  fs::remove_all(target);
}

BENCHMARK(BM_ImportCopy)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CpJpegtranVipsthumbnail)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
