// The settings view as a person uses it: the page it opens on, radio groups written at once, the
// folder and template displays, the mail list, the template dialog with test plug-ins, the auto-import
// switch, the version page, and moving the library through the view's folder dialog.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "app/companion.h"
#include "app/relocation.h"
#include "app/settings_display.h"
#include "base/paths.h"
#include "base/strings.h"
#include "gui/dialog_seam.h"
#include "gui/mail_settings_page.h"
#include "gui/main_frame.h"
#include "gui/setup_form_view.h"
#include "gui/template_dialog.h"
#include "gui/version_box.h"
#include "gui_fixture.h"
#include "library/album_document.h"
#include "library/album_file.h"
#include "library/layout.h"
#include "maintenance/mail_choice.h"
#include "support/jpeg_writer.h"
#include "support/link_check.h"
#include "support/temp_dir.h"
#include "widget_walk.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;
using gui::CSetupFormView;
using gui::DialogKind;
using gui::DialogSeam;
using gui::ViewId;
using settings::Key;

QString Text(StrId id) { return QString::fromStdString(Str(id)); }

class SetupView : public test::GuiFixture {
 protected:
  void SetUp() override {
    GuiFixture::SetUp();
    DialogSeam::Enable();
    oldPath_ = std::getenv("PATH") ? std::getenv("PATH") : "";
    // No mail program of this machine may leak into the list.
    bin_ = dir_.path() / "bin";
    fs::create_directories(bin_);
    ::setenv("PATH", bin_.c_str(), 1);
  }
  void TearDown() override {
    GuiFixture::TearDown();
    ::setenv("PATH", oldPath_.c_str(), 1);
    SetFreeSpaceProbeForTesting({});
    std::string all;
    for (const auto& m : DialogSeam::Misses()) all += m + "\n";
    EXPECT_TRUE(all.empty()) << all;
    DialogSeam::Disable();
    for (const fs::path& p : cleanup_) fs::remove_all(p);
  }

  CSetupFormView* OpenSettings() {
    if (Shown() != ViewId::Settings) Press(FindButton(&Frame(), Text(StrId::NavSettings)));
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    return qobject_cast<CSetupFormView*>(Frame().CurrentView());
  }
  static QRadioButton* Radio(QWidget* root, StrId caption) {
    return qobject_cast<QRadioButton*>(FindButton(root, Text(caption)));
  }
  void InstallProgram(const std::string& name) {
    test::WriteFile(bin_ / name, "#!/bin/sh\n");
    ::chmod((bin_ / name).c_str(), 0755);
  }
  // The boxes shown so far whose text holds part.
  static int BoxesSaying(const std::string& part) {
    int n = 0;
    for (const auto& shown : DialogSeam::ShownDialogs())
      if (shown.kind == DialogKind::Box && shown.text.find(part) != std::string::npos) ++n;
    return n;
  }
  fs::path ShmFolder(const std::string& name) {
    const fs::path p = fs::path("/dev/shm") / ("orrivan-setup-" + std::to_string(::getpid()) + "-" + name);
    fs::remove_all(p);
    cleanup_.push_back(p);
    return p;
  }

