// The per-file step after a placement: turn, preview, record, and what it leaves in the run records.
#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <ctime>

#include "base/settings.h"
#include "imaging/jpeg_file.h"
#include "imaging/preview_test_util.h"
#include "import/folder_ops.h"
#include "import/preview_record.h"
#include "library/album_document.h"
#include "library/layout.h"
#include "support/avi_writer.h"
#include "support/jpeg_writer.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;
using imaging::PreviewOutcome;

struct Size {
  int width, height;
  bool operator==(const Size&) const = default;
};

Size FrameOf(const fs::path& jpeg) {
  const auto facts = test::InspectJpeg(test::ReadFile(jpeg));
  return facts ? Size{facts->width, facts->height} : Size{0, 0};
}

std::time_t LocalMoment(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  t.tm_isdst = -1;
  return std::mktime(&t);
}

void SetTimes(const fs::path& file, std::time_t accessed, std::time_t modified) {
  const timespec times[2] = {{accessed, 0}, {modified, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
}

std::time_t ModifiedOf(const fs::path& file) {
  struct stat st {};
  ::stat(file.c_str(), &st);
  return st.st_mtim.tv_sec;
}

class PreviewRecord : public ::testing::Test {
 protected:
  void SetUp() override {
    settings::UseFile(dir_ / "Orrivan.conf");
    album_.SetGenerationRotation(false);
    card_ = dir_ / "card" / "DCIM" / "100RKCAM";
    day_ = dir_ / "Image Library" / "20070315";
    fs::create_directories(card_);
    fs::create_directories(day_);
    CAlbumData record;
    record.folderPath = layout::ToStoredPath(day_);
    record.pagePath = layout::PagePathOfFolder(record.folderPath);
    record.totalSize = 1000;
    album_.AddDay(record);
  }
  void TearDown() override { settings::UseFile({}); }

  // A camera picture on the card, dated by its file time 2006-11-02 08:09:10 local.
  fs::path CardJpeg(const std::string& name, test::JpegSpec params) {
    const fs::path path = card_ / name;
    test::WriteJpeg(path, params);
    SetTimes(path, LocalMoment(2006, 11, 3, 1, 2, 3), LocalMoment(2006, 11, 2, 8, 9, 10));
    return path;
  }

  static test::JpegSpec Portrait(int orientation) {
    test::JpegSpec params;
    params.width = 640;
    params.height = 480;
    params.exif = test::ExifSpec{};
    params.exif->dateTimeOriginal = "2007:03:15 10:20:30";
    params.exif->orientation = orientation;
    return params;
  }

  // Copies as PlaceFile does (keeping the modification time) and runs the step.
  PreviewRecordResult PlaceAndRecord(const fs::path& source, const fs::path& targetFolder,
                                     int mode = kTransferCopy) {
    const auto entry = EnumeratedFile::FromPath(source);
    EXPECT_TRUE(entry);
    const fs::path placed = targetFolder / source.filename();
    if (mode == kTransferCopy) {
      fs::copy_file(source, placed);
      SetTimes(placed, entry->accessed.tv_sec, entry->modified.tv_sec);
    } else if (mode == kTransferShortcut) {
      fs::create_symlink(source, ShortcutPath(placed));
    }
    return MakePreviewAndRecord(*entry, placed, mode, album_, records_);
  }

  int32_t DayTotal() const {
    CAlbumData day;
    EXPECT_EQ(album_.FindDay(layout::ToStoredPath(day_), day), 1);
    return day.totalSize;
  }

  const CPhotoData* Picture(const std::string& storedPath) const {
    const auto position = album_.FindPicturePosition(storedPath);
    return position ? (*position)->second.get() : nullptr;
  }

  bool Placed(const fs::path& path) const {
    for (const auto& p : records_.placedFiles)
      if (p.newPath == path) return true;
    return false;
  }

  test::TempDir dir_;
  CRKCardAlbumDoc album_{dir_.path()};
  RunRecords records_;
  fs::path card_;
  fs::path day_;
};

TEST_F(PreviewRecord, PortraitWithOrientation6IsStoredUprightWithAnUprightPreview) {
  const auto source = CardJpeg("ABCD0001.JPG", Portrait(6));
  const auto original = test::DecodeJpeg(test::ReadFile(source));
  ASSERT_TRUE(original);

  const auto result = PlaceAndRecord(source, day_);

  const fs::path placed = day_ / "ABCD0001.JPG";
  const fs::path preview = day_ / "PREVIEW" / "ABCD0001.JPG";
  EXPECT_TRUE(result.rotated);
  EXPECT_EQ(result.preview, PreviewOutcome::Written);
  EXPECT_EQ(result.previewPath, preview);
  EXPECT_EQ(FrameOf(placed), (Size{480, 640}));
  EXPECT_EQ(FrameOf(preview), (Size{240, 320}));
  // The library file holds the picture turned clockwise, and still its source's time.
  const auto turned = test::DecodeJpeg(test::ReadFile(placed));
  ASSERT_TRUE(turned);
  EXPECT_GT(test::Psnr(*turned, test::TurnPicture(*original, 3)), 30.0);
  EXPECT_EQ(ModifiedOf(placed), ModifiedOf(source));
  // Turned once for good: the file now says it is upright, so no later step turns it again.
  int version = 0;
  EXPECT_EQ(CJpegFile::ReadOrientation(placed, version), kRotationNone);
  // The card is untouched.
  EXPECT_EQ(FrameOf(source), (Size{640, 480}));

  // Record: the shooting date split 4-2-2-2-2-2, the size as enumerated, flag 0.
  const CPhotoData* picture = Picture(layout::ToStoredPath(placed));
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->year + picture->month + picture->day, "20070315");
  EXPECT_EQ(picture->hour + picture->minute + picture->second, "102030");
  EXPECT_EQ(picture->size, static_cast<int32_t>(fs::file_size(source)));
  EXPECT_EQ(picture->flag, 0);

  // Run records and the day's total: the PREVIEW folder, the preview, the new picture, and the
  // preview's size (the placed file's own size is the engine's to add).
  EXPECT_EQ(records_.createdFolders, std::vector<fs::path>{day_ / "PREVIEW"});
  EXPECT_TRUE(Placed(preview));
  EXPECT_EQ(records_.newPictures, std::vector<std::string>{layout::ToStoredPath(placed)});
  EXPECT_TRUE(result.dayFound);
  EXPECT_EQ(result.previewSize, static_cast<int64_t>(fs::file_size(preview)));
  EXPECT_EQ(DayTotal(), 1000 + result.previewSize);
}

TEST_F(PreviewRecord, RotationSettingAndOrientationDecideWhetherToTurn) {
  struct Case {
    const char* name;
    int imageRotation;
    int orientation;
    bool readOnly;
    bool turned;
    Size preview;
  } cases[] = {
      {"ROT6.JPG", 1, 6, false, false, {320, 240}},  // the user leaves pictures as they are
      {"ROT3.JPG", 0, 3, false, false, {320, 240}},  // a half turn is never applied
      {"ROT8.JPG", 0, 8, false, true, {240, 320}},   // quarter turn counter-clockwise
      {"ROT1.JPG", 0, 1, false, false, {320, 240}},
      {"RORO.JPG", 0, 6, true, false, {320, 240}},   // read-only: no turn, but a preview
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(settings::SetInt(settings::Key::ImageRotation, c.imageRotation));
    const auto source = CardJpeg(c.name, Portrait(c.orientation));
    const auto entry = EnumeratedFile::FromPath(source);
    const fs::path placed = day_ / c.name;
    fs::copy_file(source, placed);
    if (c.readOnly) fs::permissions(placed, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const std::string before = test::ReadFile(placed);

    const auto result = MakePreviewAndRecord(*entry, placed, kTransferCopy, album_, records_);

    EXPECT_EQ(result.rotated, c.turned) << c.name;
    EXPECT_EQ(result.preview, PreviewOutcome::Written) << c.name;
    EXPECT_EQ(FrameOf(day_ / "PREVIEW" / c.name), c.preview) << c.name;
    if (!c.turned) EXPECT_EQ(test::ReadFile(placed), before) << c.name;
  }
  // The PREVIEW folder is created (and recorded) once.
  EXPECT_EQ(records_.createdFolders.size(), 1u);
}

TEST_F(PreviewRecord, PictureWithoutShootingDateIsDatedByItsSourceTime) {
  test::JpegSpec params;
  params.width = 300;
  params.height = 200;
  const auto source = CardJpeg("ABCD0010.JPG", params);
  const auto result = PlaceAndRecord(source, day_);
  EXPECT_EQ(FrameOf(result.previewPath), (Size{300, 200}));
  const CPhotoData* picture = Picture(layout::ToStoredPath(day_ / "ABCD0010.JPG"));
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->year + picture->month + picture->day + picture->hour + picture->minute + picture->second,
            "20061102080910");
}

TEST_F(PreviewRecord, MovieGetsItsFramePreviewAndRecord) {
  const fs::path movie = card_ / "ABCD0002.AVI";
  ASSERT_TRUE(test::WriteAvi(movie));
  SetTimes(movie, LocalMoment(2007, 3, 15, 9, 0, 0), LocalMoment(2007, 3, 15, 9, 0, 1));
  const auto result = PlaceAndRecord(movie, day_);
  EXPECT_EQ(result.preview, PreviewOutcome::Written);
  EXPECT_EQ(result.previewPath, day_ / "PREVIEW" / "ABCD0002a.JPG");
  EXPECT_EQ(FrameOf(day_ / "PREVIEW" / "ABCD0002a.JPG"), (Size{320, 240}));
  EXPECT_FALSE(result.rotated);
  const CPhotoData* picture = Picture(layout::ToStoredPath(day_ / "ABCD0002.AVI"));
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->hour + picture->minute + picture->second, "090001");
}

