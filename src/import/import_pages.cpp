// The import's pages: day pages through the selected template plug-in, then the month list rows,
// frame and start pages, and the calendar (index and navigation pages whole, month pages of the
// months the import touched).
#include "import/import_pages.h"

#include <algorithm>

#include "base/settings.h"
#include "html/calendar_writer.h"
#include "html/library_html_writer.h"
#include "html/plugin_host.h"
#include "library/album_document.h"
#include "library/layout.h"

namespace orrivan {

void WriteDayPagesForImport(CRKCardAlbumDoc& album, const std::vector<std::string>& dayFolders) {
  const std::string plugin = settings::GetString(settings::Key::DllPath);
  const TemplateIndexes selected = SelectedTemplateIndexes();
  for (const std::string& folder : dayFolders)
    CallMakeHtmlFile(album, layout::FromStoredPath(folder), plugin, selected.templateIndex, selected.colorIndex);
}

void RegenerateLibraryPages(CRKCardAlbumDoc& album, Interaction* ui, const std::vector<std::string>& dayFolders) {
  std::vector<std::string> names;
  std::vector<std::string> months;
  for (const std::string& folder : dayFolders) {
    const std::string name = layout::LastComponent(folder);
    names.push_back(name);
    const std::string month = layout::MonthKeyOfFolderName(name);
    if (std::find(months.begin(), months.end(), month) == months.end()) months.push_back(month);
  }
  CLibraryHtmlWriter writer(ui);
  writer.UpdateListPages(album, names, 1);
  RebuildCalendar(album, months);
}

}  // namespace orrivan
