// The whole import run against a card in a temp folder: filing by day, memos, collisions, DCF rules,
// undated files, dated folders, cancel and failure roll-back, moves across file systems.
#include "import/import_engine.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <climits>
#include <functional>
#include <memory>
#include <set>

#include "base/strings.h"
#include "import/import_fixture.h"
#include "import/import_texts.h"
#include "support/home_fixture.h"
#include "support/link_check.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;
using test::FakeInteraction;

class ImportEngine : public test::ImportFixture {
 protected:
  ImportResult Import(const std::vector<fs::path>& sources, ImportOptions options = {}) {
    options.openBrowser = openBrowser_;
    CRKCardAlbumDoc album(home_);
    album.SetGenerationRotation(false);
    const fs::path albumFile = layout::WorkingAlbumPath();
    if (fs::is_regular_file(albumFile)) {
      EXPECT_TRUE(album.OnOpenDocument(albumFile));
    }
    std::unique_ptr<CImportEngine> engine =
        makeEngine_ ? makeEngine_(album, options) : std::make_unique<CImportEngine>(album, ui_, options);
    const ImportResult result = engine->Run(sources);
    days_.clear();
    for (const CAlbumData& day : album.Days()) days_[layout::LastComponent(day.folderPath)] = day.pictureCount;
    pictures_ = album.PictureCount();
    return result;
  }
  ImportResult Import() { return Import({dcim_}); }

  std::map<std::string, int> days_;  // day folder name -> picture count, after the run
  size_t pictures_ = 0;
  bool openBrowser_ = false;
  // Another engine for the next runs (a card that fails, say).
  std::function<std::unique_ptr<CImportEngine>(CRKCardAlbumDoc&, const ImportOptions&)> makeEngine_;
};

// A card on which some files cannot be deleted (a write-protected card, a failing one).
class StickyCardEngine : public CImportEngine {
 public:
  StickyCardEngine(CRKCardAlbumDoc& album, Interaction& ui, ImportOptions options, std::set<std::string> sticky)
      : CImportEngine(album, ui, std::move(options)), sticky_(std::move(sticky)) {}

 protected:
  bool RemoveMovedSource(const fs::path& source) override {
    return !sticky_.count(source.filename().string()) && CImportEngine::RemoveMovedSource(source);
  }

 private:
  std::set<std::string> sticky_;
};

// A card whose folder `failing` cannot be listed from its listing number `failFrom` on (the count
// lists it first, the walk second), as a failing card or an I/O error does.
class FailingListingEngine : public CImportEngine {
 public:
  FailingListingEngine(CRKCardAlbumDoc& album, Interaction& ui, ImportOptions options, fs::path failing, int failFrom)
      : CImportEngine(album, ui, std::move(options)), failing_(std::move(failing)), failFrom_(failFrom) {}

 protected:
  std::vector<fs::directory_entry> ListFolder(const fs::path& folder, bool& ok) const override {
    std::vector<fs::directory_entry> entries = CImportEngine::ListFolder(folder, ok);
    if (folder == failing_ && ++listings_ >= failFrom_) {
      entries.clear();
      ok = false;
    }
    return entries;
  }

 private:
  fs::path failing_;
  int failFrom_;
  mutable int listings_ = 0;
};

TEST_F(ImportEngine, PictureAndMemoLandInThePictureDayAndCountAsOneItem) {
  Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2007:03:15 10:00:00");
  // The memo's own file date is another day: it still follows its picture.
  Memo(dcim_ / "100TEST" / "ABCD0001.WAV", test::LocalTime(2020, 1, 2));

  ASSERT_EQ(Import(), ImportResult::Done);
  EXPECT_TRUE(fs::exists(library_ / "20070315" / "ABCD0001.JPG"));
  EXPECT_TRUE(fs::exists(library_ / "20070315" / "ABCD0001.WAV"));
  EXPECT_FALSE(fs::exists(library_ / "20200102"));
  EXPECT_EQ(days_, (std::map<std::string, int>{{"20070315", 2}}));
  ASSERT_EQ(ui_.progress.size(), 2u);  // the import, then the pages
  EXPECT_EQ(ui_.progress[0].ranges, std::vector<int64_t>{1});
  EXPECT_EQ(ui_.progress[0].positions.back(), 1);
  EXPECT_EQ(ui_.progress[0].caption, Str(StrId::ImportCaption));
  EXPECT_EQ(ui_.progress[0].texts.at(0).first, Str(StrId::CopyingFiles));
  EXPECT_TRUE(fs::exists(layout::WorkingAlbumPath()));
}