TEST_F(PreviewRecord, LoneMemoGetsTheMemoPictureAndAMemoBesideItsImageWritesNothing) {
  // A lone memo.
  test::WriteWav(card_ / "ABCD0003.WAV");
  const auto lone = PlaceAndRecord(card_ / "ABCD0003.WAV", day_);
  EXPECT_EQ(lone.preview, PreviewOutcome::Written);
  EXPECT_EQ(lone.previewPath, day_ / "PREVIEW" / "ABCD0003.JPG");
  EXPECT_EQ(FrameOf(lone.previewPath), (Size{160, 120}));
  EXPECT_TRUE(Placed(lone.previewPath));

  // A picture and its memo: the memo shares the picture's preview and adds nothing.
  CardJpeg("ABCD0004.JPG", Portrait(1));
  test::WriteWav(card_ / "ABCD0004.WAV");
  const auto image = PlaceAndRecord(card_ / "ABCD0004.JPG", day_);
  const std::string imagePreview = test::ReadFile(image.previewPath);
  const int32_t totalBefore = DayTotal();
  const size_t placedBefore = records_.placedFiles.size();

  const auto memo = PlaceAndRecord(card_ / "ABCD0004.WAV", day_);
  EXPECT_EQ(memo.preview, PreviewOutcome::SharedWithImage);
  EXPECT_EQ(memo.previewPath, image.previewPath);
  EXPECT_EQ(test::ReadFile(image.previewPath), imagePreview);
  EXPECT_EQ(memo.previewSize, 0);
  EXPECT_EQ(DayTotal(), totalBefore);
  EXPECT_EQ(records_.placedFiles.size(), placedBefore);
  // The memo is still recorded.
  EXPECT_NE(Picture(layout::ToStoredPath(day_ / "ABCD0004.WAV")), nullptr);
  EXPECT_EQ(records_.newPictures.size(), 3u);
}

