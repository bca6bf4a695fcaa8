// Month calendar pages and navigation pages, byte for byte, and the calendar rebuild.
#include "html/calendar_writer.h"

#include <gtest/gtest.h>

#include <map>

#include "html/page_file.h"
#include "page_fixture.h"

namespace orrivan::test {
namespace {
namespace fs = std::filesystem;

std::string Head() {
  return Lines({"<HTML>", "<HEAD>", "  <META NAME=\"GENERATOR\" CONTENT=\"KORVA Orrivan 2.32\">",
                "  <META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html;CHARSET=shift_jis\">"});
}

std::string Filler() { return Lines({"      <td width=\"109\" height=\"110\" bgcolor=\"#999999\"></td>"}); }

std::string CellTop(const std::string& label, int pt) {
  return Lines({"      <td width=\"109\" height=\"110\" bgcolor=\"#CCCCCC\">",
                "        <table width=\"109\" border=\"0\" cellspacing=\"0\" cellpadding=\"0\" height=\"20\" "
                "STYLE=\"font-size:" + std::to_string(pt) + "pt; font-weight:bold\">",
                "          <tr align=\"left\" valign=\"middle\">", "            <td>&nbsp;" + label + "</td>",
                "          </tr>", "        </table>"});
}

std::string Plain(const std::string& label, int pt = 14) { return CellTop(label, pt) + Lines({"      </td>"}); }

std::string Sample(const std::string& label, const std::string& link, const std::string& sample, bool landscape,
                   int pt = 14) {
  std::string black = "                    <td bgcolor=\"#000000\"><font color=\"#000000\">-</font></td>";
  std::string white = "                    <td bgcolor=\"#FFFFFF\"><font color=\"#FFFFFF\">-</font></td>";
  return CellTop(label, pt) +
         Lines({"        <div align=\"center\">",
                "          <table width=\"82\" border=\"0\" cellspacing=\"0\" cellpadding=\"0\" height=\"82\">",
                "            <tr align=\"center\" valign=\"middle\">", "              <td>",
                "                <table border=\"0\" cellspacing=\"0\" cellpadding=\"0\" STYLE=\"font-size:0pt; Line-height:0pt\">",
                "                  <tr>", black, black, white, "                  </tr>", "                  <tr>",
                "                    <td bgcolor=\"#000000\"></td>",
                "                    <td><A HREF=\"" + link + "\" TARGET=\"_blank\"><img src=\"" + sample +
                    "\" border=\"0\" " + (landscape ? "width" : "height") + "=\"80\"></a></td>",
                "                    <td bgcolor=\"#FFFFFF\"></td>", "                  </tr>", "                  <tr>",
                black, white, white, "                  </tr>", "                </table>", "              </td>",
                "            </tr>", "          </table>", "        </div>", "      </td>"});
}

std::string MonthTop(const std::string& yearMonth) {
  std::string top = Head() +
                    Lines({"  <TITLE>CALENDER DOWN</TITLE>", "</HEAD>", "<BODY BGCOLOR=\"#FFFFFF\">", "<div align=\"center\">",
                           "  <table width=\"779\" height=\"56\" border=\"0\" cellspacing=\"2\" cellpadding=\"0\" "
                           "STYLE=\"font-size:16pt; font-weight:bold;\">",
                           "    <tr align=\"left\" valign=\"middle\" STYLE=\"font-family:Arial, Helvetica, sans-serif\">",
                           "      <td colspan=\"7\" height=\"25\" bgcolor=\"#9999FF\">&nbsp;<font color=\"#000000\">" +
                               cp932::Encode(yearMonth) + "</font></td>",
                           "    </tr>",
                           "    <tr align=\"center\" valign=\"middle\" STYLE=\"font-family:Arial, Helvetica, sans-serif\">",
                           "      <td width=\"109\" height=\"25\" bgcolor=\"#666666\"><font color=\"#FF6666\">Sun</font></td>"});
  for (const char* day : {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat"})
    top += Lines({std::string("      <td width=\"109\" height=\"25\" bgcolor=\"#666666\"><font color=\"#FFFFFF\">") + day +
                  "</font></td>"});
  return top + Lines({"    </tr>"});
}

std::string Row(const std::vector<std::string>& cells) {
  std::string row = Lines({"    <tr align=\"left\" valign=\"top\">"});
  for (const std::string& c : cells) row += c;
  return row + Lines({"    </tr>"});
}

// Rows of a month whose 1st falls on weekday `first` (0 = Sunday), with cells by day number.
std::string Grid(int first, int days, const std::map<int, std::string>& special) {
  std::vector<std::string> cells(42, Filler());
  for (int d = 1; d <= days; ++d) cells[first + d - 1] = special.count(d) ? special.at(d) : Plain(std::to_string(d));
  std::string grid;
  for (int r = 0; r < 6; ++r) grid += Row({cells.begin() + r * 7, cells.begin() + r * 7 + 7});
  return grid;
}

class CalendarPages : public PageLibrary {
 protected:
  std::string Read(const std::string& relative) { return ReadFile(home_ / "HTML" / relative); }
  int Rebuild() { return RebuildCalendar(album_); }
};

TEST_F(CalendarPages, MonthPageOfSmallLibraryByteForByte) {
  AddSmallLibrary();
  ASSERT_EQ(Rebuild(), 1);
  const std::string lib = "../../Image Library/";
  // March 2004 starts on a Monday.
  std::string expected =
      MonthTop("2004年3月") +
      Grid(1, 31,
           {{10, Sample("10", lib + "040310/INDEX.HTM", lib + "040310/PREVIEW/C.JPG", false)},
            {15, Sample("15", lib + "20040315/INDEX.HTM", lib + "20040315/PREVIEW/A.JPG", true)},
            {20, Sample("20", lib + "20040320/INDEX.HTM", lib + "20040320/PREVIEW/Ma.JPG", true)}}) +
      Lines({"    <tr align=\"left\" valign=\"middle\">", "      <td colspan=\"7\" height=\"25\"></td>", "    </tr>"}) +
      Row({Sample("2004/03_trip", lib + "20040300_trip/INDEX.HTM", lib + "20040300_trip/PREVIEW/T.JPG", false, 9),
           Sample("2004/03/18_01", lib + "20040318_01/INDEX.HTM", lib + "20040318_01/PREVIEW/D.JPG", true, 9),
           Filler(), Filler(), Filler(), Filler(), Filler()}) +
      Lines({"  </table>", "</div>"});
  EXPECT_EQ(Read("2004/Mar2.htm"), expected);
  // January 2005 starts on a Saturday; the memo's sample is its stem + ".JPG".
  EXPECT_EQ(Read("2005/Jan2.htm"),
            MonthTop("2005年1月") +
                Grid(6, 31, {{2, Sample("2", lib + "20050102/INDEX.HTM", lib + "20050102/PREVIEW/W.JPG", true)}}) +
                Lines({"  </table>", "</div>"}));
  // A full rebuild protects its pages.
  EXPECT_EQ(fs::status(home_ / "HTML/2004/Mar2.htm").permissions() & fs::perms::all, fs::perms(0444));
}

std::string NavTop(const std::string& script, const std::string& rightCell) {
  return Head() +
         Lines({"  <TITLE>CALENDER UP START</TITLE>", "    <script language=\"JavaScript\">", "    <!--"}) + script +
         Lines({"      function viewWin( p1, p2 ) {", "        window.open( p1, \"calendar\" ) ;",
                "        window.open( p2, \"start\" ) ;", "      }", "    -->", "    </script>", "</HEAD>",
                "<body bgcolor=\"#FFFFFF\">", "<div align=\"center\">",
                "  <table width=\"775\" border=\"0\" cellspacing=\"0\" cellpadding=\"0\" STYLE=\"font-size:16pt; "
                "font-family:Times New Roman, Times, serif\">",
                "    <td width=\"1\" height=\"25\"></td>",
                "    <td bgcolor=\"#9999FF\" width=\"300\" height=\"25\" align=\"left\" valign=\"middle\">&nbsp;&nbsp;<b>Orrivan</b></td>"}) +
         rightCell + Lines({"    <td width=\"1\" height=\"25\"></td>", "  </table>"});
}

const std::string kIndexRight =
    Lines({"    <td bgcolor=\"#9999FF\" width=\"473\" height=\"25\" align=\"right\" valign=\"middle\"></td>"});

// A year table with linked months (1-12) and the link text for each.
std::string YearTable(int year, const std::map<int, std::string>& links) {
  std::string t = Lines({"  <table width=\"775\" height=\"18\" border=\"0\" cellspacing=\"1\" cellpadding=\"0\" STYLE=\"font-size:9pt\">",
                         "    <tr bgcolor=\"#999999\" align=\"center\" valign=\"middle\">",
                         "      <td WIDTH=\"103\" BGCOLOR=\"#CCCCFF\"><b>" + cp932::Encode(std::to_string(year) + "年") + "</b></td>"});
  for (int m = 1; m <= 12; ++m) {
    std::string name = cp932::Encode(std::to_string(m) + "月");
    if (links.count(m))
      t += Lines({"      <td WIDTH=\"56\" BGCOLOR=\"#CCCCFF\"><b><a href=\"JavaScript:viewWin(" + links.at(m) + ")\">" + name +
                  "</a></b></td>"});
    else
      t += Lines({"      <td WIDTH=\"56\" BGCOLOR=\"#CCCCFF\"><font color=\"#737373\">" + name + "</font></td>"});
  }
  return t + Lines({"    </tr>", "  </table>"});
}

const std::string kClose = Lines({"</div>", "</body>", "</html>"});

TEST_F(CalendarPages, IndexAndNavigationPagesOfBothViews) {
  AddSmallLibrary();
  ASSERT_EQ(Rebuild(), 1);
  EXPECT_EQ(Read("calendar_1.htm"),
            NavTop("", kIndexRight) + YearTable(2005, {{1, "'2005/calendar200501_1.htm','2005/jan.htm'"}}) +
                YearTable(2004, {{3, "'2004/calendar200403_1.htm','2004/mar.htm'"}}) + kClose);
  EXPECT_EQ(Read("calendar_2.htm"),
            NavTop("", kIndexRight) + YearTable(2005, {{1, "'2005/calendar200501_2.htm','2005/Jan2.htm'"}}) +
                YearTable(2004, {{3, "'2004/calendar200403_2.htm','2004/Mar2.htm'"}}) + kClose);

  auto script = [](const std::string& own, const std::string& ownLower, const std::string& other,
                   const std::string& otherLower) {
    return Lines({"      jpURL = new Array( \"" + own + "\", \"" + ownLower + "\",",
                  std::string(25, ' ') + "\"" + other + "\", \"" + otherLower + "\" ) ;",
                  "      function popJump( selOBJ ) {", "        n = selOBJ.selectedIndex ;",
                  "        parent.calendar.location.href  = jpURL[n * 2] ;",
                  "        parent.start.location.href = jpURL[n * 2 + 1] ;", "      }"});
  };
  auto right = [](const std::string& first, const std::string& second) {
    return Lines({"    <td bgcolor=\"#9999FF\" width=\"473\" height=\"25\" align=\"right\" valign=\"middle\">",
                  "        <select onChange=\"popJump(this)\">", "        <option>" + cp932::Encode(first) + "</option>",
                  "        <option>" + cp932::Encode(second) + "</option>",
                  "        </select><font color=\"#9999FF\">&nbsp;</font>", "      </td>"});
  };
  // A page of 2004 reaches 2005 through the parent folder.
  EXPECT_EQ(Read("2004/calendar200403_1.htm"),
            NavTop(script("calendar200403_1.htm", "mar.htm", "calendar200403_2.htm", "Mar2.htm"), right("一覧表示", "カレンダー表示")) +
                YearTable(2005, {{1, "'../2005/calendar200501_1.htm','../2005/jan.htm'"}}) +
                YearTable(2004, {{3, "'calendar200403_1.htm','mar.htm'"}}) + kClose);
  EXPECT_EQ(Read("2005/calendar200501_2.htm"),
            NavTop(script("calendar200501_2.htm", "Jan2.htm", "calendar200501_1.htm", "jan.htm"), right("カレンダー表示", "一覧表示")) +
                YearTable(2005, {{1, "'calendar200501_2.htm','Jan2.htm'"}}) +
                YearTable(2004, {{3, "'../2004/calendar200403_2.htm','../2004/Mar2.htm'"}}) + kClose);
}

TEST_F(CalendarPages, EmptyLibraryGetsBothEmptyIndexPages) {
  ASSERT_EQ(Rebuild(), 1);
  EXPECT_EQ(Read("calendar_1.htm"), NavTop("", kIndexRight) + kClose);
  EXPECT_EQ(Read("calendar_2.htm"), NavTop("", kIndexRight) + kClose);
  EXPECT_FALSE(fs::exists(home_ / "HTML/2004"));
}

TEST_F(CalendarPages, YearsWithoutDaysGetNoRow) {
  AddDay("20030704", "", {{"A.JPG", 320, 240, "20030704100000"}});
  AddDay("20051224", "", {{"B.JPG", 320, 240, "20051224100000"}});
  ASSERT_EQ(Rebuild(), 1);
  std::string index = Read("calendar_1.htm");
  EXPECT_EQ(index, NavTop("", kIndexRight) + YearTable(2005, {{12, "'2005/calendar200512_1.htm','2005/dec.htm'"}}) +
                       YearTable(2003, {{7, "'2003/calendar200307_1.htm','2003/jul.htm'"}}) + kClose);
  EXPECT_NE(Read("2005/calendar200512_1.htm").find("'../2003/calendar200307_1.htm','../2003/jul.htm'"),
            std::string::npos);
}

TEST_F(CalendarPages, GridShapes) {
  struct Case {
    int year, month;
    int first;  // weekday of the 1st, 0 = Sunday
    int days;
  };
  // February 2004 (leap, Sunday start), February 2005, a four-week February 2015 and a six-row month.
  for (Case c : {Case{2004, 2, 0, 29}, Case{2005, 2, 2, 28}, Case{2015, 2, 0, 28}, Case{2004, 5, 6, 31},
                 Case{2000, 2, 2, 29}, Case{1900 + 99, 12, 3, 31}}) {
    CCalendarWriter writer;
    std::vector<DayCell> cells;
    writer.BuildMonthCells(root_.string(), c.year, c.month, album_, cells, kGridCells, nullptr, 1);
    ASSERT_EQ(cells.size(), 42u);
    int present = 0;
    for (size_t i = 0; i < cells.size(); ++i) {
      bool day = static_cast<int>(i) >= c.first && static_cast<int>(i) < c.first + c.days;
      EXPECT_EQ(cells[i].present, day ? 1 : 0) << c.year << "/" << c.month << " cell " << i;
      if (day) {
        EXPECT_EQ(cells[i].label, std::to_string(i - c.first + 1));
      }
      present += cells[i].present;
    }
    EXPECT_EQ(present, c.days) << c.year << "/" << c.month;
  }
  // The page always has six week rows.
  AddDay("20150201", "", {{"A.JPG", 320, 240, "20150201100000"}});
  ASSERT_EQ(Rebuild(), 1);
  std::string page = Read("2015/Feb2.htm");
  size_t rows = 0;
  for (size_t p = page.find("    <tr align=\"left\" valign=\"top\">"); p != std::string::npos;
       p = page.find("    <tr align=\"left\" valign=\"top\">", p + 1))
    ++rows;
  EXPECT_EQ(rows, 6u);
}

TEST_F(CalendarPages, SplitMonthKeyNormalisesOldNames) {
  struct Case {
    const char* key;
    const char* year;
    const char* month;
    bool old;
  } cases[] = {{"200403", "2004", "03", false}, {"990101", "1999", "01", true}, {"040310", "2004", "03", true},
               {"0403101230ab", "2004", "03", true}, {"20040300_trip", "2004", "03", false}, {"ab", "ab", "", false}};
  for (const Case& c : cases) {
    std::string year, month;
    EXPECT_EQ(SplitMonthKey(c.key, year, month), c.old) << c.key;
    EXPECT_EQ(year, c.year) << c.key;
    EXPECT_EQ(month, c.month) << c.key;
  }
}

TEST_F(CalendarPages, SampleNamesAndSizing) {
  AddDay("20060101", "", {{"MOVIE.avi", 320, 240, "20060101100000"}});
  AddDay("20060102", "", {{"MEMO.wav", 320, 240, "20060102100000"}});
  AddDay("20060103", "", {{"tall.jpg", 240, 320, "20060103100000"}});
  AddDay("20060104", "", {{"square.JPG", 100, 100, "20060104100000"}});
  AddDay("20060105", "", {{"none.JPG", 0, 0, "20060105100000"}});
  AddDay("20060106", "", {});
  CCalendarWriter writer;
  std::vector<DayCell> cells;
  writer.BuildMonthCells(root_.string(), 2006, 1, album_, cells, kGridCells, nullptr, 1);
  // 1 January 2006 is a Sunday: day d is cell d - 1.
  const std::string r = root_.string() + "/";
  EXPECT_EQ(cells[0].sampleUrl, r + "20060101/PREVIEW/MOVIEa.JPG");
  EXPECT_EQ(cells[0].linkUrl, r + "20060101/INDEX.HTM");
  EXPECT_EQ(cells[0].landscape, 1);
  EXPECT_EQ(cells[1].sampleUrl, r + "20060102/PREVIEW/MEMO.JPG");
  EXPECT_EQ(cells[2].sampleUrl, r + "20060103/PREVIEW/tall.JPG");
  EXPECT_EQ(cells[2].landscape, 0);
  EXPECT_EQ(cells[3].landscape, 0);  // square: sized by height
  EXPECT_EQ(cells[4].hasSample, 1);  // a missing preview only changes the sizing
  EXPECT_EQ(cells[4].landscape, 0);
  EXPECT_EQ(cells[5].hasSample, 0);  // a day without pictures is a plain day
  EXPECT_EQ(cells[5].present, 1);
}

TEST_F(CalendarPages, ExtraFolderLabels) {
  AddDay("20040300_abc", "", {});
  AddDay("20040315_abc", "", {});
  AddDay("0403151230ab", "", {});
  AddDay("040316", "", {});
  AddDay("20200403_01", "", {});  // holds "200403" but belongs to April 2020
  CCalendarWriter writer;
  std::vector<DayCell> cells;
  writer.BuildMonthCells(root_.string(), 2004, 3, album_, cells, 7, nullptr, 0);
  std::vector<std::string> labels;
  for (const DayCell& c : cells)
    if (c.present) labels.push_back(c.label);
  EXPECT_EQ(labels, (std::vector<std::string>{"03/15 12:30:ab", "2004/03_abc", "2004/03/15_abc"}));
}

TEST_F(CalendarPages, SelectionWritesOnlySelectedMonthsAndSamples) {
  AddSmallLibrary();
  AddDay("20040501", "", {{"E.JPG", 320, 240, "20040501100000"}});
  DaySelection selection{"20040320"};
  ASSERT_EQ(RebuildCalendar(album_, home_, (root_).string(), 1, &selection, 1), 1);
  EXPECT_TRUE(fs::exists(home_ / "HTML/2004/Mar2.htm"));
  EXPECT_FALSE(fs::exists(home_ / "HTML/2004/May2.htm"));
  EXPECT_FALSE(fs::exists(home_ / "HTML/2005/Jan2.htm"));
  EXPECT_FALSE(fs::exists(home_ / "HTML/2004/calendar200405_1.htm"));
  std::string page = Read("2004/Mar2.htm");
  EXPECT_NE(page.find("20040320/PREVIEW/Ma.JPG"), std::string::npos);
  EXPECT_EQ(page.find("20040315/PREVIEW/A.JPG"), std::string::npos);
  EXPECT_NE(page.find("            <td>&nbsp;15</td>"), std::string::npos);
  // Pages written for a selection stay writable; only selected months are links.
  EXPECT_EQ(fs::status(home_ / "HTML/2004/Mar2.htm").permissions() & fs::perms::all, fs::perms(0644));
  std::string index = Read("calendar_1.htm");
  EXPECT_NE(index.find("calendar200403_1.htm"), std::string::npos);
  EXPECT_EQ(index.find("calendar200405_1.htm"), std::string::npos);
  EXPECT_EQ(index.find("calendar200501_1.htm"), std::string::npos);
}

TEST_F(CalendarPages, LibraryAwayFromTheHomeFolderGetsFileUrls) {
  fs::path away = dir_.path() / "elsewhere" / "Image Library";
  root_ = away;
  AddDay("20040315", "", {{"A.JPG", 320, 240, "20040315100000"}});
  ASSERT_EQ(RebuildCalendar(album_, home_, away.string(), 0, nullptr, 0), 1);
  std::string page = Read("2004/Mar2.htm");
  EXPECT_NE(page.find("<A HREF=\"file://" + away.string() + "/20040315/INDEX.HTM\""), std::string::npos);
  // relativeLinks makes them relative again (pages for a copy of the library).
  ASSERT_EQ(RebuildCalendar(album_, home_, away.string(), 0, nullptr, 1), 1);
  EXPECT_NE(Read("2004/Mar2.htm").find("<A HREF=\"../../Image Library/20040315/INDEX.HTM\""), std::string::npos);
}

TEST_F(CalendarPages, NamesAreEscapedInPages) {
  AddDay("20040300_a&b<c>\"d", "", {{"A.JPG", 320, 240, "20040301100000"}});
  ASSERT_EQ(Rebuild(), 1);
  std::string page = Read("2004/Mar2.htm");
  EXPECT_NE(page.find("&nbsp;2004/03_a&amp;b&lt;c&gt;&quot;d</td>"), std::string::npos);
  EXPECT_NE(page.find("20040300_a&amp;b&lt;c&gt;&quot;d/INDEX.HTM"), std::string::npos);
  EXPECT_EQ(page.find("a&b"), std::string::npos);
}

TEST_F(CalendarPages, ChangedMonthsRebuildEqualsFullRebuild) {
  AddSmallLibrary();
  ASSERT_EQ(Rebuild(), 1);
  // An import adds a day to January 2005 and a new month.
  AddDay("20050103", "", {{"N.JPG", 320, 240, "20050103100000"}});
  AddDay("20050610", "", {{"O.JPG", 240, 320, "20050610100000"}});
  // An old folder of 1992, whose month key by the album's month-key rule is 209203.
  AddDay("920315", "", {{"P.JPG", 320, 240, "19920315100000"}});
  ASSERT_EQ(RebuildCalendar(album_, std::vector<std::string>{"200501", "20050610", "209203"}), 1);
  EXPECT_TRUE(fs::exists(home_ / "HTML/1992/Mar2.htm"));
  std::map<std::string, std::string> partial;
  for (auto& e : fs::recursive_directory_iterator(home_ / "HTML"))
    if (e.is_regular_file()) partial[e.path().string()] = ReadFile(e.path());
  ASSERT_EQ(Rebuild(), 1);
  size_t compared = 0;
  for (auto& e : fs::recursive_directory_iterator(home_ / "HTML")) {
    if (!e.is_regular_file()) continue;
    ASSERT_TRUE(partial.count(e.path().string())) << e.path();
    EXPECT_EQ(partial[e.path().string()], ReadFile(e.path())) << e.path();
    ++compared;
  }
  EXPECT_EQ(compared, partial.size());
  EXPECT_EQ(compared, 14u);  // two index pages, four months of three pages
}

TEST_F(CalendarPages, DeleteCalendarPagesLeavesListPages) {
  AddSmallLibrary();
  ASSERT_EQ(Rebuild(), 1);
  WriteFile(home_ / "HTML/2004/mar.htm", "list");
  ASSERT_EQ(RemoveCalendarPages(album_), 1);
  for (const char* gone : {"calendar_1.htm", "calendar_2.htm", "2004/calendar200403_1.htm", "2004/calendar200403_2.htm",
                           "2004/Mar2.htm", "2005/Jan2.htm"})
    EXPECT_FALSE(fs::exists(home_ / "HTML" / gone)) << gone;
  EXPECT_TRUE(fs::exists(home_ / "HTML/2004/mar.htm"));
  EXPECT_TRUE(fs::is_directory(home_ / "HTML/2005"));
}

TEST_F(CalendarPages, UnwritablePageStopsTheMonthWriter) {
  AddSmallLibrary();
  // A folder where the month page should go cannot be replaced by a page.
  fs::create_directories(home_ / "HTML/2004/Mar2.htm");
  fs::create_directories(home_ / "HTML/2005");
  CCalendarWriter writer;
  std::vector<std::string> months{"200403", "200501"};
  EXPECT_EQ(writer.WriteMonthPages(home_, root_.string(), months, album_, nullptr), 0);
  EXPECT_FALSE(fs::exists(home_ / "HTML/2005/Jan2.htm"));
}

TEST_F(CalendarPages, MonthKeysOfUnknownFolderFormsAreSkipped) {
  AddDay("holiday", "", {{"H.JPG", 320, 240, "20040315100000"}});
  AddDay("20040315", "", {{"A.JPG", 320, 240, "20040315100000"}});
  ASSERT_EQ(Rebuild(), 1);
  EXPECT_TRUE(fs::exists(home_ / "HTML/2004/Mar2.htm"));
  EXPECT_FALSE(fs::exists(home_ / "HTML/holi"));
}

}  // namespace
}  // namespace orrivan::test