TEST_F(ImportEngine, ImportingTheSameCardTwiceSkipsEveryFile) {
  Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2007:03:15 10:00:00", 1);
  Picture(dcim_ / "100TEST" / "ABCD0002.JPG", "2007:03:16 10:00:00", 2);
  Memo(dcim_ / "100TEST" / "ABCD0002.WAV", test::LocalTime(2007, 3, 16));
  ASSERT_EQ(Import(), ImportResult::Done);
  const auto before = test::TreeOf(library_);
  const std::string albumBefore = test::ReadFile(layout::WorkingAlbumPath());

  EXPECT_EQ(Import(), ImportResult::Done);
  EXPECT_EQ(test::TreeOf(library_), before);
  EXPECT_EQ(test::ReadFile(layout::WorkingAlbumPath()), albumBefore);
  EXPECT_EQ(days_, (std::map<std::string, int>{{"20070315", 1}, {"20070316", 2}}));
}

TEST_F(ImportEngine, DifferentPicturesOfOneNameAndDayGetSuffixesAndTheMemoFollows) {
  const fs::path file = dcim_ / "100TEST" / "ABCD0001.JPG";
  Picture(file, "2007:03:15 10:00:00", 1);
  ASSERT_EQ(Import(), ImportResult::Done);
  Picture(file, "2007:03:15 11:00:00", 2);
  ASSERT_EQ(Import(), ImportResult::Done);
  Picture(file, "2007:03:15 12:00:00", 3);
  Memo(dcim_ / "100TEST" / "ABCD0001.WAV", test::LocalTime(2007, 3, 15));
  ASSERT_EQ(Import(), ImportResult::Done);

  const fs::path day = library_ / "20070315";
  EXPECT_TRUE(fs::exists(day / "ABCD0001.JPG"));
  EXPECT_TRUE(fs::exists(day / "ABCD0001_1.JPG"));
  EXPECT_TRUE(fs::exists(day / "ABCD0001_2.JPG"));
  EXPECT_TRUE(fs::exists(day / "ABCD0001_2.WAV"));
  EXPECT_FALSE(fs::exists(day / "ABCD0001_3.WAV"));
  EXPECT_FALSE(fs::exists(day / "ABCD0001.WAV"));
  EXPECT_EQ(test::ReadFile(day / "ABCD0001_2.JPG"), test::ReadFile(file));
  EXPECT_EQ(days_["20070315"], 4);
}

TEST_F(ImportEngine, DcfCardTakesOnlyNumberedFoldersAndFileNames) {
  Picture(dcim_ / "MISC" / "ABCD0001.JPG", "2007:03:15 10:00:00", 1);
  Picture(dcim_ / "100TEST" / "DSC_0001.JPG", "2007:03:15 10:00:00", 2);
  Picture(dcim_ / "100TEST" / "IMG1.JPG", "2007:03:15 10:00:00", 3);
  Picture(dcim_ / "100TEST" / "ABCD0000.JPG", "2007:03:15 10:00:00", 4);
  test::WriteFile(dcim_ / "100TEST" / "ABCD0002.TXT", "x");
  Picture(dcim_ / "100TEST" / "ABCD0003.JPG", "2007:03:15 10:00:00", 5);  // loose files at the root stay
  Picture(dcim_ / "ABCD0009.JPG", "2007:03:15 10:00:00", 6);

  ASSERT_EQ(Import(), ImportResult::Done);
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(library_ / "20070315")) names.insert(e.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"DSC_0001.JPG", "ABCD0003.JPG", "PREVIEW"}));
}

TEST_F(ImportEngine, NameWithItsOwnUnderscoreGetsTheSuffixItIsCheckedUnder) {
  const fs::path file = dcim_ / "100TEST" / "DSC_0001.JPG";
  Picture(file, "2007:03:15 10:00:00", 1);
  ASSERT_EQ(Import(), ImportResult::Done);
  Picture(file, "2007:03:15 11:00:00", 2);
  ASSERT_EQ(Import(), ImportResult::Done);
  Picture(file, "2007:03:15 12:00:00", 3);
  ASSERT_EQ(Import(), ImportResult::Done);
  const fs::path day = library_ / "20070315";
  EXPECT_TRUE(fs::exists(day / "DSC_0001_1.JPG"));
  EXPECT_TRUE(fs::exists(day / "DSC_0001_2.JPG"));
  EXPECT_FALSE(fs::exists(day / "DSC_1.JPG"));
  // And the second import of the third picture finds it under DSC_0001_2.
  EXPECT_EQ(Import(), ImportResult::Done);
  EXPECT_FALSE(fs::exists(day / "DSC_0001_3.JPG"));
}

