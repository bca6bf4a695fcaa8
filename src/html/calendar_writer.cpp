#include "html/calendar_writer.h"

#include <chrono>
#include <cstdio>
#include <set>
#include <system_error>

#include "base/paths.h"
#include "base/strings.h"
#include "html/page_file.h"
#include "html/page_names.h"
#include "library/layout.h"

namespace orrivan {
namespace fs = std::filesystem;
using html::PageBytes;
using html::PageUrl;
using html::PageValue;
using html::PageWriter;

namespace {

std::string Format(const char* pattern, int a, int b = 0, int c = 0) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, pattern, a, b, c);
  return buffer;
}

int ToInt(std::string_view digits) {
  int value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return -1;
    if (value > 100000) return -1;
    value = value * 10 + (c - '0');
  }
  return digits.empty() ? -1 : value;
}

// A month key the pages can show: four-digit year, month 1-12. Folder names of no known form give
// keys like "holida"; they have no calendar month.
bool ParseMonthKey(std::string_view key, int& year, int& month) {
  std::string y, m;
  SplitMonthKey(key, y, m);
  year = ToInt(y);
  month = ToInt(m);
  return y.size() == 4 && m.size() == 2 && year >= 0 && month >= 1 && month <= 12;
}

// First six characters of a selection entry, old names with their century.
std::string SelectionMonth(std::string_view entry) {
  std::string full(entry);
  if (!full.empty() && (full[0] == '0' || full[0] == '9')) full.insert(0, full[0] == '9' ? "19" : "20");
  return full.substr(0, 6);
}

bool SelectionHasMonth(const DaySelection& selection, int year, int month) {
  std::string key = Format("%04d%02d", year, month);
  for (const std::string& entry : selection)
    if (SelectionMonth(entry) == key) return true;
  return false;
}

bool SelectionHasDay(const DaySelection& selection, int year, int month, int day) {
  std::string date = Format("%04d%02d%02d", year, month, day);
  for (const std::string& entry : selection) {
    if (entry.size() == 6 && entry == date.substr(2)) return true;
    if (entry.size() == 8 && entry == date) return true;
  }
  return false;
}

std::string YearFolder(const fs::path& htmlBase, int year) {
  return (htmlBase / layout::kHtmlFolderName / Format("%04d", year)).string();
}

std::string NavigationName(const std::string& key, int variant) {
  return "calendar" + key + (variant == 0 ? "_1.htm" : "_2.htm");
}

std::string LowerPageName(int month, int variant) {
  return std::string(variant == 0 ? html::kListMonthNames[month - 1] : html::kCalendarMonthNames[month - 1]) + ".htm";
}

using html::FolderOf;
using html::NameOf;
using html::Normalised;
// Exact, not case-folded: a folder that differs from the root in case is another folder here, and
// a link built from the root would miss it.
using html::InsideFolder;

// The folder a day cell links to: root/name for a day in the library root (the form the pages have
// always had), the day's own folder for one that lies elsewhere.
std::string DayFolderLink(const std::string& root, const std::string& dayFolder, const std::string& name) {
  std::string folder = Normalised(dayFolder);
  if (folder.empty() || InsideFolder(folder, Normalised(root))) return root + "/" + name;
  return folder;
}

// The folder a day cell's sample is linked from: the picture's own folder, seen from the day's link,
// so that a dated import's card subfolder (<day>/100XXXXX/PREVIEW) is linked where the preview lies.
std::string SampleFolderLink(const std::string& dayLink, const std::string& dayFolder, const std::string& imageFolder) {
  const std::string day = Normalised(dayFolder);
  const std::string image = Normalised(imageFolder);
  if (image == day) return dayLink;
  if (InsideFolder(image, day)) return dayLink + image.substr(day.size());
  return imageFolder;
}

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && EqualsIgnoreCase(s.substr(s.size() - suffix.size()), suffix);
}

// Weekday of the 1st (1 = Sunday .. 7 = Saturday) and the number of days of a month.
void MonthShape(int year, int month, int& firstWeekday, int& days) {
  using namespace std::chrono;
  year_month_day first{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)}, day{1}};
  firstWeekday = static_cast<int>(weekday{sys_days{first}}.c_encoding()) + 1;
  days = static_cast<int>(static_cast<unsigned>(
      year_month_day_last{std::chrono::year{year}, month_day_last{std::chrono::month{static_cast<unsigned>(month)}}}
          .day()));
}

}  // namespace

