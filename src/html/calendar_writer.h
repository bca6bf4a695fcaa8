// The calendar view of the album: one calendar page per month (HTML/YYYY/Jan2.htm), the navigation
// pages of both views (HTML/calendar_1.htm, HTML/calendar_2.htm, HTML/YYYY/calendarYYYYMM_1.htm and
// _2.htm) and the rebuild that every change of the library ends with.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "html/html_text.h"
#include "library/album_document.h"
#include "library/album_queries.h"

namespace orrivan {

// A list of day-folder names (YYYYMMDD or the old YYMMDD); nullptr means "no selection".
using DaySelection = std::vector<std::string>;

// Normalises a month key or day-folder name and splits it into year (0-3) and month (4-5). Old
// names with a two-digit year get "19" (first character '9') or "20" (first character '0') in front
// and are cut to six characters; the result says whether that happened.
bool SplitMonthKey(std::string_view key, std::string& year, std::string& month);

// One cell of a month grid or of the extra block.
struct DayCell {
  int present = 0;    // 1: a day of the month (or an extra folder); 0: filler
  std::string label;  // day number or folder label
  int hasSample = 0;
  int landscape = 0;  // the sample is wider than high
  std::string sampleUrl;  // path of the sample preview, '/' separated
  std::string linkUrl;    // path of the day page
};

inline constexpr size_t kGridCells = 42;  // six weeks, Sunday first

class CCalendarWriter {
 public:
  // 1: links from month pages to days in the library root are relative even when the library is not
  // beside the pages (pages written for a copy of the library). Days elsewhere always get file URLs.
  void SetRelativeLinks(int relativeLinks) { relativeLinks_ = relativeLinks; }
  int RelativeLinks() const { return relativeLinks_; }
  // Answers the day queries from an index instead of the album (a rebuild of many months).
  void UsePictureIndex(const CalendarPictureIndex* index) { index_ = index; }

  // Month pages of monthKeys; with a selection only months holding a selected day, only selected
  // days get samples, and pages stay writable. 0 when a page cannot be written (later months are
  // not written).
  int WriteMonthPages(const std::filesystem::path& htmlBase, const std::string& libraryRoot,
                      const std::vector<std::string>& monthKeys, const CRKCardAlbumDoc& album,
                      const DaySelection* daySelection);
  static void WritePageHead(html::PageWriter& file);
  // gridMode 1: the 42 cells of the month; gridMode 0: the extra block, cellCount cells.
  void BuildMonthCells(const std::string& libraryRoot, int year, int month, const CRKCardAlbumDoc& album,
                       std::vector<DayCell>& cells, size_t cellCount, const DaySelection* daySelection,
                       int gridMode);
  void WriteCellRow(html::PageWriter& file, const std::vector<DayCell>& cells, size_t rowIndex, int fontPt);
  // kind 0 filler, 1 day without sample, 2 day with sample.
  void WriteDayCell(html::PageWriter& file, int kind, const DayCell& cell, int fontPt);

  // Both index pages, then the month navigation pages of both views; a failing writer does not
  // stop the others. 1 when all succeeded.
  int WriteCalendarSet(const std::filesystem::path& htmlBase, const std::vector<std::string>& monthKeys,
                       const DaySelection* daySelection);
  // variant 0: list view (_1), 1: calendar view (_2).
  int WriteCalendarIndex(const std::filesystem::path& htmlBase, int variant,
                         const std::vector<std::string>& monthKeys, const DaySelection* daySelection);
  int WriteEmptyCalendarIndex(const std::filesystem::path& htmlBase, int variant);
  int WriteMonthNavigationPages(const std::filesystem::path& htmlBase, int variant,
                                const std::vector<std::string>& monthKeys, const DaySelection* daySelection);
  // Deletes both index pages and, per month, both navigation pages and the calendar month page.
  // List pages stay (the list writer keeps them); missing files are ignored.
  int DeleteCalendarPages(const std::filesystem::path& htmlBase, const std::vector<std::string>& monthKeys);

 private:
  void WritePageTop(html::PageWriter& file, const std::string& scriptExtra, const std::string& rightCell);
  void WriteYearTable(html::PageWriter& file, int variant, int pageYear, const std::vector<std::string>& monthKeys,
                      const DaySelection* daySelection);
  std::string DayLink(const std::string& path) const;
  int DayByDate(const CRKCardAlbumDoc& album, int year, int month, int day, std::string& folder) const;
  std::vector<std::string> PicturesOf(const CRKCardAlbumDoc& album, const std::string& folder, int plainDay) const;
  void SetSample(DayCell& cell, const std::string& imageFolder, const std::string& previewName,
                 const std::string& sampleFolder, const std::string& linkFolder) const;

  int relativeLinks_ = 0;
  const CalendarPictureIndex* index_ = nullptr;
  // Set per WriteMonthPages: whether links to days in the library root are relative, the root, and
  // the folder the links are relative to.
  bool relativeForm_ = false;
  std::string libraryRoot_;
  std::string libraryParent_;
};

// The calendar rebuild: index and navigation pages of every month, then the month pages. withSelection
// non-zero passes daySelection on (pages for chosen days only, left writable). An empty album gets the
// two empty index pages. Returns the month-page writer's result.
int RebuildCalendar(CRKCardAlbumDoc& album, const std::filesystem::path& htmlBase, const std::string& libraryRoot,
                    int withSelection, const DaySelection* daySelection, int relativeLinksFlag);
// The same for the home folder's pages and the configured library.
int RebuildCalendar(CRKCardAlbumDoc& album);
// After an import: index and navigation pages are rewritten whole (a new month changes every year
// table), month pages only for changedMonths (month keys or day-folder names of the changed days).
// What it leaves on disk equals what a full rebuild writes, provided the other months' pages came
// from a full rebuild of the same library.
int RebuildCalendar(CRKCardAlbumDoc& album, const std::vector<std::string>& changedMonths);
// Deletes the calendar pages of every month of the album (before an erase or a move rebuilds).
int RemoveCalendarPages(CRKCardAlbumDoc& album, const std::filesystem::path& htmlBase);
int RemoveCalendarPages(CRKCardAlbumDoc& album);

// The preview file name of a picture's file name: a ".lnk" suffix goes, a voice memo (".WAV") shows
// its stem + ".JPG", a movie (".AVI") its stem + "a.JPG", a still image keeps its stem with the
// extension upper-cased (the preview names the import writes).
std::string PreviewNameOf(std::string_view fileName);
// The preview as it lies on disk: folder/PREVIEW/name, else a case-insensitive match in that folder,
// else (nothing there) folder/PREVIEW/name.
std::string FindPreview(const std::string& imageFolder, const std::string& previewName);

}  // namespace orrivan
