// The automatic import driver: its confirmation and caption, the marker read as one bounded line and
// deleted at every end (and only then), the setting that switches it off, and its run from the
// start-up hook on the session being opened.
#include "app/auto_import.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "app/album_session.h"
#include "base/settings.h"
#include "base/strings.h"
#include "import/import_fixture.h"
#include "import/marker_file.h"
#include "library/album_document.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;
using test::FakeInteraction;

class AutoImportRun : public test::ImportFixture {
 protected:
  void SetUp() override {
    ImportFixture::SetUp();
    marker_ = home_ / "Orrivan.tmp";
  }
  void Mark(const std::string& bytes) { test::WriteFile(marker_, bytes); }
  AutoImportResult Run() {
    AlbumSession session(true);
    ImportOptions options;
    options.openBrowser = false;
    return AutoImport(session, ui_, marker_, options);
  }
  size_t PicturesInAlbum() {
    CRKCardAlbumDoc album(home_);
    album.SetGenerationRotation(false);
    if (!fs::exists(layout::WorkingAlbumPath())) return 0;
    EXPECT_TRUE(album.OnOpenDocument(layout::WorkingAlbumPath()));
    return album.PictureCount();
  }

  fs::path marker_;
};

TEST_F(AutoImportRun, ImportsTheVolumeTheMarkerNamesUnderItsOwnConfirmationAndCaption) {
  Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2007:03:15 10:00:00");
  Mark(card_.string() + "\r\n");
  ui_.confirms.push_back(true);
  EXPECT_EQ(Run(), AutoImportResult::Done);
  ASSERT_EQ(ui_.Count(FakeInteraction::Kind::Confirm), 1u);
  EXPECT_EQ(ui_.records[0].text, Str(StrId::CardFoundAutoImport));
  EXPECT_EQ(ui_.records[0].look.buttons, (std::vector<std::string>{"OK", Str(StrId::CancelButton)}));
  // The import's own window, then the pages'.
  ASSERT_EQ(ui_.progress.size(), 2u);
  EXPECT_EQ(ui_.progress[0].caption, Str(StrId::AutoImportCaption));
  EXPECT_EQ(ui_.progress[1].caption, Str(StrId::HtmlCaption));
  EXPECT_FALSE(fs::exists(marker_));
  EXPECT_TRUE(fs::exists(library_ / "20070315" / "ABCD0001.JPG"));
  EXPECT_EQ(PicturesInAlbum(), 1u);
  EXPECT_EQ(g_importInProgress.load(), 0);
}

TEST_F(AutoImportRun, WithShowDialogSetNothingIsAskedAndSeveralFoldersAreChosen) {
  settings::SetInt(settings::Key::ShowDialog, 1);
  Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2007:03:15 10:00:00", 1);
  Picture(card_ / "OLDCAM" / "PICS" / "OLD00001.JPG", "2007:03:16 10:00:00", 2);
  test::WriteFile(card_ / "OLDCAM" / "RKCAM.RKS", "");
  Mark(card_.string());  // a line without its CR LF is still the whole file
  ui_.sourceSelections.push_back({1});
  EXPECT_EQ(Run(), AutoImportResult::Done);
  EXPECT_EQ(ui_.Count(FakeInteraction::Kind::Confirm), 0u);
  ASSERT_EQ(ui_.offeredSources.size(), 1u);
  EXPECT_EQ(ui_.offeredSources[0].size(), 2u);
  EXPECT_FALSE(fs::exists(library_ / "20070315"));
  EXPECT_TRUE(fs::exists(library_ / "20070316" / "OLD00001.JPG"));
  EXPECT_FALSE(fs::exists(marker_));
}

