// MakePreviewAndRecord: turn, preview, record, in the order the import needs them. Rotation comes
// before the preview so the preview shows the picture as the library now holds it.
#include "import/preview_record.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <string_view>
#include <system_error>

#include "base/settings.h"
#include "imaging/jpeg_file.h"
#include "import/folder_ops.h"
#include "import/import_prefetch.h"
#include "library/album_document.h"
#include "library/album_records.h"
#include "library/layout.h"

namespace orrivan {

namespace fs = std::filesystem;

static_assert(std::string_view(layout::kPreviewFolderName) == imaging::kPreviewFolderName,
              "the library layout and the preview writer must agree on the PREVIEW folder");

namespace {

// "Read-only" is a file without any write bit. The mode is what counts, not access(): the
// program may run as root, to whom access() grants everything.
bool HasWriteBits(const fs::path& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return false;
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

// Quarter turns only: a picture upside down (half turn) is left as the camera wrote it.
bool TurnUpright(const fs::path& image, const EnumeratedFile& source) {
  if (settings::GetInt(settings::Key::ImageRotation) != 0) return false;
  if (imaging::KindOfFile(image.filename().string()) != imaging::FileKind::Still) return false;
  if (!HasWriteBits(image)) return false;
  int version = kExifVersionNone;
  const std::uint8_t code = CJpegFile::ReadOrientation(image, version);
  if (code != kRotationCounterClockwise && code != kRotationClockwise) return false;
  if (!CJpegFile::RotateFile(image, code, version)) return false;
  // The rewrite is a new file; later imports and rebuilds read its date, so it keeps the source's.
  const timespec times[2] = {source.accessed, source.modified};
  ::utimensat(AT_FDCWD, image.c_str(), times, 0);
  return true;
}

// The worker's turn applied: the same checks and the same replacement as TurnUpright, without the
// reading and turning.
bool ApplyPreparedTurn(const fs::path& image, const EnumeratedFile& source, const std::vector<std::uint8_t>& turned) {
  if (!HasWriteBits(image) || !CJpegFile::ReplaceWithTurned(image, turned)) return false;
  const timespec times[2] = {source.accessed, source.modified};
  ::utimensat(AT_FDCWD, image.c_str(), times, 0);
  return true;
}

bool MadeOf(const PreparedFile& prepared, const EnumeratedFile& source) {
  return prepared.size == source.size && prepared.modified.tv_sec == source.modified.tv_sec &&
         prepared.modified.tv_nsec == source.modified.tv_nsec;
}

// The day record that holds the placed file: its folder, or for a dated-folder import the dated
// folder one level further up.
std::optional<CRKCardAlbumDoc::DayPosition> DayOf(const CRKCardAlbumDoc& album, const fs::path& placed) {
  for (fs::path folder = placed.parent_path(); !folder.empty(); folder = folder.parent_path()) {
    if (auto position = album.FindDayPosition(layout::ToStoredPath(folder))) return position;
    if (folder == folder.root_path()) break;
  }
  return std::nullopt;
}

// The quarter turn a shortcut's preview is given: the original is never rewritten (it is not in the
// library, and a cancelled run could not put it back), so only the preview's pixels turn.
int PreviewTurnOfOriginal(const fs::path& image) {
  if (settings::GetInt(settings::Key::ImageRotation) != 0) return 0;
  if (imaging::KindOfFile(image.filename().string()) != imaging::FileKind::Still) return 0;
  int version = kExifVersionNone;
  const std::uint8_t code = CJpegFile::ReadOrientation(image, version);
  return code == kRotationCounterClockwise || code == kRotationClockwise ? code : 0;
}

}  // namespace

std::optional<EnumeratedFile> EnumeratedFile::FromPath(const fs::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  EnumeratedFile file;
  file.path = path;
  file.size = st.st_size;
  file.modified = st.st_mtim;
  file.accessed = st.st_atim;
  return file;
}

std::string LocalTimeStamp(std::time_t moment) {
  std::tm local{};
  if (localtime_r(&moment, &local) == nullptr) return "19700101000000";
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

std::string RecordStamp(const fs::path& image, const EnumeratedFile& source) {
  std::string stamp;
  if (!CJpegFile::ReadShootingDate(image, stamp)) stamp = LocalTimeStamp(source.modified.tv_sec);
  return stamp;
}

void SetRecordDate(CPhotoData& picture, const std::string& stamp) {
  picture.year = stamp.substr(0, 4);
  picture.month = stamp.substr(4, 2);
  picture.day = stamp.substr(6, 2);
  picture.hour = stamp.substr(8, 2);
  picture.minute = stamp.substr(10, 2);
  picture.second = stamp.substr(12, 2);
}

PreviewRecordResult MakePreviewAndRecord(const EnumeratedFile& source, const fs::path& placed, int mode,
                                         CRKCardAlbumDoc& album, RunRecords& records, const PreparedFile* prepared) {
  PreviewRecordResult result;
  // For a shortcut the placed name is only a link; the picture itself stays at the source.
  const fs::path image = mode == kTransferShortcut ? source.path : placed;
  if (prepared && !MadeOf(*prepared, source)) prepared = nullptr;

  // 1. Date fields, read from the picture itself (for a shortcut that is the source).
  const std::string stamp = !prepared                                 ? RecordStamp(image, source)
                            : prepared->stamp                         ? *prepared->stamp
                            : imaging::KindOfFile(image.filename().string()) == imaging::FileKind::Still
                                ? LocalTimeStamp(source.modified.tv_sec)
                                : RecordStamp(image, source);

  // 2. The PREVIEW folder.
  const fs::path previewFolder = placed.parent_path() / imaging::kPreviewFolderName;
  std::error_code ec;
  if (!fs::is_directory(previewFolder, ec) && fs::create_directory(previewFolder, ec))
    records.AddCreatedFolder(previewFolder);

  // 3-4. Rotation of the image the preview is made from; a shortcut's original stays as it is.
  const bool shortcut = mode == kTransferShortcut;
  if (prepared && prepared->turned) {
    result.rotated = ApplyPreparedTurn(image, source, *prepared->turned);
    // The worker's preview shows the turned picture; an image left as it was needs its own.
    if (!result.rotated) prepared = nullptr;
  } else if (!prepared) {
    result.rotated = !shortcut && TurnUpright(image, source);
  }

  // 5. The preview.
  result.previewPath = imaging::ResolvePreviewPath(placed);
  if (prepared) {
    result.preview = prepared->preview && imaging::WriteFileReplacing(result.previewPath, *prepared->preview)
                         ? imaging::PreviewOutcome::Written
                         : imaging::PreviewOutcome::Failed;
  } else {
    result.preview = imaging::MakePreview(image, result.previewPath, shortcut ? PreviewTurnOfOriginal(image) : 0);
  }
  const auto day = DayOf(album, placed);
  result.dayFound = day.has_value();
  if (result.preview == imaging::PreviewOutcome::Written) {
    const auto size = fs::file_size(result.previewPath, ec);
    result.previewSize = ec ? 0 : static_cast<std::int64_t>(size);
    records.AddPlaced(result.previewPath);
    if (day) {
      CAlbumData& record = album.EditDay(*day);
      record.totalSize = SaturateSize(std::int64_t{record.totalSize} + result.previewSize);
    }
  }

  // 6. The picture record.
  CPhotoData picture;
  picture.filePath = layout::ToStoredPath(mode == kTransferShortcut ? ShortcutPath(placed) : placed);
  SetRecordDate(picture, stamp);
  picture.size = SaturateSize(source.size);
  picture.flag = 0;
  album.AddPicture(picture);
  records.newPictures.push_back(picture.filePath);
  result.picturePath = picture.filePath;
  return result;
}

}  // namespace orrivan
