// Table-driven Huffman coding of the baseline sequential process (ITU-T T.81 Annex C and F.1.2 /
// F.2.2): canonical code generation, a 9-bit lookahead decoder with a combined run/value table for
// short AC codes, and an encoder that emits whole code-plus-value words through a 64-bit buffer.
// Entropy-coded segments are unstuffed once (0xFF 0x00 -> 0xFF, split at RSTn) so the bit reader
// can load eight bytes at a time.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace orrivan::jpeg {

// The example tables of T.81 Annex K.3, as they stand in a DHT segment: class-and-id byte,
// 16 code counts, then the values.
std::span<const std::uint8_t> StandardTableBytes(int tableClass, int id);

// Zigzag position -> natural (row * 8 + column) position, T.81 Figure A.6.
extern const std::uint8_t kZigzagToNatural[64];

inline constexpr int kLookBits = 9;

struct DecodeTable {
  // Builds from 16 code counts and their values; false for counts no prefix code can have.
  bool Build(const std::uint8_t* counts, const std::uint8_t* values, std::size_t valueCount);

  std::uint16_t look[1 << kLookBits];    // (code length << 8) | symbol; 0 = code longer than 9
  std::int16_t fastAc[1 << kLookBits];   // (value << 8) | (run << 4) | bits used; 0 = not short
  std::int32_t maxCode[18];              // largest code of each length, -1 when none
  std::int32_t valueOffset[18];
  std::uint8_t values[256];
};

struct EncodeTable {
  bool Build(const std::uint8_t* counts, const std::uint8_t* values, std::size_t valueCount);
  std::uint16_t code[256];
  std::uint8_t size[256];  // 0 = symbol has no code
};

// One scan's entropy-coded data without stuffing, split into restart intervals.
struct UnstuffedScan {
  std::vector<std::uint8_t> bytes;         // followed by kScanPadding zero bytes
  std::vector<std::size_t> intervalStart;  // byte offsets; the first is 0
  std::vector<std::uint8_t> restartNumber; // RSTn number that opened each interval after the first
  std::size_t end = 0;                     // end of the data, before the padding
  std::size_t consumed = 0;                // input bytes up to the marker that ended the scan
  bool endedAtEoi = false;
};

// Zero bytes after the data: enough for one whole MCU of the worst codes, so the reader checks
// its position once per MCU rather than once per symbol.
inline constexpr std::size_t kScanPadding = 4096;

// Reads from the first byte after the SOS segment to the first marker that is neither RSTn nor
// stuffing. Bytes 0xFF used as fill before a marker are dropped.
void UnstuffScan(std::span<const std::uint8_t> data, UnstuffedScan& scan);

class BitReader {
 public:
  BitReader(const std::uint8_t* data, std::size_t bitEnd) : data_(data), end_(bitEnd) {}

  void Seek(std::size_t byteOffset, std::size_t byteEnd) { pos_ = byteOffset * 8; end_ = byteEnd * 8; }
  bool Overrun() const { return pos_ > end_; }

  // At least 57 valid bits, MSB first.
  std::uint64_t Window() const {
    std::uint64_t w;
    std::memcpy(&w, data_ + (pos_ >> 3), 8);
    return __builtin_bswap64(w) << (pos_ & 7);
  }
  void Skip(unsigned n) { pos_ += n; }

  // Symbol of `t`, or -1 for a bit pattern that is no code.
  int Decode(const DecodeTable& t) {
    std::uint64_t w = Window();
    std::uint16_t e = t.look[w >> (64 - kLookBits)];
    if (e >> 8) {
      pos_ += e >> 8;
      return e & 0xFF;
    }
    for (int len = kLookBits + 1; len <= 16; ++len) {
      std::int32_t code = static_cast<std::int32_t>(w >> (64 - len));
      if (code <= t.maxCode[len]) {
        pos_ += len;
        return t.values[code + t.valueOffset[len]];
      }
    }
    return -1;
  }

  // `n` bits (1..16) taken as a T.81 F.2.2.1 magnitude category value.
  int ReceiveExtend(unsigned n) {
    std::uint32_t v = static_cast<std::uint32_t>(Window() >> (64 - n));
    pos_ += n;
    return v < (1u << (n - 1)) ? static_cast<int>(v) - (1 << n) + 1 : static_cast<int>(v);
  }

  // Decodes one block (T.81 F.2.2). `put(zigzagIndex, value)` receives the nonzero coefficients;
  // the DC (index 0) always. False for an invalid code or a run past the block's end.
  template <class Put>
  bool DecodeBlock(const DecodeTable& dc, const DecodeTable& ac, int& prediction, Put&& put) {
    int s = Decode(dc);
    if (s < 0 || s > 11) return false;
    if (s) prediction += ReceiveExtend(static_cast<unsigned>(s));
    put(0, prediction);
    for (int k = 1; k < 64;) {
      std::uint64_t w = Window();
      std::int16_t f = ac.fastAc[w >> (64 - kLookBits)];
      if (f) {
        pos_ += f & 15;
        k += (f >> 4) & 15;
        if (k > 63) return false;
        put(k, f >> 8);
        ++k;
        continue;
      }
      int sym = Decode(ac);
      if (sym < 0) return false;
      int run = sym >> 4, size = sym & 15;
      if (size == 0) {
        if (run != 15) break;  // EOB
        k += 16;
        continue;
      }
      k += run;
      if (k > 63 || size > 15) return false;
      put(k, ReceiveExtend(static_cast<unsigned>(size)));
      ++k;
    }
    return true;
  }

 private:
  const std::uint8_t* data_;
  std::size_t pos_ = 0;
  std::size_t end_;
};

class BitWriter {
 public:
  explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out), pos_(out.size()) {}

  // Room for one MCU of the worst case, so the block writers need no checks of their own.
  void Reserve(std::size_t bytes) {
    if (out_.size() < pos_ + bytes) out_.resize(std::max(out_.size() * 3 / 2, pos_ + bytes));
  }

  void Put(std::uint32_t bits, unsigned len) {
    acc_ = (acc_ << len) | bits;
    count_ += len;
    if (count_ >= 32) Flush32();
  }

  // Encodes one block in zigzag order; `nonzero` has bit k set for every nonzero zz[k], k >= 1.
  // False when a value needs a category the tables have no code for.
  bool EncodeBlock(const std::int16_t* zz, std::uint64_t nonzero, const EncodeTable& dc,
                   const EncodeTable& ac, int& prediction);

  // Pads the last byte with 1 bits and trims the output to what was written.
  void Finish();

 private:
  void Flush32();

  std::vector<std::uint8_t>& out_;
  std::size_t pos_;
  std::uint64_t acc_ = 0;
  unsigned count_ = 0;
};

}  // namespace orrivan::jpeg