TEST_F(AutoImportRun, MarkerIsDeletedAfterCancelAndErrorAlike) {
  Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2007:03:15 10:00:00", 1);
  Picture(dcim_ / "100TEST" / "ABCD0002.JPG", "2007:03:16 10:00:00", 2);
  Picture(card_ / "OLDCAM" / "PICS" / "OLD00001.JPG", "2007:03:16 10:00:00", 3);
  test::WriteFile(card_ / "OLDCAM" / "RKCAM.RKS", "");
  const std::string line = card_.string() + "\r\n";

  // "中止" at the confirmation: nothing opened, nothing filed.
  Mark(line);
  ui_.confirms.push_back(false);
  EXPECT_EQ(Run(), AutoImportResult::Cancelled);
  EXPECT_FALSE(fs::exists(marker_));
  EXPECT_FALSE(fs::exists(layout::WorkingAlbumPath()));

  // Cancel in the folder choice.
  Mark(line);
  ui_.confirms.push_back(true);
  ui_.sourceSelections.push_back({});
  EXPECT_EQ(Run(), AutoImportResult::Cancelled);
  EXPECT_FALSE(fs::exists(marker_));

  // Cancel during the run: rolled back.
  Mark(line);
  ui_.confirms.push_back(true);
  ui_.sourceSelections.push_back({0, 1});
  ui_.cancelAfter = ui_.positionCalls + 1;
  EXPECT_EQ(Run(), AutoImportResult::Cancelled);
  EXPECT_FALSE(fs::exists(marker_));
  EXPECT_EQ(PicturesInAlbum(), 0u);
  ui_.cancelAfter = -1;

  // A placement that fails (a file holds the second day's folder name): the message, the roll-back.
  test::WriteFile(library_ / "20070316", "in the way");
  Mark(line);
  ui_.confirms.push_back(true);
  ui_.sourceSelections.push_back({0, 1});
  EXPECT_EQ(Run(), AutoImportResult::Failed);
  EXPECT_EQ(ui_.Texts(FakeInteraction::Kind::Message), std::vector<std::string>{Str(StrId::LibraryWriteError)});
  EXPECT_FALSE(fs::exists(marker_));
  EXPECT_FALSE(fs::exists(library_ / "20070315"));
  EXPECT_EQ(g_importInProgress.load(), 0);
}

TEST_F(AutoImportRun, VolumeWithoutPicturesDeletesTheMarkerSilently) {
  fs::create_directories(card_ / "MUSIC");
  Mark(card_.string() + "\r\n");
  ui_.confirms.push_back(true);  // asked before the volume is looked at
  EXPECT_EQ(Run(), AutoImportResult::NothingFound);
  EXPECT_FALSE(fs::exists(marker_));
  EXPECT_EQ(ui_.Count(FakeInteraction::Kind::Message), 0u);
  EXPECT_FALSE(fs::exists(layout::WorkingAlbumPath()));
}

