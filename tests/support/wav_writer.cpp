#include "support/wav_writer.h"

#include <cmath>
#include <cstdint>

#include "support/temp_dir.h"

namespace orrivan::test {

namespace {

void Put16(std::string& out, std::uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}

void Put32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

}  // namespace

std::string WavBytes(double seconds, int sampleRate) {
  const auto samples = static_cast<std::uint32_t>(seconds * sampleRate);
  const std::uint32_t dataBytes = samples * 2;
  std::string out;
  out += "RIFF";
  Put32(out, 36 + dataBytes);
  out += "WAVE";
  out += "fmt ";
  Put32(out, 16);
  Put16(out, 1);  // PCM
  Put16(out, 1);  // mono
  Put32(out, static_cast<std::uint32_t>(sampleRate));
  Put32(out, static_cast<std::uint32_t>(sampleRate) * 2);
  Put16(out, 2);   // block align
  Put16(out, 16);  // bits per sample
  out += "data";
  Put32(out, dataBytes);
  const double pi = std::acos(-1.0);
  for (std::uint32_t i = 0; i < samples; ++i) {
    const double v = std::sin(2 * pi * 440.0 * i / sampleRate) * 12000.0;
    Put16(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v))));
  }
  return out;
}

void WriteWav(const std::filesystem::path& path, double seconds, int sampleRate) {
  WriteFile(path, WavBytes(seconds, sampleRate));
}

}  // namespace orrivan::test
