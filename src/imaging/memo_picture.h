// The program's built-in picture for voice memos, compiled in (there is no data folder to lose).
#pragma once

#include <cstdint>
#include <span>

namespace orrivan::imaging {

// A complete JPEG file, 160 x 120.
std::span<const std::uint8_t> MemoPicture();

}  // namespace orrivan::imaging
