// An import whose pictures are read, turned and previewed by worker threads ahead of the walk must
// leave exactly what a one-thread run of the same card leaves: album, pages, pictures, previews —
// and behave the same when a picture cannot be decoded, a run is cancelled or the workers are
// outrun by duplicates.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "import/import_engine.h"
#include "import/import_fixture.h"
#include "import/import_prefetch.h"
#include "import/other_import.h"
#include "imaging/jpeg_file.h"
#include "imaging/preview.h"
#include "support/avi_writer.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;
using test::FakeInteraction;

// A dated camera picture of the given size and Exif orientation.
test::JpegSpec Shot(int width, int height, std::uint32_t seed, const std::string& shot, int orientation, int quality = 90) {
  test::JpegSpec params;
  params.width = width;
  params.height = height;
  params.quality = quality;
  params.seed = seed;
  test::ExifSpec exif;
  exif.dateTimeOriginal = shot;
  exif.orientation = orientation;
  params.exif = exif;
  return params;
}

class ParallelImport : public test::ImportFixture {
 protected:
  // A card with everything the walk treats differently: two days, portraits turned either way, a
  // name met twice, a memo pair, a movie, an undated picture, a picture that does not decode, and a
  // file that is neither read nor counted.
  void MakeCard() {
    const fs::path a = dcim_ / "100ABCDE", b = dcim_ / "101ABCDE";
    fs::create_directories(a);
    fs::create_directories(b);
    for (int i = 1; i <= 8; ++i) {
      const std::string shot = i <= 4 ? "2007:03:16 10:00:0" + std::to_string(i) : "2007:04:20 09:30:0" + std::to_string(i);
      const int orientation = i == 2 ? 6 : i == 5 ? 8 : i == 7 ? 3 : 1;
      test::WriteJpeg(a / ("ABCD000" + std::to_string(i) + ".JPG"),
                      Shot(160 + 16 * i, 120, static_cast<std::uint32_t>(i), shot, orientation));
    }
    Picture(b / "ABCD0001.JPG", "2007:03:16 11:00:00", 99, 6);  // the name met again, another picture
    Picture(b / "ABCD0002.JPG", "2007:04:20 12:00:00", 3);
    Memo(b / "ABCD0002.WAV", test::LocalTime(2007, 4, 20));
    ASSERT_TRUE(test::WriteAvi(b / "ABCD0003.AVI"));
    test::SetModified(b / "ABCD0003.AVI", test::LocalTime(2007, 4, 21));
    Picture(b / "ABCD0004.JPG", "");  // undated
    test::SetModified(b / "ABCD0004.JPG", test::LocalTime(2007, 5, 1));
    std::string broken = test::ReadFile(a / "ABCD0003.JPG");
    broken.resize(broken.size() / 3);  // the header reads, the picture does not
    test::WriteFile(b / "ABCD0005.JPG", broken);
    test::WriteFile(b / "ABCD0006.RAW", "raw");
  }

  // One import into a fresh home at the same place, so that stored paths agree; the home is then put
  // aside under `keep` and its files returned.
  std::map<std::string, std::string> ImportInto(const std::string& keep, int threads, int classification = 0,
                                                bool other = false) {
    fs::remove_all(home_);
    fs::create_directories(home_);
    settings::UseFile(home_ / "Orrivan.conf");
    ui_ = FakeInteraction();
    ui_.undatedChoices.push_back(UndatedChoice{UndatedChoice::Kind::FileDate, {}});
    ui_.dates.push_back(std::string("20070316"));
    ui_.titles.push_back(std::string("Trip"));
    ImportOptions options;
    options.openBrowser = false;
    options.threads = threads;
    options.classification = classification;
    options.transferMode = kTransferCopy;
    {
      CRKCardAlbumDoc album(home_);
      album.SetGenerationRotation(false);
      if (other) {
        COtherImport engine(album, ui_, options);
        result_ = engine.Run({dcim_ / "100ABCDE", dcim_ / "101ABCDE"});
      } else {
        CImportEngine engine(album, ui_, options);
        result_ = engine.Run({dcim_});
      }
    }
    std::map<std::string, std::string> tree = test::TreeOf(home_);
    tree.erase("Orrivan.conf");  // the window position and such, not the import's
    asked_ = ui_.records.size();
    fs::rename(home_, dir_ / keep);
    return tree;
  }

  // Names of the files two trees do not agree on.
  static std::string Differences(const std::map<std::string, std::string>& a, const std::map<std::string, std::string>& b) {
    std::string out;
    for (const auto& [name, bytes] : a) {
      auto it = b.find(name);
      if (it == b.end()) out += " only one-thread: " + name;
      else if (it->second != bytes) out += " differs: " + name;
    }
    for (const auto& [name, bytes] : b)
      if (!a.count(name)) out += " only threaded: " + name;
    return out;
  }

