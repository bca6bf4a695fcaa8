// Path repair. The new paths are worked out for every record before any record changes, so a path
// that names no root leaves the album as it was instead of half on the old root and half on the new.
#include "library/path_repair.h"

#include "base/paths.h"
#include "library/album_document.h"
#include "library/layout.h"

namespace orrivan {

namespace {

// The root names followed by a separator: "ImageLibrary/" is not an old root, "ImageLib/" is.
std::optional<size_t> EndOfName(std::string_view path, std::string_view name) {
  const std::string needle = std::string(name) + '/';
  const size_t at = path.find(needle);
  if (at == std::string_view::npos) return std::nullopt;
  return at + name.size();
}

std::string StoredRoot(std::string_view root) {
  std::string out = NormaliseStoredPath(root);
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

}  // namespace

std::optional<std::string> OldRootOf(std::string_view storedPath) {
  const std::string path = NormaliseStoredPath(storedPath);
  auto end = EndOfName(path, layout::kOldLibraryFolderName);
  if (!end) end = EndOfName(path, layout::kLibraryFolderName);
  if (!end) return std::nullopt;
  return path.substr(0, *end);
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string out;
  size_t pos = 0;
  for (size_t at; (at = text.find(from, pos)) != std::string_view::npos; pos = at + from.size()) {
    out.append(text.substr(pos, at - pos));
    out.append(to);
  }
  out.append(text.substr(pos));
  return out;
}

std::optional<std::string> RepairedPath(std::string_view storedPath, std::string_view newRoot) {
  const auto oldRoot = OldRootOf(storedPath);
  if (!oldRoot) return std::nullopt;
  return ReplaceAll(NormaliseStoredPath(storedPath), *oldRoot, StoredRoot(newRoot));
}

int RepairPaths(CRKCardAlbumDoc& album, std::string_view newRoot, std::vector<std::string>& dayNames) {
  dayNames.clear();
  const std::string root = StoredRoot(newRoot);

  struct DayChange {
    CRKCardAlbumDoc::DayPosition position;
    std::string folder;
    std::string page;
  };
  std::vector<DayChange> days;
  days.reserve(album.DayCount());
  std::vector<std::string> names;
  for (auto it = album.Days().begin(); it != album.Days().end(); ++it) {
    const auto oldRoot = OldRootOf(it->folderPath);
    if (!oldRoot) return 0;
    // The page follows the root of its day's folder, as the page lies in that folder.
    DayChange change{it.position(), ReplaceAll(NormaliseStoredPath(it->folderPath), *oldRoot, root),
                     ReplaceAll(NormaliseStoredPath(it->pagePath), *oldRoot, root)};
    names.push_back(layout::LastComponent(change.folder));
    days.push_back(std::move(change));
  }

  std::vector<std::pair<CRKCardAlbumDoc::PicturePosition, std::string>> pictures;
  pictures.reserve(album.PictureCount());
  for (auto it = album.Pictures().begin(); it != album.Pictures().end(); ++it) {
    auto repaired = RepairedPath(it->filePath, root);
    if (!repaired) return 0;
    pictures.emplace_back(it.position(), std::move(*repaired));
  }

  for (DayChange& change : days) {
    CAlbumData& day = album.EditDay(change.position);
    day.folderPath = std::move(change.folder);
    day.pagePath = std::move(change.page);
  }
  for (auto& [position, path] : pictures) album.EditPicture(position).filePath = std::move(path);
  album.Reorder();
  dayNames = std::move(names);
  return 1;
}

int RepairPaths(CRKCardAlbumDoc& album, std::vector<std::string>& dayNames) {
  return RepairPaths(album, layout::ToStoredPath(layout::LibraryRoot()), dayNames);
}

}  // namespace orrivan
