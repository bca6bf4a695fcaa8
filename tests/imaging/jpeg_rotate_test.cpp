// Lossless turns: metadata after the turn, the DCT-domain path against jpegtran, the pixel path
// against the decoded original, and the file left alone whenever a turn fails.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

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

std::string Turn(const std::string& in, std::uint8_t code) {
  std::vector<std::uint8_t> out;
  if (!CJpegFile::RotateBytes(Bytes(in), code, 220, out)) return {};
  return {out.begin(), out.end()};
}

JpegSpec Camera(int width, int height, int orientation) {
  JpegSpec params;
  params.width = width;
  params.height = height;
  params.exif = ExifSpec{};
  params.exif->orientation = orientation;
  params.exif->dateTimeOriginal = "2007:02:06 02:03:49";
  params.exif->model = kSpecialModel;
  return params;
}

// Frame size from SOF0.
std::pair<int, int> FrameSize(const std::string& f) {
  std::size_t sof = f.find("\xFF\xC0");
  auto u8 = [&](std::size_t i) { return static_cast<unsigned char>(f[i]); };
  return {u8(sof + 7) << 8 | u8(sof + 8), u8(sof + 5) << 8 | u8(sof + 6)};
}

std::string ExifSegmentOf(const std::string& f) {
  std::size_t at = f.find(std::string("Exif\0\0", 6));
  if (at == std::string::npos) return {};
  std::size_t seg = at - 4;
  std::size_t len = static_cast<unsigned char>(f[seg + 2]) << 8 | static_cast<unsigned char>(f[seg + 3]);
  return f.substr(seg, len + 2);
}

std::string MakerSegmentOf(const std::string& f) {
  std::size_t at = f.find(std::string("RKCI\0", 5));
  if (at == std::string::npos) return {};
  std::size_t seg = at - 4;
  std::size_t len = static_cast<unsigned char>(f[seg + 2]) << 8 | static_cast<unsigned char>(f[seg + 3]);
  return f.substr(seg, len + 2);
}

std::filesystem::path Jpegtran() {
  const char* p = "/usr/bin/jpegtran";
  return std::filesystem::exists(p) ? p : std::filesystem::path();
}

std::string RunJpegtran(const test::TempDir& dir, const std::string& in, int degrees) {
  test::WriteFile(dir / "oracle-in.jpg", in);
  std::string cmd = Jpegtran().string() + " -rotate " + std::to_string(degrees) + " -copy all '" +
                    (dir / "oracle-in.jpg").string() + "' > '" + (dir / "oracle-out.jpg").string() + "'";
  if (std::system(cmd.c_str()) != 0) return {};
  return test::ReadFile(dir / "oracle-out.jpg");
}

TEST(RotateFile, Orientation6TurnsClockwiseAndSwapsPixelSizes) {
  test::TempDir dir;
  JpegSpec params = Camera(640, 480, 6);
  params.maker = MakerSpec{"2007:02:06 02:03:49", 3};
  test::WriteJpeg(dir / "p.jpg", params);
  int version = 0;
  ASSERT_EQ(CJpegFile::ReadOrientation(dir / "p.jpg", version), 3);
  EXPECT_EQ(version, 210);  // the special model
  ASSERT_TRUE(CJpegFile::RotateFile(dir / "p.jpg", 3, version));

  std::string out = test::ReadFile(dir / "p.jpg");
  EXPECT_EQ(CJpegFile::ReadOrientation(dir / "p.jpg", version), 0);
  EXPECT_EQ(FrameSize(out), std::make_pair(480, 640));
  ExifSpec upright = *params.exif;
  upright.orientation = 1;
  EXPECT_EQ(ExifSegmentOf(out), test::MakeExifSegment(upright, 480, 640));
  EXPECT_EQ(MakerSegmentOf(out), test::MakeMakerSegment(MakerSpec{"2007:02:06 02:03:49", 0}));
  std::string date;
  EXPECT_TRUE(CJpegFile::ReadShootingDate(dir / "p.jpg", date));
  EXPECT_EQ(date, "20070206020349");
}

TEST(RotateFile, LongPixelSizesSwapWithTheirType) {
  JpegSpec params = Camera(32, 16, 8);
  params.exif->bigEndian = false;
  params.exif->pixelSizeAsLong = true;
  std::string out = Turn(test::MakeJpeg(params), 1);
  ASSERT_FALSE(out.empty());
  ExifSpec upright = *params.exif;
  upright.orientation = 1;
  EXPECT_EQ(ExifSegmentOf(out), test::MakeExifSegment(upright, 16, 32));
}

