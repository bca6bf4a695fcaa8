// Pictures of the windows as a person sees them, for looking at (not an assertion of pixels): run
// with ORRIVAN_SCREENSHOT_DIR set, under Xvfb with the Japanese fonts installed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPixmap>
#include <cstdlib>

#include "base/strings.h"
#include "gui/main_frame.h"
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

TEST_F(Screenshots, StartAndImportViews) {
  ASSERT_TRUE(StartProgram());
  Shot(&Frame(), "start_view");
  Press(FindButton(&Frame(), QString::fromStdString(Str(StrId::NavImport))));
  Shot(&Frame(), "import_view");
}

}  // namespace
}  // namespace orrivan
