// The other-image dialog driven as a user would: its refusals and their boxes, the preview pane on a
// JPEG and an AVI frame, the check at "取り込み(&G)" for a folder that went away, and the settings it
// reads and writes. Also the screenshots of it and of the three serial dialogs (ORRIVAN_SCREENSHOT_DIR).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <cstdlib>

#include "base/settings.h"
#include "base/strings.h"
#include "gui/other_image_dialog.h"
#include "gui/serial_dialogs.h"
#include "support/avi_writer.h"
#include "support/fake_interaction.h"
#include "support/home_fixture.h"
#include "support/jpeg_writer.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;
using settings::Key;
using test::FakeInteraction;

class OtherImageDialog : public test::HomeFixture {
 protected:
  void SetUp() override {
    HomeFixture::SetUp();
    photos_ = dir_ / "photos";
    test::JpegSpec picture;
    picture.width = 64;
    picture.height = 48;
    test::WriteJpeg(photos_ / "a.JPG", picture);
    test::AviSpec movie;
    movie.width = 160;
    movie.height = 120;
    haveMovie_ = test::WriteAvi(photos_ / "b.avi", movie);
    test::WriteFile(photos_ / "c.WAV", "RIFF");
  }
  static void Settle() {
    for (int i = 0; i < 10; ++i) QApplication::processEvents();
  }
  fs::path photos_;
  bool haveMovie_ = false;
  FakeInteraction ui_;
};

TEST_F(OtherImageDialog, RefusesAJpegOnlyFolderAndAnEleventhWithTheirBoxes) {
  gui::COtherImageDialog dialog(ui_, nullptr);
  fs::create_directories(dir_ / "jpeg");
  test::WriteFile(dir_ / "jpeg" / "x.jpeg", "x");
  EXPECT_FALSE(dialog.AddFolder(dir_ / "jpeg"));
  ASSERT_EQ(ui_.records.size(), 1u);
  EXPECT_EQ(ui_.records[0].look.caption, "追加");
  EXPECT_EQ(ui_.records[0].text, (dir_ / "jpeg").string() + "\nフォルダ内に対応する画像ファイルが見つかりません");
  EXPECT_EQ(dialog.List()->count(), 0);
  EXPECT_FALSE(dialog.ImportButton()->isEnabled());

  for (int i = 0; i < 10; ++i) {
    const fs::path folder = dir_ / ("f" + std::to_string(i));
    test::WriteFile(folder / "p.JPG", "x");
    ASSERT_TRUE(dialog.AddFolder(folder)) << i;
  }
  EXPECT_FALSE(dialog.AddButton()->isEnabled());
  EXPECT_FALSE(dialog.AddFolder(photos_));
  EXPECT_EQ(ui_.records.back().text, Str(StrId::FolderListFull));
  EXPECT_EQ(dialog.List()->count(), 10);
  dialog.List()->setCurrentRow(0);
  dialog.RemoveButton()->click();
  EXPECT_EQ(dialog.List()->count(), 9);
  EXPECT_TRUE(dialog.AddButton()->isEnabled());
  EXPECT_TRUE(dialog.AddFolder(photos_));
}

TEST_F(OtherImageDialog, ThePreviewPaneShowsTheJpegAndTheMoviesFirstFrameAndStepsThroughTheList) {
  settings::SetInt(Key::PreviewPicTake, 1);
  gui::COtherImageDialog dialog(ui_, nullptr);
  EXPECT_TRUE(dialog.PreviewCheck()->isChecked());
  ASSERT_TRUE(dialog.AddFolder(photos_));
  EXPECT_EQ(dialog.PreviewFile(), photos_ / "a.JPG");
  EXPECT_FALSE(dialog.PreviewPixmap().isNull());
  dialog.NextButton()->click();
  EXPECT_EQ(dialog.PreviewFile(), photos_ / "b.avi");
  if (haveMovie_) {
    ASSERT_FALSE(dialog.PreviewPixmap().isNull());
    // The first frame is the red one.
    const QImage frame = dialog.PreviewPixmap().toImage();
    const QColor middle = frame.pixelColor(frame.width() / 2, frame.height() / 2);
    EXPECT_GT(middle.red(), 150);
    EXPECT_LT(middle.blue(), 90);
  }
  dialog.NextButton()->click();
  EXPECT_EQ(dialog.PreviewFile(), photos_ / "c.WAV");
  EXPECT_TRUE(dialog.PreviewPixmap().isNull());
  dialog.NextButton()->click();
  EXPECT_EQ(dialog.PreviewFile(), photos_ / "a.JPG");
  dialog.PreviousButton()->click();
  EXPECT_EQ(dialog.PreviewFile(), photos_ / "c.WAV");
  dialog.PreviewCheck()->click();
  EXPECT_TRUE(dialog.PreviewPixmap().isNull());
  EXPECT_FALSE(dialog.NextButton()->isEnabled());
}

