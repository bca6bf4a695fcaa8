// The serial dialogs against fakecam on a pseudo-terminal and against a silent one: the folder
// list the worker brings back, the folder chosen and imported, the port test's two outcomes (and a
// port that is no tty), the transfer unit written by Cancel too.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>

#include "base/settings.h"
#include "base/strings.h"
#include "camera/fakecam_process.h"
#include "gui/serial_dialogs.h"
#include "html/plugin_host.h"
#include "html/template_repair.h"
#include "import/serial_import.h"
#include "library/album_document.h"
#include "library/layout.h"
#include "support/fake_interaction.h"
#include "support/home_fixture.h"
#include "support/jpeg_writer.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;
using test::FakeInteraction;

// Lets the GUI thread run until done() holds or the time is up.
bool WaitUntil(const std::function<bool()>& done, int ms = 15000) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < ms) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return done();
}

// A pseudo-terminal nobody answers on.
struct SilentPort {
  SilentPort() {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) slave = ptsname(master);
  }
  ~SilentPort() {
    if (master >= 0) close(master);
  }
  int master = -1;
  std::string slave;
};

class SerialDialogs : public test::HomeFixture {
 protected:
  void SetUp() override {
    HomeFixture::SetUp();
    test::UseTestPluginFolders(home_);
    ASSERT_TRUE(RepairTemplateChoice());
    card_ = dir_ / "camera";
    test::JpegSpec picture;
    picture.width = 48;
    picture.height = 32;
    test::ExifSpec exif;
    exif.dateTimeOriginal = "2007:03:15 10:00:00";
    picture.exif = exif;
    test::WriteJpeg(card_ / "DCIM" / "100TEST" / "ABCD0001.JPG", picture);
    picture.seed = 2;
    exif.dateTimeOriginal = "2007:03:16 10:00:00";
    picture.exif = exif;
    test::WriteJpeg(card_ / "DCIM" / "101TEST" / "EFGH0002.JPG", picture);
  }
  void TearDown() override {
    SetPluginFoldersForTesting({});
    HomeFixture::TearDown();
  }
  void StartCamera() {
    cam_ = std::make_unique<test::FakecamProcess>(card_, dir_ / "fakecam.log", std::vector<std::string>{"--no-pacing"});
    ASSERT_FALSE(cam_->Port().empty()) << "fakecam did not start: " << test::FakecamBinary();
  }
  // Short waits, so a silent port costs a fraction of a second.
  static void Quick(CCameraLink& link, const std::string& port) {
    link.SetPortName(port);
    link.SetBaudRateText("115200");
    LinkTimings t;
    t.replyTimeoutMs = 400;
    t.blockTimeoutMs = 400;
    t.slowTimeoutMs = 800;
    t.firstAckWaitMs = 0;
    t.enqNakDelayMs = 5;
    t.speedChangeDelayMs = 40;
    t.blockRetryDelayMs = 20;
    t.cancelGraceMs = 50;
    t.writeTimeoutMs = 1000;
    link.SetTimings(t);
  }

  fs::path card_;
  std::unique_ptr<test::FakecamProcess> cam_;
  FakeInteraction ui_;
};

TEST_F(SerialDialogs, TheWorkerListsTheCameraFoldersTheUserPicksOneAndItsPicturesAreFiled) {
  StartCamera();
  CCameraLink link;
  Quick(link, cam_->Port());
  link.SetCameraFolder("101TEST", false);
  gui::CCameraFolderDialog dialog(link, ui_, nullptr);
  EXPECT_EQ(dialog.FolderList()->currentText().toStdString(), Str(StrId::ReceivingFolderNames));
  EXPECT_FALSE(dialog.OkButton()->isEnabled());
  EXPECT_FALSE(dialog.CancelButton()->isEnabled());
  dialog.show();
  ASSERT_TRUE(WaitUntil([&] { return !dialog.Listing() && dialog.OkButton()->isEnabled(); }));
  EXPECT_EQ(dialog.ListResult(), LINK_OK);
  ASSERT_EQ(dialog.FolderList()->count(), 2);
  EXPECT_EQ(dialog.FolderList()->itemText(0).toStdString(), "\\DCIM\\100TEST");
  EXPECT_EQ(dialog.FolderList()->currentText().toStdString(), "\\DCIM\\101TEST");  // the one remembered
  // The battery is checked every 500 ms while the dialog waits.
  const auto checks = [&] {
    const auto events = cam_->Events();
    return std::count(events.begin(), events.end(), "CMD BC");
  };
  const auto before = checks();
  EXPECT_GE(before, 2);  // the worker's two
  EXPECT_TRUE(WaitUntil([&] { return checks() >= before + 2; }, 3000));
  EXPECT_TRUE(dialog.isVisible());

  dialog.FolderList()->setCurrentIndex(0);
  dialog.OkButton()->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.ChosenFolder(), "100TEST");
  EXPECT_EQ(settings::GetString(settings::Key::SCameraDir), "100TEST");

  CRKCardAlbumDoc album(home_);
  album.SetGenerationRotation(false);
  SerialImportOptions options;
  options.openBrowser = false;
  options.classification = 0;
  CSerialImport engine(album, ui_, options);
  ASSERT_EQ(engine.RunChosenFolder(link, dialog.ChosenFolder()), ImportResult::Done);
  EXPECT_TRUE(fs::exists(home_ / "Image Library" / "20070315" / "ABCD0001.JPG"));
  EXPECT_FALSE(fs::exists(home_ / "Image Library" / "20070316"));
}