TEST(RotateFile, Orientation3TurnsHalfAndKeepsPixelSizes) {
  JpegSpec params = Camera(640, 480, 3);
  std::string in = test::MakeJpeg(params);
  int version = 0;
  ASSERT_EQ(CJpegFile::ReadOrientation(Bytes(in), version), 2);
  std::string out = Turn(in, 2);
  ASSERT_FALSE(out.empty());
  EXPECT_EQ(FrameSize(out), std::make_pair(640, 480));
  ExifSpec upright = *params.exif;
  upright.orientation = 1;
  EXPECT_EQ(ExifSegmentOf(out), test::MakeExifSegment(upright, 640, 480));
}

TEST(RotateFile, CodeZeroIsDoneAtOnceAndCodesAbove3Fail) {
  test::TempDir dir;
  std::string in = test::MakeJpeg(Camera(64, 48, 1));
  test::WriteFile(dir / "p.jpg", in);
  EXPECT_TRUE(CJpegFile::RotateFile(dir / "p.jpg", 0, 220));
  EXPECT_FALSE(CJpegFile::RotateFile(dir / "p.jpg", 4, 220));
  EXPECT_FALSE(CJpegFile::RotateFile(dir / "p.jpg", 255, 220));
  EXPECT_EQ(test::ReadFile(dir / "p.jpg"), in);
  EXPECT_FALSE(CJpegFile::RotateFile(dir / "missing.jpg", 1, 220));
}

// Turning in the DCT domain and back gives the same coefficients, and our encoder writes them as
// libjpeg-turbo does with the same tables, so the file comes back byte for byte.
TEST(RotateFile, TurnsThatAddUpToNothingGiveTheSameFile) {
  JpegSpec params = Camera(96, 64, 1);
  std::string in = test::MakeJpeg(params);
  EXPECT_EQ(Turn(Turn(in, 2), 2), in);
  EXPECT_EQ(Turn(Turn(in, 1), 3), in);
  EXPECT_EQ(Turn(Turn(Turn(Turn(in, 1), 1), 1), 1), in);
  EXPECT_NE(Turn(in, 1), in);
}

TEST(RotateFile, RestartIntervalsAreHonouredAndNotWritten) {
  JpegSpec params = Camera(96, 64, 6);
  params.restartInterval = 5;
  std::string in = test::MakeJpeg(params);
  ASSERT_NE(in.find("\xFF\xDD"), std::string::npos);
  for (std::uint8_t code : {1, 2, 3}) {
    std::string out = Turn(in, code);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.find("\xFF\xDD"), std::string::npos);
    std::string scan = out.substr(out.find("\xFF\xDA"));
    for (char rst = '\xD0'; rst <= '\xD7'; ++rst) EXPECT_EQ(scan.find(std::string("\xFF") + rst), std::string::npos);
    // Both version codes copy the header the same way.
    std::vector<std::uint8_t> as210, as220;
    ASSERT_TRUE(CJpegFile::RotateBytes(Bytes(in), code, 210, as210));
    ASSERT_TRUE(CJpegFile::RotateBytes(Bytes(in), code, 220, as220));
    EXPECT_EQ(as210, as220);
  }
  // The new scan is the one the same picture without restart intervals turns into.
  JpegSpec plain = params;
  plain.restartInterval = 0;
  std::string a = Turn(in, 2), b = Turn(test::MakeJpeg(plain), 2);
  EXPECT_EQ(a.substr(a.find("\xFF\xDA")), b.substr(b.find("\xFF\xDA")));
}

