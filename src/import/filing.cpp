// The filing steps both imports run, written once so that a card and a serial camera file the same
// way.
#include "import/filing.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <system_error>

#include "base/paths.h"
#include "base/settings.h"
#include "base/strings.h"
#include "import/import_pages.h"
#include "import/import_texts.h"
#include "library/album_document.h"
#include "library/album_file.h"
#include "library/layout.h"

namespace orrivan {

namespace fs = std::filesystem;
using settings::Key;

namespace {

// Bound on collision suffixes: a folder never holds this many files of one name.
constexpr int kMaxSuffix = 9999;

// A day page as it was before the run rewrote it. The day pages are written before the album is
// saved; when the save fails they go back, so that no page links pictures the roll-back removes.
struct DayPageBefore {
  fs::path path;
  bool existed = false;
  std::string bytes;
  mode_t mode = 0;
};

std::vector<DayPageBefore> KeepDayPages(const std::vector<std::string>& days) {
  std::vector<DayPageBefore> kept;
  for (const std::string& folder : days) {
    DayPageBefore page;
    page.path = layout::FromStoredPath(folder) / layout::kDayPageName;
    struct stat st {};
    if (::stat(page.path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
      const int fd = ::open(page.path.c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) continue;  // unreadable: the plug-in cannot have changed it either
      char buffer[65536];
      ssize_t n = 0;
      while ((n = ::read(fd, buffer, sizeof buffer)) > 0) page.bytes.append(buffer, static_cast<size_t>(n));
      ::close(fd);
      if (n < 0) continue;
      page.existed = true;
      page.mode = st.st_mode & 07777;
    }
    kept.push_back(std::move(page));
  }
  return kept;
}

void PutDayPagesBack(const std::vector<DayPageBefore>& kept) {
  for (const DayPageBefore& page : kept) {
    if (!page.existed) {
      ::unlink(page.path.c_str());
      continue;
    }
    const fs::path temp = page.path.parent_path() / (".INDEX.HTM.orrivan-" + std::to_string(::getpid()));
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) continue;
    bool ok = true;
    for (size_t done = 0; ok && done < page.bytes.size();) {
      const ssize_t n = ::write(fd, page.bytes.data() + done, page.bytes.size() - done);
      ok = n > 0;
      if (ok) done += static_cast<size_t>(n);
    }
    ok = ok && ::fchmod(fd, page.mode) == 0 && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temp.c_str(), page.path.c_str()) != 0) ::unlink(temp.c_str());
  }
}

}  // namespace

// ---- the library and its days ----

std::optional<fs::path> SettleImportLibraryRoot(const CRKCardAlbumDoc& album, Interaction& ui) {
  fs::path root = layout::LibraryRoot();
  std::error_code ec;
  if (fs::is_directory(root, ec)) return root;
  // A root the album already has days under is a disk that is not mounted: never file pictures
  // under an empty mount point.
  const std::string stored = layout::ToStoredPath(root);
  for (const CAlbumData& day : album.Days()) {
    if (day.folderPath.size() > stored.size() && layout::PathsEqual(day.folderPath.substr(0, stored.size()), stored) &&
        (day.folderPath[stored.size()] == '/' || day.folderPath[stored.size()] == '\\')) {
      ui.Message(import_texts::kLibraryRootMissing + std::string("\n") + root.string(), Icon::Stop);
      return std::nullopt;
    }
  }
  fs::create_directories(root, ec);
  if (!fs::is_directory(root, ec)) {
    root = HomeFolder() / layout::kLibraryFolderName;
    fs::create_directories(root, ec);
    if (!fs::is_directory(root, ec)) {
      ui.Message(Str(StrId::LibraryWriteError), Icon::Stop);
      return std::nullopt;
    }
  }
  return root;
}

std::string MakeDatedFolderName(const CRKCardAlbumDoc& album, const fs::path& libraryRoot, const std::string& date) {
  int highest = 0;
  for (const CAlbumData& day : album.Days()) {
    const std::string name = layout::LastComponent(day.folderPath);
    const size_t underscore = name.rfind('_');
    if (underscore == std::string::npos) continue;
    if (!EqualsIgnoreCase(name.substr(0, underscore), date)) continue;
    highest = std::max(highest, std::atoi(name.c_str() + underscore + 1));
  }
  for (int k = highest + 1; k <= 99; ++k) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "_%02d", k);
    const std::string candidate = date + suffix;
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(libraryRoot / candidate, ec))) return candidate;
  }
  return {};
}

std::string CurrentTemplateString() {
  return settings::GetString(Key::TemplateType) + "," + settings::GetString(Key::TemplateBackCol);
}

std::string FindDayFolder(const CRKCardAlbumDoc& album, const std::string& day) {
  for (const CAlbumData& record : album.Days())
    if (EqualsIgnoreCase(layout::LastComponent(record.folderPath), day)) return record.folderPath;
  return {};
}

std::string AddNewDayRecord(CRKCardAlbumDoc& album, const fs::path& folder, bool shortcutDay) {
  CAlbumData day;
  day.folderPath = layout::ToStoredPath(folder);
  day.pagePath = layout::PagePathOfFolder(day.folderPath);
  day.templateName = CurrentTemplateString();
  day.printButton = settings::GetInt(Key::PrintButton);
  day.mailName = settings::GetString(Key::MailName);
  day.shortcutDay = shortcutDay ? 1 : 0;
  album.AddDay(day);
  return day.folderPath;
}

