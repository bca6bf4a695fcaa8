// Movie and voice-memo previews: the first frame at 320 x 240, the built-in memo picture, and the
// memo that shares its image's preview.
#include <gtest/gtest.h>

#include "imaging/memo_picture.h"
#include "imaging/movie_frame.h"
#include "imaging/preview.h"
#include "preview_test_util.h"
#include "support/avi_writer.h"
#include "support/temp_dir.h"
#include "support/wav_writer.h"

namespace orrivan::imaging {
namespace {

using test::DecodeFile;
using test::InspectJpeg;
using test::Near;
using test::PixelAt;
using test::ReadFile;
using test::TempDir;

TEST(MoviePreview, FirstFrameAt320By240WhateverTheMovieSize) {
  TempDir dir;
  const ImageSize sizes[] = {{640, 480}, {176, 144}, {1280, 720}, {320, 240}};
  for (const auto& size : sizes) {
    const auto movie = dir / ("ABCD" + std::to_string(size.width) + ".AVI");
    test::AviSpec params;
    params.width = size.width;
    params.height = size.height;
    ASSERT_TRUE(test::WriteAvi(movie, params)) << size.width;
    const auto preview = dir / PreviewName(movie.filename().string());
    ASSERT_EQ(MakePreview(movie, preview), PreviewOutcome::Written) << size.width;
    const auto facts = InspectJpeg(ReadFile(preview));
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->width, 320);
    EXPECT_EQ(facts->height, 240);
    EXPECT_EQ(facts->firstQuantValues.front(), 8);  // quality 75
    const auto image = DecodeFile(preview);
    ASSERT_TRUE(image);
    // The first frame is red; the later ones blue and green.
    EXPECT_TRUE(Near(PixelAt(*image, 160, 120), {200, 30, 30}, 16)) << size.width;
  }
}

TEST(MoviePreview, AviNameGetsTheAJpgPreviewName) {
  TempDir dir;
  const auto movie = dir / "ABCD0002.AVI";
  ASSERT_TRUE(test::WriteAvi(movie));
  std::filesystem::create_directory(dir / "PREVIEW");
  const auto preview = PreviewPath(movie);
  EXPECT_EQ(preview, dir / "PREVIEW" / "ABCD0002a.JPG");
  EXPECT_EQ(MakePreview(movie, preview), PreviewOutcome::Written);
  EXPECT_TRUE(std::filesystem::exists(dir / "PREVIEW" / "ABCD0002a.JPG"));
}

TEST(MoviePreview, UndecodableMoviesGiveNothing) {
  TempDir dir;
  const auto good = dir / "GOOD.AVI";
  ASSERT_TRUE(test::WriteAvi(good));
  const std::string bytes = ReadFile(good);

  // Every frame's data overwritten: the container still opens, but no frame decodes.
  std::string scrambled = bytes;
  const auto movi = scrambled.find("movi");
  ASSERT_NE(movi, std::string::npos);
  const auto index = scrambled.find("idx1", movi);
  int framesScrambled = 0;
  for (std::size_t i = movi + 4; i + 8 < index; ++i) {
    if (scrambled.compare(i, 4, "00dc") != 0) continue;
    const std::size_t length = static_cast<std::uint8_t>(scrambled[i + 4]) |
                               static_cast<std::uint8_t>(scrambled[i + 5]) << 8 |
                               static_cast<std::uint8_t>(scrambled[i + 6]) << 16;
    for (std::size_t k = i + 8; k < i + 8 + length && k < index; ++k) scrambled[k] = 0;
    i += 8 + length - 1;
    ++framesScrambled;
  }
  ASSERT_EQ(framesScrambled, 3);
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"TRUNC.AVI", bytes.substr(0, 300)},
      {"EMPTY.AVI", ""},
      {"TEXT.AVI", "RIFF but not really a movie at all"},
      {"SCRAMBLED.AVI", scrambled},
      {"WAVE.AVI", test::WavBytes()},  // audio only: no video stream
  };
  for (const auto& c : cases) {
    const auto movie = dir / c.name;
    test::WriteFile(movie, c.bytes);
    const auto preview = dir / (std::string("P_") + c.name + ".JPG");
    EXPECT_EQ(MakePreview(movie, preview), PreviewOutcome::Failed) << c.name;
    EXPECT_FALSE(std::filesystem::exists(preview)) << c.name;
  }
}

TEST(MemoPreview, LoneMemoGetsTheBuiltInPicture) {
  TempDir dir;
  const auto memo = dir / "ABCD0003.WAV";
  test::WriteWav(memo);
  std::filesystem::create_directory(dir / "PREVIEW");
  const auto preview = PreviewPath(memo);
  EXPECT_EQ(preview, dir / "PREVIEW" / "ABCD0003.JPG");
  ASSERT_EQ(MakePreview(memo, preview), PreviewOutcome::Written);

  const auto written = DecodeFile(preview);
  JpegDecoder builtIn(MemoPicture());
  ASSERT_TRUE(builtIn.ReadHeader());
  const auto expected = builtIn.Decode({0, 0});
  ASSERT_TRUE(written && expected);
  ASSERT_EQ(written->size(), expected->size());
  EXPECT_EQ(written->size(), (ImageSize{160, 120}));
  // Saved again at quality 75: close to the built-in picture, pixel for pixel.
  long long difference = 0;
  for (std::size_t i = 0; i < written->pixels.size(); ++i)
    difference += std::abs(int(written->pixels[i]) - int(expected->pixels[i]));
  EXPECT_LT(difference / static_cast<double>(written->pixels.size()), 4.0);
}

TEST(MemoPreview, MemoBesideItsImageWritesNothing) {
  TempDir dir;
  for (const char* twin : {"ABCD0004.JPG", "abcd0004.jpg"}) {
    TempDir inner;
    test::WriteWav(inner / "ABCD0004.WAV");
    test::WriteFile(inner / twin, "a picture");
    const auto preview = inner / "ABCD0004_preview.JPG";
    EXPECT_EQ(MakePreview(inner / "ABCD0004.WAV", preview), PreviewOutcome::SharedWithImage) << twin;
    EXPECT_FALSE(std::filesystem::exists(preview)) << twin;
  }
}

TEST(MemoPicture, IsAJpegOfItsStatedSize) {
  const auto picture = MemoPicture();
  const auto facts = InspectJpeg(std::string(picture.begin(), picture.end()));
  ASSERT_TRUE(facts);
  EXPECT_EQ(facts->width, 160);
  EXPECT_EQ(facts->height, 120);
  EXPECT_TRUE(facts->endsWithEoi);
}

}  // namespace
}  // namespace orrivan::imaging
