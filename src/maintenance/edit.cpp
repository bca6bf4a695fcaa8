#include "maintenance/edit.h"

#include <sys/stat.h>

#include <mutex>

#include "base/paths.h"
#include "base/settings.h"
#include "base/strings.h"
#include "html/calendar_writer.h"
#include "html/library_html_writer.h"
#include "html/plugin_host.h"
#include "library/album_document.h"
#include "library/layout.h"
#include "maintenance/maintenance_pages.h"
#include "maintenance/maintenance_texts.h"
#include "maintenance/refile.h"

namespace orrivan {

namespace fs = std::filesystem;

bool IsAcceptableTitle(const std::string& title) {
  if (title.size() > kMaxTitleBytes) return false;
  for (unsigned char c : title)
    if (c < 0x20 || c == 0x7f) return false;
  return true;
}

EditTitleReport EditTitle(CRKCardAlbumDoc& album, Interaction& ui, const std::string& dayFolder,
                          std::optional<std::string> title, const AlbumSaver& save) {
  EditTitleReport report;
  auto position = album.FindDayPosition(dayFolder);
  if (!position) return report;
  MaintenanceBusyGuard busy;
  if (!title) {
    title = ui.AskTitle(TitleQuestionFor(std::string(), (*position)->second->title));
    if (!title) {
      report.result = MaintenanceResult::Cancelled;
      return report;
    }
  }
  if (!IsAcceptableTitle(*title)) {
    ui.Message(maintenance_texts::kTitleNotAllowed, Icon::Stop);
    report.result = MaintenanceResult::Refused;
    return report;
  }
  CAlbumData& day = album.EditDay(*position);
  day.title = *title;
  const CAlbumData edited = day;
  const std::string name = layout::LastComponent(day.folderPath);
  report.saved = save(album, ui);
  // Every page that shows the title: the calendar (its cells carry it), the day's list row, and the
  // day page, which the plug-in wrote with the title in it (the day keeps its own template; a page
  // of its own style, which the plug-in does not know, stays as it is).
  const bool calendar = RebuildCalendar(album) != 0;
  CLibraryHtmlWriter writer(&ui);
  const bool rows = writer.UpdateListTitles(album, {name}) != 0;
  bool dayPage = true;
  std::error_code ec;
  if (fs::exists(layout::FromStoredPath(edited.folderPath) / layout::kDayPageName, ec))
    dayPage = MakeDayPage(album, edited) != 0;
  report.pagesOk = calendar && rows && dayPage;
  report.result = report.saved ? MaintenanceResult::Done : MaintenanceResult::Failed;
  return report;
}

namespace {

std::mutex gRootsMutex;
std::vector<fs::path> gRemovableRoots;

std::vector<fs::path> RemovableRoots() {
  std::lock_guard<std::mutex> lock(gRootsMutex);
  if (!gRemovableRoots.empty()) return gRemovableRoots;
  return {"/media", "/run/media", "/mnt"};
}

}  // namespace

void SetRemovableRootsForTesting(std::vector<fs::path> roots) {
  std::lock_guard<std::mutex> lock(gRootsMutex);
  gRemovableRoots = std::move(roots);
}

bool IsLibraryReachable(const fs::path& folder) {
  struct stat day {};
  if (::stat(folder.c_str(), &day) != 0 || !S_ISDIR(day.st_mode)) return false;
  std::error_code ec;
  const fs::path canonical = fs::canonical(folder, ec);
  if (ec) return false;
  for (const fs::path& root : RemovableRoots()) {
    const fs::path canonicalRoot = fs::weakly_canonical(root, ec);
    if (ec || !IsInside(canonical, canonicalRoot) || canonical == canonicalRoot) continue;
    // On the root's own file system the volume is not mounted: the folder is a leftover in an
    // empty mount point, not the library.
    struct stat rootStat {};
    if (::stat(canonicalRoot.c_str(), &rootStat) != 0) return false;
    return day.st_dev != rootStat.st_dev;
  }
  return true;
}

ApplyOptionsReport ApplyOptions(CRKCardAlbumDoc& album, Interaction& ui, const std::vector<std::string>& selected,
                                const AlbumSaver& save) {
  ApplyOptionsReport report;
  if (selected.empty()) return report;
  MaintenanceBusyGuard busy;
  if (!ui.Confirm(Str(StrId::RebuildSelectedText) + "\n" + Str(StrId::RebuildQuestion), Icon::Question,
                  BoxLook{Str(StrId::RebuildConfirmCaption), {}})) {
    report.result = MaintenanceResult::Cancelled;
    return report;
  }
  using settings::Key;
  DayOptions options;
  options.templateName = settings::GetString(Key::TemplateType) + "," + settings::GetString(Key::TemplateBackCol);
  options.printButton = settings::GetInt(Key::PrintButton);
  options.mailName = settings::GetString(Key::MailName);
  const TemplateIndexes indexes = SelectedTemplateIndexes();
  const std::string plugin = settings::GetString(Key::DllPath);
  const fs::path root = layout::LibraryRoot();

  std::unique_ptr<Progress> progress = ui.OpenProgress(Str(StrId::RebuildCaption));
  if (progress) {
    progress->SetText(Str(StrId::RebuildText), Str(StrId::PleaseWait));
    progress->SetRange(static_cast<int64_t>(selected.size()));
  }
  int64_t done = 0;
  for (const std::string& folder : selected) {
    CAlbumData old;
    if (!album.FindDay(folder, old)) continue;
    ApplyOptionsToDay(album, old, options, indexes, plugin, root, report);
    if (progress) progress->SetPosition(++done);
  }
  FinishApplyOptions(album, ui, save, report);
  return report;
}

void ApplyOptionsToDay(CRKCardAlbumDoc& album, const CAlbumData& old, const DayOptions& options,
                       const TemplateIndexes& indexes, const std::string& plugin, const fs::path& root,
                       ApplyOptionsReport& report) {
  const std::string name = layout::LastComponent(old.folderPath);
  const fs::path path = layout::FromStoredPath(old.folderPath);
  if (!IsLibraryReachable(path)) {
    report.unreachableNames.push_back(name);
    return;
  }
  const RefileOutcome outcome = RefileDay(album, old, options, root);
  if (outcome.erased) {
    report.erasedNames.push_back(name);
    return;
  }
  CallMakeHtmlFile(album, path, plugin, indexes.templateIndex, indexes.colorIndex);
  report.rebuiltNames.push_back(name);
}

void FinishApplyOptions(CRKCardAlbumDoc& album, Interaction& ui, const AlbumSaver& save, ApplyOptionsReport& report) {
  if (report.rebuiltNames.empty() && report.erasedNames.empty()) {
    report.result = MaintenanceResult::Done;
    return;
  }
  report.saved = save(album, ui);
  RegenerateMainPages(album, ui, report.erasedNames, report.rebuiltNames);
  report.result = report.saved ? MaintenanceResult::Done : MaintenanceResult::Failed;
}

}  // namespace orrivan
