// Moving and backing up libraries into a folder of the user's choice: the destination's layout and
// pages, the main album and pages afterwards, refusals, a move across file systems and one that
// stops part-way.
#include "maintenance/transfer.h"

#include <sys/stat.h>

#include "base/settings.h"
#include "base/strings.h"
#include "maintenance/maintenance_fixture.h"
#include "maintenance/maintenance_texts.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;
using test::FakeInteraction;

class Transfer : public test::MaintenanceFixture {
 protected:
  void SetUp() override {
    MaintenanceFixture::SetUp();
    Shot("ABCD0001.JPG", "20070315", 10, 1);
    Shot("ABCD0002.JPG", "20070316", 10, 2);
    Memo(dcim_ / "100TEST" / "ABCD0002.WAV", test::LocalTime(2007, 3, 16));
    Shot("ABCD0003.JPG", "20070420", 10, 3);
    ImportCard();
    chosen_ = dir_ / "disc";
  }
  // Day names listed in a destination's (or the home's) month list pages.
  static std::set<std::string> ListedDays(const fs::path& base) {
    std::set<std::string> days;
    for (const char* name : {"20070315", "20070316", "20070420"})
      for (const std::string& page : PagesMentioning(base / "HTML", std::string("<!--") + name + "-->")) {
        (void)page;
        days.insert(name);
      }
    return days;
  }
  fs::path chosen_;
};