TEST_F(PreviewRecord, BrokenFilesGetNoPreviewButTheirRecord) {
  const std::string good = test::MakeJpeg(Portrait(6));
  test::WriteFile(card_ / "ABCD0020.JPG", good.substr(0, good.size() * 2 / 3));
  test::WriteFile(card_ / "ABCD0021.AVI", "RIFF\x10\0\0\0AVI LIST");
  for (const char* name : {"ABCD0020.JPG", "ABCD0021.AVI"}) {
    const int32_t totalBefore = DayTotal();
    const auto result = PlaceAndRecord(card_ / name, day_);
    EXPECT_EQ(result.preview, PreviewOutcome::Failed) << name;
    EXPECT_FALSE(fs::exists(result.previewPath)) << name;
    EXPECT_FALSE(Placed(result.previewPath)) << name;
    EXPECT_EQ(DayTotal(), totalBefore) << name;
    EXPECT_NE(Picture(layout::ToStoredPath(day_ / name)), nullptr) << name;
  }
}

TEST_F(PreviewRecord, DatedFolderImportRecordsIntoTheDatedDay) {
  const fs::path dated = dir_ / "Image Library" / "20070315_01";
  const fs::path sub = dated / "100RKCAM";
  fs::create_directories(sub);
  CAlbumData record;
  record.folderPath = layout::ToStoredPath(dated);
  album_.AddDay(record);

  const auto result = PlaceAndRecord(CardJpeg("ABCD0030.JPG", Portrait(1)), sub);
  EXPECT_EQ(result.previewPath, sub / "PREVIEW" / "ABCD0030.JPG");
  EXPECT_TRUE(result.dayFound);
  CAlbumData after;
  ASSERT_EQ(album_.FindDay(layout::ToStoredPath(dated), after), 1);
  EXPECT_EQ(after.totalSize, result.previewSize);
  EXPECT_EQ(DayTotal(), 1000);  // the other day is not touched
}

TEST_F(PreviewRecord, ShortcutRecordsTheLinkAndPreviewsTheSource) {
  const auto source = CardJpeg("ABCD0040.JPG", Portrait(1));
  const auto result = PlaceAndRecord(source, day_, kTransferShortcut);
  EXPECT_EQ(result.preview, PreviewOutcome::Written);
  EXPECT_EQ(result.previewPath, day_ / "PREVIEW" / "ABCD0040.JPG");
  EXPECT_EQ(FrameOf(result.previewPath), (Size{320, 240}));
  EXPECT_EQ(result.picturePath, layout::ToStoredPath(day_ / "ABCD0040.JPG.lnk"));
  const CPhotoData* picture = Picture(result.picturePath);
  ASSERT_NE(picture, nullptr);
  // Dated from the picture itself, which for a shortcut lies at the source.
  EXPECT_EQ(picture->year + picture->month + picture->day, "20070315");
}

TEST(LocalTimeStamp, FormatsTheLocalClock) {
  EXPECT_EQ(LocalTimeStamp(LocalMoment(2038, 1, 18, 23, 59, 58)), "20380118235958");
  EXPECT_EQ(LocalTimeStamp(LocalMoment(1999, 12, 31, 0, 0, 0)), "19991231000000");
}

}  // namespace
}  // namespace orrivan