TEST_F(ImportEngine, LowerCaseExtensionIsUpperCasedAndMeetsTheUpperCaseFileAsTheSameName) {
  Picture(dcim_ / "100TEST" / "abcd0001.jpg", "2007:03:15 10:00:00", 1);
  ASSERT_EQ(Import(), ImportResult::Done);
  EXPECT_TRUE(fs::exists(library_ / "20070315" / "abcd0001.JPG"));
  fs::remove_all(dcim_);
  Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2007:03:15 11:00:00", 2);
  ASSERT_EQ(Import(), ImportResult::Done);
  EXPECT_TRUE(fs::exists(library_ / "20070315" / "ABCD0001_1.JPG"));
}

TEST_F(ImportEngine, PictureWithoutExifIsFiledByItsFileDateWhenTheUserSaysSo) {
  const fs::path file = Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "");
  test::SetModified(file, test::LocalTime(2021, 6, 7, 12));
  Memo(dcim_ / "100TEST" / "ABCD0001.WAV", test::LocalTime(2019, 1, 1));
  ui_.undatedChoices.push_back({UndatedChoice::Kind::FileDate, {}});

  ASSERT_EQ(Import(), ImportResult::Done);
  EXPECT_EQ(ui_.undatedCounts, std::vector<int>{1});
  EXPECT_TRUE(fs::exists(library_ / "20210607" / "ABCD0001.JPG"));
  EXPECT_TRUE(fs::exists(library_ / "20210607" / "ABCD0001.WAV"));  // the memo follows its picture
  EXPECT_EQ(days_, (std::map<std::string, int>{{"20210607", 2}}));
}

TEST_F(ImportEngine, UndatedFilesGoToAGivenDateOrStayOnTheCard) {
  Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "");
  Picture(dcim_ / "100TEST" / "ABCD0002.JPG", "2007:03:15 10:00:00", 2);
  ui_.undatedChoices.push_back({UndatedChoice::Kind::GivenDate, "20010203"});
  ASSERT_EQ(Import(), ImportResult::Done);
  EXPECT_TRUE(fs::exists(library_ / "20010203" / "ABCD0001.JPG"));

  // Leave: what was dated is imported, the rest stays; nothing placed at all ends the run quietly.
  fs::remove_all(home_ / "Image Library");
  fs::remove(layout::WorkingAlbumPath());
  Picture(dcim_ / "100TEST" / "ABCD0002.JPG", "", 3);
  ui_.undatedChoices.push_back({UndatedChoice::Kind::Leave, {}});
  EXPECT_EQ(Import(), ImportResult::NothingToDo);
  EXPECT_TRUE(days_.empty());
  EXPECT_FALSE(fs::exists(layout::WorkingAlbumPath()));
}

TEST_F(ImportEngine, DatedFolderNumbersFollowTheHighestTheAlbumKnows) {
  fs::create_directories(library_ / "20070315_01");
  fs::create_directories(library_ / "20070315_02");
  {
    CRKCardAlbumDoc album(home_);
    album.SetGenerationRotation(false);
    for (const char* name : {"20070315_01", "20070315_02", "20070316_05"}) {
      CAlbumData day;
      day.folderPath = layout::ToStoredPath(library_ / name);
      day.pagePath = layout::PagePathOfFolder(day.folderPath);
      album.AddDay(day);
    }
    ASSERT_TRUE(album.OnSaveDocument(layout::WorkingAlbumPath()));
    CImportEngine engine(album, ui_);
    EXPECT_EQ(engine.MakeDatedFolderName("20070316"), "20070316_06");
  }
  Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2001:01:01 10:00:00");
  Picture(dcim_ / "101TEST" / "ABCD0002.JPG", "");
  ui_.dates.push_back("20070315");
  ImportOptions options;
  options.classification = 1;
  options.title = "Hanami";
  ASSERT_EQ(Import({dcim_}, options), ImportResult::Done);
  EXPECT_TRUE(fs::exists(library_ / "20070315_03" / "100TEST" / "ABCD0001.JPG"));
  EXPECT_TRUE(fs::exists(library_ / "20070315_03" / "100TEST" / "PREVIEW" / "ABCD0001.JPG"));
  EXPECT_TRUE(fs::exists(library_ / "20070315_03" / "101TEST" / "ABCD0002.JPG"));
  EXPECT_EQ(days_["20070315_03"], 2);
  EXPECT_EQ(ui_.Count(FakeInteraction::Kind::AskUndated), 0u);
  CRKCardAlbumDoc album(home_);
  album.SetGenerationRotation(false);
  ASSERT_TRUE(album.OnOpenDocument(layout::WorkingAlbumPath()));
  CAlbumData day;
  ASSERT_EQ(album.FindDay(layout::ToStoredPath(library_ / "20070315_03"), day), 1);
  EXPECT_EQ(day.title, "Hanami");
}

