// The four maintenance views driven as a person drives them, on libraries the import engine made
// from a card the test wrote, with the dialogs answered through the seam and the Trash in the test's
// own folder: erasing libraries and images, moving, copying, retitling and applying options, and
// the bad input each view has to withstand.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <QApplication>
#include <QTableView>
#include <cstdlib>

#include "base/settings.h"
#include "base/strings.h"
#include "gui/backup_view.h"
#include "gui/desktop_program.h"
#include "gui/dialog_seam.h"
#include "gui/main_frame.h"
#include "gui/move_view.h"
#include "gui/order_view.h"
#include "gui/remove_view.h"
#include "html/plugin_choice.h"
#include "import/filing.h"
#include "maintenance/maintenance_fixture.h"
#include "maintenance/maintenance_texts.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;
using gui::DialogKind;
using gui::DialogSeam;
using gui::ViewId;

class MaintenanceViews : public test::MaintenanceFixture {
 protected:
  void SetUp() override {
    MaintenanceFixture::SetUp();
    settings::SetInt(settings::Key::DisplayMethod, 0);
    settings::SetString(settings::Key::MailName, Str(StrId::NoMailProgram));
    DialogSeam::Enable();
  }
  void TearDown() override {
    std::string all;
    for (const auto& miss : DialogSeam::Misses()) all += miss + "\n";
    EXPECT_EQ(DialogSeam::Misses().size(), expectedMisses_) << all;
    program_.reset();
    DialogSeam::Disable();
    QApplication::processEvents();
    MaintenanceFixture::TearDown();
  }

  // Imports what is on the card, then lets the album go: the program opens its own.
  void Import() {
    ImportCard();
    album_.reset();
  }

  // Starts the program and opens a view by its navigation button.
  template <typename View>
  View* Open(ViewId id) {
    program_ = std::make_unique<gui::DesktopProgram>();
    program_->Hooks().startCompanion = [] {};  // a real watcher would outlive the test
    EXPECT_TRUE(program_->Start());
    QApplication::processEvents();
    program_->Frame().SwitchView(id, false);
    QApplication::processEvents();
    auto* view = dynamic_cast<View*>(program_->Frame().CurrentView());
    EXPECT_NE(view, nullptr);
    return view;
  }
  CRKCardAlbumDoc& Album() { return program_->Session().Album(); }

  static void Select(gui::LibraryListView* view, const std::vector<std::string>& folders) {
    view->List()->SelectFolders(folders);
    QApplication::processEvents();
  }
  static void Click(QAbstractButton* button) {
    ASSERT_TRUE(button->isEnabled()) << button->text().toStdString();
    button->click();
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
  }

  // The dialogs that asked or told something (progress windows left out), in order.
  static std::vector<DialogSeam::Shown> Asked() {
    std::vector<DialogSeam::Shown> asked;
    for (const auto& shown : DialogSeam::ShownDialogs())
      if (shown.kind != DialogKind::Progress) asked.push_back(shown);
    return asked;
  }
  std::vector<std::string> ShownTexts() const {
    std::vector<std::string> texts;
    for (const auto& shown : DialogSeam::ShownDialogs()) texts.push_back(shown.text);
    return texts;
  }
  bool Shown(const std::string& part) const {
    for (const std::string& text : ShownTexts())
      if (text.find(part) != std::string::npos) return true;
    return false;
  }
  std::string AllShown() const {
    std::string all;
    for (const std::string& text : ShownTexts()) all += "[" + text + "]\n";
    return all;
  }

  // Every file of the home but the settings and the lock, for "nothing changed" comparisons.
  std::map<std::string, std::string> HomeTree() const {
    auto tree = test::TreeOf(home_);
    for (auto it = tree.begin(); it != tree.end();)
      it = it->first.ends_with(".conf") || it->first.find("lock") != std::string::npos ? tree.erase(it) : std::next(it);
    return tree;
  }

  size_t expectedMisses_ = 0;
  std::unique_ptr<gui::DesktopProgram> program_;
};

// ---------------------------------------------------------------------------------------------
// Erase

