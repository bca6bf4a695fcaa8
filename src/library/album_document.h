// CRKCardAlbumDoc: the in-memory album. It owns every day and picture record, keeps the days in
// folder-path order and the pictures in shooting-time order (sorted containers: loading n records is
// O(n log n), lookups O(log n)) and answers the queries of the import engine, the page writers and
// the maintenance views. Positions returned by the add operations stay valid until that record is
// removed, so an import can roll back exactly the records it added.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "library/album_file.h"
#include "library/album_records.h"

namespace orrivan {

// Key of the picture order: the moment of the six date strings, then insertion order, so a new
// picture follows the pictures of the same moment.
struct PictureOrderKey {
  int64_t moment = 0;     // seconds of the (normalised) civil date and time
  uint64_t sequence = 0;  // insertion counter
  auto operator<=>(const PictureOrderKey&) const = default;
};
// The moment of a picture record: each date string read as a decimal integer (like atoi), fields
// out of range carried over as the calendar does (month 13 = January of the next year).
int64_t PictureMoment(const CPhotoData& picture);

// A read-only range over the records of one list, in list order.
template <class Map, class Record>
class RecordRange {
 public:
  class iterator {
   public:
    using iterator_category = std::bidirectional_iterator_tag;
    using value_type = Record;
    using difference_type = std::ptrdiff_t;
    using pointer = const Record*;
    using reference = const Record&;
    iterator() = default;
    explicit iterator(typename Map::const_iterator it) : it_(it) {}
    const Record& operator*() const { return *it_->second; }
    const Record* operator->() const { return it_->second.get(); }
    iterator& operator++() { ++it_; return *this; }
    iterator operator++(int) { iterator t = *this; ++it_; return t; }
    iterator& operator--() { --it_; return *this; }
    iterator operator--(int) { iterator t = *this; --it_; return t; }
    bool operator==(const iterator& o) const { return it_ == o.it_; }
    // The list position of this record (for the remove and edit operations).
    typename Map::const_iterator position() const { return it_; }

   private:
    typename Map::const_iterator it_{};
  };
  explicit RecordRange(const Map& map) : map_(&map) {}
  iterator begin() const { return iterator(map_->begin()); }
  iterator end() const { return iterator(map_->end()); }
  size_t size() const { return map_->size(); }
  bool empty() const { return map_->empty(); }

 private:
  const Map* map_;
};

class CRKCardAlbumDoc {
 public:
  using DayMap = std::multimap<std::string, std::unique_ptr<CAlbumData>>;  // key: PathOrderKey
  using PictureMap = std::map<PictureOrderKey, std::unique_ptr<CPhotoData>>;
  using DayPosition = DayMap::const_iterator;
  using PicturePosition = PictureMap::const_iterator;
  using DayRange = RecordRange<DayMap, CAlbumData>;
  using PictureRange = RecordRange<PictureMap, CPhotoData>;

  // First and last year present, filled by MonthsPresent.
  struct YearSpan {
    int firstYear = 0;
    int lastYear = 0;
  };

  // home: the folder of the working album and its generations; empty = HomeFolder() at the moment
  // of use. The newest instance is published as Current().
  explicit CRKCardAlbumDoc(std::filesystem::path home = {});
  // Rotates the generations (and refreshes the library copy) when the album was saved this run
  // and rotation is enabled.
  ~CRKCardAlbumDoc();
  CRKCardAlbumDoc(const CRKCardAlbumDoc&) = delete;
  CRKCardAlbumDoc& operator=(const CRKCardAlbumDoc&) = delete;

  static CRKCardAlbumDoc* Current();

  // --- lists ---
  DayRange Days() const { return DayRange(days_); }
  PictureRange Pictures() const { return PictureRange(pictures_); }
  const std::vector<const CAlbumData*>& DayResults() const { return dayResults_; }
  const std::vector<const CPhotoData*>& PictureResults() const { return pictureResults_; }
  size_t DayCount() const { return days_.size(); }
  size_t PictureCount() const { return pictures_.size(); }
  DayPosition DaysEnd() const { return days_.end(); }
  PicturePosition PicturesEnd() const { return pictures_.end(); }
  // List index of a position (O(n)).
  size_t DayIndex(DayPosition position) const;

  // --- adding ---
  // Inserts a copy in day order (after any day with an equal path); returns its position.
  DayPosition AddDay(const CAlbumData& day);
  // Inserts a copy in picture order (after pictures of the same moment); returns its position.
  PicturePosition AddPicture(const CPhotoData& picture);

  // --- finding ---
  // First day whose folder path equals (case-insensitive); copies all its fields into `out`.
  int FindDay(std::string_view folderPath, CAlbumData& out) const;
  std::optional<DayPosition> FindDayPosition(std::string_view folderPath) const;
  std::optional<PicturePosition> FindPicturePosition(std::string_view filePath) const;

  // --- changing in place ---
  // Non-key fields may be changed freely. After changing folder paths or picture paths or dates,
  // call Reorder() so the orders and lookups follow.
  CAlbumData& EditDay(DayPosition position);
  CPhotoData& EditPicture(PicturePosition position);
  void Reorder();

