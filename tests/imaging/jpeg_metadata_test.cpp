// Shooting date, orientation and Exif version as CJpegFile reads them from camera files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/jpeg_file.h"
#include "support/jpeg_writer.h"
#include "support/temp_dir.h"

namespace orrivan {
namespace {

using test::ExifSpec;
using test::JpegSpec;
using test::MakerSpec;

std::span<const std::uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

JpegSpec WithExif(ExifSpec exif) {
  JpegSpec params;
  params.exif = exif;
  return params;
}

TEST(ShootingDate, ValidatesEachFieldInBothByteOrders) {
  struct Case {
    const char* text;
    const char* expected;  // nullptr: no date
  } cases[] = {
      {"2007:02:06 02:03:49", "20070206020349"},
      {"1979:12:31 23:59:59", nullptr},
      {"1980:01:01 00:00:00", "19800101000000"},
      {"9999:12:31 23:59:59", "99991231235959"},
      {"2007:13:06 02:03:49", nullptr},
      {"2007:00:06 02:03:49", nullptr},
      {"2007:02:00 02:03:49", nullptr},
      {"2007:02:32 02:03:49", nullptr},
      {"2007:02:06 24:03:49", nullptr},
      {"2007:02:06 02:60:49", nullptr},
      {"2007:02:06 02:03:60", nullptr},
      {"    :  :     :  :  ", nullptr},
      {"2007:0:-06 02:03:49", nullptr},
      {"1:00:02:06 02:03:49", nullptr},  // ':' sorts above '9' and must not pass as a year
  };
  for (bool big : {true, false}) {
    for (const Case& c : cases) {
      ExifSpec exif;
      exif.bigEndian = big;
      exif.dateTimeOriginal = c.text;
      std::string file = test::MakeJpeg(WithExif(exif));
      std::string out = "untouched";
      bool ok = CJpegFile::ReadShootingDate(Bytes(file), out);
      SCOPED_TRACE(std::string(c.text) + (big ? " MM" : " II"));
      EXPECT_EQ(ok, c.expected != nullptr);
      EXPECT_EQ(out, c.expected ? c.expected : "untouched");
    }
  }
}

TEST(ShootingDate, ReadsTheFileOnDisk) {
  test::TempDir dir;
  ExifSpec exif;
  exif.dateTimeOriginal = "2007:02:06 02:03:49";
  test::WriteJpeg(dir / "a.jpg", WithExif(exif));
  std::string out;
  ASSERT_TRUE(CJpegFile::ReadShootingDate(dir / "a.jpg", out));
  EXPECT_EQ(out, "20070206020349");
  EXPECT_FALSE(CJpegFile::ReadShootingDate(dir / "missing.jpg", out));
}

TEST(ShootingDate, ComesFromTheMakerSegmentWithoutExif) {
  JpegSpec params;
  params.maker = MakerSpec{"2003:11:22 10:20:30", std::nullopt};
  std::string out;
  ASSERT_TRUE(CJpegFile::ReadShootingDate(Bytes(test::MakeJpeg(params)), out));
  EXPECT_EQ(out, "20031122102030");

  params.maker = MakerSpec{"1975:11:22 10:20:30", std::nullopt};
  EXPECT_FALSE(CJpegFile::ReadShootingDate(Bytes(test::MakeJpeg(params)), out));
  params.maker = MakerSpec{std::nullopt, 3};
  EXPECT_FALSE(CJpegFile::ReadShootingDate(Bytes(test::MakeJpeg(params)), out));
}

TEST(ShootingDate, LooksOnlyAtTheFirst64KiB) {
  ExifSpec exif;
  exif.dateTimeOriginal = "2007:02:06 02:03:49";
  std::string exifSegment = test::MakeExifSegment(exif, 64, 48);
  std::string pad = "\xFF\xE2";
  pad += static_cast<char>(0xFF);
  pad += static_cast<char>(0xF0);
  pad += std::string(0xFFF0 - 2, 'x');
  std::string near = "\xFF\xD8" + exifSegment;
  std::string far = "\xFF\xD8" + pad + exifSegment;
  std::string out;
  EXPECT_TRUE(CJpegFile::ReadShootingDate(Bytes(near), out));
  EXPECT_FALSE(CJpegFile::ReadShootingDate(Bytes(far), out));
}

TEST(ShootingDate, MissingDateTagGivesNoDate) {
  ExifSpec exif;
  exif.orientation = 1;
  std::string out;
  EXPECT_FALSE(CJpegFile::ReadShootingDate(Bytes(test::MakeJpeg(WithExif(exif))), out));
  EXPECT_FALSE(CJpegFile::ReadShootingDate(Bytes(test::MakeJpeg(JpegSpec{})), out));
}

TEST(Orientation, MapsExifOrientationToRotationCodes) {
  struct Case {
    int orientation;
    std::uint8_t code;
  } cases[] = {{1, 0}, {8, 1}, {3, 2}, {6, 3}, {0, 255}, {2, 255}, {4, 255}, {5, 255},
               {7, 255}, {9, 255}, {15, 255}, {0x16, 3}, {0x31, 0}};
  for (bool big : {true, false}) {
    for (const Case& c : cases) {
      ExifSpec exif;
      exif.bigEndian = big;
      exif.orientation = c.orientation;
      int version = -1;
      std::string file = test::MakeJpeg(WithExif(exif));
      SCOPED_TRACE(c.orientation);
      EXPECT_EQ(CJpegFile::ReadOrientation(Bytes(file), version), c.code);
      EXPECT_EQ(version, 220);
    }
  }
}

TEST(Orientation, ExifVersionCodeFollowsTheTagAndTheSpecialModel) {
  struct Case {
    std::optional<std::string> model;
    std::optional<std::string> version;
    int expected;
  } cases[] = {
      {std::nullopt, "0210", 210},
      {std::nullopt, "0220", 220},
      {std::nullopt, "0230", 220},
      {kSpecialModel, "0220", 210},
      {"rkc-710  ", "0221", 210},
      {"RKC-710", "0220", 220},
      {"Other cam", "0220", 220},
      {kSpecialModel, "0210", 210},
      {kSpecialModel, std::nullopt, 0},
  };
  for (const Case& c : cases) {
    ExifSpec exif;
    exif.model = c.model;
    exif.exifVersion = c.version;
    exif.orientation = 6;
    int version = -1;
    EXPECT_EQ(CJpegFile::ReadOrientation(Bytes(test::MakeJpeg(WithExif(exif))), version), 3);
    EXPECT_EQ(version, c.expected) << c.model.value_or("-") << " " << c.version.value_or("-");
  }
}

TEST(Orientation, JfifSegmentBeforeExifDoesNotHideIt) {
  JpegSpec params;
  params.jfif = true;
  params.exif = ExifSpec{};
  params.exif->orientation = 6;
  std::string file = test::MakeJpeg(params);
  ASSERT_EQ(static_cast<unsigned char>(file[3]), 0xE0);
  int version = 0;
  EXPECT_EQ(CJpegFile::ReadOrientation(Bytes(file), version), 3);
  EXPECT_EQ(version, 220);
}

TEST(Orientation, MakerSegmentGivesTheCodeWhenThereIsNoExif) {
  for (int rotation : {0, 1, 2, 3}) {
    JpegSpec params;
    params.maker = MakerSpec{std::nullopt, rotation};
    int version = -1;
    EXPECT_EQ(CJpegFile::ReadOrientation(Bytes(test::MakeJpeg(params)), version), rotation);
    EXPECT_EQ(version, 0);
  }
  JpegSpec params;
  params.maker = MakerSpec{std::nullopt, 9};
  int version = -1;
  EXPECT_EQ(CJpegFile::ReadOrientation(Bytes(test::MakeJpeg(params)), version), 255);
}

TEST(Orientation, ExifComesFirstAndEndsTheScan) {
  JpegSpec params;
  params.exif = ExifSpec{};
  params.exif->orientation = 8;
  params.maker = MakerSpec{std::nullopt, 3};
  int version = 0;
  EXPECT_EQ(CJpegFile::ReadOrientation(Bytes(test::MakeJpeg(params)), version), 1);
}

TEST(Orientation, FilesThatCannotBeTurnedGive255) {
  auto variant = [](auto change) {
    JpegSpec params;
    params.width = 64;
    params.height = 64;
    params.exif = ExifSpec{};
    params.exif->orientation = 6;
    change(params);
    return params;
  };
  std::vector<std::pair<const char*, JpegSpec>> cases = {
      {"progressive", variant([](JpegSpec& s) { s.progressive = true; })},
      {"4:2:2", variant([](JpegSpec& s) { s.sampling = test::JpegSampling::k422; })},
      {"4:4:4", variant([](JpegSpec& s) { s.sampling = test::JpegSampling::k444; })},
      {"own tables", variant([](JpegSpec& s) { s.optimizeTables = true; })},
  };
  test::TempDir dir;
  for (auto& [name, params] : cases) {
    SCOPED_TRACE(name);
    std::string file = test::MakeJpeg(params);
    int version = 0;
    EXPECT_EQ(CJpegFile::ReadOrientation(Bytes(file), version), 255);
    test::WriteFile(dir / "f.jpg", file);
    EXPECT_EQ(CJpegFile::ReadOrientation(dir / "f.jpg", version), 255);
    EXPECT_FALSE(CJpegFile::RotateFile(dir / "f.jpg", 3, version));
    EXPECT_EQ(test::ReadFile(dir / "f.jpg"), file);
  }
  // The same picture as a camera writes it can be turned.
  int version = 0;
  EXPECT_EQ(CJpegFile::ReadOrientation(Bytes(test::MakeJpeg(variant([](JpegSpec&) {}))), version), 3);
}

TEST(Orientation, HeaderCheckReadsOnlyUpToTheStartOfScan) {
  test::TempDir dir;
  JpegSpec params;
  params.width = 640;
  params.height = 480;
  params.exif = ExifSpec{};
  params.exif->orientation = 6;
  std::string file = test::MakeJpeg(params);
  // Keep the header and a few bytes of scan data: the check passes, the turn does not.
  std::size_t sos = file.find("\xFF\xDA");
  ASSERT_NE(sos, std::string::npos);
  std::string cut = file.substr(0, sos + 40);
  test::WriteFile(dir / "cut.jpg", cut);
  int version = 0;
  EXPECT_EQ(CJpegFile::ReadOrientation(dir / "cut.jpg", version), 3);
  EXPECT_FALSE(CJpegFile::RotateFile(dir / "cut.jpg", 3, version));
  EXPECT_EQ(test::ReadFile(dir / "cut.jpg"), cut);
  // A header that ends before its start of scan cannot be turned.
  test::WriteFile(dir / "short.jpg", file.substr(0, sos + 3));
  EXPECT_EQ(CJpegFile::ReadOrientation(dir / "short.jpg", version), 255);
  EXPECT_EQ(CJpegFile::ReadOrientation(dir / "missing.jpg", version), 255);
}

TEST(Orientation, HeaderLargerThan64KiBIsStillChecked) {
  test::TempDir dir;
  JpegSpec params;
  params.exif = ExifSpec{};
  params.exif->orientation = 8;
  std::string file = test::MakeJpeg(params);
  // Two big comment segments after the Exif segment push the frame header past 64 KiB.
  std::size_t afterExif = 4 + ((static_cast<unsigned char>(file[4]) << 8) | static_cast<unsigned char>(file[5]));
  std::string comment = "\xFF\xFE\xFF\xF0" + std::string(0xFFF0 - 2, 'c');
  file.insert(afterExif, comment + comment);
  test::WriteFile(dir / "big.jpg", file);
  int version = 0;
  EXPECT_EQ(CJpegFile::ReadOrientation(dir / "big.jpg", version), 1);
  ASSERT_TRUE(CJpegFile::RotateFile(dir / "big.jpg", 1, version));
  EXPECT_EQ(CJpegFile::ReadOrientation(dir / "big.jpg", version), 0);
  EXPECT_TRUE(test::DecodeJpeg(test::ReadFile(dir / "big.jpg")).has_value());
}

}  // namespace
}  // namespace orrivan