TEST_F(Transfer, BackupWritesASelfContainedAlbumAndLeavesTheMainOneUnchanged) {
  settings::SetInt(settings::Key::DisplayMethod, 1);
  const std::string albumBefore = test::ReadFile(layout::WorkingAlbumPath());
  const auto homeBefore = test::TreeOf(home_);
  // The main pages are written again after the destination's: a calendar page and a list page that
  // went missing come back as they were, and every other page is written to the same bytes (the
  // frame pages still open at the month the import left them at).
  fs::remove(home_ / "HTML" / "2007" / "Apr2.htm");
  fs::remove(home_ / "HTML" / "2007" / "apr.htm");
  FakeInteraction ui;
  const auto report = BackupLibraries(*album_, ui, {Folder("20070316"), Folder("20070420")}, chosen_);

  EXPECT_EQ(report.result, MaintenanceResult::Done);
  EXPECT_EQ(report.doneNames, (std::vector<std::string>{"20070316", "20070420"}));
  EXPECT_EQ(test::ReadFile(chosen_ / "autorun.inf"),
            "[Autorun]\r\nOPEN=rundll32.exe url,FileProtocolHandler library_2.htm");
  for (const char* item : {"library_1.htm", "library_2.htm", "HTML/calendar_1.htm", "Image Library/20070316/ABCD0002.WAV",
                           "Image Library/20070316/PREVIEW/ABCD0002.JPG", "Image Library/20070420/ABCD0003.JPG"})
    EXPECT_TRUE(fs::exists(chosen_ / item)) << item;
  EXPECT_FALSE(fs::exists(chosen_ / "Image Library" / "20070315"));
  if (HavePlugin()) EXPECT_TRUE(fs::exists(chosen_ / "Image Library" / "20070316" / "INDEX.HTM"));
  EXPECT_EQ(ListedDays(chosen_), (std::set<std::string>{"20070316", "20070420"}));
  // Nothing in the destination's pages leads back into the main library.
  EXPECT_TRUE(PagesMentioning(chosen_ / "HTML", home_.string()).empty());
  ExpectNoBrokenLinks(chosen_);
  // The destination's pages can be edited and deleted: no read-only page is left.
  for (const auto& [relative, bytes] : test::TreeOf(chosen_ / "HTML")) {
    struct stat st {};
    ASSERT_EQ(::stat((chosen_ / "HTML" / relative).c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IWUSR) << relative;
  }

  EXPECT_EQ(test::ReadFile(layout::WorkingAlbumPath()), albumBefore);
  EXPECT_EQ(test::TreeOf(home_), homeBefore);
  for (const char* page : {"HTML/2007/Apr2.htm", "HTML/2007/apr.htm"}) {
    struct stat st {};
    ASSERT_EQ(::stat((home_ / page).c_str(), &st), 0) << page;
    EXPECT_FALSE(st.st_mode & S_IWUSR) << page;
  }
  EXPECT_EQ(DayNames().size(), 3u);
  ASSERT_EQ(ui.progress.size(), 2u);
  EXPECT_EQ(ui.progress[0].caption, "ｺﾋﾟｰ");
  EXPECT_EQ(ui.progress[0].ranges, std::vector<int64_t>{test::TreeOf(library_ / "20070316").size() +
                                                        test::TreeOf(library_ / "20070420").size()});
}

// The frame pages open at the month of the last import's earliest day; rewriting the main pages
// after a backup keeps them there rather than moving them to the library's earliest month.
TEST_F(Transfer, ABackupLeavesTheMainFramePagesOpeningWhereTheImportLeftThem) {
  Shot("ABCD0004.JPG", "20070501", 10, 4);
  ImportCard();
  ASSERT_NE(test::ReadFile(home_ / "library_1.htm").find("HTML/2007/may.htm"), std::string::npos);
  const auto homeBefore = test::TreeOf(home_);
  FakeInteraction ui;
  ASSERT_EQ(BackupLibraries(*album_, ui, {Folder("20070315")}, chosen_).result, MaintenanceResult::Done);
  EXPECT_EQ(test::TreeOf(home_), homeBefore);
  // The destination's own frame pages open at its own library.
  EXPECT_EQ(test::ReadFile(chosen_ / "library_1.htm").find("may.htm"), std::string::npos);
  ExpectNoBrokenLinks(home_);
}

TEST_F(Transfer, ABackupMadeAgainIntoTheSameFolderReplacesTheEarlierCopy) {
  FakeInteraction ui;
  ASSERT_EQ(BackupLibraries(*album_, ui, {Folder("20070315")}, chosen_).result, MaintenanceResult::Done);
  EXPECT_EQ(BackupLibraries(*album_, ui, {Folder("20070315")}, chosen_).result, MaintenanceResult::Done);
  EXPECT_EQ(test::ReadFile(chosen_ / "Image Library/20070315/ABCD0001.JPG"),
            test::ReadFile(library_ / "20070315/ABCD0001.JPG"));
  ExpectNoBrokenLinks(chosen_);
}

TEST_F(Transfer, MoveTakesTheDaysOutOfTheMainLibraryAndItsPages) {
  FakeInteraction ui;
  const auto report = MoveLibraries(*album_, ui, {Folder("20070316"), Folder("20070420")}, chosen_);

  EXPECT_EQ(report.result, MaintenanceResult::Done);
  EXPECT_TRUE(report.saved);
  EXPECT_EQ(test::ReadFile(chosen_ / "autorun.inf"),
            "[Autorun]\r\nOPEN=rundll32.exe url,FileProtocolHandler library_1.htm");
  EXPECT_FALSE(fs::exists(library_ / "20070316"));
  EXPECT_FALSE(fs::exists(library_ / "20070420"));
  EXPECT_TRUE(fs::exists(chosen_ / "Image Library/20070316/ABCD0002.JPG"));
  EXPECT_EQ(DayNames(), std::set<std::string>{"20070315"});
  EXPECT_EQ(SavedDayNames(), std::set<std::string>{"20070315"});
  EXPECT_EQ(album_->PictureCount(), 1u);
  // The main pages no longer lead to the moved days; the destination's only to them.
  EXPECT_EQ(ListedDays(home_), std::set<std::string>{"20070315"});
  EXPECT_TRUE(PagesMentioning(home_, "20070316").empty());
  EXPECT_TRUE(PagesMentioning(home_, "20070420").empty());
  EXPECT_EQ(ListedDays(chosen_), (std::set<std::string>{"20070316", "20070420"}));
  EXPECT_TRUE(PagesMentioning(chosen_, "20070315").empty());
  ExpectNoBrokenLinks(home_);
  ExpectNoBrokenLinks(chosen_);
  ASSERT_FALSE(ui.progress.empty());
  EXPECT_EQ(ui.progress[0].caption, "移動");
  EXPECT_EQ(ui.progress[0].texts.at(0).first, "取り込んだﾌｧｲﾙを移動しています...");
}

// With the library root outside the home, the home folder passes the overlap check; a backup
// there wrote its own calendar and list pages over the main library's and left them writable.
class TransferRootElsewhere : public test::MaintenanceFixture {
 protected:
  void SetUp() override {
    MaintenanceFixture::SetUp();
    library_ = dir_.path() / "elsewhere" / "Image Library";
    fs::create_directories(library_);
    settings::SetString(settings::Key::SaveFolder, library_.string());
    Shot("ABCD0001.JPG", "20070315", 10, 1);
    Shot("ABCD0002.JPG", "20070420", 10, 2);
    ImportCard();
  }
};

TEST_F(TransferRootElsewhere, BackupIntoTheHomeFolderIsRefusedBeforeAnythingIsCopied) {
  ASSERT_TRUE(fs::exists(home_ / "HTML"));
  const auto homeBefore = test::TreeOf(home_);
  FakeInteraction ui;
  const auto report = BackupLibraries(*album_, ui, {Folder("20070315")}, home_);
  EXPECT_EQ(report.result, MaintenanceResult::Refused);
  EXPECT_EQ(ui.Texts(FakeInteraction::Kind::Message),
            std::vector<std::string>{maintenance_texts::kDestinationHoldsMainPages});
  EXPECT_EQ(test::TreeOf(home_), homeBefore);
  EXPECT_FALSE(fs::exists(home_ / "Image Library" / "20070315"));
  EXPECT_FALSE(fs::exists(home_ / "autorun.inf"));
  // A folder whose HTML is a link to the home's pages is refused as well.
  fs::create_directories(dir_.path() / "disc");
  fs::create_directory_symlink(home_ / "HTML", dir_.path() / "disc" / "HTML");
  EXPECT_EQ(BackupLibraries(*album_, ui, {Folder("20070315")}, dir_.path() / "disc").result,
            MaintenanceResult::Refused);
  // So is one whose frame page is a link to the home's, by a move as well as by a backup.
  const fs::path frames = dir_.path() / "frames";
  fs::create_directories(frames);
  fs::create_symlink(home_ / "library_2.htm", frames / "library_2.htm");
  EXPECT_EQ(BackupLibraries(*album_, ui, {Folder("20070315")}, frames).result, MaintenanceResult::Refused);
  EXPECT_EQ(MoveLibraries(*album_, ui, {Folder("20070315")}, frames).result, MaintenanceResult::Refused);
  EXPECT_EQ(ui.Count(FakeInteraction::Kind::Message), 4u);
  EXPECT_EQ(test::TreeOf(home_), homeBefore);
  EXPECT_FALSE(fs::exists(frames / "Image Library"));
  EXPECT_EQ(test::TreeOf(library_).count("20070315/ABCD0001.JPG"), 1u);
}

TEST_F(Transfer, ADestinationOverlappingTheLibraryIsRefusedBeforeAnythingMoves) {
  const auto before = test::TreeOf(library_);
  fs::create_directories(dir_ / "alias");
  fs::create_directory_symlink(home_, dir_ / "alias" / "home");
  // The home itself (its "Image Library" is the root), a day folder inside the root, and the home
  // reached through a link.
  for (const fs::path& chosen : {home_, library_ / "20070315", dir_ / "alias" / "home"}) {
    SCOPED_TRACE(chosen.string());
    FakeInteraction ui;
    EXPECT_EQ(MoveLibraries(*album_, ui, {Folder("20070316")}, chosen).result, MaintenanceResult::Refused);
    EXPECT_EQ(BackupLibraries(*album_, ui, {Folder("20070316")}, chosen).result, MaintenanceResult::Refused);
    EXPECT_EQ(ui.Texts(FakeInteraction::Kind::Message),
              (std::vector<std::string>{maintenance_texts::kDestinationOverlapsLibrary,
                                        maintenance_texts::kDestinationOverlapsLibrary}));
  }
  // A destination library that would contain the root.
  EXPECT_TRUE(DestinationOverlapsLibrary(dir_.path(), dir_ / "Image Library" / "inner"));
  EXPECT_FALSE(DestinationOverlapsLibrary(chosen_, library_));
  EXPECT_EQ(test::TreeOf(library_), before);
  EXPECT_EQ(DayNames().size(), 3u);
  EXPECT_FALSE(fs::exists(chosen_));
}

TEST_F(Transfer, AMoveThatStopsPartWayKeepsAlbumAndDiskInAgreement) {
  // The second library cannot go: a file of its name already waits at the destination.
  test::WriteFile(chosen_ / "Image Library" / "20070420" / "ABCD0003.JPG", "someone else's");
  FakeInteraction ui;
  const auto report = MoveLibraries(*album_, ui, {Folder("20070316"), Folder("20070420")}, chosen_);

  EXPECT_EQ(report.result, MaintenanceResult::Failed);
  EXPECT_EQ(report.stoppedAt, "20070420");
  EXPECT_EQ(ui.Texts(FakeInteraction::Kind::Message), std::vector<std::string>{Str(StrId::LibraryWriteError)});
  EXPECT_EQ(test::ReadFile(chosen_ / "Image Library" / "20070420" / "ABCD0003.JPG"), "someone else's");
  // The one that stopped is back in place; the one before it is at the destination.
  EXPECT_TRUE(fs::exists(library_ / "20070420" / "ABCD0003.JPG"));
  EXPECT_TRUE(fs::exists(chosen_ / "Image Library" / "20070316" / "ABCD0002.JPG"));
  EXPECT_FALSE(fs::exists(library_ / "20070316" / "ABCD0002.JPG"));

  CRKCardAlbumDoc saved(home_);
  saved.SetGenerationRotation(false);
  ASSERT_TRUE(saved.OnOpenDocument(layout::WorkingAlbumPath()));
  for (const CPhotoData& picture : saved.Pictures())
    EXPECT_TRUE(fs::exists(layout::FromStoredPath(picture.filePath))) << picture.filePath;
  CAlbumData moved;
  ASSERT_TRUE(saved.FindDay(layout::ToStoredPath(chosen_ / "Image Library" / "20070316"), moved));
  // The list row and the calendar cell of the moved day now lead to the destination.
  auto broken = test::CheckPageLinks(home_ / "HTML" / "2007" / "mar.htm");
  EXPECT_TRUE(broken.empty()) << test::Describe(broken);
  EXPECT_GT(test::LastCheckedLinkCount(), 0u);
  const std::string calendar = test::ReadFile(home_ / "HTML" / "2007" / "Mar2.htm");
  EXPECT_NE(calendar.find("file://" + (chosen_ / "Image Library" / "20070316" / "INDEX.HTM").string()),
            std::string::npos);
  broken = test::CheckLinksUnder(home_ / "HTML");
  EXPECT_TRUE(broken.empty()) << test::Describe(broken);
  EXPECT_GT(test::LastCheckedLinkCount(), 10u);
  for (const char* frame : {"library_1.htm", "library_2.htm"}) {
    broken = test::CheckPageLinks(home_ / frame);
    EXPECT_TRUE(broken.empty()) << test::Describe(broken);
    EXPECT_GT(test::LastCheckedLinkCount(), 0u) << frame;
  }
}

TEST_F(Transfer, ACancelledMovePutsTheLibraryItWasMovingBack) {
  const auto before = test::TreeOf(library_);
  const std::string albumBefore = test::ReadFile(layout::WorkingAlbumPath());
  FakeInteraction ui;
  ui.cancelAfter = 2;  // inside the first library, which holds more files than that
  const auto report = MoveLibraries(*album_, ui, {Folder("20070316"), Folder("20070420")}, chosen_);
  EXPECT_EQ(report.result, MaintenanceResult::Cancelled);
  EXPECT_EQ(report.stoppedAt, "20070316");
  EXPECT_TRUE(ui.Texts(FakeInteraction::Kind::Message).empty());
  EXPECT_EQ(test::TreeOf(library_), before);
  EXPECT_EQ(test::ReadFile(layout::WorkingAlbumPath()), albumBefore);
  EXPECT_FALSE(fs::exists(chosen_ / "Image Library" / "20070316"));
  EXPECT_EQ(DayNames().size(), 3u);
}

TEST_F(Transfer, AMoveAcrossFileSystemsCopiesVerifiesAndThenLetsGoOfTheSources) {
  struct stat shm {}, library {};
  if (::stat("/dev/shm", &shm) != 0 || ::stat(library_.c_str(), &library) != 0 || shm.st_dev == library.st_dev)
    GTEST_SKIP() << "no second file system at /dev/shm";
  test::TempDir shmDir("/dev/shm/orrivan-move");
  FakeInteraction ui;
  const fs::path chosen = shmDir.path() / "disc";
  const auto report = MoveLibraries(*album_, ui, {Folder("20070316")}, chosen);
  EXPECT_EQ(report.result, MaintenanceResult::Done);
  EXPECT_FALSE(fs::exists(library_ / "20070316"));
  EXPECT_TRUE(fs::exists(chosen / "Image Library/20070316/ABCD0002.WAV"));
  EXPECT_EQ(SavedDayNames(), (std::set<std::string>{"20070315", "20070420"}));
  ExpectNoBrokenLinks(chosen);
}

}  // namespace
}  // namespace orrivan
