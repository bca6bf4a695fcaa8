// Library relocation: where the library lands, which days stay, what a cancel or a failure puts
// back, and the adoption of an album found by an empty library.
#include "app/relocation.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <cstdint>
#include <memory>

#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "app/startup.h"
#include "base/settings.h"
#include "library/album_document.h"
#include "library/album_file.h"
#include "library/layout.h"
#include "support/fake_interaction.h"
#include "app/app_fixture.h"

namespace orrivan::test {
namespace {

namespace fs = std::filesystem;
using settings::Key;

// Every file below a folder with its bytes, by path relative to the folder.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> files;
  std::error_code ec;
  if (!fs::exists(folder, ec)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string rel = fs::relative(entry.path(), folder).string();
    files[rel] = entry.is_directory() ? std::string("<dir>") : ReadFile(entry.path());
  }
  return files;
}

// Names of the files that differ between two snapshots (missing, extra or changed).
std::set<std::string> Differences(const std::map<std::string, std::string>& a,
                                  const std::map<std::string, std::string>& b) {
  std::set<std::string> out;
  for (const auto& [name, bytes] : a) {
    auto it = b.find(name);
    if (it == b.end() || it->second != bytes) out.insert(name);
  }
  for (const auto& [name, bytes] : b)
    if (!a.count(name)) out.insert(name);
  return out;
}

class Relocation : public test::AppLibrary {
 protected:
  void SetUp() override {
    AppLibrary::SetUp();
    settings::SetString(Key::SaveFolder, root_.string());
  }

  // Two days and a file in the root, opened through the start-up.
  void OpenLibrary(CRKCardAlbumDoc& album) {
    AlbumContents contents;
    MakeDay(contents, root_, "20070315", {"A.JPG", "B.AVI"}, "spring");
    MakeDay(contents, root_, "20070401_01", {"C.JPG"}, "dated");
    WriteFile(root_ / "20070401_01" / "sub" / "note.txt", "note");
    WriteFile(root_ / "readme.txt", "root file");
    const std::string bytes = WriteAlbumBytes(contents);
    WriteFile(Working(), bytes);
    WriteFile(LibraryCopy(), bytes);
    StartupResult result;
    ASSERT_TRUE(RunStartup(ui_, album, result));
  }

  std::string Paths(const CRKCardAlbumDoc& album) const {
    std::string out;
    for (const CAlbumData& day : album.Days()) out += day.folderPath + "|" + day.pagePath + ";";
    for (const CPhotoData& picture : album.Pictures()) out += picture.filePath + ";";
    return out;
  }

