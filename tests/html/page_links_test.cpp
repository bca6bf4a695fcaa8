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
