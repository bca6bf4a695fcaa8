// orrivan-cli rebuild: start as the program starts (album refresh, open, template repair), then
// repair every stored path onto the library root and write every page again.
#include <cstdio>

#include "app/rebuild.h"
#include "app/startup.h"
#include "cli/cli_interaction.h"
#include "cli/cli_session.h"
#include "cli/commands.h"
#include "library/album_document.h"
#include "library/layout.h"

namespace orrivan::cli {

namespace {

int RunRebuild(bool yes) {
  InstallInterruptHandler();
  CliAnswers answers;
  answers.yes = yes;
  CliInteraction ui(answers);
  return WithAlbumSession(ui, [&](AlbumSession& session) {
    CRKCardAlbumDoc& album = session.Album();
    const StartupResult& started = session.Started();
    RebuildReport report;
    if (started.rebuilt) {
      // The start took the album over and has just rebuilt everything.
      report.repaired = started.rebuildOk;
    } else {
      const std::string before = album.SaveBytes();
      RebuildOptions options;
      report = RebuildLibrary(ui, album, options);
      // Saved only when the repair changed a path: an unchanged album is no save of this run.
      if (report.repaired && album.SaveBytes() != before) report.saved = SaveAlbum(album, ui);
    }
    if (!report.repaired) {
      std::fprintf(stderr, "orrivan-cli: a stored path names no library folder (ImageLib or Image Library); "
                           "nothing was changed\n");
      return kExitFailed;
    }
    if (!started.rebuilt) {
      std::printf("%zu days, %zu pictures; %d day pages written", album.DayCount(), album.PictureCount(),
                  report.dayPagesWritten);
      if (report.dayPagesFailed) std::printf(", %d failed", report.dayPagesFailed);
      std::printf("%s\n", report.saved ? "; album saved" : "");
      if (!report.listPages) std::fprintf(stderr, "orrivan-cli: some days got no list row (a day without pictures?)\n");
      if (!report.calendar) {
        std::fprintf(stderr, "orrivan-cli: the calendar pages could not all be written\n");
        return kExitFailed;
      }
    } else if (started.opened == StartupOpened::FirstGeneration) {
      std::printf("%zu days, %zu pictures; rebuilt from the first generation (%s)\n", album.DayCount(),
                  album.PictureCount(), layout::GenerationPath(album.Home(), 1).filename().c_str());
    } else {
      std::printf("%zu days, %zu pictures; album taken over from the library and rebuilt\n", album.DayCount(),
                  album.PictureCount());
    }
    return kExitDone;
  });
}

}  // namespace

void AddRebuildCommands(CLI::App& app) {
  auto yes = std::make_shared<bool>(false);
  CLI::App* sub = app.add_subcommand("rebuild", "Repair the album's paths onto the library folder and rewrite every page");
  sub->add_flag("--yes,-y", *yes, "Answer questions (a page edited outside the program) with OK");
  sub->callback([yes] {
    const int code = RunRebuild(*yes);
    if (code != kExitDone) Exit(code);
  });
}

}  // namespace orrivan::cli
