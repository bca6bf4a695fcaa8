// libFuzzer entry over the lossless turn of a buffer. The first byte picks the rotation code; a
// turned file must end in EOI and pass the header check again. Turning it back may still fail for
// damaged input (DC differences between new neighbours can outgrow the table), but must not crash.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "imaging/jpeg_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::uint8_t code = static_cast<std::uint8_t>(1 + data[0] % 3);
  std::span<const std::uint8_t> in(data + 1, size - 1);
  std::vector<std::uint8_t> out;
  if (!orrivan::CJpegFile::RotateBytes(in, code, 220, out)) return 0;
  if (out.size() < 4 || out[out.size() - 2] != 0xFF || out[out.size() - 1] != 0xD9) std::abort();
  int version = 0;
  orrivan::CJpegFile::ReadOrientation(out, version);
  std::vector<std::uint8_t> back;
  const std::uint8_t inverse = code == 2 ? 2 : static_cast<std::uint8_t>(4 - code);
  orrivan::CJpegFile::RotateBytes(out, inverse, 220, back);
  return 0;
}