bool SplitMonthKey(std::string_view key, std::string& year, std::string& month) {
  std::string text(key);
  bool old = false;
  if (!text.empty() && (text[0] == '9' || text[0] == '0')) {
    text = (text[0] == '9' ? "19" : "20") + text;
    text = text.substr(0, 6);
    old = true;
  }
  year = text.substr(0, std::min<size_t>(4, text.size()));
  month = text.size() > 4 ? text.substr(4, 2) : std::string();
  return old;
}

std::string PreviewNameOf(std::string_view fileName) {
  std::string name(fileName);
  if (html::IsShortcutName(name)) name.resize(name.size() - 4);
  if (EndsWithNoCase(name, ".WAV")) return name.substr(0, name.size() - 4) + ".JPG";
  if (EndsWithNoCase(name, ".AVI")) return name.substr(0, name.size() - 4) + "a.JPG";
  size_t dot = name.rfind('.');
  if (dot != std::string::npos)
    for (size_t i = dot + 1; i < name.size(); ++i)
      if (name[i] >= 'a' && name[i] <= 'z') name[i] = static_cast<char>(name[i] - 'a' + 'A');
  return name;
}

std::string FindPreview(const std::string& imageFolder, const std::string& previewName) {
  std::string folder = imageFolder + "/" + layout::kPreviewFolderName;
  std::string exact = folder + "/" + previewName;
  std::error_code ec;
  if (fs::exists(fs::symlink_status(exact, ec))) return exact;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (EqualsIgnoreCase(name, previewName)) return folder + "/" + name;
  }
  return exact;
}

// ---------------------------------------------------------------------------------------------
// Month pages

void CCalendarWriter::WritePageHead(PageWriter& file) {
  file.Line("<HTML>");
  file.Line("<HEAD>");
  file.Line("  <META NAME=\"GENERATOR\" CONTENT=\"KORVA Orrivan 2.32\">");
  file.Line("  <META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html;CHARSET=" + PageBytes(Str(StrId::Charset)) + "\">");
}

std::string CCalendarWriter::DayLink(const std::string& path) const {
  // Only what lies in the library root is beside the pages (or in the copy they are written for): a
  // day left under another library folder, as a move stopped part-way leaves it, is named where it
  // lies. The month page lies two levels below the base folder, which holds the library root.
  if (relativeForm_ && !libraryParent_.empty() && InsideFolder(path, libraryRoot_))
    return "../../" + path.substr(libraryParent_.size() + 1);
  return path.starts_with('/') ? "file://" + path : "file:///" + path;
}

int CCalendarWriter::DayByDate(const CRKCardAlbumDoc& album, int year, int month, int day,
                               std::string& folder) const {
  if (index_) return index_->DayByDate(year, month, day, folder);
  return album.DayByDate(year, month, day, folder);
}

std::vector<std::string> CCalendarWriter::PicturesOf(const CRKCardAlbumDoc& album, const std::string& folder,
                                                     int plainDay) const {
  if (index_) return index_->PicturesOfCalendarDay(folder, plainDay);
  return PicturesOfCalendarDay(album, folder, plainDay);
}

void CCalendarWriter::SetSample(DayCell& cell, const std::string& imageFolder, const std::string& previewName,
                                const std::string& sampleFolder, const std::string& linkFolder) const {
  std::string preview = FindPreview(imageFolder, previewName);
  cell.hasSample = 1;
  cell.sampleUrl = NormaliseStoredPath(sampleFolder + "/" + layout::kPreviewFolderName + "/" + NameOf(preview));
  cell.linkUrl = NormaliseStoredPath(linkFolder + "/" + layout::kDayPageName);
  html::FrameSize size = html::ReadJpegFrameSize(preview);
  cell.landscape = size.height < size.width ? 1 : 0;
}

