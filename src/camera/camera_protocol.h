// The bytes both ends of the camera serial link agree on: control bytes, the checksum, the block
// limit and the speed codes. The PC side (camera_link.cpp) and the simulator (tools/fakecam) share
// this header so the two can never drift apart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace orrivan::camera {

inline constexpr uint8_t kStx = 0x02;
inline constexpr uint8_t kEtx = 0x03;
inline constexpr uint8_t kEnq = 0x05;
inline constexpr uint8_t kAck = 0x06;
inline constexpr uint8_t kDc2 = 0x12;
inline constexpr uint8_t kNak = 0x15;
inline constexpr uint8_t kEtb = 0x17;
inline constexpr uint8_t kCan = 0x18;

// Largest data length a block may announce; also the size of the driver queues, so one whole block
// is buffered while the PC is between reads.
inline constexpr size_t kMaxBlockData = 1544;

// Files of this size or more are refused before any data is asked for.
inline constexpr uint32_t kMaxFileSize = 0xC8FFFF;

// Every connection and every command exchange starts at this speed.
inline constexpr unsigned kCommandRate = 9600;

// One's complement of the 8-bit sum. Commands: all command bytes. Blocks: the two length bytes,
// the data and the end byte (not the STX).
inline uint8_t Checksum(std::span<const uint8_t> bytes, uint8_t start = 0) {
  unsigned sum = start;
  for (uint8_t b : bytes) sum += b;
  return static_cast<uint8_t>(0xFF - (sum & 0xFF));
}

// The speeds an extended camera knows, in the order of its "cb" index byte.
inline constexpr unsigned kSpeedTable[] = {2400, 4800, 9600, 14400, 19200, 28800, 38400, 57600, 115200};

// The "cb" index of a speed text; nullopt for a text that is not one of the table's speeds.
inline std::optional<uint8_t> SpeedIndex(std::string_view rateText) {
  static constexpr std::string_view kTexts[] = {"2400",  "4800",  "9600",  "14400", "19200",
                                                "28800", "38400", "57600", "115200"};
  for (size_t i = 0; i < std::size(kTexts); ++i)
    if (kTexts[i] == rateText) return static_cast<uint8_t>(i);
  return std::nullopt;
}

// The "CB" divisor byte of the older cameras: 9600 gives 46, 115200 gives 3.
inline constexpr uint8_t SpeedDivisor(unsigned rate) {
  return static_cast<uint8_t>((447443125u / rate + 999u) / 1000u - 1u);
}

// The speed an older camera takes from a divisor byte: the table speed whose divisor it is.
inline std::optional<unsigned> RateOfDivisor(uint8_t divisor) {
  for (unsigned rate : kSpeedTable)
    if (SpeedDivisor(rate) == divisor) return rate;
  return std::nullopt;
}

}  // namespace orrivan::camera