TEST_F(ImportEngine, WhenEveryDatedNumberIsTakenTheSourceIsDroppedWithAMessage) {
  {
    CRKCardAlbumDoc album(home_);
    album.SetGenerationRotation(false);
    CAlbumData day;
    day.folderPath = layout::ToStoredPath(library_ / "20070315_99");
    album.AddDay(day);
    ASSERT_TRUE(album.OnSaveDocument(layout::WorkingAlbumPath()));
  }
  fs::create_directories(library_);
  Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2001:01:01 10:00:00");
  ui_.dates.push_back("20070315");
  ImportOptions options;
  options.classification = 1;
  EXPECT_EQ(Import({dcim_}, options), ImportResult::NothingToDo);
  EXPECT_EQ(ui_.Texts(FakeInteraction::Kind::Message), std::vector<std::string>{import_texts::kNoDatedFolderName});
  EXPECT_EQ(test::TreeOf(library_).size(), 0u);
}

TEST_F(ImportEngine, CancelledMoveImportLeavesCardLibraryAndAlbumAsTheyWere) {
  for (int i = 1; i <= 4; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "ABCD%04d.JPG", i);
    // The first is a portrait: turned upright in the library, it must still come back unturned.
    Picture(dcim_ / "100TEST" / name, "2007:03:1" + std::to_string(i) + " 10:00:00", static_cast<uint32_t>(i),
            i == 1 ? 6 : 1);
  }
  Memo(dcim_ / "100TEST" / "ABCD0001.WAV", test::LocalTime(2007, 3, 11));
  const auto cardBefore = test::TreeOf(card_);
  ui_.cancelAfter = 3;  // during the third file
  ImportOptions options;
  options.transferMode = kTransferMove;

  EXPECT_EQ(Import({dcim_}, options), ImportResult::Cancelled);
  EXPECT_EQ(test::TreeOf(card_), cardBefore);
  EXPECT_TRUE(fs::is_empty(library_));  // no day folders, no previews
  EXPECT_FALSE(fs::exists(layout::WorkingAlbumPath()));
  EXPECT_FALSE(fs::exists(home_ / "HTML"));
  EXPECT_TRUE(days_.empty());
  EXPECT_EQ(pictures_, 0u);
  EXPECT_EQ(ui_.Count(FakeInteraction::Kind::Message), 0u);
}

TEST_F(ImportEngine, FailingPlacementShowsTheWriteErrorAndRollsBack) {
  Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2007:03:15 10:00:00", 1);
  Picture(dcim_ / "100TEST" / "ABCD0002.JPG", "2007:03:16 10:00:00", 2);
  // The second day's folder cannot be made: a file holds its name.
  test::WriteFile(library_ / "20070316", "in the way");
  const auto cardBefore = test::TreeOf(card_);

  EXPECT_EQ(Import(), ImportResult::Failed);
  EXPECT_EQ(ui_.Texts(FakeInteraction::Kind::Message), std::vector<std::string>{Str(StrId::LibraryWriteError)});
  EXPECT_EQ(ui_.records.back().icon, Icon::Stop);
  EXPECT_FALSE(fs::exists(library_ / "20070315"));
  EXPECT_EQ(test::TreeOf(card_), cardBefore);
  EXPECT_FALSE(fs::exists(layout::WorkingAlbumPath()));
  EXPECT_TRUE(days_.empty());
}

