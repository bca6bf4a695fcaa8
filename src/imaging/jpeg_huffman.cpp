// Huffman tables, scan unstuffing and the block encoder (ITU-T T.81 Annex C, F.1.2, B.1.1.5).
#include "imaging/jpeg_huffman.h"

namespace orrivan::jpeg {
namespace {

constexpr std::uint8_t kDcLuminance[] = {
    0x00, 0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0,
    0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
constexpr std::uint8_t kDcChrominance[] = {
    0x01, 0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0,
    0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
constexpr std::uint8_t kAcLuminance[] = {
    0x10, 0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d,
    0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61, 0x07,
    0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52, 0xd1, 0xf0,
    0x24, 0x33, 0x62, 0x72, 0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25, 0x26, 0x27, 0x28,
    0x29, 0x2a, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49,
    0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69,
    0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89,
    0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7,
    0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5,
    0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2,
    0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8,
    0xf9, 0xfa};
constexpr std::uint8_t kAcChrominance[] = {
    0x11, 0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77,
    0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61, 0x71,
    0x13, 0x22, 0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33, 0x52, 0xf0,
    0x15, 0x62, 0x72, 0xd1, 0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17, 0x18, 0x19, 0x1a, 0x26,
    0x27, 0x28, 0x29, 0x2a, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48,
    0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68,
    0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87,
    0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5,
    0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3,
    0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda,
    0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8,
    0xf9, 0xfa};

static_assert(sizeof(kDcLuminance) == 29 && sizeof(kDcChrominance) == 29);
static_assert(sizeof(kAcLuminance) == 179 && sizeof(kAcChrominance) == 179);

// Canonical codes of T.81 C.2: sizes in value order, codes counting up within each length.
// False when a length has more codes than it can hold.
bool GenerateCodes(const std::uint8_t* counts, std::size_t valueCount, std::uint16_t* codes,
                   std::uint8_t* sizes) {
  std::size_t total = 0;
  for (int i = 0; i < 16; ++i) total += counts[i];
  if (total == 0 || total > 256 || total != valueCount) return false;
  std::uint32_t code = 0;
  std::size_t k = 0;
  for (int len = 1; len <= 16; ++len) {
    for (int i = 0; i < counts[len - 1]; ++i) {
      codes[k] = static_cast<std::uint16_t>(code);
      sizes[k] = static_cast<std::uint8_t>(len);
      ++k;
      ++code;
    }
    // Every code of this length must fit in `len` bits.
    if (code > (1u << len)) return false;
    code <<= 1;
  }
  return true;
}

}  // namespace

const std::uint8_t kZigzagToNatural[64] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

std::span<const std::uint8_t> StandardTableBytes(int tableClass, int id) {
  if (tableClass == 0) return id == 0 ? std::span(kDcLuminance) : std::span(kDcChrominance);
  return id == 0 ? std::span(kAcLuminance) : std::span(kAcChrominance);
}

bool DecodeTable::Build(const std::uint8_t* counts, const std::uint8_t* vals,
                        std::size_t valueCount) {
  std::uint16_t codes[256];
  std::uint8_t sizes[256];
  if (!GenerateCodes(counts, valueCount, codes, sizes)) return false;
  std::memset(look, 0, sizeof look);
  std::memset(fastAc, 0, sizeof fastAc);
  std::memset(values, 0, sizeof values);
  std::memcpy(values, vals, valueCount);
  std::size_t k = 0;
  for (int len = 1; len <= 16; ++len) {
    maxCode[len] = -1;
    valueOffset[len] = 0;
    if (counts[len - 1]) {
      valueOffset[len] = static_cast<std::int32_t>(k) - codes[k];
      k += counts[len - 1];
      maxCode[len] = codes[k - 1];
    }
  }
  maxCode[0] = maxCode[17] = -1;
  for (std::size_t i = 0; i < valueCount; ++i) {
    if (sizes[i] > kLookBits) continue;
    unsigned shift = kLookBits - sizes[i];
    for (unsigned fill = 0; fill < (1u << shift); ++fill) {
      unsigned index = (static_cast<unsigned>(codes[i]) << shift) | fill;
      look[index] = static_cast<std::uint16_t>((sizes[i] << 8) | vals[i]);
      int run = vals[i] >> 4, size = vals[i] & 15;
      // A value of more than 7 bits would not fit the 16-bit entry beside its run and length.
      if (size == 0 || size > 7 || sizes[i] + size > kLookBits) continue;
      unsigned raw = (index >> (kLookBits - sizes[i] - size)) & ((1u << size) - 1);
      int value = raw < (1u << (size - 1)) ? static_cast<int>(raw) - (1 << size) + 1
                                            : static_cast<int>(raw);
      fastAc[index] = static_cast<std::int16_t>(value * 256 + (run << 4) + sizes[i] + size);
    }
  }
  return true;
}

bool EncodeTable::Build(const std::uint8_t* counts, const std::uint8_t* vals,
                        std::size_t valueCount) {
  std::uint16_t codes[256];
  std::uint8_t sizes[256];
  if (!GenerateCodes(counts, valueCount, codes, sizes)) return false;
  std::memset(entry, 0, sizeof entry);
  for (std::size_t i = 0; i < valueCount; ++i) entry[vals[i]] = static_cast<std::uint32_t>(codes[i]) << 8 | sizes[i];
  return true;
}

void UnstuffScan(std::span<const std::uint8_t> data, UnstuffedScan& scan) {
  scan.bytes.clear();
  scan.bytes.reserve(data.size() + kScanPadding);
  scan.intervalStart.assign(1, 0);
  scan.restartNumber.assign(1, 0);
  scan.endedAtEoi = false;
  const std::uint8_t* p = data.data();
  const std::uint8_t* end = p + data.size();
  while (p < end) {
    const void* ff = std::memchr(p, 0xFF, static_cast<std::size_t>(end - p));
    const std::uint8_t* stop = ff ? static_cast<const std::uint8_t*>(ff) : end;
    scan.bytes.insert(scan.bytes.end(), p, stop);
    p = stop;
    if (p == end) break;
    // p at 0xFF: skip fill bytes, then look at what follows.
    const std::uint8_t* q = p + 1;
    while (q < end && *q == 0xFF) ++q;
    if (q == end) {
      p = end;
      break;
    }
    if (*q == 0x00) {
      scan.bytes.push_back(0xFF);
      p = q + 1;
    } else if (*q >= 0xD0 && *q <= 0xD7) {
      scan.intervalStart.push_back(scan.bytes.size());
      scan.restartNumber.push_back(static_cast<std::uint8_t>(*q - 0xD0));
      p = q + 1;
    } else {
      scan.endedAtEoi = *q == 0xD9;
      break;
    }
  }
  scan.consumed = static_cast<std::size_t>(p - data.data());
  scan.end = scan.bytes.size();
  scan.bytes.resize(scan.end + kScanPadding, 0);
}

namespace {

// A byte of all ones needs a stuffed zero after it (F.1.2.3); the test is the classic "has a zero
// byte" on the complement.
inline bool HasFFByte(std::uint32_t w) {
  const std::uint32_t inv = ~w;
  return ((inv - 0x01010101u) & ~inv & 0x80808080u) != 0;
}

}  // namespace

// The writer's state in locals while a block is written: the byte stores could otherwise alias the
// writer's members and force them through memory after every symbol.
struct BitSink {
  std::uint64_t acc;
  unsigned count;
  std::uint8_t* o;
  bool stuff;

  void Put(std::uint32_t bits, unsigned len) {
    acc = (acc << len) | bits;
    count += len;
    if (count < 32) return;
    count -= 32;
    std::uint32_t w = static_cast<std::uint32_t>(acc >> count);
    if (!stuff || !HasFFByte(w)) {
      w = __builtin_bswap32(w);
      std::memcpy(o, &w, 4);
      o += 4;
      return;
    }
    for (int shift = 24; shift >= 0; shift -= 8) {
      const std::uint8_t b = static_cast<std::uint8_t>(w >> shift);
      *o++ = b;
      if (b == 0xFF) *o++ = 0;
    }
  }
};

namespace {

// One block into the sink; `acValue(k)` gives the nonzero AC value at zigzag position k, asked
// for in ascending k.
template <class AcValue>
bool EncodeInto(BitSink& sink, int dcValue, std::uint64_t nonzero, AcValue&& acValue,
                const EncodeTable& dc, const EncodeTable& ac, int& prediction) {
  int diff = dcValue - prediction;
  prediction = dcValue;
  unsigned magnitude = static_cast<unsigned>(diff < 0 ? -diff : diff);
  unsigned s = magnitude ? 32 - static_cast<unsigned>(__builtin_clz(magnitude)) : 0;
  if (s > 11 || dc.entry[s] == 0) return false;
  std::uint32_t extra = static_cast<std::uint32_t>(diff < 0 ? diff - 1 : diff) & ((1u << s) - 1);
  sink.Put((dc.entry[s] >> 8 << s) | extra, (dc.entry[s] & 0xFF) + s);

  nonzero &= ~std::uint64_t{1};
  int last = 0;
  while (nonzero) {
    int k = __builtin_ctzll(nonzero);
    nonzero &= nonzero - 1;
    int run = k - last - 1;
    while (run >= 16) {
      if (ac.entry[0xF0] == 0) return false;
      sink.Put(ac.entry[0xF0] >> 8, ac.entry[0xF0] & 0xFF);
      run -= 16;
    }
    int v = acValue(k);
    magnitude = static_cast<unsigned>(v < 0 ? -v : v);
    s = 32 - static_cast<unsigned>(__builtin_clz(magnitude));
    unsigned symbol = (static_cast<unsigned>(run) << 4) | s;
    if (s > 10) return false;
    const std::uint32_t e = ac.entry[symbol];
    if (e == 0) return false;
    extra = static_cast<std::uint32_t>(v < 0 ? v - 1 : v) & ((1u << s) - 1);
    sink.Put((e >> 8 << s) | extra, (e & 0xFF) + s);
    last = k;
  }
  if (last != 63) {
    if (ac.entry[0] == 0) return false;
    sink.Put(ac.entry[0] >> 8, ac.entry[0] & 0xFF);
  }
  return true;
}

}  // namespace

template <class Write>
bool BitWriter::WithSink(Write&& write) {
  std::uint8_t* const base = out_.data();
  BitSink sink{acc_, count_, base + pos_, stuff_};
  const bool ok = write(sink);
  acc_ = sink.acc;
  count_ = sink.count;
  pos_ = static_cast<std::size_t>(sink.o - base);
  return ok;
}

bool BitWriter::EncodeBlock(const std::int16_t* zz, std::uint64_t nonzero, const EncodeTable& dc,
                            const EncodeTable& ac, int& prediction) {
  return WithSink([&](BitSink& sink) {
    return EncodeInto(sink, zz[0], nonzero, [zz](int k) { return zz[k]; }, dc, ac, prediction);
  });
}

bool BitWriter::EncodePackedBlock(int dcValue, const std::int16_t* acValues, std::uint64_t nonzero,
                                  const EncodeTable& dc, const EncodeTable& ac, int& prediction) {
  return WithSink([&](BitSink& sink) {
    return EncodeInto(sink, dcValue, nonzero, [&acValues](int) { return *acValues++; }, dc, ac, prediction);
  });
}

void BitWriter::Flush32() {
  WithSink([](BitSink& sink) {
    sink.Put(0, 0);  // with 32 bits or more held, writes one word
    return true;
  });
}

void BitWriter::Append(const std::uint8_t* bytes, std::size_t bits) {
  // Room is made a piece at a time: every byte may need a stuffed zero, but few do, and room for
  // the worst case of the whole would move the output to a buffer twice its size.
  constexpr std::size_t kPiece = 1 << 16;
  std::size_t i = 0;
  while (bits - i * 8 >= 32) {
    Reserve(2 * kPiece + 16);
    WithSink([&](BitSink& sink) {
      for (const std::size_t stop = std::min(bits / 32 * 4, i + kPiece); i < stop; i += 4) {
        std::uint32_t w;
        std::memcpy(&w, bytes + i, 4);
        sink.Put(__builtin_bswap32(w), 32);
      }
      return true;
    });
  }
  Reserve(16);
  for (; bits - i * 8 >= 8; ++i) Put(bytes[i], 8);
  if (const unsigned rest = static_cast<unsigned>(bits - i * 8)) Put(bytes[i] >> (8 - rest), rest);
}

std::size_t BitWriter::FinishBare() {
  const std::size_t bits = (pos_ - start_) * 8 + count_;
  Reserve(16);
  std::uint8_t* o = out_.data() + pos_;
  while (count_ >= 8) {
    count_ -= 8;
    *o++ = static_cast<std::uint8_t>(acc_ >> count_);
  }
  if (count_) *o++ = static_cast<std::uint8_t>(acc_ << (8 - count_));
  count_ = 0;
  pos_ = static_cast<std::size_t>(o - out_.data());
  out_.resize(pos_);
  return bits;
}

void BitWriter::Finish() {
  unsigned pad = (8 - count_ % 8) % 8;
  acc_ = (acc_ << pad) | ((1u << pad) - 1);
  count_ += pad;
  Reserve(16);
  std::uint8_t* o = out_.data() + pos_;
  while (count_ >= 8) {
    count_ -= 8;
    std::uint8_t b = static_cast<std::uint8_t>(acc_ >> count_);
    *o++ = b;
    if (b == 0xFF) *o++ = 0;
  }
  pos_ = static_cast<std::size_t>(o - out_.data());
  out_.resize(pos_);
}

}  // namespace orrivan::jpeg
