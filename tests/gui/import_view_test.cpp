// A whole card import as a person makes it in the window: the import view's camera button, the
// confirmation, the undated question and the progress window answered through the dialogs' seam;
// cancel and a close during the run roll it back; the browser that cannot be started is told.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <functional>

#include "base/strings.h"
#include "gui/dialog_seam.h"
#include "gui/entry_form_view.h"
#include "gui/main_frame.h"
#include "gui_fixture.h"
#include "library/album_document.h"
#include "library/layout.h"
#include "support/jpeg_writer.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;
using gui::DialogKind;
using gui::DialogSeam;

QString Text(StrId id) { return QString::fromStdString(Str(id)); }

class ImportView : public test::GuiFixture {
 protected:
  void SetUp() override {
    GuiFixture::SetUp();
    card_ = dir_.path() / "card";
    fs::create_directories(card_ / "DCIM" / "100TEST");
    ::setenv("ORRIVAN_VOLUMES", card_.c_str(), 1);
    DialogSeam::Enable();
  }
  void TearDown() override {
    DialogSeam::Disable();
    ::unsetenv("ORRIVAN_VOLUMES");
    GuiFixture::TearDown();
  }
  void Picture(const std::string& name, const std::string& shot, int size = 64, std::uint32_t seed = 1) {
    test::JpegSpec picture;
    picture.width = size;
    picture.height = size * 3 / 4;
    picture.seed = seed;
    if (!shot.empty()) {
      test::ExifSpec exif;
      exif.dateTimeOriginal = shot;
      picture.exif = exif;
    }
    test::WriteJpeg(card_ / "DCIM" / "100TEST" / name, picture);
  }
  // Enough pictures that the run is still going when the progress window is first seen.
  static constexpr size_t kMany = 16;
  void ManyPictures() {
    for (size_t i = 1; i <= kMany; ++i)
      Picture("ABCD" + std::string(i < 10 ? "000" : "00") + std::to_string(i) + ".JPG", "2007:03:15 10:00:00", 512,
              static_cast<std::uint32_t>(i));
  }
  gui::CEntryFormView* OpenImportView() {
    Press(FindButton(&Frame(), Text(StrId::NavImport)));
    return qobject_cast<gui::CEntryFormView*>(Frame().CurrentView());
  }
  QString Counter() { return Frame().CurrentView()->findChild<QLabel*>("LibraryCount")->text(); }
  size_t FilesUnder(const fs::path& root) {
    size_t n = 0;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, ec), end; it != end; it.increment(ec))
      n += it->is_regular_file();
    return n;
  }
  // Calls act once, on the GUI thread, as soon as the import's progress window is up.
  void WhenProgressShows(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer(&Frame());
    timer->setInterval(1);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->windowTitle() == Text(StrId::ImportCaption)) {
          timer->stop();
          timer->deleteLater();
          act(w);
          return;
        }
      }
    });
    timer->start();
  }

  fs::path card_;
};

TEST_F(ImportView, CameraButtonFilesTheCardAndUpdatesTheCounter) {
  Picture("ABCD0001.JPG", "2007:03:15 10:00:00", 64, 1);
  Picture("ABCD0002.JPG", "2007:03:16 10:00:00", 64, 2);
  Picture("ABCD0003.JPG", "", 64, 3);  // no shooting date
  ASSERT_TRUE(StartProgram());
  gui::CEntryFormView* view = OpenImportView();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(Counter(), "0" + Text(StrId::DayCountSuffix));

  DialogSeam::NextButton("OK");                                 // the confirmation
  DialogSeam::NextUndated(UndatedChoice::Kind::FileDate);       // the undated picture by its file date
  DialogSeam::NextBrowser(true);                                // the album opens
  Press(view->CameraButton());

  EXPECT_TRUE(DialogSeam::Misses().empty()) << DialogSeam::Misses().front();
  const auto shown = DialogSeam::ShownDialogs();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown[0].kind, DialogKind::Box);
  EXPECT_EQ(shown[0].caption, Str(StrId::ProductName));
  EXPECT_EQ(shown[0].text, Str(StrId::CardFoundImport));
  EXPECT_EQ(shown[0].buttons, (std::vector<std::string>{"OK", Str(StrId::CancelButton)}));
  EXPECT_TRUE(fs::exists(root_ / "20070315" / "ABCD0001.JPG"));
  EXPECT_TRUE(fs::exists(root_ / "20070316" / "ABCD0002.JPG"));
  EXPECT_EQ(Frame().Context().session.Album().PictureCount(), 3u);
  EXPECT_EQ(Counter(), QString::number(Frame().Context().session.Album().DayCount()) + Text(StrId::DayCountSuffix));
  EXPECT_TRUE(fs::exists(layout::WorkingAlbumPath()));
}

