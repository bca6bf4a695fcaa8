// Helpers shared by the preview tests: pictures to feed in, and a reader of the JPEG headers that
// MakePreview writes that does not go through the code under test.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "imaging/image_ops.h"

namespace orrivan::test {

// Left half one colour, right half another: shows a mirror or a turn at a glance.
inline imaging::RgbImage TwoColourImage(int width, int height, std::uint8_t lr, std::uint8_t lg,
                                        std::uint8_t lb, std::uint8_t rr, std::uint8_t rg,
                                        std::uint8_t rb) {
  imaging::RgbImage image;
  image.width = width;
  image.height = height;
  image.pixels.resize(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = image.pixels.data() + (static_cast<std::size_t>(y) * width + x) * 3;
      const bool left = x < width / 2;
      p[0] = left ? lr : rr;
      p[1] = left ? lg : rg;
      p[2] = left ? lb : rb;
    }
  return image;
}

struct JpegHeaderFacts {
  int width = 0;
  int height = 0;
  int components = 0;
  bool baseline = false;              // SOF0
  std::vector<int> firstQuantValues;  // entry 0 of each DQT table, in file order
  bool endsWithEoi = false;
};

// Walks the marker segments up to the start of scan.
inline std::optional<JpegHeaderFacts> InspectJpeg(const std::string& bytes) {
  auto u8 = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
  if (bytes.size() < 4 || u8(0) != 0xFF || u8(1) != 0xD8) return std::nullopt;
  JpegHeaderFacts facts;
  facts.endsWithEoi = u8(bytes.size() - 2) == 0xFF && u8(bytes.size() - 1) == 0xD9;
  std::size_t pos = 2;
  while (pos + 4 <= bytes.size()) {
    if (u8(pos) != 0xFF) return std::nullopt;
    const std::uint8_t marker = u8(pos + 1);
    const std::size_t length = (static_cast<std::size_t>(u8(pos + 2)) << 8) | u8(pos + 3);
    if (length < 2 || pos + 2 + length > bytes.size()) return std::nullopt;
    const std::size_t body = pos + 4;
    if (marker == 0xDB) {
      for (std::size_t q = body; q < pos + 2 + length;) {
        const int precision = u8(q) >> 4;
        facts.firstQuantValues.push_back(precision ? (u8(q + 1) << 8 | u8(q + 2)) : u8(q + 1));
        q += 1 + 64 * (precision ? 2 : 1);
      }
    } else if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      facts.baseline = marker == 0xC0;
      facts.height = u8(body + 1) << 8 | u8(body + 2);
      facts.width = u8(body + 3) << 8 | u8(body + 4);
      facts.components = u8(body + 5);
    } else if (marker == 0xDA) {
      return facts;
    }
    pos += 2 + length;
  }
  return std::nullopt;
}

// Decodes a whole file at full size with the decoder under test (for pixel checks only).
inline std::optional<imaging::RgbImage> DecodeFile(const std::filesystem::path& path) {
  auto bytes = imaging::ReadFileBytes(path, 64u << 20);
  if (!bytes) return std::nullopt;
  imaging::JpegDecoder decoder(*bytes);
  if (!decoder.ReadHeader()) return std::nullopt;
  return decoder.Decode({0, 0});
}

inline std::array<int, 3> PixelAt(const imaging::RgbImage& image, int x, int y) {
  const std::uint8_t* p = image.pixels.data() + (static_cast<std::size_t>(y) * image.width + x) * 3;
  return {p[0], p[1], p[2]};
}

// Every channel within `tolerance` of the expected colour.
inline bool Near(const std::array<int, 3>& got, const std::array<int, 3>& want, int tolerance) {
  for (int i = 0; i < 3; ++i)
    if (got[i] < want[i] - tolerance || got[i] > want[i] + tolerance) return false;
  return true;
}

}  // namespace orrivan::test
