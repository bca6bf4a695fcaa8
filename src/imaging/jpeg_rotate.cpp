// Lossless quarter and half turns of baseline 4:2:0 JPEG files (ITU-T T.81 B.2, F.2, A.3).
//
// With both sides multiples of 16 every MCU moves whole: the coefficients are decoded, each block
// is transposed and/or has the signs of its odd frequencies flipped (a mirror of an 8-point DCT
// negates its odd basis functions), and the blocks are encoded again in the new order with the
// same tables. Nothing is transformed, so nothing is lost.
//
// Other sizes have a partial MCU on the right or bottom edge, which a turn would carry to the top
// or left, where a JPEG cannot have one. Those files are decoded to planes padded to whole MCUs,
// turned in pixels and encoded again (FDCT and quantisation with the turned tables). Only the real
// image area is taken from the source; the padding of the new planes repeats the last real row and
// column, which the quantiser handles best. A plane whose turned sides are whole 8 x 8 blocks
// still moves by blocks, losslessly and without transforms.
#include "imaging/jpeg_rotate.h"

#include <sys/mman.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

#include "imaging/jpeg_dct.h"
#include "imaging/jpeg_exif.h"
#include "imaging/jpeg_file.h"
#include "imaging/jpeg_huffman.h"

namespace orrivan::jpeg {
namespace {

// Bounds memory for hostile frame sizes: the coefficients need 3 bytes per pixel.
constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 27;
// Fewest bits an MCU can take with the Annex K tables: four luminance blocks of DC size 0 (2 bits)
// and EOB (4 bits), two chrominance blocks of 2 + 2 bits.
constexpr std::size_t kMinMcuBytes = 4;
constexpr std::size_t kMcuReserve = 4096;
constexpr int kBlocksPerMcu = 6;
constexpr int kMcuCoefficients = kBlocksPerMcu * 64;

// Large coefficient arrays start zeroed: fresh anonymous pages are zero already, so nothing writes
// tens of megabytes of zeros first. The turn writes them in scattered order, so they ask for huge
// pages, which spare the TLB a miss on nearly every block.
template <class T>
class ZeroedArray {
 public:
  ZeroedArray() = default;
  explicit ZeroedArray(std::size_t n) : bytes_(std::max<std::size_t>(n, 1) * sizeof(T)) {
    void* p = ::mmap(nullptr, bytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    if (bytes_ >= (std::size_t{4} << 20)) ::madvise(p, bytes_, MADV_HUGEPAGE);
#endif
    p_.reset(static_cast<T*>(p));
    p_.get_deleter().bytes = bytes_;
  }
  T& operator[](std::size_t i) { return p_.get()[i]; }
  const T& operator[](std::size_t i) const { return p_.get()[i]; }

 private:
  struct Unmap {
    std::size_t bytes = 0;
    void operator()(T* p) const { ::munmap(p, bytes); }
  };
  std::size_t bytes_ = 0;
  std::unique_ptr<T, Unmap> p_;
};

std::uint16_t Be16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }

bool IsStandardTable(const std::uint8_t* table, std::size_t length, int tableClass, int id) {
  std::span<const std::uint8_t> standard = StandardTableBytes(tableClass, id);
  return length == standard.size() && std::memcmp(table, standard.data(), length) == 0;
}

// DHT: every table must be one of the four example tables under its own class and id.
bool CheckHuffmanSegment(const std::uint8_t* p, std::size_t len, bool defined[2][2]) {
  std::size_t pos = 0;
  while (pos < len) {
    std::uint8_t classId = p[pos];
    if (classId != 0x00 && classId != 0x01 && classId != 0x10 && classId != 0x11) return false;
    if (len - pos < 17) return false;
    std::size_t count = 0;
    for (int i = 1; i <= 16; ++i) count += p[pos + i];
    if (len - pos - 17 < count) return false;
    int tableClass = classId >> 4, id = classId & 1;
    if (!IsStandardTable(p + pos, 17 + count, tableClass, id)) return false;
    defined[tableClass][id] = true;
    pos += 17 + count;
  }
  return true;
}

bool ReadQuantSegment(const std::uint8_t* p, std::size_t len, FrameHeader& h) {
  std::size_t pos = 0;
  while (pos < len) {
    int precision = p[pos] >> 4, id = p[pos] & 15;
    if (precision != 0 || id > 3 || len - pos < 65) return false;
    for (int k = 0; k < 64; ++k) h.quant[id][kZigzagToNatural[k]] = p[pos + 1 + k];
    if (std::find(h.quant[id], h.quant[id] + 64, 0) != h.quant[id] + 64) return false;
    h.hasQuant[id] = true;
    pos += 65;
  }
  return true;
}

struct FrameComponent {
  int id, h, v, quant;
};

bool ReadFrameSegment(const std::uint8_t* p, std::size_t len, FrameHeader& h,
                      FrameComponent comps[3]) {
  if (len < 6 || p[0] != 8) return false;
  h.height = Be16(p + 1);
  h.width = Be16(p + 3);
  if (p[5] != 3 || len != 6 + 3 * 3) return false;
  for (int c = 0; c < 3; ++c) {
    const std::uint8_t* q = p + 6 + 3 * c;
    comps[c] = {q[0], q[1] >> 4, q[1] & 15, q[2]};
    if (comps[c].quant > 3) return false;
  }
  // 4:2:0 only: four luminance blocks and one of each chrominance block per MCU.
  return comps[0].h == 2 && comps[0].v == 2 && comps[1].h == 1 && comps[1].v == 1 &&
         comps[2].h == 1 && comps[2].v == 1;
}

bool ReadScanSegment(const std::uint8_t* p, std::size_t len, FrameHeader& h,
                     const FrameComponent comps[3], const bool huffman[2][2]) {
  if (len != 1 + 3 * 2 + 3 || p[0] != 3) return false;
  for (int c = 0; c < 3; ++c) {
    // Interleaved components come in frame order (T.81 B.2.3).
    if (p[1 + 2 * c] != comps[c].id) return false;
    int dc = p[2 + 2 * c] >> 4, ac = p[2 + 2 * c] & 15;
    if (dc > 1 || ac > 1 || !huffman[0][dc] || !huffman[1][ac]) return false;
    if (!h.hasQuant[comps[c].quant]) return false;
    h.dcId[c] = dc;
    h.acId[c] = ac;
    h.quantId[c] = comps[c].quant;
  }
  return p[7] == 0 && p[8] == 63 && p[9] == 0;  // Ss, Se, Ah/Al of a sequential scan
}

const DecodeTable& DecodeTableFor(int tableClass, int id) {
  static const auto tables = [] {
    auto t = std::make_unique<DecodeTable[]>(4);
    for (int i = 0; i < 4; ++i) {
      std::span<const std::uint8_t> b = StandardTableBytes(i >> 1, i & 1);
      t[i].Build(b.data() + 1, b.data() + 17, b.size() - 17);
    }
    return t;
  }();
  return tables[tableClass * 2 + id];
}

const EncodeTable& EncodeTableFor(int tableClass, int id) {
  static const auto tables = [] {
    auto t = std::make_unique<EncodeTable[]>(4);
    for (int i = 0; i < 4; ++i) {
      std::span<const std::uint8_t> b = StandardTableBytes(i >> 1, i & 1);
      t[i].Build(b.data() + 1, b.data() + 17, b.size() - 17);
    }
    return t;
  }();
  return tables[tableClass * 2 + id];
}

// Copies the header with the frame size and quantisation tables turned; DRI is left out because
// the new scan has no restart markers.
void BuildOutputHeader(std::span<const std::uint8_t> in, const FrameHeader& h, bool quarter,
                       std::vector<std::uint8_t>& out) {
  out.assign(in.begin(), in.begin() + 2);
  std::size_t pos = 2;
  while (pos < h.length) {
    if (in[pos] != 0xFF || in[pos + 1] == 0xFF) {
      out.push_back(in[pos++]);
      continue;
    }
    std::uint8_t m = in[pos + 1];
    if (m == 0x01 || (m >= 0xD0 && m <= 0xD7)) {
      out.insert(out.end(), in.begin() + pos, in.begin() + pos + 2);
      pos += 2;
      continue;
    }
    std::size_t end = pos + 2 + Be16(&in[pos + 2]);
    if (m != 0xDD) {
      std::size_t at = out.size();
      out.insert(out.end(), in.begin() + pos, in.begin() + end);
      if (quarter && m == 0xC0) {
        std::swap(out[at + 5], out[at + 7]);
        std::swap(out[at + 6], out[at + 8]);
      } else if (quarter && m == 0xDB) {
        static const auto naturalToZigzag = [] {
          std::array<std::uint8_t, 64> z{};
          for (int k = 0; k < 64; ++k) z[kZigzagToNatural[k]] = static_cast<std::uint8_t>(k);
          return z;
        }();
        for (std::size_t t = at + 4; t + 65 <= out.size(); t += 65) {
          std::uint8_t turned[64];
          for (int k = 0; k < 64; ++k) {
            int n = kZigzagToNatural[k];
            turned[naturalToZigzag[(n % 8) * 8 + n / 8]] = out[t + 1 + k];
          }
          std::memcpy(&out[t + 1], turned, 64);
        }
      }
    }
    pos = end;
  }
}

// Where each block of a source MCU lands: the unit moves, the four luminance blocks swap places
// inside it, and every coefficient may move (transpose) and change sign.
struct TurnMap {
  explicit TurnMap(std::uint8_t code) {
    static constexpr int kLuma[4][4] = {{0, 1, 2, 3}, {2, 0, 3, 1}, {3, 2, 1, 0}, {1, 3, 0, 2}};
    std::copy(kLuma[code], kLuma[code] + 4, luma);
    for (int b = 0; b < kBlocksPerMcu; ++b) readAt[b < 4 ? luma[b] : b] = b;
    std::array<std::uint8_t, 64> naturalToZigzag{};
    for (int k = 0; k < 64; ++k) naturalToZigzag[kZigzagToNatural[k]] = static_cast<std::uint8_t>(k);
    for (int k = 0; k < 64; ++k) {
      int n = kZigzagToNatural[k], v = n / 8, u = n % 8;
      bool negate = false;
      int to = n;
      if (code == 1) {  // transpose, then negate the rows with odd index
        to = u * 8 + v;
        negate = u & 1;
      } else if (code == 2) {
        negate = (u + v) & 1;
      } else if (code == 3) {  // transpose, then negate the columns with odd index
        to = u * 8 + v;
        negate = v & 1;
      }
      zigzag[k] = naturalToZigzag[to];
      sign[k] = negate ? -1 : 1;
    }
  }
  int luma[4];
  int readAt[kBlocksPerMcu];  // the block read that lands in each slot of the turned MCU
  std::uint8_t zigzag[64];
  int sign[64];
};

// Steps through the MCUs of one scan, moving to the next restart interval where one is due.
class ScanCursor {
 public:
  ScanCursor(const UnstuffedScan& scan, unsigned restartInterval)
      : scan_(scan), interval_(restartInterval), reader_(scan.bytes.data(), 0) {
    reader_.Seek(0, IntervalEnd(0));
  }

