// The other-image import against folders in a temp folder (and on /dev/shm, another file system):
// the folder list's refusals, filing by date and into one dated folder, moves that commit only after
// the save, shortcuts that leave their originals alone, cancel, and the Trash of links.
#include "import/other_import.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "base/strings.h"
#include "imaging/image_ops.h"
#include "import/import_fixture.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;
using test::FakeInteraction;

// A folder of its own on /dev/shm, removed with everything the test left there.
class ShmFolder {
 public:
  ShmFolder() {
    char name[] = "/dev/shm/orrivan-other-XXXXXX";
    if (::mkdtemp(name)) path_ = name;
  }
  ~ShmFolder() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

class OtherImport : public test::ImportFixture {
 protected:
  ImportResult Import(const std::vector<fs::path>& folders, ImportOptions options = {}) {
    options.openBrowser = false;
    CRKCardAlbumDoc album(home_);
    album.SetGenerationRotation(false);
    const fs::path albumFile = layout::WorkingAlbumPath();
    if (fs::is_regular_file(albumFile)) {
      EXPECT_TRUE(album.OnOpenDocument(albumFile));
    }
    COtherImport engine(album, ui_, options);
    const ImportResult result = engine.Run(folders);
    days_.clear();
    titles_.clear();
    for (const CAlbumData& day : album.Days()) {
      days_[layout::LastComponent(day.folderPath)] = day.pictureCount;
      titles_[layout::LastComponent(day.folderPath)] = day.title;
      shortcutDays_[layout::LastComponent(day.folderPath)] = day.shortcutDay;
    }
    pictures_.clear();
    for (const CPhotoData& picture : album.Pictures()) pictures_.push_back(picture.filePath);
    return result;
  }
  static ImportOptions Mode(int mode, int classification = 0) {
    ImportOptions options;
    options.transferMode = mode;
    options.classification = classification;
    return options;
  }

