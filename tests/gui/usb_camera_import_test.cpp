// A USB camera in the import view: the camera button's selection dialog lists it beside the card's
// folder as "<model> (USB)", choosing it imports its pictures, and what stayed on it or a camera
// held by another program is told in a box. The camera is libgphoto2's directory-browse camera
// behind a test camera source.
#include <gphoto2/gphoto2-port-result.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QPixmap>
#include <cstdlib>

#include "base/strings.h"
#include "gui/dialog_seam.h"
#include "gui/entry_form_view.h"
#include "gui/main_frame.h"
#include "gui/source_dialog.h"
#include "gui_fixture.h"
#include "html/html_text.h"
#include "support/fake_usb_cameras.h"
#include "support/jpeg_writer.h"
#include "support/temp_dir.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;
using gui::DialogKind;
using gui::DialogSeam;

QString Text(StrId id) { return QString::fromStdString(Str(id)); }

class UsbCameraImport : public test::GuiFixture {
 protected:
  void SetUp() override {
    GuiFixture::SetUp();
    card_ = dir_.path() / "card";
    phone_ = dir_.path() / "phone";
    Picture(card_ / "DCIM" / "100TEST" / "ABCD0001.JPG", "2008:01:02 10:00:00", 1);
    Picture(phone_ / "DCIM" / "100PHONE" / "IMG_0001.JPG", "2007:03:15 10:00:00", 2);
    Picture(phone_ / "DCIM" / "100PHONE" / "IMG_0002.JPG", "2007:03:16 10:00:00", 3);
    cameras_.cameras = {{{"Model X", "usb:001,004"}, phone_, 0},
                        {{"Mass Storage Camera", "disk:" + card_.string()}, card_, 0}};
    ::setenv("ORRIVAN_VOLUMES", card_.c_str(), 1);
    DialogSeam::Enable();
  }
  void TearDown() override {
    const auto misses = DialogSeam::Misses();
    std::string all;
    for (const auto& m : misses) all += m + "\n";
    EXPECT_TRUE(misses.empty()) << all;
    DialogSeam::Disable();
    ::unsetenv("ORRIVAN_VOLUMES");
    GuiFixture::TearDown();
  }
  static void Picture(const fs::path& path, const std::string& shot, std::uint32_t seed) {
    test::JpegSpec picture;
    picture.width = 64;
    picture.height = 48;
    picture.seed = seed;
    test::ExifSpec exif;
    exif.dateTimeOriginal = shot;
    picture.exif = exif;
    test::WriteJpeg(path, picture);
  }
  // A picture of the window for a person to look at, when ORRIVAN_SCREENSHOT_DIR names a folder.
  static void Shoot(QWidget* window, const std::string& name) {
    const QPixmap shot = window->grab();
    EXPECT_FALSE(shot.isNull()) << name;
    const char* out = std::getenv("ORRIVAN_SCREENSHOT_DIR");
    if (!out || !*out) return;
    fs::create_directories(out);
    EXPECT_TRUE(shot.save(QString::fromStdString((fs::path(out) / (name + ".png")).string()))) << name;
  }
  gui::CEntryFormView* OpenImportView() {
    Press(FindButton(&Frame(), Text(StrId::NavImport)));
    return qobject_cast<gui::CEntryFormView*>(Frame().CurrentView());
  }

  fs::path card_, phone_;
  test::FakeUsbCameras cameras_;
  ScopedUsbCameraSource inPlace_{cameras_};
};

TEST_F(UsbCameraImport, TheSelectionListsTheCameraAndChoosingItImportsIt) {
  test::WriteFile(phone_ / "DCIM" / "100PHONE" / "VID_0003.MP4", "a movie of another kind");
  ASSERT_TRUE(StartProgram());
  gui::CEntryFormView* view = OpenImportView();
  ASSERT_NE(view, nullptr);
  std::vector<std::string> listed;
  DialogSeam::SetObserver([&](DialogKind kind, QWidget* dialog) {
    auto* sources = qobject_cast<gui::SourceDialog*>(dialog);
    if (kind != DialogKind::Sources || !sources) return;
    for (int row = 0; row < sources->Found()->count(); ++row)
      listed.push_back(sources->Found()->item(row)->text().toStdString());
    Shoot(dialog, "source_dialog_usb");
  });
  DialogSeam::NextButton("OK");  // the confirmation
  DialogSeam::NextSources({1});  // the camera only
  DialogSeam::NextBrowser(true);
  DialogSeam::NextButton("OK");  // what stayed on the camera
  Press(view->CameraButton());

  EXPECT_EQ(listed, (std::vector<std::string>{UpperAscii((card_ / "DCIM").string()), "Model X (USB)"}));
  EXPECT_TRUE(fs::exists(root_ / "20070315" / "IMG_0001.JPG"));
  EXPECT_TRUE(fs::exists(root_ / "20070316" / "IMG_0002.JPG"));
  EXPECT_FALSE(fs::exists(root_ / "20080102"));
  EXPECT_EQ(Frame().Context().session.Album().PictureCount(), 2u);
  const auto shown = DialogSeam::ShownDialogs();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back().kind, DialogKind::Box);
  EXPECT_EQ(shown.back().text, html::FormatText(Str(StrId::UsbLeftOnCamera), {"1"}));
}

TEST_F(UsbCameraImport, ACameraHeldByAnotherProgramIsToldAndNothingIsImported) {
  cameras_.cameras[0].failWith = GP_ERROR_IO_USB_CLAIM;
  ASSERT_TRUE(StartProgram());
  gui::CEntryFormView* view = OpenImportView();
  ASSERT_NE(view, nullptr);
  DialogSeam::SetObserver([&](DialogKind kind, QWidget* dialog) {
    if (kind == DialogKind::Box && DialogSeam::ShownDialogs().size() == 3) Shoot(dialog, "box_usb_camera_busy");
  });
  DialogSeam::NextButton("OK");
  DialogSeam::NextSources({1});
  DialogSeam::NextButton("OK");  // the busy camera's box
  Press(view->CameraButton());
  const auto shown = DialogSeam::ShownDialogs();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back().kind, DialogKind::Box);
  EXPECT_EQ(shown.back().text.rfind(Str(StrId::UsbCameraBusy), 0), 0u) << shown.back().text;
  EXPECT_EQ(Frame().Context().session.Album().PictureCount(), 0u);
  EXPECT_FALSE(fs::exists(root_ / "20070315"));
  // The view is ready for the next try.
  EXPECT_TRUE(view->CameraButton()->isEnabled());
}

}  // namespace
}  // namespace orrivan