TEST_F(ImportEngine, DayWhoseFolderWasRemovedByHandGetsItBack) {
  Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2007:03:15 10:00:00", 1);
  ASSERT_EQ(Import(), ImportResult::Done);
  fs::remove_all(library_ / "20070315");
  ASSERT_EQ(Import(), ImportResult::Done);
  EXPECT_TRUE(fs::exists(library_ / "20070315" / "ABCD0001.JPG"));
  // The record of the vanished file gave way: one day, one picture.
  EXPECT_EQ(days_, (std::map<std::string, int>{{"20070315", 1}}));
  EXPECT_EQ(pictures_, 1u);
}

TEST_F(ImportEngine, FailedAlbumSaveRollsTheRunBack) {
  Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2007:03:15 10:00:00", 1);
  fs::create_directories(layout::WorkingAlbumPath());  // nothing can be saved there
  const auto cardBefore = test::TreeOf(card_);
  ImportOptions options;
  options.transferMode = kTransferMove;
  EXPECT_EQ(Import({dcim_}, options), ImportResult::Failed);
  EXPECT_EQ(ui_.Texts(FakeInteraction::Kind::Message), std::vector<std::string>{kAlbumSaveFailedText});
  EXPECT_EQ(test::TreeOf(card_), cardBefore);
  EXPECT_FALSE(fs::exists(library_ / "20070315"));
}

TEST_F(ImportEngine, NothingToImportSaysSoAndChangesNothing) {
  fs::create_directories(dcim_ / "100TEST");
  EXPECT_EQ(Import(), ImportResult::NothingToDo);
  EXPECT_EQ(ui_.Texts(FakeInteraction::Kind::Message), std::vector<std::string>{Str(StrId::NoImportableImages)});
  EXPECT_FALSE(fs::exists(library_));
}

TEST_F(ImportEngine, MissingLibraryRootWithDaysUnderItStopsInsteadOfFilingUnderAnEmptyMountPoint) {
  {
    CRKCardAlbumDoc album(home_);
    album.SetGenerationRotation(false);
    CAlbumData day;
    day.folderPath = layout::ToStoredPath(library_ / "20070101");
    album.AddDay(day);
    ASSERT_TRUE(album.OnSaveDocument(layout::WorkingAlbumPath()));
  }
  fs::remove_all(library_);
  Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2007:03:15 10:00:00");
  EXPECT_EQ(Import(), ImportResult::Failed);
  EXPECT_FALSE(fs::exists(library_));
  EXPECT_EQ(ui_.Count(FakeInteraction::Kind::Message), 1u);
}

TEST_F(ImportEngine, MoveAcrossFileSystemsKeepsEveryFileAndEmptiesOnlyEmptyFolders) {
  if (!fs::is_directory("/dev/shm")) GTEST_SKIP() << "no /dev/shm";
  // /dev/shm is another file system than the temp folder that holds the library.
  const fs::path card = fs::path("/dev/shm") / ("orrivan-card-" + std::to_string(::getpid()));
  fs::remove_all(card);
  const fs::path dcim = card / "DCIM";
  Picture(dcim / "100TEST" / "ABCD0001.JPG", "2007:03:15 10:00:00", 1);
  Picture(dcim / "100TEST" / "ABCD0002.JPG", "2007:03:15 11:00:00", 2);
  Memo(dcim / "100TEST" / "ABCD0002.WAV", test::LocalTime(2007, 3, 15));
  Picture(dcim / "101TEST" / "ABCD0003.JPG", "2007:03:16 10:00:00", 3);
  test::WriteFile(dcim / "101TEST" / "ABCD0003.RAW", "raw data");  // not taken: keeps its folder
  const auto before = test::TreeOf(dcim);
  ImportOptions options;
  options.transferMode = kTransferMove;

  ASSERT_EQ(Import({dcim}, options), ImportResult::Done);
  EXPECT_FALSE(fs::exists(dcim / "100TEST"));
  EXPECT_TRUE(fs::exists(dcim / "101TEST" / "ABCD0003.RAW"));
  EXPECT_FALSE(fs::exists(dcim / "101TEST" / "ABCD0003.JPG"));
  EXPECT_EQ(test::ReadFile(library_ / "20070315" / "ABCD0001.JPG"), before.at("100TEST/ABCD0001.JPG"));
  EXPECT_EQ(test::ReadFile(library_ / "20070315" / "ABCD0002.WAV"), before.at("100TEST/ABCD0002.WAV"));
  EXPECT_EQ(test::ReadFile(library_ / "20070316" / "ABCD0003.JPG"), before.at("101TEST/ABCD0003.JPG"));
  EXPECT_EQ(ui_.progress[0].texts.at(0).first, Str(StrId::MovingFiles));
  fs::remove_all(card);
}

