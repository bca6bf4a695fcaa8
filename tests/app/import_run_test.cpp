// The import driver: folders named by the user, the home lock, the album it opens and saves.
#include "app/import_run.h"

#include <gtest/gtest.h>

#include "app/album_session.h"
#include "base/strings.h"
#include "import/import_fixture.h"
#include "library/album_document.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;
using test::FakeInteraction;

class ImportRun : public test::ImportFixture {
 protected:
  // As orrivan-cli runs it: a fresh session per run, started only when a source was found.
  ImportRunResult RunCard(const std::vector<fs::path>& given, const ImportOptions& options) {
    AlbumSession session(true);
    return RunCardImport(session, ui_, given, options);
  }
};

TEST_F(ImportRun, NamedFoldersAreSourcesOrCardRootsInTheGivenOrder) {
  fs::create_directories(dir_ / "c1" / "DCIM");
  test::WriteFile(dir_ / "c1" / "OLD" / "RKCAM.RKS", "");
  fs::create_directories(dir_ / "c2" / "dcim");
  test::WriteFile(dir_ / "c3" / "Rkcam.rks", "");
  fs::create_directories(dir_ / "c4" / "MUSIC");
  const std::vector<fs::path> sources =
      SourcesFromFolders({dir_ / "c2" / "dcim", dir_ / "c1", dir_ / "c3", dir_ / "c4", dir_ / "missing",
                          dir_ / "c2", dir_ / "c1" / "DCIM" / ".."});
  EXPECT_EQ(sources, (std::vector<fs::path>{dir_ / "c2" / "dcim", dir_ / "c1" / "DCIM", dir_ / "c1" / "OLD",
                                            dir_ / "c3"}));
}

TEST_F(ImportRun, ImportsIntoTheHomeAlbumAndKeepsItsDays) {
  Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2007:03:15 10:00:00", 1);
  ImportOptions options;
  options.openBrowser = false;
  ui_.confirms.push_back(true);
  ASSERT_EQ(RunCard({card_}, options), ImportRunResult::Done);

  Picture(dcim_ / "100TEST" / "ABCD0002.JPG", "2007:03:16 10:00:00", 2);
  ui_.confirms.push_back(true);
  ASSERT_EQ(RunCard({card_}, options), ImportRunResult::Done);

  CRKCardAlbumDoc album(home_);
  album.SetGenerationRotation(false);
  ASSERT_TRUE(OpenHomeAlbum(album, ui_));
  EXPECT_EQ(album.DayCount(), 2u);
  EXPECT_EQ(album.PictureCount(), 2u);
  EXPECT_TRUE(fs::exists(layout::CalendarFramePage()));
  EXPECT_TRUE(fs::exists(layout::ListFramePage()));
}

TEST_F(ImportRun, NothingFoundAndCancelAreToldApart) {
  fs::create_directories(dir_ / "empty");
  EXPECT_EQ(RunCard({dir_ / "empty"}, {}), ImportRunResult::NothingFound);
  EXPECT_EQ(ui_.Texts(FakeInteraction::Kind::Message), std::vector<std::string>{Str(StrId::NoImportableImages)});
  Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2007:03:15 10:00:00");
  ui_.confirms.push_back(false);
  EXPECT_EQ(RunCard({card_}, {}), ImportRunResult::Cancelled);
  EXPECT_FALSE(fs::exists(layout::WorkingAlbumPath()));
}

TEST_F(ImportRun, SecondWriterOfOneHomeIsTurnedAway) {
  Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2007:03:15 10:00:00");
  HomeLock first;
  ASSERT_TRUE(first.Locked());
  EXPECT_EQ(RunCard({card_}, {}), ImportRunResult::Busy);
  EXPECT_FALSE(fs::exists(library_));
}

// Start-up goes on with an empty album when the working album cannot be read; the unreadable file
// must survive that run's save, not be replaced by it.
// The desktop program holds one running session for its whole run and imports on it again and again:
// no second lock, no second start-up, one rotation at its end.
TEST_F(ImportRun, RunsAgainOnTheCallersRunningSession) {
  ImportOptions options;
  options.openBrowser = false;
  AlbumSession session;
  ASSERT_TRUE(session.Start(ui_));
  Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2007:03:15 10:00:00", 1);
  ui_.confirms.push_back(true);
  size_t days = 0;
  ASSERT_EQ(RunCardImport(session, ui_, {card_}, options, &days), ImportRunResult::Done);
  EXPECT_EQ(days, 1u);
  EXPECT_EQ(g_importInProgress.load(), 0);
  Picture(dcim_ / "100TEST" / "ABCD0002.JPG", "2007:03:16 10:00:00", 2);
  ui_.confirms.push_back(true);
  ASSERT_EQ(RunCardImport(session, ui_, {card_}, options, &days), ImportRunResult::Done);
  EXPECT_EQ(days, 2u);
  EXPECT_EQ(session.Album().PictureCount(), 2u);
  EXPECT_FALSE(fs::exists(layout::WorkingAlbumPath().parent_path() / "Orrivan.rk2"));
}

TEST_F(ImportRun, UnreadableAlbumIsSetAsideBeforeTheImportSaves) {
  const std::string damaged("\x05\x00garbage", 9);
  test::WriteFile(layout::WorkingAlbumPath(), damaged);
  Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2007:03:15 10:00:00");
  ui_.confirms.push_back(true);
  EXPECT_EQ(RunCard({card_}, {}), ImportRunResult::Done);
  EXPECT_EQ(ui_.Count(FakeInteraction::Kind::Message), 2u);  // the load failure, then where it was kept
  fs::path aside = layout::WorkingAlbumPath();
  aside += ".unreadable";
  EXPECT_EQ(test::ReadFile(aside), damaged);
  EXPECT_TRUE(fs::exists(library_ / "20070315" / "ABCD0001.JPG"));
}

// A reader must not write the album: a writer may hold the home lock while `list` runs.
TEST_F(ImportRun, ReadingAnOldFormatAlbumUpgradesItInMemoryOnly) {
  auto u16 = [](uint16_t v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; };
  auto u32 = [](uint32_t v) {
    std::string s;
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
  };
  auto str = [](const std::string& t) { return std::string(1, static_cast<char>(t.size())) + t; };
  const std::string folder = layout::ToStoredPath(library_ / "20070315");
  // One day of the earliest previous format (no tag, no mail fields), no pictures.
  const std::string old = u16(1) + std::string("\xFF\xFF\x00\x00\x0A\x00", 6) + "CAlbumData" + str("old title") +
                          str(folder) + str(folder + "/INDEX.HTM") + str("1,3") + u32(10) + u32(0) + u32(0) + u16(0);
  test::WriteFile(layout::WorkingAlbumPath(), old);
  CRKCardAlbumDoc album(home_);
  album.SetGenerationRotation(false);
  ASSERT_TRUE(OpenHomeAlbum(album, ui_));
  ASSERT_EQ(album.DayCount(), 1u);
  CAlbumData day;
  ASSERT_TRUE(album.FindDay(folder, day));
  EXPECT_EQ(day.title, "old title");
  EXPECT_EQ(day.formatTag, "OR200");
  EXPECT_EQ(test::ReadFile(layout::WorkingAlbumPath()), old);
}

}  // namespace
}  // namespace orrivan