TEST_F(MaintenanceViews, EraseTwoLibrariesAnsweringAllOfKind) {
  Shot("ABCD0001.JPG", "20070315", 10, 1);
  Shot("ABCD0002.JPG", "20070316", 10, 2);
  Shot("ABCD0003.JPG", "20070317", 10, 3);
  Memo(dcim_ / "100TEST" / "ABCD0003.WAV", test::LocalTime(2007, 3, 17));
  Import();
  auto* view = Open<gui::CRemoveFormView>(ViewId::Remove);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->List()->Counter()->text().toStdString(), "3件");
  // Nothing selected: nothing to press.
  EXPECT_FALSE(view->EraseButton()->isEnabled());
  EXPECT_FALSE(view->EraseImagesButton()->isEnabled());
  EXPECT_FALSE(view->Strip()->isEnabled());
  EXPECT_EQ(view->Strip()->count(), 0);

  Select(view, {Folder("20070316"), Folder("20070317")});
  EXPECT_FALSE(view->Strip()->isEnabled());  // the strip is for one library's pictures
  EXPECT_EQ(view->Strip()->count(), 0);
  DialogSeam::NextButton(0);               // OK to the confirmation
  DialogSeam::NextButton("全て消去(&A)");  // the first library's question: every one of this kind
  Click(view->EraseButton());

  EXPECT_EQ(view->LastLibrariesReport().erasedNames, (std::vector<std::string>{"20070316", "20070317"}));
  EXPECT_FALSE(fs::exists(library_ / "20070316"));
  EXPECT_FALSE(fs::exists(library_ / "20070317"));
  EXPECT_TRUE(fs::exists(library_ / "20070315" / "ABCD0001.JPG"));
  const auto trashed = TrashedNames();
  for (const char* name : {"ABCD0002.JPG", "ABCD0003.JPG", "ABCD0003.WAV"}) EXPECT_TRUE(trashed.count(name)) << name;
  // One question for both: "全て消去(&A)" answered the second.
  const auto shown = Asked();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].caption, "消去");
  EXPECT_EQ(shown[0].text, Str(StrId::EraseLibrariesConfirm));
  EXPECT_EQ(shown[1].caption, "消去");
  EXPECT_EQ(shown[1].buttons, (std::vector<std::string>{"はい(&Y)", "いいえ(&N)", "全て消去(&A)", "ｷｬﾝｾﾙ"}));
  EXPECT_NE(shown[1].text.find(Str(StrId::EraseImageLibraryQuestion)), std::string::npos);

  // The list, its counter and the navigation column's count follow; the album is saved.
  EXPECT_EQ(view->List()->Model()->rowCount(), 1);
  EXPECT_EQ(view->List()->Counter()->text().toStdString(), "1件");
  EXPECT_EQ(view->Nav()->findChild<QLabel*>("LibraryCount")->text().toStdString(), "1件");
  EXPECT_EQ(SavedDayNames(), std::set<std::string>{"20070315"});
  EXPECT_TRUE(PagesMentioning(home_ / "HTML", "20070316").empty());
  ExpectNoBrokenLinks(home_);
}

TEST_F(MaintenanceViews, AnsweringNoKeepsTheLibraryAndItsRowSelected) {
  Shot("ABCD0001.JPG", "20070315", 10, 1);
  Shot("ABCD0002.JPG", "20070316", 10, 2);
  Import();
  auto* view = Open<gui::CRemoveFormView>(ViewId::Remove);
  ASSERT_NE(view, nullptr);
  Select(view, {Folder("20070315"), Folder("20070316")});
  DialogSeam::NextButton(0);
  DialogSeam::NextButton("いいえ(&N)");
  DialogSeam::NextButton("はい(&Y)");
  Click(view->EraseButton());
  EXPECT_TRUE(fs::exists(library_ / "20070315" / "ABCD0001.JPG"));
  EXPECT_FALSE(fs::exists(library_ / "20070316"));
  EXPECT_EQ(view->List()->SelectedFolders(), std::vector<std::string>{Folder("20070315")});
  EXPECT_TRUE(view->EraseButton()->isEnabled());
  EXPECT_EQ(view->List()->Counter()->text().toStdString(), "1件");
}

