// Still-image previews: the size rule, the names, DCT scaling, the resampler and the written file.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <jpeglib.h>

#include "imaging/image_ops.h"
#include "imaging/preview.h"
#include "preview_test_util.h"
#include "support/temp_dir.h"

namespace orrivan::imaging {
namespace {

using test::DecodeFile;
using test::InspectJpeg;
using test::Near;
using test::PixelAt;
using test::ReadFile;
using test::TempDir;
using test::TwoColourImage;

TEST(PreviewSize, LongerSideBecomes320AndShorterIsTruncated) {
  struct Case {
    ImageSize full, preview;
  } cases[] = {
      {{2048, 1536}, {320, 240}}, {{1536, 2048}, {240, 320}}, {{300, 200}, {300, 200}},
      {{320, 320}, {320, 320}},   {{321, 321}, {320, 320}},   {{321, 100}, {320, 99}},
      {{100, 321}, {99, 320}},    {{640, 480}, {320, 240}},   {{4000, 3000}, {320, 240}},
      {{320, 1}, {320, 1}},       {{5000, 3}, {320, 1}},      {{65535, 65535}, {320, 320}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PreviewSize(c.full), c.preview) << c.full.width << "x" << c.full.height;
  }
}

TEST(PreviewName, FollowsTheLibraryNamingTable) {
  struct Case {
    const char* placed;
    const char* preview;
    FileKind kind;
  } cases[] = {
      {"ABCD0001.JPG", "ABCD0001.JPG", FileKind::Still},
      {"abcd0001.jpg", "abcd0001.JPG", FileKind::Still},
      {"ABCD0001_2.JPG", "ABCD0001_2.JPG", FileKind::Still},
      {"ABCD0002.AVI", "ABCD0002a.JPG", FileKind::Movie},
      {"ABCD0002.avi", "ABCD0002a.JPG", FileKind::Movie},
      {"ABCD0003.WAV", "ABCD0003.JPG", FileKind::Memo},
      {"ABCD0003.wav", "ABCD0003.JPG", FileKind::Memo},
      {"ABCD0003_1.WAV", "ABCD0003_1.JPG", FileKind::Memo},
      {"NOTAWAV", "NOTAWAV", FileKind::Still},  // no dot before the last three characters
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PreviewName(c.placed), c.preview) << c.placed;
    EXPECT_EQ(KindOfFile(c.placed), c.kind) << c.placed;
  }
  EXPECT_EQ(PreviewPath("/lib/20070315/100RKCAM/ABCD0002.AVI"),
            std::filesystem::path("/lib/20070315/100RKCAM/PREVIEW/ABCD0002a.JPG"));
}

TEST(PreviewName, AnExistingPreviewInAnotherCaseIsReusedNotDoubled) {
  TempDir dir;
  std::filesystem::create_directory(dir / "PREVIEW");
  EXPECT_EQ(ResolvePreviewPath(dir / "ABCD0001.JPG"), dir / "PREVIEW" / "ABCD0001.JPG");
  test::WriteFile(dir / "PREVIEW" / "abcd0001.jpg", "old");
  EXPECT_EQ(ResolvePreviewPath(dir / "ABCD0001.JPG"), dir / "PREVIEW" / "abcd0001.jpg");
  EXPECT_EQ(ResolvePreviewPath(dir / "ABCD0002.AVI"), dir / "PREVIEW" / "ABCD0002a.JPG");
  // No PREVIEW folder yet: the name the layout gives.
  EXPECT_EQ(ResolvePreviewPath(dir / "sub" / "X.WAV"), dir / "sub" / "PREVIEW" / "X.JPG");
}

TEST(DctScale, SmallestScaleThatStillCoversThePreview) {
  EXPECT_EQ(ChooseDctScale({2048, 1536}, {320, 240}), 2);  // 512 x 384
  EXPECT_EQ(ChooseDctScale({4000, 3000}, {320, 240}), 1);  // 500 x 375
  EXPECT_EQ(ChooseDctScale({2560, 1920}, {320, 240}), 1);  // exactly 320 x 240
  EXPECT_EQ(ChooseDctScale({640, 480}, {320, 240}), 4);
  EXPECT_EQ(ChooseDctScale({641, 481}, {320, 240}), 4);    // 321 x 241
  EXPECT_EQ(ChooseDctScale({639, 479}, {320, 240}), 4);    // 319.5 x 239.5 round up to 320 x 240
  EXPECT_EQ(ChooseDctScale({637, 477}, {320, 240}), 5);    // 4/8 would give 319 x 239
  EXPECT_EQ(ChooseDctScale({300, 200}, {300, 200}), 8);
  EXPECT_EQ(ChooseDctScale({4000, 3000}, {0, 0}), 8);
}

TEST(Resample, AveragesAreasWhenShrinking) {
  RgbImage row;
  row.width = 3;
  row.height = 1;
  row.pixels = {0, 0, 0, 90, 90, 90, 180, 180, 180};
  const RgbImage two = Resample(row, 2, 1);
  ASSERT_EQ(two.size(), (ImageSize{2, 1}));
  // Output 0 covers source [0, 1.5): (0 + 90 / 2) / 1.5; output 1 covers [1.5, 3).
  EXPECT_EQ(two.pixels[0], 30);
  EXPECT_EQ(two.pixels[3], 150);

  const RgbImage board = [] {
    RgbImage b;
    b.width = b.height = 2;
    b.pixels = {255, 255, 255, 0, 0, 0, 0, 0, 0, 255, 255, 255};
    return b;
  }();
  const RgbImage one = Resample(board, 1, 1);
  ASSERT_EQ(one.pixels.size(), 3u);
  EXPECT_NEAR(one.pixels[0], 128, 1);
}

TEST(Resample, InterpolatesWhenGrowingAndRefusesEmptySizes) {
  RgbImage row;
  row.width = 2;
  row.height = 1;
  row.pixels = {0, 0, 0, 200, 200, 200};
  const RgbImage four = Resample(row, 4, 1);
  ASSERT_EQ(four.width, 4);
  EXPECT_EQ(four.pixels[0], 0);     // clamped at the edge
  EXPECT_EQ(four.pixels[3], 50);    // a quarter of the way
  EXPECT_EQ(four.pixels[6], 150);
  EXPECT_EQ(four.pixels[9], 200);
  EXPECT_TRUE(Resample(row, 0, 1).empty());
  EXPECT_TRUE(Resample(RgbImage{}, 4, 4).empty());
}

class StillPreview : public ::testing::Test {
 protected:
  std::filesystem::path Source(const std::string& name, int width, int height) {
    const auto path = dir_ / name;
    EXPECT_TRUE(SaveJpeg(TwoColourImage(width, height, 220, 40, 40, 40, 40, 220), path, 90));
    return path;
  }
  TempDir dir_;
};

TEST_F(StillPreview, WritesBaselineQuality75AtThePreviewSize) {
  struct Case {
    int width, height, previewWidth, previewHeight;
  } cases[] = {{2048, 1536, 320, 240}, {1536, 2048, 240, 320}, {300, 200, 300, 200}, {641, 479, 320, 239}};
  for (const auto& c : cases) {
    const auto source = Source("P" + std::to_string(c.width) + ".JPG", c.width, c.height);
    const auto preview = dir_ / ("out" + std::to_string(c.width) + ".JPG");
    ASSERT_EQ(MakePreview(source, preview), PreviewOutcome::Written) << c.width;
    const auto facts = InspectJpeg(ReadFile(preview));
    ASSERT_TRUE(facts) << c.width;
    EXPECT_EQ(facts->width, c.previewWidth);
    EXPECT_EQ(facts->height, c.previewHeight);
    EXPECT_TRUE(facts->baseline);
    EXPECT_EQ(facts->components, 3);
    EXPECT_TRUE(facts->endsWithEoi);
    // Quality 75 halves the standard tables: luminance 16 -> 8, chrominance 17 -> 9.
    ASSERT_EQ(facts->firstQuantValues.size(), 2u);
    EXPECT_EQ(facts->firstQuantValues[0], 8);
    EXPECT_EQ(facts->firstQuantValues[1], 9);
  }
}

TEST_F(StillPreview, KeepsLeftAndRightWhereTheyWere) {
  const auto source = Source("SIDES.JPG", 2048, 1536);
  const auto preview = dir_ / "SIDES_P.JPG";
  ASSERT_EQ(MakePreview(source, preview), PreviewOutcome::Written);
  const auto image = DecodeFile(preview);
  ASSERT_TRUE(image);
  EXPECT_TRUE(Near(PixelAt(*image, 40, 120), {220, 40, 40}, 12));
  EXPECT_TRUE(Near(PixelAt(*image, 280, 120), {40, 40, 220}, 12));
  // The seam is averaged, not dropped: the column at the boundary mixes both sides.
  const auto seam = PixelAt(*image, 159, 120);
  EXPECT_GT(seam[0], 40);
}

TEST_F(StillPreview, ReplacesAReadOnlyPreviewOfTheSameName) {
  const auto source = Source("RO.JPG", 800, 600);
  const auto preview = dir_ / "RO_P.JPG";
  test::WriteFile(preview, "old");
  std::filesystem::permissions(preview, std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                            std::filesystem::perms::others_read);
  ASSERT_EQ(MakePreview(source, preview), PreviewOutcome::Written);
  const auto facts = InspectJpeg(ReadFile(preview));
  ASSERT_TRUE(facts);
  EXPECT_EQ(facts->width, 320);
  // No temporary file is left beside it.
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir_.path())) ++entries;
  EXPECT_EQ(entries, 2);
}