  // Two days with pictures and previews, and a file in the root, as the program's album.
  void MakeLibrary() {
    AlbumContents contents;
    int seed = 1;
    for (const auto& [name, files] : std::vector<std::pair<std::string, std::vector<std::string>>>{
             {"20070315", {"A.JPG", "B.JPG"}}, {"20070401_01", {"C.JPG"}}}) {
      const fs::path folder = root_ / name;
      fs::create_directories(folder / "PREVIEW");
      CAlbumData day;
      day.folderPath = folder.string();
      day.pagePath = (folder / "INDEX.HTM").string();
      day.title = name;
      day.pictureCount = static_cast<int>(files.size());
      day.templateName = "タイプ１,ｸﾞﾘｰﾝ/ｸﾞﾚｰ";
      day.mailName = kNoMailProgram;
      for (const std::string& file : files) {
        test::JpegSpec jpeg;
        jpeg.width = 320;
        jpeg.height = 240;
        jpeg.seed = static_cast<uint32_t>(seed++);
        test::WriteJpeg(folder / file, jpeg);
        test::WriteJpeg(folder / "PREVIEW" / file, jpeg);
        CPhotoData picture;
        picture.filePath = (folder / file).string();
        picture.year = name.substr(0, 4);
        picture.month = name.substr(4, 2);
        picture.day = name.substr(6, 2);
        picture.hour = "12";
        picture.minute = "00";
        picture.second = "00";
        picture.size = static_cast<int>(fs::file_size(folder / file));
        day.totalSize += picture.size;
        contents.pictures.push_back(picture);
      }
      contents.days.push_back(day);
    }
    test::WriteFile(root_ / "readme.txt", "root file");
    const std::string bytes = WriteAlbumBytes(contents);
    test::WriteFile(home_ / "Orrivan.rks", bytes);
    test::WriteFile(root_ / "Orrivan.rks", bytes);
    settings::SetString(Key::SaveFolder, root_.string());
  }
  // Every file below folder, by path relative to it.
  static std::set<std::string> Files(const fs::path& folder) {
    std::set<std::string> out;
    std::error_code ec;
    if (!fs::exists(folder, ec)) return out;
    for (const auto& e : fs::recursive_directory_iterator(folder))
      if (e.is_regular_file()) out.insert(fs::relative(e.path(), folder).string());
    return out;
  }

  std::string oldPath_;
  fs::path bin_;
  std::vector<fs::path> cleanup_;
};

TEST_F(SetupView, AFreshProfileOpensOnTheOptionsPageAndAfterAMailChoiceOnTheGeneralPage) {
  settings::SetString(Key::MailName, "error");
  DialogSeam::NextButton(0);  // the first visit's notice
  ASSERT_TRUE(StartProgram());
  for (int i = 0; i < 10; ++i) QApplication::processEvents();
  ASSERT_EQ(Shown(), ViewId::Settings);  // the start view handed the fresh profile over
  CSetupFormView* view = qobject_cast<CSetupFormView*>(Frame().CurrentView());
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->Tabs()->currentIndex(), CSetupFormView::kOptions);
  EXPECT_EQ(view->Tabs()->tabText(0), Text(StrId::SettingsTabGeneral));
  EXPECT_EQ(view->Tabs()->tabText(1), Text(StrId::SettingsTabCamera));
  EXPECT_EQ(view->Tabs()->tabText(2), Text(StrId::SettingsTabOptions));
  EXPECT_EQ(view->Tabs()->tabText(3), Text(StrId::SettingsTabVersion));
  EXPECT_EQ(BoxesSaying(Str(StrId::MailFirstVisitText)), 1);
  EXPECT_EQ(settings::GetString(Key::MailName), "ﾒｰﾗｰの設定しない");
  EXPECT_EQ(view->MailPage()->ChosenName()->text(), "ﾒｰﾗｰの設定しない");
  // The view's own button is disabled; the others lead on.
  EXPECT_FALSE(FindButton(&Frame(), Text(StrId::NavSettings))->isEnabled());

  Press(FindButton(&Frame(), Text(StrId::NavImport)));
  view = OpenSettings();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->Tabs()->currentIndex(), CSetupFormView::kGeneral);
  EXPECT_EQ(BoxesSaying(Str(StrId::MailFirstVisitText)), 1);  // once only
  EXPECT_TRUE(test::UnnamedControls(view).empty());
}