  ImportResult result_ = ImportResult::Failed;
  size_t asked_ = 0;
};

TEST_F(ParallelImport, CardByDateAndIntoADatedFolderGiveTheOneThreadResultByteForByte) {
  MakeCard();
  for (int classification : {0, 1}) {
    const std::string tag = std::to_string(classification);
    const auto one = ImportInto("one" + tag, 1, classification);
    ASSERT_EQ(result_, ImportResult::Done) << classification;
    const size_t askedOnce = asked_;
    const auto many = ImportInto("many" + tag, 4, classification);
    ASSERT_EQ(result_, ImportResult::Done) << classification;
    EXPECT_EQ(asked_, askedOnce);
    EXPECT_EQ(Differences(one, many), "") << classification;
    // The run did the work the comparison is about: previews, turned portraits, the album.
    size_t previews = 0;
    for (const auto& [name, bytes] : many) previews += name.find("/PREVIEW/") != std::string::npos;
    EXPECT_GE(previews, 10u) << classification;
    EXPECT_TRUE(many.count(fs::relative(layout::WorkingAlbumPath(), home_).string())) << classification;
  }
  // A portrait stands upright in the library in both runs.
  int version = 0;
  const fs::path turned = dir_ / "many0" / "Image Library" / "20070316" / "ABCD0002.JPG";
  ASSERT_TRUE(fs::exists(turned));
  EXPECT_EQ(CJpegFile::ReadOrientation(turned, version), kRotationNone);
}

TEST_F(ParallelImport, FolderImportGivesTheOneThreadResultByteForByte) {
  MakeCard();
  for (int classification : {0, 1}) {
    const std::string tag = std::to_string(classification);
    const auto one = ImportInto("one" + tag, 1, classification, true);
    ASSERT_EQ(result_, ImportResult::Done) << classification;
    const auto many = ImportInto("many" + tag, 3, classification, true);
    ASSERT_EQ(result_, ImportResult::Done) << classification;
    EXPECT_EQ(Differences(one, many), "") << classification;
  }
}

TEST_F(ParallelImport, CancelWhileWorkersAreBusyLeavesNothingAndASecondRunFindsEveryFileAgain) {
  MakeCard();
  fs::create_directories(dcim_ / "102ABCDE");
  for (int i = 0; i < 16; ++i) {
    test::WriteJpeg(dcim_ / "102ABCDE" / ("ABCD01" + std::to_string(10 + i) + ".JPG"),
                    Shot(320, 240, static_cast<std::uint32_t>(100 + i), "2008:01:02 03:04:05", 6));
  }
  ui_.cancelAfter = 3;
  ImportOptions options;
  options.openBrowser = false;
  options.threads = 2;
  {
    CRKCardAlbumDoc album(home_);
    album.SetGenerationRotation(false);
    CImportEngine engine(album, ui_, options);
    EXPECT_EQ(engine.Run({dcim_}), ImportResult::Cancelled);
    EXPECT_EQ(album.PictureCount(), 0u);
  }
  EXPECT_FALSE(fs::exists(library_ / "20070316"));
  EXPECT_FALSE(fs::exists(library_ / "20080102"));

  // Everything already in the library: the walk outruns the workers and takes nothing they made.
  ui_ = FakeInteraction();
  ui_.undatedChoices.push_back(UndatedChoice{UndatedChoice::Kind::FileDate, {}});
  {
    CRKCardAlbumDoc album(home_);
    album.SetGenerationRotation(false);
    CImportEngine engine(album, ui_, options);
    ASSERT_EQ(engine.Run({dcim_}), ImportResult::Done);
  }
  const auto first = test::TreeOf(library_);
  ui_ = FakeInteraction();
  ui_.undatedChoices.push_back(UndatedChoice{UndatedChoice::Kind::FileDate, {}});
  {
    CRKCardAlbumDoc album(home_);
    album.SetGenerationRotation(false);
    ASSERT_TRUE(album.OnOpenDocument(layout::WorkingAlbumPath()));
    const size_t pictures = album.PictureCount();
    CImportEngine engine(album, ui_, options);
    EXPECT_EQ(engine.Run({dcim_}), ImportResult::Done);
    EXPECT_EQ(album.PictureCount(), pictures);
  }
  // Pages are rewritten; pictures and previews stay as the first run made them.
  auto second = test::TreeOf(library_);
  auto firstFiles = first;
  const auto page = [](const auto& entry) { return entry.first.ends_with(".HTM"); };
  std::erase_if(second, page);
  std::erase_if(firstFiles, page);
  EXPECT_EQ(firstFiles, second);
}

