// The colour sample a template plug-in hands over: a packed device-independent bitmap (a
// BITMAPINFOHEADER of 40 or more bytes, then the pixel rows), read into plain RGB rows. The bytes
// come from outside the program, so every field is checked against the buffer before it is used.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace orrivan {

struct SampleBitmap {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // top row first, 3 bytes a pixel, no padding
};

// Sides above this are refused: a sample is a small picture, and the limit keeps the allocation
// bounded whatever a plug-in claims.
inline constexpr int kMaxSampleSide = 2048;

// 24 or 32 bits a pixel, uncompressed (BI_RGB), bottom-up (positive height) or top-down; nothing
// for anything else or for rows that do not fit in bytes.
std::optional<SampleBitmap> ReadSampleBitmap(std::span<const uint8_t> bytes);

}  // namespace orrivan
