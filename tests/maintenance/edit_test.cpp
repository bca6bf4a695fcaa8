// Editing libraries: the title (album and pages rewritten even for the same text), applying the page
// options to reachable libraries only, and a library whose folder holds no picture any more.
#include "maintenance/edit.h"

#include <sys/stat.h>

#include "base/settings.h"
#include "base/strings.h"
#include "maintenance/maintenance_fixture.h"
#include "maintenance/maintenance_texts.h"
#include "maintenance/refile.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;
using test::FakeInteraction;

class Edit : public test::MaintenanceFixture {
 protected:
  void SetUp() override {
    MaintenanceFixture::SetUp();
    Shot("ABCD0001.JPG", "20070315", 10, 1);
    Shot("ABCD0002.JPG", "20070315", 11, 2);
    Shot("ABCD0003.JPG", "20070316", 10, 3);
    ImportCard();
  }
  void TearDown() override {
    SetRemovableRootsForTesting({});
    MaintenanceFixture::TearDown();
  }
  std::string TemplateOf(const std::string& folder) const {
    CAlbumData day;
    EXPECT_TRUE(album_->FindDay(folder, day));
    return day.templateName;
  }
};

TEST_F(Edit, ANewTitleShowsInTheListPageAndTheAlbum) {
  FakeInteraction ui;
  ui.titles = {std::string("桜 & <花見>")};
  const auto report = EditTitle(*album_, ui, Folder("20070315"), std::nullopt);
  EXPECT_EQ(report.result, MaintenanceResult::Done);
  EXPECT_TRUE(report.pagesOk);
  EXPECT_EQ(ui.titleSuggestions, std::vector<std::string>{""});
  CRKCardAlbumDoc saved(home_);
  saved.SetGenerationRotation(false);
  ASSERT_TRUE(saved.OnOpenDocument(layout::WorkingAlbumPath()));
  CAlbumData day;
  ASSERT_TRUE(saved.FindDay(Folder("20070315"), day));
  EXPECT_EQ(day.title, "桜 & <花見>");
  // Page bytes are code page 932 with the markup characters escaped.
  EXPECT_FALSE(PagesMentioning(home_ / "HTML", "&amp; &lt;").empty());
}

// The plug-in writes the title into INDEX.HTM when it makes the page: a retitle must ask for it again.
TEST_F(Edit, ANewTitleShowsInTheDayPageToo) {
  if (!HavePlugin()) GTEST_SKIP() << "the templates plug-in is not built in this tree";
  const fs::path page = library_ / "20070315" / layout::kDayPageName;
  ASSERT_TRUE(fs::exists(page));
  ASSERT_EQ(test::ReadFile(page).find("Hanami by the river"), std::string::npos);
  FakeInteraction ui;
  const auto report = EditTitle(*album_, ui, Folder("20070315"), std::string("Hanami by the river"));
  EXPECT_EQ(report.result, MaintenanceResult::Done);
  EXPECT_TRUE(report.pagesOk);
  EXPECT_NE(test::ReadFile(page).find("Hanami by the river"), std::string::npos);
  EXPECT_EQ(PagesMentioning(library_ / "20070316", "Hanami by the river"), std::vector<std::string>{});
  ExpectNoBrokenLinks(home_);
}

TEST_F(Edit, ATitleEditedToTheSameTextStillRewritesTheAlbumAndPages) {
  // Marked as written long ago, so the save shows in the modification time.
  const std::time_t longAgo = test::LocalTime(2001, 1, 1);
  test::SetModified(layout::WorkingAlbumPath(), longAgo);
  // Pages that went missing come back: the edit does not stop at an unchanged text. (The page
  // writer leaves a page alone whose bytes are already what it would write.)
  const fs::path calendar = home_ / "HTML" / "2007" / "Mar2.htm";
  const std::string calendarBytes = test::ReadFile(calendar);
  const std::string listBytes = test::ReadFile(home_ / "HTML" / "2007" / "mar.htm");
  fs::remove(calendar);
  FakeInteraction ui;
  const auto report = EditTitle(*album_, ui, Folder("20070316"), std::string());
  EXPECT_EQ(report.result, MaintenanceResult::Done);
  EXPECT_TRUE(report.saved);
  EXPECT_TRUE(report.pagesOk);
  struct stat st {};
  ASSERT_EQ(::stat(layout::WorkingAlbumPath().c_str(), &st), 0);
  EXPECT_GT(st.st_mtime, longAgo);
  EXPECT_EQ(test::ReadFile(calendar), calendarBytes);
  EXPECT_EQ(test::ReadFile(home_ / "HTML" / "2007" / "mar.htm"), listBytes);
  ExpectNoBrokenLinks(home_);
}

TEST_F(Edit, CancelOrAnUnfitTitleChangesNothing) {
  const std::string albumBefore = test::ReadFile(layout::WorkingAlbumPath());
  FakeInteraction ui;
  ui.titles = {std::nullopt};
  EXPECT_EQ(EditTitle(*album_, ui, Folder("20070316"), std::nullopt).result, MaintenanceResult::Cancelled);
  EXPECT_EQ(EditTitle(*album_, ui, Folder("20070316"), std::string("two\r\nlines")).result, MaintenanceResult::Refused);
  EXPECT_EQ(EditTitle(*album_, ui, Folder("20070316"), std::string(kMaxTitleBytes + 1, 'x')).result,
            MaintenanceResult::Refused);
  EXPECT_EQ(ui.Texts(FakeInteraction::Kind::Message).size(), 2u);
  EXPECT_EQ(test::ReadFile(layout::WorkingAlbumPath()), albumBefore);
}