TEST_F(SetupView, EveryGroupShowsTheStoredValueAndAClickWritesAtOnce) {
  settings::SetInt(Key::Classitication, 1);
  settings::SetInt(Key::CopyImage, 1);
  settings::SetInt(Key::PrintButton, 1);
  settings::SetInt(Key::TempSize, 1);
  ASSERT_TRUE(StartProgram());
  CSetupFormView* view = OpenSettings();
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(Radio(view, StrId::ClassifyByGivenDate)->isChecked());
  EXPECT_TRUE(Radio(view, StrId::CopyImageDelete)->isChecked());
  EXPECT_TRUE(Radio(view, StrId::InputTitleNo)->isChecked());  // its default is 1
  EXPECT_TRUE(Radio(view, StrId::ShowLibraryYes)->isChecked());
  EXPECT_TRUE(Radio(view->MailPage(), StrId::AttachSizeSmall)->isChecked());
  EXPECT_TRUE(Radio(view->MailPage(), StrId::ShowLibraryNo)->isChecked());  // PRINT button: しない

  const struct {
    StrId button;
    Key key;
    int value;
  } clicks[] = {
      {StrId::ClassifyByShootingDate, Key::Classitication, 0}, {StrId::InputTitleYes, Key::InputTitle, 0},
      {StrId::ShowLibraryNo, Key::ShowLibrary, 1},             {StrId::ShowDialogNo, Key::ShowDialog, 1},
      {StrId::CopyImageKeep, Key::CopyImage, 0},               {StrId::RotationNo, Key::ImageRotation, 1},
  };
  view->Tabs()->setCurrentIndex(CSetupFormView::kGeneral);
  for (const auto& c : clicks) {
    view->Tabs()->setCurrentIndex(c.key == Key::Classitication || c.key == Key::InputTitle || c.key == Key::ShowLibrary
                                      ? CSetupFormView::kGeneral
                                      : CSetupFormView::kCamera);
    QRadioButton* b = nullptr;
    // "しない(&O)" is on two pages; take the one of the page shown.
    for (QRadioButton* r : view->Tabs()->currentWidget()->findChildren<QRadioButton*>())
      if (r->text() == Text(c.button)) b = r;
    ASSERT_NE(b, nullptr) << Str(c.button);
    QTest::mouseClick(b, Qt::LeftButton);
    EXPECT_EQ(settings::GetInt(c.key), c.value) << settings::EntryOf(c.key).name;
  }
  view->Tabs()->setCurrentIndex(CSetupFormView::kOptions);
  QTest::mouseClick(Radio(view->MailPage(), StrId::PrintButtonYes), Qt::LeftButton);
  EXPECT_EQ(settings::GetInt(Key::PrintButton), 0);
  QTest::mouseClick(Radio(view->MailPage(), StrId::AttachSizeLarge), Qt::LeftButton);
  EXPECT_EQ(settings::GetInt(Key::TempSize), 0);
}

TEST_F(SetupView, CalendarDisplayIsWrittenAtOnceAndTheLibraryButtonThenOpensTheCalendarFrame) {
  ASSERT_TRUE(StartProgram());
  CSetupFormView* view = OpenSettings();
  ASSERT_NE(view, nullptr);
  view->Tabs()->setCurrentIndex(CSetupFormView::kCamera);
  EXPECT_TRUE(Radio(view, StrId::DisplayMethodList)->isChecked());
  QTest::mouseClick(Radio(view, StrId::DisplayMethodCalendar), Qt::LeftButton);
  EXPECT_EQ(settings::GetInt(Key::DisplayMethod), 1);
  DialogSeam::NextBrowser(true);
  Press(FindButton(&Frame(), Text(StrId::NavLibrary)));
  const auto shown = DialogSeam::ShownDialogs();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back().kind, DialogKind::Browser);
  EXPECT_EQ(fs::path(shown.back().text).filename(), "library_2.htm");
}

TEST_F(SetupView, SaveFolderOfTwentyThreeCharactersIsShownWholeAndOfTwentyFourShortened) {
  ASSERT_TRUE(StartProgram());
  CSetupFormView* view = OpenSettings();
  ASSERT_NE(view, nullptr);
  settings::SetString(Key::SaveFolder, "/srv/photos/Image Libr");  // 22
  view->Refresh();
  EXPECT_EQ(view->SaveFolderDisplay()->text(), "/srv/photos/Image Libr");
  settings::SetString(Key::SaveFolder, "/srv/photos/Image Libra");  // 23
  view->Refresh();
  EXPECT_EQ(view->SaveFolderDisplay()->text(), "/srv/photos/Image Libra");
  settings::SetString(Key::SaveFolder, "/srv/photos/Image Librar");  // 24
  view->Refresh();
  EXPECT_EQ(view->SaveFolderDisplay()->text(), "/sr ... /photos/Image Librar");
  settings::SetString(Key::TemplateType, "タイプ３");
  settings::SetString(Key::TemplateBackCol, "ﾌﾞﾙｰ/ﾎﾜｲﾄ");
  view->Refresh();
  EXPECT_EQ(view->TemplateDisplay()->text(), "タイプ３ / 背景 ﾌﾞﾙｰ/ﾎﾜｲﾄ");
}

