// Fuzzes the reader of a plug-in's colour sample (a packed bitmap): whatever the bytes claim, the
// picture it gives back holds exactly its sides' pixels and fits in what was given.
#include <cstddef>
#include <cstdint>

#include "html/sample_bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto bitmap = orrivan::ReadSampleBitmap(std::span<const uint8_t>(data, size));
  if (!bitmap) return 0;
  const size_t pixels = static_cast<size_t>(bitmap->width) * static_cast<size_t>(bitmap->height);
  if (bitmap->rgb.size() != pixels * 3) __builtin_trap();
  if (pixels * 3 > size) __builtin_trap();  // every pixel came from at least three given bytes
  return 0;
}