TEST_F(MaintenanceViews, EraseOneImageOfADayWithAMemo) {
  Shot("ABCD0001.JPG", "20070316", 10, 1);
  Shot("ABCD0002.JPG", "20070316", 11, 2);
  Memo(dcim_ / "100TEST" / "ABCD0002.WAV", test::LocalTime(2007, 3, 16, 11));
  Import();
  const std::string before = test::ReadFile(home_ / "HTML" / "2007" / "mar.htm");
  ASSERT_NE(before.find("ABCD0002"), std::string::npos);
  auto* view = Open<gui::CRemoveFormView>(ViewId::Remove);
  ASSERT_NE(view, nullptr);
  Select(view, {Folder("20070316")});
  // The strip shows the two pictures; the memo goes with its picture and has no item of its own.
  ASSERT_TRUE(view->Strip()->isEnabled());
  ASSERT_EQ(view->Strip()->count(), 2);
  EXPECT_FALSE(view->Strip()->item(0)->icon().isNull());
  EXPECT_FALSE(view->EraseImagesButton()->isEnabled());  // nothing marked yet
  ASSERT_TRUE(view->MarkImage("ABCD0002.JPG"));
  EXPECT_TRUE(view->EraseImagesButton()->isEnabled());

  DialogSeam::NextButton(0);  // OK to "選択された画像を消去します"
  Click(view->EraseImagesButton());

  const auto& report = view->LastImagesReport();
  EXPECT_EQ(report.result, MaintenanceResult::Done);
  const auto trashed = TrashedNames();
  EXPECT_TRUE(trashed.count("ABCD0002.JPG"));
  EXPECT_TRUE(trashed.count("ABCD0002.WAV"));
  EXPECT_TRUE(fs::exists(library_ / "20070316" / "ABCD0001.JPG"));
  EXPECT_FALSE(fs::exists(library_ / "20070316" / "ABCD0002.JPG"));
  EXPECT_FALSE(fs::exists(library_ / "20070316" / "ABCD0002.WAV"));
  // The day's count in the list, the strip and the month's list page follow.
  const int row = view->List()->Model()->RowOfFolder(Folder("20070316"));
  ASSERT_GE(row, 0);
  EXPECT_EQ(view->List()->Model()->Row(row).text[2], "1");
  EXPECT_EQ(view->List()->SelectedFolders(), std::vector<std::string>{Folder("20070316")});
  EXPECT_EQ(view->Strip()->count(), 1);
  const std::string after = test::ReadFile(home_ / "HTML" / "2007" / "mar.htm");
  EXPECT_EQ(after.find("ABCD0002"), std::string::npos);
  EXPECT_TRUE(PagesMentioning(home_, "ABCD0002").empty());
  ExpectNoBrokenLinks(home_);
  const auto shown = Asked();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown[0].caption, "消去");
  EXPECT_EQ(shown[0].text, Str(StrId::EraseImagesConfirm1) + "\n" + Str(StrId::EraseImagesConfirm2));
}

TEST_F(MaintenanceViews, AReadOnlyImageIsAskedForAndCancelKeepsIt) {
  Shot("ABCD0001.JPG", "20070316", 10, 1);
  Shot("ABCD0002.JPG", "20070316", 11, 2);
  Import();
  ASSERT_EQ(::chmod((library_ / "20070316" / "ABCD0002.JPG").c_str(), 0444), 0);
  auto* view = Open<gui::CRemoveFormView>(ViewId::Remove);
  ASSERT_NE(view, nullptr);
  Select(view, {Folder("20070316")});
  ASSERT_TRUE(view->MarkImage("ABCD0001.JPG"));
  ASSERT_TRUE(view->MarkImage("ABCD0002.JPG"));
  DialogSeam::NextButton(0);        // OK to the confirmation
  DialogSeam::NextButton("ｷｬﾝｾﾙ");  // "消去の確認": keep the read-only one
  DialogSeam::NextButton(0);        // the view says which image stayed
  Click(view->EraseImagesButton());
  EXPECT_TRUE(fs::exists(library_ / "20070316" / "ABCD0002.JPG"));
  EXPECT_FALSE(fs::exists(library_ / "20070316" / "ABCD0001.JPG"));
  const auto shown = Asked();
  ASSERT_EQ(shown.size(), 3u) << AllShown();
  EXPECT_EQ(shown[1].caption, "消去の確認");
  EXPECT_EQ(shown[1].buttons, (std::vector<std::string>{"消去", "ｷｬﾝｾﾙ"}));
  EXPECT_NE(shown[2].text.find("ABCD0002.JPG"), std::string::npos);
  ExpectNoBrokenLinks(home_);
}

