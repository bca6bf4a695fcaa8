// The rebuild: repair, save, pages. List rows are removed before they are written again, so a row
// that still names the old root is replaced rather than kept beside the new one.
#include "app/rebuild.h"

#include <set>

#include "app/startup.h"
#include "base/paths.h"
#include "base/settings.h"
#include "base/strings.h"
#include "html/calendar_writer.h"
#include "html/library_html_writer.h"
#include "html/plugin_host.h"
#include "library/album_document.h"
#include "library/layout.h"
#include "library/path_repair.h"

namespace orrivan {

RebuildReport RewritePages(Interaction& ui, CRKCardAlbumDoc& album, const std::vector<std::string>& dayNames,
                           const RebuildOptions& options, Progress* progress) {
  RebuildReport report;
  report.repaired = true;
  CLibraryHtmlWriter writer(&ui);
  // Removing a row that was never written reports a failure; only the writing counts.
  writer.UpdateListPages(album, dayNames, 0);
  report.listPages = writer.UpdateListPages(album, dayNames, 1) != 0;

  if (options.dayPages) {
    const bool haveTemplate = !settings::GetString(settings::Key::DllPath).empty();
    if (progress) progress->SetRange(static_cast<int64_t>(dayNames.size()));
    std::set<std::string> wanted;
    for (const std::string& name : dayNames) wanted.insert(ToUpperAscii(name));
    int64_t done = 0;
    for (const CAlbumData& day : album.Days()) {
      if (!wanted.count(ToUpperAscii(layout::LastComponent(day.folderPath)))) continue;
      const bool ok = haveTemplate && MakeDayPage(album, day) != 0;
      ok ? ++report.dayPagesWritten : ++report.dayPagesFailed;
      if (progress) progress->SetPosition(++done);
    }
  }
  report.calendar = !options.calendar || RebuildCalendar(album) != 0;
  return report;
}

RebuildReport RebuildLibrary(Interaction& ui, CRKCardAlbumDoc& album, const RebuildOptions& options) {
  auto progress = ui.OpenProgress(Str(StrId::RebuildCaption));
  progress->SetText(Str(StrId::RebuildText), Str(StrId::PleaseWait));

  std::vector<std::string> dayNames;
  if (options.repair) {
    if (!RepairPaths(album, dayNames)) return RebuildReport{};
  } else {
    for (const CAlbumData& day : album.Days()) dayNames.push_back(layout::LastComponent(day.folderPath));
  }
  bool saved = false;
  if (options.save) saved = SaveAlbum(album, ui);
  RebuildReport report = RewritePages(ui, album, dayNames, options, progress.get());
  report.saved = saved;
  return report;
}

}  // namespace orrivan