TEST_F(ImportView, CancelInTheProgressWindowRollsTheRunBack) {
  ManyPictures();
  ASSERT_TRUE(StartProgram());
  gui::CEntryFormView* view = OpenImportView();
  DialogSeam::NextButton("OK");
  bool pressedDuringRun = false;
  WhenProgressShows([&](QWidget* progress) {
    // Buttons pressed during a run start nothing.
    QAbstractButton* library = FindButton(&Frame(), Text(StrId::NavLibrary));
    library->click();
    pressedDuringRun = true;
    QAbstractButton* cancel = FindButton(progress, Text(StrId::CancelButtonHalfWidth));
    ASSERT_NE(cancel, nullptr);
    cancel->click();
  });
  Press(view->CameraButton());
  EXPECT_TRUE(pressedDuringRun);
  EXPECT_EQ(FilesUnder(root_), 0u);
  EXPECT_EQ(Frame().Context().session.Album().DayCount(), 0u);
  EXPECT_FALSE(fs::exists(layout::WorkingAlbumPath()));
  EXPECT_EQ(FilesUnder(card_), kMany);
  for (const auto& d : DialogSeam::ShownDialogs()) EXPECT_NE(d.kind, DialogKind::Browser);
  EXPECT_EQ(Counter(), "0" + Text(StrId::DayCountSuffix));
}

TEST_F(ImportView, ClosingTheWindowDuringARunCancelsAndRollsBackBeforeItCloses) {
  ManyPictures();
  ASSERT_TRUE(StartProgram());
  gui::CEntryFormView* view = OpenImportView();
  DialogSeam::NextButton("OK");
  bool closeRefused = false;
  WhenProgressShows([&](QWidget*) { closeRefused = !Frame().close(); });
  Press(view->CameraButton());
  for (int i = 0; i < 10; ++i) QApplication::processEvents();
  EXPECT_TRUE(closeRefused);  // the run ends first
  EXPECT_EQ(FilesUnder(root_), 0u);
  EXPECT_FALSE(fs::exists(layout::WorkingAlbumPath()));
  // The close was carried out afterwards, as from any full view: back to the start view.
  EXPECT_EQ(Shown(), gui::ViewId::Start);
}

TEST_F(ImportView, ABrowserThatCannotBeStartedIsTold) {
  Picture("ABCD0001.JPG", "2007:03:15 10:00:00");
  ASSERT_TRUE(StartProgram());
  gui::CEntryFormView* view = OpenImportView();
  DialogSeam::NextButton("OK");
  DialogSeam::NextBrowser(false);
  DialogSeam::NextButton("OK");  // 59165
  Press(view->CameraButton());
  EXPECT_TRUE(DialogSeam::Misses().empty());
  const auto shown = DialogSeam::ShownDialogs();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back().text, Str(StrId::LibraryOpenError));
  EXPECT_TRUE(fs::exists(root_ / "20070315" / "ABCD0001.JPG"));
}

class Welcome : public test::GuiFixture {
 protected:
  void SetUp() override {
    GuiFixture::SetUp();
    QSettingsReset();
    DialogSeam::Enable();
  }
  void TearDown() override {
    DialogSeam::Disable();
    GuiFixture::TearDown();
  }
  // A fresh profile: no "DisplayMethod" at all.
  void QSettingsReset() { fs::remove(dir_.path() / "Orrivan.conf"); }
};

TEST_F(Welcome, CancelEndsTheProgramAndLeavesTheDialogForNextTime) {
  DialogSeam::NextCancel(DialogKind::Welcome);
  EXPECT_FALSE(StartProgram());
  EXPECT_EQ(settings::DisplayMethodAtStartup(), 2);
  EXPECT_TRUE(DialogSeam::Misses().empty());
  ASSERT_EQ(DialogSeam::ShownDialogs().size(), 1u);
  EXPECT_EQ(DialogSeam::ShownDialogs()[0].caption, Str(StrId::WelcomeTitle));
}

TEST_F(Welcome, OkBuildsTheCalendarOnceAndChoosesTheListView) {
  DialogSeam::NextAccept(DialogKind::Welcome);
  ASSERT_TRUE(StartProgram());
  for (int i = 0; i < 20 && settings::GetInt(settings::Key::DisplayMethod) != 0; ++i) QApplication::processEvents();
  EXPECT_EQ(settings::GetInt(settings::Key::DisplayMethod), 0);
  EXPECT_TRUE(fs::exists(home_ / "HTML" / "calendar_1.htm"));
}

}  // namespace
}  // namespace orrivan
