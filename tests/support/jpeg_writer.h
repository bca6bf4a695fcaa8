// Camera-like JPEG files for tests and benchmarks, made with libjpeg-turbo: synthetic photographic
// content (smooth gradients, edges, noise), an Exif APP1 segment in either byte order, the maker's
// "RKCI" segment, restart intervals, and the variants a camera never writes (progressive, 4:2:2,
// optimised tables) to test refusals. Also a decoder and an encoder for oracle comparisons.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orrivan::test {

struct ExifSpec {
  bool bigEndian = true;                         // "MM" or "II"
  std::optional<std::string> dateTimeOriginal;   // "YYYY:MM:DD HH:MM:SS"
  std::optional<int> orientation;                // tag 0x0112
  std::optional<std::string> model;              // tag 0x0110
  std::optional<std::string> exifVersion = "0220";  // tag 0x9000, four characters
  bool pixelSize = true;                         // tags 0xA002 / 0xA003 with the frame size
  bool pixelSizeAsLong = false;                  // LONG rather than SHORT values
};

struct MakerSpec {
  std::optional<std::string> date;      // tag 1, a type-3 record after a type-1 record
  std::optional<int> rotation;          // tag 16: high 4 bits of the second data byte
};

enum class JpegSampling { k420, k422, k444 };

struct JpegSpec {
  int width = 64;
  int height = 48;
  int quality = 90;
  JpegSampling sampling = JpegSampling::k420;
  bool progressive = false;
  bool optimizeTables = false;  // the file's own Huffman tables
  int restartInterval = 0;      // in MCUs; 0 = none
  bool jfif = false;            // a JFIF APP0 segment before the Exif segment
  std::optional<ExifSpec> exif;
  std::optional<MakerSpec> maker;
  std::uint32_t seed = 1;       // picks the content
};

// Interleaved RGB, 3 bytes a pixel.
struct RgbPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
};

RgbPicture MakePhotoContent(int width, int height, std::uint32_t seed);

std::string MakeJpeg(const JpegSpec& params);
void WriteJpeg(const std::filesystem::path& path, const JpegSpec& params);

// The segments on their own (marker and length included), for building odd files by hand.
std::string MakeExifSegment(const ExifSpec& exif, int width, int height);
std::string MakeMakerSegment(const MakerSpec& maker);

// Decodes with libjpeg-turbo's defaults to RGB; nullopt for a file it rejects.
std::optional<RgbPicture> DecodeJpeg(const std::string& bytes);

// Encodes RGB as baseline 4:2:0 with the given quantisation tables (natural order, ids 0 and 1)
// and the standard Huffman tables.
std::string EncodeWithTables(const RgbPicture& picture, const std::uint16_t luminance[64],
                             const std::uint16_t chrominance[64]);

// Turns RGB pixels by a rotation code (1 = counter-clockwise, 2 = half, 3 = clockwise).
RgbPicture TurnPicture(const RgbPicture& picture, int code);

double Psnr(const RgbPicture& a, const RgbPicture& b);

}  // namespace orrivan::test
