// Placing single files and walking whole trees: nothing is ever replaced, a move across file systems
// keeps its source until it is committed, the Trash is used for deletion, and undo puts things back.
#include "import/folder_ops.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "import/import_fixture.h"
#include "library/album_document.h"
#include "library/layout.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;

class FolderOps : public test::ImportFixture {
 protected:
  fs::path ShmFolder() {
    const fs::path folder = fs::path("/dev/shm") / ("orrivan-ops-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    shm_ = folder;
    return folder;
  }
  void TearDown() override {
    if (!shm_.empty()) fs::remove_all(shm_);
    test::ImportFixture::TearDown();
  }
  fs::path shm_;
  CFolderOps ops_;
};

TEST_F(FolderOps, PlacementNeverReplacesAnExistingTarget) {
  for (int mode : {kTransferMove, kTransferCopy, kTransferShortcut}) {
    const fs::path source = dir_ / ("a" + std::to_string(mode));
    fs::path target = dir_ / ("b" + std::to_string(mode));
    test::WriteFile(source, "new");
    test::WriteFile(mode == kTransferShortcut ? ShortcutPath(target) : target, "old");
    EXPECT_FALSE(ops_.PlaceFile(source, target, mode)) << mode;
    EXPECT_EQ(test::ReadFile(source), "new");
    EXPECT_EQ(test::ReadFile(mode == kTransferShortcut ? ShortcutPath(target) : target), "old");
  }
  EXPECT_TRUE(ops_.Records().placedFiles.empty());
  // No temporary file is left behind by the refused copy.
  for (const auto& entry : fs::directory_iterator(dir_.path()))
    EXPECT_EQ(entry.path().filename().string().find(".orrivan-"), std::string::npos) << entry.path();
}

TEST_F(FolderOps, CopyKeepsBytesAndModificationTimeAndIsRecorded) {
  const fs::path source = dir_ / "src.JPG";
  test::WriteFile(source, std::string(300000, 'x') + "end");
  test::SetModified(source, test::LocalTime(2004, 4, 4, 4, 4, 4));
  const fs::path target = dir_ / "lib" / "dst.JPG";
  fs::create_directories(target.parent_path());
  ASSERT_TRUE(ops_.PlaceFile(source, target, kTransferCopy));
  EXPECT_EQ(test::ReadFile(target), test::ReadFile(source));
  EXPECT_EQ(fs::last_write_time(target), fs::last_write_time(source));
  ASSERT_EQ(ops_.Records().placedFiles.size(), 1u);
  EXPECT_EQ(ops_.Records().placedFiles[0].newPath, target);
  EXPECT_TRUE(ops_.PlaceFile(source, source, kTransferCopy));  // the same path: nothing to do
  EXPECT_EQ(ops_.Records().placedFiles.size(), 1u);
}

TEST_F(FolderOps, ShortcutIsASymbolicLinkToTheAbsoluteSource) {
  const fs::path source = dir_ / "card" / "A.JPG";
  test::WriteFile(source, "picture");
  ASSERT_TRUE(ops_.PlaceFile(source, dir_ / "A.JPG", kTransferShortcut));
  const fs::path link = dir_ / "A.JPG.lnk";
  ASSERT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(fs::read_symlink(link), source);
  EXPECT_FALSE(fs::exists(dir_ / "A.JPG"));
}

TEST_F(FolderOps, MoveWithinOneFileSystemKeepsTheCardNameUntilCommitted) {
  const fs::path source = dir_ / "card" / "A.JPG";
  test::WriteFile(source, "picture");
  test::WriteFile(dir_ / "card" / "B.JPG", "second");
  fs::create_directories(dir_ / "lib");
  ASSERT_TRUE(ops_.PlaceFile(source, dir_ / "lib" / "A.JPG", kTransferMove));
  EXPECT_EQ(test::ReadFile(source), "picture");
  EXPECT_EQ(test::ReadFile(dir_ / "lib" / "A.JPG"), "picture");
  // The library file is rewritten (as turning it upright does): the card's file keeps its bytes.
  test::WriteFile(dir_ / "lib" / "A.tmp", "turned");
  fs::rename(dir_ / "lib" / "A.tmp", dir_ / "lib" / "A.JPG");
  EXPECT_EQ(test::ReadFile(source), "picture");
  CRKCardAlbumDoc album(home_);
  album.SetGenerationRotation(false);
  ops_.UndoRun(kTransferMove, album, false);
  EXPECT_EQ(test::ReadFile(source), "picture");
  EXPECT_FALSE(fs::exists(dir_ / "lib" / "A.JPG"));

  CFolderOps committed;
  ASSERT_TRUE(committed.PlaceFile(dir_ / "card" / "B.JPG", dir_ / "lib" / "B.JPG", kTransferMove));
  ASSERT_TRUE(committed.CommitMoves());
  EXPECT_FALSE(fs::exists(dir_ / "card" / "B.JPG"));
  EXPECT_EQ(test::ReadFile(dir_ / "lib" / "B.JPG"), "second");
}

TEST_F(FolderOps, MoveAcrossFileSystemsKeepsTheSourceUntilCommitted) {
  if (!fs::is_directory("/dev/shm")) GTEST_SKIP() << "no /dev/shm";
  const fs::path card = ShmFolder();
  const fs::path a = card / "A.JPG", b = card / "B.JPG";
  test::WriteFile(a, std::string(2 << 20, 'a'));
  test::WriteFile(b, "bbb");
  fs::create_directories(dir_ / "lib");
  ASSERT_TRUE(ops_.PlaceFile(a, dir_ / "lib" / "A.JPG", kTransferMove));
  ASSERT_TRUE(ops_.PlaceFile(b, dir_ / "lib" / "B.JPG", kTransferMove));
  EXPECT_TRUE(fs::exists(a));
  EXPECT_EQ(test::ReadFile(dir_ / "lib" / "A.JPG"), test::ReadFile(a));
  EXPECT_EQ(ops_.Records().placedFiles.at(0).how, PlacedFile::How::CopiedForMove);

  // A cancelled run deletes only its copies.
  CFolderOps cancelled;
  ASSERT_TRUE(cancelled.PlaceFile(b, dir_ / "lib" / "B2.JPG", kTransferMove));
  CRKCardAlbumDoc album(home_);
  album.SetGenerationRotation(false);
  cancelled.UndoRun(kTransferMove, album, false);
  EXPECT_FALSE(fs::exists(dir_ / "lib" / "B2.JPG"));
  EXPECT_EQ(test::ReadFile(b), "bbb");

  ASSERT_TRUE(ops_.CommitMoves());
  EXPECT_FALSE(fs::exists(a));
  EXPECT_FALSE(fs::exists(b));
  EXPECT_EQ(test::ReadFile(dir_ / "lib" / "B.JPG"), "bbb");
}

TEST_F(FolderOps, DeletedFilesGoToTheTrashEvenWhenReadOnly) {
  const fs::path day = library_ / "20070315";
  test::WriteFile(day / "A.JPG", "a");
  test::WriteFile(day / "PREVIEW" / "A.JPG", "p");
  ::chmod((day / "A.JPG").c_str(), 0444);
  ::chmod((day / "PREVIEW" / "A.JPG").c_str(), 0444);
  const fs::path outside = dir_ / "original.JPG";
  test::WriteFile(outside, "keep me");
  ::chmod(outside.c_str(), 0444);
  fs::create_symlink(outside, day / "B.JPG.lnk");

  EXPECT_EQ(ops_.DeleteSubfolders(day), 1);
  EXPECT_EQ(ops_.DeleteFiles(day), 1);
  EXPECT_TRUE(fs::is_empty(day));
  const fs::path trash = dir_ / "xdg" / "Trash" / "files";
  EXPECT_TRUE(fs::exists(trash / "A.JPG"));
  EXPECT_TRUE(fs::exists(fs::symlink_status(trash / "B.JPG.lnk")));
  // The link was trashed as a link: the user's original and its mode are untouched.
  EXPECT_EQ(test::ReadFile(outside), "keep me");
  EXPECT_EQ(fs::status(outside).permissions() & fs::perms::owner_write, fs::perms::none);
}

TEST_F(FolderOps, CopyTreeRecordsFoldersAndUndoRemovesThemNewestFirst) {
  test::WriteFile(dir_ / "from" / "x" / "1.JPG", "1");
  test::WriteFile(dir_ / "from" / "x" / "y" / "2.JPG", "2");
  test::WriteFile(dir_ / "from" / "z" / "3.JPG", "3");
  fs::create_directories(dir_ / "to");
  int64_t bytes = 0;
  ASSERT_EQ(ops_.CopySubfolders(dir_ / "from", dir_ / "to", bytes, kTransferCopy, nullptr), 1);
  EXPECT_EQ(bytes, 3);
  EXPECT_EQ(test::TreeOf(dir_ / "to"), test::TreeOf(dir_ / "from"));
  EXPECT_EQ(ops_.Records().createdFolders,
            (std::vector<fs::path>{dir_ / "to" / "x", dir_ / "to" / "x" / "y", dir_ / "to" / "z"}));
  CRKCardAlbumDoc album(home_);
  album.SetGenerationRotation(false);
  ops_.UndoRun(kTransferCopy, album, false);
  EXPECT_TRUE(fs::is_empty(dir_ / "to"));
  EXPECT_EQ(test::TreeOf(dir_ / "from").size(), 3u);
}

// A progress window that records the steps and reports cancel from a given step on.
class StepProgress : public Progress {
 public:
  explicit StepProgress(int64_t cancelAt = 0) : cancelAt_(cancelAt) {}
  void SetText(const std::string&, const std::string&) override {}
  void SetRange(int64_t) override {}
  void SetPosition(int64_t position) override { positions.push_back(position); }
  bool Cancelled() const override { return cancelAt_ > 0 && !positions.empty() && positions.back() >= cancelAt_; }
  std::vector<int64_t> positions;