TEST_F(AutoImportRun, MarkersThatNameNoFolderAreDeletedWithoutAQuestionAboutThem) {
  test::WriteFile(dir_ / "a-file", "x");
  const struct {
    const char* what;
    std::string bytes;
    bool asked;  // the volume is looked at only after the confirmation
  } cases[] = {
      {"garbage", std::string("\x01\xff\x00garbage\r\n", 12), false},
      {"empty", "", false},
      {"relative path", "media/card\r\n", false},
      {"over-long line", "/" + std::string(5000, 'a'), false},
      {"over-long line with its end", "/" + std::string(kMaxMarkerLine, 'a') + "\r\n", false},
      {"a file", (dir_ / "a-file").string() + "\r\n", true},
      {"a mount gone", (dir_ / "pulled-card").string() + "\r\n", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Mark(c.bytes);
    ui_.records.clear();
    if (c.asked) ui_.confirms.push_back(true);
    EXPECT_EQ(Run(), AutoImportResult::BadMarker);
    EXPECT_FALSE(fs::exists(marker_));
    EXPECT_EQ(ui_.Count(FakeInteraction::Kind::Confirm), c.asked ? 1u : 0u);
    EXPECT_EQ(ui_.Count(FakeInteraction::Kind::Message), 0u);
  }
  // The longest line that fits is read whole.
  const std::string longest = "/" + std::string(kMaxMarkerLine - 1, 'a');
  Mark(longest + "\r\n");
  EXPECT_EQ(ReadMarker(marker_).volume, fs::path(longest));
}

TEST_F(AutoImportRun, SwitchedOffOrBusyTheMarkerIsNotTouched) {
  Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2007:03:15 10:00:00");
  Mark(card_.string() + "\r\n");
  settings::SetInt(settings::Key::AutoTakeIn, 1);
  EXPECT_EQ(Run(), AutoImportResult::Off);
  EXPECT_TRUE(fs::exists(marker_));
  EXPECT_TRUE(ui_.records.empty());

  settings::SetInt(settings::Key::AutoTakeIn, 0);
  {
    HomeLock other;  // another program writes this home folder
    EXPECT_EQ(Run(), AutoImportResult::Busy);
    EXPECT_TRUE(fs::exists(marker_));
  }
  fs::remove(marker_);
  EXPECT_EQ(Run(), AutoImportResult::NoMarker);
  EXPECT_TRUE(ui_.records.empty());
}

// A second card's marker, written while the first card is imported, is the next run's.
class MarkerRewrittenDuringTheRun : public FakeInteraction {
 public:
  explicit MarkerRewrittenDuringTheRun(fs::path marker, fs::path second) : marker_(std::move(marker)), second_(std::move(second)) {}
  std::unique_ptr<Progress> OpenProgress(const std::string& caption) override {
    EXPECT_TRUE(WriteMarker(marker_, second_));
    return FakeInteraction::OpenProgress(caption);
  }

 private:
  fs::path marker_, second_;
};

TEST_F(AutoImportRun, AMarkerWrittenAgainDuringTheRunStaysForTheNext) {
  Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2007:03:15 10:00:00");
  const fs::path second = dir_ / "second";
  Mark(card_.string() + "\r\n");
  MarkerRewrittenDuringTheRun ui(marker_, second);
  ui.confirms.push_back(true);
  AlbumSession session(true);
  ImportOptions options;
  options.openBrowser = false;
  EXPECT_EQ(AutoImport(session, ui, marker_, options), AutoImportResult::Done);
  ASSERT_TRUE(fs::exists(marker_));
  EXPECT_EQ(test::ReadFile(marker_), second.string() + "\r\n");
}

TEST_F(AutoImportRun, RunsFromTheStartUpHookOnTheSessionBeingOpened) {
  Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2007:03:15 10:00:00");
  Mark(card_.string() + "\r\n");
  ui_.confirms.push_back(true);
  int runs = 0;
  {
    AlbumSession session;
    StartupHooks hooks;
    hooks.autoImport = [&](const fs::path& marker) {
      ++runs;
      ImportOptions options;
      options.openBrowser = false;
      return AutoImport(session, ui_, marker, options) == AutoImportResult::Done;
    };
    ASSERT_TRUE(session.Start(ui_, hooks));
    EXPECT_EQ(session.Album().PictureCount(), 1u);
    EXPECT_TRUE(session.Started().albumWritten);
  }
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(fs::exists(marker_));
  EXPECT_EQ(PicturesInAlbum(), 1u);
  EXPECT_TRUE(fs::exists(home_ / "Orrivan.rk1"));  // the session ended with the rotation

  // Cancelled at start-up: the program ends, the marker is gone.
  Mark(card_.string() + "\r\n");
  ui_.confirms.push_back(false);
  AlbumSession session;
  StartupHooks hooks;
  hooks.autoImport = [&](const fs::path& marker) { return AutoImport(session, ui_, marker) == AutoImportResult::Done; };
  EXPECT_FALSE(session.Start(ui_, hooks));
  EXPECT_FALSE(fs::exists(marker_));
}

TEST(AutoImportMarker, IsWrittenWholeAndRefusesPathsItCannotCarry) {
  test::TempDir dir{"orrivan-marker"};
  const fs::path marker = dir / "Orrivan.tmp";
  ASSERT_TRUE(WriteMarker(marker, "/media/user/MY CARD"));
  EXPECT_EQ(test::ReadFile(marker), "/media/user/MY CARD\r\n");
  const MarkerContents read = ReadMarker(marker);
  EXPECT_EQ(read.status, MarkerContents::Status::Ok);
  EXPECT_EQ(read.volume, fs::path("/media/user/MY CARD"));
  EXPECT_FALSE(WriteMarker(marker, "/media/two\nlines"));
  EXPECT_FALSE(WriteMarker(marker, "relative"));
  EXPECT_EQ(test::ReadFile(marker), "/media/user/MY CARD\r\n");  // a refused write leaves the old one
  // Nothing but the marker is left in the folder (no temporary file).
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

  // A FIFO in its place is refused without blocking, and deleted.
  fs::remove(marker);
  ASSERT_EQ(::mkfifo(marker.c_str(), 0600), 0);
  const MarkerContents fifo = ReadMarker(marker);
  EXPECT_EQ(fifo.status, MarkerContents::Status::Garbage);
  EXPECT_TRUE(DeleteMarker(marker, fifo));
  EXPECT_FALSE(fs::exists(marker));
}

}  // namespace
}  // namespace orrivan