TEST_F(SerialDialogs, ACameraThatDoesNotAnswerGivesTheFailureEntryAndOnlyCancel) {
  SilentPort silent;
  ASSERT_FALSE(silent.slave.empty());
  CCameraLink link;
  Quick(link, silent.slave);
  gui::CCameraFolderDialog dialog(link, ui_, nullptr);
  dialog.show();
  // Repainting goes on while the worker waits for the camera.
  QElapsedTimer timer;
  timer.start();
  while (dialog.Listing() && timer.elapsed() < 15000) {
    dialog.repaint();
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  ASSERT_TRUE(WaitUntil([&] { return !dialog.Listing(); }));
  EXPECT_NE(dialog.ListResult(), LINK_OK);
  EXPECT_EQ(dialog.FolderList()->count(), 1);
  EXPECT_EQ(dialog.FolderList()->currentText().toStdString(), Str(StrId::FolderNamesFailed));
  EXPECT_FALSE(dialog.OkButton()->isEnabled());
  EXPECT_TRUE(dialog.CancelButton()->isEnabled());
  EXPECT_EQ(ui_.Texts(FakeInteraction::Kind::Message), std::vector<std::string>{Str(StrId::CameraNotResponding)});
  dialog.CancelButton()->click();
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(SerialDialogs, ThePortTestFailsOnASilentPortSucceedsWithTheCameraAndNamesAPortThatIsNoTty) {
  SilentPort silent;
  ASSERT_FALSE(silent.slave.empty());
  CCameraLink link;
  Quick(link, "COM1");
  link.SetBaudRateText("38400");
  gui::CSerialSettingsDialog dialog(link, ui_, nullptr);
  dialog.show();
  EXPECT_EQ(dialog.PortList()->currentText().toStdString(), "COM1");
  EXPECT_EQ(dialog.SpeedList()->currentText().toStdString(), "38400");

  dialog.PortList()->setCurrentText(QString::fromStdString(silent.slave));
  dialog.TestButton()->click();
  EXPECT_TRUE(dialog.Testing());
  EXPECT_FALSE(dialog.OkButton()->isEnabled());
  EXPECT_FALSE(dialog.CancelButton()->isEnabled());
  ASSERT_TRUE(WaitUntil([&] { return !dialog.Testing(); }));
  EXPECT_NE(dialog.LastTest(), LINK_OK);
  ASSERT_EQ(ui_.records.size(), 1u);
  EXPECT_EQ(ui_.records[0].text, Str(StrId::CameraNotResponding));
  EXPECT_EQ(ui_.records[0].icon, Icon::Stop);
  EXPECT_EQ(dialog.PortList()->currentText().toStdString(), "COM1");  // the confirmed values come back
  EXPECT_EQ(link.PortName(), "COM1");
  EXPECT_TRUE(dialog.OkButton()->isEnabled());

  const fs::path file = dir_ / "not-a-port";
  test::WriteFile(file, "");
  dialog.PortList()->setCurrentText(QString::fromStdString(file.string()));
  dialog.TestButton()->click();
  ASSERT_TRUE(WaitUntil([&] { return !dialog.Testing(); }));
  ASSERT_EQ(ui_.records.size(), 2u);
  EXPECT_EQ(ui_.records[1].text, Str(StrId::PortNotTty));

  StartCamera();
  dialog.PortList()->setCurrentText(QString::fromStdString(cam_->Port()));
  dialog.TestButton()->click();
  ASSERT_TRUE(WaitUntil([&] { return !dialog.Testing(); }));
  EXPECT_EQ(dialog.LastTest(), LINK_OK);
  ASSERT_EQ(ui_.records.size(), 3u);
  EXPECT_EQ(ui_.records[2].text, Str(StrId::CameraRecognised));
  EXPECT_EQ(ui_.records[2].icon, Icon::Exclamation);
  EXPECT_TRUE(cam_->WaitFor("QR"));

  dialog.OkButton()->click();
  EXPECT_EQ(settings::GetString(settings::Key::CommPort), cam_->Port());
  EXPECT_EQ(settings::GetString(settings::Key::BaudRate), "38400");
}

TEST_F(SerialDialogs, TheTransferUnitIsWrittenWhenTheDialogClosesByCancelToo) {
  settings::SetInt(settings::Key::TransMode, 0);
  CCameraLink link;
  {
    gui::CSerialImportDialog dialog(link, ui_, nullptr);
    dialog.show();
    EXPECT_TRUE(dialog.AllChoice()->isChecked());
    dialog.FolderChoice()->click();
    dialog.CancelButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
  }
  EXPECT_EQ(settings::GetInt(settings::Key::TransMode), 1);
  gui::CSerialImportDialog again(link, ui_, nullptr);
  EXPECT_TRUE(again.FolderChoice()->isChecked());
  again.show();
  again.AllChoice()->click();
  again.OkButton()->click();
  EXPECT_EQ(again.result(), QDialog::Accepted);
  EXPECT_EQ(settings::GetInt(settings::Key::TransMode), 0);
}

}  // namespace
}  // namespace orrivan