TEST_F(ImportEngine, CopyKeepsTheSourceModificationTime) {
  const fs::path movie = dcim_ / "100TEST" / "ABCD0001.AVI";
  test::WriteFile(movie, "RIFF....AVI not really");
  test::SetModified(movie, test::LocalTime(2005, 5, 5, 5, 5, 5));
  ASSERT_EQ(Import(), ImportResult::Done);
  const fs::path placed = library_ / "20050505" / "ABCD0001.AVI";
  ASSERT_TRUE(fs::exists(placed));
  EXPECT_EQ(fs::last_write_time(placed), fs::last_write_time(movie));
}

TEST_F(ImportEngine, FolderThatCannotBeListedDuringTheWalkFailsTheRunInsteadOfBeingSkipped) {
  Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2007:03:15 10:00:00", 1);
  Picture(dcim_ / "101TEST" / "ABCD0002.JPG", "2007:03:16 10:00:00", 2);
  const auto cardBefore = test::TreeOf(card_);
  // Counted fine, then the card fails while the walk lists 101TEST: 100TEST is already filed.
  makeEngine_ = [&](CRKCardAlbumDoc& album, const ImportOptions& options) {
    return std::make_unique<FailingListingEngine>(album, ui_, options, dcim_ / "101TEST", 2);
  };
  ImportOptions options;
  options.transferMode = kTransferMove;
  EXPECT_EQ(Import({dcim_}, options), ImportResult::Failed);
  EXPECT_EQ(ui_.Texts(FakeInteraction::Kind::Message), std::vector<std::string>{Str(StrId::LibraryWriteError)});
  EXPECT_EQ(ui_.records.back().icon, Icon::Stop);
  EXPECT_EQ(test::TreeOf(card_), cardBefore);
  EXPECT_FALSE(fs::exists(library_ / "20070315"));
  EXPECT_FALSE(fs::exists(layout::WorkingAlbumPath()));
  EXPECT_TRUE(days_.empty());
}

TEST_F(ImportEngine, FolderThatCannotBeListedWhenCountingFailsTheRunNotSaysTheCardIsEmpty) {
  Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2007:03:15 10:00:00", 1);
  makeEngine_ = [&](CRKCardAlbumDoc& album, const ImportOptions& options) {
    return std::make_unique<FailingListingEngine>(album, ui_, options, dcim_ / "100TEST", 1);
  };
  EXPECT_EQ(Import(), ImportResult::Failed);
  EXPECT_EQ(ui_.Texts(FakeInteraction::Kind::Message), std::vector<std::string>{Str(StrId::LibraryWriteError)});
  EXPECT_FALSE(fs::exists(library_ / "20070315"));
  EXPECT_FALSE(fs::exists(layout::WorkingAlbumPath()));
}