TEST(RotateFile, DctPathMatchesJpegtranByteForByte) {
  if (Jpegtran().empty()) GTEST_SKIP() << "jpegtran not installed";
  test::TempDir dir;
  struct Case {
    int width, height, restart;
    bool bigEndian;
  } cases[] = {{640, 480, 0, true},  {128, 96, 7, false},   {48, 160, 1, true},
               {16, 16, 0, true},    {1280, 960, 0, true},  {1280, 960, 40, false}};
  for (const Case& c : cases) {
    JpegSpec params = Camera(c.width, c.height, 6);
    params.restartInterval = c.restart;
    params.exif->bigEndian = c.bigEndian;
    params.seed = static_cast<std::uint32_t>(c.width * 7 + c.restart);
    std::string in = test::MakeJpeg(params);
    for (int code : {1, 2, 3}) {
      SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " code " + std::to_string(code));
      std::string ours = Turn(in, static_cast<std::uint8_t>(code));
      ASSERT_FALSE(ours.empty());
      std::string theirs = RunJpegtran(dir, in, code == 1 ? 270 : code == 2 ? 180 : 90);
      ASSERT_FALSE(theirs.empty());
      auto a = test::DecodeJpeg(ours);
      auto b = test::DecodeJpeg(theirs);
      ASSERT_TRUE(a && b);
      EXPECT_EQ(a->width, b->width);
      EXPECT_EQ(a->height, b->height);
      EXPECT_TRUE(a->rgb == b->rgb);
      // Same coefficients and the same Annex K tables: the entropy-coded data are byte for byte
      // what jpegtran writes (only the header differs: the orientation is set upright).
      EXPECT_TRUE(ours.substr(ours.find("\xFF\xDA")) == theirs.substr(theirs.find("\xFF\xDA")));
    }
  }
}

TEST(RotateFile, ImageOfWholeUnitsStaysInTheDctDomain) {
  // A DCT-domain turn is exact, so turning back gives the very same file; a pixel round trip
  // would not (see the pixel-path test below).
  std::string in = test::MakeJpeg(Camera(640, 480, 6));
  std::string out = Turn(in, 3);
  EXPECT_EQ(FrameSize(out), std::make_pair(480, 640));
  EXPECT_EQ(Turn(out, 1).substr(in.find("\xFF\xDA")), in.substr(in.find("\xFF\xDA")));
}

TEST(RotateFile, PixelPathKeepsQualityWhenTurnedSidesAreMultiplesOf8) {
  std::string in = test::MakeJpeg(Camera(1280, 968, 6));
  auto original = test::DecodeJpeg(in);
  ASSERT_TRUE(original);
  for (int code : {1, 2, 3}) {
    std::string out = Turn(in, static_cast<std::uint8_t>(code));
    ASSERT_FALSE(out.empty());
    auto turned = test::DecodeJpeg(out);
    ASSERT_TRUE(turned);
    test::RgbPicture expected = test::TurnPicture(*original, code);
    double psnr = test::Psnr(*turned, expected);
    EXPECT_GE(psnr, 40.0) << "code " << code;
    // Not the DCT path: a turn and its inverse do not give the same scan back.
    if (code == 3) {
      EXPECT_NE(Turn(out, 1).substr(in.find("\xFF\xDA")), in.substr(in.find("\xFF\xDA")));
    }
  }
}

// Quantisation tables (natural order) of the frame, by id.
std::array<std::uint16_t, 64> QuantTable(const std::string& f, int id) {
  static constexpr int kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                      12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                      35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                      58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};
  std::array<std::uint16_t, 64> q{};
  for (std::size_t at = f.find("\xFF\xDB"); at != std::string::npos; at = f.find("\xFF\xDB", at + 2)) {
    std::size_t len = static_cast<unsigned char>(f[at + 2]) << 8 | static_cast<unsigned char>(f[at + 3]);
    for (std::size_t t = at + 4; t + 65 <= at + 2 + len; t += 65) {
      if ((f[t] & 15) != id) continue;
      for (int k = 0; k < 64; ++k) q[kZigzag[k]] = static_cast<unsigned char>(f[t + 1 + k]);
    }
    if (at > f.find("\xFF\xDA")) break;
  }
  return q;
}

TEST(RotateFile, PixelPathOfOddSizesIsAsGoodAsReencoding) {
  struct Case {
    int width, height;
  } cases[] = {{100, 75}, {33, 17}, {1, 1}, {250, 130}, {17, 300}};
  for (const Case& c : cases) {
    std::string in = test::MakeJpeg(Camera(c.width, c.height, 6));
    auto original = test::DecodeJpeg(in);
    ASSERT_TRUE(original);
    for (int code : {1, 2, 3}) {
      SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " code " + std::to_string(code));
      std::string out = Turn(in, static_cast<std::uint8_t>(code));
      ASSERT_FALSE(out.empty());
      auto turned = test::DecodeJpeg(out);
      ASSERT_TRUE(turned);
      test::RgbPicture expected = test::TurnPicture(*original, code);
      auto lum = QuantTable(out, 0), chr = QuantTable(out, 1);
      auto reference = test::DecodeJpeg(test::EncodeWithTables(expected, lum.data(), chr.data()));
      ASSERT_TRUE(reference);
      EXPECT_GE(test::Psnr(*turned, expected), test::Psnr(*reference, expected) - 0.5);
    }
  }
}