TEST_F(StillPreview, BrokenInputsGiveNoPreviewAndNoFile) {
  const auto good = ReadFile(Source("GOOD.JPG", 1024, 768));
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"TRUNC.JPG", good.substr(0, good.size() / 2)},
      {"HEADER.JPG", good.substr(0, 200)},
      {"EMPTY.JPG", ""},
      {"TEXT.JPG", "this is not a picture"},
      {"SOI.JPG", std::string("\xFF\xD8\xFF\xD9", 4)},
  };
  for (const auto& c : cases) {
    const auto source = dir_ / c.name;
    test::WriteFile(source, c.bytes);
    const auto preview = dir_ / (std::string("P_") + c.name);
    EXPECT_EQ(MakePreview(source, preview), PreviewOutcome::Failed) << c.name;
    EXPECT_FALSE(std::filesystem::exists(preview)) << c.name;
  }
  EXPECT_EQ(MakePreview(dir_ / "MISSING.JPG", dir_ / "P_MISSING.JPG"), PreviewOutcome::Failed);
  EXPECT_EQ(MakePreview(dir_ / "GOOD.JPG", dir_ / "NOFOLDER" / "P.JPG"), PreviewOutcome::Failed);
}

// Writes a one-colour JPEG in another colour space straight through libjpeg.
std::string EncodeOtherSpace(J_COLOR_SPACE space, int components, const std::vector<std::uint8_t>& pixel,
                             int width, int height) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = width;
  cinfo.image_height = height;
  cinfo.input_components = components;
  cinfo.in_color_space = space;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 95, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * components);
  for (int x = 0; x < width; ++x) std::copy(pixel.begin(), pixel.end(), row.begin() + x * components);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::string bytes(reinterpret_cast<char*>(buffer), size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return bytes;
}

