// The library rebuild: repair every stored path onto the current library root, save when asked,
// and write the pages again (list pages, day pages through the template plug-in, the calendar).
// Start-up runs it when it took the album over; relocation and orrivan-cli rebuild run it too.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "base/interaction.h"

namespace orrivan {

class CRKCardAlbumDoc;

struct RebuildOptions {
  bool repair = true;                // repair the paths first (off: the paths are known to be right)
  bool save = false;                 // save the album after a successful repair
  bool dayPages = true;              // rewrite every listed day's page through the plug-in
  bool calendar = true;              // rebuild the calendar pages
};

struct RebuildReport {
  bool repaired = false;     // false: a path named no library root; nothing was saved or written
  bool saved = false;
  bool listPages = false;    // every day's rows were written (a day without pictures gets none)
  int dayPagesWritten = 0;
  int dayPagesFailed = 0;    // includes days skipped because no template plug-in is chosen
  bool calendar = false;
  bool Ok() const { return repaired && listPages && dayPagesFailed == 0 && calendar; }
};

// The rebuild over every day of the album, inside the rebuild progress window.
RebuildReport RebuildLibrary(Interaction& ui, CRKCardAlbumDoc& album, const RebuildOptions& options);

// The page part for chosen days (folder names), without repair or save: list rows removed and
// written again, day pages, calendar. For runs that changed those days' paths themselves.
RebuildReport RewritePages(Interaction& ui, CRKCardAlbumDoc& album, const std::vector<std::string>& dayNames,
                           const RebuildOptions& options, Progress* progress);

}  // namespace orrivan
