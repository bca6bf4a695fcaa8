// The calendar's month queries, and that the rebuild's index answers exactly as they do.
#include "library/album_queries.h"

#include <gtest/gtest.h>

#include "page_fixture.h"

namespace orrivan::test {
namespace {

class CalendarQueries : public PageLibrary {
 protected:
  std::string P(const std::string& relative) { return (root_ / relative).string(); }
};

TEST_F(CalendarQueries, PicturesOfCalendarDayKeepsPlainAndDatedFoldersApart) {
  AddDay("20040315", "", {{"B.JPG", 320, 240, "20040315110000"}, {"A.JPG", 320, 240, "20040315100000"}});
  AddDay("20040315_01", "", {{"C.JPG", 320, 240, "20040315090000"}});
  AddDay("200403151", "", {{"E.JPG", 320, 240, "20040315080000"}});
  AddDay("040310", "", {{"D.JPG", 320, 240, "20040310100000"}});
  std::filesystem::create_directories(root_ / "20040315_01/sub");
  CPhotoData nested;
  nested.filePath = P("20040315_01/sub/N.JPG");
  nested.year = "2004", nested.month = "03", nested.day = "15", nested.hour = "23", nested.minute = "00",
  nested.second = "00";
  album_.AddPicture(nested);

  struct Case {
    std::string folder;
    int plainDay;
    std::vector<std::string> pictures;
  } cases[] = {
      {P("20040315"), 1, {P("20040315/A.JPG"), P("20040315/B.JPG")}},  // picture order, not name order
      {P("20040315"), 0, {}},
      {P("20040315_01"), 0, {P("20040315_01/C.JPG"), P("20040315_01/sub/N.JPG")}},
      {P("20040315_01"), 1, {}},
      {P("040310"), 1, {P("040310/D.JPG")}},
      {P("040310"), 0, {P("040310/D.JPG")}},
  };
  CalendarPictureIndex index(album_);
  for (const Case& c : cases) {
    EXPECT_EQ(PicturesOfCalendarDay(album_, c.folder, c.plainDay), c.pictures) << c.folder << " " << c.plainDay;
    EXPECT_EQ(index.PicturesOfCalendarDay(c.folder, c.plainDay), c.pictures) << c.folder << " " << c.plainDay;
  }
  // Folder paths compare without regard to case.
  std::string upper = P("20040315");
  upper.replace(upper.find("Image Library"), 13, "IMAGE LIBRARY");
  EXPECT_EQ(PicturesOfCalendarDay(album_, upper, 1).size(), 2u);
  EXPECT_EQ(index.PicturesOfCalendarDay(upper, 1).size(), 2u);
}

TEST_F(CalendarQueries, IndexDayByDateMatchesTheAlbum) {
  AddSmallLibrary();
  AddDay("990704", "", {});
  CalendarPictureIndex index(album_);
  for (auto [y, m, d] : {std::tuple{2004, 3, 15}, {2004, 3, 10}, {2004, 3, 18}, {1999, 7, 4}, {2005, 1, 2}, {2004, 3, 1}}) {
    std::string fromAlbum, fromIndex;
    EXPECT_EQ(index.DayByDate(y, m, d, fromIndex), album_.DayByDate(y, m, d, fromAlbum)) << y << m << d;
    EXPECT_EQ(fromIndex, fromAlbum);
  }
}

TEST_F(CalendarQueries, ExtraFoldersOfMonth) {
  AddSmallLibrary();
  AddDay("20200403_01", "", {});
  AddDay("0403151230ab", "", {});
  std::vector<std::string> all = ExtraFoldersOfMonth(album_, 2004, 3, nullptr);
  EXPECT_EQ(all, (std::vector<std::string>{P("040310"), P("0403151230ab"), P("20040300_trip"), P("20040318_01")}));
  std::vector<std::string> selection{"20040318_01"};
  EXPECT_EQ(ExtraFoldersOfMonth(album_, 2004, 3, &selection), (std::vector<std::string>{P("20040318_01")}));
  EXPECT_TRUE(ExtraFoldersOfMonth(album_, 2004, 4, nullptr).empty());
}

}  // namespace
}  // namespace orrivan::test