  std::map<std::string, int> days_;
  std::map<std::string, std::string> titles_;
  std::map<std::string, int> shortcutDays_;
  std::vector<std::string> pictures_;
};

TEST(OtherFolderList, RefusesAnEleventhFolderAJpegOnlyFolderAndOneListedTwice) {
  test::TempDir dir{"orrivan-other-list"};
  COtherFolderList list;
  for (int i = 0; i < 10; ++i) {
    const fs::path folder = dir / ("f" + std::to_string(i));
    fs::create_directories(folder);
    test::WriteFile(folder / (i % 2 ? "a.jpg" : "B.WaV"), "x");
    ASSERT_EQ(list.Add(folder), COtherFolderList::AddResult::Added) << i;
  }
  fs::create_directories(dir / "eleventh");
  test::WriteFile(dir / "eleventh" / "C.AVI", "x");
  EXPECT_EQ(list.Add(dir / "eleventh"), COtherFolderList::AddResult::Full);
  EXPECT_EQ(list.Folders().size(), 10u);

  list.Remove(3);
  EXPECT_EQ(list.Add(dir / "f0/"), COtherFolderList::AddResult::AlreadyListed);
  fs::create_directories(dir / "jpeg" / "sub");
  test::WriteFile(dir / "jpeg" / "a.jpeg", "x");
  test::WriteFile(dir / "jpeg" / "sub" / "b.JPG", "x");  // a subfolder's files do not count
  fs::create_directories(dir / "jpeg" / "c.jpg");        // nor a folder named like a picture
  EXPECT_EQ(list.Add(dir / "jpeg"), COtherFolderList::AddResult::NoFiles);
  EXPECT_EQ(list.Add(dir / "gone"), COtherFolderList::AddResult::Missing);
  EXPECT_EQ(list.Add(dir / "eleventh"), COtherFolderList::AddResult::Added);
  EXPECT_EQ(list.Folders().back(), dir / "eleventh");
}

TEST(OtherFolderList, PreviewListIsSortedIgnoringCaseAcrossFolders) {
  test::TempDir dir{"orrivan-other-preview"};
  fs::create_directories(dir / "a");
  fs::create_directories(dir / "b");
  for (const char* name : {"a/c.JPG", "a/x.txt", "b/B.avi", "b/a.wav", "a/D.jpeg"}) test::WriteFile(dir / name, "x");
  std::vector<std::string> names;
  for (const fs::path& f : ImportableFiles({dir / "a", dir / "b"})) names.push_back(f.filename().string());
  EXPECT_EQ(names, (std::vector<std::string>{"a.wav", "B.avi", "c.JPG"}));
}

TEST(OtherFolderList, LongPathsAreShortenedByCharactersNotBytes) {
  EXPECT_EQ(ShortenedPath("/home/user/Pictures"), "/home/user/Pictures");
  const std::string longAscii = "/home/user/Pictures/2007/summer/Trip";
  EXPECT_EQ(ShortenedPath(longAscii), "..." + longAscii.substr(longAscii.size() - 27));
  // 31 characters, 81 bytes: cut to 30 characters, never inside a character.
  const std::string japanese = "/写真/旅行/夏休み/北海道の旅行写真/二〇〇七年の夏/最終日";
  EXPECT_EQ(ShortenedPath(japanese), "...旅行/夏休み/北海道の旅行写真/二〇〇七年の夏/最終日");
  EXPECT_EQ(ShortenedPath("/写真/旅行/夏休み/北海道の旅行写真/二〇〇七年の夏"), "/写真/旅行/夏休み/北海道の旅行写真/二〇〇七年の夏");
  const std::string text = FolderRefusalText("/a/b", FolderState::NoFiles, true);
  EXPECT_EQ(text, "/a/b\nフォルダ内に対応する画像ファイルが見つかりません\n処理を中断します。");
}

TEST(OtherFolderList, TransferChoiceMapsToTheModes) {
  EXPECT_EQ(TransferModeOfChoice(0), kTransferCopy);
  EXPECT_EQ(TransferModeOfChoice(1), kTransferMove);
  EXPECT_EQ(TransferModeOfChoice(2), kTransferShortcut);
  EXPECT_EQ(TransferModeOfChoice(7), kTransferCopy);
}

TEST_F(OtherImport, FilesDirectlyInTheFoldersAreFiledByDateAndSubfoldersAreLeft) {
  const fs::path phone = dir_ / "phone", stick = dir_ / "stick";
  Picture(phone / "img_1.jpg", "2007:03:15 10:00:00", 1);
  Picture(phone / "nested" / "img_2.JPG", "2007:03:16 10:00:00", 2);
  Memo(phone / "img_1.wav", test::LocalTime(2020, 1, 2));
  Picture(stick / "DSC.JPG", "2007:03:17 10:00:00", 3);

  ASSERT_EQ(Import({phone, stick}), ImportResult::Done);
  EXPECT_EQ(days_, (std::map<std::string, int>{{"20070315", 2}, {"20070317", 1}}));
  EXPECT_TRUE(fs::exists(library_ / "20070315" / "img_1.JPG"));
  EXPECT_TRUE(fs::exists(library_ / "20070315" / "img_1.WAV"));
  EXPECT_TRUE(fs::exists(library_ / "20070317" / "DSC.JPG"));
  EXPECT_TRUE(fs::exists(phone / "img_1.jpg"));  // a copy
  ASSERT_FALSE(ui_.progress.empty());
  EXPECT_EQ(ui_.progress[0].caption, Str(StrId::OtherImportCaption));
  EXPECT_EQ(ui_.progress[0].texts.at(0).first, Str(StrId::CopyingFiles));
  EXPECT_EQ(ui_.progress[0].ranges, std::vector<int64_t>{2});  // the pair counts once
}

TEST_F(OtherImport, TwoFoldersNamedTripGoIntoTripAndTrip1OfOneDatedFolderWithOneDateAndOneTitle) {
  settings::SetInt(settings::Key::InputTitle, 0);
  const fs::path first = dir_ / "2006" / "Trip", second = dir_ / "2007" / "Trip";
  Picture(first / "a.JPG", "2006:08:01 10:00:00", 1);
  Picture(second / "a.JPG", "2007:08:01 10:00:00", 2);
  Picture(second / "b.JPG", "", 3);  // no shooting date: no question in dated-folder mode
  ui_.dates = {std::string("20070315")};
  ui_.titles = {std::string("Summer")};

  ASSERT_EQ(Import({first, second}, Mode(kTransferCopy, 1)), ImportResult::Done);
  EXPECT_EQ(ui_.dateQuestions.size(), 1u);
  EXPECT_EQ(ui_.Texts(FakeInteraction::Kind::AskTitle).size(), 1u);
  EXPECT_EQ(days_, (std::map<std::string, int>{{"20070315_01", 3}}));
  EXPECT_EQ(titles_["20070315_01"], "Summer");
  const fs::path dated = library_ / "20070315_01";
  EXPECT_EQ(test::ReadFile(dated / "Trip" / "a.JPG"), test::ReadFile(first / "a.JPG"));
  EXPECT_EQ(test::ReadFile(dated / "Trip_1" / "a.JPG"), test::ReadFile(second / "a.JPG"));
  EXPECT_TRUE(fs::exists(dated / "Trip_1" / "b.JPG"));
  EXPECT_TRUE(fs::exists(dated / "Trip_1" / "PREVIEW" / "b.JPG"));
}

TEST_F(OtherImport, TitleCancelledLeavesItEmpty) {
  settings::SetInt(settings::Key::InputTitle, 0);
  Picture(dir_ / "Trip" / "a.JPG", "2006:08:01 10:00:00", 1);
  ui_.dates = {std::string("20070315")};
  ui_.titles = {std::nullopt};
  ASSERT_EQ(Import({dir_ / "Trip"}, Mode(kTransferCopy, 1)), ImportResult::Done);
  EXPECT_EQ(titles_["20070315_01"], "");
}

TEST_F(OtherImport, AMoveFromAnotherFileSystemEmptiesTheFolderOnlyAfterTheAlbumIsSaved) {
  ShmFolder shm;
  ASSERT_FALSE(shm.path().empty());
  const fs::path folder = shm.path() / "export";
  Picture(folder / "a.JPG", "2007:03:15 10:00:00", 1);
  Picture(folder / "b.JPG", "2007:03:16 10:00:00", 2);
  test::WriteFile(folder / "notes.txt", "kept");
  const auto before = test::TreeOf(folder);

  // The album cannot be saved (a folder stands where it goes): nothing leaves the folder.
  fs::create_directories(layout::WorkingAlbumPath() / "blocker");
  EXPECT_EQ(Import({folder}, Mode(kTransferMove)), ImportResult::Failed);
  EXPECT_EQ(test::TreeOf(folder), before);
  EXPECT_TRUE(test::TreeOf(library_).empty());

  fs::remove_all(layout::WorkingAlbumPath());
  ASSERT_EQ(Import({folder}, Mode(kTransferMove)), ImportResult::Done);
  EXPECT_EQ(test::TreeOf(folder), (std::map<std::string, std::string>{{"notes.txt", "kept"}}));
  EXPECT_TRUE(fs::is_directory(folder));  // the user's folder itself stays
  EXPECT_EQ(test::ReadFile(library_ / "20070315" / "a.JPG"), before.at("a.JPG"));
  EXPECT_EQ(ui_.progress[0].texts.at(0).first, Str(StrId::MovingFiles));
}

TEST_F(OtherImport, ACancelledMoveLeavesTheFoldersAsTheyWere) {
  const fs::path a = dir_ / "a", b = dir_ / "b";
  Picture(a / "1.JPG", "2007:03:15 10:00:00", 1);
  Picture(a / "2.JPG", "2007:03:16 10:00:00", 2);
  Picture(b / "3.JPG", "2007:03:17 10:00:00", 3);
  const auto beforeA = test::TreeOf(a), beforeB = test::TreeOf(b);
  ui_.cancelAfter = 2;
  EXPECT_EQ(Import({a, b}, Mode(kTransferMove)), ImportResult::Cancelled);
  EXPECT_EQ(test::TreeOf(a), beforeA);
  EXPECT_EQ(test::TreeOf(b), beforeB);
  EXPECT_TRUE(test::TreeOf(library_).empty());
  EXPECT_FALSE(fs::exists(layout::WorkingAlbumPath()));
}

TEST_F(OtherImport, AShortcutImportLinksToTheOriginalsAndNeverWritesThem) {
  ShmFolder shm;
  ASSERT_FALSE(shm.path().empty());
  const fs::path folder = shm.path() / "archive";
  // A portrait picture lying on its side (orientation 6), 48 x 32 as stored.
  Picture(folder / "side.JPG", "2007:03:15 10:00:00", 1, 6);
  Memo(folder / "side.WAV", test::LocalTime(2007, 3, 15));
  const auto before = test::TreeOf(folder);

  ASSERT_EQ(Import({folder}, Mode(kTransferShortcut)), ImportResult::Done);
  EXPECT_EQ(test::TreeOf(folder), before);
  const fs::path link = library_ / "20070315" / "side.JPG.lnk";
  ASSERT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(fs::read_symlink(link), folder / "side.JPG");
  EXPECT_EQ(fs::read_symlink(library_ / "20070315" / "side.WAV.lnk"), folder / "side.WAV");
  EXPECT_EQ(shortcutDays_["20070315"], 1);
  EXPECT_EQ(ui_.progress[0].texts.at(0).first, Str(StrId::CreatingShortcuts));
  EXPECT_NE(std::find(pictures_.begin(), pictures_.end(), layout::ToStoredPath(link)), pictures_.end());
  // The preview is upright although the original was not turned.
  const auto bytes = imaging::ReadFileBytes(library_ / "20070315" / "PREVIEW" / "side.JPG", 1 << 20);
  ASSERT_TRUE(bytes);
  imaging::JpegDecoder decoder(*bytes);
  ASSERT_TRUE(decoder.ReadHeader());
  EXPECT_EQ(decoder.size(), (imaging::ImageSize{32, 48}));

  // The same folder again: every link is recognised, nothing new, no failure.
  EXPECT_EQ(Import({folder}, Mode(kTransferShortcut)), ImportResult::Done);
  EXPECT_EQ(pictures_.size(), 2u);
  EXPECT_FALSE(fs::exists(library_ / "20070315" / "side_1.JPG.lnk"));
}

TEST_F(OtherImport, AFolderThatWentAwayEndsTheRunWithItsPath) {
  Picture(dir_ / "here" / "a.JPG", "2007:03:15 10:00:00", 1);
  EXPECT_EQ(Import({dir_ / "here", dir_ / "gone"}), ImportResult::Failed);
  ASSERT_EQ(ui_.records.size(), 1u);
  EXPECT_EQ(ui_.records[0].look.caption, Str(StrId::OtherImportCaption));
  EXPECT_EQ(ui_.records[0].text, FolderRefusalText(dir_ / "gone", FolderState::Missing, true));
  EXPECT_TRUE(test::TreeOf(library_).empty());
}

TEST(TrashLink, ALinkWhoseTargetIsGoneOrElsewhereIsTrashedAsItselfOnItsOwnFileSystem) {
  ShmFolder shm;
  ASSERT_FALSE(shm.path().empty());
  test::TempDir dir{"orrivan-trash-link"};
  const std::string oldXdg = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
  ::setenv("XDG_DATA_HOME", (dir / "xdg").c_str(), 1);

  // A link beside the home trash, to a picture on /dev/shm: into the home trash, target untouched.
  test::WriteFile(shm.path() / "original.JPG", "picture");
  fs::create_directories(dir / "lib");
  fs::create_symlink(shm.path() / "original.JPG", dir / "lib" / "a.JPG.lnk");
  ASSERT_TRUE(MoveToTrash(dir / "lib" / "a.JPG.lnk"));
  EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "lib" / "a.JPG.lnk")));
  EXPECT_TRUE(fs::is_symlink(dir / "xdg" / "Trash" / "files" / "a.JPG.lnk"));
  EXPECT_EQ(test::ReadFile(shm.path() / "original.JPG"), "picture");
  const std::string info = test::ReadFile(dir / "xdg" / "Trash" / "info" / "a.JPG.lnk.trashinfo");
  EXPECT_NE(info.find("[Trash Info]\nPath=" + (dir / "lib" / "a.JPG.lnk").string() + "\nDeletionDate="), std::string::npos)
      << info;

  // A second link of that name gets a name of its own in the trash.
  fs::create_symlink(dir / "nowhere", dir / "lib" / "a.JPG.lnk");
  ASSERT_TRUE(MoveToTrash(dir / "lib" / "a.JPG.lnk"));
  EXPECT_TRUE(fs::is_symlink(dir / "xdg" / "Trash" / "files" / "a.JPG.lnk.2"));

  // A dangling link on another file system: into that file system's own trash, by a relative path.
  fs::create_directories(shm.path() / "lib");
  fs::create_symlink(dir / "gone", shm.path() / "lib" / "b b.lnk");
  const fs::path top = "/dev/shm", trash = top / (".Trash-" + std::to_string(::getuid()));
  ASSERT_TRUE(MoveToTrash(shm.path() / "lib" / "b b.lnk"));
  EXPECT_FALSE(fs::exists(fs::symlink_status(shm.path() / "lib" / "b b.lnk")));
  // Find our entry (other runs may have left theirs).
  bool found = false;
  std::error_code ec;
  for (fs::directory_iterator it(trash / "info", ec), end; !ec && it != end; it.increment(ec)) {
    const std::string text = test::ReadFile(it->path());
    const std::string relative = fs::path(shm.path().filename() / "lib" / "b%20b.lnk").string();
    if (text.find("Path=" + relative + "\n") == std::string::npos) continue;
    found = true;
    const std::string entry = it->path().stem().string();
    EXPECT_TRUE(fs::is_symlink(trash / "files" / entry));
    fs::remove(trash / "files" / entry);
    fs::remove(it->path());
  }
  EXPECT_TRUE(found);
  if (oldXdg.empty()) ::unsetenv("XDG_DATA_HOME"); else ::setenv("XDG_DATA_HOME", oldXdg.c_str(), 1);
}

}  // namespace
}  // namespace orrivan
