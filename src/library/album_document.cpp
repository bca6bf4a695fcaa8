// The in-memory album. Days live in a multimap keyed by their path order key and pictures in a map
// keyed by (moment, insertion number): both keep "a new record goes after its equals" for free, and
// loading a file in its saved order is O(n log n).
#include "library/album_document.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <system_error>

#include "base/paths.h"
#include "library/layout.h"

namespace orrivan {
namespace {

CRKCardAlbumDoc* gCurrent = nullptr;

// atoi: optional blanks and sign, then leading digits; anything else gives 0.
int64_t AtoI(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  int64_t value = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    value = value * 10 + (s[i] - '0');
    if (value > 100000000) break;  // far beyond any date field; keeps the arithmetic small
  }
  return negative ? -value : value;
}

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = FloorDiv(y, 400);
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

std::string FoldAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    else if (c == '\\') c = '/';
  }
  return out;
}

bool StartsWithFolder(std::string_view path, std::string_view folder) {
  return path.size() > folder.size() && EqualsIgnoreCase(path.substr(0, folder.size()), folder) &&
         (path[folder.size()] == '/' || path[folder.size()] == '\\');
}

// A file exists at `path` under any case of its name (composed names ignore case).
bool ExistsIgnoringCase(const std::filesystem::path& path) {
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) return true;
  const std::string name = path.filename().string();
  for (const auto& entry : std::filesystem::directory_iterator(path.parent_path(), ec)) {
    if (EqualsIgnoreCase(entry.path().filename().string(), name)) return true;
  }
  return false;
}

// A stored path cut at its last separator: the folder part and the name after it. Without a
// separator the whole path is the name.
struct PathParts {
  bool hasFolder = false;
  std::string_view folder;
  std::string_view name;
};

PathParts SplitAtLastSeparator(std::string_view path) {
  const size_t cut = path.find_last_of("/\\");
  if (cut == std::string_view::npos) return {false, {}, path};
  return {true, path.substr(0, cut), path.substr(cut + 1)};
}

// The name of a picture folder when its pictures may belong to a day of that name: a folder of that
// name inside a dated folder belongs to the dated day, not to this one.
std::optional<std::string> OwnDayName(std::string_view folderPath) {
  std::string own = layout::LastComponent(folderPath);
  const size_t ownCut = folderPath.find_last_of("/\\");
  const std::string above =
      ownCut == std::string_view::npos ? std::string() : layout::LastComponent(folderPath.substr(0, ownCut));
  if (above.find('_') != std::string::npos || above.size() == 12) return std::nullopt;
  return own;
}

// Dated ("_") and 12-character names are matched anywhere in the path, others by the own folder.
bool MatchesAnywhere(std::string_view folderName) {
  return folderName.find('_') != std::string_view::npos || folderName.size() == 12;
}

}  // namespace

int64_t PictureMoment(const CPhotoData& p) {
  int64_t year = AtoI(p.year);
  int64_t month = AtoI(p.month) - 1;
  year += FloorDiv(month, 12);
  month = month - FloorDiv(month, 12) * 12 + 1;
  const int64_t days = DaysFromCivil(year, month, 1) + AtoI(p.day) - 1;
  return days * 86400 + AtoI(p.hour) * 3600 + AtoI(p.minute) * 60 + AtoI(p.second);
}

CRKCardAlbumDoc::CRKCardAlbumDoc(std::filesystem::path home) : home_(std::move(home)) { gCurrent = this; }

CRKCardAlbumDoc::~CRKCardAlbumDoc() {
  if (savedThisRun_ && rotateAtExit_) RotateGenerations(Home(), layout::LibraryRoot());
  if (gCurrent == this) gCurrent = nullptr;
}

CRKCardAlbumDoc* CRKCardAlbumDoc::Current() { return gCurrent; }

std::filesystem::path CRKCardAlbumDoc::Home() const { return home_.empty() ? HomeFolder() : home_; }

size_t CRKCardAlbumDoc::DayIndex(DayPosition position) const {
  return static_cast<size_t>(std::distance(days_.begin(), position));
}

