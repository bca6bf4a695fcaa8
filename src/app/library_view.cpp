#include "app/library_view.h"

#include <system_error>

#include "base/settings.h"
#include "base/strings.h"
#include "html/calendar_writer.h"
#include "html/library_html_writer.h"
#include "library/album_document.h"
#include "library/layout.h"

namespace orrivan {

namespace fs = std::filesystem;
using settings::Key;

bool OpenLibrary(Interaction& ui) {
  CLibraryHtmlWriter writer(&ui);
  writer.EnsureFolder(writer.HtmlFolder());
  writer.WriteFramePages(0, 0);
  const fs::path page =
      settings::GetInt(Key::DisplayMethod) != 0 ? layout::CalendarFramePage() : layout::ListFramePage();
  if (ui.OpenInBrowser(page)) return true;
  ui.Message(Str(StrId::LibraryOpenError), Icon::Stop);
  return false;
}

bool BuildCalendarIfPending(CRKCardAlbumDoc& album, Interaction& ui) {
  if (settings::GetInt(Key::DisplayMethod) != 9) return false;
  {
    std::unique_ptr<Progress> box = ui.OpenProgress(Str(StrId::CalendarBuildCaption));
    if (box) box->SetText(Str(StrId::CalendarBuildText), Str(StrId::PleaseWait));
    // The pages live in the home folder, wherever the library root is; a failure shows in the build.
    std::error_code ec;
    fs::create_directories(layout::HtmlFolder(), ec);
    RebuildCalendar(album);
  }
  settings::SetInt(Key::DisplayMethod, 0);
  return true;
}

}  // namespace orrivan
