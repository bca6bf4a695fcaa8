// Move and backup share one walk, the library's folder operations: the day folder's tree is placed
// under the destination's library folder, the records are pointed there (in the main album for a
// move, in a separate album for a backup), the day pages and the destination's pages are written,
// and only then does the move let go of the old folders.
#include "maintenance/transfer.h"

#include <memory>
#include <set>
#include <system_error>

#include "base/paths.h"
#include "base/strings.h"
#include "html/plugin_host.h"
#include "library/album_document.h"
#include "library/layout.h"
#include "maintenance/maintenance_pages.h"
#include "maintenance/maintenance_texts.h"

namespace orrivan {

namespace fs = std::filesystem;

namespace {

bool UnderFolder(const std::string& storedPath, const std::string& storedFolder) {
  const std::string path = NormaliseStoredPath(storedPath);
  const std::string folder = NormaliseStoredPath(storedFolder);
  return path.size() > folder.size() + 1 && path[folder.size()] == '/' && StartsWithIgnoreCase(path, folder);
}

// The picture records of a day folder, in album order.
std::vector<CPhotoData> PicturesUnder(const CRKCardAlbumDoc& album, const std::string& folder) {
  std::vector<CPhotoData> pictures;
  for (const CPhotoData& picture : album.Pictures())
    if (UnderFolder(picture.filePath, folder)) pictures.push_back(picture);
  return pictures;
}

std::string Rebased(const std::string& storedPath, const std::string& oldFolder, const std::string& newFolder) {
  return newFolder + NormaliseStoredPath(storedPath).substr(NormaliseStoredPath(oldFolder).size());
}

// A day's record and pictures as they are at the destination.
void AddRebasedDay(CRKCardAlbumDoc& target, const CAlbumData& day, const std::vector<CPhotoData>& pictures,
                   const std::string& newFolder) {
  CAlbumData copy = day;
  copy.extra.reset();
  copy.folderPath = newFolder;
  copy.pagePath = layout::PagePathOfFolder(newFolder);
  target.AddDay(copy);
  for (CPhotoData picture : pictures) {
    picture.filePath = Rebased(picture.filePath, day.folderPath, newFolder);
    target.AddPicture(picture);
  }
}

fs::path Canonical(const fs::path& path) {
  std::error_code ec;
  fs::path result = fs::weakly_canonical(fs::absolute(path, ec), ec);
  return ec ? fs::path() : result;
}

// The library that already lies in the destination's library folder is not moved onto itself.
bool LiesInDestination(const std::string& folder, const fs::path& destinationLibrary) {
  const fs::path day = Canonical(layout::FromStoredPath(folder));
  const fs::path destination = Canonical(destinationLibrary);
  return day == destination || day.parent_path() == destination;
}

struct Selected {
  CAlbumData day;
  std::string name;
};

std::vector<Selected> SelectedDays(const CRKCardAlbumDoc& album, const std::vector<std::string>& selected) {
  std::vector<Selected> rows;
  for (const std::string& folder : selected) {
    CAlbumData day;
    if (!album.FindDay(folder, day)) continue;
    bool listed = false;
    for (const Selected& row : rows) listed = listed || layout::PathsEqual(row.day.folderPath, day.folderPath);
    if (!listed) rows.push_back({day, layout::LastComponent(day.folderPath)});
  }
  return rows;
}

// Steps shared by both runs before the first file: refusal, library folder, autorun file.
bool PrepareDestination(Interaction& ui, const fs::path& chosenFolder, const fs::path& destinationLibrary,
                        TransferReport& report) {
  if (DestinationOverlapsLibrary(chosenFolder, layout::LibraryRoot())) {
    ui.Message(maintenance_texts::kDestinationOverlapsLibrary, Icon::Stop);
    report.result = MaintenanceResult::Refused;
    return false;
  }
  if (DestinationHoldsMainPages(chosenFolder, HomeFolder())) {
    ui.Message(maintenance_texts::kDestinationHoldsMainPages, Icon::Stop);
    report.result = MaintenanceResult::Refused;
    return false;
  }
  std::error_code ec;
  fs::create_directories(destinationLibrary, ec);
  if (!fs::is_directory(destinationLibrary, ec) || !WriteAutorun(chosenFolder)) {
    ui.Message(Str(StrId::LibraryWriteError), Icon::Stop);
    report.result = MaintenanceResult::Failed;
    return false;
  }
  return true;
}

// mainAlbum (a backup): the main library's pages are written again afterwards, so that whatever the
// destination's pages did they describe the main library.
void FinishDestination(CRKCardAlbumDoc& destinationAlbum, Interaction& ui, const fs::path& chosenFolder,
                       CRKCardAlbumDoc* mainAlbum = nullptr) {
  std::unique_ptr<Progress> box = ui.OpenProgress(Str(StrId::HtmlCaption));
  if (box) box->SetText(Str(StrId::HtmlText), Str(StrId::PleaseWait));
  WriteDestinationPages(destinationAlbum, ui, chosenFolder);
  ResetDestinationAttributes(chosenFolder);
  if (mainAlbum) RewriteMainPages(*mainAlbum, ui);
}

}  // namespace

bool DestinationHoldsMainPages(const fs::path& chosenFolder, const fs::path& home) {
  if (IsInside(chosenFolder, home) && IsInside(home, chosenFolder)) return true;
  for (const fs::path& name : {fs::path(layout::kHtmlFolderName), fs::path(layout::kListFramePageName),
                              fs::path(layout::kCalendarFramePageName)})
    if (SameFile(chosenFolder / name, home / name)) return true;
  return false;
}

bool DestinationOverlapsLibrary(const fs::path& chosenFolder, const fs::path& libraryRoot) {
  const fs::path destination = chosenFolder / layout::kLibraryFolderName;
  return IsInside(destination, libraryRoot) || IsInside(libraryRoot, destination);
}

TransferReport MoveLibraries(CRKCardAlbumDoc& album, Interaction& ui, const std::vector<std::string>& selected,
                             const fs::path& chosenFolder, const AlbumSaver& save) {
  TransferReport report;
  const std::vector<Selected> rows = SelectedDays(album, selected);
  if (rows.empty()) return report;
  MaintenanceBusyGuard busy;
  const fs::path destinationLibrary = chosenFolder / layout::kLibraryFolderName;
  if (!PrepareDestination(ui, chosenFolder, destinationLibrary, report)) return report;

  const std::string snapshot = album.SaveBytes();
  int64_t total = 0;
  for (const Selected& row : rows) total += CountTreeFiles(layout::FromStoredPath(row.day.folderPath));

  struct Moved {
    std::string oldFolder, newFolder, name;
    std::unique_ptr<CFolderOps> transfer;
  };
  std::vector<Moved> moved;
  bool stopped = false;
  {
    std::unique_ptr<Progress> progress = ui.OpenProgress(Str(StrId::MoveCaption));
    if (progress) {
      progress->SetText(Str(StrId::MovingImportedFiles), std::string());
      progress->SetRange(total);
    }
    int64_t position = 0;
    std::set<std::string> targets;
    for (const Selected& row : rows) {
      if (LiesInDestination(row.day.folderPath, destinationLibrary)) {
        report.skippedNames.push_back(row.name);
        continue;
      }
      const fs::path target = destinationLibrary / row.name;
      auto transfer = std::make_unique<CFolderOps>();
      transfer->SetProgressPosition(position);
      int64_t bytes = 0;
      // Two libraries of one name (from two roots) would end up in one folder.
      const bool taken = !targets.insert(ToUpperAscii(row.name)).second;
      const bool placed = !taken && transfer->CopyTree(layout::FromStoredPath(row.day.folderPath), target, bytes,
                                                       kTransferMove, progress.get()) != 0;
      position = transfer->ProgressPosition();
      if (!placed) {
        // This library goes back whole; the ones before it stay at the destination.
        const bool cancelled = transfer->Cancelled();
        transfer->UndoRun(kTransferMove, album, true);
        report.stoppedAt = row.name;
        stopped = true;
        report.result = cancelled ? MaintenanceResult::Cancelled : MaintenanceResult::Failed;
        if (!cancelled) ui.Message(Str(StrId::LibraryWriteError), Icon::Stop);
        break;
      }
      // The record follows its files, so the day page and the destination pages find them.
      const std::string newFolder = layout::ToStoredPath(target);
      for (const CPhotoData& picture : PicturesUnder(album, row.day.folderPath))
        if (auto position = album.FindPicturePosition(picture.filePath))
          album.EditPicture(*position).filePath = Rebased(picture.filePath, row.day.folderPath, newFolder);
      if (auto position = album.FindDayPosition(row.day.folderPath)) {
        CAlbumData& day = album.EditDay(*position);
        day.folderPath = newFolder;
        day.pagePath = layout::PagePathOfFolder(newFolder);
      }
      album.Reorder();
      CAlbumData day;
      if (album.FindDay(newFolder, day)) MakeDayPage(album, day);
      report.doneNames.push_back(row.name);
      moved.push_back({row.day.folderPath, newFolder, row.name, std::move(transfer)});
    }
  }

  if (!moved.empty()) {
    CRKCardAlbumDoc destinationAlbum(album.Home());
    destinationAlbum.SetGenerationRotation(false);
    for (const Moved& m : moved) {
      CAlbumData day;
      if (album.FindDay(m.newFolder, day)) AddRebasedDay(destinationAlbum, day, PicturesUnder(album, m.newFolder), m.newFolder);
    }
    FinishDestination(destinationAlbum, ui, chosenFolder);
  }
  if (moved.empty()) {
    if (!stopped) report.result = MaintenanceResult::Done;
    return report;
  }

  // A finished move takes the records out of the album; a stopped one keeps them pointing at the
  // destination. Either way album and disk agree once the album is saved.
  std::vector<std::string> names;
  for (const Moved& m : moved) {
    names.push_back(m.name);
    if (!stopped) album.RemoveDay(m.newFolder);
  }
  report.saved = save(album, ui);
  if (!report.saved) {
    // The album on disk still names the old folders: every file goes back there.
    for (auto it = moved.rbegin(); it != moved.rend(); ++it) it->transfer->UndoRun(kTransferMove, album, true);
    album.Load(snapshot);
    report.result = MaintenanceResult::Failed;
    report.doneNames.clear();
    return report;
  }
  const fs::path root = layout::LibraryRoot();
  for (Moved& m : moved) {
    m.transfer->CommitMoves();
    const fs::path oldFolder = layout::FromStoredPath(m.oldFolder);
    if (!stopped) {
      DeleteDayFolder(oldFolder, root);
    } else if (IsDirectChildFolder(oldFolder, root)) {
      m.transfer->RemoveEmptyFolders(oldFolder);
    }
  }
  if (!stopped) {
    RegenerateMainPages(album, ui, names, {});
    report.result = MaintenanceResult::Done;
  } else {
    // The rows of the moved days now lead to the destination.
    RegenerateMainPages(album, ui, {}, names);
  }
  return report;
}

TransferReport BackupLibraries(CRKCardAlbumDoc& album, Interaction& ui, const std::vector<std::string>& selected,
                               const fs::path& chosenFolder) {
  TransferReport report;
  const std::vector<Selected> rows = SelectedDays(album, selected);
  if (rows.empty()) return report;
  MaintenanceBusyGuard busy;
  const fs::path destinationLibrary = chosenFolder / layout::kLibraryFolderName;
  if (!PrepareDestination(ui, chosenFolder, destinationLibrary, report)) return report;

  int64_t total = 0;
  for (const Selected& row : rows) total += CountTreeFiles(layout::FromStoredPath(row.day.folderPath));

  CRKCardAlbumDoc destinationAlbum(album.Home());
  destinationAlbum.SetGenerationRotation(false);
  report.result = MaintenanceResult::Done;
  {
    std::unique_ptr<Progress> progress = ui.OpenProgress(Str(StrId::CopyCaption));
    if (progress) {
      progress->SetText(Str(StrId::CopyingImportedFiles), std::string());
      progress->SetRange(total);
    }
    int64_t position = 0;
    std::set<std::string> targets;
    for (const Selected& row : rows) {
      if (LiesInDestination(row.day.folderPath, destinationLibrary)) {
        report.skippedNames.push_back(row.name);
        continue;
      }
      const fs::path target = destinationLibrary / row.name;
      CFolderOps transfer;
      transfer.SetProgressPosition(position);
      transfer.SetReplaceCopies(true);
      int64_t bytes = 0;
      const bool taken = !targets.insert(ToUpperAscii(row.name)).second;
      const bool placed = !taken && transfer.CopyTree(layout::FromStoredPath(row.day.folderPath), target, bytes,
                                                      kTransferCopy, progress.get()) != 0;
      position = transfer.ProgressPosition();
      if (!placed) {
        const bool cancelled = transfer.Cancelled();
        transfer.UndoRun(kTransferCopy, destinationAlbum, true);
        report.stoppedAt = row.name;
        report.result = cancelled ? MaintenanceResult::Cancelled : MaintenanceResult::Failed;
        if (!cancelled) ui.Message(Str(StrId::LibraryWriteError), Icon::Stop);
        break;
      }
      const std::string newFolder = layout::ToStoredPath(target);
      AddRebasedDay(destinationAlbum, row.day, PicturesUnder(album, row.day.folderPath), newFolder);
      // The copy's day page, with the template and colour the library records.
      CAlbumData day;
      if (destinationAlbum.FindDay(newFolder, day)) MakeDayPage(destinationAlbum, day);
      report.doneNames.push_back(row.name);
    }
  }
  if (!report.doneNames.empty()) FinishDestination(destinationAlbum, ui, chosenFolder, &album);
  return report;
}

}  // namespace orrivan