 private:
  int64_t cancelAt_;
};

TEST_F(FolderOps, CopyTreePlacesLinksAsLinksStepsEachFileAndStopsAtCancel) {
  const fs::path from = dir_ / "from";
  test::WriteFile(from / "A.JPG", "aa");
  test::WriteFile(from / "sub" / "C.JPG", "c");
  const fs::path original = dir_ / "original.JPG";
  test::WriteFile(original, "the user's own");
  fs::create_symlink(original, from / "B.JPG.lnk");
  // A pipe is never opened (a copy would wait on it for ever) and never counted.
  ASSERT_EQ(::mkfifo((from / "pipe").c_str(), 0644), 0);
  EXPECT_EQ(CountTreeFiles(from), 3);
  EXPECT_EQ(CountFolderFiles(from), 2);

  // Two runs share one window: the second steps on from where the first stopped.
  StepProgress progress;
  ops_.SetProgressPosition(5);
  int64_t bytes = 0;
  ASSERT_EQ(ops_.CopyTree(from, dir_ / "to", bytes, kTransferCopy, &progress), 1);
  EXPECT_EQ(progress.positions, (std::vector<int64_t>{6, 7, 8}));
  EXPECT_EQ(ops_.ProgressPosition(), 8);
  EXPECT_EQ(bytes, 3 + static_cast<int64_t>(original.string().size()));
  ASSERT_TRUE(fs::is_symlink(dir_ / "to" / "B.JPG.lnk"));
  EXPECT_EQ(fs::read_symlink(dir_ / "to" / "B.JPG.lnk"), original);
  EXPECT_FALSE(fs::exists(fs::symlink_status(dir_ / "to" / "pipe")));
  EXPECT_EQ(test::ReadFile(dir_ / "to" / "sub" / "C.JPG"), "c");

  // A copy into the same folder again fails on the first file, unless earlier copies are replaced.
  test::WriteFile(from / "A.JPG", "new");
  CFolderOps again;
  EXPECT_EQ(again.CopyTree(from, dir_ / "to", bytes, kTransferCopy, nullptr), 0);
  EXPECT_EQ(test::ReadFile(dir_ / "to" / "A.JPG"), "aa");
  CFolderOps replacing;
  replacing.SetReplaceCopies(true);
  ASSERT_EQ(replacing.CopyTree(from, dir_ / "to", bytes, kTransferCopy, nullptr), 1);
  EXPECT_EQ(test::ReadFile(dir_ / "to" / "A.JPG"), "new");
  EXPECT_EQ(test::ReadFile(original), "the user's own");

  // A cancel ends the walk at once, with the flag set; the undo takes back what was placed.
  StepProgress cancelling(2);
  CFolderOps cancelled;
  ASSERT_EQ(cancelled.CopyTree(from, dir_ / "cancelled", bytes, kTransferCopy, &cancelling), 0);
  EXPECT_TRUE(cancelled.Cancelled());
  EXPECT_EQ(cancelling.positions, (std::vector<int64_t>{1, 2}));
  EXPECT_EQ(cancelled.Records().placedFiles.size(), 2u);
  EXPECT_FALSE(fs::exists(dir_ / "cancelled" / "sub"));
  CRKCardAlbumDoc album(home_);
  album.SetGenerationRotation(false);
  cancelled.UndoRun(kTransferCopy, album, true);
  EXPECT_FALSE(fs::exists(dir_ / "cancelled"));
}

TEST_F(FolderOps, ALinkMovedAcrossFileSystemsIsMadeAgainAndItsSourceGoesOnlyWhenCommitted) {
  if (!fs::is_directory("/dev/shm")) GTEST_SKIP() << "no /dev/shm";
  struct stat shm {}, here {};
  const fs::path card = ShmFolder();
  if (::stat(card.c_str(), &shm) != 0 || ::stat(dir_.path().c_str(), &here) != 0 || shm.st_dev == here.st_dev)
    GTEST_SKIP() << "/dev/shm is not another file system";
  const fs::path original = dir_ / "original.JPG";
  test::WriteFile(original, "the user's own");
  fs::create_directories(card / "day");
  fs::create_symlink(original, card / "day" / "A.JPG.lnk");
  // A shortcut whose original is gone moves as well.
  fs::create_symlink(dir_ / "gone.JPG", card / "day" / "B.JPG.lnk");
  int64_t bytes = 0;
  ASSERT_EQ(ops_.CopyTree(card / "day", dir_ / "lib", bytes, kTransferMove, nullptr), 1);
  for (const char* name : {"A.JPG.lnk", "B.JPG.lnk"}) {
    EXPECT_TRUE(fs::is_symlink(dir_ / "lib" / name)) << name;
    EXPECT_TRUE(fs::is_symlink(card / "day" / name)) << name;
  }
  EXPECT_EQ(fs::read_symlink(dir_ / "lib" / "B.JPG.lnk"), dir_ / "gone.JPG");
  ASSERT_TRUE(ops_.CommitMoves());
  EXPECT_TRUE(fs::is_empty(card / "day"));
  EXPECT_EQ(test::ReadFile(original), "the user's own");
}

TEST_F(FolderOps, MoveLibraryMovesPictureRecordsButNotTheHtmlFolder) {
  const fs::path oldRoot = dir_ / "old" / "Image Library";
  const fs::path newRoot = dir_ / "new" / "Image Library";
  test::WriteFile(oldRoot / "20070315" / "A.JPG", "a");
  test::WriteFile(oldRoot / "20070315" / "PREVIEW" / "A.JPG", "p");
  test::WriteFile(oldRoot / "HTML" / "2007" / "A.JPG", "h");
  fs::create_directories(newRoot);
  CRKCardAlbumDoc album(home_);
  album.SetGenerationRotation(false);
  CPhotoData picture;
  picture.filePath = layout::ToStoredPath(oldRoot / "20070315" / "A.JPG");
  picture.year = "2007";
  picture.month = "03";
  picture.day = "15";
  album.AddPicture(picture);
  int64_t bytes = 0;
  ASSERT_EQ(ops_.MoveLibrary(oldRoot, newRoot, bytes, kTransferCopy, album, nullptr), 1);
  EXPECT_EQ(test::TreeOf(newRoot), test::TreeOf(oldRoot));
  EXPECT_TRUE(album.FindPicturePosition(layout::ToStoredPath(newRoot / "20070315" / "A.JPG")));
  EXPECT_EQ(ops_.Records().movedPictures.size(), 1u);

  ops_.UndoLibraryMove({}, kTransferCopy, album);
  EXPECT_TRUE(fs::is_empty(newRoot));
  EXPECT_TRUE(album.FindPicturePosition(picture.filePath));
}

}  // namespace
}  // namespace orrivan