TEST_F(SetupView, MailListDisablesMissingProgramsAndWritesAChoiceAtOnce) {
  InstallProgram("thunderbird");
  ASSERT_TRUE(StartProgram());
  CSetupFormView* view = OpenSettings();
  ASSERT_NE(view, nullptr);
  view->Tabs()->setCurrentIndex(CSetupFormView::kOptions);
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  QListWidget* list = view->MailPage()->List();
  ASSERT_EQ(list->count(), kMailEntries);
  EXPECT_EQ(list->item(4)->text(), "Thunderbird");
  EXPECT_EQ(list->item(5)->text(), "Evolution");
  for (int i = 0; i < kMailEntries; ++i)
    EXPECT_EQ(static_cast<bool>(list->item(i)->flags() & Qt::ItemIsEnabled), i == 0 || i == 4) << i;
  EXPECT_EQ(list->currentRow(), 0);

  // A click on a disabled entry changes nothing.
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(2)).center());
  EXPECT_EQ(settings::GetString(Key::MailName), "ﾒｰﾗｰの設定しない");
  view->MailPage()->Choose(5);
  EXPECT_EQ(settings::GetString(Key::MailName), "ﾒｰﾗｰの設定しない");
  EXPECT_EQ(list->currentRow(), 0);

  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(4)).center());
  EXPECT_EQ(settings::GetString(Key::MailName), "Thunderbird");
  EXPECT_EQ(view->MailPage()->ChosenName()->text(), "Thunderbird");
  EXPECT_EQ(list->currentRow(), 4);
}

TEST_F(SetupView, ASettingsFileThatCannotBeWrittenIsToldAndTheRadioShowsWhatIsStored) {
  ASSERT_TRUE(StartProgram());
  CSetupFormView* view = OpenSettings();
  ASSERT_NE(view, nullptr);
  // A folder where the settings file should be: nothing can be written to it, nothing read.
  const fs::path blocked = dir_.path() / "blocked.conf";
  fs::create_directories(blocked);
  settings::UseFile(blocked);
  DialogSeam::NextButton(0);
  QTest::mouseClick(Radio(view, StrId::ClassifyByGivenDate), Qt::LeftButton);
  EXPECT_EQ(BoxesSaying(blocked.string()), 1);
  EXPECT_TRUE(Radio(view, StrId::ClassifyByShootingDate)->isChecked());  // the default, as stored
  EXPECT_FALSE(Radio(view, StrId::ClassifyByGivenDate)->isChecked());
  settings::UseFile(dir_.path() / "Orrivan.conf");
}

TEST_F(SetupView, SwitchingAutoImportOffRemovesTheLogonEntryAndOnWritesTheSetting) {
  const fs::path xdg = dir_.path() / "config";
  const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
  const std::string savedXdg = oldXdg ? oldXdg : "";
  ::setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
  ASSERT_TRUE(StartProgram());
  ASSERT_TRUE(SetLogonEntry(true));
  ASSERT_TRUE(fs::exists(LogonEntryPath()));
  CSetupFormView* view = OpenSettings();
  ASSERT_NE(view, nullptr);
  view->Tabs()->setCurrentIndex(CSetupFormView::kCamera);
  EXPECT_TRUE(Radio(view, StrId::AutoTakeInOn)->isChecked());
  const QString before = view->AutoImportState()->text();
  QTest::mouseClick(Radio(view, StrId::AutoTakeInOff), Qt::LeftButton);
  EXPECT_EQ(settings::GetInt(Key::AutoTakeIn), 1);
  EXPECT_FALSE(fs::exists(LogonEntryPath()));
  // The state of this run stays until the next start.
  EXPECT_EQ(view->AutoImportState()->text(), before);

  test::WriteFile(home_ / layout::kMarkerFileName, "/media/card\r\n");
  QTest::mouseClick(Radio(view, StrId::AutoTakeInOn), Qt::LeftButton);
  EXPECT_EQ(settings::GetInt(Key::AutoTakeIn), 0);
  EXPECT_FALSE(fs::exists(home_ / layout::kMarkerFileName));  // a stale marker goes
  if (oldXdg)
    ::setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
  else
    ::unsetenv("XDG_CONFIG_HOME");
}

