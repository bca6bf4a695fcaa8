// The month queries of the calendar pages over the album: the pictures of a calendar day and the
// extra folders of a month (dated imports and other names), plus an index that answers the same
// questions for a whole rebuild without scanning every picture for every day.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "library/album_document.h"

namespace orrivan {

// Picture paths of a day folder, in picture order; the first is the day's sample. plainDay 1 takes
// the folder only when it is a plain day (a four-digit-year name without "_"), plainDay 0 only when
// it is a dated or extra folder (with "_"); old two-digit-year folders are taken either way. A
// picture belongs when its path lies inside the folder (case-insensitive), so "20040315" never
// takes the pictures of "20040315_01".
std::vector<std::string> PicturesOfCalendarDay(const CRKCardAlbumDoc& album, std::string_view folderPath,
                                               int plainDay);

// Day folder paths of a month's extra block candidates, in day order: four-digit-year names whose
// month key (first six characters) is year/month and that hold "_", and old names whose month (with
// "19" before a leading "9", else "20") is year/month. With a selection only the selected names.
std::vector<std::string> ExtraFoldersOfMonth(const CRKCardAlbumDoc& album, int year, int month,
                                             const std::vector<std::string>* daySelection);

// The album's pictures grouped by day folder once; its answers equal the queries above.
class CalendarPictureIndex {
 public:
  explicit CalendarPictureIndex(const CRKCardAlbumDoc& album);
  std::vector<std::string> PicturesOfCalendarDay(std::string_view folderPath, int plainDay) const;
  // As CRKCardAlbumDoc::DayByDate.
  int DayByDate(int year, int month, int day, std::string& folderPath) const;

 private:
  std::unordered_map<std::string, std::vector<const CPhotoData*>> picturesByFolder_;
  std::unordered_map<std::string, std::string> folderByDate_;
};

// The folder-name rule both use: a day folder whose own pictures a calendar cell of that kind shows.
bool CalendarFolderTakesPictures(std::string_view folderName, int plainDay);

}  // namespace orrivan
