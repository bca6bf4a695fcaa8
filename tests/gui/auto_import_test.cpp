// The automatic import as the desktop program runs it: a marker waiting at start-up (the window
// minimised, the program ending when the run fails or is cancelled), the five-second poll that waits
// while another import runs, and a marker that stays while auto-import is off.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <cstdlib>

#include "app/auto_import.h"
#include "app/companion.h"
#include "base/strings.h"
#include "gui/dialog_seam.h"
#include "gui/entry_form_view.h"
#include "gui/main_frame.h"
#include "gui_fixture.h"
#include "library/album_document.h"
#include "support/jpeg_writer.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;
using gui::DialogSeam;
using settings::Key;

class AutoImportInWindow : public test::GuiFixture {
 protected:
  void SetUp() override {
    GuiFixture::SetUp();
    DialogSeam::Enable();
  }
  void TearDown() override {
    DialogSeam::Disable();
    ::unsetenv("ORRIVAN_VOLUMES");
    GuiFixture::TearDown();
  }
  // A card volume with one dated picture.
  fs::path Card(const std::string& name, const std::string& shot, std::uint32_t seed) {
    const fs::path volume = dir_.path() / name;
    test::JpegSpec picture;
    picture.seed = seed;
    test::ExifSpec exif;
    exif.dateTimeOriginal = shot;
    picture.exif = exif;
    fs::create_directories(volume / "DCIM" / "100TEST");
    test::WriteJpeg(volume / "DCIM" / "100TEST" / "ABCD0001.JPG", picture);
    return volume;
  }
  void Marker(const fs::path& volume) { test::WriteFile(AutoImportMarker(), volume.string() + "\r\n"); }
};

TEST_F(AutoImportInWindow, AMarkerWhileAutoImportIsOffIsIgnoredAndStays) {
  settings::SetInt(Key::AutoTakeIn, 1);
  Marker(Card("card", "2007:03:15 10:00:00", 1));
  ASSERT_TRUE(StartProgram());
  Frame().PollTick();
  EXPECT_TRUE(fs::exists(AutoImportMarker()));
  EXPECT_FALSE(fs::exists(root_ / "20070315"));
  EXPECT_TRUE(DialogSeam::ShownDialogs().empty());
  EXPECT_EQ(companionStarts_, 0);
  EXPECT_FALSE(fs::exists(LogonEntryPath()));
}

TEST_F(AutoImportInWindow, AtStartUpAMarkerIsImportedAndTheWatcherIsNotStartedAgain) {
  Marker(Card("card", "2007:03:15 10:00:00", 1));
  DialogSeam::NextButton("OK");
  DialogSeam::NextBrowser(true);
  ASSERT_TRUE(StartProgram());
  EXPECT_TRUE(DialogSeam::Misses().empty());
  ASSERT_FALSE(DialogSeam::ShownDialogs().empty());
  EXPECT_EQ(DialogSeam::ShownDialogs()[0].text, Str(StrId::CardFoundAutoImport));
  EXPECT_TRUE(fs::exists(root_ / "20070315" / "ABCD0001.JPG"));
  EXPECT_FALSE(fs::exists(AutoImportMarker()));
  EXPECT_FALSE(Frame().isMinimized());
  EXPECT_EQ(companionStarts_, 0);  // a marker means the watcher runs already
  EXPECT_TRUE(fs::exists(LogonEntryPath()));
}

TEST_F(AutoImportInWindow, CancellingTheConfirmationAtStartUpEndsTheProgram) {
  Marker(Card("card", "2007:03:15 10:00:00", 1));
  DialogSeam::NextButton(Str(StrId::CancelButton));
  EXPECT_FALSE(StartProgram());
  EXPECT_FALSE(fs::exists(AutoImportMarker()));
  EXPECT_FALSE(fs::exists(root_ / "20070315"));
}

TEST_F(AutoImportInWindow, WithoutAMarkerTheWatcherStartsAndItsLogonEntryIsMade) {
  ASSERT_TRUE(StartProgram());
  EXPECT_EQ(companionStarts_, 1);
  EXPECT_TRUE(fs::exists(LogonEntryPath()));
}

TEST_F(AutoImportInWindow, AMarkerDuringAManualImportWaitsForTheFirstTickAfterIt) {
  const fs::path first = Card("first", "2007:03:15 10:00:00", 1);
  const fs::path second = Card("second", "2007:04:01 10:00:00", 2);
  ::setenv("ORRIVAN_VOLUMES", first.c_str(), 1);
  ASSERT_TRUE(StartProgram());
  Press(FindButton(&Frame(), QString::fromStdString(Str(StrId::NavImport))));
  auto* view = qobject_cast<gui::CEntryFormView*>(Frame().CurrentView());
  ASSERT_NE(view, nullptr);

  bool waited = false;
  DialogSeam::NextButton("OK");  // the manual import's confirmation
  DialogSeam::SetObserver([&](gui::DialogKind kind, QWidget*) {
    if (kind != gui::DialogKind::Box || waited) return;
    // The manual import runs: the watcher's marker arrives and the timer ticks.
    Marker(second);
    Frame().PollTick();
    waited = fs::exists(AutoImportMarker());
  });
  DialogSeam::NextBrowser(true);
  Press(view->CameraButton());
  EXPECT_TRUE(waited);
  EXPECT_TRUE(fs::exists(root_ / "20070315" / "ABCD0001.JPG"));
  EXPECT_FALSE(fs::exists(root_ / "20070401"));

  DialogSeam::SetObserver({});
  DialogSeam::NextButton("OK");  // the automatic import's confirmation
  DialogSeam::NextBrowser(true);
  Frame().PollTick();
  EXPECT_TRUE(DialogSeam::Misses().empty());
  EXPECT_TRUE(fs::exists(root_ / "20070401" / "ABCD0001.JPG"));
  EXPECT_FALSE(fs::exists(AutoImportMarker()));
  EXPECT_EQ(Frame().Context().session.Album().DayCount(), 2u);
}

TEST_F(AutoImportInWindow, AMarkerNamingAVolumeWithoutPicturesIsDeletedSilently) {
  fs::create_directories(dir_.path() / "empty-volume");
  ASSERT_TRUE(StartProgram());
  Marker(dir_.path() / "empty-volume");
  DialogSeam::NextButton("OK");  // the automatic import asks before it looks at the volume
  Frame().PollTick();
  EXPECT_FALSE(fs::exists(AutoImportMarker()));
  EXPECT_EQ(DialogSeam::ShownDialogs().size(), 1u);
  EXPECT_TRUE(DialogSeam::Misses().empty());
}

}  // namespace
}  // namespace orrivan