TEST_F(StillPreview, GreyAndCmykPicturesGiveColourPreviews) {
  test::WriteFile(dir_ / "GREY.JPG", EncodeOtherSpace(JCS_GRAYSCALE, 1, {100}, 640, 480));
  ASSERT_EQ(MakePreview(dir_ / "GREY.JPG", dir_ / "P_GREY.JPG"), PreviewOutcome::Written);
  auto grey = DecodeFile(dir_ / "P_GREY.JPG");
  ASSERT_TRUE(grey);
  EXPECT_EQ(grey->size(), (ImageSize{320, 240}));
  EXPECT_TRUE(Near(PixelAt(*grey, 100, 100), {100, 100, 100}, 3));

  // libjpeg marks CMYK with an Adobe segment, whose convention stores ink inverted: C = 255 means
  // no cyan, so (255, 0, 0, 255) is full magenta and yellow on white: red.
  test::WriteFile(dir_ / "CMYK.JPG", EncodeOtherSpace(JCS_CMYK, 4, {255, 0, 0, 255}, 400, 300));
  ASSERT_EQ(MakePreview(dir_ / "CMYK.JPG", dir_ / "P_CMYK.JPG"), PreviewOutcome::Written);
  auto cmyk = DecodeFile(dir_ / "P_CMYK.JPG");
  ASSERT_TRUE(cmyk);
  EXPECT_EQ(cmyk->size(), (ImageSize{320, 240}));
  EXPECT_TRUE(Near(PixelAt(*cmyk, 100, 100), {255, 0, 0}, 8));
}

TEST(JpegDecoder, DecodesOnceAndOnlyAfterTheHeader) {
  const auto bytes = EncodeJpeg(TwoColourImage(64, 48, 10, 20, 30, 40, 50, 60), 75);
  ASSERT_TRUE(bytes);
  JpegDecoder decoder(*bytes);
  EXPECT_FALSE(decoder.Decode({0, 0}));  // no header read yet
  JpegDecoder fresh(*bytes);
  ASSERT_TRUE(fresh.ReadHeader());
  EXPECT_EQ(fresh.size(), (ImageSize{64, 48}));
  const auto image = fresh.Decode({16, 12});  // 2/8 scale
  ASSERT_TRUE(image);
  EXPECT_EQ(image->size(), (ImageSize{16, 12}));
  EXPECT_FALSE(fresh.Decode({0, 0}));
}

TEST(JpegDecoder, CameraPictureIsDecodedScaledNotAtFullSize) {
  const auto bytes = EncodeJpeg(TwoColourImage(2048, 1536, 10, 20, 30, 40, 50, 60), 75);
  ASSERT_TRUE(bytes);
  JpegDecoder decoder(*bytes);
  ASSERT_TRUE(decoder.ReadHeader());
  const auto image = decoder.Decode(PreviewSize(decoder.size()));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->size(), (ImageSize{512, 384}));  // 2/8: the smallest scale still >= 320 x 240
}

}  // namespace
}  // namespace orrivan::imaging
