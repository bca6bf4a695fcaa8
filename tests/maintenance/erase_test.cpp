// Erasing libraries and images of a library the import engine made: questions and their answers,
// the Trash, the album file and the pages afterwards.
#include "maintenance/erase.h"

#include <sys/stat.h>
#include <unistd.h>

#include "base/strings.h"
#include "maintenance/library_list.h"
#include "maintenance/maintenance_fixture.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;
using test::FakeInteraction;

class Erase : public test::MaintenanceFixture {};

TEST_F(Erase, ErasedFilesLandInTheTrashAndTheFolderGoes) {
  Shot("ABCD0001.JPG", "20070315", 10, 1);
  Shot("ABCD0002.JPG", "20070316", 10, 2);
  Memo(dcim_ / "100TEST" / "ABCD0002.WAV", test::LocalTime(2007, 3, 16));
  ImportCard();
  ASSERT_EQ(DayNames(), (std::set<std::string>{"20070315", "20070316"}));
  ASSERT_FALSE(PagesMentioning(home_ / "HTML", "20070316").empty());

  FakeInteraction ui;
  ui.confirms = {true};
  ui.eraseAnswers = {EraseAnswer::Yes};
  const auto report = EraseLibraries(*album_, ui, {Folder("20070316")});

  EXPECT_EQ(report.result, MaintenanceResult::Done);
  EXPECT_EQ(report.erasedNames, std::vector<std::string>{"20070316"});
  EXPECT_TRUE(report.saved);
  EXPECT_FALSE(fs::exists(library_ / "20070316"));
  EXPECT_TRUE(fs::exists(library_ / "20070315" / "ABCD0001.JPG"));
  const auto trashed = TrashedNames();
  for (const char* name : {"ABCD0002.JPG", "ABCD0002.WAV", "INDEX.HTM"}) EXPECT_TRUE(trashed.count(name)) << name;
  EXPECT_EQ(SavedDayNames(), std::set<std::string>{"20070315"});
  EXPECT_EQ(ui.Texts(FakeInteraction::Kind::Confirm), std::vector<std::string>{Str(StrId::EraseLibrariesConfirm)});
  EXPECT_EQ(ui.eraseButtons.at(0),
            (std::vector<std::string>{"はい(&Y)", "いいえ(&N)", "全て消去(&A)", "ｷｬﾝｾﾙ"}));

  CLibraryList list;
  list.Load(*album_);
  EXPECT_EQ(list.CounterText(), "1件");
  EXPECT_TRUE(PagesMentioning(home_ / "HTML", "20070316").empty());
  ExpectNoBrokenLinks(home_);
}

class ErasePasses : public test::MaintenanceFixture {
 protected:
  // Two image libraries and, taken from a folder of shortcuts, one shortcut library.
  void SetUp() override {
    MaintenanceFixture::SetUp();
    Shot("ABCD0001.JPG", "20070315", 10, 1);
    Shot("ABCD0002.JPG", "20070316", 10, 2);
    ImportCard();
    Shot("ABCD0003.JPG", "20070317", 10, 3);
    ImportCard(kTransferShortcut);
    CAlbumData day;
    ASSERT_TRUE(album_->FindDay(Folder("20070317"), day));
    ASSERT_EQ(day.shortcutDay, 1);
    target_ = dcim_ / "100TEST" / "ABCD0003.JPG";
  }
  std::vector<std::string> Selection() const { return {Folder("20070315"), Folder("20070317"), Folder("20070316")}; }
  fs::path target_;
};

TEST_F(ErasePasses, ImageLibrariesAreAskedFirstThenTheShortcutLibraryEachPassWithItsOwnEraseAll) {
  FakeInteraction ui;
  ui.confirms = {true};
  ui.eraseAnswers = {EraseAnswer::YesToAll, EraseAnswer::YesToAll};
  const auto report = EraseLibraries(*album_, ui, Selection());

  const auto asked = ui.Texts(FakeInteraction::Kind::AskErase);
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_NE(asked[0].find(Str(StrId::EraseImageLibraryQuestion)), std::string::npos);
  EXPECT_EQ(asked[0].rfind("2007/03/15 \n", 0), 0u) << asked[0];
  EXPECT_NE(asked[1].find(Str(StrId::EraseShortcutLibraryQuestion)), std::string::npos);
  EXPECT_EQ(report.erasedNames, (std::vector<std::string>{"20070315", "20070316", "20070317"}));
  EXPECT_TRUE(DayNames().empty());
  // The shortcut library lost its links; the pictures they named stay.
  EXPECT_FALSE(fs::exists(library_ / "20070317"));
  EXPECT_TRUE(fs::exists(target_));
}

