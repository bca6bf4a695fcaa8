// The two record classes of the album: one day record per day folder and one picture record per
// imported file. Text fields are UTF-8 in memory; the album file holds them as code page 932.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace orrivan {

// The format tag every day record carries when written.
inline constexpr char kAlbumFormatTag[] = "OR200";
// The mail program name that means "no mail program".
inline constexpr char kNoMailProgram[] = "ﾒｰﾗｰの設定しない";

// Day record. Fields in declaration order; the album file writes them in another order (album_file).
class CAlbumData {
 public:
  CAlbumData() = default;
  CAlbumData(const CAlbumData& other) = default;
  CAlbumData& operator=(const CAlbumData& other) = default;
  CAlbumData(CAlbumData&&) noexcept = default;
  CAlbumData& operator=(CAlbumData&&) noexcept = default;

  // Copies every field from another record (the pointer slot included: it is shared, not cloned).
  void Copy(const CAlbumData& other) { *this = other; }

  int32_t printButton = 0;   // "PrintButton" when the day was made or re-templated: 0 = PRINT button
  int32_t reserved = 0;      // carried through load and save
  std::string mailName;      // mail program of the day page's MAIL button; kNoMailProgram = none
  std::string templateName;  // "TemplateType" + "," + "TemplateBackCol" when the page was written
  std::string title;         // empty when none
  std::string folderPath;    // absolute path of the day folder; the record's key
  std::string pagePath;      // folderPath + "/INDEX.HTM"
  int32_t totalSize = 0;     // bytes of the day's files and previews, saturating at INT32_MAX
  int32_t pictureCount = 0;
  int32_t shortcutDay = 0;   // 1 when the day's files are links to their source
  std::string formatTag = kAlbumFormatTag;

  // Never stored. The remove view keeps a block of its own here while removal tracking is on; the
  // album releases it when it removes the day.
  std::shared_ptr<void> extra;
};

// Picture record: one imported file and its shooting moment (six decimal strings).
class CPhotoData {
 public:
  CPhotoData() = default;
  CPhotoData(const CPhotoData& other) = default;
  CPhotoData& operator=(const CPhotoData& other) = default;
  CPhotoData(CPhotoData&&) noexcept = default;
  CPhotoData& operator=(CPhotoData&&) noexcept = default;

  void Copy(const CPhotoData& other) { *this = other; }

  std::string filePath;  // absolute path in its day folder; the record's key
  std::string year;      // "YYYY"
  std::string month;     // "01".."12"
  std::string day;       // "01".."31"
  std::string hour;      // "00".."23"
  std::string minute;
  std::string second;
  int32_t size = 0;      // file size in bytes, saturating at INT32_MAX
  int32_t flag = 0;      // 0 for every record the program makes
};

bool operator==(const CAlbumData& a, const CAlbumData& b);  // stored fields only
bool operator==(const CPhotoData& a, const CPhotoData& b);

// 32-bit size fields saturate instead of wrapping negative.
int32_t SaturateSize(int64_t bytes);

}  // namespace orrivan