TEST_F(Edit, ApplyOptionsRebuildsReachableLibrariesWithTheCurrentTemplateText) {
  // A third library on a volume that is not mounted: its folder is a leftover in the mount point.
  const fs::path media = dir_ / "media";
  const fs::path stale = media / "CARD" / "Image Library" / "20070401";
  Picture(stale / "ABCD0009.JPG", "2007:04:01 10:00:00");
  CAlbumData offline;
  offline.folderPath = layout::ToStoredPath(stale);
  offline.pagePath = layout::PagePathOfFolder(offline.folderPath);
  offline.templateName = "old,template";
  offline.pictureCount = 1;
  album_->AddDay(offline);
  SetRemovableRootsForTesting({media});

  settings::SetString(settings::Key::TemplateBackCol, "ﾃｽﾄ色");
  settings::SetInt(settings::Key::PrintButton, 1);
  album_->EditDay(*album_->FindDayPosition(Folder("20070315"))).title = "残す題";
  FakeInteraction ui;
  ui.confirms = {true};
  const auto report = ApplyOptions(*album_, ui, {Folder("20070315"), offline.folderPath});

  EXPECT_EQ(ui.Texts(FakeInteraction::Kind::Confirm),
            std::vector<std::string>{Str(StrId::RebuildSelectedText) + "\n" + Str(StrId::RebuildQuestion)});
  EXPECT_EQ(report.rebuiltNames, std::vector<std::string>{"20070315"});
  EXPECT_EQ(report.unreachableNames, std::vector<std::string>{"20070401"});
  const std::string expected = settings::GetString(settings::Key::TemplateType) + ",ﾃｽﾄ色";
  EXPECT_EQ(TemplateOf(Folder("20070315")), expected);
  EXPECT_EQ(TemplateOf(offline.folderPath), "old,template");
  EXPECT_NE(TemplateOf(Folder("20070316")), expected);  // not selected
  CAlbumData day;
  ASSERT_TRUE(album_->FindDay(Folder("20070315"), day));
  EXPECT_EQ(day.title, "残す題");
  EXPECT_EQ(day.printButton, 1);
  EXPECT_EQ(day.pictureCount, 2);
  EXPECT_FALSE(fs::exists(stale / "PREVIEW"));  // nothing was filed there
}

TEST_F(Edit, ALibraryWhoseFolderHoldsNoPictureIsErasedByApplyOptions) {
  const fs::path folder = library_ / "20070316";
  fs::remove(folder / "ABCD0003.JPG");
  ASSERT_TRUE(fs::exists(folder / "PREVIEW" / "ABCD0003.JPG"));
  FakeInteraction ui;
  ui.confirms = {true};
  const auto report = ApplyOptions(*album_, ui, {Folder("20070316")});
  EXPECT_EQ(report.erasedNames, std::vector<std::string>{"20070316"});
  EXPECT_FALSE(fs::exists(folder));
  EXPECT_EQ(SavedDayNames(), std::set<std::string>{"20070315"});
  EXPECT_TRUE(PagesMentioning(home_ / "HTML", "20070316").empty());
  ExpectNoBrokenLinks(home_);
}

TEST_F(Edit, FilingInPlaceMovesNothingAndCountsWhatLiesInTheFolder) {
  const fs::path folder = library_ / "20070315";
  const auto before = test::TreeOf(library_);
  CAlbumData old;
  ASSERT_TRUE(album_->FindDay(Folder("20070315"), old));
  const auto outcome = RefileDay(*album_, old, DayOptions{old.templateName, old.printButton, old.mailName},
                                 layout::LibraryRoot());
  EXPECT_FALSE(outcome.erased);
  EXPECT_EQ(outcome.pictures, 2);
  EXPECT_EQ(test::TreeOf(library_), before);
  CAlbumData day;
  ASSERT_TRUE(album_->FindDay(Folder("20070315"), day));
  EXPECT_EQ(day, old);  // same totals, count and fields as the import made them
  EXPECT_EQ(album_->PictureCount(), 3u);
}

TEST(LibraryReach, AFolderOnAnotherFileSystemBelowARemovableRootIsMounted) {
  struct stat dev {}, shm {};
  if (::stat("/dev", &dev) != 0 || ::stat("/dev/shm", &shm) != 0 || dev.st_dev == shm.st_dev)
    GTEST_SKIP() << "/dev/shm is not a mount of its own";
  test::TempDir folder("/dev/shm/orrivan-reach");
  SetRemovableRootsForTesting({"/dev"});
  EXPECT_TRUE(IsLibraryReachable(folder.path()));
  SetRemovableRootsForTesting({});
  EXPECT_FALSE(IsLibraryReachable(folder.path() / "missing"));
}

}  // namespace
}  // namespace orrivan