TEST_F(MaintenanceViews, ALibraryWhoseFolderVanishedIsErasedFromTheAlbum) {
  Shot("ABCD0001.JPG", "20070315", 10, 1);
  Shot("ABCD0002.JPG", "20070316", 10, 2);
  Import();
  auto* view = Open<gui::CRemoveFormView>(ViewId::Remove);
  ASSERT_NE(view, nullptr);
  fs::remove_all(library_ / "20070316");
  Select(view, {Folder("20070316")});
  // Its strip has nothing to show a thumbnail of, but it still lists the record.
  EXPECT_EQ(view->Strip()->count(), 1);
  DialogSeam::NextButton(0);
  DialogSeam::NextButton("はい(&Y)");
  Click(view->EraseButton());
  EXPECT_EQ(SavedDayNames(), std::set<std::string>{"20070315"});
  EXPECT_EQ(view->List()->Counter()->text().toStdString(), "1件");
  ExpectNoBrokenLinks(home_);
}

// ---------------------------------------------------------------------------------------------
// Move and copy

class TransferViews : public MaintenanceViews {
 protected:
  void SetUp() override {
    MaintenanceViews::SetUp();
    char pattern[] = "/dev/shm/orrivan-maint-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    shm_ = pattern;
    Shot("ABCD0001.JPG", "20070315", 10, 1);
    Shot("ABCD0002.JPG", "20070316", 10, 2);
    Shot("ABCD0003.JPG", "20070420", 10, 3);
    Shot("ABCD0004.JPG", "20070421", 10, 4);
    Import();
  }
  void TearDown() override {
    MaintenanceViews::TearDown();
    if (mounted_) ::umount2(mounted_->c_str(), MNT_DETACH);
    std::error_code ec;
    fs::remove_all(shm_, ec);
  }
  fs::path shm_;
  std::optional<fs::path> mounted_;
};

TEST_F(TransferViews, MoveALibraryToAnotherFileSystem) {
  auto* view = Open<gui::CMoveFormView>(ViewId::Move);
  ASSERT_NE(view, nullptr);
  EXPECT_FALSE(view->MoveButton()->isEnabled());
  Select(view, {Folder("20070316")});
  DialogSeam::NextFolder(shm_);
  Click(view->MoveButton());

  EXPECT_EQ(view->LastReport().result, MaintenanceResult::Done) << AllShown();
  EXPECT_EQ(view->LastReport().doneNames, std::vector<std::string>{"20070316"});
  // The destination is an album of its own whose pages all resolve there.
  EXPECT_TRUE(fs::exists(shm_ / "Image Library" / "20070316" / "ABCD0002.JPG"));
  for (const char* item : {"autorun.inf", "library_1.htm", "library_2.htm", "HTML"})
    EXPECT_TRUE(fs::exists(shm_ / item)) << item;
  ExpectNoBrokenLinks(shm_);
  for (const auto& link : test::CheckLinksUnder(shm_)) ADD_FAILURE() << link.link;
  // The main album lost it.
  EXPECT_FALSE(fs::exists(library_ / "20070316"));
  EXPECT_EQ(SavedDayNames(), (std::set<std::string>{"20070315", "20070420", "20070421"}));
  EXPECT_TRUE(PagesMentioning(home_ / "HTML", "20070316").empty());
  ExpectNoBrokenLinks(home_);
  EXPECT_EQ(view->List()->Counter()->text().toStdString(), "3件");
  const auto shown = Asked();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown[0].kind, DialogKind::Folder);
  EXPECT_EQ(shown[0].text, "移動先のﾌｫﾙﾀﾞの場所を指定してください");
}

