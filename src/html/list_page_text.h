// The in-place edits of the list view's pages, on page bytes in memory: rows of a month list page
// (one per day, newest first, marked "  <TR><!--DAY-->") and the month links of the overview page
// calendar.htm. Pages read back from disk may have been edited by anyone, so every edit checks what
// it finds and fails without touching the text when the page does not have the expected shape.
#pragma once

#include <string>
#include <string_view>

namespace orrivan::html {

inline constexpr char kRowMarker[] = "  <TR><!--";
// The end of a day's spacer row, the last line of its block.
inline constexpr char kRowEnd[] = "<BR></TD>\r\n  </TR>\r\n";

enum class RowEdit {
  Done,           // the page text changed
  AlreadyListed,  // InsertRow: the day has a row; text unchanged
  LastRowGone,    // RemoveRow: the page holds no day any more (the caller deletes the file)
  Failed,         // the page lacks what the edit needs; text unchanged
};

// dayName: the day's folder name as page bytes (PageValue). row: the day's whole row block.
RowEdit InsertRowText(std::string& page, std::string_view dayName, std::string_view row);
RowEdit RemoveRowText(std::string& page, std::string_view dayName);
// titleCell: the new content of the title cell (pieces joined by "<BR>").
RowEdit UpdateTitleText(std::string& page, std::string_view dayName, std::string_view titleCell);

// The overview: year rows (newest first) with twelve month cells; a month with a list page is a
// link to "YYYY/mon.htm". year is four digits, monthIndex 0-11, listName "jan".."dec".
bool UpdateOverviewText(std::string& page, std::string_view year, int monthIndex, std::string_view listName,
                        bool added);
// The year row that UpdateOverviewText inserts for a year without one.
std::string OverviewYearRow(std::string_view year);

}  // namespace orrivan::html
