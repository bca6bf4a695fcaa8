// Where every folder and file of the library lies, how day folders are named and parsed back into
// dates, and the helpers for paths as the album stores them ('/' throughout, absolute).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace orrivan::layout {

// Names in the home folder.
inline constexpr char kAlbumFileName[] = "Orrivan.rks";
inline constexpr char kMarkerFileName[] = "Orrivan.tmp";
inline constexpr char kPluginsFolderName[] = "Plugins";
inline constexpr char kHtmlFolderName[] = "HTML";
inline constexpr char kListFramePageName[] = "library_1.htm";
inline constexpr char kCalendarFramePageName[] = "library_2.htm";
inline constexpr int kGenerationCount = 5;

// Names in the library.
inline constexpr char kLibraryFolderName[] = "Image Library";
inline constexpr char kOldLibraryFolderName[] = "ImageLib";
inline constexpr char kDayPageName[] = "INDEX.HTM";
inline constexpr char kPreviewFolderName[] = "PREVIEW";

// Time stamps outside this range are not trusted as dates (compared as 14-digit text).
inline constexpr char kEarliestTrustedStamp[] = "19900101000001";
inline constexpr char kLatestTrustedStamp[] = "20380118000001";

// Library root: "SaveFolder", default HomeFolder()/"Image Library".
std::filesystem::path LibraryRoot();
// HomeFolder()/"HTML": the calendar and list pages.
std::filesystem::path HtmlFolder();
std::filesystem::path ListFramePage();      // HomeFolder()/"library_1.htm"
std::filesystem::path CalendarFramePage();  // HomeFolder()/"library_2.htm"
std::filesystem::path WorkingAlbumPath();   // HomeFolder()/"Orrivan.rks"
std::filesystem::path LibraryAlbumPath();   // LibraryRoot()/"Orrivan.rks"
// "Orrivan.rk1" .. "Orrivan.rk5" beside the working album (n in 1..5) of the given home folder.
std::filesystem::path GenerationPath(const std::filesystem::path& home, int n);

// The four recognised day folder forms, and everything else ("extra" folders).
enum class FolderForm {
  Dated,          // YYYYMMDD
  DatedNumbered,  // YYYYMMDD_NN
  OldDay,         // YYMMDD
  OldStamp,       // YYMMDDhhmm.. (12 characters, no "_")
  Extra,          // anything else; still a day folder of the album, listed by its name
};
FolderForm ClassifyFolderName(std::string_view name);

// The three century rules for two-digit years; each has its own users and they differ for 90..94.
// Month key of a folder name: "YYMM" > "9500" byte-wise gives "19", else "20".
std::string CenturyForMonthKey(std::string_view yymm);
// Calendar queries: first character '9' gives "19", else "20".
std::string CenturyForCalendar(std::string_view yy);
// Display date: first two characters >= "95" gives "19", else "20".
std::string CenturyForDisplay(std::string_view yy);

// Day key (8 characters) of a folder name, calendar century rule; empty when the form has none
// (12-character names) or the name fits no form.
std::string DayKeyOfFolderName(std::string_view name);
// Month key (6 characters) of a folder name, month-key century rule: names with "_" -> the part
// before the last "_" without its last two characters; 6- or 12-character names without "_" ->
// century + first four; otherwise the first six characters (8-character names).
std::string MonthKeyOfFolderName(std::string_view name);
// The date column of the list views ("2007/03/15", "2007/03 _01", "1999/03/15 10:20").
std::string DisplayDate(std::string_view name);
// Folder kind of a stored path: the part after "Image Library/": 2 when it starts with a character
// other than '0' and '9' (four-digit year), 0 when it is 6 characters long, else 1.
int FolderKind(std::string_view storedPath);

// A 14-digit time stamp lies in the trusted range.
bool IsTrustedTimeStamp(std::string_view stamp);

// Stored paths. '\' and '/' both separate when reading; what we write uses '/'.
std::string ToStoredPath(const std::filesystem::path& path);
std::filesystem::path FromStoredPath(std::string_view stored);
// Stored folder path + "/" + name.
std::string JoinStored(std::string_view folder, std::string_view name);
// Last component ("" for none).
std::string LastComponent(std::string_view stored);
// Everything after the "Image Library" (or "ImageLib") component, separators as stored; "" when
// the path has no such component.
std::string PartAfterLibrary(std::string_view stored);
// The folder name of a stored day folder path: the part after the library component, or the last
// component when a library root of another name holds the day.
std::string NameAfterLibrary(std::string_view storedFolder);
// The day folder of a stored picture path: the first component after the "Image Library"
// component (falls back to the parent folder's name when there is none).
std::string DayFolderOfStoredPath(std::string_view stored);
// Stored page path of a day folder: folder + "/INDEX.HTM".
std::string PagePathOfFolder(std::string_view storedFolder);

// Path comparisons of the album: ASCII letters ignore case, everything else compares exactly.
bool PathsEqual(std::string_view a, std::string_view b);
// Order key of a stored path for the day list: its code page 932 bytes with single-byte ASCII
// letters folded to upper case (double-byte characters untouched), compared byte-wise.
std::string PathOrderKey(std::string_view stored);

}  // namespace orrivan::layout
