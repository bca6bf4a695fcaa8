// The in-place page edits on text: what they do to sound pages and that odd pages are left alone.
#include "html/list_page_text.h"

#include <gtest/gtest.h>

#include "base/cp932.h"
#include "html/page_file.h"

namespace orrivan::html {
namespace {

std::string RowOf(const std::string& name) {
  return "  <TR><!--" + name + "-->\r\n    <TD>" + name + "</TD><TD><A TARGET=\"_blank\">d</A></TD><TD><A TARGET=\"_blank\">title</A></TD>\r\n  </TR>\r\n  <TR>\r\n    <TD COLSPAN=\"7\"><BR></TD>\r\n  </TR>\r\n";
}

const std::string kPageTop = "<HTML>\r\n<HEAD>\r\n<!--0   -->\r\n<TABLE>\r\n  <TR>\r\n    <TD>head</TD>\r\n  </TR>\r\n";
const std::string kPageEnd = "</TABLE>\r\n</HTML>\r\n";

TEST(ListPageText, InsertKeepsNewestFirstAndRefusesDuplicates) {
  std::string page = kPageTop + kPageEnd;
  for (const char* day : {"20040315", "20040320", "20040301", "20040315_01", "040301"})
    ASSERT_EQ(InsertRowText(page, day, RowOf(day)), RowEdit::Done) << day;
  EXPECT_EQ(page, kPageTop + RowOf("20040320") + RowOf("20040315_01") + RowOf("20040315") + RowOf("20040301") +
                      RowOf("040301") + kPageEnd);
  std::string before = page;
  EXPECT_EQ(InsertRowText(page, "20040315", RowOf("20040315")), RowEdit::AlreadyListed);
  EXPECT_EQ(InsertRowText(page, "20040315_ab", RowOf("20040315_AB")), RowEdit::Done);
  EXPECT_EQ(InsertRowText(page, "20040315_AB", RowOf("20040315_AB")), RowEdit::AlreadyListed);  // case-insensitive
  page = before;
  EXPECT_EQ(RemoveRowText(page, "20040315"), RowEdit::Done);
  EXPECT_EQ(page.find("<!--20040315-->"), std::string::npos);
  EXPECT_NE(page.find("<!--20040315_01-->"), std::string::npos);
}

TEST(ListPageText, RemovingTheLastRowSaysSo) {
  std::string page = kPageTop + RowOf("20040315") + kPageEnd;
  EXPECT_EQ(RemoveRowText(page, "20040315"), RowEdit::LastRowGone);
  EXPECT_EQ(page, kPageTop + kPageEnd);
}

TEST(ListPageText, UpdateTitleReplacesOnlyTheTitleCell) {
  std::string page = kPageTop + RowOf("20040320") + RowOf("20040315") + kPageEnd;
  ASSERT_EQ(UpdateTitleText(page, "20040315", "New<BR>title"), RowEdit::Done);
  std::string row = RowOf("20040315");
  row.replace(row.find("title</A>"), 5, "New<BR>title");
  EXPECT_EQ(page, kPageTop + RowOf("20040320") + row + kPageEnd);
}

TEST(ListPageText, OddPagesAreLeftUnchanged) {
  std::string full = kPageTop + RowOf("20040315") + kPageEnd;
  const std::string pages[] = {
      "",
      "no markup at all",
      kPageTop,                                               // no table end
      full.substr(0, full.find("-->\r\n    <TD")),            // marker without its end
      full.substr(0, full.find("<BR></TD>")),                 // row without its spacer end
      kPageTop + "  <TR><!--20040315-->\r\n  <TD>_blank\">x</A></TD>\r\n" + kPageEnd,  // one title opener only
  };
  for (const std::string& original : pages) {
    std::string page = original;
    RowEdit inserted = InsertRowText(page, "20040320", RowOf("20040320"));
    if (inserted != RowEdit::Done) {
      EXPECT_EQ(page, original);
    }
    page = original;
    EXPECT_EQ(RemoveRowText(page, "20040315"), RowEdit::Failed) << original;
    EXPECT_EQ(page, original);
    EXPECT_EQ(UpdateTitleText(page, "20040315", "t"), RowEdit::Failed) << original;
    EXPECT_EQ(page, original);
  }
  std::string noTable = kPageTop;
  EXPECT_EQ(InsertRowText(noTable, "20040320", RowOf("20040320")), RowEdit::Failed);
}

TEST(ListPageText, OverviewLinksAndUnlinksMonths) {
  std::string page = kPageTop + kPageEnd;
  ASSERT_TRUE(UpdateOverviewText(page, "2004", 2, "mar", true));
  ASSERT_TRUE(UpdateOverviewText(page, "2004", 3, "apr", true));
  ASSERT_TRUE(UpdateOverviewText(page, "2006", 0, "jan", true));
  ASSERT_TRUE(UpdateOverviewText(page, "2005", 11, "dec", true));
  size_t y6 = page.find(cp932::Encode("2006年")), y5 = page.find(cp932::Encode("2005年")),
         y4 = page.find(cp932::Encode("2004年"));
  ASSERT_NE(y4, std::string::npos);
  EXPECT_LT(y6, y5);
  EXPECT_LT(y5, y4);
  EXPECT_NE(page.find("<B><A HREF=\"2004/mar.htm\" TARGET=\"start\">" + cp932::Encode("3月") + "</A></B>"), std::string::npos);
  std::string linked = page;
  ASSERT_TRUE(UpdateOverviewText(page, "2004", 2, "mar", true));  // already linked
  EXPECT_EQ(page, linked);

  ASSERT_TRUE(UpdateOverviewText(page, "2004", 2, "mar", false));
  EXPECT_EQ(page.find("2004/mar.htm"), std::string::npos);
  EXPECT_NE(page.find(cp932::Encode("2004年")), std::string::npos);  // April still linked
  ASSERT_TRUE(UpdateOverviewText(page, "2004", 3, "apr", false));
  EXPECT_EQ(page.find(cp932::Encode("2004年")), std::string::npos);  // the year's last month went
  EXPECT_FALSE(UpdateOverviewText(page, "2004", 12, "x", true));
  std::string broken = "no table";
  EXPECT_FALSE(UpdateOverviewText(broken, "2004", 0, "jan", true));
  EXPECT_EQ(broken, "no table");
}

TEST(PageSeal, SealAndCheck) {
  std::string page = kPageTop + kPageEnd;
  ASSERT_TRUE(SealBytes(page));
  EXPECT_EQ(page[20], '1');
  EXPECT_TRUE(CheckSealBytes(page));
  for (size_t i : {size_t{0}, size_t{19}, size_t{21}, page.size() - 1}) {
    std::string changed = page;
    changed[i] = static_cast<char>(changed[i] ^ 0x01);
    EXPECT_FALSE(CheckSealBytes(changed)) << i;
  }
  std::string shortPage = "<HTML>";
  EXPECT_FALSE(SealBytes(shortPage));
  EXPECT_FALSE(CheckSealBytes(shortPage));
  EXPECT_FALSE(CheckSealBytes(kPageTop));  // never sealed: "0"
}

TEST(JpegFrame, SizesAndRefusals) {
  auto sof = [](int w, int h) {
    return std::string("\xFF\xC0\x00\x11\x08", 5) + static_cast<char>(h >> 8) + static_cast<char>(h & 0xFF) +
           static_cast<char>(w >> 8) + static_cast<char>(w & 0xFF) + std::string(12, '\x01');
  };
  const std::string soi("\xFF\xD8", 2), eoi("\xFF\xD9", 2);
  struct Case {
    const char* what;
    std::string bytes;
    FrameSize expected;
  } cases[] = {
      {"landscape", soi + sof(320, 240) + eoi, {320, 240, true}},
      {"widest frame wins", soi + sof(160, 120) + sof(320, 100) + sof(200, 400) + eoi, {320, 100, true}},
      {"no end marker", soi + sof(320, 240), {0, 0, false}},
      {"no start marker", sof(320, 240) + eoi, {0, 0, false}},
      {"no frame", soi + eoi, {0, 0, false}},
      {"frame cut short", soi + std::string("\xFF\xC0\x00", 3), {0, 0, false}},
      {"empty", "", {0, 0, false}},
      {"JFXX thumbnail skipped", soi + std::string("\xFF\xE0\x00\x10JFXX\x00", 9) + std::string("\x10\xFF\xD9\xFF\xC0", 5) +
                                     std::string(4, '\0') + sof(100, 300) + eoi,
       {100, 300, true}},
  };
  for (const Case& c : cases) {
    FrameSize size = ScanJpegFrame(c.bytes);
    EXPECT_EQ(size.width, c.expected.width) << c.what;
    EXPECT_EQ(size.height, c.expected.height) << c.what;
    EXPECT_EQ(size.ok, c.expected.ok) << c.what;
  }
}

}  // namespace
}  // namespace orrivan::html