  BitReader& reader() { return reader_; }

  // Before MCU `m`; resets the DC predictions at a restart.
  bool Begin(std::size_t m, int prediction[3]) {
    if (interval_ == 0 || m == 0 || m % interval_ != 0) return true;
    ++segment_;
    if (segment_ >= scan_.intervalStart.size()) return false;
    if (scan_.restartNumber[segment_] != ((segment_ - 1) & 7)) return false;
    reader_.Seek(scan_.intervalStart[segment_], IntervalEnd(segment_));
    prediction[0] = prediction[1] = prediction[2] = 0;
    return true;
  }

  // Places the cursor before MCU `m` (0 or the first of a restart interval) as the walk from the
  // start would have: same checks, same reset.
  bool StartAt(std::size_t m, int prediction[3]) {
    if (m == 0) return true;
    if (interval_ == 0 || m % interval_ != 0) return false;
    segment_ = m / interval_ - 1;
    return Begin(m, prediction);
  }

  bool End() const { return !reader_.Overrun(); }

 private:
  std::size_t IntervalEnd(std::size_t s) const {
    return s + 1 < scan_.intervalStart.size() ? scan_.intervalStart[s + 1] : scan_.end;
  }

  const UnstuffedScan& scan_;
  unsigned interval_;
  std::size_t segment_ = 0;
  BitReader reader_;
};

// ---- the DCT-domain turn ----------------------------------------------------------------------
//
// Decoding comes first and whole (the first MCU written is the last one read, or near it), then
// encoding in the new order. Large pictures use two threads for each. A scan with restart intervals
// splits at an interval. A scan without them has no place where the decoder's state is known in
// the middle, so the second thread starts decoding at a byte in the middle as if an MCU began there:
// Huffman codes fall into step with the true stream after a few symbols, and the first thread,
// decoding from the start, checks at each of its MCU starts past that byte whether the second
// thread began an MCU at the same bit. From the first such MCU on, both decoders are in the same
// state (position, block, table) and so decode the same coefficients; only the DC predictions
// differ, by a constant per component, which is added back as the blocks are encoded. Where the
// two never meet, the first thread decodes on to the end alone. Either way the coefficients, and
// so the bytes written, are those of one decoder reading from the start.
//
// The encoder's halves are split where half the decoded bits lie. The first writes the scan with
// its stuffing; the second writes bare bits, which are taken into the first's stream when both
// are done, since where they start within a byte is known only then.

// Below this many MCUs (about a megapixel) a second thread costs more than it saves.
constexpr std::size_t kParallelMinMcus = 4096;

// One decoded MCU, blocks in the order they were read: each block's DC and the mask of its nonzero
// coefficients in the zigzag order of the turned block (bit 0, the DC, always set). One cache line,
// as the encoder visits the MCUs in the turned order, far apart.
struct alignas(64) McuHead {
  std::uint64_t nonzero[kBlocksPerMcu];
  std::int16_t dc[kBlocksPerMcu];
  std::uint32_t values;  // where the MCU's AC values begin in McuStore::values
};
static_assert(sizeof(McuHead) == 64);

// The decoded MCUs in the order they were read, packed: the nonzero AC values of each block in the
// turned zigzag order, the blocks one after another. Mostly zeros at full size, the coefficients
// would be some 50 MB for a 12-megapixel picture; packed they are a few, and stay in the caches
// far better when read back in the turned order.
// Each thread fills its own store; one store to 128 bytes (a pair of cache lines) keeps the count
// one thread writes at every MCU off the lines the other thread uses.
struct alignas(128) McuStore {
  // Every AC value takes at least three bits of a scan coded with the Annex K tables (a two-bit
  // code and one bit of value), which bounds what the data can hold.
  McuStore(std::size_t mcus, std::size_t scanBits)
      : head(mcus + 1),
        capacity(std::min(scanBits / 3, mcus * (kMcuCoefficients - kBlocksPerMcu)) + kMcuCoefficients),
        values(capacity),
        start(mcus + 1) {}
  bool HasRoomForMcu() const { return capacity - used >= kMcuCoefficients; }
  const std::int16_t* Values(std::size_t r) const { return &values[head[r].values]; }