TEST(RotateFile, KeepsTheModeAndLeavesNoTemporaryFile) {
  test::TempDir dir;
  test::WriteJpeg(dir / "p.jpg", Camera(64, 48, 6));
  ASSERT_EQ(::chmod((dir / "p.jpg").c_str(), 0640), 0);
  ASSERT_TRUE(CJpegFile::RotateFile(dir / "p.jpg", 3, 220));
  struct stat st;
  ASSERT_EQ(::stat((dir / "p.jpg").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.path())) {
    (void)e;
    ++files;
  }
  EXPECT_EQ(files, 1);
}

// Root may write any file, so the rename used to replace a read-only picture: the mode decides.
TEST(RotateFile, FileWithoutTheOwnersWriteBitIsNotReplaced) {
  test::TempDir dir;
  const std::string good = test::MakeJpeg(Camera(64, 48, 6));
  for (const mode_t mode : {0444u, 0464u, 0077u}) {
    SCOPED_TRACE(mode);
    test::WriteFile(dir / "p.jpg", good);
    ASSERT_EQ(::chmod((dir / "p.jpg").c_str(), mode), 0);
    EXPECT_FALSE(CJpegFile::RotateFile(dir / "p.jpg", 3, 220));
    ASSERT_EQ(::chmod((dir / "p.jpg").c_str(), 0644), 0);
    EXPECT_EQ(test::ReadFile(dir / "p.jpg"), good);
    std::filesystem::remove(dir / "p.jpg");
  }
  // The owner's bit alone is enough, and the turned file keeps its mode.
  test::WriteFile(dir / "p.jpg", good);
  ASSERT_EQ(::chmod((dir / "p.jpg").c_str(), 0600), 0);
  EXPECT_TRUE(CJpegFile::RotateFile(dir / "p.jpg", 3, 220));
  struct stat st;
  ASSERT_EQ(::stat((dir / "p.jpg").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST(RotateFile, TurnsThroughASymlinkWithoutReplacingIt) {
  test::TempDir dir;
  test::WriteJpeg(dir / "p.jpg", Camera(64, 48, 6));
  std::filesystem::create_symlink(dir / "p.jpg", dir / "link.jpg");
  ASSERT_TRUE(CJpegFile::RotateFile(dir / "link.jpg", 3, 220));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.jpg"));
  EXPECT_EQ(FrameSize(test::ReadFile(dir / "p.jpg")), std::make_pair(48, 64));
}

TEST(RotateFile, FailureLeavesTheFileAsItWas) {
  test::TempDir dir;
  std::string good = test::MakeJpeg(Camera(64, 48, 6));
  std::size_t scan = good.find("\xFF\xDA") + 14;
  std::string noEoi = good.substr(0, good.size() - 2) + std::string("\x00\x00", 2);
  std::string garbage = good;
  for (std::size_t i = scan; i + 2 < garbage.size(); i += 3) garbage[i] = static_cast<char>(0xFE);
  std::string truncated = good.substr(0, scan + (good.size() - scan) / 2) + "\xFF\xD9";
  for (const auto& [name, bytes] : {std::pair{"no EOI", noEoi}, std::pair{"garbage", garbage},
                                    std::pair{"truncated", truncated}}) {
    SCOPED_TRACE(name);
    test::WriteFile(dir / "p.jpg", bytes);
    EXPECT_FALSE(CJpegFile::RotateFile(dir / "p.jpg", 3, 220));
    EXPECT_EQ(test::ReadFile(dir / "p.jpg"), bytes);
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path())) {
      (void)e;
      ++files;
    }
    EXPECT_EQ(files, 1);
  }
}

TEST(RotateFile, ReadOnlyFolderLeavesTheFileAsItWas) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes anywhere";
  test::TempDir dir;
  std::string good = test::MakeJpeg(Camera(64, 48, 6));
  test::WriteFile(dir / "sub" / "p.jpg", good);
  ASSERT_EQ(::chmod((dir / "sub").c_str(), 0555), 0);
  EXPECT_FALSE(CJpegFile::RotateFile(dir / "sub" / "p.jpg", 3, 220));
  EXPECT_EQ(test::ReadFile(dir / "sub" / "p.jpg"), good);
}

}  // namespace
}  // namespace orrivan