void CCalendarWriter::BuildMonthCells(const std::string& libraryRoot, int year, int month,
                                      const CRKCardAlbumDoc& album, std::vector<DayCell>& cells, size_t cellCount,
                                      const DaySelection* daySelection, int gridMode) {
  cells.assign(cellCount, DayCell{});
  if (gridMode == 1) {
    int firstWeekday = 1, days = 0;
    MonthShape(year, month, firstWeekday, days);
    size_t next = static_cast<size_t>(firstWeekday - 1);
    for (int d = 1; d <= days && next < cellCount; ++d, ++next) {
      DayCell& cell = cells[next];
      cell.present = 1;
      cell.label = std::to_string(d);
      if (daySelection && !SelectionHasDay(*daySelection, year, month, d)) continue;
      std::string folder;
      if (!DayByDate(album, year, month, d, folder)) continue;
      std::vector<std::string> pictures = PicturesOf(album, folder, 1);
      if (pictures.empty()) continue;
      const std::string& first = pictures.front();
      std::string imageFolder = FolderOf(first);
      std::string previewName = PreviewNameOf(NameOf(first));
      std::string y, m;
      if (SplitMonthKey(layout::LastComponent(folder), y, m)) {
        SetSample(cell, imageFolder, previewName, imageFolder, imageFolder);
      } else {
        // The preview is read where the picture lies; the links name the day under the library root,
        // unless its folder lies elsewhere.
        std::string dayFolder = DayFolderLink(libraryRoot, folder, Format("%04d%02d%02d", year, month, d));
        SetSample(cell, imageFolder, previewName, SampleFolderLink(dayFolder, folder, imageFolder), dayFolder);
      }
    }
    return;
  }
  size_t next = 0;
  for (const std::string& folder : ExtraFoldersOfMonth(album, year, month, daySelection)) {
    if (next >= cellCount) break;
    std::string name = layout::LastComponent(folder);
    if (name.empty()) continue;
    size_t us = name.rfind('_');
    std::string afterUs = us == std::string::npos ? name : name.substr(us + 1);
    auto mid = [&](size_t pos, size_t n) { return pos < name.size() ? name.substr(pos, n) : std::string(); };
    std::string label;
    if (name[0] == '0' || name[0] == '9') {
      if (name.size() <= 6) continue;  // an old plain day: it has its grid cell
      label = mid(2, 2) + "/" + mid(4, 2) + " " + mid(6, 2) + ":" + mid(8, 2) + ":" + mid(10, 2);
    } else if (mid(6, 2) == "00") {
      label = mid(0, 4) + "/" + mid(4, 2) + "_" + afterUs;
    } else {
      label = mid(0, 4) + "/" + mid(4, 2) + "/" + mid(6, 2) + "_" + afterUs;
    }
    DayCell& cell = cells[next++];
    cell.present = 1;
    cell.label = label;
    std::vector<std::string> pictures = PicturesOf(album, folder, 0);
    if (pictures.empty()) continue;
    const std::string& first = pictures.front();
    std::string dayFolder = DayFolderLink(libraryRoot, folder, name);
    const std::string imageFolder = FolderOf(first);
    SetSample(cell, imageFolder, PreviewNameOf(NameOf(first)), SampleFolderLink(dayFolder, folder, imageFolder),
              dayFolder);
  }
}

void CCalendarWriter::WriteDayCell(PageWriter& file, int kind, const DayCell& cell, int fontPt) {
  if (kind == 0) {
    file.Line("      <td width=\"109\" height=\"110\" bgcolor=\"#999999\"></td>");
    return;
  }
  file.Line("      <td width=\"109\" height=\"110\" bgcolor=\"#CCCCCC\">");
  file.Line("        <table width=\"109\" border=\"0\" cellspacing=\"0\" cellpadding=\"0\" height=\"20\" "
            "STYLE=\"font-size:" + std::to_string(fontPt) + "pt; font-weight:bold\">");
  file.Line("          <tr align=\"left\" valign=\"middle\">");
  file.Line("            <td>&nbsp;" + PageValue(cell.label) + "</td>");
  file.Line("          </tr>");
  file.Line("        </table>");
  if (kind == 2) {
    const char* black = "                    <td bgcolor=\"#000000\"><font color=\"#000000\">-</font></td>";
    const char* white = "                    <td bgcolor=\"#FFFFFF\"><font color=\"#FFFFFF\">-</font></td>";
    file.Line("        <div align=\"center\">");
    file.Line("          <table width=\"82\" border=\"0\" cellspacing=\"0\" cellpadding=\"0\" height=\"82\">");
    file.Line("            <tr align=\"center\" valign=\"middle\">");
    file.Line("              <td>");
    file.Line("                <table border=\"0\" cellspacing=\"0\" cellpadding=\"0\" STYLE=\"font-size:0pt; "
              "Line-height:0pt\">");
    file.Line("                  <tr>");
    file.Line(black);
    file.Line(black);
    file.Line(white);
    file.Line("                  </tr>");
    file.Line("                  <tr>");
    file.Line("                    <td bgcolor=\"#000000\"></td>");
    file.Line("                    <td><A HREF=\"" + PageUrl(DayLink(cell.linkUrl)) + "\" TARGET=\"_blank\"><img src=\"" +
              PageUrl(DayLink(cell.sampleUrl)) + "\" border=\"0\" " +
              (cell.landscape == 1 ? "width=\"80\"" : "height=\"80\"") + "></a></td>");
    file.Line("                    <td bgcolor=\"#FFFFFF\"></td>");
    file.Line("                  </tr>");
    file.Line("                  <tr>");
    file.Line(black);
    file.Line(white);
    file.Line(white);
    file.Line("                  </tr>");
    file.Line("                </table>");
    file.Line("              </td>");
    file.Line("            </tr>");
    file.Line("          </table>");
    file.Line("        </div>");
  }
  file.Line("      </td>");
}

