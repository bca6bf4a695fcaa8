#include "maintenance/maintenance_pages.h"

#include "base/paths.h"
#include "html/calendar_writer.h"
#include "html/library_html_writer.h"
#include "library/album_document.h"
#include "library/layout.h"

namespace orrivan {

namespace fs = std::filesystem;

bool RegenerateMainPages(CRKCardAlbumDoc& album, Interaction& ui, const std::vector<std::string>& removedNames,
                         const std::vector<std::string>& changedNames) {
  bool ok = true;
  // A day name serves as its month's key; pages of months that still hold days are written again
  // by the rebuild below.
  CCalendarWriter calendar;
  calendar.DeleteCalendarPages(HomeFolder(), removedNames);
  CLibraryHtmlWriter writer(&ui);
  if (!removedNames.empty() && !writer.UpdateListPages(album, removedNames, 0)) ok = false;
  if (!changedNames.empty()) {
    if (!writer.UpdateListPages(album, changedNames, 0)) ok = false;
    if (!writer.UpdateListPages(album, changedNames, 1)) ok = false;
  }
  if (removedNames.empty() && changedNames.empty()) {
    // Nothing listed changed, but the frame and start pages still follow the album.
    writer.UpdateListPages(album, {}, 1);
  }
  if (!RebuildCalendar(album)) ok = false;
  return ok;
}

bool RewriteMainPages(CRKCardAlbumDoc& album, Interaction& ui) {
  std::vector<std::string> names;
  for (const CAlbumData& day : album.Days()) names.push_back(layout::LastComponent(day.folderPath));
  CLibraryHtmlWriter writer(&ui);
  writer.KeepFramePages(true);
  bool ok = writer.UpdateListPages(album, names, 1) != 0;
  if (!RebuildCalendar(album)) ok = false;
  return ok;
}

bool WriteDestinationPages(CRKCardAlbumDoc& destinationAlbum, Interaction& ui, const fs::path& chosenFolder) {
  std::vector<std::string> names;
  for (const CAlbumData& day : destinationAlbum.Days()) names.push_back(layout::LastComponent(day.folderPath));
  CLibraryHtmlWriter writer(&ui);
  writer.SetBaseFolder(chosenFolder);
  writer.SetRelativeLinks(1);
  bool ok = writer.EnsureFolder(writer.HtmlFolder()) != 0;
  // Rows of an earlier copy into the same folder are replaced, not doubled.
  writer.UpdateListPages(destinationAlbum, names, 0);
  if (!writer.UpdateListPages(destinationAlbum, names, 1)) ok = false;
  const std::string root = layout::ToStoredPath(chosenFolder / layout::kLibraryFolderName);
  if (!RebuildCalendar(destinationAlbum, chosenFolder, root, 0, nullptr, 1)) ok = false;
  return ok;
}

}  // namespace orrivan
