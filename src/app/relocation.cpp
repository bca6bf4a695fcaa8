// Library relocation, on the library's folder operations: every file is placed with the no-replace
// placement and recorded, so the undo of the library move can put files, folders, picture paths and
// day paths back. Nothing of the old tree is deleted before the album has been saved naming the new
// root. A crash during the moves leaves every file in one of the two trees (a second name or a copy
// keeps its source until the save), never in none; the saved album still names the old root then.
#include "app/relocation.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <climits>
#include <map>
#include <string>
#include <system_error>
#include <vector>

#include "app/rebuild.h"
#include "app/startup.h"
#include "base/paths.h"
#include "base/settings.h"
#include "base/strings.h"
#include "import/folder_ops.h"
#include "library/album_document.h"
#include "library/layout.h"

namespace orrivan {

namespace fs = std::filesystem;

namespace {

// Shown when the new root and the current one overlap (one would be moved into itself).
constexpr char kOverlapText[] =
    "選んだフォルダは現在の保存フォルダと重なっています。\n別のフォルダを選んでください。";

std::string Trimmed(std::string text) {
  while (text.size() > 1 && (text.back() == '/' || text.back() == '\\')) text.pop_back();
  return text;
}

std::string ParentOfStored(std::string_view stored) {
  const std::string path = Trimmed(NormaliseStoredPath(stored));
  const size_t cut = path.rfind('/');
  return cut == std::string::npos ? std::string() : path.substr(0, cut == 0 ? 1 : cut);
}

// Picture positions grouped by the day folder that holds them (folded stored paths), found by
// walking up each picture path's folders.
std::map<std::string, std::vector<CRKCardAlbumDoc::PicturePosition>> PicturesByDay(const CRKCardAlbumDoc& album) {
  std::map<std::string, std::vector<CRKCardAlbumDoc::PicturePosition>> byDay;
  for (const CAlbumData& day : album.Days()) byDay[ToUpperAscii(Trimmed(NormaliseStoredPath(day.folderPath)))];
  for (auto it = album.Pictures().begin(); it != album.Pictures().end(); ++it) {
    std::string folder = ToUpperAscii(NormaliseStoredPath(it->filePath));
    for (size_t cut; (cut = folder.rfind('/')) != std::string::npos && cut > 0;) {
      folder.resize(cut);
      if (auto found = byDay.find(folder); found != byDay.end()) {
        found->second.push_back(it.position());
        break;
      }
    }
  }
  return byDay;
}

RelocateResult AdoptFolder(Interaction& ui, CRKCardAlbumDoc& album, const fs::path& newRoot) {
  std::error_code ec;
  fs::create_directories(newRoot, ec);
  if (!fs::is_directory(newRoot, ec)) {
    ui.Message(Str(StrId::LibraryWriteError), Icon::Stop);
    return RelocateResult::Failed;
  }
  settings::SetString(settings::Key::SaveFolder, newRoot.string());
  const fs::path found = newRoot / layout::kAlbumFileName;
  if (!fs::exists(found, ec)) return RelocateResult::RootChanged;
  album.DeleteContents();
  if (!album.OnOpenDocument(found)) {
    ui.Message(AlbumErrorText(album.LastError()), Icon::Exclamation);
    album.OnNewDocument();
    return RelocateResult::RootChanged;
  }
  RebuildOptions options;
  options.save = true;
  const RebuildReport report = RebuildLibrary(ui, album, options);
  return report.repaired && report.saved ? RelocateResult::Adopted : RelocateResult::Failed;
}

}  // namespace

int64_t LibrarySize(const CRKCardAlbumDoc& album) {
  int64_t total = 0;
  for (const CAlbumData& day : album.Days()) total += day.totalSize;
  return total;
}

fs::path RelocationTarget(const fs::path& chosen) {
  const std::string text = Trimmed(chosen.string());
  const fs::path folder(text);
  if (layout::LastComponent(text) == layout::kLibraryFolderName) return folder;
  return folder / layout::kLibraryFolderName;
}

namespace {

std::function<std::optional<int64_t>(const fs::path&)>& FreeSpaceProbe() {
  static std::function<std::optional<int64_t>(const fs::path&)> probe;
  return probe;
}

fs::path NearestExisting(const fs::path& target) {
  fs::path probe = target;
  std::error_code ec;
  while (!probe.empty() && !fs::exists(probe, ec) && probe != probe.parent_path()) probe = probe.parent_path();
  return probe;
}

}  // namespace

void SetFreeSpaceProbeForTesting(std::function<std::optional<int64_t>(const fs::path&)> probe) {
  FreeSpaceProbe() = std::move(probe);
}

std::optional<int64_t> FreeSpaceAt(const fs::path& target) {
  const fs::path probe = NearestExisting(target);
  if (FreeSpaceProbe()) return FreeSpaceProbe()(probe);
  struct statvfs vfs {};
  if (::statvfs(probe.c_str(), &vfs) != 0) return std::nullopt;
  const uint64_t block = vfs.f_frsize ? vfs.f_frsize : 1;
  const uint64_t blocks = vfs.f_bavail;
  // Saturated: a huge volume is simply "enough".
  if (blocks > static_cast<uint64_t>(INT64_MAX) / block) return INT64_MAX;
  return static_cast<int64_t>(blocks * block);
}

bool HasRoomFor(const fs::path& target, const fs::path& currentRoot, int64_t bytes) {
  const fs::path probe = NearestExisting(target);
  struct stat a {}, b {};
  if (::stat(probe.c_str(), &a) == 0 && ::stat(currentRoot.c_str(), &b) == 0 && a.st_dev == b.st_dev) return true;
  const std::optional<int64_t> free = FreeSpaceAt(target);
  if (!free) return false;
  return bytes <= 0 || *free >= bytes;
}

RelocateResult RelocateLibrary(Interaction& ui, CRKCardAlbumDoc& album, const fs::path& chosen) {
  const std::string oldText = settings::GetString(settings::Key::SaveFolder);
  if (EqualsIgnoreCase(Trimmed(NormaliseStoredPath(chosen.string())), Trimmed(NormaliseStoredPath(oldText))))
    return RelocateResult::Unchanged;
  const fs::path oldRoot(oldText);
  const fs::path newRoot = RelocationTarget(chosen);
  // Choosing the folder that holds the current root names the same root.
  if (SameFile(newRoot, oldRoot)) return RelocateResult::Unchanged;

  // Ours: an album without a single record adopts the folder. (A library of zero bytes may still
  // hold days, which must move rather than be replaced by whatever album lies at the target.)
  if (album.DayCount() == 0 && album.PictureCount() == 0) return AdoptFolder(ui, album, newRoot);

  // Ours: a root moved into itself or onto its own parent would delete what it just moved.
  if (IsInside(newRoot, oldRoot) || IsInside(oldRoot, newRoot)) {
    ui.Message(kOverlapText, Icon::Stop);
    return RelocateResult::Refused;
  }

  // Snapshot of the days to move, in day order, with their pictures.
  const std::string newRootStored = Trimmed(layout::ToStoredPath(newRoot));
  std::vector<std::string> dayFolders;
  for (const CAlbumData& day : album.Days()) dayFolders.push_back(day.folderPath);
  auto picturesByDay = PicturesByDay(album);

  // Compared as the album stores them (case-sensitive): a day already in the new root stays.
  auto staysPut = [&](const std::string& folder) {
    return Trimmed(NormaliseStoredPath(folder)) == newRootStored || ParentOfStored(folder) == newRootStored;
  };
  int64_t workItems = 0;
  for (const std::string& folder : dayFolders)
    if (!staysPut(folder)) workItems += CountTreeFiles(layout::FromStoredPath(folder));
  // The root's files, the library copy of the album among them: it moves like the others (so an
  // album already waiting at the target stops the run instead of being overwritten), and the save
  // then rewrites it.
  workItems += CountFolderFiles(oldRoot);

  auto progress = ui.OpenProgress(Str(StrId::RelocationCaption));
  progress->SetText(Str(StrId::MovingImportedFiles), "");
  progress->SetRange(workItems);
  CFolderOps run;
  RunRecords& records = run.Records();
  int64_t bytes = 0;

  std::vector<std::string> newDayFolders;
  std::vector<std::string> deleteList;
  std::vector<std::string> movedDayNames;
  bool ok = run.CreateFolderPath(newRoot);
  for (size_t i = 0; ok && i < dayFolders.size(); ++i) {
    const std::string& folder = dayFolders[i];
    if (staysPut(folder)) continue;
    const std::string trimmed = Trimmed(NormaliseStoredPath(folder));
    const auto position = album.FindDayPosition(folder);
    // A second record with the same path finds the first one, already moved: leave it.
    if (!position || (*position)->second->folderPath != folder) continue;

    const std::string name = layout::LastComponent(folder);
    const fs::path target = newRoot / name;
    const std::string targetStored = layout::ToStoredPath(target);
    if (!run.CreateFolder(target)) {
      ok = false;
      break;
    }
    newDayFolders.push_back(targetStored);
    CAlbumData& day = album.EditDay(*position);
    day.folderPath = targetStored;
    day.pagePath = layout::PagePathOfFolder(targetStored);
    records.movedDays.push_back(folder);

    ok = run.CopyTree(layout::FromStoredPath(folder), target, bytes, kTransferMove, progress.get()) != 0;
    // The day's records follow its folder; on a failure the undo puts them back with the rest.
    for (const auto& picturePosition : picturesByDay[ToUpperAscii(trimmed)]) {
      CPhotoData& picture = album.EditPicture(picturePosition);
      const std::string oldPath = picture.filePath;
      picture.filePath = targetStored + NormaliseStoredPath(oldPath).substr(trimmed.size());
      records.movedPictures.emplace_back(oldPath, picture.filePath);
    }
    deleteList.push_back(folder);
    movedDayNames.push_back(name);
  }
  if (ok && !records.cancelled) ok = run.CopyFiles(oldRoot, newRoot, bytes, kTransferMove, progress.get()) != 0;
  album.Reorder();
  progress.reset();

  const bool cancelled = records.cancelled;
  if (!ok || cancelled) {
    if (!cancelled) ui.Message(Str(StrId::LibraryWriteError), Icon::Stop);
    run.UndoLibraryMove(newDayFolders, kTransferMove, album);
    return cancelled ? RelocateResult::Cancelled : RelocateResult::Failed;
  }

  // Ours: the album and "SaveFolder" name the new root before anything of the old tree goes.
  settings::SetString(settings::Key::SaveFolder, newRoot.string());
  if (!SaveAlbum(album, ui)) {
    settings::SetString(settings::Key::SaveFolder, oldText);
    run.UndoLibraryMove(newDayFolders, kTransferMove, album);
    return RelocateResult::Failed;
  }
  run.CommitMoves();

  auto rebuild = ui.OpenProgress(Str(StrId::RebuildCaption));
  rebuild->SetText(Str(StrId::RebuildText), Str(StrId::PleaseWait));
  for (const std::string& folder : deleteList) {
    const fs::path old = layout::FromStoredPath(folder);
    // Whatever is left (a file that appeared meanwhile) goes to the Trash; the folder itself is
    // removed only when empty.
    // Only a direct child of the old root is ever emptied wholesale.
    if (SameFile(old.parent_path(), oldRoot)) {
      run.DeleteFiles(old);
      run.DeleteSubfolders(old);
    }
    ::rmdir(old.c_str());
  }
  ::rmdir(oldRoot.c_str());

  RebuildOptions options;
  options.repair = false;
  RewritePages(ui, album, movedDayNames, options, rebuild.get());
  return RelocateResult::Relocated;
}

}  // namespace orrivan