CRKCardAlbumDoc::DayPosition CRKCardAlbumDoc::AddDay(const CAlbumData& day) {
  // multimap::insert places a new element after every element with an equal key.
  return days_.emplace(layout::PathOrderKey(day.folderPath), std::make_unique<CAlbumData>(day));
}

CRKCardAlbumDoc::PicturePosition CRKCardAlbumDoc::AddPicture(const CPhotoData& picture) {
  PictureOrderKey key{PictureMoment(picture), nextSequence_++};
  auto position = pictures_.emplace_hint(pictures_.end(), key, std::make_unique<CPhotoData>(picture));
  if (pictureIndexBuilt_) IndexPicture(position);
  if (dayIndexBuilt_) DayIndexAdd(position);
  return position;
}

int CRKCardAlbumDoc::FindDay(std::string_view folderPath, CAlbumData& out) const {
  auto position = FindDayPosition(folderPath);
  if (!position) return 0;
  out.Copy(*(*position)->second);
  return 1;
}

std::optional<CRKCardAlbumDoc::DayPosition> CRKCardAlbumDoc::FindDayPosition(std::string_view folderPath) const {
  auto it = days_.find(layout::PathOrderKey(folderPath));  // the first of equal keys
  if (it == days_.end()) return std::nullopt;
  return DayPosition(it);
}

void CRKCardAlbumDoc::RebuildPictureIndex() {
  pictureIndex_.clear();
  pictureIndex_.reserve(pictures_.size());
  for (const auto& [key, picture] : pictures_) pictureIndex_.emplace(FoldAscii(picture->filePath), key);
  pictureIndexBuilt_ = true;
}

void CRKCardAlbumDoc::IndexPicture(PicturePosition position) {
  pictureIndex_.emplace(FoldAscii(position->second->filePath), position->first);
}

void CRKCardAlbumDoc::UnindexPicture(PicturePosition position) {
  if (!pictureIndexBuilt_) return;
  auto [first, last] = pictureIndex_.equal_range(FoldAscii(position->second->filePath));
  for (auto it = first; it != last; ++it) {
    if (it->second == position->first) {
      pictureIndex_.erase(it);
      return;
    }
  }
}

std::optional<CRKCardAlbumDoc::PicturePosition> CRKCardAlbumDoc::FindPicturePosition(
    std::string_view filePath) const {
  if (!pictureIndexBuilt_) const_cast<CRKCardAlbumDoc*>(this)->RebuildPictureIndex();
  auto [first, last] = pictureIndex_.equal_range(FoldAscii(filePath));
  if (first == last) return std::nullopt;
  // The first in picture order among records with that path.
  PictureOrderKey best = first->second;
  for (auto it = first; it != last; ++it) best = std::min(best, it->second);
  return PicturePosition(pictures_.find(best));
}

CAlbumData& CRKCardAlbumDoc::EditDay(DayPosition position) { return *position->second; }

CPhotoData& CRKCardAlbumDoc::EditPicture(PicturePosition position) {
  // The caller may change the path: the day index is rebuilt from the records on its next use.
  InvalidateDayIndex();
  return *position->second;
}

void CRKCardAlbumDoc::Reorder() {
  DayMap days;
  for (auto& [key, day] : days_) days.emplace(layout::PathOrderKey(day->folderPath), std::move(day));
  days_ = std::move(days);
  PictureMap pictures;
  for (auto& [key, picture] : pictures_) {
    // Keeping the old sequence keeps the relative order of pictures whose moments stay equal.
    pictures.emplace(PictureOrderKey{PictureMoment(*picture), key.sequence}, std::move(picture));
  }
  pictures_ = std::move(pictures);
  pictureIndexBuilt_ = false;
  pictureIndex_.clear();
  InvalidateDayIndex();
  pictureResults_.clear();
  dayResults_.clear();
}

void CRKCardAlbumDoc::RemoveDayAt(DayPosition position) {
  const CAlbumData* day = position->second.get();
  std::erase(dayResults_, day);
  days_.erase(position);
}