TEST_F(SetupView, TemplateDialogListsSortedTitlesWithoutABrokenPluginAndWritesTheChoice) {
  const fs::path plugins = home_ / "Plugins";
  fs::create_directories(plugins);
  for (const char* name : {"first_B.so", "second_a.so"}) {
    fs::copy_file(fs::path(ORRIVAN_TEST_PLUGIN_DIR) / name, plugins / name);
    ::chmod((plugins / name).c_str(), 0755);
  }
  test::WriteFile(plugins / "broken.so", "this is not a shared library");
  ::chmod((plugins / "broken.so").c_str(), 0755);
  ASSERT_TRUE(StartProgram());
  CSetupFormView* view = OpenSettings();
  ASSERT_NE(view, nullptr);
  view->Tabs()->setCurrentIndex(CSetupFormView::kGeneral);

  QStringList titles;
  int bundledColours = 0;
  int colourOfB = -1;
  QString summaryOfB;
  DialogSeam::SetObserver([&](DialogKind kind, QWidget* dialog) {
    auto* d = qobject_cast<gui::CTemplateDialog*>(dialog);
    if (kind != DialogKind::Template || !d) return;
    for (int i = 0; i < d->Templates()->count(); ++i) titles << d->Templates()->item(i)->text();
    const int bundled = static_cast<int>(titles.indexOf("タイプ１"));
    if (bundled >= 0) {
      d->Templates()->setCurrentRow(bundled);
      bundledColours = d->Colors()->count();
      d->Colors()->setCurrentRow(3);
      EXPECT_FALSE(d->Sample()->pixmap().isNull());  // the bundled plug-in's sample is drawn
    }
    // "a": three colours, so colour 0, and a sample of the wrong size, so none drawn.
    d->Templates()->setCurrentRow(static_cast<int>(titles.indexOf("a")));
    EXPECT_EQ(d->Colors()->count(), 3);
    EXPECT_EQ(d->Colors()->currentRow(), 0);
    EXPECT_TRUE(d->Sample()->pixmap().isNull());
    EXPECT_EQ(d->Sample()->text(), Text(StrId::TemplateNoSample));
    EXPECT_TRUE(d->Summary()->toPlainText().isEmpty());
    d->Templates()->setCurrentRow(static_cast<int>(titles.indexOf("B")));
    colourOfB = d->Colors()->currentRow();
    summaryOfB = d->Summary()->toPlainText();
    // B hands over as many bytes as it named, but they are no bitmap: the reader refuses them.
    EXPECT_TRUE(d->Sample()->pixmap().isNull());
    EXPECT_TRUE(test::UnnamedControls(d).empty());
  });
  DialogSeam::NextAccept(DialogKind::Template);
  Press(view->TemplateButton());
  // The two test plug-ins' four titles and the bundled plug-in's four; nothing of broken.so.
  EXPECT_EQ(titles, (QStringList{"a", "B", "same", "same", "タイプ１", "タイプ２", "タイプ３", "タイプ４"}));
  EXPECT_EQ(summaryOfB, "summary B0");
  EXPECT_EQ(bundledColours, 17);
  EXPECT_EQ(colourOfB, 0);  // another plug-in: its colours start at 0
  EXPECT_EQ(settings::GetString(Key::TemplateType), "B");
  EXPECT_EQ(settings::GetString(Key::DllPath), "./Plugins/first_B.so");
  EXPECT_EQ(view->TemplateDisplay()->text().toStdString(),
            "B / 背景 " + settings::GetString(Key::TemplateBackCol));

  // Cancel changes nothing.
  DialogSeam::SetObserver(nullptr);
  DialogSeam::NextCancel(DialogKind::Template);
  Press(view->TemplateButton());
  EXPECT_EQ(settings::GetString(Key::TemplateType), "B");
}