TEST_F(ErasePasses, CancelInTheFirstPassStillRunsTheSecond) {
  FakeInteraction ui;
  ui.confirms = {true};
  ui.eraseAnswers = {EraseAnswer::Cancel, EraseAnswer::Yes};
  const auto report = EraseLibraries(*album_, ui, Selection());

  EXPECT_EQ(ui.Count(FakeInteraction::Kind::AskErase), 2u);
  EXPECT_EQ(report.erasedNames, std::vector<std::string>{"20070317"});
  EXPECT_EQ(DayNames(), (std::set<std::string>{"20070315", "20070316"}));
  EXPECT_EQ(SavedDayNames(), (std::set<std::string>{"20070315", "20070316"}));
  EXPECT_TRUE(fs::exists(library_ / "20070316" / "ABCD0002.JPG"));
}

TEST_F(ErasePasses, NoKeepsTheLibraryAndTheNextIsAskedAgain) {
  FakeInteraction ui;
  ui.confirms = {true};
  ui.eraseAnswers = {EraseAnswer::No, EraseAnswer::Yes, EraseAnswer::No};
  const std::string albumBefore = test::ReadFile(layout::WorkingAlbumPath());
  const auto report = EraseLibraries(*album_, ui, Selection());

  EXPECT_EQ(report.erasedNames, std::vector<std::string>{"20070316"});
  EXPECT_EQ(report.keptFolders, (std::vector<std::string>{Folder("20070315"), Folder("20070317")}));
  EXPECT_TRUE(fs::exists(library_ / "20070315" / "ABCD0001.JPG"));
  EXPECT_TRUE(fs::exists(library_ / "20070317"));
  EXPECT_NE(test::ReadFile(layout::WorkingAlbumPath()), albumBefore);
}

TEST_F(ErasePasses, CancelAtTheConfirmationErasesNothing) {
  FakeInteraction ui;
  ui.confirms = {false};
  const auto report = EraseLibraries(*album_, ui, Selection());
  EXPECT_EQ(report.result, MaintenanceResult::Cancelled);
  EXPECT_EQ(ui.Count(FakeInteraction::Kind::AskErase), 0u);
  EXPECT_EQ(DayNames().size(), 3u);
}

TEST_F(ErasePasses, AnImageOfAShortcutLibraryLosesOnlyItsShortcutAndAPictureOfAnotherDayIsNotTouched) {
  const fs::path link = library_ / "20070317" / "ABCD0003.JPG.lnk";
  ASSERT_TRUE(fs::is_symlink(link));
  FakeInteraction ui;
  ui.confirms = {true};
  const auto report = EraseImages(*album_, ui, Folder("20070317"),
                                  {layout::ToStoredPath(link), layout::ToStoredPath(library_ / "20070315" / "ABCD0001.JPG")});
  EXPECT_FALSE(fs::is_symlink(link));
  EXPECT_TRUE(fs::exists(target_));
  EXPECT_TRUE(fs::exists(library_ / "20070315" / "ABCD0001.JPG"));
  EXPECT_TRUE(report.dayErased);
  EXPECT_EQ(DayNames(), (std::set<std::string>{"20070315", "20070316"}));
}

TEST_F(Erase, OnlyADirectChildOfTheLibraryRootIsDeletedAndALinkIsNeverFollowed) {
  Shot("ABCD0001.JPG", "20070315");
  ImportCard();
  // A day record whose folder lies outside the library, and one whose folder is a link to it.
  const fs::path outside = dir_ / "elsewhere" / "20070320";
  fs::create_directories(outside);
  test::WriteFile(outside / "KEEP.JPG", "keep");
  fs::create_directory_symlink(outside, library_ / "20070321");
  for (const fs::path& folder : {outside, library_ / "20070321"}) {
    CAlbumData day;
    day.folderPath = layout::ToStoredPath(folder);
    day.pagePath = layout::PagePathOfFolder(day.folderPath);
    album_->AddDay(day);
  }
  FakeInteraction ui;
  ui.confirms = {true};
  ui.eraseAnswers = {EraseAnswer::YesToAll};
  const auto report = EraseLibraries(*album_, ui, {layout::ToStoredPath(outside), Folder("20070321")});

  EXPECT_EQ(report.erasedNames.size(), 2u);
  EXPECT_EQ(report.foldersStayed.size(), 2u);
  EXPECT_TRUE(fs::exists(outside / "KEEP.JPG"));
  EXPECT_EQ(DayNames(), std::set<std::string>{"20070315"});
}