// Entries of a /proc/self folder: the threads or the open files of this process.
size_t CountOf(const char* folder) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++n;
  return n;
}

// A portrait too large for a worker to hold (APP segments of 64 KiB after its Exif, over 64 MiB in
// all) among the small files: the driving thread turns and previews it itself, in its place.
TEST_F(ParallelImport, HugeFileAmongSmallOnesIsFiledAsOnOneThread) {
  MakeCard();
  std::string picture = test::MakeJpeg(Shot(640, 480, 77, "2007:03:16 10:30:00", 6));
  ASSERT_EQ(static_cast<unsigned char>(picture[3]), 0xE1u);  // the Exif segment first
  const size_t afterExif = 4 + (static_cast<unsigned char>(picture[4]) << 8 | static_cast<unsigned char>(picture[5]));
  std::string padding;
  const std::string segment = std::string("\xFF\xEF\xFF\xFF", 4) + std::string(0xFFFD, 'x');
  while (padding.size() < (size_t{65} << 20)) padding += segment;
  picture.insert(afterExif, padding);
  test::WriteFile(dcim_ / "100ABCDE" / "ABCD0009.JPG", picture);

  const auto one = ImportInto("one", 1);
  ASSERT_EQ(result_, ImportResult::Done);
  const auto many = ImportInto("many", 2);
  ASSERT_EQ(result_, ImportResult::Done);
  EXPECT_EQ(Differences(one, many), "");
  int version = 0;
  const fs::path huge = dir_ / "many" / "Image Library" / "20070316" / "ABCD0009.JPG";
  ASSERT_TRUE(fs::exists(huge));
  EXPECT_GT(fs::file_size(huge), size_t{65} << 20);
  EXPECT_EQ(CJpegFile::ReadOrientation(huge, version), kRotationNone);
}

// The library's file system fills up while the workers are busy: the same result, messages and
// roll-back as on one thread, and no worker or open file is left behind.
TEST_F(ParallelImport, LibraryThatFillsUpEndsAsOnOneThreadAndLeavesNoThreadOrFileBehind) {
  MakeCard();
  fs::create_directories(dcim_ / "102ABCDE");
  for (int i = 0; i < 12; ++i) {
    test::WriteJpeg(dcim_ / "102ABCDE" / ("ABCD02" + std::to_string(10 + i) + ".JPG"),
                    Shot(640, 480, static_cast<std::uint32_t>(200 + i), "2008:01:02 03:04:05", i % 2 ? 6 : 1, 95));
  }
  const auto card = test::TreeOf(card_);
  fs::create_directories(library_);
  if (::mount("tmpfs", library_.c_str(), "tmpfs", 0, "size=256k") != 0) GTEST_SKIP() << "cannot mount a small tmpfs";
  struct Unmount {
    fs::path at;
    ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
  } unmount{library_};

  struct Outcome {
    ImportResult result;
    std::vector<std::string> messages;
    std::map<std::string, std::string> home;
  };
  auto run = [&](int threads) {
    // A fresh home around the mounted library.
    for (const auto& entry : fs::directory_iterator(home_))
      if (entry.path() != library_) fs::remove_all(entry.path());
    for (const auto& entry : fs::directory_iterator(library_)) fs::remove_all(entry.path());
    settings::UseFile(home_ / "Orrivan.conf");
    ui_ = FakeInteraction();
    ui_.undatedChoices.push_back(UndatedChoice{UndatedChoice::Kind::FileDate, {}});
    ImportOptions options;
    options.openBrowser = false;
    options.threads = threads;
    options.transferMode = kTransferCopy;
    const size_t tasks = CountOf("/proc/self/task"), files = CountOf("/proc/self/fd");
    Outcome o;
    {
      CRKCardAlbumDoc album(home_);
      album.SetGenerationRotation(false);
      CImportEngine engine(album, ui_, options);
      o.result = engine.Run({dcim_});
      EXPECT_EQ(album.PictureCount(), 0u) << threads;
    }
    EXPECT_EQ(CountOf("/proc/self/task"), tasks) << threads;
    EXPECT_EQ(CountOf("/proc/self/fd"), files) << threads;
    o.messages = ui_.Texts(FakeInteraction::Kind::Message);
    o.home = test::TreeOf(home_);
    o.home.erase("Orrivan.conf");
    return o;
  };
  const Outcome one = run(1);
  const Outcome two = run(2);
  EXPECT_EQ(one.result, ImportResult::Failed);
  EXPECT_EQ(two.result, one.result);
  EXPECT_EQ(one.messages, std::vector<std::string>{"ﾗｲﾌﾞﾗﾘを書き込み中にｴﾗｰが発生しました\n処理を中止します"});
  EXPECT_EQ(two.messages, one.messages);
  EXPECT_EQ(Differences(one.home, two.home), "");
  for (const auto& [name, bytes] : two.home) EXPECT_EQ(name.rfind("Image Library/", 0), std::string::npos) << name;
  EXPECT_EQ(test::TreeOf(card_), card);
}