// A folder whose full path is longer than PATH_MAX cannot be opened by anyone, root included.
TEST_F(ImportEngine, FolderWithAPathLongerThanPathMaxFailsTheRunInsteadOfBeingSkipped) {
  // DCIM deep enough that 100A/ABCD0001.JPG still fits and a long-named sibling does not.
  fs::path deep = dir_.path() / "deep";
  const std::string part(200, 'd');
  const size_t wanted = PATH_MAX - 70;
  while (deep.string().size() + part.size() + 1 < wanted) deep /= part;
  if (deep.string().size() + 1 < wanted) deep /= std::string(wanted - deep.string().size() - 1, 'e');
  const fs::path dcim = deep / "DCIM";
  Picture(dcim / "100A" / "ABCD0001.JPG", "2007:03:15 10:00:00", 1);
  const std::string longName = "100" + std::string(100, 'L');
  ASSERT_GT((dcim / longName).string().size(), static_cast<size_t>(PATH_MAX));
  const int dcimFd = ::open(dcim.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(dcimFd, 0);
  ASSERT_EQ(::mkdirat(dcimFd, longName.c_str(), 0755), 0);
  // A picture inside it, placed by a path relative to DCIM.
  Picture(dir_.path() / "ABCD0002.JPG", "2007:03:16 10:00:00", 2);
  ASSERT_EQ(::renameat(AT_FDCWD, (dir_.path() / "ABCD0002.JPG").c_str(), dcimFd,
                       (longName + "/ABCD0002.JPG").c_str()),
            0);

  EXPECT_EQ(Import({dcim}), ImportResult::Failed);
  EXPECT_EQ(ui_.Texts(FakeInteraction::Kind::Message), std::vector<std::string>{Str(StrId::LibraryWriteError)});
  EXPECT_FALSE(fs::exists(library_ / "20070315"));
  EXPECT_FALSE(fs::exists(layout::WorkingAlbumPath()));

  // Out of reach of a path-based clean-up: take it back to a short name first.
  ASSERT_EQ(::renameat(dcimFd, longName.c_str(), AT_FDCWD, (dir_.path() / "long").c_str()), 0);
  ::close(dcimFd);
}

TEST_F(ImportEngine, ReadOnlyPictureOnACopyImportStaysReadOnlyUnturnedAndGetsItsPreview) {
  const fs::path file = Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2007:03:15 10:00:00", 1, 6);
  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
  ImportOptions options;
  options.transferMode = kTransferCopy;
  ASSERT_EQ(Import({dcim_}, options), ImportResult::Done);
  const fs::path placed = library_ / "20070315" / "ABCD0001.JPG";
  EXPECT_EQ(test::ReadFile(placed), test::ReadFile(file));  // not turned
  struct stat st {};
  ASSERT_EQ(::stat(placed.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0222, 0u);
  EXPECT_TRUE(fs::exists(library_ / "20070315" / "PREVIEW" / "ABCD0001.JPG"));
}

TEST_F(ImportEngine, FailedAlbumSavePutsTheDayPagesOfEarlierDaysBack) {
  test::UseTestPluginFolders(home_);
  if (test::BuiltTemplatesPlugin().empty()) GTEST_SKIP() << "the templates plug-in is not built in this tree";
  settings::SetString(settings::Key::DllPath, "./Plugins/templates.so");
  Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2007:03:15 10:00:00", 1);
  ASSERT_EQ(Import(), ImportResult::Done);
  const fs::path page = library_ / "20070315" / layout::kDayPageName;
  ASSERT_TRUE(fs::exists(page));
  const std::string pageBefore = test::ReadFile(page);
  const auto modeBefore = fs::status(page).permissions();

  // A second picture of that day; the save fails once the album has been read.
  Picture(dcim_ / "100TEST" / "ABCD0002.JPG", "2007:03:15 11:00:00", 2);
  makeEngine_ = [&](CRKCardAlbumDoc& album, const ImportOptions& options) {
    fs::remove(layout::WorkingAlbumPath());
    fs::create_directories(layout::WorkingAlbumPath());
    return std::make_unique<CImportEngine>(album, ui_, options);
  };
  EXPECT_EQ(Import(), ImportResult::Failed);
  EXPECT_FALSE(fs::exists(library_ / "20070315" / "ABCD0002.JPG"));
  EXPECT_EQ(test::ReadFile(page), pageBefore);
  EXPECT_EQ(fs::status(page).permissions(), modeBefore);
  SetPluginFoldersForTesting({});
}

TEST_F(ImportEngine, CardWhoseEveryFileIsInTheLibraryStillWritesPagesSavesAndOpensTheLibrary) {
  Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2007:03:15 10:00:00", 1);
  ASSERT_EQ(Import(), ImportResult::Done);
  fs::remove_all(home_ / "HTML");
  fs::remove(layout::ListFramePage());
  // The album is read into memory first; the file goes only afterwards, so only a save brings it back.
  makeEngine_ = [&](CRKCardAlbumDoc& album, const ImportOptions& options) {
    fs::remove(layout::WorkingAlbumPath());
    return std::make_unique<CImportEngine>(album, ui_, options);
  };
  openBrowser_ = true;

  EXPECT_EQ(Import(), ImportResult::Done);
  EXPECT_TRUE(fs::exists(layout::WorkingAlbumPath()));
  EXPECT_TRUE(fs::exists(layout::ListFramePage()));
  EXPECT_TRUE(fs::is_directory(home_ / "HTML"));
  EXPECT_EQ(ui_.openedPages.size(), 1u);
  EXPECT_EQ(days_, (std::map<std::string, int>{{"20070315", 1}}));
  EXPECT_FALSE(fs::exists(library_ / "20070315" / "ABCD0001_1.JPG"));
}

TEST_F(ImportEngine, MoveTellsWhichCardFilesCouldNotBeDeletedAndKeepsTheRun) {
  Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2007:03:15 10:00:00", 1);
  Picture(dcim_ / "100TEST" / "ABCD0002.JPG", "2007:03:15 11:00:00", 2);
  makeEngine_ = [&](CRKCardAlbumDoc& album, const ImportOptions& options) {
    return std::make_unique<StickyCardEngine>(album, ui_, options, std::set<std::string>{"ABCD0002.JPG"});
  };
  ImportOptions options;
  options.transferMode = kTransferMove;
  ASSERT_EQ(Import({dcim_}, options), ImportResult::Done);
  EXPECT_FALSE(fs::exists(dcim_ / "100TEST" / "ABCD0001.JPG"));
  EXPECT_TRUE(fs::exists(dcim_ / "100TEST" / "ABCD0002.JPG"));
  EXPECT_TRUE(fs::exists(library_ / "20070315" / "ABCD0001.JPG"));
  EXPECT_TRUE(fs::exists(library_ / "20070315" / "ABCD0002.JPG"));
  EXPECT_EQ(days_, (std::map<std::string, int>{{"20070315", 2}}));
  const std::vector<std::string> messages = ui_.Texts(FakeInteraction::Kind::Message);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], import_texts::FilesStayedOnCard({dcim_ / "100TEST" / "ABCD0002.JPG"}));
  EXPECT_NE(messages[0].find((dcim_ / "100TEST" / "ABCD0002.JPG").string()), std::string::npos);
  EXPECT_EQ(messages[0].find("ABCD0001.JPG"), std::string::npos);
  EXPECT_EQ(ui_.records.back().icon, Icon::Exclamation);
}