void CRKCardAlbumDoc::RemovePictureAt(PicturePosition position) {
  UnindexPicture(position);
  if (dayIndexBuilt_) DayIndexRemove(position);
  std::erase(pictureResults_, position->second.get());
  pictures_.erase(position);
}

void CRKCardAlbumDoc::RemoveDay(std::string_view folderPath) {
  removedIndices_.clear();
  auto position = FindDayPosition(folderPath);
  if (!position) return;
  // Pictures are matched by the argument, as the caller named the folder.
  RemovePicturesUnderFolder(folderPath);
  if (removalTracking_) {
    EditDay(*position).extra.reset();
    removedIndices_.push_back(static_cast<uint16_t>(DayIndex(*position)));
  }
  RemoveDayAt(*position);
}

void CRKCardAlbumDoc::RemovePicturesUnderFolder(std::string_view folderPath) {
  for (auto it = pictures_.begin(); it != pictures_.end();) {
    auto next = std::next(it);
    if (StartsWithFolder(it->second->filePath, folderPath)) RemovePictureAt(it);
    it = next;
  }
}

void CRKCardAlbumDoc::RemoveDayOnly(std::string_view folderPath) {
  if (auto position = FindDayPosition(folderPath)) RemoveDayAt(*position);
}

void CRKCardAlbumDoc::RemovePicture(std::string_view filePath) {
  if (auto position = FindPicturePosition(filePath)) RemovePictureAt(*position);
}

int CRKCardAlbumDoc::DaysOfMonth(std::string_view year, std::string_view month) {
  dayResults_.clear();
  std::string key(year);
  key.append(month);
  for (const auto& [orderKey, day] : days_) {
    if (EqualsIgnoreCase(layout::MonthKeyOfFolderName(layout::LastComponent(day->folderPath)), key)) {
      dayResults_.push_back(day.get());
    }
  }
  return static_cast<int>(dayResults_.size());
}

void CRKCardAlbumDoc::InvalidateDayIndex() {
  dayIndexBuilt_ = false;
  folders_.clear();
  byOwnName_.clear();
  byFileName_.clear();
}

void CRKCardAlbumDoc::BuildDayIndex() {
  InvalidateDayIndex();
  dayIndexBuilt_ = true;
  for (auto it = pictures_.begin(); it != pictures_.end(); ++it) DayIndexAdd(it);
}

void CRKCardAlbumDoc::DayIndexAdd(PicturePosition position) {
  const CPhotoData* picture = position->second.get();
  const PathParts parts = SplitAtLastSeparator(picture->filePath);
  PictureGroup& named = byFileName_[std::string(parts.name)];
  named.emplace_hint(named.end(), position->first, picture);
  if (!parts.hasFolder) return;
  auto [folder, isNew] = folders_.try_emplace(std::string(parts.folder));
  folder->second.emplace_hint(folder->second.end(), position->first, picture);
  if (isNew) {
    if (auto own = OwnDayName(parts.folder)) byOwnName_[ToLowerAscii(*own)].push_back(&folder->second);
  }
}

void CRKCardAlbumDoc::DayIndexRemove(PicturePosition position) {
  const PathParts parts = SplitAtLastSeparator(position->second->filePath);
  // A record whose path changed behind the index's back: drop the index rather than keep a
  // pointer to a deleted record.
  auto named = byFileName_.find(std::string(parts.name));
  if (named == byFileName_.end() || named->second.erase(position->first) == 0) return InvalidateDayIndex();
  if (named->second.empty()) byFileName_.erase(named);
  if (!parts.hasFolder) return;
  auto folder = folders_.find(std::string(parts.folder));
  if (folder == folders_.end() || folder->second.erase(position->first) == 0) return InvalidateDayIndex();
  if (!folder->second.empty()) return;
  if (auto own = OwnDayName(parts.folder)) {
    auto groups = byOwnName_.find(ToLowerAscii(*own));
    if (groups != byOwnName_.end()) {
      std::erase(groups->second, &folder->second);
      if (groups->second.empty()) byOwnName_.erase(groups);
    }
  }
  folders_.erase(folder);
}

