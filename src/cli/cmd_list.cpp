// orrivan-cli list: the days of the album as the library list shows them (date, title, picture
// count, template, folder), in album order, followed by the count.
#include <cstdio>
#include <string>

#include "app/import_run.h"
#include "base/paths.h"
#include "base/strings.h"
#include "cli/cli_interaction.h"
#include "cli/commands.h"
#include "library/album_document.h"
#include "library/layout.h"

namespace orrivan::cli {

void AddListCommands(CLI::App& app) {
  CLI::App* sub = app.add_subcommand("list", "List the days of the album");
  sub->callback([] {
    CliInteraction ui(CliAnswers{});
    CRKCardAlbumDoc album(HomeFolder());
    album.SetGenerationRotation(false);  // reading only
    if (!OpenHomeAlbum(album, ui)) Exit(kExitFailed);
    for (const CAlbumData& day : album.Days()) {
      const std::string name = layout::LastComponent(day.folderPath);
      const std::string templateName = day.templateName.substr(0, day.templateName.find(','));
      std::printf("%s\t%s\t%d\t%s\t%s\n", CRKCardAlbumDoc::DisplayDate(name).c_str(), day.title.c_str(),
                  day.pictureCount, templateName.c_str(), day.folderPath.c_str());
    }
    std::printf("%zu%s\n", album.DayCount(), Str(StrId::DayCountSuffix).c_str());
  });
}

}  // namespace orrivan::cli