TEST_F(SetupView, VersionPageNamesTheProgramAndWhatItWasBuiltWith) {
  ASSERT_TRUE(StartProgram());
  CSetupFormView* view = OpenSettings();
  ASSERT_NE(view, nullptr);
  QWidget* page = view->Tabs()->widget(CSetupFormView::kVersion);
  auto* version = page->findChild<QLabel*>("ProgramVersion");
  ASSERT_NE(version, nullptr);
  EXPECT_TRUE(version->text().endsWith(ORRIVAN_VERSION));
  for (const char* name : {"BuiltWith_Qt", "BuiltWith_libjpeg-turbo", "BuiltWith_FFmpeg"}) {
    auto* label = page->findChild<QLabel*>(name);
    ASSERT_NE(label, nullptr) << name;
    EXPECT_FALSE(label->text().isEmpty()) << name;
  }
  EXPECT_TRUE(page->findChild<QLabel*>("BuiltWith_Qt")->text().startsWith(QString(qVersion()).left(3)));
  // The same in the box that help offers on its button's menu.
  QAbstractButton* help = FindButton(&Frame(), QString::fromStdString(Str(StrId::NavHelp)));
  ASSERT_NE(help, nullptr);
  auto* helpMenu = static_cast<QToolButton*>(help)->menu();
  ASSERT_NE(helpMenu, nullptr);
  QAction* versionEntry = helpMenu->findChild<QAction*>("VersionAction");
  ASSERT_NE(versionEntry, nullptr);
  EXPECT_EQ(versionEntry->text().toStdString(), Str(StrId::VersionBoxTitle));
  DialogSeam::NextAccept(DialogKind::Version);
  versionEntry->trigger();
  const auto shown = DialogSeam::ShownDialogs();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back().kind, DialogKind::Version);
  EXPECT_NE(shown.back().text.find(ORRIVAN_VERSION), std::string::npos);
}

class SetupRelocation : public SetupView {
 protected:
  void SetUp() override {
    SetupView::SetUp();
    MakeLibrary();
    struct stat a {}, b {};
    if (::stat("/dev/shm", &a) != 0 || ::stat(root_.c_str(), &b) != 0 || a.st_dev == b.st_dev)
      GTEST_SKIP() << "/dev/shm is not another file system here";
  }
};

TEST_F(SetupRelocation, MovesTheLibraryToAnotherDiskAndThePagesResolve) {
  ASSERT_TRUE(StartProgram());
  CSetupFormView* view = OpenSettings();
  ASSERT_NE(view, nullptr);
  const std::set<std::string> before = Files(root_);
  ASSERT_GE(before.size(), 7u);  // three pictures, three previews, the root file, the album copy
  const fs::path target = ShmFolder("moved");
  fs::create_directories(target);
  DialogSeam::NextSaveFolder(target);
  Press(view->SaveFolderButton());
  for (int i = 0; i < 10; ++i) QApplication::processEvents();

  const fs::path newRoot = target / "Image Library";
  EXPECT_EQ(settings::GetString(Key::SaveFolder), newRoot.string());
  for (const std::string& file : before)
    if (file.find("INDEX.HTM") == std::string::npos) EXPECT_TRUE(fs::exists(newRoot / file)) << file;
  EXPECT_FALSE(fs::exists(root_ / "20070315"));
  EXPECT_TRUE(fs::exists(newRoot / "20070315" / "INDEX.HTM"));
  EXPECT_EQ(view->SaveFolderDisplay()->text().toStdString(), FolderDisplayText(newRoot.string()));
  const auto broken = test::CheckLinksUnder(home_ / "HTML");
  EXPECT_GT(test::LastCheckedLinkCount(), 0u);
  EXPECT_TRUE(broken.empty()) << test::Describe(broken);
  const auto brokenFrames = test::CheckPageLinks(home_ / "library_2.htm");
  EXPECT_TRUE(brokenFrames.empty()) << test::Describe(brokenFrames);
  EXPECT_EQ(program_->Session().Album().DayCount(), 2u);
}