  ZeroedArray<McuHead> head;
  std::size_t capacity;
  ZeroedArray<std::int16_t> values;
  std::size_t used = 0;
  ZeroedArray<std::size_t> start;  // bit position where each MCU began
};

struct ScanTables {
  ScanTables(const FrameHeader& h, std::uint8_t code) : map(code) {
    for (int c = 0; c < 3; ++c) {
      dc[c] = &DecodeTableFor(0, h.dcId[c]);
      ac[c] = &DecodeTableFor(1, h.acId[c]);
      edc[c] = &EncodeTableFor(0, h.dcId[c]);
      eac[c] = &EncodeTableFor(1, h.acId[c]);
    }
  }
  const DecodeTable* dc[3];
  const DecodeTable* ac[3];
  const EncodeTable* edc[3];
  const EncodeTable* eac[3];
  TurnMap map;
};

// Decodes one MCU into record `r`. False for damaged data, or when the store is full (which data
// that is not damaged cannot cause, by the store's bound).
bool DecodeMcu(BitReader& reader, const ScanTables& t, int prediction[3], McuStore& store,
               std::size_t r) {
  if (!store.HasRoomForMcu()) return false;
  McuHead& head = store.head[r];
  head.values = static_cast<std::uint32_t>(store.used);
  std::int16_t* out = &store.values[store.used];
  // Only the places the mask names are read back, so the block is never cleared.
  std::int16_t block[64];
  for (int b = 0; b < kBlocksPerMcu; ++b) {
    const int c = b < 4 ? 0 : b - 3;
    std::uint64_t mask = 0;
    const bool ok = reader.DecodeBlock(*t.dc[c], *t.ac[c], prediction[c], [&](int k, int v) {
      const int z = t.map.zigzag[k];
      block[z] = static_cast<std::int16_t>(v * t.map.sign[k]);
      mask |= std::uint64_t{1} << z;
    });
    if (!ok) return false;
    head.nonzero[b] = mask;
    head.dc[b] = block[0];
    for (std::uint64_t rest = mask & (mask - 1); rest; rest &= rest - 1) *out++ = block[__builtin_ctzll(rest)];
  }
  store.used = static_cast<std::size_t>(out - &store.values[0]);
  return true;
}

// MCUs [from, to) from the cursor into store records [0, to - from); `from` must be a place the
// cursor can start (0 or a restart).
bool DecodeRange(ScanCursor& cursor, const ScanTables& t, std::size_t from, std::size_t to,
                 McuStore& store) {
  int prediction[3] = {0, 0, 0};
  if (!cursor.StartAt(from, prediction)) return false;
  for (std::size_t m = from; m < to; ++m) {
    if (m != from && !cursor.Begin(m, prediction)) return false;
    store.start[m - from] = cursor.reader().Position();
    if (!DecodeMcu(cursor.reader(), t, prediction, store, m - from)) return false;
    if (!cursor.End()) return false;
  }
  store.start[to - from] = cursor.reader().Position();
  return true;
}

// Work on a second thread, or on this one when no thread can be had; joined at the latest when it
// goes out of scope, so no exception leaves it running.
class HelperThread {
 public:
  template <class Work>
  explicit HelperThread(Work& work) {
    try {
      thread_ = std::thread(std::ref(work));
    } catch (const std::system_error&) {
      work();
    }
  }
  ~HelperThread() { Join(); }
  HelperThread(const HelperThread&) = delete;
  HelperThread& operator=(const HelperThread&) = delete;
  void Join() {
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::thread thread_;
};

// The second thread's guess: decodes from `startByte` as if an MCU began there, into records
// [0, ...) of `store`, until the data end. A code that does not exist means the guess is not yet
// in step: a new run begins one bit further on, in fresh records (old ones are never reused, so no
// coefficient of a wrong guess is left in a block). Only the last run can be the true stream.
struct alignas(128) GuessRun {
  explicit GuessRun(std::size_t records) : prediction(records + 1) {}
  ZeroedArray<std::array<int, 3>> prediction;  // DC predictions before each record
  std::size_t first = 0;                        // the last run's first record
  std::size_t count = 0;                        // records written; start[count] is its end
};

void DecodeGuess(const UnstuffedScan& scan, const ScanTables& t, std::size_t startByte,
                 McuStore& store, GuessRun& run, std::size_t records) {
  BitReader reader(scan.bytes.data(), scan.end * 8);
  reader.SeekBit(startByte * 8, scan.end);
  int prediction[3] = {0, 0, 0};
  std::size_t r = 0;
  for (;;) {
    store.start[r] = reader.Position();
    run.prediction[r] = {prediction[0], prediction[1], prediction[2]};
    if (r == records || reader.Overrun()) break;
    // A full store ends the guess: its run cannot then hold the rest, and the first thread
    // decodes on alone.
    if (!store.HasRoomForMcu()) break;
    if (DecodeMcu(reader, t, prediction, store, r)) {
      ++r;
      continue;
    }
    const std::size_t failedAt = reader.Position();  // past the failed record's start
    ++r;
    run.first = r;
    prediction[0] = prediction[1] = prediction[2] = 0;
    reader.SeekBit(failedAt + 1, scan.end);
  }
  run.count = r;
}

// Where the blocks of source MCU m are, once decoded: below `joined` in the first store, from there
// on in the second, at record m - joined + offset, with the DC predictions off by `dcDelta`.
struct Decoded {
  McuStore* first = nullptr;
  McuStore* second = nullptr;
  std::size_t joined = 0;
  std::size_t offset = 0;
  int dcDelta[3] = {0, 0, 0};

