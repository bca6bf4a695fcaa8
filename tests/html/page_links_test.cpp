// Every link of every page written for a mixed library names an existing file.
#include <gtest/gtest.h>

#include "html/calendar_writer.h"
#include "html/library_html_writer.h"
#include "page_fixture.h"
#include "support/link_check.h"

namespace orrivan::test {
namespace {
namespace fs = std::filesystem;

class PageLinks : public PageLibrary {};

TEST_F(PageLinks, EveryHrefAndSrcResolves) {
  AddSmallLibrary();
  AddDay("990704", "Old", {{"P.JPG", 320, 240, "19990704100000"}});
  AddDay("0403151230ab", "Stamp", {{"Q.JPG", 320, 240, "20040315123000"}});
  AddDay("20040316", "Shortcuts", {{"S1.JPG.lnk", 320, 240, "20040316100000"}, {"S2.JPG.lnk", 240, 320, "20040316100100"}});
  AddDay("20040317", "Movie and memo", {{"V.AVI", 320, 240, "20040317100000"}, {"V.WAV", 320, 240, "20040317100001"},
                                          {"X.wav", 320, 240, "20040317100002"}});
  AddDay("20040400_01", "Month only", {{"R.JPG", 320, 240, "20040401100000"}});
  AddDay("20041231", "#1 & <more>", {{"Z.JPG", 320, 240, "20041231100000"}});
  AddDay("20040500_x#1&y?z%", "Odd name", {{"Y.JPG", 320, 240, "20040501100000"}});
  std::vector<std::string> names;
  for (const CAlbumData& day : album_.Days()) names.push_back(day.folderPath.substr(day.folderPath.rfind('/') + 1));
  CLibraryHtmlWriter writer;
  ASSERT_EQ(writer.UpdateListPages(album_, names, 1), 1);
  ASSERT_EQ(RebuildCalendar(album_), 1);

  std::vector<BrokenLink> broken = CheckLinksUnder(home_);
  EXPECT_TRUE(broken.empty()) << Describe(broken);
  EXPECT_GT(LastCheckedLinkCount(), 100u);
  // The checker itself: a missing target is reported.
  WriteFile(home_ / "HTML/probe.htm", "<A HREF=\"nothing.htm\">x</A><IMG SRC=\"dummy.gif\">");
  EXPECT_EQ(CheckPageLinks(home_ / "HTML/probe.htm").size(), 1u);
}

// A move stopped part-way leaves the album with days under the destination's "Image Library":
// their cells and rows lead there, while days in the library root keep their relative links.
TEST_F(PageLinks, DaysUnderAnotherLibraryFolderAreLinkedWhereTheyLie) {
  AddDay("20040315", "Home", {{"A.JPG", 320, 240, "20040315100000"}});
  const fs::path home = root_;
  root_ = dir_.path() / "disc" / "Image Library";
  AddDay("20040320", "Away", {{"B.JPG", 240, 320, "20040320100000"}});
  AddDay("20040300_trip", "Away trip", {{"T.JPG", 320, 240, "20040301100000"}});
  AddDay("040322", "Away old", {{"C.JPG", 320, 240, "20040322100000"}});
  const fs::path away = root_;
  root_ = home;
  std::vector<std::string> names;
  for (const CAlbumData& day : album_.Days()) names.push_back(day.folderPath.substr(day.folderPath.rfind('/') + 1));
  CLibraryHtmlWriter writer;
  ASSERT_EQ(writer.UpdateListPages(album_, names, 1), 1);

  struct Case {
    const char* what;
    int relativeLinks;
  };
  for (const Case& c : {Case{"main pages", 0}, Case{"pages for a copy", 1}}) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(RebuildCalendar(album_, home_, root_.string(), 0, nullptr, c.relativeLinks), 1);
    std::vector<BrokenLink> broken = CheckLinksUnder(home_);
    EXPECT_TRUE(broken.empty()) << Describe(broken);
    EXPECT_GT(LastCheckedLinkCount(), 20u);

    const std::string calendar = ReadFile(home_ / "HTML/2004/Mar2.htm");
    EXPECT_NE(calendar.find("<A HREF=\"../../Image Library/20040315/INDEX.HTM\" TARGET=\"_blank\"><img src=\""
                            "../../Image Library/20040315/PREVIEW/A.JPG\""),
              std::string::npos);
    for (const char* day : {"20040320", "20040300_trip", "040322"}) {
      EXPECT_NE(calendar.find("<A HREF=\"file://" + (away / day / "INDEX.HTM").string() + "\""), std::string::npos)
          << day;
      EXPECT_EQ(calendar.find(std::string("../../Image Library/") + day), std::string::npos) << day;
    }
  }
  const std::string list = ReadFile(home_ / "HTML/2004/mar.htm");
  EXPECT_NE(list.find("<A HREF=\"../../Image Library/20040315/INDEX.HTM\""), std::string::npos);
  EXPECT_NE(list.find("<A HREF=\"file://" + (away / "20040320/INDEX.HTM").string() + "\""), std::string::npos);
}

TEST(LinkCheck, ExtractsAndResolvesLinkForms) {
  std::string page =
      "<A HREF=\"a%20b.htm#top\"><img src='x/y.JPG'><a href=\"mailto:me@example.org\"><a href=\"#here\">"
      "<a href=\"JavaScript:viewWin('2004/calendar200403_1.htm','2004/mar.htm')\">"
      "<FRAME SRC=\"file:///tmp/a&amp;b.htm\"> <a href=\"http://example.org/\">";
  std::vector<PageLink> links = ExtractLinks(page, "/base");
  std::vector<std::string> resolved;
  for (const PageLink& l : links)
    if (!l.resolved.empty()) resolved.push_back(l.resolved.string());
  EXPECT_EQ(resolved, (std::vector<std::string>{"/base/a b.htm", "/base/x/y.JPG", "/base/2004/calendar200403_1.htm",
                                                "/base/2004/mar.htm", "/tmp/a&b.htm"}));
}

}  // namespace
}  // namespace orrivan::test