void CCalendarWriter::WriteCellRow(PageWriter& file, const std::vector<DayCell>& cells, size_t rowIndex, int fontPt) {
  file.Line("    <tr align=\"left\" valign=\"top\">");
  for (size_t i = rowIndex * 7; i < rowIndex * 7 + 7 && i < cells.size(); ++i) {
    const DayCell& cell = cells[i];
    int kind = cell.present != 1 ? 0 : cell.hasSample == 1 ? 2 : 1;
    WriteDayCell(file, kind, cell, fontPt);
  }
  file.Line("    </tr>");
}

int CCalendarWriter::WriteMonthPages(const fs::path& htmlBase, const std::string& libraryRoot,
                                     const std::vector<std::string>& monthKeys, const CRKCardAlbumDoc& album,
                                     const DaySelection* daySelection) {
  std::string root = Normalised(libraryRoot);
  libraryRoot_ = root;
  libraryParent_ = FolderOf(root);
  relativeForm_ = relativeLinks_ == 1 || Normalised(htmlBase.lexically_normal().string()) == libraryParent_;
  const std::string fontCalendar = PageBytes(Str(StrId::FontCalendar));
  for (const std::string& key : monthKeys) {
    int year = 0, month = 0;
    if (!ParseMonthKey(key, year, month)) continue;
    if (daySelection && !SelectionHasMonth(*daySelection, year, month)) continue;
    std::string folder = YearFolder(htmlBase, year);
    std::error_code ec;
    fs::create_directories(folder, ec);
    fs::path page = fs::path(folder) / (std::string(html::kCalendarMonthNames[month - 1]) + ".htm");

    PageWriter file;
    WritePageHead(file);
    file.Line("  <TITLE>CALENDER DOWN</TITLE>");
    file.Line("</HEAD>");
    file.Line("<BODY BGCOLOR=\"#FFFFFF\">");
    file.Line("<div align=\"center\">");
    file.Line("  <table width=\"779\" height=\"56\" border=\"0\" cellspacing=\"2\" cellpadding=\"0\" "
              "STYLE=\"font-size:16pt; font-weight:bold;\">");
    file.Line("    <tr align=\"left\" valign=\"middle\" STYLE=\"font-family:" + fontCalendar + "\">");
    file.Line("      <td colspan=\"7\" height=\"25\" bgcolor=\"#9999FF\">&nbsp;<font color=\"#000000\">" +
              PageBytes(html::FormatText(Str(StrId::YearMonth), {std::to_string(year), std::to_string(month)})) +
              "</font></td>");
    file.Line("    </tr>");
    file.Line("    <tr align=\"center\" valign=\"middle\" STYLE=\"font-family:" + fontCalendar + "\">");
    static constexpr const char* kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    for (int i = 0; i < 7; ++i)
      file.Line(std::string("      <td width=\"109\" height=\"25\" bgcolor=\"#666666\"><font color=\"") +
                (i == 0 ? "#FF6666" : "#FFFFFF") + "\">" + kWeekdays[i] + "</font></td>");
    file.Line("    </tr>");

    std::vector<DayCell> cells;
    BuildMonthCells(root, year, month, album, cells, kGridCells, daySelection, 1);
    for (size_t row = 0; row < 6; ++row) WriteCellRow(file, cells, row, 14);

    size_t extras = 0;
    for (const std::string& extra : ExtraFoldersOfMonth(album, year, month, daySelection)) {
      size_t length = layout::LastComponent(extra).size();
      if (length != 6 && length != 8) ++extras;
    }
    if (extras > 0) {
      file.Line("    <tr align=\"left\" valign=\"middle\">");
      file.Line("      <td colspan=\"7\" height=\"25\"></td>");
      file.Line("    </tr>");
      size_t rows = (extras + 6) / 7;
      BuildMonthCells(root, year, month, album, cells, rows * 7, daySelection, 0);
      for (size_t row = 0; row < rows; ++row) WriteCellRow(file, cells, row, 9);
    }
    file.Line("  </table>");
    file.Line("</div>");
    if (!html::WritePage(page, file.Text(), daySelection == nullptr)) return 0;
  }
  return 1;
}