  // --- removing ---
  // Empties the removed indices; removes the first day with that folder path together with every
  // picture under its folder; with tracking on also releases the day's extra block and records its
  // list index.
  void RemoveDay(std::string_view folderPath);
  // Every picture whose path is the folder path + '/' (or '\') + more.
  void RemovePicturesUnderFolder(std::string_view folderPath);
  // The first day with that folder path; its pictures stay.
  void RemoveDayOnly(std::string_view folderPath);
  // The first picture with that path.
  void RemovePicture(std::string_view filePath);
  // Exactly the record at a position (roll-back of an import).
  void RemoveDayAt(DayPosition position);
  void RemovePictureAt(PicturePosition position);

  // --- queries ---
  // Fills the day results with the days whose folder name has the month key year + month
  // (case-insensitive); returns their number.
  int DaysOfMonth(std::string_view year, std::string_view month);
  // Fills the picture results with the pictures of a day folder name; returns their number. A voice
  // memo whose still image (same stem, ".jpg" in any case) exists is left out.
  int PicturesOfDay(std::string_view folderName);
  // Key "%04d%02d%02d"; 1 and the day's folder path when a day of that date exists, else 0.
  int DayByDate(int year, int month, int day, std::string& folderPath) const;
  // Month keys in day order (one per run of equal keys); fills the year span; returns last year
  // minus first year.
  int MonthsPresent(std::vector<std::string>& months);
  const YearSpan& Years() const { return yearSpan_; }
  // See layout::FolderKind and layout::DisplayDate.
  static int FolderKind(std::string_view storedPath);
  static std::string DisplayDate(std::string_view folderName);

  // --- removal tracking (the remove view) ---
  int RemovalTracking() const { return removalTracking_; }
  void SetRemovalTracking(int on) { removalTracking_ = on; }
  const std::vector<uint16_t>& RemovedIndices() const { return removedIndices_; }

  // --- document operations ---
  // Deletes every record and empties both lists and both result lists.
  void DeleteContents();
  // An empty album.
  bool OnNewDocument();
  // Empties the album and loads the file; on failure the album is empty and LastError() says why.
  bool OnOpenDocument(const std::filesystem::path& path);
  // Writes the album atomically; sets the saved-this-run flag on success. A save to the working
  // album of the home folder also refreshes the library copy.
  bool OnSaveDocument(const std::filesystem::path& path);
  AlbumError LastError() const { return lastError_; }
  // Loading from bytes (the fuzz target, tests): empties first; nothing half-loaded on failure.
  AlbumError Load(std::string_view bytes);
  // The file bytes of the album as it stands.
  std::string SaveBytes() const;

  bool IsModified() const { return modified_; }
  void SetModifiedFlag(bool modified = true) { modified_ = modified; }
  int SavedThisRun() const { return savedThisRun_; }
  void SetGenerationRotation(bool on) { rotateAtExit_ = on; }
  std::filesystem::path Home() const;

 private:
  void IndexPicture(PicturePosition position);
  void UnindexPicture(PicturePosition position);
  void RebuildPictureIndex();

  // Pictures grouped by the folder part of their path (before the last separator), in album order.
  using PictureGroup = std::map<PictureOrderKey, const CPhotoData*>;
  void BuildDayIndex();
  void InvalidateDayIndex();
  void DayIndexAdd(PicturePosition position);
  void DayIndexRemove(PicturePosition position);
  // The results for a folder name, before the voice-memo rule.
  std::vector<const CPhotoData*> PicturesOfFolderName(std::string_view folderName);
  // Every picture tested in turn: the answer for names the index cannot split on (a separator in it).
  std::vector<const CPhotoData*> PicturesOfFolderNameByScan(std::string_view folderName) const;

  int removalTracking_ = 0;
  std::vector<uint16_t> removedIndices_;
  YearSpan yearSpan_;
  DayMap days_;
  PictureMap pictures_;
  std::vector<const CPhotoData*> pictureResults_;
  std::vector<const CAlbumData*> dayResults_;
  int savedThisRun_ = 0;

  bool modified_ = false;
  bool rotateAtExit_ = true;
  AlbumError lastError_ = AlbumError::None;
  std::filesystem::path home_;
  uint64_t nextSequence_ = 0;
  // Picture lookup by path (ASCII-folded), built on first use and kept up to date afterwards.
  mutable bool pictureIndexBuilt_ = false;
  mutable std::unordered_multimap<std::string, PictureOrderKey> pictureIndex_;
  // Day index, built on first use and kept up to date by adds and removes; edits and reorders drop
  // it. folders_: folder part -> its pictures. byOwnName_: lower-cased own folder name -> the groups
  // of folders of that name not lying in a dated folder. byFileName_: the part after the last
  // separator -> its pictures (names matched anywhere in the path may hit a file name).
  bool dayIndexBuilt_ = false;
  std::unordered_map<std::string, PictureGroup> folders_;
  std::unordered_map<std::string, std::vector<const PictureGroup*>> byOwnName_;
  std::unordered_map<std::string, PictureGroup> byFileName_;
};

}  // namespace orrivan
