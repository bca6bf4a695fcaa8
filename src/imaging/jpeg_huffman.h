// Table-driven Huffman coding of the baseline sequential process (ITU-T T.81 Annex C and F.1.2 /
// F.2.2): canonical code generation, an 11-bit lookahead decoder with a combined run/value table for
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

inline constexpr int kLookBits = 11;

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
  // (code << 8) | length, one load per symbol; 0 = symbol has no code
  std::uint32_t entry[256];
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

// Reads MSB first from unstuffed scan bytes (which must be followed by kScanPadding bytes). The
// next bits are kept in a 64-bit register, so decoding a symbol is a shift and a table look-up
// rather than a load at a bit address; the register is topped up with whole bytes.
class BitReader {
 public:
  BitReader(const std::uint8_t* data, std::size_t bitEnd) : data_(data), end_(bitEnd) { Refill(); }

  void Seek(std::size_t byteOffset, std::size_t byteEnd) {
    next_ = byteOffset;
    buffer_ = 0;
    bits_ = 0;
    end_ = byteEnd * 8;
    Refill();
  }
  void SeekBit(std::size_t bit, std::size_t byteEnd) {
    Seek(bit / 8, byteEnd);
    Consume(static_cast<unsigned>(bit % 8));
  }
  // Bits taken so far, from the start of the data.
  std::size_t Position() const { return next_ * 8 - bits_; }
  bool Overrun() const { return Position() > end_; }

  // Decodes one block (T.81 F.2.2). `put(zigzagIndex, value)` receives the nonzero coefficients;
  // the DC (index 0) always. False for an invalid code or a run past the block's end.
  template <class Put>
  bool DecodeBlock(const DecodeTable& dc, const DecodeTable& ac, int& prediction, Put&& put) {
    // On a copy whose address is never taken, the reader's state stays in registers; the caller's
    // stores through `put` could otherwise alias it and force it through memory at every symbol.
    BitReader local = *this;
    const bool ok = local.DecodeBlockHere(dc, ac, prediction, put);
    *this = local;
    return ok;
  }

 private:
  template <class Put>
  bool DecodeBlockHere(const DecodeTable& dc, const DecodeTable& ac, int& prediction, Put& put) {
    Refill();
    int s = Decode(dc);
    if (s < 0 || s > 11) return false;
    if (s) prediction += ReceiveExtend(static_cast<unsigned>(s));
    put(0, prediction);
    for (int k = 1; k < 64;) {
      // The longest code and value: 16 + 15 bits.
      if (bits_ < 31) Refill();
      std::int16_t f = ac.fastAc[buffer_ >> (64 - kLookBits)];
      if (f) {
        Consume(f & 15);
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
      if (k > 63) return false;
      put(k, ReceiveExtend(static_cast<unsigned>(size)));
      ++k;
    }
    return true;
  }

  // Afterwards at least 56 bits are held. Only whole bytes are counted; the bits loaded past them
  // are the data's own next bits, so loading them again later ORs in the same values.
  void Refill() {
    std::uint64_t w;
    std::memcpy(&w, data_ + next_, 8);
    buffer_ |= __builtin_bswap64(w) >> bits_;
    const unsigned bytes = (63 - bits_) >> 3;
    next_ += bytes;
    bits_ += bytes * 8;
  }
  void Consume(unsigned n) {
    buffer_ <<= n;
    bits_ -= n;
  }

  // Symbol of `t`, or -1 for a bit pattern that is no code. Needs 16 bits held.
  int Decode(const DecodeTable& t) {
    std::uint16_t e = t.look[buffer_ >> (64 - kLookBits)];
    if (e >> 8) {
      Consume(e >> 8);
      return e & 0xFF;
    }
    for (int len = kLookBits + 1; len <= 16; ++len) {
      std::int32_t code = static_cast<std::int32_t>(buffer_ >> (64 - len));
      if (code <= t.maxCode[len]) {
        Consume(static_cast<unsigned>(len));
        return t.values[code + t.valueOffset[len]];
      }
    }
    return -1;
  }

  // `n` bits (1..15) taken as a T.81 F.2.2.1 magnitude category value. Needs n bits held.
  int ReceiveExtend(unsigned n) {
    std::uint32_t v = static_cast<std::uint32_t>(buffer_ >> (64 - n));
    Consume(n);
    return v < (1u << (n - 1)) ? static_cast<int>(v) - (1 << n) + 1 : static_cast<int>(v);
  }

  const std::uint8_t* data_;
  std::size_t next_ = 0;       // next byte to load
  std::uint64_t buffer_ = 0;   // held bits, MSB first
  unsigned bits_ = 0;          // how many of buffer_'s bits count
  std::size_t end_;
};

struct BitSink;

class BitWriter {
 public:
  // Appends to `out`. A writer without stuffing produces the bare bit stream of one piece of a
  // scan, which a stuffing writer then takes in with Append (the pieces are coded apart and
  // joined at bit positions known only at the end).
  explicit BitWriter(std::vector<std::uint8_t>& out, bool stuff = true)
      : out_(out), start_(out.size()), pos_(start_), stuff_(stuff) {}

  // Room for one MCU of the worst case, so the block writers need no checks of their own.
  // Room reserved by the caller is taken first, so a good guess of the size never moves the output.
  void Reserve(std::size_t bytes) {
    const std::size_t need = pos_ + bytes;
    if (out_.size() < need) out_.resize(need <= out_.capacity() ? out_.capacity() : std::max(out_.size() * 3 / 2, need));
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
  // The same for a block kept packed: its DC, and its nonzero AC values in zigzag order, one for
  // each bit of `nonzero` above bit 0.
  bool EncodePackedBlock(int dcValue, const std::int16_t* acValues, std::uint64_t nonzero,
                         const EncodeTable& dc, const EncodeTable& ac, int& prediction);

  // The bare bits of a writer without stuffing (MSB first, `bits` of them) written on.
  void Append(const std::uint8_t* bytes, std::size_t bits);

  // Pads the last byte with 1 bits and trims the output to what was written.
  void Finish();
  // For a writer without stuffing: writes out the last partial byte (its low bits zero), trims
  // the output and returns the number of bits this writer wrote.
  std::size_t FinishBare();

 private:
  void Flush32();
  // Runs `write` on a BitSink holding this writer's state, and takes the state back after.
  template <class Write>
  bool WithSink(Write&& write);

  std::vector<std::uint8_t>& out_;
  std::size_t start_;
  std::size_t pos_;
  std::uint64_t acc_ = 0;
  unsigned count_ = 0;
  bool stuff_;
};

}  // namespace orrivan::jpeg