  bool InSecond(std::size_t m) const { return m >= joined; }
  std::size_t Record(std::size_t m) const { return InSecond(m) ? m - joined + offset : m; }
  McuStore& Store(std::size_t m) const { return InSecond(m) ? *second : *first; }
  std::size_t Bits(std::size_t m) const {
    const McuStore& s = Store(m);
    const std::size_t r = Record(m);
    return s.start[r + 1] - s.start[r];
  }
  // The DC of block b (in the order read) of source MCU m.
  int Dc(std::size_t m, int b) const {
    const int v = Store(m).head[Record(m)].dc[b];
    return InSecond(m) ? v + dcDelta[b < 4 ? 0 : b - 3] : v;
  }
};

// Decodes the whole scan on two threads (see the head of this section). False when the scan
// is damaged, exactly where one decoder from the start would have failed.
bool DecodeInTwo(const UnstuffedScan& scan, const FrameHeader& h, const ScanTables& t,
                 std::size_t mcus, McuStore& first, McuStore& second, Decoded& decoded) {
  decoded.first = &first;
  decoded.second = &second;
  decoded.joined = mcus;
  if (h.restartInterval != 0) {
    const std::size_t interval = h.restartInterval;
    const std::size_t split = (mcus / 2 + interval - 1) / interval * interval;
    if (split == 0 || split >= mcus) {
      ScanCursor cursor(scan, h.restartInterval);
      return DecodeRange(cursor, t, 0, mcus, first);
    }
    bool secondOk = false;
    auto work = [&] {
      ScanCursor cursor(scan, h.restartInterval);
      secondOk = DecodeRange(cursor, t, split, mcus, second);
    };
    HelperThread helper(work);
    ScanCursor cursor(scan, h.restartInterval);
    const bool firstOk = DecodeRange(cursor, t, 0, split, first);
    helper.Join();
    decoded.joined = split;  // a restart resets the predictions: nothing to add back
    return firstOk && secondOk;
  }

  const std::size_t guessByte = scan.end / 2;
  GuessRun run(mcus);
  auto work = [&] { DecodeGuess(scan, t, guessByte, second, run, mcus); };
  HelperThread helper(work);
  ScanCursor cursor(scan, 0);
  BitReader& reader = cursor.reader();
  int prediction[3] = {0, 0, 0};
  std::size_t m = 0;
  bool ok = true;
  for (; m < mcus && reader.Position() < guessByte * 8; ++m) {
    first.start[m] = reader.Position();
    if (!DecodeMcu(reader, t, prediction, first, m) || !cursor.End()) {
      ok = false;
      break;
    }
  }
  helper.Join();
  if (!ok) return false;

  std::size_t r = run.first;
  for (; m < mcus; ++m) {
    const std::size_t position = reader.Position();
    first.start[m] = position;
    while (r < run.count && second.start[r] < position) ++r;
    // Met: the rest is the guess's, if its run holds every MCU still to come within the data.
    const std::size_t last = r + (mcus - m);
    if (r < run.count && second.start[r] == position && last <= run.count &&
        second.start[last] <= scan.end * 8) {
      decoded.joined = m;
      decoded.offset = r;
      for (int c = 0; c < 3; ++c) decoded.dcDelta[c] = prediction[c] - run.prediction[r][c];
      return true;
    }
    if (!DecodeMcu(reader, t, prediction, first, m) || !cursor.End()) return false;
  }
  first.start[mcus] = reader.Position();
  return true;
}

// Encodes destination MCUs [from, to) whose sources `source(n)` gives.
template <class Source>
bool EncodeRange(const Decoded& d, const ScanTables& t, Source&& source, std::size_t from,
                 std::size_t to, int predictionInOut[3], BitWriter& writer) {
  // On this thread's stack: written at every block, it must not share a line with the other's.
  int prediction[3] = {predictionInOut[0], predictionInOut[1], predictionInOut[2]};
  // The turned order jumps a row of MCUs between neighbours, so each MCU is a cache miss unless it
  // is asked for ahead: its head some MCUs before it is needed, its values (found through the head,
  // by then loaded) half as far ahead.
  constexpr std::size_t kAhead = 6;
  auto head = [&](std::size_t m) -> const McuHead& { return d.Store(m).head[d.Record(m)]; };
  for (std::size_t n = from; n < to; ++n) {
    if (n + 2 * kAhead < to) __builtin_prefetch(&head(source(n + 2 * kAhead)));
    if (n + kAhead < to) {
      const std::size_t ahead = source(n + kAhead);
      const char* v = reinterpret_cast<const char*>(d.Store(ahead).Values(d.Record(ahead)));
      for (int line = 0; line < 4; ++line) __builtin_prefetch(v + 64 * line);
    }
    writer.Reserve(kMcuReserve);
    const std::size_t m = source(n);
    const McuStore& store = d.Store(m);
    const std::size_t r = d.Record(m);
    const McuHead& mcu = store.head[r];
    const std::int16_t* values = store.Values(r);
    // Where each block's values begin, in the order the blocks were read.
    const std::int16_t* blockValues[kBlocksPerMcu];
    for (int b = 0; b < kBlocksPerMcu; ++b) {
      blockValues[b] = values;
      values += __builtin_popcountll(mcu.nonzero[b]) - 1;
    }
    const bool second = d.InSecond(m);
    for (int slot = 0; slot < kBlocksPerMcu; ++slot) {
      const int b = t.map.readAt[slot];
      const int c = b < 4 ? 0 : b - 3;
      const int dc = mcu.dc[b] + (second ? d.dcDelta[c] : 0);
      if (!writer.EncodePackedBlock(dc, blockValues[b], mcu.nonzero[b], *t.edc[c], *t.eac[c], prediction[c]))
        return false;
    }
  }
  std::copy(prediction, prediction + 3, predictionInOut);
  return true;
}

bool TurnCoefficients(const UnstuffedScan& scan, const FrameHeader& h, std::uint8_t code,
                      unsigned threads, std::vector<std::uint8_t>& out) {
  const std::size_t unitsWide = static_cast<std::size_t>(h.width / 16);
  const std::size_t unitsHigh = static_cast<std::size_t>(h.height / 16);
  const std::size_t outUnitsWide = code == 2 ? unitsWide : unitsHigh;
  const std::size_t mcus = unitsWide * unitsHigh;
  const ScanTables t(h, code);
  // The source MCU of destination MCU n.
  auto source = [&](std::size_t n) {
    const std::size_t row = n / outUnitsWide, col = n % outUnitsWide;
    std::size_t i, j;
    if (code == 1) i = col, j = unitsWide - 1 - row;
    else if (code == 2) i = unitsHigh - 1 - row, j = unitsWide - 1 - col;
    else i = unitsHigh - 1 - col, j = row;
    return i * unitsWide + j;
  };

  const bool parallel = threads > 1 && mcus >= kParallelMinMcus;
  McuStore first(mcus, scan.end * 8);
  std::optional<McuStore> second;
  Decoded decoded;
  if (parallel) {
    second.emplace(mcus, scan.end * 8);
    if (!DecodeInTwo(scan, h, t, mcus, first, *second, decoded)) return false;
  } else {
    decoded.first = &first;
    decoded.joined = mcus;
    ScanCursor cursor(scan, h.restartInterval);
    if (!DecodeRange(cursor, t, 0, mcus, first)) return false;
  }

  BitWriter writer(out);
  int prediction[3] = {0, 0, 0};
  if (!parallel) {
    if (!EncodeRange(decoded, t, source, 0, mcus, prediction, writer)) return false;
    writer.Finish();
    return true;
  }
  std::size_t totalBits = 0;
  for (std::size_t m = 0; m < mcus; ++m) totalBits += decoded.Bits(m);
  std::size_t split = 0;
  for (std::size_t bits = 0; split < mcus && bits < totalBits / 2; ++split) bits += decoded.Bits(source(split));
  int secondPrediction[3] = {0, 0, 0};
  if (split > 0) {
    for (int c = 0; c < 3; ++c) secondPrediction[c] = decoded.Dc(source(split - 1), c == 0 ? t.map.readAt[3] : 3 + c);
  }
  std::vector<std::uint8_t> bare;
  std::size_t bareBits = 0;
  bool secondOk = false;
  auto work = [&] {
    try {
      // The writer and its buffer on this thread's stack, away from the first writer's lines.
      std::vector<std::uint8_t> own;
      own.reserve(scan.end / 2 + scan.end / 16 + kMcuReserve);
      BitWriter bareWriter(own, false);
      secondOk = EncodeRange(decoded, t, source, split, mcus, secondPrediction, bareWriter);
      bareBits = bareWriter.FinishBare();
      bare = std::move(own);
    } catch (const std::bad_alloc&) {
      secondOk = false;
    }
  };
  HelperThread helper(work);
  const bool firstOk = EncodeRange(decoded, t, source, 0, split, prediction, writer);
  helper.Join();
  if (!firstOk || !secondOk) return false;
  writer.Append(bare.data(), bareBits);
  writer.Finish();
  return true;
}

// One plane of samples with its real (unpadded) size.
struct Plane {
  int stride = 0, rows = 0;    // padded to whole MCUs
  int width = 0, height = 0;   // real area
  // Chrominance of an odd luminance side: its last sample covers one luminance column (row)
  // instead of two, so a mirror along that side moves the chrominance grid by half a sample.
  bool halfShiftX = false, halfShiftY = false;
  std::vector<std::uint8_t> samples;
};

// Gathers the 8 x 8 block at (x0, y0) of the turned plane from the source plane. Positions past
// the turned real area repeat its last column or row. Used at the edges; TransformTurned reads
// the inside blocks straight from the plane.
void GatherTurned(const Plane& src, std::uint8_t code, int outWidth, int outHeight, int x0, int y0,
                  std::uint8_t* block) {
  const std::uint8_t* s = src.samples.data();
  const std::size_t stride = static_cast<std::size_t>(src.stride);
  // Source axes that run backwards in the turned plane; on such an axis a half-sample shift puts
  // each new sample between two old ones.
  const bool xReversed = code == 1 || code == 2, yReversed = code == 2 || code == 3;
  const int dx = xReversed && src.halfShiftX ? 1 : 0;
  const int dy = yReversed && src.halfShiftY ? 1 : 0;
  for (int r = 0; r < 8; ++r) {
    int yo = std::min(y0 + r, outHeight - 1);
    for (int c = 0; c < 8; ++c) {
      int xo = std::min(x0 + c, outWidth - 1);
      int x, y;
      if (code == 1) x = src.width - 1 - yo, y = xo;
      else if (code == 2) x = src.width - 1 - xo, y = src.height - 1 - yo;
      else x = yo, y = src.height - 1 - xo;
      if (dx == 0 && dy == 0) {
        block[r * 8 + c] = s[static_cast<std::size_t>(y) * stride + x];
        continue;
      }
      int x2 = std::max(x - dx, 0), y2 = std::max(y - dy, 0);
      int sum = s[y * stride + x] + s[y * stride + x2] + s[y2 * stride + x] + s[y2 * stride + x2];
      block[r * 8 + c] = static_cast<std::uint8_t>((sum + 2) >> 2);
    }
  }
}

// A plane whose reversed sides are whole blocks keeps its block grid through the turn, so its
// blocks move in the DCT domain like those of the lossless path; only the other planes go through
// pixels. Camera sizes such as 4000 x 3000 have partial MCUs but whole luminance blocks.
bool PlaneTurnsByBlocks(const Plane& p, std::uint8_t code) {
  bool xReversed = code == 1 || code == 2, yReversed = code == 2 || code == 3;
  return (!xReversed || (p.width % 8 == 0 && !p.halfShiftX)) &&
         (!yReversed || (p.height % 8 == 0 && !p.halfShiftY));
}

// Forward DCT of the block at (x0, y0) of the turned plane. Inside the real area every row or
// column of the turned block is eight neighbouring source samples, read with one load.
std::uint64_t TransformTurned(const Plane& src, std::uint8_t code, int outWidth, int outHeight,
                              int x0, int y0, const DctTables& t, std::int16_t* zz) {
  const bool xReversed = code == 1 || code == 2, yReversed = code == 2 || code == 3;
  const bool shifted = (xReversed && src.halfShiftX) || (yReversed && src.halfShiftY);
  if (shifted || x0 + 7 >= outWidth || y0 + 7 >= outHeight) {
    std::uint8_t samples[64];
    GatherTurned(src, code, outWidth, outHeight, x0, y0, samples);
    return ForwardDct(samples, 8, t, zz);
  }
  const std::uint8_t* s = src.samples.data();
  const std::ptrdiff_t st = src.stride;
  if (code == 1) return ForwardDctLines(s + x0 * st + (src.width - 1 - y0), st, true, true, t, zz);
  if (code == 2) {
    return ForwardDctLines(s + (src.height - 1 - y0) * st + (src.width - 1 - x0), -st, true, false, t, zz);
  }
  return ForwardDctLines(s + (src.height - 1 - x0) * st + y0, -st, false, true, t, zz);
}

bool TurnPixels(const UnstuffedScan& scan, const FrameHeader& h, std::uint8_t code,
                std::vector<std::uint8_t>& out) {
  const int unitsWide = (h.width + 15) / 16, unitsHigh = (h.height + 15) / 16;
  const bool quarter = code != 2;
  const int outWidth = quarter ? h.height : h.width;
  const int outHeight = quarter ? h.width : h.height;
  Plane planes[3];
  bool byBlocks[3];
  // Planes turned by blocks hold their blocks already turned, at their place in the new plane
  // (zigzag order, in the order of the new MCUs), so the encoder reads them in order.
  ZeroedArray<std::int16_t> coef[3];
  ZeroedArray<std::uint64_t> nonzero[3];
  int outBlocksWide[3], outBlocksHigh[3];
  const int outUnitsWide = (outWidth + 15) / 16, outUnitsHigh = (outHeight + 15) / 16;
  for (int c = 0; c < 3; ++c) {
    Plane& p = planes[c];
    p.stride = unitsWide * (c ? 8 : 16);
    p.rows = unitsHigh * (c ? 8 : 16);
    p.width = c ? (h.width + 1) / 2 : h.width;
    p.height = c ? (h.height + 1) / 2 : h.height;
    p.halfShiftX = c && (h.width & 1);
    p.halfShiftY = c && (h.height & 1);
    byBlocks[c] = PlaneTurnsByBlocks(p, code);
    outBlocksWide[c] = outUnitsWide * (c ? 1 : 2);
    outBlocksHigh[c] = outUnitsHigh * (c ? 1 : 2);
    std::size_t outBlocks = static_cast<std::size_t>(outBlocksWide[c]) * outBlocksHigh[c];
    if (byBlocks[c]) {
      coef[c] = ZeroedArray<std::int16_t>(outBlocks * 64);
      nonzero[c] = ZeroedArray<std::uint64_t>(outBlocks);
    } else {
      p.samples.resize(static_cast<std::size_t>(p.stride) * p.rows);
    }
  }
  DctTables inTables[3];
  DctTables outTables[3];
  for (int c = 0; c < 3; ++c) {
    const std::uint16_t* q = h.quant[h.quantId[c]];
    inTables[c].Prepare(q);
    std::uint16_t turned[64];
    for (int n = 0; n < 64; ++n) turned[n] = quarter ? q[(n % 8) * 8 + n / 8] : q[n];
    outTables[c].Prepare(turned);
  }

  const DecodeTable* dc[3];
  const DecodeTable* ac[3];
  for (int c = 0; c < 3; ++c) {
    dc[c] = &DecodeTableFor(0, h.dcId[c]);
    ac[c] = &DecodeTableFor(1, h.acId[c]);
  }
  auto blockIndex = [&](int c, int obx, int oby) {
    if (c) return static_cast<std::size_t>(oby) * outUnitsWide + obx;
    std::size_t unit = static_cast<std::size_t>(oby / 2) * outUnitsWide + obx / 2;
    return unit * 4 + (oby & 1) * 2 + (obx & 1);
  };
  const TurnMap map(code);
  int rowBlocks[3];
  std::vector<std::int16_t> rowCoef[3];  // one row of MCUs of each pixel plane, natural order
  for (int c = 0; c < 3; ++c) {
    rowBlocks[c] = unitsWide * (c ? 1 : 2);
    if (!byBlocks[c]) rowCoef[c].assign(static_cast<std::size_t>(rowBlocks[c]) * (c ? 1 : 2) * 64, 0);
  }
  ScanCursor cursor(scan, h.restartInterval);
  BitReader& reader = cursor.reader();
  int prediction[3] = {0, 0, 0};
  std::int16_t block[64] = {};
  std::size_t m = 0;
  for (int i = 0; i < unitsHigh; ++i) {
    for (int j = 0; j < unitsWide; ++j, ++m) {
      if (!cursor.Begin(m, prediction)) return false;
      for (int b = 0; b < kBlocksPerMcu; ++b) {
        int c = b < 4 ? 0 : b - 3;
        int bx = c ? j : 2 * j + (b & 1);
        int by = c ? i : 2 * i + (b >> 1);
        if (byBlocks[c]) {
          const int lastX = planes[c].width / 8 - 1, lastY = planes[c].height / 8 - 1;
          int obx = bx, oby = by;
          if (code == 1) obx = by, oby = lastX - bx;
          else if (code == 2) obx = lastX - bx, oby = lastY - by;
          else obx = lastY - by, oby = bx;
          // Padding blocks of the old MCUs may fall outside the new plane: decoded and dropped.
          bool keep = obx >= 0 && oby >= 0 && obx < outBlocksWide[c] && oby < outBlocksHigh[c];
          std::size_t at = keep ? blockIndex(c, obx, oby) : 0;
          std::int16_t* dst = keep ? &coef[c][at * 64] : block;
          std::uint64_t mask = 0;
          bool ok = reader.DecodeBlock(*dc[c], *ac[c], prediction[c], [&](int k, int v) {
            int z = map.zigzag[k];
            dst[z] = static_cast<std::int16_t>(v * map.sign[k]);
            mask |= std::uint64_t{1} << z;
          });
          if (!ok) return false;
          if (keep) nonzero[c][at] = mask;
          else std::memset(block, 0, sizeof block);
          continue;
        }
        // Pixel planes collect a row of MCUs before the inverse transforms, which then read
        // coefficients long stored rather than stalling on stores still in flight.
        std::int16_t* dst = &rowCoef[c][(static_cast<std::size_t>(by - i * (c ? 1 : 2)) * rowBlocks[c] + bx) * 64];
        bool ok = reader.DecodeBlock(*dc[c], *ac[c], prediction[c],
                                     [&](int k, int v) { dst[kZigzagToNatural[k]] = static_cast<std::int16_t>(v); });
        if (!ok) return false;
      }
      if (!cursor.End()) return false;
    }
    for (int c = 0; c < 3; ++c) {
      if (byBlocks[c]) continue;
      Plane& p = planes[c];
      const int rows = c ? 1 : 2;
      for (int r = 0; r < rows; ++r) {
        for (int bx = 0; bx < rowBlocks[c]; ++bx) {
          std::size_t y = static_cast<std::size_t>(i * rows + r) * 8;
          InverseDct(&rowCoef[c][(static_cast<std::size_t>(r) * rowBlocks[c] + bx) * 64], inTables[c],
                     &p.samples[y * p.stride + bx * 8], p.stride);
        }
      }
      std::fill(rowCoef[c].begin(), rowCoef[c].end(), 0);
    }
  }

  const EncodeTable* edc[3];
  const EncodeTable* eac[3];
  int outPlaneWidth[3], outPlaneHeight[3];
  for (int c = 0; c < 3; ++c) {
    edc[c] = &EncodeTableFor(0, h.dcId[c]);
    eac[c] = &EncodeTableFor(1, h.acId[c]);
    outPlaneWidth[c] = c ? (outWidth + 1) / 2 : outWidth;
    outPlaneHeight[c] = c ? (outHeight + 1) / 2 : outHeight;
  }
  BitWriter writer(out);
  int pred[3] = {0, 0, 0};
  std::int16_t zz[64];
  for (int i = 0; i < outUnitsHigh; ++i) {
    for (int j = 0; j < outUnitsWide; ++j) {
      writer.Reserve(kMcuReserve);
      for (int b = 0; b < kBlocksPerMcu; ++b) {
        int c = b < 4 ? 0 : b - 3;
        int obx = c ? j : 2 * j + (b & 1);
        int oby = c ? i : 2 * i + (b >> 1);
        if (byBlocks[c]) {
          // Blocks in the padding of the new MCUs repeat the last real block.
          obx = std::min(obx, (outPlaneWidth[c] + 7) / 8 - 1);
          oby = std::min(oby, (outPlaneHeight[c] + 7) / 8 - 1);
          std::size_t at = blockIndex(c, obx, oby);
          if (!writer.EncodeBlock(&coef[c][at * 64], nonzero[c][at], *edc[c], *eac[c], pred[c])) return false;
          continue;
        }
        std::uint64_t mask = TransformTurned(planes[c], code, outPlaneWidth[c], outPlaneHeight[c],
                                             obx * 8, oby * 8, outTables[c], zz);
        if (!writer.EncodeBlock(zz, mask, *edc[c], *eac[c], pred[c])) return false;
      }
    }
  }
  writer.Finish();
  return true;
}

}  // namespace

HeaderResult ReadFrameHeader(std::span<const std::uint8_t> d, FrameHeader& h) {
  h = FrameHeader{};
  if (d.size() < 2) return HeaderResult::kNeedMore;
  if (d[0] != 0xFF || d[1] != 0xD8) return HeaderResult::kRefused;
  FrameComponent comps[3] = {};
  bool haveFrame = false;
  bool huffman[2][2] = {};
  std::size_t pos = 2;
  for (;;) {
    if (d.size() - pos < 2) return HeaderResult::kNeedMore;
    // Bytes between segments are stepped over one at a time, fill bytes included.
    if (d[pos] != 0xFF || d[pos + 1] == 0xFF) {
      ++pos;
      continue;
    }
    std::uint8_t m = d[pos + 1];
    if (m == 0x01 || (m >= 0xD0 && m <= 0xD7)) {
      pos += 2;
      continue;
    }
    if (m == 0xD8 || m == 0xD9) return HeaderResult::kRefused;
    if (d.size() - pos < 4) return HeaderResult::kNeedMore;
    std::size_t len = Be16(&d[pos + 2]);
    if (len < 2) return HeaderResult::kRefused;
    if (d.size() - pos - 2 < len) return HeaderResult::kNeedMore;
    const std::uint8_t* body = &d[pos + 4];
    std::size_t bodyLen = len - 2;
    switch (m) {
      case 0xC0:
        if (haveFrame || !ReadFrameSegment(body, bodyLen, h, comps)) return HeaderResult::kRefused;
        haveFrame = true;
        break;
      case 0xC4:
        if (!CheckHuffmanSegment(body, bodyLen, huffman)) return HeaderResult::kRefused;
        break;
      case 0xDB:
        if (!ReadQuantSegment(body, bodyLen, h)) return HeaderResult::kRefused;
        break;
      case 0xDD:
        if (bodyLen != 2) return HeaderResult::kRefused;
        h.restartInterval = Be16(body);
        break;
      case 0xDA: {
        if (!haveFrame || !ReadScanSegment(body, bodyLen, h, comps, huffman)) {
          return HeaderResult::kRefused;
        }
        if (h.width == 0 || h.height == 0 ||
            static_cast<std::uint64_t>(h.width) * static_cast<std::uint64_t>(h.height) > kMaxPixels) {
          return HeaderResult::kRefused;
        }
        h.length = pos + 2 + len;
        return HeaderResult::kOk;
      }
      default:
        // Any other start of frame (progressive, lossless, arithmetic coding) cannot be turned.
        if (m >= 0xC1 && m <= 0xCF) return HeaderResult::kRefused;
        break;  // APPn, COM and the rest are skipped by their length
    }
    pos += 2 + len;
  }
}

bool TurnJpeg(std::span<const std::uint8_t> in, std::uint8_t code, std::vector<std::uint8_t>& out,
              unsigned threads) {
  if (threads == 0) threads = std::min(2u, std::max(1u, std::thread::hardware_concurrency()));
  if (code < 1 || code > 3) return false;
  if (in.size() < 4 || in[in.size() - 2] != 0xFF || in[in.size() - 1] != 0xD9) return false;
  FrameHeader h;
  if (ReadFrameHeader(in, h) != HeaderResult::kOk) return false;

  UnstuffedScan scan;
  UnstuffScan(in.subspan(h.length), scan);
  const std::size_t mcus = static_cast<std::size_t>((h.width + 15) / 16) *
                           static_cast<std::size_t>((h.height + 15) / 16);
  // Refuse before allocating for a frame the data cannot hold.
  if (scan.end / kMinMcuBytes < mcus) return false;

  BuildOutputHeader(in, h, code != 2, out);
  // The tags patched are those a reader of the file's head finds; a header of many large segments
  // is not searched to its end for more.
  MarkUpright(std::span(out).first(std::min(out.size(), kMetadataReadLimit)), code);
  out.reserve(out.size() + in.size() + in.size() / 8);
  bool whole = h.width % 16 == 0 && h.height % 16 == 0;
  if (!(whole ? TurnCoefficients(scan, h, code, threads, out) : TurnPixels(scan, h, code, out)))
    return false;
  out.push_back(0xFF);
  out.push_back(0xD9);
  return true;
}

}  // namespace orrivan::jpeg
