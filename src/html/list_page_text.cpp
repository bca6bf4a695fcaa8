#include "html/list_page_text.h"

#include <string>

#include "base/strings.h"
#include "html/html_text.h"

namespace orrivan::html {
namespace {

constexpr std::string_view kTitleOpen = "_blank\">";
constexpr std::string_view kTitleClose = "</A></TD>\r\n";
constexpr std::string_view kYearRowStart = "  <TR ALIGN=\"CENTER\">\r\n";
constexpr std::string_view kYearCell = "WIDTH=\"103\"><B>";
constexpr std::string_view kMonthCell = "WIDTH=\"56\">";
constexpr std::string_view kRowClose = "  </TR>\r\n";
constexpr std::string_view kLinkOpen = "<B><A HREF";
constexpr std::string_view kLinkClose = "</A></B>";

std::string MonthName(int monthIndex) {
  return PageBytes(Str(static_cast<StrId>(static_cast<int>(StrId::MonthName1) + monthIndex)));
}

std::string YearLabel(std::string_view year) {
  return PageBytes(FormatText(Str(StrId::YearLabelList), {std::string(year)}));
}

std::string GreyMonth(int monthIndex) { return "<FONT COLOR=\"#737373\">" + MonthName(monthIndex) + "</FONT>"; }

// The row block of a day: [start, end), or npos when the page has no complete row for it.
std::pair<size_t, size_t> FindRow(const std::string& page, std::string_view dayName) {
  std::string marker = std::string(kRowMarker) + std::string(dayName) + "-->\r\n";
  size_t start = page.find(marker);
  if (start == std::string::npos) return {std::string::npos, std::string::npos};
  size_t end = page.find(kRowEnd, start + marker.size());
  if (end == std::string::npos) return {std::string::npos, std::string::npos};
  return {start, end + std::string_view(kRowEnd).size()};
}

struct YearRow {
  size_t start = std::string::npos;
  size_t end = std::string::npos;
};

// Reads the year of a year row starting at start; -1 when the row does not carry one.
int YearOfRow(const std::string& page, size_t start, size_t end) {
  size_t cell = page.find(kYearCell, start);
  if (cell == std::string::npos || cell >= end) return -1;
  size_t p = cell + kYearCell.size();
  int year = 0;
  size_t digits = 0;
  while (p < end && page[p] >= '0' && page[p] <= '9' && digits < 6) year = year * 10 + (page[p++] - '0'), ++digits;
  return digits == 0 ? -1 : year;
}

size_t RowEndAfter(const std::string& page, size_t start) {
  size_t close = page.find(kRowClose, start + kYearRowStart.size());
  return close == std::string::npos ? std::string::npos : close + kRowClose.size();
}

YearRow FindYearRow(const std::string& page, std::string_view year) {
  std::string cell = std::string(kYearCell) + YearLabel(year) + "</B></TD>";
  for (size_t start = page.find(kYearRowStart); start != std::string::npos;
       start = page.find(kYearRowStart, start + 1)) {
    size_t end = RowEndAfter(page, start);
    if (end == std::string::npos) break;
    size_t at = page.find(cell, start);
    if (at != std::string::npos && at < end) return {start, end};
  }
  return {};
}

// The content of month cell monthIndex of a year row: [begin, end) up to its "</TD>".
std::pair<size_t, size_t> MonthCell(const std::string& page, const YearRow& row, int monthIndex) {
  size_t p = row.start;
  for (int i = 0; i <= monthIndex; ++i) {
    p = page.find(kMonthCell, p);
    if (p == std::string::npos || p >= row.end) return {std::string::npos, std::string::npos};
    p += kMonthCell.size();
  }
  size_t close = page.find("</TD>", p);
  if (close == std::string::npos || close >= row.end) return {std::string::npos, std::string::npos};
  return {p, close};
}

}  // namespace

RowEdit InsertRowText(std::string& page, std::string_view dayName, std::string_view row) {
  size_t pos = 0;
  for (;;) {
    size_t at = page.find(kRowMarker, pos);
    if (at == std::string::npos) {
      size_t table = page.find("</TABLE>", pos);
      if (table == std::string::npos) return RowEdit::Failed;
      page.insert(table, row);
      return RowEdit::Done;
    }
    size_t nameStart = at + std::string_view(kRowMarker).size();
    size_t nameEnd = page.find("-->\r\n", nameStart);
    if (nameEnd == std::string::npos) return RowEdit::Failed;
    int order = CompareNoCase(dayName, std::string_view(page).substr(nameStart, nameEnd - nameStart));
    if (order == 0) return RowEdit::AlreadyListed;
    if (order > 0) {
      page.insert(at, row);
      return RowEdit::Done;
    }
    pos = nameEnd;
  }
}

RowEdit RemoveRowText(std::string& page, std::string_view dayName) {
  auto [start, end] = FindRow(page, dayName);
  if (start == std::string::npos) return RowEdit::Failed;
  page.erase(start, end - start);
  return page.find(kRowMarker, 30) == std::string::npos ? RowEdit::LastRowGone : RowEdit::Done;
}

RowEdit UpdateTitleText(std::string& page, std::string_view dayName, std::string_view titleCell) {
  auto [start, end] = FindRow(page, dayName);
  if (start == std::string::npos) return RowEdit::Failed;
  size_t first = page.find(kTitleOpen, start);
  if (first == std::string::npos || first >= end) return RowEdit::Failed;
  size_t second = page.find(kTitleOpen, first + kTitleOpen.size());
  if (second == std::string::npos || second >= end) return RowEdit::Failed;
  size_t begin = second + kTitleOpen.size();
  size_t close = page.find(kTitleClose, begin);
  if (close == std::string::npos || close >= end) return RowEdit::Failed;
  page.replace(begin, close - begin, titleCell);
  return RowEdit::Done;
}

std::string OverviewYearRow(std::string_view year) {
  PageWriter w;
  w.Raw(kYearRowStart);
  w.Line("    <TD BGCOLOR=\"#CCCCFF\" WIDTH=\"103\"><B>" + YearLabel(year) + "</B></TD>");
  for (int m = 0; m < 12; ++m) w.Line("    <TD BGCOLOR=\"#CCCCFF\" WIDTH=\"56\">" + GreyMonth(m) + "</TD>");
  w.Raw(kRowClose);
  return std::move(w.Text());
}

bool UpdateOverviewText(std::string& page, std::string_view year, int monthIndex, std::string_view listName,
                        bool added) {
  if (monthIndex < 0 || monthIndex > 11) return false;
  YearRow row = FindYearRow(page, year);
  if (added) {
    std::string work = page;
    if (row.start == std::string::npos) {
      int newYear = 0;
      for (char c : year) newYear = newYear * 10 + (c - '0');
      size_t insertAt = std::string::npos;
      size_t searchFrom = 0;
      for (size_t start = work.find(kYearRowStart); start != std::string::npos;
           start = work.find(kYearRowStart, start + 1)) {
        size_t end = RowEndAfter(work, start);
        if (end == std::string::npos) break;
        searchFrom = end;
        int rowYear = YearOfRow(work, start, end);
        if (rowYear >= 0 && rowYear < newYear) {
          insertAt = start;
          break;
        }
      }
      if (insertAt == std::string::npos) insertAt = work.find("</TABLE>", searchFrom);
      if (insertAt == std::string::npos) return false;
      std::string yearRow = OverviewYearRow(year);
      work.insert(insertAt, yearRow);
      row = {insertAt, insertAt + yearRow.size()};
    }
    auto [begin, end] = MonthCell(work, row, monthIndex);
    if (begin == std::string::npos) return false;
    if (std::string_view(work).substr(begin, end - begin).find(kLinkOpen) == std::string_view::npos) {
      std::string target = std::string(year) + "/" + std::string(listName) + ".htm";
      work.replace(begin, end - begin,
                   "<B><A HREF=\"" + target + "\" TARGET=\"start\">" + MonthName(monthIndex) + "</A></B>");
    }
    page = std::move(work);
    return true;
  }
  if (row.start == std::string::npos) return true;  // nothing linked for that year
  std::string work = page;
  auto [begin, end] = MonthCell(work, row, monthIndex);
  if (begin == std::string::npos) return false;
  size_t link = work.find(kLinkOpen, begin);
  if (link != std::string::npos && link < end) {
    size_t close = work.find(kLinkClose, link);
    if (close == std::string::npos || close > end) return false;
    work.replace(link, close + kLinkClose.size() - link, GreyMonth(monthIndex));
    row.end = RowEndAfter(work, row.start);
    if (row.end == std::string::npos) return false;
  }
  size_t anyLink = work.find(kLinkOpen, row.start);
  if (anyLink == std::string::npos || anyLink >= row.end) work.erase(row.start, row.end - row.start);
  page = std::move(work);
  return true;
}

}  // namespace orrivan::html
