// USB cameras in the card import's detection and driver: offered beside the card folders as
// "<model> (USB)", never a "disk:" port, and imported through the directory-browse camera when
// chosen; a camera that is busy or held by another program is told before anything starts.
#include <gphoto2/gphoto2-port-result.h>
#include <gphoto2/gphoto2-result.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/album_session.h"
#include "app/import_run.h"
#include "base/strings.h"
#include "import/detection.h"
#include "import/import_fixture.h"
#include "import/usb_import.h"
#include "library/album_document.h"
#include "support/fake_usb_cameras.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;
using test::FakeInteraction;

class UsbCameraRun : public test::ImportFixture {
 protected:
  void SetUp() override {
    ImportFixture::SetUp();
    phone_ = dir_ / "phone";
    Picture(phone_ / "DCIM" / "100PHONE" / "IMG_0001.JPG", "2007:03:15 10:00:00", 1);
    Picture(phone_ / "DCIM" / "100PHONE" / "IMG_0002.JPG", "2007:03:16 10:00:00", 2);
    Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2008:01:02 10:00:00", 3);
    cameras_.cameras = {{{"Model X", "usb:001,004"}, phone_, 0},
                        // What libgphoto2's own detection makes of a mounted card: never offered.
                        {{"Mass Storage Camera", "disk:" + card_.string()}, card_, 0}};
    Volumes(card_);
  }
  void TearDown() override {
    ::unsetenv("ORRIVAN_VOLUMES");
    ImportFixture::TearDown();
  }
  void Volumes(const fs::path& root) { ::setenv("ORRIVAN_VOLUMES", root.c_str(), 1); }

  ImportRunResult Run() {
    ImportOptions options;
    options.openBrowser = false;
    AlbumSession session(true);
    return RunCardImport(session, ui_, {}, options);
  }

  size_t PicturesInAlbum() {
    CRKCardAlbumDoc album(home_);
    album.SetGenerationRotation(false);
    EXPECT_TRUE(OpenHomeAlbum(album, ui_));
    return album.PictureCount();
  }

  fs::path phone_;
  test::FakeUsbCameras cameras_;
  ScopedUsbCameraSource inPlace_{cameras_};
};

TEST_F(UsbCameraRun, TheSelectionOffersCamerasAfterTheCardFoldersAndNeverADiskPort) {
  ui_.confirms = {true, true};
  ui_.sourceSelections = {{1}, {1, 0}};
  DetectResult result = DetectCardSources(ui_);
  ASSERT_EQ(ui_.offeredSources.size(), 1u);
  const std::vector<SourceEntry>& offered = ui_.offeredSources[0];
  ASSERT_EQ(offered.size(), 2u);
  EXPECT_EQ(offered[0].path, dcim_);
  EXPECT_EQ(offered[1].shown, "Model X (USB)");
  EXPECT_EQ(result.outcome, DetectOutcome::Sources);
  EXPECT_TRUE(result.sources.empty());
  ASSERT_EQ(result.cameras.size(), 1u);
  EXPECT_EQ(result.cameras[0].port, "usb:001,004");

  result = DetectCardSources(ui_);
  EXPECT_EQ(result.sources, std::vector<fs::path>{dcim_});
  ASSERT_EQ(result.cameras.size(), 1u);
  EXPECT_EQ(result.cameras[0].model, "Model X");
  EXPECT_EQ(cameras_.opens, 0);  // detection lists; it opens nothing
}

