#include "maintenance/refile.h"

#include <sys/stat.h>

#include <algorithm>
#include <set>
#include <system_error>

#include "base/paths.h"
#include "imaging/preview.h"
#include "import/preview_record.h"
#include "library/album_document.h"
#include "library/layout.h"
#include "maintenance/library_tree.h"

namespace orrivan {

namespace fs = std::filesystem;

namespace {

bool IsPictureName(std::string_view name) {
  return EndsWithIgnoreCase(name, ".jpg") || EndsWithIgnoreCase(name, ".avi") || EndsWithIgnoreCase(name, ".wav");
}

struct Walk {
  bool shortcutDay = false;
  RegisteredFolder result;
  std::set<std::string> countedPreviews;
};

void RegisterFile(Walk& walk, const fs::path& file, bool isLink) {
  // For a shortcut the picture lives at the link's target; the record names the link.
  fs::path placed = file;
  if (isLink) placed = fs::path(file.string().substr(0, file.string().size() - 4));
  const std::optional<EnumeratedFile> image = EnumeratedFile::FromPath(file);  // follows the link
  if (!image) return;  // a link whose picture is gone registers nothing

  const std::string stamp = RecordStamp(file, *image);

  std::error_code ec;
  const fs::path preview = imaging::ResolvePreviewPath(placed);
  if (!fs::exists(preview, ec)) {
    fs::create_directory(preview.parent_path(), ec);
    imaging::MakePreview(file, preview);
  }
  // A voice memo shares its image's preview: the preview counts once.
  if (walk.countedPreviews.insert(preview.string()).second) {
    const auto size = fs::file_size(preview, ec);
    if (!ec) walk.result.totalSize += static_cast<int64_t>(size);
  }

  CPhotoData picture;
  picture.filePath = layout::ToStoredPath(file);
  SetRecordDate(picture, stamp);
  picture.size = SaturateSize(image->size);
  walk.result.totalSize += image->size;
  walk.result.pictures.push_back(std::move(picture));
}

void WalkFolder(Walk& walk, const fs::path& folder) {
  std::vector<fs::path> files, folders;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    struct stat st {};
    if (::lstat(it->path().c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      if (!EqualsIgnoreCase(it->path().filename().string(), layout::kPreviewFolderName)) folders.push_back(it->path());
    } else if (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)) {
      files.push_back(it->path());
    }
  }
  std::sort(files.begin(), files.end());
  std::sort(folders.begin(), folders.end());
  for (const fs::path& file : files) {
    const std::string name = file.filename().string();
    struct stat st {};
    ::lstat(file.c_str(), &st);
    const bool link = S_ISLNK(st.st_mode);
    if (link) {
      // Only the shortcuts the program writes ("<picture>.lnk") stand for pictures.
      if (EndsWithIgnoreCase(name, ".lnk") && IsPictureName(name.substr(0, name.size() - 4))) RegisterFile(walk, file, true);
    } else if (IsPictureName(name)) {
      RegisterFile(walk, file, false);
    }
  }
  for (const fs::path& sub : folders) WalkFolder(walk, sub);
}

}  // namespace

RegisteredFolder RegisterFolderInPlace(const fs::path& folder, bool shortcutDay) {
  Walk walk;
  walk.shortcutDay = shortcutDay;
  WalkFolder(walk, folder);
  return std::move(walk.result);
}

RefileOutcome RefileDay(CRKCardAlbumDoc& album, const CAlbumData& old, const DayOptions& options,
                        const fs::path& root) {
  RefileOutcome outcome;
  const fs::path folder = layout::FromStoredPath(old.folderPath);
  album.RemoveDay(old.folderPath);
  album.RemovePicturesUnderFolder(old.folderPath);
  const RegisteredFolder found = RegisterFolderInPlace(folder, old.shortcutDay != 0);
  outcome.pictures = static_cast<int>(found.pictures.size());
  if (found.pictures.empty()) {
    outcome.erased = true;
    outcome.folderRemoved = DeleteDayFolder(folder, root);
    return outcome;
  }
  CAlbumData day;
  day.folderPath = old.folderPath;
  day.pagePath = layout::PagePathOfFolder(old.folderPath);
  day.title = old.title;
  day.shortcutDay = old.shortcutDay;
  day.reserved = old.reserved;
  day.templateName = options.templateName;
  day.printButton = options.printButton;
  day.mailName = options.mailName;
  day.pictureCount = outcome.pictures;
  day.totalSize = SaturateSize(found.totalSize);
  album.AddDay(day);
  for (const CPhotoData& picture : found.pictures) album.AddPicture(picture);
  return outcome;
}

}  // namespace orrivan
