// The per-file step that follows every placement of an import: turn a still image upright, write
// its preview into the PREVIEW folder beside it, and append its picture record to the album. It
// records the PREVIEW folder it creates and the preview it writes in the run's records, so that a
// failed or cancelled run removes them again.
#pragma once

#include <ctime>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "imaging/preview.h"

namespace orrivan {

class CPhotoData;
class CRKCardAlbumDoc;
struct PreparedFile;
struct RunRecords;

// A source file as the import found it, before anything touched it. Its times are what a turned
// library file is given back, and what dates a picture without a shooting date.
struct EnumeratedFile {
  std::filesystem::path path;  // full path at the source
  std::int64_t size = 0;       // bytes
  timespec modified{};
  timespec accessed{};

  // stat() of the file (following a link, as a copy would); nothing when it cannot be read.
  static std::optional<EnumeratedFile> FromPath(const std::filesystem::path& path);
};

// What the step did, for the engine's totals and for reporting.
struct PreviewRecordResult {
  imaging::PreviewOutcome preview = imaging::PreviewOutcome::Failed;
  std::filesystem::path previewPath;
  std::int64_t previewSize = 0;  // bytes added to the day's total (0 unless a preview was written)
  bool rotated = false;          // the image was turned upright
  bool dayFound = false;         // a day record holds the placed file (its total got previewSize)
  std::string picturePath;       // the stored path of the picture record appended
};

// The whole per-file step for a file that PlaceFile has just placed at `placed` with `mode`
// (kTransferMove, kTransferCopy or kTransferShortcut; for a shortcut, `placed` is the target without
// its ".lnk"):
//   1. the six date fields: the picture's shooting date, else the source's modification time in
//      local time;
//   2. the PREVIEW folder beside the placed file, created (and recorded) when missing;
//   3. the image the preview is made from: the placed file, or the source itself for a shortcut;
//   4. with "ImageRotation" 0 and that image writable (any write bit), a quarter-turned JPEG is
//      turned upright and given the source's modification and access times back; a shortcut's
//      original is never written: its preview alone is made upright from the decoded pixels;
//   5. MakePreview; a written preview is recorded as placed and its size added to the day's total;
//   6. the picture record (size as enumerated, flag 0) is appended and its path noted as new.
// A preview that cannot be made leaves the picture without one; the step still records it.
// `prepared`, when given, is a worker's reading, turn and preview of the source: used only when it
// was made of this very file, and then the step writes what it would otherwise compute.
PreviewRecordResult MakePreviewAndRecord(const EnumeratedFile& source,
                                         const std::filesystem::path& placed, int mode,
                                         CRKCardAlbumDoc& album, RunRecords& records,
                                         const PreparedFile* prepared = nullptr);

// The 14-digit time stamp YYYYMMDDhhmmss of a moment as the local clock shows it.
std::string LocalTimeStamp(std::time_t moment);

// The stamp a picture record is dated by: the image's shooting date, else the source's modification
// time in local time.
std::string RecordStamp(const std::filesystem::path& image, const EnumeratedFile& source);
// The six date fields of a picture record from a 14-digit stamp.
void SetRecordDate(CPhotoData& picture, const std::string& stamp);

}  // namespace orrivan