// ---------------------------------------------------------------------------------------------
// Navigation pages

void CCalendarWriter::WritePageTop(PageWriter& file, const std::string& scriptExtra, const std::string& rightCell) {
  WritePageHead(file);
  file.Line("  <TITLE>CALENDER UP START</TITLE>");
  file.Line("    <script language=\"JavaScript\">");
  file.Line("    <!--");
  file.Raw(scriptExtra);
  file.Line("      function viewWin( p1, p2 ) {");
  file.Line("        window.open( p1, \"calendar\" ) ;");
  file.Line("        window.open( p2, \"start\" ) ;");
  file.Line("      }");
  file.Line("    -->");
  file.Line("    </script>");
  file.Line("</HEAD>");
  file.Line("<body bgcolor=\"#FFFFFF\">");
  file.Line("<div align=\"center\">");
  file.Line("  <table width=\"775\" border=\"0\" cellspacing=\"0\" cellpadding=\"0\" STYLE=\"font-size:16pt; font-family:" +
            PageBytes(Str(StrId::FontTitleBar)) + "\">");
  file.Line("    <td width=\"1\" height=\"25\"></td>");
  file.Line("    <td bgcolor=\"#9999FF\" width=\"300\" height=\"25\" align=\"left\" valign=\"middle\">&nbsp;&nbsp;<b>Orrivan</b></td>");
  file.Raw(rightCell);
  file.Line("    <td width=\"1\" height=\"25\"></td>");
  file.Line("  </table>");
}

void CCalendarWriter::WriteYearTable(PageWriter& file, int variant, int pageYear,
                                     const std::vector<std::string>& monthKeys, const DaySelection* daySelection) {
  std::set<std::pair<int, int>> present;
  int first = 9999, last = 0;
  for (const std::string& key : monthKeys) {
    int year = 0, month = 0;
    if (!ParseMonthKey(key, year, month)) continue;
    present.insert({year, month});
    first = std::min(first, year);
    last = std::max(last, year);
  }
  auto monthPresent = [&](int year, int month) {
    return daySelection ? SelectionHasMonth(*daySelection, year, month) : present.count({year, month}) > 0;
  };
  for (int year = last; year >= first; --year) {
    bool any = false;
    for (int month = 1; month <= 12 && !any; ++month) any = monthPresent(year, month);
    if (!any) continue;
    file.Line("  <table width=\"775\" height=\"18\" border=\"0\" cellspacing=\"1\" cellpadding=\"0\" STYLE=\"font-size:9pt\">");
    file.Line("    <tr bgcolor=\"#999999\" align=\"center\" valign=\"middle\">");
    file.Line("      <td WIDTH=\"103\" BGCOLOR=\"#CCCCFF\"><b>" +
              PageBytes(html::FormatText(Str(StrId::YearLabel), {std::to_string(year)})) + "</b></td>");
    for (int month = 1; month <= 12; ++month) {
      std::string name = PageBytes(Str(static_cast<StrId>(static_cast<int>(StrId::MonthName1) + month - 1)));
      if (!monthPresent(year, month)) {
        file.Line("      <td WIDTH=\"56\" BGCOLOR=\"#CCCCFF\"><font color=\"#737373\">" + name + "</font></td>");
        continue;
      }
      std::string key = Format("%04d%02d", year, month);
      std::string nav = NavigationName(key, variant);
      std::string lower = LowerPageName(month, variant);
      std::string prefix;
      if (pageYear < 0) prefix = Format("%04d/", year);
      else if (pageYear != year) prefix = Format("../%04d/", year);
      file.Line("      <td WIDTH=\"56\" BGCOLOR=\"#CCCCFF\"><b><a href=\"JavaScript:viewWin('" + prefix + nav + "','" +
                prefix + lower + "')\">" + name + "</a></b></td>");
    }
    file.Line("    </tr>");
    file.Line("  </table>");
  }
  file.Line("</div>");
  file.Line("</body>");
  file.Line("</html>");
}