TEST(ImportPrefetch, TakesInWalkOrderGivesUpWhatWasPassedAndServesOnlyThePlan) {
  test::TempDir dir("orrivan-prefetch");
  std::vector<fs::path> plan;
  for (int i = 0; i < 12; ++i) {
    plan.push_back(dir.path() / ("P" + std::to_string(10 + i) + ".JPG"));
    test::WriteJpeg(plan.back(), Shot(400, 300, static_cast<std::uint32_t>(i), "2009:09:09 09:09:09", i % 3 == 0 ? 8 : 1));
  }
  PrefetchOptions options;
  options.workers = 3;
  CImportPrefetch prefetch(plan, options);
  // The first files lie within the workers' reach ahead of a walk that has not begun.
  for (int i = 0; i < 2000 && !(prefetch.Ready(plan[0]) && prefetch.Ready(plan[5])); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  const auto first = prefetch.Take(plan[0]);
  const auto sixth = prefetch.Take(plan[5]);    // 1-4 given up
  ASSERT_TRUE(first && sixth);
  EXPECT_FALSE(prefetch.Ready(plan[3]));
  EXPECT_EQ(prefetch.Take(plan[3]), nullptr);   // passed
  EXPECT_EQ(prefetch.Take(dir.path() / "P99.JPG"), nullptr);
  // What a worker made is what the file gives on the calling thread.
  for (const auto& [index, taken] : {std::pair{0, first}, std::pair{5, sixth}}) {
    const auto direct = CImportPrefetch::Prepare(plan[index], options);
    ASSERT_TRUE(direct);
    EXPECT_EQ(taken->stamp, direct->stamp);
    EXPECT_EQ(taken->turned, direct->turned);
    EXPECT_EQ(taken->preview, direct->preview);
    EXPECT_EQ(taken->turned.has_value(), index % 3 == 0);
  }
}

TEST(ImportPrefetch, PreparedBytesAreWhatTheFileStepsWrite) {
  test::TempDir dir("orrivan-prefetch");
  test::JpegSpec params;
  params.width = 512;
  params.height = 384;
  test::ExifSpec exif;
  exif.orientation = 6;
  params.exif = exif;
  const fs::path picture = dir.path() / "P.JPG";
  test::WriteJpeg(picture, params);
  ASSERT_TRUE(test::WriteAvi(dir.path() / "M.AVI"));

  const auto prepared = CImportPrefetch::Prepare(picture, PrefetchOptions{});
  ASSERT_TRUE(prepared && prepared->turned && prepared->preview);
  EXPECT_FALSE(prepared->stamp);
  int version = 0;
  ASSERT_TRUE(CJpegFile::RotateFile(picture, CJpegFile::ReadOrientation(picture, version), version));
  EXPECT_EQ(test::ReadFile(picture), std::string(prepared->turned->begin(), prepared->turned->end()));
  ASSERT_EQ(imaging::MakePreview(picture, dir.path() / "p.jpg"), imaging::PreviewOutcome::Written);
  EXPECT_EQ(test::ReadFile(dir.path() / "p.jpg"), std::string(prepared->preview->begin(), prepared->preview->end()));

  const auto movie = CImportPrefetch::Prepare(dir.path() / "M.AVI", PrefetchOptions{});
  ASSERT_TRUE(movie && movie->preview);
  ASSERT_EQ(imaging::MakePreview(dir.path() / "M.AVI", dir.path() / "m.jpg"), imaging::PreviewOutcome::Written);
  EXPECT_EQ(test::ReadFile(dir.path() / "m.jpg"), std::string(movie->preview->begin(), movie->preview->end()));

  // Nothing for what a worker does not do: memos, missing files.
  test::WriteWav(dir.path() / "V.WAV");
  EXPECT_FALSE(CImportPrefetch::Prepare(dir.path() / "V.WAV", PrefetchOptions{}));
  EXPECT_FALSE(CImportPrefetch::Prepare(dir.path() / "gone.JPG", PrefetchOptions{}));
}

}  // namespace
}  // namespace orrivan
