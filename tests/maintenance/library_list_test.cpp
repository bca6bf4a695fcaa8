// The library list model: rows in album order, the column texts, sorting and the counter.
#include "maintenance/library_list.h"

#include <gtest/gtest.h>

#include "base/settings.h"
#include "library/album_document.h"
#include "support/temp_dir.h"

namespace orrivan {
namespace {

CAlbumData Day(const std::string& name, const std::string& title, int count, bool shortcut = false) {
  CAlbumData day;
  day.folderPath = "/pics/Image Library/" + name;
  day.pagePath = day.folderPath + "/INDEX.HTM";
  day.title = title;
  day.pictureCount = count;
  day.shortcutDay = shortcut ? 1 : 0;
  day.templateName = "タイプ１,ｸﾞﾘｰﾝ/ｸﾞﾚｰ";
  return day;
}

class LibraryList : public ::testing::Test {
 protected:
  void SetUp() override {
    album_.SetGenerationRotation(false);
    album_.AddDay(Day("20070316", "beta", 12));
    album_.AddDay(Day("20070315", "Alpha", 3, true));
    album_.AddDay(Day("990101", "gamma", 7));
    list_.Load(album_);
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const LibraryRow& row : list_.Rows()) names.push_back(row.dayName);
    return names;
  }
  CRKCardAlbumDoc album_;
  CLibraryList list_;
};

TEST_F(LibraryList, RowsFollowTheAlbumOrderAndShowTheFiveColumns) {
  ASSERT_EQ(Names(), (std::vector<std::string>{"20070315", "20070316", "990101"}));
  const LibraryRow& row = list_.Rows()[0];
  EXPECT_EQ(row.text, (std::array<std::string, 5>{"2007/03/15", "Alpha", "3", "タイプ１", "/pics/Image Library/20070315"}));
  EXPECT_EQ(row.kind, LibraryKind::Shortcut);
  EXPECT_EQ(list_.Rows()[2].text[0], "1999/01/01");
  EXPECT_EQ(list_.CounterText(), "3件");
  EXPECT_EQ(CLibraryList::ListLine(row), "2007/03/15\tAlpha\t3\tタイプ１\t/pics/Image Library/20070315");
  EXPECT_STREQ(LibraryColumns()[4].heading, "場所");
  EXPECT_EQ(LibraryColumns()[2].align, ColumnAlign::Right);
}

TEST_F(LibraryList, AColumnSortsByItsTextIgnoringCaseAndTurnsRoundOnTheNextClick) {
  list_.SortByColumn(1);
  EXPECT_EQ(Names(), (std::vector<std::string>{"20070315", "20070316", "990101"}));  // Alpha beta gamma
  list_.SortByColumn(1);
  EXPECT_EQ(Names(), (std::vector<std::string>{"990101", "20070316", "20070315"}));
  list_.SortByColumn(2);  // another column starts ascending; counts sort as numbers
  EXPECT_EQ(Names(), (std::vector<std::string>{"20070315", "990101", "20070316"}));
  list_.SortByColumn(0);
  EXPECT_EQ(Names(), (std::vector<std::string>{"990101", "20070315", "20070316"}));  // "1999/..." first
}

TEST_F(LibraryList, ADayIsFoundByItsNameOrFolderButNotWhenTheNameIsAmbiguous) {
  EXPECT_EQ(list_.FindRow("20070316"), std::optional<size_t>(1));
  EXPECT_EQ(list_.FindRow("/PICS/Image Library/990101"), std::optional<size_t>(2));
  EXPECT_FALSE(list_.FindRow("20070317").has_value());
  CAlbumData twin = Day("20070316", "elsewhere", 1);
  twin.folderPath = "/other/Image Library/20070316";
  album_.AddDay(twin);
  list_.Load(album_);
  EXPECT_FALSE(list_.FindRow("20070316").has_value());
  EXPECT_TRUE(list_.FindRow("/other/Image Library/20070316").has_value());
}

TEST(LibraryListWidths, WidthsComeFromTheSettingsWithTheirDefaultsAndGoBack) {
  test::TempDir dir;
  settings::UseFile(dir / "Orrivan.conf");
  EXPECT_EQ(CLibraryList::LoadWidths(), (std::array<int, 5>{98, 112, 62, 65, 150}));
  CLibraryList::SaveWidths({1, 2, 3, 4, 5});
  EXPECT_EQ(settings::ReadInt("WinPositon", "column3", 0), 4);
  EXPECT_EQ(CLibraryList::LoadWidths(), (std::array<int, 5>{1, 2, 3, 4, 5}));
  settings::UseFile({});
}

}  // namespace
}  // namespace orrivan
