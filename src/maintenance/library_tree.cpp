// Day-folder trees for the maintenance runs. Every walk looks at entries with lstat, so a symbolic
// link (a shortcut of a shortcut library) is handled as the link it is: trashed or made normal as a
// link, never followed into the user's own folders.
#include "maintenance/library_tree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "base/settings.h"
#include "library/album_document.h"
#include "library/album_file.h"
#include "library/layout.h"

namespace orrivan {

namespace fs = std::filesystem;

std::atomic<int> g_maintenanceBusy{0};

namespace {

struct Entries {
  bool ok = false;
  std::vector<fs::path> folders;
  std::vector<fs::path> files;  // regular files and links
};

Entries ListEntries(const fs::path& folder) {
  Entries entries;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) return entries;
  for (fs::directory_iterator end; it != end; it.increment(ec)) {
    if (ec) return entries;
    struct stat st {};
    if (::lstat(it->path().c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      entries.folders.push_back(it->path());
    } else if (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)) {
      entries.files.push_back(it->path());
    }
  }
  std::sort(entries.folders.begin(), entries.folders.end());
  std::sort(entries.files.begin(), entries.files.end());
  entries.ok = true;
  return entries;
}

bool IsLink(const fs::path& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

fs::path Canonical(const fs::path& path) {
  std::error_code ec;
  fs::path result = fs::weakly_canonical(fs::absolute(path, ec), ec);
  return ec ? fs::path() : result;
}

}  // namespace

bool SaveWorkingAlbum(CRKCardAlbumDoc& album, Interaction& ui) {
  if (album.OnSaveDocument(album.Home() / layout::kAlbumFileName)) return true;
  ui.Message(AlbumErrorText(album.LastError()), Icon::Exclamation);
  return false;
}

bool IsDirectChildFolder(const fs::path& folder, const fs::path& root) {
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  const std::string name = folder.filename().string();
  if (name.empty() || name == "." || name == "..") return false;
  const fs::path parent = Canonical(folder.parent_path());
  const fs::path canonicalRoot = Canonical(root);
  return !parent.empty() && !canonicalRoot.empty() && parent == canonicalRoot;
}

bool DeleteDayFolder(const fs::path& folder, const fs::path& root) {
  if (!IsDirectChildFolder(folder, root)) return false;
  CFolderOps ops;
  ClearAttributes(folder);
  // A file that cannot be trashed stays; the folder then stays too and the next ones go on.
  ops.DeleteSubfolders(folder);
  ops.DeleteFiles(folder);
  return ::rmdir(folder.c_str()) == 0;
}

std::string AutorunText(int displayMethod) {
  return std::string("[Autorun]\r\nOPEN=rundll32.exe url,FileProtocolHandler ") +
         (displayMethod == 0 ? layout::kListFramePageName : layout::kCalendarFramePageName);
}

bool WriteAutorun(const fs::path& chosenFolder) {
  const std::string text = AutorunText(settings::GetInt(settings::Key::DisplayMethod));
  const fs::path file = chosenFolder / "autorun.inf";
  if (IsLink(file)) return false;  // never written through a link
  std::FILE* out = std::fopen(file.c_str(), "wb");
  if (!out) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
  return std::fclose(out) == 0 && written;
}

namespace {

void MakeNormal(const fs::path& file) {
  struct stat st {};
  if (::lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
  ::chmod(file.c_str(), 0644);
}

void MakeTreeNormal(const fs::path& folder) {
  const Entries entries = ListEntries(folder);
  for (const fs::path& file : entries.files) MakeNormal(file);
  for (const fs::path& sub : entries.folders) MakeTreeNormal(sub);
}

}  // namespace

void ResetDestinationAttributes(const fs::path& chosenFolder) {
  MakeNormal(chosenFolder / layout::kListFramePageName);
  MakeNormal(chosenFolder / layout::kCalendarFramePageName);
  MakeTreeNormal(chosenFolder / layout::kHtmlFolderName);
}

std::string DayNameOf(const std::string& storedFolder) { return layout::LastComponent(storedFolder); }

}  // namespace orrivan
