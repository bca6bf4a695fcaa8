// Reading and patching the metadata a camera writes into its JPEG files: the Exif APP1 segment
// (a TIFF structure, Exif 2.2 section 4.6) and the maker's "RKCI" APP1 segment. Every reader is
// bounded by the span it is given and walks directory chains with a hop limit.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace orrivan::jpeg {

// Shooting date as 14 digits from the first TIFF header or maker segment found in `head`.
bool FindShootingDate(std::span<const std::uint8_t> head, std::string& out);

struct OrientationTags {
  std::uint8_t code = 255;  // rotation code from Exif Orientation or maker tag 16
  int version = 0;          // Exif version code
};
OrientationTags FindOrientation(std::span<const std::uint8_t> head);

// After a turn by `code`: Exif Orientation becomes 1, quarter turns swap the pixel width and
// height entries, and the maker's rotation bits are cleared. Works in place on a header.
void MarkUpright(std::span<std::uint8_t> header, std::uint8_t code);

}  // namespace orrivan::jpeg
