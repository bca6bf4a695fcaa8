#include "html/sample_bitmap.h"

#include <cstddef>

namespace orrivan {

namespace {

constexpr size_t kInfoHeaderSize = 40;

uint32_t U32(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
         static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint16_t U16(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

}  // namespace

std::optional<SampleBitmap> ReadSampleBitmap(std::span<const uint8_t> bytes) {
  if (bytes.size() < kInfoHeaderSize) return std::nullopt;
  const uint32_t headerSize = U32(bytes, 0);
  // 40 (BITMAPINFOHEADER) up to 124 (BITMAPV5HEADER); the rows follow the header directly.
  if (headerSize < kInfoHeaderSize || headerSize > 124 || headerSize > bytes.size()) return std::nullopt;
  const int32_t width = static_cast<int32_t>(U32(bytes, 4));
  const int32_t rawHeight = static_cast<int32_t>(U32(bytes, 8));
  const uint16_t planes = U16(bytes, 12);
  const uint16_t bits = U16(bytes, 14);
  const uint32_t compression = U32(bytes, 16);
  const uint32_t paletteColours = U32(bytes, 32);
  if (planes != 1 || (bits != 24 && bits != 32) || compression != 0 || paletteColours != 0) return std::nullopt;
  // INT32_MIN has no positive counterpart; the side limit refuses it along with the other giants.
  if (width < 1 || width > kMaxSampleSide || rawHeight == 0 || rawHeight < -kMaxSampleSide ||
      rawHeight > kMaxSampleSide)
    return std::nullopt;
  const bool bottomUp = rawHeight > 0;
  const int height = bottomUp ? rawHeight : -rawHeight;
  const size_t pixelBytes = bits / 8;
  // At most 2048 * 4 rounded up: no overflow in size_t.
  const size_t stride = (static_cast<size_t>(width) * pixelBytes + 3) / 4 * 4;
  const size_t rows = bytes.size() - headerSize;
  if (stride * static_cast<size_t>(height) > rows) return std::nullopt;

  SampleBitmap out;
  out.width = width;
  out.height = height;
  out.rgb.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
  for (int y = 0; y < height; ++y) {
    const int sourceRow = bottomUp ? height - 1 - y : y;
    const size_t from = headerSize + static_cast<size_t>(sourceRow) * stride;
    uint8_t* to = out.rgb.data() + static_cast<size_t>(y) * static_cast<size_t>(width) * 3;
    for (int x = 0; x < width; ++x) {
      const size_t p = from + static_cast<size_t>(x) * pixelBytes;
      to[x * 3 + 0] = bytes[p + 2];  // stored blue, green, red
      to[x * 3 + 1] = bytes[p + 1];
      to[x * 3 + 2] = bytes[p + 0];
    }
  }
  return out;
}

}  // namespace orrivan