TEST_F(TransferViews, BackUpThreeLibrariesLeavesTheMainAlbumByteIdentical) {
  const auto before = HomeTree();
  auto* view = Open<gui::CBackupFormView>(ViewId::Copy);
  ASSERT_NE(view, nullptr);
  EXPECT_FALSE(view->CopyButton()->isEnabled());
  Select(view, {Folder("20070315"), Folder("20070420"), Folder("20070421")});
  DialogSeam::NextFolder(shm_);
  Click(view->CopyButton());

  EXPECT_EQ(view->LastReport().result, MaintenanceResult::Done) << AllShown();
  EXPECT_EQ(view->LastReport().doneNames, (std::vector<std::string>{"20070315", "20070420", "20070421"}));
  for (const char* day : {"20070315", "20070420", "20070421"})
    EXPECT_TRUE(fs::exists(shm_ / "Image Library" / day / "INDEX.HTM")) << day;
  EXPECT_FALSE(fs::exists(shm_ / "Image Library" / "20070316"));
  ExpectNoBrokenLinks(shm_);
  program_.reset();  // the exit rotation writes generations; compare what the run itself left
  auto after = HomeTree();
  for (auto it = after.begin(); it != after.end();)
    it = it->first.find(".rk") != std::string::npos && !before.count(it->first) ? after.erase(it) : std::next(it);
  EXPECT_EQ(after, before);
}

TEST_F(TransferViews, AReadOnlyDestinationIsRefusedAndAskedAgain) {
  const fs::path readOnly = shm_ / "ro";
  fs::create_directories(readOnly);
  ASSERT_EQ(::chmod(readOnly.c_str(), 0555), 0);
  auto* view = Open<gui::CMoveFormView>(ViewId::Move);
  ASSERT_NE(view, nullptr);
  const auto before = HomeTree();
  Select(view, {Folder("20070316")});
  DialogSeam::NextFolder(readOnly);
  DialogSeam::NextButton(0);  // "指定されたﾌｫﾙﾀﾞには書き込めません"
  DialogSeam::NextFolder(shm_ / "not there");
  DialogSeam::NextButton(0);  // "指定されたﾌｫﾙﾀﾞが見つかりません"
  DialogSeam::NextCancel(DialogKind::Folder);
  Click(view->MoveButton());
  EXPECT_TRUE(Shown(Str(StrId::DestinationReadOnly))) << AllShown();
  EXPECT_TRUE(Shown(Str(StrId::DestinationMissing))) << AllShown();
  EXPECT_TRUE(fs::is_empty(readOnly));
  EXPECT_EQ(HomeTree(), before);
  EXPECT_EQ(view->List()->SelectedFolders(), std::vector<std::string>{Folder("20070316")});
  EXPECT_TRUE(view->MoveButton()->isEnabled());
}

TEST_F(TransferViews, ALibraryWhoseFolderVanishedStopsTheMoveBeforeAnythingMoves) {
  auto* view = Open<gui::CMoveFormView>(ViewId::Move);
  ASSERT_NE(view, nullptr);
  Select(view, {Folder("20070315"), Folder("20070316")});
  fs::remove_all(library_ / "20070316");
  const auto before = HomeTree();
  DialogSeam::NextFolder(shm_);
  DialogSeam::NextButton(0);  // the message naming the missing folder
  Click(view->MoveButton());
  EXPECT_TRUE(Shown(Str(StrId::LibraryFolderMissing))) << AllShown();
  EXPECT_TRUE(Shown("20070316")) << AllShown();
  EXPECT_EQ(HomeTree(), before);
  EXPECT_FALSE(fs::exists(shm_ / "Image Library"));
}