TEST_F(OtherImageDialog, AFolderThatWentAwayStopsTheImportWithItsShortenedPath) {
  const fs::path far = dir_ / "a folder with a rather long name" / "holiday";
  test::WriteFile(far / "p.JPG", "x");
  settings::SetString(Key::PersonalFolder, "/nowhere");
  gui::COtherImageDialog dialog(ui_, nullptr);
  dialog.show();
  ASSERT_TRUE(dialog.AddFolder(far));
  fs::remove_all(far);
  dialog.ImportButton()->click();
  EXPECT_TRUE(dialog.isVisible());
  ASSERT_EQ(ui_.records.size(), 1u);
  EXPECT_EQ(ui_.records[0].look.caption, "その他画像の取込");
  EXPECT_EQ(ui_.records[0].icon, Icon::Stop);
  EXPECT_EQ(ui_.records[0].text, ShortenedPath(far.string()) + "\nフォルダが見つかりません\n処理を中断します。");
  EXPECT_EQ(ShortenedPath(far.string()).size(), 30u);

  dialog.PreviewCheck()->setChecked(true);
  dialog.CancelButton()->click();
  EXPECT_EQ(settings::GetInt(Key::PreviewPicTake), 1);
  EXPECT_GT(settings::GetInt(Key::CaptureDlgRight), settings::GetInt(Key::CaptureDlgLeft));
  EXPECT_EQ(settings::GetString(Key::PersonalFolder), "/nowhere");  // Cancel leaves it
}

TEST_F(OtherImageDialog, OkGivesTheFoldersInOrderTheTransferChoiceAndRemembersTheTreeFolder) {
  const fs::path second = dir_ / "second";
  test::WriteFile(second / "q.jpg", "x");
  gui::COtherImageDialog dialog(ui_, nullptr);
  dialog.show();
  ASSERT_TRUE(dialog.AddFolder(second));
  ASSERT_TRUE(dialog.AddFolder(photos_));
  dialog.TransferChoice()->button(2)->click();
  EXPECT_EQ(dialog.TransferMode(), kTransferShortcut);
  dialog.SelectInTree(photos_);
  dialog.ImportButton()->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.Folders(), (std::vector<fs::path>{second, photos_}));
  EXPECT_EQ(settings::GetString(Key::PersonalFolder), photos_.string());
}

// Pictures for looking at: run with ORRIVAN_SCREENSHOT_DIR under Xvfb.
TEST_F(OtherImageDialog, Screenshots) {
  const char* out = std::getenv("ORRIVAN_SCREENSHOT_DIR");
  if (!out) GTEST_SKIP() << "ORRIVAN_SCREENSHOT_DIR not set";
  const auto shot = [&](QWidget& w, const char* name) {
    w.show();
    Settle();
    EXPECT_TRUE(w.grab().save(QString(out) + "/" + name + ".png"));
  };
  settings::SetInt(Key::PreviewPicTake, 1);
  settings::SetString(Key::PersonalFolder, photos_.string());
  gui::COtherImageDialog dialog(ui_, nullptr);
  ASSERT_TRUE(dialog.AddFolder(photos_));
  shot(dialog, "other_image_jpeg");
  dialog.NextButton()->click();
  shot(dialog, "other_image_avi");
  dialog.reject();

  CCameraLink link;
  link.SetPortName("COM1");
  gui::CSerialImportDialog unit(link, ui_, nullptr);
  shot(unit, "serial_import");
  unit.reject();
  gui::CSerialSettingsDialog port(link, ui_, nullptr);
  shot(port, "serial_settings");
  port.reject();
  link.SetPortName(photos_.string());  // no camera there: the dialog stays at its first entry
  gui::CCameraFolderDialog folders(link, ui_, nullptr);
  folders.show();
  shot(folders, "camera_folders_receiving");
}

}  // namespace
}  // namespace orrivan

namespace orrivan {
namespace {

// The place and size are written on closing and read on opening; reading them must give the same
// rectangle back, or the dialog creeps by a pixel at every opening.
TEST_F(OtherImageDialog, KeepsItsSizeFromOneOpeningToTheNext) {
  QSize first;
  {
    gui::COtherImageDialog dialog(ui_, nullptr);
    dialog.setGeometry(100, 80, 700, 520);
    first = dialog.geometry().size();
    dialog.done(QDialog::Rejected);
  }
  gui::COtherImageDialog again(ui_, nullptr);
  EXPECT_EQ(again.geometry().size(), first);
}

}  // namespace
}  // namespace orrivan