  FakeInteraction ui_;
};

TEST(RelocationTarget, ImageLibraryIsAddedUnlessNamed) {
  EXPECT_EQ(RelocationTarget("/x/Photos"), fs::path("/x/Photos/Image Library"));
  EXPECT_EQ(RelocationTarget("/x/Photos/"), fs::path("/x/Photos/Image Library"));
  EXPECT_EQ(RelocationTarget("/x/Image Library"), fs::path("/x/Image Library"));
  EXPECT_EQ(RelocationTarget("/x/image library"), fs::path("/x/image library/Image Library"));
}

TEST_F(Relocation, ToPhotosLandsInPhotosImageLibrary) {
  CRKCardAlbumDoc album(home_);
  OpenLibrary(album);
  const fs::path photos = dir_ / "Photos";
  const fs::path newRoot = photos / "Image Library";
  ASSERT_EQ(RelocateLibrary(ui_, album, photos), RelocateResult::Relocated);
  EXPECT_EQ(settings::GetString(Key::SaveFolder), newRoot.string());
  // Every file of every day moved, whatever the folder's name; the root file too.
  for (const char* file : {"20070315/A.JPG", "20070315/B.AVI", "20070315/PREVIEW/A.JPG", "20070401_01/C.JPG",
                           "20070401_01/PREVIEW/C.JPG", "20070401_01/sub/note.txt", "readme.txt"}) {
    EXPECT_TRUE(fs::exists(newRoot / file)) << file;
  }
  // The old tree is gone, and its files went to this test's Trash, not away for good.
  EXPECT_FALSE(fs::exists(root_));
  // Records, saved album and library copy name the new root.
  EXPECT_EQ(album.Days().begin()->folderPath, (newRoot / "20070315").string());
  EXPECT_EQ(album.Days().begin()->pagePath, (newRoot / "20070315" / "INDEX.HTM").string());
  for (const CPhotoData& picture : album.Pictures())
    EXPECT_TRUE(picture.filePath.starts_with(newRoot.string() + "/")) << picture.filePath;
  EXPECT_EQ(ReadFile(Working()), album.SaveBytes());
  EXPECT_EQ(ReadFile(newRoot / "Orrivan.rks"), album.SaveBytes());
  // The list pages were written again for the new place.
  EXPECT_NE(ReadFile(home_ / "HTML" / "2007" / "mar.htm").find(newRoot.filename().string()), std::string::npos);
}

TEST_F(Relocation, ChoosingTheCurrentFolderDoesNothing) {
  CRKCardAlbumDoc album(home_);
  OpenLibrary(album);
  const auto before = Snapshot(dir_.path());
  EXPECT_EQ(RelocateLibrary(ui_, album, root_.string() + "/"), RelocateResult::Unchanged);
  // The folder that holds the root names the same root.
  EXPECT_EQ(RelocateLibrary(ui_, album, home_), RelocateResult::Unchanged);
  EXPECT_EQ(Differences(Snapshot(dir_.path()), before), std::set<std::string>{});
}

TEST_F(Relocation, OverlappingTargetsAreRefused) {
  CRKCardAlbumDoc album(home_);
  OpenLibrary(album);
  const std::string paths = Paths(album);
  const auto before = Snapshot(root_);
  for (const fs::path& chosen : {root_ / "inner", root_ / "20070315", dir_.path() / "home" / "Image Library" / "x"}) {
    EXPECT_EQ(RelocateLibrary(ui_, album, chosen), RelocateResult::Refused) << chosen;
  }
  EXPECT_EQ(Differences(Snapshot(root_), before), std::set<std::string>{});
  EXPECT_EQ(Paths(album), paths);
  EXPECT_EQ(settings::GetString(Key::SaveFolder), root_.string());
  EXPECT_EQ(ui_.Count(FakeInteraction::Kind::Message), 3u);
}

TEST_F(Relocation, DayAlreadyUnderTheNewRootStays) {
  const fs::path newRoot = dir_ / "Photos" / "Image Library";
  AlbumContents contents;
  MakeDay(contents, root_, "20070315", {"A.JPG"});
  MakeDay(contents, newRoot, "20070401", {"C.JPG"});
  const std::string bytes = WriteAlbumBytes(contents);
  WriteFile(Working(), bytes);
  WriteFile(LibraryCopy(), bytes);
  CRKCardAlbumDoc album(home_);
  ASSERT_TRUE(album.OnOpenDocument(Working()));
  album.SetGenerationRotation(false);
  ASSERT_EQ(RelocateLibrary(ui_, album, dir_ / "Photos"), RelocateResult::Relocated);
  EXPECT_TRUE(fs::exists(newRoot / "20070401" / "C.JPG"));
  EXPECT_TRUE(fs::exists(newRoot / "20070315" / "A.JPG"));
  EXPECT_TRUE(album.FindDayPosition((newRoot / "20070401").string()).has_value());
  EXPECT_TRUE(album.FindPicturePosition((newRoot / "20070401" / "C.JPG").string()).has_value());
  // Only the moved day counted as work.
  ASSERT_FALSE(ui_.progress.empty());
  EXPECT_EQ(ui_.progress[0].ranges.front(), 3);  // A.JPG, its preview and the root's album copy
}

TEST_F(Relocation, CancelInTheMiddlePutsEverythingBack) {
  CRKCardAlbumDoc album(home_);
  OpenLibrary(album);
  const auto filesBefore = Snapshot(root_);
  const std::string paths = Paths(album);
  const std::string albumBytes = ReadFile(Working());
  ui_.cancelAfter = ui_.positionCalls + 5;  // within the second day
  EXPECT_EQ(RelocateLibrary(ui_, album, dir_ / "Photos"), RelocateResult::Cancelled);
  EXPECT_EQ(Differences(Snapshot(root_), filesBefore), std::set<std::string>{});
  EXPECT_EQ(Paths(album), paths);
  EXPECT_EQ(settings::GetString(Key::SaveFolder), root_.string());
  EXPECT_EQ(ReadFile(Working()), albumBytes);
  // The folders made for the move are gone again.
  EXPECT_FALSE(fs::exists(dir_ / "Photos"));
  EXPECT_EQ(ui_.Count(FakeInteraction::Kind::Message), 0u);
}

TEST_F(Relocation, FailingMovePutsEverythingBackAfterTheMessage) {
  CRKCardAlbumDoc album(home_);
  OpenLibrary(album);
  const fs::path newRoot = dir_ / "Photos" / "Image Library";
  // A file of the same name waits at the target of the last root file: placing never replaces.
  WriteFile(newRoot / "readme.txt", "someone else's");
  const auto filesBefore = Snapshot(root_);
  const std::string paths = Paths(album);
  EXPECT_EQ(RelocateLibrary(ui_, album, dir_ / "Photos"), RelocateResult::Failed);
  EXPECT_EQ(Differences(Snapshot(root_), filesBefore), std::set<std::string>{});
  EXPECT_EQ(Paths(album), paths);
  EXPECT_EQ(settings::GetString(Key::SaveFolder), root_.string());
  EXPECT_EQ(ReadFile(newRoot / "readme.txt"), "someone else's");
  EXPECT_FALSE(fs::exists(newRoot / "20070315"));
  ASSERT_EQ(ui_.Count(FakeInteraction::Kind::Message), 1u);
  EXPECT_EQ(ui_.Texts(FakeInteraction::Kind::Message)[0], "ﾗｲﾌﾞﾗﾘを書き込み中にｴﾗｰが発生しました\n処理を中止します");
}

TEST_F(Relocation, EmptyAlbumAdoptsTheAlbumItFinds) {
  CRKCardAlbumDoc album(home_);
  StartupResult started;
  ASSERT_TRUE(RunStartup(ui_, album, started));
  ASSERT_EQ(album.DayCount(), 0u);
  // An album at the target that still names the root it was made in.
  const fs::path newRoot = dir_ / "Found" / "Image Library";
  AlbumContents found;
  MakeDay(found, newRoot, "20070315", {"A.JPG"}, "found");
  for (CAlbumData& day : found.days) {
    day.folderPath = "/media/old/ImageLib/20070315";
    day.pagePath = day.folderPath + "/INDEX.HTM";
  }
  found.pictures[0].filePath = "/media/old/ImageLib/20070315/A.JPG";
  WriteFile(newRoot / "Orrivan.rks", WriteAlbumBytes(found));

  ASSERT_EQ(RelocateLibrary(ui_, album, dir_ / "Found"), RelocateResult::Adopted);
  EXPECT_EQ(settings::GetString(Key::SaveFolder), newRoot.string());
  ASSERT_EQ(album.DayCount(), 1u);
  EXPECT_EQ(album.Days().begin()->title, "found");
  EXPECT_EQ(album.Days().begin()->folderPath, (newRoot / "20070315").string());
  EXPECT_EQ(album.Pictures().begin()->filePath, (newRoot / "20070315" / "A.JPG").string());
  // It became the working album.
  EXPECT_EQ(ReadFile(Working()), album.SaveBytes());
}

TEST_F(Relocation, EmptyAlbumWithoutAnAlbumThereOnlyChangesTheRoot) {
  CRKCardAlbumDoc album(home_);
  album.SetGenerationRotation(false);
  ASSERT_EQ(RelocateLibrary(ui_, album, dir_ / "Elsewhere"), RelocateResult::RootChanged);
  EXPECT_EQ(settings::GetString(Key::SaveFolder), (dir_ / "Elsewhere" / "Image Library").string());
  EXPECT_TRUE(fs::is_directory(dir_ / "Elsewhere" / "Image Library"));
}

TEST_F(Relocation, AlbumWaitingAtTheTargetStopsTheRunInsteadOfBeingOverwritten) {
  CRKCardAlbumDoc album(home_);
  OpenLibrary(album);
  const fs::path newRoot = dir_ / "Photos" / "Image Library";
  WriteFile(newRoot / "Orrivan.rks", "another library's album");
  const auto filesBefore = Snapshot(root_);
  EXPECT_EQ(RelocateLibrary(ui_, album, dir_ / "Photos"), RelocateResult::Failed);
  EXPECT_EQ(ReadFile(newRoot / "Orrivan.rks"), "another library's album");
  EXPECT_EQ(Differences(Snapshot(root_), filesBefore), std::set<std::string>{});
  EXPECT_EQ(settings::GetString(Key::SaveFolder), root_.string());
}

// /dev/shm is another file system: files are copied, and their sources go only after the save.
class RelocationAcrossFileSystems : public Relocation {
 protected:
  void SetUp() override {
    Relocation::SetUp();
    struct stat a {}, b {};
    if (::stat("/dev/shm", &a) != 0 || ::stat(dir_.path().c_str(), &b) != 0 || a.st_dev == b.st_dev)
      GTEST_SKIP() << "no second file system at /dev/shm";
    other_ = std::make_unique<test::TempDir>("/dev/shm/orrivan-reloc");
  }
  std::unique_ptr<test::TempDir> other_;
};

TEST_F(RelocationAcrossFileSystems, MovesEveryFileAndLeavesNoSourceBehind) {
  CRKCardAlbumDoc album(home_);
  OpenLibrary(album);
  const auto filesBefore = Snapshot(root_);
  const fs::path newRoot = other_->path() / "Image Library";
  ASSERT_EQ(RelocateLibrary(ui_, album, other_->path()), RelocateResult::Relocated);
  auto filesAfter = Snapshot(newRoot);
  // The album copy was rewritten by the save and the day pages were written for the new place;
  // everything else arrived as it was.
  EXPECT_EQ(filesAfter.erase("Orrivan.rks"), 1u);
  EXPECT_EQ(filesAfter.erase("20070315/INDEX.HTM"), 1u);
  EXPECT_EQ(filesAfter.erase("20070401_01/INDEX.HTM"), 1u);
  auto expected = filesBefore;
  expected.erase("Orrivan.rks");
  EXPECT_EQ(Differences(filesAfter, expected), std::set<std::string>{});
  EXPECT_FALSE(fs::exists(root_));
  EXPECT_EQ(ReadFile(newRoot / "Orrivan.rks"), album.SaveBytes());
}

// A shortcut library's links arrive as links (never as copies of the user's originals), one whose
// original is gone among them.
TEST_F(RelocationAcrossFileSystems, ShortcutsArriveAsTheLinksTheyAre) {
  CRKCardAlbumDoc album(home_);
  OpenLibrary(album);
  const fs::path original = dir_ / "original.JPG";
  WriteFile(original, "the user's own");
  fs::create_symlink(original, root_ / "20070315" / "D.JPG.lnk");
  fs::create_symlink(dir_ / "gone.JPG", root_ / "20070315" / "E.JPG.lnk");
  const fs::path newRoot = other_->path() / "Image Library";
  ASSERT_EQ(RelocateLibrary(ui_, album, other_->path()), RelocateResult::Relocated);
  EXPECT_EQ(fs::read_symlink(newRoot / "20070315" / "D.JPG.lnk"), original);
  EXPECT_EQ(fs::read_symlink(newRoot / "20070315" / "E.JPG.lnk"), dir_ / "gone.JPG");
  EXPECT_EQ(ReadFile(original), "the user's own");
  EXPECT_FALSE(fs::exists(root_));
  EXPECT_TRUE(ui_.Texts(FakeInteraction::Kind::Message).empty());
}

TEST_F(RelocationAcrossFileSystems, CancelRemovesTheCopiesAndKeepsTheSources) {
  CRKCardAlbumDoc album(home_);
  OpenLibrary(album);
  const auto filesBefore = Snapshot(root_);
  const std::string paths = Paths(album);
  ui_.cancelAfter = ui_.positionCalls + 6;
  EXPECT_EQ(RelocateLibrary(ui_, album, other_->path()), RelocateResult::Cancelled);
  EXPECT_EQ(Differences(Snapshot(root_), filesBefore), std::set<std::string>{});
  EXPECT_EQ(Paths(album), paths);
  EXPECT_FALSE(fs::exists(other_->path() / "Image Library"));
}

TEST_F(Relocation, FreeSpaceMattersOnlyAcrossFileSystems) {
  EXPECT_TRUE(HasRoomFor(dir_ / "Photos" / "Image Library", root_, INT64_MAX));
  EXPECT_TRUE(HasRoomFor(dir_ / "Photos" / "Image Library", root_, 0));
  struct stat a {}, b {};
  if (::stat("/dev/shm", &a) == 0 && ::stat(root_.c_str(), &b) == 0 && a.st_dev != b.st_dev) {
    EXPECT_FALSE(HasRoomFor("/dev/shm/orrivan-none/Image Library", root_, INT64_MAX));
    EXPECT_TRUE(HasRoomFor("/dev/shm/orrivan-none/Image Library", root_, 1));
  }
}

TEST_F(Relocation, FreeSpaceFigureComesFromTheProbeAcrossFileSystems) {
  struct stat a {}, b {};
  if (::stat("/dev/shm", &a) != 0 || ::stat(root_.c_str(), &b) != 0 || a.st_dev == b.st_dev)
    GTEST_SKIP() << "/dev/shm is not another file system here";
  fs::path asked;
  SetFreeSpaceProbeForTesting([&](const fs::path& folder) -> std::optional<int64_t> {
    asked = folder;
    return 4096;
  });
  EXPECT_EQ(FreeSpaceAt("/dev/shm/orrivan-none/Image Library"), 4096);
  EXPECT_EQ(asked, fs::path("/dev/shm"));  // the nearest folder that exists
  EXPECT_TRUE(HasRoomFor("/dev/shm/orrivan-none/Image Library", root_, 4096));
  EXPECT_FALSE(HasRoomFor("/dev/shm/orrivan-none/Image Library", root_, 4097));
  // Within one file system nothing is copied, so no figure is needed.
  EXPECT_TRUE(HasRoomFor(dir_ / "Photos" / "Image Library", root_, INT64_MAX));
  SetFreeSpaceProbeForTesting([](const fs::path&) { return std::optional<int64_t>(); });
  EXPECT_FALSE(HasRoomFor("/dev/shm/orrivan-none/Image Library", root_, 1));
  SetFreeSpaceProbeForTesting({});
  EXPECT_GT(FreeSpaceAt("/dev/shm").value_or(0), 0);
}

}  // namespace
}  // namespace orrivan::test