TEST_F(TransferViews, ADestinationThatFillsUpStopsTheMoveAndLosesNothing) {
  // A big picture for the second library, on a file system too small for it.
  Shot("ABCD0010.JPG", "20070501", 10, 10);
  test::JpegSpec big;
  big.width = 1600;
  big.height = 1200;
  big.quality = 98;
  test::ExifSpec exif;
  exif.dateTimeOriginal = "2007:05:02 10:00:00";
  big.exif = exif;
  test::WriteJpeg(dcim_ / "100TEST" / "ABCD0011.JPG", big);
  album_ = std::make_unique<CRKCardAlbumDoc>(home_);
  album_->SetGenerationRotation(false);
  ASSERT_TRUE(album_->OnOpenDocument(layout::WorkingAlbumPath()));
  Import();
  const auto bigSize = fs::file_size(library_ / "20070502" / "ABCD0011.JPG");
  ASSERT_GT(bigSize, 300u * 1024);
  const fs::path small = shm_ / "small";
  fs::create_directories(small);
  const std::string size = "size=" + std::to_string(bigSize / 2);
  if (::mount("tmpfs", small.c_str(), "tmpfs", 0, size.c_str()) != 0) GTEST_SKIP() << "cannot mount a small tmpfs";
  mounted_ = small;
  const auto mainBefore = test::TreeOf(library_ / "20070502");

  auto* view = Open<gui::CMoveFormView>(ViewId::Move);
  ASSERT_NE(view, nullptr);
  Select(view, {Folder("20070501"), Folder("20070502")});
  DialogSeam::NextFolder(small);
  DialogSeam::NextButton(0);  // "ﾗｲﾌﾞﾗﾘを書き込み中にｴﾗｰが発生しました"
  DialogSeam::NextButton(0);  // which libraries went, and that the rest stayed
  Click(view->MoveButton());

  const auto& report = view->LastReport();
  EXPECT_EQ(report.result, MaintenanceResult::Failed) << AllShown();
  EXPECT_EQ(report.doneNames, std::vector<std::string>{"20070501"});
  EXPECT_EQ(report.stoppedAt, "20070502");
  EXPECT_TRUE(Shown(Str(StrId::LibraryWriteError))) << AllShown();
  EXPECT_TRUE(Shown(Str(StrId::MovedBeforeStop) + "\n　20070501")) << AllShown();
  EXPECT_TRUE(Shown(Str(StrId::OthersStayed))) << AllShown();
  // Nothing lost: the library that did not fit is whole where it was, the one that went is there.
  EXPECT_EQ(test::TreeOf(library_ / "20070502"), mainBefore);
  EXPECT_TRUE(fs::exists(small / "Image Library" / "20070501" / "ABCD0010.JPG"));
  // The album holds both, each where its files are, and the row that did not go stays selected.
  for (const CPhotoData& picture : Album().Pictures())
    EXPECT_TRUE(fs::exists(layout::FromStoredPath(picture.filePath))) << picture.filePath;
  EXPECT_EQ(view->List()->SelectedFolders(), std::vector<std::string>{Folder("20070502")});
  EXPECT_EQ(view->List()->Counter()->text().toStdString(), "6件");
}

// ---------------------------------------------------------------------------------------------
// Edit

class EditView : public MaintenanceViews {
 protected:
  void SetUp() override {
    MaintenanceViews::SetUp();
    Shot("ABCD0001.JPG", "20070315", 10, 1);
    Shot("ABCD0002.JPG", "20070316", 10, 2);
    Import();
  }
};

TEST_F(EditView, AHostileTitleIsEscapedInEveryPage) {
  auto* view = Open<gui::COrderFormView>(ViewId::Edit);
  ASSERT_NE(view, nullptr);
  EXPECT_FALSE(view->TitleButton()->isEnabled());
  EXPECT_FALSE(view->ApplyButton()->isEnabled());
  Select(view, {Folder("20070316")});
  const std::string hostile = "<script>&\"x\"";
  DialogSeam::NextTitle(hostile);
  Click(view->TitleButton());

  EXPECT_EQ(view->LastTitleReport().result, MaintenanceResult::Done);
  const auto shown = Asked();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].kind, DialogKind::Title);
  const int row = view->List()->Model()->RowOfFolder(Folder("20070316"));
  ASSERT_GE(row, 0);
  EXPECT_EQ(view->List()->Model()->Row(row).text[1], hostile);
  // The edited row is selected and focused again.
  EXPECT_EQ(view->List()->CurrentRow(), row);
  EXPECT_TRUE(view->List()->Table()->hasFocus() || !view->isActiveWindow());
  // The month's list page shows it escaped, and no page holds it raw.
  const auto pages = PagesMentioning(home_, "&lt;script&gt;&amp;&quot;x&quot;");
  for (const char* page : {"HTML/2007/mar.htm"})
    EXPECT_TRUE(std::find(pages.begin(), pages.end(), page) != pages.end()) << page << "\n" << ::testing::PrintToString(pages);
  EXPECT_TRUE(PagesMentioning(home_, "<script>").empty()) << ::testing::PrintToString(PagesMentioning(home_, "<script>"));
  CAlbumData saved;
  CRKCardAlbumDoc file(home_);
  file.SetGenerationRotation(false);
  ASSERT_TRUE(file.OnOpenDocument(layout::WorkingAlbumPath()));
  ASSERT_TRUE(file.FindDay(Folder("20070316"), saved));
  EXPECT_EQ(saved.title, hostile);
  ExpectNoBrokenLinks(home_);
}

