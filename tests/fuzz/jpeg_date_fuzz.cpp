// libFuzzer entry over the shooting-date reader. A date found is always 14 digits in range.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "imaging/jpeg_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string out;
  if (orrivan::CJpegFile::ReadShootingDate(std::span<const std::uint8_t>(data, size), out)) {
    if (out.size() != 14) std::abort();
    for (char c : out)
      if (c < '0' || c > '9') std::abort();
    if (out.compare(0, 4, "1980") < 0) std::abort();
  }
  return 0;
}
