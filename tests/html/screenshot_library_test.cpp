// Writes a demo album for scripts/screenshots.sh when ORRIVAN_SCREENSHOT_HOME names a folder;
// skipped otherwise. The pages are then looked at in a real browser.
#include <gtest/gtest.h>

#include <cstdlib>

#include "html/calendar_writer.h"
#include "html/library_html_writer.h"
#include "page_fixture.h"
#include "support/link_check.h"

namespace orrivan::test {
namespace {
namespace fs = std::filesystem;

class ScreenshotLibrary : public PageLibrary {};

TEST_F(ScreenshotLibrary, WritesDemoAlbum) {
  const char* target = std::getenv("ORRIVAN_SCREENSHOT_HOME");
  if (!target) GTEST_SKIP() << "ORRIVAN_SCREENSHOT_HOME not set";
  AddSmallLibrary();
  AddDay("20040316", "運動会", {{"S1.JPG", 320, 240, "20040316100000"}, {"S2.JPG", 240, 320, "20040316100100"},
                              {"S3.JPG", 320, 213, "20040316100200"}, {"S4.JPG", 320, 240, "20040316100300"},
                              {"S5.JPG", 200, 320, "20040316100400"}, {"S6.JPG", 320, 240, "20040316100500"}});
  AddDay("20041231", "A title that is much longer than twenty bytes & <more>", {{"Z.JPG", 320, 240, "20041231100000"}});
  std::vector<std::string> names;
  for (const CAlbumData& day : album_.Days()) names.push_back(day.folderPath.substr(day.folderPath.rfind('/') + 1));
  ASSERT_EQ(CLibraryHtmlWriter().UpdateListPages(album_, names, 1), 1);
  ASSERT_EQ(RebuildCalendar(album_), 1);
  EXPECT_TRUE(CheckLinksUnder(home_).empty());
  fs::path out(target);
  fs::remove_all(out);
  fs::copy(home_, out, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
}

}  // namespace
}  // namespace orrivan::test
