// Path repair: old roots found by their folder name, every occurrence moved onto the new root, '\'
// read as '/', and nothing changed at all when one path names no root.
#include "library/path_repair.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "library/album_document.h"
#include "library/album_file.h"

namespace orrivan {
namespace {

TEST(PathRepair, OldRootIsFoundByItsFolderName) {
  struct Case {
    const char* path;
    std::optional<std::string> root;
  };
  const Case cases[] = {
      {"C:\\Program Files\\Orrivan\\Image Library\\20070315\\ABCD0001.JPG", "C:/Program Files/Orrivan/Image Library"},
      {"/home/a/Image Library/20070315", "/home/a/Image Library"},
      {"D:\\Old\\ImageLib\\990315", "D:/Old/ImageLib"},
      // "ImageLib" wins even where "Image Library" comes first.
      {"/a/Image Library/b/ImageLib/c", "/a/Image Library/b/ImageLib"},
      {"/a/ImageLibrary/20070315", std::nullopt},
      {"/a/Image Library", std::nullopt},  // the root itself, no day below it
      {"/a/image library/20070315", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(OldRootOf(c.path), c.root) << c.path;
}

TEST(PathRepair, ReplaceAllScansForwardOnly) {
  EXPECT_EQ(ReplaceAll("/o/x/o/y", "/o", "/n"), "/n/x/n/y");
  // The new text contains the old one: it is not replaced again.
  EXPECT_EQ(ReplaceAll("/o/x", "/o", "/o/o"), "/o/o/x");
  EXPECT_EQ(ReplaceAll("abc", "", "z"), "abc");
}

class RepairAlbum : public ::testing::Test {
 protected:
  void SetUp() override { album_.SetGenerationRotation(false); }
  void AddDay(const std::string& folder, const std::string& page) {
    CAlbumData day;
    day.folderPath = folder;
    day.pagePath = page;
    album_.AddDay(day);
  }
  void AddPicture(const std::string& path, const std::string& day = "15") {
    CPhotoData picture;
    picture.filePath = path;
    picture.year = "2007";
    picture.month = "03";
    picture.day = day;
    picture.hour = picture.minute = picture.second = "00";
    album_.AddPicture(picture);
  }
  std::vector<std::string> DayFolders() const {
    std::vector<std::string> out;
    for (const CAlbumData& day : album_.Days()) out.push_back(day.folderPath);
    return out;
  }
  std::vector<std::string> PicturePaths() const {
    std::vector<std::string> out;
    for (const CPhotoData& picture : album_.Pictures()) out.push_back(picture.filePath);
    return out;
  }
  CRKCardAlbumDoc album_{std::filesystem::path("/nonexistent-home")};
};

TEST_F(RepairAlbum, WindowsPathsMoveOntoTheLocalRootWithSlashesThroughout) {
  AddDay("C:\\Program Files\\Orrivan\\Image Library\\20070315",
         "C:\\Program Files\\Orrivan\\Image Library\\20070315\\INDEX.HTM");
  AddDay("C:\\Program Files\\Orrivan\\Image Library\\20070316_01",
         "C:\\Program Files\\Orrivan\\Image Library\\20070316_01\\INDEX.HTM");
  AddPicture("C:\\Program Files\\Orrivan\\Image Library\\20070315\\ABCD0001.JPG");
  AddPicture("C:\\Program Files\\Orrivan\\Image Library\\20070316_01\\ABCD0002.JPG", "16");
  std::vector<std::string> names{"stale"};
  ASSERT_EQ(RepairPaths(album_, "/home/u/Pictures/Orrivan/Image Library/", names), 1);
  EXPECT_EQ(names, (std::vector<std::string>{"20070315", "20070316_01"}));
  EXPECT_EQ(DayFolders(), (std::vector<std::string>{"/home/u/Pictures/Orrivan/Image Library/20070315",
                                                    "/home/u/Pictures/Orrivan/Image Library/20070316_01"}));
  EXPECT_EQ(album_.Days().begin()->pagePath, "/home/u/Pictures/Orrivan/Image Library/20070315/INDEX.HTM");
  EXPECT_EQ(PicturePaths(), (std::vector<std::string>{"/home/u/Pictures/Orrivan/Image Library/20070315/ABCD0001.JPG",
                                                      "/home/u/Pictures/Orrivan/Image Library/20070316_01/ABCD0002.JPG"}));
  // The lookups follow the new paths.
  EXPECT_TRUE(album_.FindDayPosition("/home/u/Pictures/Orrivan/Image Library/20070315").has_value());
  EXPECT_TRUE(album_.FindPicturePosition("/home/u/Pictures/Orrivan/Image Library/20070315/ABCD0001.JPG").has_value());
}

TEST_F(RepairAlbum, OldImageLibRootBecomesTheNewRootAndPagesFollow) {
  AddDay("/mnt/old/ImageLib/990315", "/mnt/old/ImageLib/990315/INDEX.HTM");
  AddPicture("/mnt/old/ImageLib/990315/A.JPG");
  std::vector<std::string> names;
  ASSERT_EQ(RepairPaths(album_, "/srv/Image Library", names), 1);
  EXPECT_EQ(album_.Days().begin()->folderPath, "/srv/Image Library/990315");
  EXPECT_EQ(album_.Days().begin()->pagePath, "/srv/Image Library/990315/INDEX.HTM");
  EXPECT_EQ(album_.Pictures().begin()->filePath, "/srv/Image Library/990315/A.JPG");
}

TEST_F(RepairAlbum, RootTextOccurringTwiceIsReplacedTwice) {
  AddDay("/o/Image Library/20070315", "/o/Image Library/20070315/INDEX.HTM");
  AddPicture("/o/Image Library/20070315/copy of /o/Image Library/x.JPG");
  std::vector<std::string> names;
  ASSERT_EQ(RepairPaths(album_, "/n/Image Library", names), 1);
  EXPECT_EQ(album_.Pictures().begin()->filePath, "/n/Image Library/20070315/copy of /n/Image Library/x.JPG");
}

TEST_F(RepairAlbum, PictureOutsideAnyRootFailsAndLeavesEveryPathAsItWas) {
  AddDay("/o/Image Library/20070315", "/o/Image Library/20070315/INDEX.HTM");
  AddDay("/o/Image Library/20070316", "/o/Image Library/20070316/INDEX.HTM");
  AddPicture("/o/Image Library/20070315/A.JPG");
  AddPicture("/o/Image Library/20070316/B.JPG", "16");
  AddPicture("/home/u/elsewhere/C.JPG", "17");  // the last picture names no root
  const auto daysBefore = DayFolders();
  const auto picturesBefore = PicturePaths();
  std::vector<std::string> names;
  EXPECT_EQ(RepairPaths(album_, "/n/Image Library", names), 0);
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(DayFolders(), daysBefore);
  EXPECT_EQ(PicturePaths(), picturesBefore);
  EXPECT_EQ(album_.Days().begin()->pagePath, "/o/Image Library/20070315/INDEX.HTM");
}

TEST_F(RepairAlbum, DayOutsideAnyRootFails) {
  AddDay("/o/Image Library/20070315", "/o/Image Library/20070315/INDEX.HTM");
  AddDay("/o/Pictures/trip", "/o/Pictures/trip/INDEX.HTM");
  std::vector<std::string> names;
  EXPECT_EQ(RepairPaths(album_, "/n/Image Library", names), 0);
  EXPECT_EQ(DayFolders(), (std::vector<std::string>{"/o/Image Library/20070315", "/o/Pictures/trip"}));
}

TEST_F(RepairAlbum, EmptyAlbumRepairsWithNoDays) {
  std::vector<std::string> names{"stale"};
  EXPECT_EQ(RepairPaths(album_, "/n/Image Library", names), 1);
  EXPECT_TRUE(names.empty());
}

// In code page 932 the second byte of 表 and ソ is 0x5C, the byte of '\'. The album's strings are
// decoded before the repair reads separators, so those characters survive it.
TEST_F(RepairAlbum, DoubleByteCharactersWhoseTrailByteIsABackslashSurvive) {
  AlbumContents contents;
  CAlbumData day;
  day.folderPath = "C:\\表ソ\\Image Library\\20070315";
  day.pagePath = day.folderPath + "\\INDEX.HTM";
  day.title = "表ソ";
  contents.days.push_back(day);
  CPhotoData picture;
  picture.filePath = "C:\\表ソ\\Image Library\\20070315\\ソ表.JPG";
  picture.year = "2007";
  picture.month = "03";
  picture.day = "15";
  picture.hour = picture.minute = picture.second = "00";
  contents.pictures.push_back(picture);
  const std::string bytes = WriteAlbumBytes(contents);
  ASSERT_NE(bytes.find("\x95\\"), std::string::npos);  // 表 as the file holds it
  ASSERT_EQ(album_.Load(bytes), AlbumError::None);
  std::vector<std::string> names;
  ASSERT_EQ(RepairPaths(album_, "/home/表/Image Library", names), 1);
  EXPECT_EQ(album_.Days().begin()->folderPath, "/home/表/Image Library/20070315");
  EXPECT_EQ(album_.Days().begin()->title, "表ソ");
  EXPECT_EQ(album_.Pictures().begin()->filePath, "/home/表/Image Library/20070315/ソ表.JPG");
  EXPECT_EQ(OldRootOf("C:\\表ソ\\Image Library\\x"), std::optional<std::string>("C:/表ソ/Image Library"));
}

}  // namespace
}  // namespace orrivan
