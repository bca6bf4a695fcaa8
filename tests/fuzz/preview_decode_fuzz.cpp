// The preview decode path on hostile bytes: header, DCT-scaled decode at the preview size,
// resample and encode. Nothing may crash, leak or read out of bounds; a refused file is fine.
#include <cstddef>
#include <cstdint>
#include <span>

#include "imaging/image_ops.h"
#include "imaging/preview.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace orrivan::imaging;
  JpegDecoder decoder(std::span<const std::uint8_t>(data, size));
  if (!decoder.ReadHeader()) return 0;
  // Keep single inputs cheap: a header may claim a huge frame that decodes into grey.
  const ImageSize full = decoder.size();
  if (static_cast<std::uint64_t>(full.width) * full.height > (1u << 24)) return 0;
  const ImageSize target = PreviewSize(full);
  auto image = decoder.Decode(target);
  if (!image) return 0;
  const RgbImage preview = Resample(*image, target.width, target.height);
  (void)EncodeJpeg(preview, kJpegQuality);
  return 0;
}
