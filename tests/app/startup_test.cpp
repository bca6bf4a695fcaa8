// Start-up and exit: the library root rule, the album comparison, the refresh of the working album,
// the open decisions with their rebuilds and saves, the generations at exit, and a library brought
// over from Windows.
#include "app/startup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "app/rebuild.h"
#include "base/settings.h"
#include "library/album_document.h"
#include "library/album_file.h"
#include "library/layout.h"
#include "support/fake_interaction.h"
#include "support/link_check.h"
#include "app/app_fixture.h"

namespace orrivan::test {
namespace {

namespace fs = std::filesystem;
using settings::Key;

class Startup : public test::AppLibrary {
 protected:
  // A library of two days, saved as working album, library copy and first generation.
  AlbumContents SmallLibrary() {
    AlbumContents contents;
    MakeDay(contents, root_, "20070315", {"A.JPG", "B.JPG"}, "spring");
    MakeDay(contents, root_, "20070401", {"C.JPG"}, "april");
    return contents;
  }
  void WriteAll(const AlbumContents& contents) {
    const std::string bytes = WriteAlbumBytes(contents);
    WriteFile(Working(), bytes);
    WriteFile(LibraryCopy(), bytes);
    WriteFile(Generation(1), bytes);
  }
  std::string Titles(const CRKCardAlbumDoc& album) const {
    std::string out;
    for (const CAlbumData& day : album.Days()) out += day.title + ";";
    return out;
  }
  FakeInteraction ui_;
};

TEST_F(Startup, OldImageLibRootIsReplacedAndOthersStay) {
  struct Case {
    std::string stored;
    bool replaced;
  };
  const Case cases[] = {
      {"/data/ImageLib", true},
      {"/data/ImageLib/", true},
      {"D:\\Old\\ImageLib", true},
      {"/data/ImageLibrary", false},
      {"/data/imagelib", false},
      {"/data/ImageLib/sub", false},
  };
  for (const Case& c : cases) {
    settings::SetString(Key::SaveFolder, c.stored);
    const fs::path root = SettleLibraryRoot();
    const std::string expected = c.replaced ? (home_ / "Image Library").string() : c.stored;
    EXPECT_EQ(root.string(), expected) << c.stored;
    EXPECT_EQ(settings::GetString(Key::SaveFolder), expected) << c.stored;
  }
}

TEST_F(Startup, AlbumComparisonCodes) {
  const fs::path a = dir_ / "a.rks", b = dir_ / "b.rks";
  EXPECT_EQ(CompareAlbums(a, b), kBothMissing);
  WriteFile(b, "12345");
  EXPECT_EQ(CompareAlbums(a, b), kWorkingMissing);
  EXPECT_EQ(CompareAlbums(b, a), kLibraryMissing);
  WriteFile(a, "1234");
  EXPECT_EQ(CompareAlbums(a, b), kAlbumsDiffer);
  WriteFile(a, "12346");
  EXPECT_EQ(CompareAlbums(a, b), kAlbumsDiffer);
  WriteFile(a, "12345");
  EXPECT_EQ(CompareAlbums(a, b), kAlbumsIdentical);
}

TEST_F(Startup, ComparisonPutsAReadOnlyModeBack) {
  const fs::path a = dir_ / "a.rks", b = dir_ / "b.rks";
  WriteFile(a, "same");
  WriteFile(b, "same");
  ASSERT_EQ(::chmod(a.c_str(), 0444), 0);
  struct stat before {};
  ASSERT_EQ(::stat(a.c_str(), &before), 0);
  EXPECT_EQ(CompareAlbums(a, b), kAlbumsIdentical);
  struct stat after {};
  ASSERT_EQ(::stat(a.c_str(), &after), 0);
  EXPECT_EQ(after.st_mode & 07777, 0444u);
  EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
}

TEST_F(Startup, LibraryCopyOneByteDifferentReplacesWorkingAlbumAndIsRebuiltAndSaved) {
  AlbumContents contents = SmallLibrary();
  WriteAll(contents);
  const std::string oldWorking = ReadFile(Working());
  // Same length, one byte apart: only the byte comparison can tell.
  contents.days[0].title = "spring";
  contents.days[1].title = "aprim";
  // The library copy also still names an old root: the rebuild must repair it.
  for (CAlbumData& day : contents.days) {
    day.folderPath = "D:\\x\\Image Library\\" + layout::LastComponent(day.folderPath);
    day.pagePath = day.folderPath + "\\INDEX.HTM";
  }
  for (CPhotoData& p : contents.pictures) p.filePath = "D:\\x\\Image Library\\" + p.filePath.substr(root_.string().size() + 1);
  WriteFile(LibraryCopy(), WriteAlbumBytes(contents));
  WriteFile(Working(), oldWorking);

  CRKCardAlbumDoc album(home_);
  StartupResult result;
  ASSERT_TRUE(RunStartup(ui_, album, result));
  EXPECT_EQ(result.compareCode, kAlbumsDiffer);
  EXPECT_TRUE(result.libraryCopyTaken);
  EXPECT_EQ(result.opened, StartupOpened::Working);
  EXPECT_TRUE(result.rebuilt);
  EXPECT_TRUE(result.rebuildOk);
  EXPECT_TRUE(result.albumWritten);
  EXPECT_EQ(Titles(album), "spring;aprim;");
  EXPECT_EQ(album.Days().begin()->folderPath, (root_ / "20070315").string());
  EXPECT_NE(album.SavedThisRun(), 0);
  // Saved with the repaired paths; the library copy follows the save.
  EXPECT_EQ(ReadFile(Working()), album.SaveBytes());
  EXPECT_EQ(ReadFile(LibraryCopy()), album.SaveBytes());
  // The replaced working album is kept as the newest generation and under a name of its own, which
  // the user is told.
  EXPECT_TRUE(result.workingKept);
  EXPECT_EQ(ReadFile(Generation(1)), oldWorking);
  EXPECT_EQ(ReadFile(Generation(2)), oldWorking);  // the old rk1 moved one down
  EXPECT_EQ(result.workingKeptAs, home_ / "Orrivan.rks.replaced");
  EXPECT_EQ(ReadFile(home_ / "Orrivan.rks.replaced"), oldWorking);
  EXPECT_EQ(ui_.Count(FakeInteraction::Kind::Message), 1u);
  // The rebuild's progress window showed the rebuild texts.
  ASSERT_FALSE(ui_.progress.empty());
  EXPECT_EQ(ui_.progress[0].caption, "再構築中");
  ASSERT_FALSE(ui_.progress[0].texts.empty());
  EXPECT_EQ(ui_.progress[0].texts[0].first, "ライブラリを再構築しています");
  EXPECT_EQ(ui_.progress[0].texts[0].second, "しばらくおまちください．．．");
}

// The message named Orrivan.rk1 while the exit rotation moved the file on to Orrivan.rk2.
TEST_F(Startup, TakeOverMessageNamesTheFileThatHoldsTheReplacedAlbumAfterTheRun) {
  AlbumContents contents = SmallLibrary();
  WriteAll(contents);
  const std::string oldWorking = ReadFile(Working());
  contents.days[0].title = "from the library";
  WriteFile(LibraryCopy(), WriteAlbumBytes(contents));
  {
    CRKCardAlbumDoc album(home_);
    StartupResult result;
    ASSERT_TRUE(RunStartup(ui_, album, result));
    ASSERT_TRUE(result.workingKept);
    ASSERT_TRUE(SaveAlbum(album, ui_));
    RunExit(album, album.SavedThisRun() != 0);
  }
  const std::vector<std::string> messages = ui_.Texts(FakeInteraction::Kind::Message);
  ASSERT_EQ(messages.size(), 1u);
  bool named = false;
  for (const auto& entry : fs::directory_iterator(home_)) {
    const std::string name = entry.path().filename().string();
    if (messages[0].find(" " + name + " ") == std::string::npos || !entry.is_regular_file()) continue;
    named = true;
    EXPECT_EQ(ReadFile(entry.path()), oldWorking) << name;
  }
  EXPECT_TRUE(named) << messages[0];
}

TEST_F(Startup, SettingsFileFromWhichNothingCanBeReadIsToldOnceAndNeverWrittenOver) {
  WriteAll(SmallLibrary());
  const std::string garbage("\x00\x01" "binary\xff\n", 10);
  WriteFile(settings::File(), garbage);
  CRKCardAlbumDoc album(home_);
  StartupResult result;
  ASSERT_TRUE(RunStartup(ui_, album, result));
  const std::vector<std::string> messages = ui_.Texts(FakeInteraction::Kind::Message);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find(settings::File().string()), std::string::npos);
  EXPECT_EQ(ReadFile(settings::File()), garbage);
}

TEST_F(Startup, MissingLibraryCopyIsWrittenAgainWhenTheLibraryRootExists) {
  AlbumContents contents = SmallLibrary();
  WriteAll(contents);
  fs::remove(LibraryCopy());
  {
    CRKCardAlbumDoc album(home_);
    StartupResult result;
    ASSERT_TRUE(RunStartup(ui_, album, result));
    EXPECT_EQ(result.compareCode, kLibraryMissing);
    EXPECT_TRUE(result.libraryCopyWritten);
  }
  EXPECT_EQ(ReadFile(LibraryCopy()), ReadFile(Working()));

  // A root that is not there (a disk not mounted) is never made for the copy.
  fs::remove_all(root_);
  CRKCardAlbumDoc album(home_);
  StartupResult result;
  ASSERT_TRUE(RunStartup(ui_, album, result));
  EXPECT_FALSE(result.libraryCopyWritten);
  EXPECT_FALSE(fs::exists(root_));
}

TEST_F(Startup, MissingWorkingAlbumTakesTheLibraryCopy) {
  AlbumContents contents = SmallLibrary();
  WriteFile(LibraryCopy(), WriteAlbumBytes(contents));
  CRKCardAlbumDoc album(home_);
  StartupResult result;
  ASSERT_TRUE(RunStartup(ui_, album, result));
  EXPECT_EQ(result.compareCode, kWorkingMissing);
  EXPECT_FALSE(result.workingKept);
  EXPECT_TRUE(result.rebuilt);
  EXPECT_EQ(album.DayCount(), 2u);
  EXPECT_EQ(ReadFile(Working()), ReadFile(LibraryCopy()));
  EXPECT_EQ(ReadFile(Generation(1)), ReadFile(Working()));
  EXPECT_EQ(ui_.Count(FakeInteraction::Kind::Message), 0u);
}

TEST_F(Startup, MissingWorkingAlbumWithReadableFirstGenerationRebuildsWithoutSaving) {
  AlbumContents contents = SmallLibrary();
  WriteFile(Generation(1), WriteAlbumBytes(contents));
  CRKCardAlbumDoc album(home_);
  StartupResult result;
  ASSERT_TRUE(RunStartup(ui_, album, result));
  EXPECT_EQ(result.compareCode, kBothMissing);
  EXPECT_EQ(result.opened, StartupOpened::FirstGeneration);
  EXPECT_TRUE(result.rebuilt);
  EXPECT_TRUE(result.albumWritten);
  EXPECT_EQ(Titles(album), "spring;april;");
  EXPECT_EQ(album.SavedThisRun(), 0);
  EXPECT_FALSE(fs::exists(Working()));
  EXPECT_FALSE(result.emptyPagesWritten);
  // The rebuild wrote the days' list page.
  EXPECT_TRUE(fs::exists(home_ / "HTML" / "2007" / "mar.htm"));
}

TEST_F(Startup, UnreadableWorkingAlbumFallsBackToFirstGeneration) {
  AlbumContents contents = SmallLibrary();
  WriteAll(contents);
  WriteFile(Working(), "not an album at all");
  WriteFile(LibraryCopy(), "not an album at all");
  CRKCardAlbumDoc album(home_);
  StartupResult result;
  ASSERT_TRUE(RunStartup(ui_, album, result));
  EXPECT_EQ(result.opened, StartupOpened::FirstGeneration);
  EXPECT_EQ(album.DayCount(), 2u);
  EXPECT_EQ(ui_.Count(FakeInteraction::Kind::Message), 2u);  // the failed open, where it was kept
  fs::path aside = Working();
  aside += ".unreadable";
  EXPECT_EQ(test::ReadFile(aside), "not an album at all");
}

TEST_F(Startup, NothingToOpenGivesAnEmptyAlbumWithBrowsablePages) {
  CRKCardAlbumDoc album(home_);
  StartupResult result;
  ASSERT_TRUE(RunStartup(ui_, album, result));
  EXPECT_EQ(result.opened, StartupOpened::New);
  EXPECT_FALSE(result.albumWritten);
  EXPECT_TRUE(result.emptyPagesWritten);
  EXPECT_EQ(album.DayCount(), 0u);
  for (const char* page : {"library_1.htm", "library_2.htm"}) {
    ASSERT_TRUE(fs::exists(home_ / page)) << page;
    const auto broken = test::CheckPageLinks(home_ / page);
    EXPECT_TRUE(broken.empty()) << test::Describe(broken);
    EXPECT_GT(test::LastCheckedLinkCount(), 0u);
  }
}

TEST_F(Startup, WelcomeCancelEndsAndAsksAgainNextTime) {
  StartupHooks hooks;
  hooks.welcome = [] { return false; };
  {
    CRKCardAlbumDoc album(home_);
    StartupResult result;
    EXPECT_FALSE(RunStartup(ui_, album, result, hooks));
    EXPECT_FALSE(result.run);
  }
  EXPECT_EQ(settings::DisplayMethodAtStartup(), 2);
  EXPECT_FALSE(fs::exists(home_ / "library_1.htm"));
  hooks.welcome = [] { return true; };
  CRKCardAlbumDoc album(home_);
  StartupResult result;
  EXPECT_TRUE(RunStartup(ui_, album, result, hooks));
  EXPECT_EQ(settings::GetInt(Key::DisplayMethod), 9);
}

TEST_F(Startup, AutoImportHooksFollowTheSettingAndTheMarker) {
  int companions = 0, logons = 0, imports = 0;
  StartupHooks hooks;
  hooks.startCompanion = [&] { ++companions; };
  hooks.ensureLogonEntry = [&] { ++logons; };
  hooks.autoImport = [&](const fs::path&) { ++imports; return false; };
  settings::SetInt(Key::AutoTakeIn, 1);
  WriteFile(home_ / "Orrivan.tmp", "");
  {
    CRKCardAlbumDoc album(home_);
    StartupResult result;
    EXPECT_TRUE(RunStartup(ui_, album, result, hooks));
    EXPECT_EQ(companions + logons + imports, 0);
  }
  settings::SetInt(Key::AutoTakeIn, 0);
  {
    // A failed marker-driven import ends the program.
    CRKCardAlbumDoc album(home_);
    StartupResult result;
    EXPECT_FALSE(RunStartup(ui_, album, result, hooks));
    EXPECT_EQ(imports, 1);
    EXPECT_EQ(companions, 0);
  }
  fs::remove(home_ / "Orrivan.tmp");
  CRKCardAlbumDoc album(home_);
  StartupResult result;
  EXPECT_TRUE(RunStartup(ui_, album, result, hooks));
  EXPECT_EQ(companions, 1);
  EXPECT_EQ(logons, 1);
}

TEST_F(Startup, QuittingWithoutASaveLeavesGenerationsAndLibraryCopyUntouched) {
  AlbumContents contents = SmallLibrary();
  WriteAll(contents);
  for (int n = 2; n <= 5; ++n) WriteFile(Generation(n), "generation " + std::to_string(n));
  {
    CRKCardAlbumDoc album(home_);
    StartupResult result;
    ASSERT_TRUE(RunStartup(ui_, album, result));
    EXPECT_EQ(result.compareCode, kAlbumsIdentical);
    EXPECT_FALSE(result.rebuilt);
    EXPECT_EQ(album.SavedThisRun(), 0);
    RunExit(album, album.SavedThisRun() != 0);
  }
  for (int n = 2; n <= 5; ++n) EXPECT_EQ(ReadFile(Generation(n)), "generation " + std::to_string(n));
  EXPECT_EQ(ReadFile(LibraryCopy()), ReadFile(Working()));
  EXPECT_EQ(ReadFile(Generation(1)), ReadFile(Working()));
}

TEST_F(Startup, ExitAfterASaveRotatesTheGenerations) {
  AlbumContents contents = SmallLibrary();
  WriteAll(contents);
  const std::string before = ReadFile(Working());
  for (int n = 2; n <= 5; ++n) WriteFile(Generation(n), "generation " + std::to_string(n));
  {
    CRKCardAlbumDoc album(home_);
    StartupResult result;
    ASSERT_TRUE(RunStartup(ui_, album, result));
    CAlbumData day = *album.Days().begin();
    day.title = "changed";
    album.EditDay(album.Days().begin().position()) = day;
    ASSERT_TRUE(SaveAlbum(album, ui_));
    RunExit(album, album.SavedThisRun() != 0);
  }
  EXPECT_NE(ReadFile(Working()), before);
  EXPECT_EQ(ReadFile(Generation(1)), ReadFile(Working()));
  EXPECT_EQ(ReadFile(Generation(2)), before);
  EXPECT_EQ(ReadFile(Generation(3)), "generation 2");
  EXPECT_EQ(ReadFile(Generation(5)), "generation 4");
  EXPECT_EQ(ReadFile(LibraryCopy()), ReadFile(Working()));
}

TEST_F(Startup, CrashBetweenASaveAndTheExitLosesNothing) {
  AlbumContents contents = SmallLibrary();
  WriteAll(contents);
  {
    CRKCardAlbumDoc album(home_);
    StartupResult result;
    ASSERT_TRUE(RunStartup(ui_, album, result));
    album.AddDay(Day((root_ / "20070501").string(), "saved before the crash", 0));
    ASSERT_TRUE(SaveAlbum(album, ui_));
    // The process dies here: no RunExit, no rotation.
  }
  CRKCardAlbumDoc album(home_);
  StartupResult result;
  ASSERT_TRUE(RunStartup(ui_, album, result));
  EXPECT_EQ(result.compareCode, kAlbumsIdentical);
  EXPECT_EQ(album.DayCount(), 3u);
  EXPECT_EQ(Titles(album), "spring;april;saved before the crash;");
}

TEST_F(Startup, StaleLibraryCopyStillLeavesTheNewerAlbumAsFirstGeneration) {
  AlbumContents contents = SmallLibrary();
  WriteAll(contents);
  const std::string older = ReadFile(LibraryCopy());
  std::string newer;
  {
    CRKCardAlbumDoc album(home_);
    StartupResult result;
    ASSERT_TRUE(RunStartup(ui_, album, result));
    album.AddDay(Day((root_ / "20070501").string(), "newer", 0));
    ASSERT_TRUE(SaveAlbum(album, ui_));
    newer = ReadFile(Working());
  }
  // As if the library copy could not be refreshed (its disk was away).
  WriteFile(LibraryCopy(), older);
  CRKCardAlbumDoc album(home_);
  StartupResult result;
  ASSERT_TRUE(RunStartup(ui_, album, result));
  EXPECT_EQ(result.compareCode, kAlbumsDiffer);
  EXPECT_EQ(album.DayCount(), 2u);
  EXPECT_EQ(ReadFile(Generation(1)), newer);
  EXPECT_EQ(ui_.Count(FakeInteraction::Kind::Message), 1u);
}

// An album written on Windows: backslashes, a drive letter, a Japanese title.
TEST_F(Startup, WindowsAlbumOpensIsRepairedAndItsPagesLinkToTheLocalFiles) {
  const fs::path plugin = test::BuiltTemplatesPlugin();
  if (plugin.empty()) GTEST_SKIP() << "the templates plug-in is not built in this tree";
  AlbumContents local;
  MakeDay(local, root_, "20070315", {"ABCD0001.JPG", "ABCD0002.JPG"});
  AlbumContents windows;
  const std::string winRoot = "C:\\Program Files\\Orrivan\\Image Library\\";
  CAlbumData day = Day(winRoot + "20070315", "お花見", 2);
  day.pagePath = winRoot + "20070315\\INDEX.HTM";
  day.templateName = "タイプ２,ﾌﾞﾙｰ/ﾎﾜｲﾄ";
  windows.days.push_back(day);
  windows.pictures.push_back(Picture(winRoot + "20070315\\ABCD0001.JPG", "20070315120000"));
  windows.pictures.push_back(Picture(winRoot + "20070315\\ABCD0002.JPG", "20070315120100"));
  // Brought over with the library folder: the library copy is the Windows album.
  WriteFile(LibraryCopy(), WriteAlbumBytes(windows));

  CRKCardAlbumDoc album(home_);
  StartupResult result;
  ASSERT_TRUE(RunStartup(ui_, album, result));
  ASSERT_TRUE(result.rebuildOk);
  EXPECT_TRUE(result.templateChosen);
  const CAlbumData& opened = *album.Days().begin();
  EXPECT_EQ(opened.title, "お花見");
  EXPECT_EQ(opened.folderPath, (root_ / "20070315").string());
  EXPECT_EQ(opened.pagePath, (root_ / "20070315" / "INDEX.HTM").string());
  EXPECT_EQ(album.Pictures().begin()->filePath, (root_ / "20070315" / "ABCD0001.JPG").string());
  // The saved album holds no backslash any more.
  EXPECT_EQ(ReadFile(Working()).find('\\'), std::string::npos);

  const fs::path dayPage = root_ / "20070315" / "INDEX.HTM";
  ASSERT_TRUE(fs::exists(dayPage));
  auto broken = test::CheckPageLinks(dayPage);
  EXPECT_TRUE(broken.empty()) << test::Describe(broken);
  EXPECT_GT(test::LastCheckedLinkCount(), 0u);
  broken = test::CheckLinksUnder(home_ / "HTML");
  EXPECT_TRUE(broken.empty()) << test::Describe(broken);
  EXPECT_GT(test::LastCheckedLinkCount(), 0u);
  for (const char* page : {"library_1.htm", "library_2.htm"}) {
    broken = test::CheckPageLinks(home_ / page);
    EXPECT_TRUE(broken.empty()) << test::Describe(broken);
  }
  // The month list page names the local day page.
  const std::string listPage = ReadFile(home_ / "HTML" / "2007" / "mar.htm");
  EXPECT_NE(listPage.find("20070315/INDEX.HTM"), std::string::npos);
  EXPECT_EQ(listPage.find("Program Files"), std::string::npos);
}

}  // namespace
}  // namespace orrivan::test
