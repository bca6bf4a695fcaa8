// The album file: the day list and the picture list as an object archive of the application
// framework's format, byte for byte (little-endian integers, length-prefixed code page 932 strings,
// class descriptions and running object indexes), the upgrade of the previous format, the
// generations beside the working album and the atomic save.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "library/album_records.h"

namespace orrivan {

enum class AlbumError {
  None,
  OpenFailed,        // the file cannot be opened or read
  UnexpectedFormat,  // truncated, wrong class or schema, a reference that points nowhere
  SaveFailed,
};

// The framework's standard document messages (UTF-8).
inline constexpr char kAlbumOpenFailedText[] = "ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。";
inline constexpr char kAlbumUnexpectedFormatText[] = "予期しないﾌｧｲﾙ形式です。";
inline constexpr char kAlbumSaveFailedText[] = "ﾄﾞｷｭﾒﾝﾄの保存に失敗しました。";
// The message for an error ("" for None).
const char* AlbumErrorText(AlbumError error);

// Both lists in file order.
struct AlbumContents {
  std::vector<CAlbumData> days;
  std::vector<CPhotoData> pictures;
};

// Reads an album from bytes. Bounded by the buffer; on any error `out` is left empty.
AlbumError ReadAlbumBytes(std::string_view bytes, AlbumContents& out);
AlbumError ReadAlbumFile(const std::filesystem::path& path, AlbumContents& out);

// Writes the archive incrementally, so the album document can stream its lists without copying.
class AlbumWriter {
 public:
  AlbumWriter();
  void BeginDays(size_t count);
  void WriteDay(const CAlbumData& day);
  void BeginPictures(size_t count);
  void WritePicture(const CPhotoData& picture);
  // The finished bytes (the writer is spent afterwards).
  std::string Take();

 private:
  void WriteObjectTag(uint32_t& classIndex, std::string_view className);
  void WriteString(std::string_view utf8);
  void WriteInt32(int32_t value);
  void WriteCount(size_t count);

  std::string out_;
  uint32_t nextIndex_ = 1;
  uint32_t dayClass_ = 0;      // 0 = class not written yet
  uint32_t pictureClass_ = 0;
};

std::string WriteAlbumBytes(const AlbumContents& album);

// Replaces `path` atomically with `bytes`. Assumes rename(2) within one folder is atomic and that
// fsync makes data and folder entries durable: temp file beside the target, write, fsync, rename,
// fsync the folder. On failure the old file is untouched and the temp file removed.
bool WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes);
// Copies a file over its target atomically (same steps); false when the source is missing or a
// step fails.
bool CopyFileAtomic(const std::filesystem::path& from, const std::filesystem::path& to);

AlbumError WriteAlbumFile(const std::filesystem::path& path, const AlbumContents& album);

// Upgrade of a file of the previous format: 1 when the file is current (left untouched) or was
// converted, 0 when it cannot be opened or cannot be converted (left untouched).
int UpgradeAlbumFile(const std::filesystem::path& path);
// The conversion itself on bytes: true with `out` set (equal to `in` for a current file or one
// without day records), false when the walk runs past the input.
bool UpgradeAlbumBytes(std::string_view in, std::string& out);
// A current-format file: at least 26 bytes and "OR200" at offsets 19..23.
bool IsCurrentAlbumFormat(std::string_view bytes);

// Generation rotation in `home`: rk4->rk5, rk3->rk4, rk2->rk3, rk1->rk2, rks->rk1, then rks ->
// libraryRoot/"Orrivan.rks". Missing sources skip their step; failures are ignored.
void RotateGenerations(const std::filesystem::path& home, const std::filesystem::path& libraryRoot);

}  // namespace orrivan
