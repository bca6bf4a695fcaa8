// The import view's two ways in that go through dialogs of their own, driven through the dialog
// seam on the running program: "other(&E)" with the other-image dialog, and the RS232C choice of the
// camera button with the serial import dialog and the folder-selection dialog against fakecam.
#include <gtest/gtest.h>

#include <QApplication>

#include "base/settings.h"
#include "base/strings.h"
#include "camera/fakecam_process.h"
#include "gui/dialog_seam.h"
#include "gui/entry_form_view.h"
#include "gui/main_frame.h"
#include "gui/other_image_dialog.h"
#include "gui_fixture.h"
#include "support/jpeg_writer.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;
using gui::DialogKind;
using gui::DialogSeam;
using settings::Key;

class ImportViewFlow : public test::GuiFixture {
 protected:
  void SetUp() override {
    GuiFixture::SetUp();
    DialogSeam::Enable();
    test::JpegSpec picture;
    picture.width = 48;
    picture.height = 32;
    test::ExifSpec exif;
    exif.dateTimeOriginal = "2007:03:15 10:00:00";
    picture.exif = exif;
    test::WriteJpeg(dir_ / "camera" / "DCIM" / "100TEST" / "ABCD0001.JPG", picture);
    picture.seed = 2;
    exif.dateTimeOriginal = "2007:03:16 10:00:00";
    picture.exif = exif;
    test::WriteJpeg(dir_ / "camera" / "DCIM" / "101TEST" / "EFGH0002.JPG", picture);
  }
  void TearDown() override {
    const auto misses = DialogSeam::Misses();
    std::string all;
    for (const auto& m : misses) all += m + "\n";
    EXPECT_TRUE(misses.empty()) << all;
    DialogSeam::Disable();
    GuiFixture::TearDown();
  }
  gui::CEntryFormView* ImportView() {
    Press(FindButton(&Frame(), QString::fromStdString(Str(StrId::NavImport))));
    return qobject_cast<gui::CEntryFormView*>(Frame().CurrentView());
  }
};

TEST_F(ImportViewFlow, OtherButtonImportsTheFoldersChosenInItsDialog) {
  ASSERT_TRUE(StartProgram());
  gui::CEntryFormView* view = ImportView();
  ASSERT_NE(view, nullptr);
  ASSERT_TRUE(view->OtherButton()->isEnabled());
  const fs::path folder = dir_ / "camera" / "DCIM" / "100TEST";
  DialogSeam::SetObserver([&](DialogKind kind, QWidget* dialog) {
    if (kind != DialogKind::OtherImages) return;
    auto* other = qobject_cast<gui::COtherImageDialog*>(dialog);
    ASSERT_NE(other, nullptr);
    EXPECT_TRUE(other->AddFolder(folder));
    other->TransferChoice()->button(2)->click();  // shortcuts
  });
  DialogSeam::NextAccept(DialogKind::OtherImages);
  DialogSeam::NextBrowser(true);
  Press(view->OtherButton());
  const fs::path link = home_ / "Image Library" / "20070315" / "ABCD0001.JPG.lnk";
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(fs::read_symlink(link), folder / "ABCD0001.JPG");
  EXPECT_EQ(DialogSeam::Pending(DialogKind::Browser), 0u);
}

TEST_F(ImportViewFlow, TheSerialChoiceRunsTheDialogsAndImportsTheChosenCameraFolder) {
  test::FakecamProcess cam(dir_ / "camera", dir_ / "fakecam.log", {"--no-pacing"});
  ASSERT_FALSE(cam.Port().empty()) << "fakecam did not start";
  settings::SetString(Key::CommPort, cam.Port());
  settings::SetString(Key::BaudRate, "115200");
  settings::SetInt(Key::Classitication, 0);
  ASSERT_TRUE(StartProgram());
  gui::CEntryFormView* view = ImportView();
  ASSERT_NE(view, nullptr);
  view->SerialChoice()->click();
  DialogSeam::NextText(DialogKind::SerialImport, "1");
  DialogSeam::NextText(DialogKind::CameraFolder, "101TEST");
  DialogSeam::NextBrowser(true);
  Press(view->CameraButton());
  EXPECT_EQ(settings::GetInt(Key::TransMode), 1);
  EXPECT_EQ(settings::GetString(Key::SCameraDir), "101TEST");
  EXPECT_TRUE(fs::exists(home_ / "Image Library" / "20070316" / "EFGH0002.JPG"));
  EXPECT_FALSE(fs::exists(home_ / "Image Library" / "20070315"));
  EXPECT_EQ(view->LastSerialResult(), ImportResult::Done);
}

}  // namespace
}  // namespace orrivan