class EraseImagesTest : public test::MaintenanceFixture {
 protected:
  void SetUp() override {
    MaintenanceFixture::SetUp();
    Shot("ABCD0001.JPG", "20070315", 10, 1);
    Shot("ABCD0002.JPG", "20070315", 11, 2);
    Memo(dcim_ / "100TEST" / "ABCD0002.WAV", test::LocalTime(2007, 3, 15, 11));
    Shot("ABCD0003.JPG", "20070315", 12, 3);
    ImportCard();
    day_ = library_ / "20070315";
  }
  fs::path day_;
};

TEST_F(EraseImagesTest, AnImageGoesWithItsMemoAndPreviewAndNoPageLinksToIt) {
  if (!HavePlugin()) GTEST_SKIP() << "templates plug-in not built";
  const std::string titleBefore = "花見";
  album_->EditDay(*album_->FindDayPosition(Folder("20070315"))).title = titleBefore;
  ASSERT_FALSE(PagesMentioning(home_, "ABCD0002").empty());
  FakeInteraction ui;
  ui.confirms = {true};
  const auto report = EraseImages(*album_, ui, Folder("20070315"), {layout::ToStoredPath(day_ / "ABCD0002.JPG")});

  EXPECT_EQ(report.result, MaintenanceResult::Done);
  for (const char* gone : {"ABCD0002.JPG", "ABCD0002.WAV", "PREVIEW/ABCD0002.JPG"}) EXPECT_FALSE(fs::exists(day_ / gone)) << gone;
  for (const char* kept : {"ABCD0001.JPG", "ABCD0003.JPG", "PREVIEW/ABCD0001.JPG"}) EXPECT_TRUE(fs::exists(day_ / kept)) << kept;
  EXPECT_EQ(TrashedNames().size(), 3u);
  CAlbumData day;
  ASSERT_TRUE(album_->FindDay(Folder("20070315"), day));
  EXPECT_EQ(day.pictureCount, 2);
  EXPECT_EQ(day.title, titleBefore);
  EXPECT_EQ(album_->PictureCount(), 2u);
  EXPECT_TRUE(PagesMentioning(home_, "ABCD0002").empty());
  ExpectNoBrokenLinks(home_);
  ASSERT_EQ(ui.progress.size(), 1u);
  EXPECT_EQ(ui.progress[0].caption, "再構築中");
}

TEST_F(EraseImagesTest, AReadOnlyImageAsksAndCancelKeepsItAndItsRecord) {
  ::chmod((day_ / "ABCD0001.JPG").c_str(), 0444);
  FakeInteraction ui;
  ui.confirms = {true, false};
  const auto report = EraseImages(*album_, ui, Folder("20070315"),
                                  {layout::ToStoredPath(day_ / "ABCD0001.JPG"), layout::ToStoredPath(day_ / "ABCD0003.JPG")});

  EXPECT_EQ(ui.Texts(FakeInteraction::Kind::Confirm).at(1), "指定した画像は読取専用です。消去しますか？");
  EXPECT_EQ(report.keptImages, std::vector<std::string>{layout::ToStoredPath(day_ / "ABCD0001.JPG")});
  EXPECT_TRUE(fs::exists(day_ / "ABCD0001.JPG"));
  EXPECT_FALSE(fs::exists(day_ / "ABCD0003.JPG"));
  EXPECT_TRUE(album_->FindPicturePosition(layout::ToStoredPath(day_ / "ABCD0001.JPG")).has_value());
  EXPECT_FALSE(album_->FindPicturePosition(layout::ToStoredPath(day_ / "ABCD0003.JPG")).has_value());
}

TEST_F(EraseImagesTest, ErasingAMemoAloneKeepsTheSharedPreviewOfItsImage) {
  FakeInteraction ui;
  ui.confirms = {true};
  EraseImages(*album_, ui, Folder("20070315"), {layout::ToStoredPath(day_ / "ABCD0002.WAV")});
  EXPECT_FALSE(fs::exists(day_ / "ABCD0002.WAV"));
  EXPECT_TRUE(fs::exists(day_ / "ABCD0002.JPG"));
  EXPECT_TRUE(fs::exists(day_ / "PREVIEW" / "ABCD0002.JPG"));
}

TEST_F(EraseImagesTest, ErasingEveryImageErasesTheLibrary) {
  FakeInteraction ui;
  ui.confirms = {true};
  std::vector<std::string> all;
  for (const CPhotoData& picture : album_->Pictures()) all.push_back(picture.filePath);
  const auto report = EraseImages(*album_, ui, Folder("20070315"), all);
  EXPECT_TRUE(report.dayErased);
  EXPECT_FALSE(fs::exists(day_));
  EXPECT_TRUE(DayNames().empty());
  EXPECT_TRUE(SavedDayNames().empty());
  EXPECT_TRUE(PagesMentioning(home_ / "HTML", "20070315").empty());
}

}  // namespace
}  // namespace orrivan