namespace {
constexpr char kIndexRightCell[] =
    "    <td bgcolor=\"#9999FF\" width=\"473\" height=\"25\" align=\"right\" valign=\"middle\"></td>\r\n";
}

int CCalendarWriter::WriteCalendarIndex(const fs::path& htmlBase, int variant,
                                        const std::vector<std::string>& monthKeys, const DaySelection* daySelection) {
  fs::path folder = htmlBase / layout::kHtmlFolderName;
  std::error_code ec;
  fs::create_directories(folder, ec);
  PageWriter file;
  WritePageTop(file, "", kIndexRightCell);
  WriteYearTable(file, variant, -1, monthKeys, daySelection);
  return html::WritePage(folder / (variant == 0 ? html::kCalendarIndex1 : html::kCalendarIndex2), file.Text(),
                         daySelection == nullptr)
             ? 1
             : 0;
}

int CCalendarWriter::WriteEmptyCalendarIndex(const fs::path& htmlBase, int variant) {
  fs::path folder = htmlBase / layout::kHtmlFolderName;
  std::error_code ec;
  fs::create_directories(folder, ec);
  PageWriter file;
  WritePageTop(file, "", kIndexRightCell);
  file.Line("</div>");
  file.Line("</body>");
  file.Line("</html>");
  return html::WritePage(folder / (variant == 0 ? html::kCalendarIndex1 : html::kCalendarIndex2), file.Text(), true)
             ? 1
             : 0;
}

int CCalendarWriter::WriteMonthNavigationPages(const fs::path& htmlBase, int variant,
                                               const std::vector<std::string>& monthKeys,
                                               const DaySelection* daySelection) {
  const std::string listView = PageBytes(Str(StrId::ListView));
  const std::string calendarView = PageBytes(Str(StrId::CalendarView));
  for (const std::string& rawKey : monthKeys) {
    int year = 0, month = 0;
    if (!ParseMonthKey(rawKey, year, month)) continue;
    if (daySelection && !SelectionHasMonth(*daySelection, year, month)) continue;
    std::string key = Format("%04d%02d", year, month);
    std::string own = NavigationName(key, variant);
    std::string other = NavigationName(key, 1 - variant);
    std::string ownLower = LowerPageName(month, variant);
    std::string otherLower = LowerPageName(month, 1 - variant);

    std::string script = "      jpURL = new Array( \"" + own + "\", \"" + ownLower + "\",\r\n" +
                         std::string(25, ' ') + "\"" + other + "\", \"" + otherLower + "\" ) ;\r\n" +
                         "      function popJump( selOBJ ) {\r\n"
                         "        n = selOBJ.selectedIndex ;\r\n"
                         "        parent.calendar.location.href  = jpURL[n * 2] ;\r\n"
                         "        parent.start.location.href = jpURL[n * 2 + 1] ;\r\n"
                         "      }\r\n";
    std::string right = "    <td bgcolor=\"#9999FF\" width=\"473\" height=\"25\" align=\"right\" valign=\"middle\">\r\n"
                        "        <select onChange=\"popJump(this)\">\r\n"
                        "        <option>" + (variant == 0 ? listView : calendarView) + "</option>\r\n"
                        "        <option>" + (variant == 0 ? calendarView : listView) + "</option>\r\n"
                        "        </select><font color=\"#9999FF\">&nbsp;</font>\r\n"
                        "      </td>\r\n";
    PageWriter file;
    WritePageTop(file, script, right);
    WriteYearTable(file, variant, year, monthKeys, daySelection);
    std::string folder = YearFolder(htmlBase, year);
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!html::WritePage(fs::path(folder) / own, file.Text(), daySelection == nullptr)) return 0;
  }
  return 1;
}

