// Walks over whole library trees: copy, move the library, delete, undo. Every walk lists a folder by
// its full path, looks at entries with lstat (a symbolic link is a file, never a folder to enter) and
// stops at the first failing step.
#include "import/folder_ops.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "library/album_document.h"
#include "library/layout.h"

namespace orrivan {

namespace fs = std::filesystem;

namespace {

struct Listing {
  bool ok = false;
  std::vector<fs::path> folders;
  std::vector<fs::path> files;   // regular files and symbolic links: what the walks place
  std::vector<fs::path> others;  // pipes, sockets, devices: never opened, only deleted
};

Listing List(const fs::path& folder) {
  Listing listing;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) return listing;
  for (fs::directory_iterator end; it != end; it.increment(ec)) {
    if (ec) return listing;
    struct stat st {};
    if (::lstat(it->path().c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      listing.folders.push_back(it->path());
    } else if (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)) {
      listing.files.push_back(it->path());
    } else {
      listing.others.push_back(it->path());
    }
  }
  std::sort(listing.folders.begin(), listing.folders.end());
  std::sort(listing.files.begin(), listing.files.end());
  std::sort(listing.others.begin(), listing.others.end());
  listing.ok = true;
  return listing;
}

bool IsPictureFile(const fs::path& file) {
  const std::string name = file.filename().string();
  if (name.size() < 3) return false;
  std::string ext = name.substr(name.size() - 3);
  for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return ext == "JPG" || ext == "AVI" || ext == "LNK" || ext == "WAV";
}

int64_t LinkSize(const fs::path& file) {
  struct stat st {};
  return ::lstat(file.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
}

bool IsLink(const fs::path& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool OnOneFileSystem(const fs::path& file, const fs::path& folder) {
  struct stat a {}, b {};
  return ::lstat(file.c_str(), &a) == 0 && ::stat(folder.c_str(), &b) == 0 && a.st_dev == b.st_dev;
}

}  // namespace

int64_t CountFolderFiles(const fs::path& folder) { return static_cast<int64_t>(List(folder).files.size()); }

int64_t CountTreeFiles(const fs::path& folder) {
  const Listing listing = List(folder);
  int64_t count = static_cast<int64_t>(listing.files.size());
  for (const fs::path& sub : listing.folders) count += CountTreeFiles(sub);
  return count;
}

bool CFolderOps::PlaceLink(const fs::path& source, const fs::path& target, int mode) {
  // Within one file system a move gives the link a second name like any file (the source stays
  // until CommitMoves); otherwise the link is made again with the same text.
  if ((mode != kTransferMove && mode != kTransferCopy) || (mode == kTransferMove && OnOneFileSystem(source, target.parent_path())))
    return PlaceFile(source, target, mode);
  std::error_code ec;
  const fs::path text = fs::read_symlink(source, ec);
  if (ec) return false;
  fs::create_symlink(text, target, ec);  // an existing target makes this fail: nothing is replaced
  if (ec) return false;
  if (mode == kTransferMove) {
    records_.placedFiles.push_back({source, target, PlacedFile::How::CopiedForMove});
  } else {
    records_.AddPlaced(target);
  }
  return true;
}

bool CFolderOps::PlaceWalked(const fs::path& file, const fs::path& target, int64_t& byteCounter, int mode) {
  byteCounter += LinkSize(file);
  if (replaceCopies_ && mode == kTransferCopy) {
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0) {
      // Only a file of an earlier copy is replaced, never a folder.
      if (S_ISDIR(st.st_mode)) return false;
      ClearAttributes(target);
      if (::unlink(target.c_str()) != 0) return false;
    }
  }
  return IsLink(file) ? PlaceLink(file, target, mode) : PlaceFile(file, target, mode);
}

bool CFolderOps::Step(Progress* progress) {
  if (!progress) return true;
  progress->SetPosition(++walkPosition_);
  if (progress->Cancelled()) records_.cancelled = true;
  return !records_.cancelled;
}

int CFolderOps::CopyFiles(const fs::path& source, const fs::path& target, int64_t& byteCounter, int mode,
                          Progress* progress) {
  const Listing listing = List(source);
  if (!listing.ok) return 0;
  for (const fs::path& file : listing.files) {
    if (!PlaceWalked(file, target / file.filename(), byteCounter, mode)) return 0;
    if (!Step(progress)) return 0;
  }
  return 1;
}

int CFolderOps::CopySubfolders(const fs::path& source, const fs::path& target, int64_t& byteCounter, int mode,
                               Progress* progress) {
  const Listing listing = List(source);
  if (!listing.ok) return 0;
  for (const fs::path& folder : listing.folders) {
    const fs::path to = target / folder.filename();
    if (!CreateFolder(to)) return 0;
    if (!CopyFiles(folder, to, byteCounter, mode, progress)) return 0;
    if (!CopySubfolders(folder, to, byteCounter, mode, progress)) return 0;
  }
  return 1;
}

int CFolderOps::CopyTree(const fs::path& source, const fs::path& target, int64_t& byteCounter, int mode,
                         Progress* progress) {
  if (!CreateFolder(target)) return 0;
  if (!CopyFiles(source, target, byteCounter, mode, progress)) return 0;
  return CopySubfolders(source, target, byteCounter, mode, progress);
}

bool CFolderOps::CreateFolderPath(const fs::path& folder) {
  std::vector<fs::path> missing;
  std::error_code ec;
  for (fs::path p = folder; !p.empty() && !fs::exists(p, ec); p = p.parent_path()) {
    missing.push_back(p);
    if (p == p.parent_path()) break;
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it)
    if (!CreateFolder(*it)) return false;
  return fs::is_directory(folder, ec);
}

int CFolderOps::MoveLibrary(const fs::path& oldRoot, const fs::path& newRoot, int64_t& byteCounter, int mode,
                            CRKCardAlbumDoc& album, Progress* progress) {
  const Listing listing = List(oldRoot);
  if (!listing.ok) return 0;
  for (const fs::path& folder : listing.folders) {
    const fs::path to = newRoot / folder.filename();
    if (!CreateFolder(to)) return 0;
    if (layout::PathsEqual(folder.filename().string(), layout::kHtmlFolderName)) {
      if (!CopyFiles(folder, to, byteCounter, mode, progress)) return 0;
      if (!CopySubfolders(folder, to, byteCounter, mode, progress)) return 0;
      continue;
    }
    const Listing files = List(folder);
    if (!files.ok) return 0;
    for (const fs::path& file : files.files) {
      const fs::path target = to / file.filename();
      if (!PlaceWalked(file, target, byteCounter, mode)) return 0;
      if (IsPictureFile(file)) {
        const std::string oldStored = layout::ToStoredPath(file);
        const std::string newStored = layout::ToStoredPath(target);
        if (auto position = album.FindPicturePosition(oldStored)) {
          album.EditPicture(*position).filePath = newStored;
          records_.movedPictures.emplace_back(oldStored, newStored);
        }
      }
      if (!Step(progress)) return 0;
    }
    if (!CopySubfolders(folder, to, byteCounter, mode, progress)) return 0;
  }
  album.Reorder();
  return 1;
}

void CFolderOps::UndoLibraryMove(const std::vector<std::string>& newDayFolders, int mode, CRKCardAlbumDoc& album) {
  (void)mode;  // each placement knows how it was made
  UndoPlacements();
  RemoveCreatedFolders();
  for (const auto& [oldPath, newPath] : records_.movedPictures)
    if (auto position = album.FindPicturePosition(newPath)) album.EditPicture(*position).filePath = oldPath;
  for (size_t i = 0; i < newDayFolders.size() && i < records_.movedDays.size(); ++i) {
    if (auto position = album.FindDayPosition(newDayFolders[i])) {
      CAlbumData& day = album.EditDay(*position);
      day.folderPath = records_.movedDays[i];
      day.pagePath = layout::PagePathOfFolder(day.folderPath);
    }
  }
  album.Reorder();
  records_.movedPictures.clear();
}

int CFolderOps::DeleteFiles(const fs::path& folder) {
  Listing listing = List(folder);
  if (!listing.ok) return 0;
  listing.files.insert(listing.files.end(), listing.others.begin(), listing.others.end());
  int result = 1;
  for (const fs::path& file : listing.files) {
    ClearAttributes(file);
    if (!MoveToTrash(file)) result = 0;
  }
  return result;
}

int CFolderOps::DeleteSubfolders(const fs::path& folder) {
  const Listing listing = List(folder);
  if (!listing.ok) return 0;
  int result = 1;
  for (const fs::path& sub : listing.folders) {
    ClearAttributes(sub);
    if (!DeleteFiles(sub) || !DeleteSubfolders(sub)) result = 0;
    if (::rmdir(sub.c_str()) != 0) result = 0;
  }
  return result;
}

void CFolderOps::RemoveEmptyFolders(const fs::path& folder) {
  for (const fs::path& sub : List(folder).folders) RemoveEmptyFolders(sub);
  ::rmdir(folder.c_str());
}

void CFolderOps::UndoRun(int runKind, CRKCardAlbumDoc& album, bool keepTotals) {
  if (runKind == kTransferNone) return;
  for (const std::string& picturePath : records_.newPictures) {
    auto position = album.FindPicturePosition(picturePath);
    if (!position) continue;
    if (!keepTotals) {
      const CPhotoData& picture = *(*position)->second;
      if (auto day = album.FindDayPosition(layout::ToStoredPath(layout::FromStoredPath(picturePath).parent_path()))) {
        CAlbumData& record = album.EditDay(*day);
        int64_t size = picture.size;
        // The preview's size went into the total as well (naming as the preview step makes it).
        const fs::path placed = layout::FromStoredPath(picturePath);
        std::string name = placed.filename().string();
        if (name.size() > 4 && (name.ends_with(".lnk") || name.ends_with(".LNK"))) name.resize(name.size() - 4);
        std::string lower = name;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::string preview;
        if (lower.ends_with(".avi")) {
          preview = name.substr(0, name.size() - 4) + "a.JPG";
        } else if (name.size() > 3) {
          preview = name.substr(0, name.size() - 3) + "JPG";
        }
        if (!preview.empty()) size += LinkSize(placed.parent_path() / layout::kPreviewFolderName / preview);
        record.totalSize = SaturateSize(static_cast<int64_t>(record.totalSize) - size);
        record.pictureCount -= 1;
      }
    }
    album.RemovePictureAt(*position);
  }
  for (const std::string& day : records_.newDays) album.RemoveDayOnly(day);
  UndoPlacements();
  RemoveCreatedFolders();
  records_.newPictures.clear();
  records_.newDays.clear();
}

}  // namespace orrivan
