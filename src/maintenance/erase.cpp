#include "maintenance/erase.h"

#include <sys/stat.h>

#include <algorithm>
#include <set>

#include "base/paths.h"
#include "base/strings.h"
#include "html/plugin_host.h"
#include "imaging/preview.h"
#include "library/album_document.h"
#include "library/layout.h"
#include "maintenance/maintenance_pages.h"
#include "maintenance/refile.h"

namespace orrivan {

namespace fs = std::filesystem;

std::string EraseLibraryQuestion(const std::string& dayName, const std::string& title, bool shortcutLibrary) {
  return layout::DisplayDate(dayName) + " " + title + "\n" +
         Str(shortcutLibrary ? StrId::EraseShortcutLibraryQuestion : StrId::EraseImageLibraryQuestion);
}

std::vector<std::string> EraseLibraryButtons() {
  return {Str(StrId::YesButton), Str(StrId::NoButton), Str(StrId::EraseAllButton), Str(StrId::CancelButtonHalfWidth)};
}

EraseLibrariesReport EraseLibraries(CRKCardAlbumDoc& album, Interaction& ui, const std::vector<std::string>& selected,
                                    const AlbumSaver& save) {
  EraseLibrariesReport report;
  if (selected.empty()) return report;
  MaintenanceBusyGuard busy;
  if (!ui.Confirm(Str(StrId::EraseLibrariesConfirm), Icon::Question, BoxLook{Str(StrId::EraseCaption), {}})) {
    report.result = MaintenanceResult::Cancelled;
    return report;
  }
  const fs::path root = layout::LibraryRoot();

  // The selection as records; rows the album no longer holds are dropped.
  std::vector<CAlbumData> rows;
  for (const std::string& folder : selected) {
    CAlbumData day;
    if (!album.FindDay(folder, day)) continue;
    bool listed = false;
    for (const CAlbumData& row : rows) listed = listed || layout::PathsEqual(row.folderPath, day.folderPath);
    if (!listed) rows.push_back(day);
  }
  if (rows.empty()) return report;

  const bool firstShortcut = rows.front().shortcutDay != 0;
  for (const bool shortcutPass : {firstShortcut, !firstShortcut}) {
    bool all = false;
    bool cancelled = false;
    for (const CAlbumData& day : rows) {
      if ((day.shortcutDay != 0) != shortcutPass) continue;
      const std::string name = layout::LastComponent(day.folderPath);
      if (cancelled) {
        report.keptFolders.push_back(day.folderPath);
        continue;
      }
      if (!all) {
        const EraseAnswer answer = ui.AskErase(EraseLibraryQuestion(name, day.title, shortcutPass),
                                                  BoxLook{Str(StrId::EraseCaption), EraseLibraryButtons()});
        if (answer == EraseAnswer::Cancel) {
          cancelled = true;
          report.keptFolders.push_back(day.folderPath);
          continue;
        }
        if (answer == EraseAnswer::No) {
          report.keptFolders.push_back(day.folderPath);
          continue;
        }
        if (answer == EraseAnswer::YesToAll) all = true;
      }
      album.RemoveDay(day.folderPath);
      // A shortcut library loses only its links: the trash walk never follows them.
      if (!DeleteDayFolder(layout::FromStoredPath(day.folderPath), root)) report.foldersStayed.push_back(day.folderPath);
      report.erasedNames.push_back(name);
    }
  }

  report.result = MaintenanceResult::Done;
  if (report.erasedNames.empty()) return report;
  report.saved = save(album, ui);
  RegenerateMainPages(album, ui, report.erasedNames, {});
  if (!report.saved) report.result = MaintenanceResult::Failed;
  return report;
}

namespace {

bool Lexists(const fs::path& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

bool IsLinkFile(const fs::path& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// "Read-only" is a file without any write bit: the mode decides, not access(), which grants root
// everything.
bool IsReadOnly(const fs::path& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

std::string StemOf(const std::string& name) {
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

// The entry of folder named name in any case, or name itself.
fs::path InFolder(const fs::path& folder, const std::string& name) {
  if (auto found = imaging::FindIgnoringCase(folder, name)) return *found;
  return folder / name;
}

// The file a marked entry names: the entry itself, else its voice memo, else its movie.
std::optional<fs::path> FileOfEntry(const fs::path& entry) {
  if (Lexists(entry)) return entry;
  const fs::path folder = entry.parent_path();
  const std::string name = entry.filename().string();
  if (name.size() >= 3) {
    const fs::path memo = InFolder(folder, name.substr(0, name.size() - 3) + "WAV");
    if (Lexists(memo)) return memo;
  }
  const fs::path movie = InFolder(folder, StemOf(name) + ".AVI");
  if (Lexists(movie)) return movie;
  return std::nullopt;
}

}  // namespace

EraseImagesReport EraseImages(CRKCardAlbumDoc& album, Interaction& ui, const std::string& dayFolder,
                              const std::vector<std::string>& marked, const AlbumSaver& save) {
  EraseImagesReport report;
  CAlbumData old;
  if (marked.empty() || !album.FindDay(dayFolder, old)) return report;
  MaintenanceBusyGuard busy;
  if (!ui.Confirm(Str(StrId::EraseImagesConfirm1) + "\n" + Str(StrId::EraseImagesConfirm2), Icon::Question,
                  BoxLook{Str(StrId::EraseCaption), {}})) {
    report.result = MaintenanceResult::Cancelled;
    return report;
  }

  // Decide first: which pictures go (asking for read-only ones), then what belongs to them.
  std::vector<fs::path> going;  // picture files (links included) that go
  const std::string inside = NormaliseStoredPath(old.folderPath) + "/";
  for (const std::string& entry : marked) {
    // Only pictures of this library are erased here, whatever the caller marked.
    if (!StartsWithIgnoreCase(NormaliseStoredPath(entry), inside)) continue;
    const std::optional<fs::path> file = FileOfEntry(layout::FromStoredPath(entry));
    if (!file) continue;
    if (IsReadOnly(*file)) {
      const BoxLook look{Str(StrId::EraseReadOnlyCaption), {Str(StrId::EraseCaption), Str(StrId::CancelButtonHalfWidth)}};
      if (!ui.Confirm(Str(StrId::EraseReadOnlyQuestion), Icon::Question, look)) {
        report.keptImages.push_back(entry);
        continue;
      }
      ClearAttributes(*file);
    }
    going.push_back(*file);
  }

  std::set<fs::path> targets;
  std::set<fs::path> goingPictures;  // without ".lnk"
  for (const fs::path& file : going) {
    std::string name = file.filename().string();
    if (IsLinkFile(file) && EndsWithIgnoreCase(name, ".lnk")) name.resize(name.size() - 4);
    const fs::path folder = file.parent_path();
    targets.insert(file);
    std::vector<std::string> names{name};
    // A still image takes its voice memo with it.
    if (EndsWithIgnoreCase(name, ".jpg")) names.push_back(InFolder(folder, StemOf(name) + ".WAV").filename().string());
    for (const std::string& n : names) {
      goingPictures.insert(folder / n);
      for (const fs::path& candidate : {InFolder(folder, n), InFolder(folder, n + ".lnk"), InFolder(folder, n + ".LNK")})
        if (Lexists(candidate)) targets.insert(candidate);
    }
  }
  // Previews go unless a picture that stays shares them (a memo's image twin).
  for (const fs::path& picture : goingPictures) {
    const fs::path preview = imaging::ResolvePreviewPath(picture);
    const std::string name = picture.filename().string();
    if (EndsWithIgnoreCase(name, ".wav")) {
      const fs::path twin = InFolder(picture.parent_path(), name.substr(0, name.size() - 3) + "JPG");
      const bool twinStays = (Lexists(twin) || Lexists(twin.string() + ".lnk")) && !goingPictures.count(twin);
      if (twinStays) continue;
    }
    if (Lexists(preview)) targets.insert(preview);
  }
  for (const fs::path& target : targets) {
    ClearAttributes(target);
    if (MoveToTrash(target)) report.erasedFiles.push_back(target.string());
  }

  // The library again, from what lies in its folder now.
  DayOptions options{old.templateName, old.printButton, old.mailName};
  const RefileOutcome outcome = RefileDay(album, old, options, layout::LibraryRoot());
  report.dayErased = outcome.erased;
  report.saved = save(album, ui);

  std::unique_ptr<Progress> progress = ui.OpenProgress(Str(StrId::RebuildCaption));
  if (progress) progress->SetText(Str(StrId::RebuildText), Str(StrId::PleaseWait));
  const std::string name = layout::LastComponent(old.folderPath);
  if (outcome.erased) {
    RegenerateMainPages(album, ui, {name}, {});
  } else {
    CAlbumData day;
    if (album.FindDay(old.folderPath, day)) MakeDayPage(album, day);
    RegenerateMainPages(album, ui, {}, {name});
  }
  report.result = report.saved ? MaintenanceResult::Done : MaintenanceResult::Failed;
  return report;
}

}  // namespace orrivan
