// libFuzzer entry over the orientation and version reader and the rotatability check.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "imaging/jpeg_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int version = -1;
  std::uint8_t code = orrivan::CJpegFile::ReadOrientation(std::span<const std::uint8_t>(data, size), version);
  if (code > 3 && code != 255) std::abort();
  if (version != 0 && version != 210 && version != 220) std::abort();
  return 0;
}
