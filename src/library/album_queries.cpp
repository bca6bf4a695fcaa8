#include "library/album_queries.h"

#include <cstdio>

#include "library/layout.h"

namespace orrivan {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// ASCII-folded, '/'-separated, without trailing separators: the key under which a folder is looked up.
std::string FolderKey(std::string_view path) {
  std::string key;
  key.reserve(path.size());
  for (char c : path) {
    if (c == '\\') c = '/';
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    key.push_back(c);
  }
  while (key.size() > 1 && key.back() == '/') key.pop_back();
  return key;
}

bool LiesInside(std::string_view path, std::string_view folder) {
  while (!folder.empty() && IsSeparator(folder.back())) folder.remove_suffix(1);
  if (path.size() <= folder.size() + 1 || !IsSeparator(path[folder.size()])) return false;
  for (size_t i = 0; i < folder.size(); ++i) {
    char a = path[i], b = folder[i];
    if (IsSeparator(a) && IsSeparator(b)) continue;
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

bool IsOldName(std::string_view name) { return !name.empty() && (name[0] == '0' || name[0] == '9'); }

// The date key a day folder answers to in DayByDate, or empty.
std::string CalendarDateKey(std::string_view name) {
  if (name.size() == 8 && !IsOldName(name)) return std::string(name);
  if (name.size() == 6 && IsOldName(name)) return (name[0] == '9' ? "19" : "20") + std::string(name);
  return {};
}

}  // namespace

bool CalendarFolderTakesPictures(std::string_view folderName, int plainDay) {
  if (IsOldName(folderName)) return true;
  bool dated = folderName.find('_') != std::string_view::npos;
  return plainDay == 1 ? !dated : dated;
}

std::vector<std::string> PicturesOfCalendarDay(const CRKCardAlbumDoc& album, std::string_view folderPath,
                                               int plainDay) {
  std::vector<std::string> out;
  if (!CalendarFolderTakesPictures(layout::LastComponent(folderPath), plainDay)) return out;
  for (const CPhotoData& picture : album.Pictures())
    if (LiesInside(picture.filePath, folderPath)) out.push_back(picture.filePath);
  return out;
}

std::vector<std::string> ExtraFoldersOfMonth(const CRKCardAlbumDoc& album, int year, int month,
                                             const std::vector<std::string>* daySelection) {
  char key[16];
  std::snprintf(key, sizeof key, "%04d%02d", year, month);
  std::vector<std::string> out;
  for (const CAlbumData& day : album.Days()) {
    std::string name = layout::LastComponent(day.folderPath);
    bool taken;
    if (IsOldName(name)) {
      taken = ((name[0] == '9' ? "19" : "20") + name).substr(0, 6) == key;
    } else {
      // The month key stands at the start; "20200403_01" is not a folder of March 2004.
      taken = name.compare(0, 6, key) == 0 && name.find('_') != std::string::npos;
    }
    if (taken && daySelection) {
      taken = false;
      for (const std::string& selected : *daySelection)
        if (layout::PathsEqual(selected, name)) taken = true;
    }
    if (taken) out.push_back(day.folderPath);
  }
  return out;
}

CalendarPictureIndex::CalendarPictureIndex(const CRKCardAlbumDoc& album) {
  for (const CAlbumData& day : album.Days()) {
    picturesByFolder_.try_emplace(FolderKey(day.folderPath));
    std::string date = CalendarDateKey(layout::LastComponent(day.folderPath));
    if (!date.empty()) folderByDate_.try_emplace(date, day.folderPath);
  }
  for (const CPhotoData& picture : album.Pictures()) {
    // Every enclosing folder that is a day folder takes the picture (one, in a sound library).
    std::string key = FolderKey(picture.filePath);
    for (size_t cut = key.rfind('/'); cut != std::string::npos && cut > 0; cut = key.rfind('/', cut - 1)) {
      auto it = picturesByFolder_.find(key.substr(0, cut));
      if (it != picturesByFolder_.end()) it->second.push_back(&picture);
    }
  }
}

std::vector<std::string> CalendarPictureIndex::PicturesOfCalendarDay(std::string_view folderPath,
                                                                     int plainDay) const {
  std::vector<std::string> out;
  if (!CalendarFolderTakesPictures(layout::LastComponent(folderPath), plainDay)) return out;
  auto it = picturesByFolder_.find(FolderKey(folderPath));
  if (it == picturesByFolder_.end()) {
    return out;
  }
  out.reserve(it->second.size());
  for (const CPhotoData* picture : it->second) out.push_back(picture->filePath);
  return out;
}

int CalendarPictureIndex::DayByDate(int year, int month, int day, std::string& folderPath) const {
  char key[32];
  std::snprintf(key, sizeof key, "%04d%02d%02d", year, month, day);
  auto it = folderByDate_.find(key);
  if (it == folderByDate_.end()) return 0;
  folderPath = it->second;
  return 1;
}

}  // namespace orrivan