// A dated import keeps the card's subfolder: 20070315_01/100TEST/PREVIEW, not 20070315_01/PREVIEW.
class DatedImportPages : public ImportEngine {
 protected:
  void SetUp() override {
    ImportEngine::SetUp();
    test::UseTestPluginFolders(home_);
    settings::SetString(settings::Key::DllPath, "./Plugins/templates.so");
  }
  void TearDown() override {
    SetPluginFoldersForTesting({});
    ImportEngine::TearDown();
  }
  ImportResult DatedImport() {
    Picture(dcim_ / "100TEST" / "ABCD0001.JPG", "2007:03:15 10:00:00", 1);
    ui_.dates.push_back("20070315");
    ImportOptions options;
    options.classification = 1;
    return Import({dcim_}, options);
  }
};

TEST_F(DatedImportPages, CalendarSampleOfADatedDayLinksThePreviewInTheCardSubfolder) {
  if (test::BuiltTemplatesPlugin().empty()) GTEST_SKIP() << "the templates plug-in is not built in this tree";
  ASSERT_EQ(DatedImport(), ImportResult::Done);
  ASSERT_TRUE(fs::exists(library_ / "20070315_01" / "100TEST" / "PREVIEW" / "ABCD0001.JPG"));
  const std::vector<test::BrokenLink> broken = test::CheckLinksUnder(home_ / "HTML");
  EXPECT_GT(test::LastCheckedLinkCount(), 0u);
  EXPECT_TRUE(broken.empty()) << test::Describe(broken);
  // The sample is really there: the month calendar names the card subfolder's preview.
  bool named = false;
  for (const auto& entry : fs::recursive_directory_iterator(home_ / "HTML"))
    if (entry.is_regular_file() && test::ReadFile(entry.path()).find("20070315_01/100TEST/PREVIEW/ABCD0001.JPG") != std::string::npos)
      named = true;
  EXPECT_TRUE(named);
}

TEST_F(DatedImportPages, ListPageLinksPreviewsOfADatedDayRelativelySoAMovedHomeKeepsThem) {
  if (test::BuiltTemplatesPlugin().empty()) GTEST_SKIP() << "the templates plug-in is not built in this tree";
  ASSERT_EQ(DatedImport(), ImportResult::Done);
  const fs::path moved = dir_.path() / "moved home";
  fs::rename(home_, moved);
  const std::vector<test::BrokenLink> broken = test::CheckLinksUnder(moved / "HTML");
  EXPECT_GT(test::LastCheckedLinkCount(), 0u);
  EXPECT_TRUE(broken.empty()) << test::Describe(broken);
  for (const auto& entry : fs::recursive_directory_iterator(moved / "HTML")) {
    if (!entry.is_regular_file()) continue;
    EXPECT_EQ(test::ReadFile(entry.path()).find("file://"), std::string::npos) << entry.path();
  }
  fs::rename(moved, home_);
}

}  // namespace
}  // namespace orrivan
