// The colour sample reader against the bundled plug-in's samples and hand-made hostile headers.
#include "html/sample_bitmap.h"

#include <gtest/gtest.h>

#include "html/plugin_host.h"

namespace orrivan {
namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

// A 2 x 2 picture, 24 bits, rows as given (bottom row first when height > 0).
std::vector<uint8_t> Dib(int32_t width, int32_t height, uint16_t bits = 24, uint32_t compression = 0) {
  std::vector<uint8_t> out;
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height));
  Put16(out, 1);
  Put16(out, bits);
  Put32(out, compression);
  for (int i = 0; i < 5; ++i) Put32(out, 0);
  return out;
}

TEST(SampleBitmap, ReadsBottomUpRowsTopFirstAsRgb) {
  std::vector<uint8_t> dib = Dib(2, 2);
  // Bottom row: blue, green (BGR bytes), padded to 8; top row: red, white.
  const uint8_t rows[] = {255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 255, 255, 255, 0, 0};
  dib.insert(dib.end(), std::begin(rows), std::end(rows));
  const auto bitmap = ReadSampleBitmap(dib);
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(bitmap->width, 2);
  EXPECT_EQ(bitmap->height, 2);
  EXPECT_EQ(bitmap->rgb, (std::vector<uint8_t>{255, 0, 0, 255, 255, 255, 0, 0, 255, 0, 255, 0}));
}

TEST(SampleBitmap, ReadsTopDownAndThirtyTwoBitRows) {
  std::vector<uint8_t> dib = Dib(1, -2, 32);
  const uint8_t rows[] = {1, 2, 3, 0, 4, 5, 6, 0};
  dib.insert(dib.end(), std::begin(rows), std::end(rows));
  const auto bitmap = ReadSampleBitmap(dib);
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(bitmap->rgb, (std::vector<uint8_t>{3, 2, 1, 6, 5, 4}));
}

TEST(SampleBitmap, RefusesHeadersThatClaimMoreThanTheBytesHold) {
  std::vector<uint8_t> shortRows = Dib(2, 2);
  shortRows.resize(shortRows.size() + 15);  // one byte short of two padded rows
  EXPECT_FALSE(ReadSampleBitmap(shortRows));
  EXPECT_FALSE(ReadSampleBitmap(Dib(kMaxSampleSide + 1, 1)));
  EXPECT_FALSE(ReadSampleBitmap(Dib(1, INT32_MIN)));
  EXPECT_FALSE(ReadSampleBitmap(Dib(0, 1)));
  EXPECT_FALSE(ReadSampleBitmap(Dib(-1, 1)));
  EXPECT_FALSE(ReadSampleBitmap(Dib(1, 1, 8)));
  EXPECT_FALSE(ReadSampleBitmap(Dib(1, 1, 24, 1)));
  std::vector<uint8_t> headerTooLong = Dib(1, 1);
  headerTooLong[0] = 200;
  headerTooLong.resize(400);
  EXPECT_FALSE(ReadSampleBitmap(headerTooLong));
  EXPECT_FALSE(ReadSampleBitmap(std::span<const uint8_t>(Dib(1, 1).data(), 39)));
}

TEST(SampleBitmap, EveryBundledSampleReads) {
  const std::filesystem::path plugin = ORRIVAN_TEMPLATES_PLUGIN;
  const auto colours = PluginColorPatterns(plugin);
  ASSERT_EQ(colours.size(), 17u);
  for (int i = 0; i < 17; ++i) {
    const auto bitmap = ReadSampleBitmap(PluginColorSample(plugin, i));
    ASSERT_TRUE(bitmap) << i;
    EXPECT_GT(bitmap->width, 10);
    EXPECT_GT(bitmap->height, 10);
  }
}

}  // namespace
}  // namespace orrivan