bool OpenDayForFile(CRKCardAlbumDoc& album, const std::string& dayFolder,
                    std::map<std::string, std::string>& templatesBefore) {
  auto position = album.FindDayPosition(dayFolder);
  if (!position) return false;
  CAlbumData& record = album.EditDay(*position);
  if (!templatesBefore.count(dayFolder)) templatesBefore[dayFolder] = record.templateName;
  record.templateName = CurrentTemplateString();
  record.pictureCount += 1;
  return true;
}

void CloseDayForFile(CRKCardAlbumDoc& album, const std::string& dayFolder, bool placed,
                     std::map<std::string, std::string>& templatesBefore, std::vector<std::string>& touchedDays) {
  const bool touched = std::find(touchedDays.begin(), touchedDays.end(), dayFolder) != touchedDays.end();
  if (!placed) {
    CAlbumData& record = album.EditDay(*album.FindDayPosition(dayFolder));
    record.pictureCount -= 1;
    if (!touched) record.templateName = templatesBefore[dayFolder];
  } else if (!touched) {
    touchedDays.push_back(dayFolder);
  }
}

void AddToDayTotal(CRKCardAlbumDoc& album, const std::string& dayFolder, int64_t bytes) {
  if (auto position = album.FindDayPosition(dayFolder)) {
    CAlbumData& record = album.EditDay(*position);
    record.totalSize = SaturateSize(static_cast<int64_t>(record.totalSize) + bytes);
  }
}

// ---- names ----

std::optional<std::string> ExistingNameInFolder(const fs::path& folder, const std::string& name) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string real = it->path().filename().string();
    if (EqualsIgnoreCase(real, name)) return real;
  }
  return std::nullopt;
}

// A stem that holds "_" of its own (DSC_0001) keeps it: the candidate is the very name written.
std::string SuffixedName(const std::string& name, int suffix) {
  if (suffix == 0) return name;
  const size_t dot = name.rfind('.');
  const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
  const std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
  return stem + "_" + std::to_string(suffix) + ext;
}

bool NameTaken(const ExistingNameLookup& existing, const fs::path& folder, const std::string& name) {
  if (existing(folder, name)) return true;
  if (name.size() < 4) return false;
  const std::string stem = name.substr(0, name.size() - 3);
  if (EndsWithIgnoreCase(name, ".JPG")) return existing(folder, stem + "WAV").has_value();
  if (EndsWithIgnoreCase(name, ".WAV")) return existing(folder, stem + "JPG").has_value();
  return false;
}

std::optional<NameCollision> ResolveNameCollision(const fs::path& source, const fs::path& target, CollisionKey key,
                                                  const ExistingNameLookup& existing) {
  const fs::path folder = target.parent_path();
  const std::string planned = target.filename().string();
  const std::string sourceKey = key(source);
  for (int k = 0; k <= kMaxSuffix; ++k) {
    const std::string name = SuffixedName(planned, k);
    const std::optional<std::string> real = existing(folder, name);
    const std::string found = real ? key(folder / *real) : std::string();
    if (!found.empty() && found == sourceKey) return NameCollision{true, k};
    if (found.empty() && !NameTaken(existing, folder, name)) return NameCollision{false, k};
  }
  return std::nullopt;
}

// ---- the close of a run ----

TitleQuestion TitleQuestionFor(const std::string& source, const std::string& suggestion) {
  TitleQuestion question;
  question.caption = Str(StrId::TitleDialogTitle);
  question.prompt = Str(StrId::TitlePrompt);
  if (!source.empty()) question.sourceLabel = Str(StrId::TitleSourceLabel);
  question.source = source;
  question.fieldLabel = Str(StrId::TitleFieldLabel);
  question.suggestion = suggestion;
  question.maxBytes = kMaxTitleBytes;
  return question;
}

void SetDayTitle(CRKCardAlbumDoc& album, const std::string& folder, const std::string& title) {
  if (title.empty()) return;
  if (auto day = album.FindDayPosition(folder)) album.EditDay(*day).title = title;
}

bool WriteImportPagesAndSave(CRKCardAlbumDoc& album, Interaction& ui, const std::vector<std::string>& days,
                       const AlbumSave& save) {
  std::unique_ptr<Progress> box = ui.OpenProgress(Str(StrId::HtmlCaption));
  if (box) box->SetText(Str(StrId::HtmlText), Str(StrId::PleaseWait));
  const std::vector<DayPageBefore> pagesBefore = KeepDayPages(days);
  WriteDayPagesForImport(album, days);
  bool saved = false;
  if (save) {
    saved = save(album, ui);
  } else {
    saved = album.OnSaveDocument(layout::WorkingAlbumPath());
    if (!saved) ui.Message(AlbumErrorText(album.LastError()), Icon::Stop);
  }
  if (!saved) {
    PutDayPagesBack(pagesBefore);
    return false;
  }
  RegenerateLibraryPages(album, &ui, days);
  return true;
}

void OpenLibraryAfterImport(Interaction& ui, bool openBrowser) {
  if (!openBrowser || settings::GetInt(Key::ShowLibrary) != 0) return;
  const fs::path page =
      settings::GetInt(Key::DisplayMethod) != 0 ? layout::CalendarFramePage() : layout::ListFramePage();
  if (!ui.OpenInBrowser(page)) ui.Message(Str(StrId::LibraryOpenError), Icon::Stop);
}

}  // namespace orrivan