std::vector<const CPhotoData*> CRKCardAlbumDoc::PicturesOfFolderNameByScan(std::string_view folderName) const {
  std::vector<const CPhotoData*> out;
  const bool anywhere = MatchesAnywhere(folderName);
  for (const auto& [key, picture] : pictures_) {
    const std::string& path = picture->filePath;
    bool belongs = false;
    if (anywhere) {
      belongs = path.find(folderName) != std::string::npos;
    } else {
      const PathParts parts = SplitAtLastSeparator(path);
      if (!parts.hasFolder) continue;
      const auto own = OwnDayName(parts.folder);
      belongs = own && EqualsIgnoreCase(*own, folderName);
    }
    if (belongs) out.push_back(picture.get());
  }
  return out;
}

std::vector<const CPhotoData*> CRKCardAlbumDoc::PicturesOfFolderName(std::string_view folderName) {
  const bool anywhere = MatchesAnywhere(folderName);
  // A name matched anywhere that holds a separator may straddle the folder and the file name.
  if (anywhere && folderName.find_first_of("/\\") != std::string_view::npos) {
    return PicturesOfFolderNameByScan(folderName);
  }
  if (!dayIndexBuilt_) BuildDayIndex();
  std::vector<const PictureGroup*> groups;
  if (anywhere) {
    // Without a separator in the name, a match lies wholly in the folder part or in the file name.
    for (const auto& [folder, group] : folders_) {
      if (folder.find(folderName) != std::string::npos) groups.push_back(&group);
    }
    for (const auto& [name, group] : byFileName_) {
      if (name.find(folderName) != std::string::npos) groups.push_back(&group);
    }
  } else if (auto it = byOwnName_.find(ToLowerAscii(folderName)); it != byOwnName_.end()) {
    groups = it->second;
  }
  std::vector<const CPhotoData*> out;
  if (groups.size() == 1) {
    out.reserve(groups.front()->size());
    for (const auto& [key, picture] : *groups.front()) out.push_back(picture);
    return out;
  }
  std::vector<std::pair<PictureOrderKey, const CPhotoData*>> merged;
  for (const PictureGroup* group : groups) merged.insert(merged.end(), group->begin(), group->end());
  std::sort(merged.begin(), merged.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  // A picture matched through both its folder and its file name is listed once.
  auto sameKey = [](const auto& a, const auto& b) { return a.first == b.first; };
  merged.erase(std::unique(merged.begin(), merged.end(), sameKey), merged.end());
  out.reserve(merged.size());
  for (const auto& [key, picture] : merged) out.push_back(picture);
  return out;
}

int CRKCardAlbumDoc::PicturesOfDay(std::string_view folderName) {
  pictureResults_.clear();
  for (const CPhotoData* picture : PicturesOfFolderName(folderName)) {
    const std::string& path = picture->filePath;
    if (path.size() >= 4 && FoldAscii(path.substr(path.size() - 4)) == ".WAV") {
      // A voice memo that belongs to a still image is shown with that image.
      std::string twin = path.substr(0, path.size() - 3) + "jpg";
      if (ExistsIgnoringCase(layout::FromStoredPath(twin))) continue;
    }
    pictureResults_.push_back(picture);
  }
  return static_cast<int>(pictureResults_.size());
}

int CRKCardAlbumDoc::DayByDate(int year, int month, int day, std::string& folderPath) const {
  char key[32];
  std::snprintf(key, sizeof key, "%04d%02d%02d", year, month, day);
  const std::string_view wanted(key);
  for (const auto& [orderKey, record] : days_) {
    const std::string name = layout::NameAfterLibrary(record->folderPath);
    bool match = false;
    if (name.size() == 6) {
      match = layout::CenturyForCalendar(name) + name == wanted;
    } else if (layout::ClassifyFolderName(name) == layout::FolderForm::Dated) {
      match = name == wanted;
    }
    if (match) {
      folderPath = record->folderPath;
      return 1;
    }
  }
  return 0;
}

int CRKCardAlbumDoc::MonthsPresent(std::vector<std::string>& months) {
  std::string previous;
  int firstYear = 0;
  int lastYear = 0;
  bool any = false;
  for (const auto& [orderKey, day] : days_) {
    const std::string name = layout::LastComponent(day->folderPath);
    std::string key;
    if (!name.empty() && name[0] != '0' && name[0] != '9') {
      key = name.substr(0, 6);
    } else {
      key = (layout::CenturyForCalendar(name) + name).substr(0, 6);
    }
    if (!any || key != previous) months.push_back(key);
    const int year = static_cast<int>(AtoI(std::string_view(key).substr(0, 4)));
    if (!any || year < firstYear) firstYear = year;
    lastYear = year;
    previous = key;
    any = true;
  }
  yearSpan_.firstYear = firstYear;
  yearSpan_.lastYear = lastYear;
  return lastYear - firstYear;
}

int CRKCardAlbumDoc::FolderKind(std::string_view storedPath) { return layout::FolderKind(storedPath); }

std::string CRKCardAlbumDoc::DisplayDate(std::string_view folderName) { return layout::DisplayDate(folderName); }

void CRKCardAlbumDoc::DeleteContents() {
  dayResults_.clear();
  pictureResults_.clear();
  days_.clear();
  pictures_.clear();
  pictureIndex_.clear();
  pictureIndexBuilt_ = false;
  InvalidateDayIndex();
  removedIndices_.clear();
  modified_ = false;
}

bool CRKCardAlbumDoc::OnNewDocument() {
  DeleteContents();
  lastError_ = AlbumError::None;
  return true;
}

AlbumError CRKCardAlbumDoc::Load(std::string_view bytes) {
  DeleteContents();
  AlbumContents contents;
  const AlbumError error = ReadAlbumBytes(bytes, contents);
  if (error != AlbumError::None) return error;
  for (CAlbumData& day : contents.days) {
    std::string key = layout::PathOrderKey(day.folderPath);
    // The saved order is already sorted: hinting at the end makes each insertion O(1).
    auto hint = days_.empty() || days_.rbegin()->first <= key ? days_.end() : days_.upper_bound(key);
    days_.emplace_hint(hint, std::move(key), std::make_unique<CAlbumData>(std::move(day)));
  }
  for (CPhotoData& picture : contents.pictures) {
    PictureOrderKey key{PictureMoment(picture), nextSequence_++};
    pictures_.emplace_hint(pictures_.end(), key, std::make_unique<CPhotoData>(std::move(picture)));
  }
  return AlbumError::None;
}

std::string CRKCardAlbumDoc::SaveBytes() const {
  AlbumWriter writer;
  writer.BeginDays(days_.size());
  for (const auto& [key, day] : days_) writer.WriteDay(*day);
  writer.BeginPictures(pictures_.size());
  for (const auto& [key, picture] : pictures_) writer.WritePicture(*picture);
  return writer.Take();
}

bool CRKCardAlbumDoc::OnOpenDocument(const std::filesystem::path& path) {
  DeleteContents();
  std::string bytes;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    lastError_ = AlbumError::OpenFailed;
    return false;
  }
  char buffer[1 << 16];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
  const bool readError = std::ferror(file) != 0;
  std::fclose(file);
  if (readError) {
    lastError_ = AlbumError::OpenFailed;
    return false;
  }
  lastError_ = Load(bytes);
  modified_ = false;
  return lastError_ == AlbumError::None;
}

bool CRKCardAlbumDoc::OnSaveDocument(const std::filesystem::path& path) {
  const std::string bytes = SaveBytes();
  if (!WriteFileAtomic(path, bytes)) {
    lastError_ = AlbumError::SaveFailed;
    return false;
  }
  lastError_ = AlbumError::None;
  savedThisRun_ = 1;
  modified_ = false;
  // A crash before the exit rotation must not leave the library copy older than the working album:
  // the next start would take the older one for the newer.
  const std::filesystem::path working = Home() / layout::kAlbumFileName;
  if (path == working || SameFile(path, working)) {
    std::error_code ec;
    const std::filesystem::path root = layout::LibraryRoot();
    if (std::filesystem::is_directory(root, ec)) WriteFileAtomic(root / layout::kAlbumFileName, bytes);
  }
  return true;
}

}  // namespace orrivan