TEST_F(SetupRelocation, ATargetWithoutRoomIsRefusedBeforeAnythingMoves) {
  SetFreeSpaceProbeForTesting([](const fs::path&) { return std::optional<int64_t>(1024); });
  ASSERT_TRUE(StartProgram());
  CSetupFormView* view = OpenSettings();
  ASSERT_NE(view, nullptr);
  const std::set<std::string> before = Files(root_);
  const fs::path target = ShmFolder("full");
  DialogSeam::NextSaveFolder(target);
  DialogSeam::NextButton(0);  // the free-space box
  Press(view->SaveFolderButton());
  EXPECT_EQ(BoxesSaying("空き容量: 1 KB"), 1);
  EXPECT_EQ(settings::GetString(Key::SaveFolder), root_.string());
  EXPECT_EQ(Files(root_), before);
  EXPECT_FALSE(fs::exists(target));
}

TEST_F(SetupRelocation, AFileOrAFolderInsideTheLibraryIsNoTarget) {
  ASSERT_TRUE(StartProgram());
  CSetupFormView* view = OpenSettings();
  ASSERT_NE(view, nullptr);
  const std::set<std::string> before = Files(root_);
  const fs::path file = ShmFolder("a-file");
  test::WriteFile(file, "not a folder");
  DialogSeam::NextSaveFolder(file);
  DialogSeam::NextButton(0);
  Press(view->SaveFolderButton());
  EXPECT_EQ(BoxesSaying(Str(StrId::NotAFolder)), 1);

  // Inside the library: the relocation refuses with its own message.
  DialogSeam::NextSaveFolder(root_ / "20070315");
  DialogSeam::NextButton(0);
  Press(view->SaveFolderButton());
  EXPECT_EQ(settings::GetString(Key::SaveFolder), root_.string());
  EXPECT_EQ(Files(root_), before);
  EXPECT_EQ(DialogSeam::ShownDialogs().back().kind, DialogKind::Box);
}

TEST_F(SetupRelocation, ReflectionAsksThenRewritesEveryDayWithTheCurrentChoices) {
  InstallProgram("evolution");
  ASSERT_TRUE(StartProgram());
  CSetupFormView* view = OpenSettings();
  ASSERT_NE(view, nullptr);
  view->Tabs()->setCurrentIndex(CSetupFormView::kOptions);
  view->MailPage()->Choose(5);
  ASSERT_EQ(settings::GetString(Key::MailName), "Evolution");
  QLabel* count = view->MailPage()->ReflectCount();
  EXPECT_FALSE(count->isVisible());

  DialogSeam::NextButton(1);  // Cancel at the question: nothing happens
  Press(view->MailPage()->ReflectButton());
  EXPECT_EQ(program_->Session().Album().Days().begin()->mailName, kNoMailProgram);
  EXPECT_FALSE(count->isVisible());

  DialogSeam::NextButton(0);
  Press(view->MailPage()->ReflectButton());
  EXPECT_EQ(BoxesSaying(Str(StrId::ApplyOptionsNote)), 2);
  for (const CAlbumData& day : program_->Session().Album().Days()) EXPECT_EQ(day.mailName, "Evolution");
  EXPECT_TRUE(count->isVisible());
  EXPECT_EQ(count->text().toStdString(), "2" + Str(StrId::DayCountSuffix));
  EXPECT_TRUE(fs::exists(root_ / "20070315" / "INDEX.HTM"));
}

}  // namespace
}  // namespace orrivan
