// orrivan-cli list: the days of the album as the library list shows them (date, title, picture
// count, template, folder), in album order, followed by the counter.
#include <cstdio>
#include <string>

#include "app/import_run.h"
#include "base/paths.h"
#include "cli/cli_interaction.h"
#include "cli/commands.h"
#include "library/album_document.h"
#include "maintenance/library_list.h"

namespace orrivan::cli {

void AddListCommands(CLI::App& app) {
  CLI::App* sub = app.add_subcommand("list", "List the days of the album");
  sub->callback([] {
    CliInteraction ui(CliAnswers{});
    CRKCardAlbumDoc album(HomeFolder());
    album.SetGenerationRotation(false);  // reading only
    if (!OpenHomeAlbum(album, ui)) Exit(kExitFailed);
    CLibraryList list;
    list.Load(album);
    for (const LibraryRow& row : list.Rows()) std::printf("%s\n", CLibraryList::ListLine(row).c_str());
    std::printf("%s\n", list.CounterText().c_str());
  });
}

}  // namespace orrivan::cli
