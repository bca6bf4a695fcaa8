// The imaging operations the program needs: load a JPEG (letting the decoder scale in the DCT
// domain), read its dimensions, resample, and save as JPEG with a quality. libjpeg's error longjmp
// stays inside image_ops.cpp; every operation here returns its success as a value.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace orrivan::imaging {

// Every JPEG the program writes (previews, the memo picture) uses this quality.
inline constexpr int kJpegQuality = 75;

struct ImageSize {
  int width = 0;
  int height = 0;
  friend bool operator==(const ImageSize&, const ImageSize&) = default;
};

// 8-bit RGB, rows top to bottom, three bytes a pixel, no row padding.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;

  ImageSize size() const { return {width, height}; }
  bool empty() const { return width <= 0 || height <= 0; }
};

// Reads a whole file; nothing when it cannot be read or is larger than maxBytes.
std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::filesystem::path& path,
                                                       std::uintmax_t maxBytes);

// One JPEG held in memory. ReadHeader is the "load and analyse" step: it yields the frame size
// without decoding; Decode then decodes once.
class JpegDecoder {
 public:
  explicit JpegDecoder(std::span<const std::uint8_t> bytes);
  ~JpegDecoder();
  JpegDecoder(const JpegDecoder&) = delete;
  JpegDecoder& operator=(const JpegDecoder&) = delete;

  // False for anything that is not a JPEG the decoder can read (or is absurdly large).
  bool ReadHeader();
  // The frame size; valid after ReadHeader succeeded.
  ImageSize size() const;
  // Decodes at the smallest DCT scale (1/8 .. 8/8) whose result still covers atLeast on both sides;
  // {0, 0} decodes at full size. A file whose data ends early or is cut by a marker fails: a
  // picture with a grey band is not a preview of it. Call at most once.
  std::optional<RgbImage> Decode(ImageSize atLeast);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The DCT scale numerator (over 8) that Decode would choose for a frame of `full` to cover atLeast.
int ChooseDctScale(ImageSize full, ImageSize atLeast);

// Resamples to width x height: area averaging when shrinking, linear interpolation when growing
// (each axis on its own). Returns an empty image when either size is not positive.
RgbImage Resample(const RgbImage& source, int width, int height);

// The image turned a quarter turn, clockwise or counter-clockwise.
RgbImage TurnQuarter(const RgbImage& source, bool clockwise);

// Baseline JPEG, 4:2:0, at the given quality (1..100). Nothing for an empty image.
std::optional<std::vector<std::uint8_t>> EncodeJpeg(const RgbImage& image, int quality);

// Writes bytes to path through a temporary file in the same folder and a rename, so a failure never
// leaves a torn file and an existing (even read-only) file of that name is replaced. The new file
// gets 0666 less the umask.
bool WriteFileReplacing(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// EncodeJpeg + WriteFileReplacing.
bool SaveJpeg(const RgbImage& image, const std::filesystem::path& path, int quality = kJpegQuality);

}  // namespace orrivan::imaging
