// Pictures of the windows as a person sees them, for looking at (not an assertion of pixels): run
// with ORRIVAN_SCREENSHOT_DIR set, under Xvfb with the Japanese fonts installed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPixmap>
#include <cstdlib>

#include "base/strings.h"
#include "gui/dialog_seam.h"
#include "gui/entry_form_view.h"
#include "gui/main_frame.h"
#include "support/jpeg_writer.h"

#include <QTimer>
#include "gui_fixture.h"

namespace orrivan {
namespace {

class Screenshots : public test::GuiFixture {
 protected:
  void SetUp() override {
    const char* dir = std::getenv("ORRIVAN_SCREENSHOT_DIR");
    if (!dir) GTEST_SKIP() << "ORRIVAN_SCREENSHOT_DIR not set";
    dir_out_ = dir;
    GuiFixture::SetUp();
  }
  void Shot(QWidget* w, const char* name) {
    for (int i = 0; i < 10; ++i) QApplication::processEvents();
    EXPECT_TRUE(w->grab().save(QString::fromStdString(dir_out_ + "/" + name + ".png")));
  }
  std::string dir_out_;
};

TEST_F(Screenshots, WelcomeAndTheProgressWindowOfAnImport) {
  namespace fs = std::filesystem;
  gui::DialogSeam::Enable();
  fs::remove(dir_.path() / "Orrivan.conf");  // a fresh profile
  gui::DialogSeam::SetObserver([&](gui::DialogKind kind, QWidget* dialog) {
    if (kind == gui::DialogKind::Welcome) Shot(dialog, "welcome");
  });
  gui::DialogSeam::NextAccept(gui::DialogKind::Welcome);
  const fs::path card = dir_.path() / "card";
  for (int i = 1; i <= 12; ++i) {
    test::JpegSpec picture;
    picture.width = 800;
    picture.height = 600;
    picture.seed = static_cast<std::uint32_t>(i);
    test::ExifSpec exif;
    exif.dateTimeOriginal = "2007:03:15 10:00:00";
    picture.exif = exif;
    test::WriteJpeg(card / "DCIM" / "100TEST" / ("ABCD00" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".JPG"), picture);
  }
  ::setenv("ORRIVAN_VOLUMES", card.c_str(), 1);
  ASSERT_TRUE(StartProgram());
  Press(FindButton(&Frame(), QString::fromStdString(Str(StrId::NavImport))));
  gui::DialogSeam::SetObserver([&](gui::DialogKind kind, QWidget* dialog) {
    if (kind == gui::DialogKind::Box) Shot(dialog, "confirmation");
  });
  gui::DialogSeam::NextButton("OK");
  gui::DialogSeam::NextBrowser(true);
  bool shot = false;
  auto* timer = new QTimer(&Frame());
  timer->setInterval(20);
  QObject::connect(timer, &QTimer::timeout, [&, timer] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (!shot && w->isVisible() && w->windowTitle() == QString::fromStdString(Str(StrId::ImportCaption))) {
        shot = true;
        timer->stop();
        Shot(w, "import_progress");
        Shot(&Frame(), "import_view_during_run");
      }
    }
  });
  timer->start();
  Press(qobject_cast<gui::CEntryFormView*>(Frame().CurrentView())->CameraButton());
  EXPECT_TRUE(shot);
  ::unsetenv("ORRIVAN_VOLUMES");
  gui::DialogSeam::Disable();
}

TEST_F(Screenshots, StartAndImportViews) {
  ASSERT_TRUE(StartProgram());
  Shot(&Frame(), "start_view");
  Press(FindButton(&Frame(), QString::fromStdString(Str(StrId::NavImport))));
  Shot(&Frame(), "import_view");
}

}  // namespace
}  // namespace orrivan
