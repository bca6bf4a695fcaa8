// Comparison and size helpers of the record classes.
#include "library/album_records.h"

#include <limits>

namespace orrivan {

bool operator==(const CAlbumData& a, const CAlbumData& b) {
  return a.printButton == b.printButton && a.reserved == b.reserved && a.mailName == b.mailName &&
         a.templateName == b.templateName && a.title == b.title && a.folderPath == b.folderPath &&
         a.pagePath == b.pagePath && a.totalSize == b.totalSize && a.pictureCount == b.pictureCount &&
         a.shortcutDay == b.shortcutDay && a.formatTag == b.formatTag;
}

bool operator==(const CPhotoData& a, const CPhotoData& b) {
  return a.filePath == b.filePath && a.year == b.year && a.month == b.month && a.day == b.day &&
         a.hour == b.hour && a.minute == b.minute && a.second == b.second && a.size == b.size &&
         a.flag == b.flag;
}

int32_t SaturateSize(int64_t bytes) {
  if (bytes > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (bytes < 0) return 0;
  return static_cast<int32_t>(bytes);
}

}  // namespace orrivan
