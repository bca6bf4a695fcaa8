// Test movies: an AVI with MJPEG frames, written through libav, so the movie tests need no file from
// outside. Each frame is one solid colour, which lets a test tell the first frame from the others.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace orrivan::test {

using Rgb = std::array<std::uint8_t, 3>;

struct AviSpec {
  int width = 640;
  int height = 480;
  int framesPerSecond = 15;
  // One frame per colour, in order; at least one.
  std::vector<Rgb> frames{{200, 30, 30}, {30, 30, 200}, {30, 200, 30}};
};

// Writes the movie; false when libav could not (the file may then be partial).
bool WriteAvi(const std::filesystem::path& path, const AviSpec& params = {});

}  // namespace orrivan::test
