// Pictures of the settings view's four pages, the template dialog with its colour sample and the
// library folder dialog, for a person to look at: written to ORRIVAN_SCREENSHOT_DIR (under Xvfb
// with the CJK fonts), skipped otherwise.
#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QPixmap>
#include <cstdlib>
#include <filesystem>

#include "base/strings.h"
#include "gui/dialog_seam.h"
#include "gui/main_frame.h"
#include "gui/setup_form_view.h"
#include "gui/template_dialog.h"
#include "gui/version_box.h"
#include "gui_fixture.h"

namespace orrivan {
namespace {

using gui::CSetupFormView;
using gui::DialogKind;
using gui::DialogSeam;

class SetupShots : public test::GuiFixture {
 protected:
  void SetUp() override {
    const char* dir = std::getenv("ORRIVAN_SCREENSHOT_DIR");
    if (!dir || !*dir) GTEST_SKIP() << "ORRIVAN_SCREENSHOT_DIR not set";
    dir_ = dir;
    std::filesystem::create_directories(dir_);
    GuiFixture::SetUp();
    DialogSeam::Enable();
  }
  void TearDown() override {
    if (dir_.empty()) return;
    GuiFixture::TearDown();
    DialogSeam::Disable();
  }
  void Shot(QWidget* w, const std::string& name) {
    for (int i = 0; i < 10; ++i) QApplication::processEvents();
    const QPixmap shot = w->grab();
    ASSERT_FALSE(shot.isNull()) << name;
    EXPECT_TRUE(shot.save(QString::fromStdString((dir_ / (name + ".png")).string())));
  }
  std::filesystem::path dir_;
};

TEST_F(SetupShots, FourPagesAndTheirDialogs) {
  settings::SetString(settings::Key::TemplateType, "タイプ１");
  settings::SetString(settings::Key::TemplateBackCol, "ｸﾞﾘｰﾝ/ｸﾞﾚｰ");
  ASSERT_TRUE(StartProgram());
  Press(FindButton(&Frame(), QString::fromStdString(Str(StrId::NavSettings))));
  auto* view = qobject_cast<CSetupFormView*>(Frame().CurrentView());
  ASSERT_NE(view, nullptr);
  const char* names[] = {"settings_general", "settings_camera", "settings_options", "settings_version"};
  for (int tab = 0; tab < 4; ++tab) {
    view->Tabs()->setCurrentIndex(tab);
    Shot(&Frame(), names[tab]);
  }
  view->Tabs()->setCurrentIndex(CSetupFormView::kGeneral);
  DialogSeam::SetObserver([this](DialogKind kind, QWidget* dialog) {
    auto* d = qobject_cast<gui::CTemplateDialog*>(dialog);
    if (kind != DialogKind::Template || !d) return;
    d->Colors()->setCurrentRow(3);
    Shot(d, "template_dialog");
  });
  DialogSeam::NextCancel(DialogKind::Template);
  Press(view->TemplateButton());

  DialogSeam::SetObserver([this](DialogKind kind, QWidget* dialog) {
    if (dialog && kind == DialogKind::SaveFolder) Shot(dialog, "save_folder_dialog");
    if (dialog && kind == DialogKind::Version) Shot(dialog, "version_box");
  });
  DialogSeam::NextCancel(DialogKind::SaveFolder);
  Press(view->SaveFolderButton());
  DialogSeam::NextAccept(DialogKind::Version);
  gui::ShowVersionBox(&Frame());
}

}  // namespace
}  // namespace orrivan