TEST_F(EditView, TitlesTheDialogRefusesChangeNothing) {
  auto* view = Open<gui::COrderFormView>(ViewId::Edit);
  ASSERT_NE(view, nullptr);
  Select(view, {Folder("20070316")});
  const auto before = HomeTree();
  // One byte over the limit, and control characters: the box takes neither, so the dialog ends in
  // Cancel (the seam records each refusal as a miss).
  for (const std::string& title : {std::string(kMaxTitleBytes + 1, 'a'), std::string("two\nlines"), std::string("tab\there")}) {
    DialogSeam::NextTitle(title);
    Click(view->TitleButton());
    EXPECT_EQ(view->LastTitleReport().result, MaintenanceResult::Cancelled);
  }
  expectedMisses_ = 3;
  EXPECT_EQ(HomeTree(), before);
  // A title of exactly the limit is taken.
  const std::string longest(kMaxTitleBytes, 'z');
  DialogSeam::NextTitle(longest);
  Click(view->TitleButton());
  EXPECT_EQ(view->LastTitleReport().result, MaintenanceResult::Done);
  const int row = view->List()->Model()->RowOfFolder(Folder("20070316"));
  EXPECT_EQ(view->List()->Model()->Row(row).text[1], longest);
}

TEST_F(EditView, ApplyOptionsAfterChoosingAnotherColourRewritesTheDayPages) {
  if (!HavePlugin()) GTEST_SKIP() << "template plug-in not built";
  const std::string pageBefore = test::ReadFile(library_ / "20070316" / "INDEX.HTM");
  const std::string otherPage = test::ReadFile(library_ / "20070315" / "INDEX.HTM");
  CAlbumData day;
  {
    CRKCardAlbumDoc file(home_);
    file.SetGenerationRotation(false);
    ASSERT_TRUE(file.OnOpenDocument(layout::WorkingAlbumPath()));
    ASSERT_TRUE(file.FindDay(Folder("20070316"), day));
  }
  TemplateChoiceModel choice;
  ASSERT_GT(choice.Colors().size(), 1u);
  choice.SelectColor(choice.SelectedColor() == 0 ? 1 : 0);
  ASSERT_TRUE(choice.Accept(nullptr));
  const std::string colour = settings::GetString(settings::Key::TemplateBackCol);

  auto* view = Open<gui::COrderFormView>(ViewId::Edit);
  ASSERT_NE(view, nullptr);
  Select(view, {Folder("20070316")});
  DialogSeam::NextButton(0);  // OK to "再構築"
  Click(view->ApplyButton());

  EXPECT_EQ(view->LastApplyReport().rebuiltNames, std::vector<std::string>{"20070316"});
  const auto shown = Asked();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].caption, "再構築");
  EXPECT_EQ(shown[0].text, Str(StrId::RebuildSelectedText) + "\n" + Str(StrId::RebuildQuestion));
  EXPECT_NE(test::ReadFile(library_ / "20070316" / "INDEX.HTM"), pageBefore);
  EXPECT_EQ(test::ReadFile(library_ / "20070315" / "INDEX.HTM"), otherPage);
  CAlbumData rebuilt;
  ASSERT_TRUE(Album().FindDay(Folder("20070316"), rebuilt));
  EXPECT_NE(rebuilt.templateName, day.templateName);
  EXPECT_NE(rebuilt.templateName.find(colour), std::string::npos);
  EXPECT_EQ(view->List()->SelectedFolders(), std::vector<std::string>{Folder("20070316")});
  ExpectNoBrokenLinks(home_);
}

TEST_F(EditView, CancelAtTheRebuildQuestionChangesNothing) {
  auto* view = Open<gui::COrderFormView>(ViewId::Edit);
  ASSERT_NE(view, nullptr);
  Select(view, {Folder("20070315"), Folder("20070316")});
  EXPECT_TRUE(view->ApplyButton()->isEnabled());
  const auto before = HomeTree();
  DialogSeam::NextButton(1);
  Click(view->ApplyButton());
  EXPECT_EQ(view->LastApplyReport().result, MaintenanceResult::Cancelled);
  EXPECT_EQ(HomeTree(), before);
  EXPECT_EQ(view->List()->SelectedFolders().size(), 2u);
}

}  // namespace
}  // namespace orrivan