TEST_F(UsbCameraRun, ACameraAloneIsConfirmedAndTakenAndWithoutEitherNothingIsSaid) {
  Volumes(dir_ / "no-such-volume");
  ui_.confirms = {true};
  DetectResult result = DetectCardSources(ui_);
  EXPECT_EQ(result.outcome, DetectOutcome::Sources);
  ASSERT_EQ(result.cameras.size(), 1u);
  EXPECT_EQ(result.cameras[0].model, "Model X");
  EXPECT_EQ(ui_.Texts(FakeInteraction::Kind::Confirm), std::vector<std::string>{Str(StrId::CardFoundImport)});
  EXPECT_EQ(ui_.Count(FakeInteraction::Kind::ChooseSources), 0u);

  // A volume without pictures and a camera: the camera is offered, no "nothing found".
  fs::create_directories(dir_ / "music" / "MUSIC");
  Volumes(dir_ / "music");
  ui_.records.clear();
  ui_.confirms = {true};
  result = DetectCardSources(ui_);
  EXPECT_EQ(result.cameras.size(), 1u);
  EXPECT_EQ(ui_.Count(FakeInteraction::Kind::Message), 0u);

  // Only a card's "disk:" camera and no volume: nothing to offer, and nothing said.
  cameras_.cameras.erase(cameras_.cameras.begin());
  Volumes(dir_ / "no-such-volume");
  ui_.records.clear();
  EXPECT_EQ(DetectCardSources(ui_).outcome, DetectOutcome::NoDrive);
  EXPECT_TRUE(ui_.records.empty());
}

TEST_F(UsbCameraRun, ChoosingTheCameraImportsItByTheCardRules) {
  ui_.confirms = {true};
  ui_.sourceSelections = {{1}};
  ASSERT_EQ(Run(), ImportRunResult::Done);
  EXPECT_EQ(cameras_.opens, 1);
  EXPECT_TRUE(fs::exists(library_ / "20070315" / "IMG_0001.JPG"));
  EXPECT_TRUE(fs::exists(library_ / "20070316" / "IMG_0002.JPG"));
  EXPECT_FALSE(fs::exists(library_ / "20080102"));  // the card was not chosen
  EXPECT_EQ(PicturesInAlbum(), 2u);
  EXPECT_TRUE(fs::exists(phone_ / "DCIM" / "100PHONE" / "IMG_0001.JPG"));  // copied, not moved
}

TEST_F(UsbCameraRun, ChoosingAFolderAndTheCameraImportsBoth) {
  ui_.confirms = {true};
  ui_.sourceSelections = {{1, 0}};
  ASSERT_EQ(Run(), ImportRunResult::Done);
  EXPECT_TRUE(fs::exists(library_ / "20080102" / "ABCD0001.JPG"));
  EXPECT_TRUE(fs::exists(library_ / "20070315" / "IMG_0001.JPG"));
  EXPECT_EQ(PicturesInAlbum(), 3u);
}

TEST_F(UsbCameraRun, ACameraBusyOrHeldByAnotherProgramIsToldAndNothingStarts) {
  Volumes(dir_ / "no-such-volume");
  for (const int code : {GP_ERROR_IO_USB_CLAIM, GP_ERROR_CAMERA_BUSY}) {
    cameras_.cameras[0].failWith = code;
    ui_.records.clear();
    ui_.confirms = {true};
    EXPECT_EQ(Run(), ImportRunResult::Failed) << code;
    const std::vector<std::string> told = ui_.Texts(FakeInteraction::Kind::Message);
    ASSERT_EQ(told.size(), 1u) << code;
    EXPECT_EQ(told[0].rfind(Str(StrId::UsbCameraBusy), 0), 0u) << told[0];
    EXPECT_NE(told[0].find("Model X"), std::string::npos) << told[0];
    EXPECT_FALSE(fs::exists(layout::WorkingAlbumPath()));
    EXPECT_FALSE(fs::exists(library_));
  }
  // An unplugged camera says so in its own words.
  cameras_.cameras[0].failWith = GP_ERROR_IO_USB_FIND;
  ui_.records.clear();
  ui_.confirms = {true};
  EXPECT_EQ(Run(), ImportRunResult::Failed);
  ASSERT_EQ(ui_.Texts(FakeInteraction::Kind::Message).size(), 1u);
  EXPECT_EQ(ui_.Texts(FakeInteraction::Kind::Message)[0].rfind(Str(StrId::UsbCameraNotFound), 0), 0u);
}

}  // namespace
}  // namespace orrivan