int CCalendarWriter::WriteCalendarSet(const fs::path& htmlBase, const std::vector<std::string>& monthKeys,
                                      const DaySelection* daySelection) {
  int ok = 1;
  ok &= WriteCalendarIndex(htmlBase, 0, monthKeys, daySelection);
  ok &= WriteCalendarIndex(htmlBase, 1, monthKeys, daySelection);
  ok &= WriteMonthNavigationPages(htmlBase, 0, monthKeys, daySelection);
  ok &= WriteMonthNavigationPages(htmlBase, 1, monthKeys, daySelection);
  return ok;
}

int CCalendarWriter::DeleteCalendarPages(const fs::path& htmlBase, const std::vector<std::string>& monthKeys) {
  if (monthKeys.empty()) return 1;
  fs::path folder = htmlBase / layout::kHtmlFolderName;
  auto remove = [](const fs::path& page) {
    std::error_code ec;
    html::ResetPageAttributes(page);
    fs::remove(page, ec);
  };
  remove(folder / html::kCalendarIndex1);
  remove(folder / html::kCalendarIndex2);
  for (const std::string& rawKey : monthKeys) {
    int year = 0, month = 0;
    if (!ParseMonthKey(rawKey, year, month)) continue;
    fs::path yearFolder = YearFolder(htmlBase, year);
    std::string key = Format("%04d%02d", year, month);
    remove(yearFolder / NavigationName(key, 0));
    remove(yearFolder / NavigationName(key, 1));
    remove(yearFolder / LowerPageName(month, 1));
  }
  return 1;
}

// ---------------------------------------------------------------------------------------------
// Rebuild

namespace {

int Rebuild(CRKCardAlbumDoc& album, const fs::path& htmlBase, const std::string& libraryRoot,
            const DaySelection* daySelection, int relativeLinksFlag, const std::vector<std::string>* onlyMonths) {
  CCalendarWriter writer;
  writer.SetRelativeLinks(relativeLinksFlag);
  std::vector<std::string> months;
  album.MonthsPresent(months);
  if (months.empty()) {
    int ok = writer.WriteEmptyCalendarIndex(htmlBase, 0);
    ok &= writer.WriteEmptyCalendarIndex(htmlBase, 1);
    return ok;
  }
  writer.WriteCalendarSet(htmlBase, months, daySelection);
  std::vector<std::string> write = months;
  if (onlyMonths) {
    // Month keys or day-folder names. The month-key rule of the album files the old names 9000-9500
    // under 2090-2095 while the calendar shows them in the 1990s: take both, since writing a month
    // page too many changes nothing, and one too few would leave a stale page.
    std::set<std::string> changed;
    for (const std::string& entry : *onlyMonths) {
      std::string y, m;
      SplitMonthKey(entry, y, m);
      changed.insert(y + m);
      if (y.size() == 4 && y.compare(0, 3, "209") == 0) changed.insert("199" + y.substr(3) + m);
    }
    write.clear();
    for (const std::string& key : months) {
      std::string y, m;
      SplitMonthKey(key, y, m);
      if (changed.count(y + m)) write.push_back(key);
    }
  }
  // One pass over the pictures instead of one per day.
  CalendarPictureIndex index(album);
  writer.UsePictureIndex(&index);
  return writer.WriteMonthPages(htmlBase, libraryRoot, write, album, daySelection);
}

}  // namespace

int RebuildCalendar(CRKCardAlbumDoc& album, const fs::path& htmlBase, const std::string& libraryRoot,
                    int withSelection, const DaySelection* daySelection, int relativeLinksFlag) {
  return Rebuild(album, htmlBase, libraryRoot, withSelection ? daySelection : nullptr, relativeLinksFlag, nullptr);
}

int RebuildCalendar(CRKCardAlbumDoc& album) {
  return RebuildCalendar(album, HomeFolder(), layout::ToStoredPath(layout::LibraryRoot()), 0, nullptr, 0);
}

int RebuildCalendar(CRKCardAlbumDoc& album, const std::vector<std::string>& changedMonths) {
  return Rebuild(album, HomeFolder(), layout::ToStoredPath(layout::LibraryRoot()), nullptr, 0, &changedMonths);
}

int RemoveCalendarPages(CRKCardAlbumDoc& album, const fs::path& htmlBase) {
  std::vector<std::string> months;
  album.MonthsPresent(months);
  CCalendarWriter writer;
  return writer.DeleteCalendarPages(htmlBase, months);
}

int RemoveCalendarPages(CRKCardAlbumDoc& album) { return RemoveCalendarPages(album, HomeFolder()); }

}  // namespace orrivan