namespace orrivan {
namespace {

// Pictures of the four views on a library of 30 days, and of the erase view's image strip, for
// looking at: run with ORRIVAN_SCREENSHOT_DIR set, under Xvfb.
class MaintenanceShots : public MaintenanceViews {
 protected:
  void SetUp() override {
    const char* dir = std::getenv("ORRIVAN_SCREENSHOT_DIR");
    if (!dir) GTEST_SKIP() << "ORRIVAN_SCREENSHOT_DIR not set";
    out_ = dir;
    MaintenanceViews::SetUp();
    const char* titles[] = {"運動会", "Hiking at Mt. Takao", "", "誕生日パーティー", "summer", "",
                            "花火大会と夜店", "Trip to the sea", "", "kids"};
    for (int i = 0; i < 30; ++i) {
      const int month = 3 + i / 10;
      const std::string day = "2007" + std::string(month < 10 ? "0" : "") + std::to_string(month) +
                              (i % 10 + 10 < 10 ? "0" : "") + std::to_string(i % 10 + 10);
      const int pictures = i == 4 ? 9 : 1 + i % 3;
      for (int p = 0; p < pictures; ++p) {
        char name[32];
        std::snprintf(name, sizeof name, "IMG%02d%02d.JPG", i + 1, p + 1);
        test::JpegSpec picture;
        picture.width = p % 3 == 2 ? 480 : 640;
        picture.height = p % 3 == 2 ? 640 : 480;
        picture.seed = static_cast<std::uint32_t>(i * 16 + p + 1);
        test::ExifSpec exif;
        exif.dateTimeOriginal = day.substr(0, 4) + ":" + day.substr(4, 2) + ":" + day.substr(6, 2) + " 10:" +
                                (p < 10 ? "0" : "") + std::to_string(p) + ":00";
        picture.exif = exif;
        test::WriteJpeg(dcim_ / "100TEST" / name, picture);
      }
    }
    ImportCard();
    test::FakeInteraction ui;
    int i = 0;
    for (const std::string& folder : std::vector<std::string>(DayFolders())) {
      EditTitle(*album_, ui, folder, std::string(titles[i++ % 10]));
    }
    album_.reset();
  }
  std::vector<std::string> DayFolders() const {
    std::vector<std::string> folders;
    for (const CAlbumData& day : album_->Days()) folders.push_back(day.folderPath);
    return folders;
  }
  void Save(const char* name) {
    for (int i = 0; i < 20; ++i) QApplication::processEvents();
    EXPECT_TRUE(program_->Frame().grab().save(QString::fromStdString(out_ + "/" + name + ".png")));
  }
  std::string out_;
};

TEST_F(MaintenanceShots, FourViewsAndTheImageStrip) {
  settings::SetInt(settings::Key::PreviewPicMove, 1);
  settings::SetInt(settings::Key::PreviewPicEdit, 1);
  auto* remove = Open<gui::CRemoveFormView>(ViewId::Remove);
  ASSERT_NE(remove, nullptr);
  program_->Frame().resize(program_->Frame().minimumSize());
  Select(remove, {Folder("20070311"), Folder("20070313")});
  Save("remove_view");
  Select(remove, {Folder("20070314")});
  remove->MarkImage("IMG0502.JPG");
  remove->MarkImage("IMG0504.JPG");
  Save("remove_view_strip");
  for (const auto& [id, name] : {std::pair{ViewId::Move, "move_view"}, std::pair{ViewId::Copy, "copy_view"},
                                 std::pair{ViewId::Edit, "edit_view"}}) {
    program_->Frame().SwitchView(id, false);
    QApplication::processEvents();
    auto* view = dynamic_cast<gui::LibraryListView*>(program_->Frame().CurrentView());
    ASSERT_NE(view, nullptr);
    Select(view, {Folder("20070412")});
    Save(name);
  }
}

}  // namespace
}  // namespace orrivan
