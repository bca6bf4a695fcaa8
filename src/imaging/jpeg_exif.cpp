// Exif and maker-segment metadata of camera JPEG files. Offsets inside the TIFF structure count
// from the first byte of its header; every value read is checked against the bytes at hand first,
// since a corrupt card yields files with any bytes at all.
#include "imaging/jpeg_exif.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "imaging/jpeg_file.h"

namespace orrivan::jpeg {
namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);
constexpr std::uint16_t kTagModel = 0x0110;
constexpr std::uint16_t kTagOrientation = 0x0112;
constexpr std::uint16_t kTagExifDirectory = 0x8769;
constexpr std::uint16_t kTagExifVersion = 0x9000;
constexpr std::uint16_t kTagDateTimeOriginal = 0x9003;
constexpr std::uint16_t kTagPixelWidth = 0xA002;
constexpr std::uint16_t kTagPixelHeight = 0xA003;
constexpr std::uint16_t kMakerTagDate = 1;
constexpr std::uint16_t kMakerTagRotation = 16;
constexpr std::uint8_t kMakerDateRecord = 3;
// Exif sub-directories can point at each other; real files need one hop.
constexpr int kMaxDirectoryHops = 8;
constexpr std::size_t kDateTextLength = 19;  // YYYY:MM:DD HH:MM:SS

std::uint8_t RotationFromOrientation(unsigned orientation) {
  switch (orientation & 15) {
    case 1: return 0;
    case 8: return 1;
    case 3: return 2;
    case 6: return 3;
    default: return 255;
  }
}

// A TIFF structure inside `data` starting at `base`.
class Tiff {
 public:
  Tiff(std::span<const std::uint8_t> data, std::size_t base, bool bigEndian)
      : data_(data), base_(base), big_(bigEndian) {}

  // Absolute position of `offset` with `length` bytes available, or kNone.
  std::size_t At(std::uint64_t offset, std::size_t length) const {
    std::uint64_t start = static_cast<std::uint64_t>(base_) + offset;
    if (start > data_.size() || data_.size() - start < length) return kNone;
    return static_cast<std::size_t>(start);
  }
  bool U16(std::uint64_t offset, std::uint16_t& v) const {
    std::size_t p = At(offset, 2);
    if (p == kNone) return false;
    v = big_ ? static_cast<std::uint16_t>(data_[p] << 8 | data_[p + 1])
             : static_cast<std::uint16_t>(data_[p + 1] << 8 | data_[p]);
    return true;
  }
  bool U32(std::uint64_t offset, std::uint32_t& v) const {
    std::size_t p = At(offset, 4);
    if (p == kNone) return false;
    const std::uint8_t* b = data_.data() + p;
    v = big_ ? (std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3])
             : (std::uint32_t{b[3]} << 24 | std::uint32_t{b[2]} << 16 | std::uint32_t{b[1]} << 8 | b[0]);
    return true;
  }
  bool big() const { return big_; }

 private:
  std::span<const std::uint8_t> data_;
  std::size_t base_;
  bool big_;
};

// "MM" 0x00 0x2A or "II" 0x2A 0x00 at `p`.
std::optional<bool> TiffByteOrderAt(std::span<const std::uint8_t> d, std::size_t p) {
  if (p > d.size() || d.size() - p < 8) return std::nullopt;
  if (d[p] == 'M' && d[p + 1] == 'M' && d[p + 2] == 0x00 && d[p + 3] == 0x2A) return true;
  if (d[p] == 'I' && d[p + 1] == 'I' && d[p + 2] == 0x2A && d[p + 3] == 0x00) return false;
  return std::nullopt;
}

bool IsMakerSegmentAt(std::span<const std::uint8_t> d, std::size_t p) {
  return d.size() - p >= 16 && d[p] == 0xFF && d[p + 1] == 0xE1 &&
         std::memcmp(d.data() + p + 4, "RKCI", 5) == 0;
}

bool HasExifSignature(std::span<const std::uint8_t> d, std::size_t segment) {
  return d.size() - segment >= 10 && std::memcmp(d.data() + segment + 4, "Exif\0\0", 6) == 0;
}

// Keeps the digits of YYYY:MM:DD HH:MM:SS and checks each field's range. The ranges are compared
// as text, as the camera firmware does; digits are required as well, since ':' sorts above '9'
// and would otherwise pass as part of a year or a month.
bool CompactDate(const std::uint8_t* text, std::string& out) {
  static constexpr int kPick[14] = {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18};
  char digits[15];
  for (int i = 0; i < 14; ++i) {
    char c = static_cast<char>(text[kPick[i]]);
    if (c < '0' || c > '9') return false;
    digits[i] = c;
  }
  digits[14] = 0;
  std::string_view d(digits, 14);
  auto in = [&](std::size_t at, std::size_t n, std::string_view lo, std::string_view hi) {
    std::string_view f = d.substr(at, n);
    return f >= lo && f <= hi;
  };
  if (!in(0, 4, "1980", "9999") || !in(4, 2, "01", "12") || !in(6, 2, "01", "31") ||
      !in(8, 2, "00", "23") || !in(10, 2, "00", "59") || !in(12, 2, "00", "59")) {
    return false;
  }
  out.assign(digits, 14);
  return true;
}

bool DateFromTiff(std::span<const std::uint8_t> d, std::size_t base, bool big, std::string& out) {
  Tiff tiff(d, base, big);
  std::uint32_t dir;
  std::uint16_t count;
  if (!tiff.U32(4, dir) || !tiff.U16(dir, count)) return false;
  std::uint64_t entry = std::uint64_t{dir} + 2;
  int hops = 0;
  for (unsigned i = 0;; ++i, entry += 12) {
    if (i >= count || tiff.At(entry, 12) == kNone) return false;
    std::uint16_t tag = 0;
    std::uint32_t value = 0;
    tiff.U16(entry, tag);
    tiff.U32(entry + 8, value);
    if (tag == kTagExifDirectory) {
      std::uint16_t subCount;
      if (hops < kMaxDirectoryHops && tiff.U16(value, subCount)) {
        ++hops;
        count = subCount;
        entry = std::uint64_t{value} + 2 - 12;  // the loop step adds the 12 back
        i = static_cast<unsigned>(-1);
      }
    } else if (tag == kTagDateTimeOriginal) {
      std::size_t text = tiff.At(value, kDateTextLength);
      return text != kNone && CompactDate(d.data() + text, out);
    }
  }
}

// Position and length of the data of maker entry `wanted`, bounded by the segment.
bool MakerEntryData(std::span<const std::uint8_t> d, std::size_t p, std::uint16_t wanted,
                    std::size_t& data, std::size_t& length) {
  std::size_t segmentEnd = std::min(d.size(), p + 2 + (std::size_t{d[p + 2]} << 8 | d[p + 3]));
  std::size_t count = std::size_t{d[p + 14]} << 8 | d[p + 15];
  std::size_t at = p + 16 + 16 * count;
  for (std::size_t i = 0; i < count; ++i) {
    std::size_t entry = p + 16 + 16 * i;
    if (entry + 4 > segmentEnd) return false;
    std::uint16_t tag = static_cast<std::uint16_t>(d[entry] << 8 | d[entry + 1]);
    std::size_t len = std::size_t{d[entry + 2]} << 8 | d[entry + 3];
    if (tag == wanted) {
      if (at > segmentEnd || segmentEnd - at < len) return false;
      data = at;
      length = len;
      return true;
    }
    at += len;
  }
  return false;
}

bool DateFromMaker(std::span<const std::uint8_t> d, std::size_t p, std::string& out) {
  std::size_t data, length;
  if (!MakerEntryData(d, p, kMakerTagDate, data, length)) return false;
  std::size_t end = data + length;
  for (std::size_t r = data; r < end;) {
    if (d[r] == kMakerDateRecord) {
      return end - (r + 1) >= kDateTextLength && CompactDate(d.data() + r + 1, out);
    }
    const void* nul = std::memchr(d.data() + r + 1, 0, end - (r + 1));
    if (!nul) return false;
    r = static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - d.data()) + 1;
  }
  return false;
}

// The Exif APP1 segment found by walking the APPn segments from the start of image. Cameras put
// it first; other writers put a JFIF APP0 before it, which must not hide the orientation.
std::size_t ExifSegmentByWalk(std::span<const std::uint8_t> d) {
  if (d.size() < 4 || d[0] != 0xFF || d[1] != 0xD8) return kNone;
  std::size_t pos = 2;
  for (int segments = 0; segments < 64 && d.size() - pos >= 4; ++segments) {
    if (d[pos] != 0xFF || d[pos + 1] < 0xE0 || d[pos + 1] > 0xEF) return kNone;
    if (d[pos + 1] == 0xE1 && HasExifSignature(d, pos)) return pos;
    std::size_t len = std::size_t{d[pos + 2]} << 8 | d[pos + 3];
    if (len < 2 || d.size() - pos - 2 < len) return kNone;
    pos += 2 + len;
  }
  return kNone;
}

struct Located {
  enum Kind { kNothing, kExif, kMaker } kind = kNothing;
  std::size_t at = 0;  // Exif: TIFF header; maker: the segment's marker
  bool big = false;
};

// The first Exif segment (SOI directly before it, or reached by walking the APPn segments) or
// maker segment, scanning from the start as the camera's own reader does.
Located LocateOrientationSource(std::span<const std::uint8_t> d) {
  std::size_t walked = ExifSegmentByWalk(d);
  for (std::size_t p = 0; p + 15 < d.size(); ++p) {
    std::size_t segment = kNone;
    if (d[p] == 0xFF && d[p + 1] == 0xD8 && d[p + 2] == 0xFF && d[p + 3] == 0xE1) segment = p + 2;
    else if (walked != kNone && p + 2 == walked) segment = walked;
    if (segment != kNone && HasExifSignature(d, segment)) {
      if (auto big = TiffByteOrderAt(d, segment + 10)) return {Located::kExif, segment + 10, *big};
    }
    if (IsMakerSegmentAt(d, p)) return {Located::kMaker, p, false};
  }
  return {};
}

bool TextEqualsModel(std::span<const std::uint8_t> d, std::size_t at, std::size_t count) {
  constexpr std::size_t kLen = sizeof(kSpecialModel) - 1;
  std::size_t n = 0;
  while (n < count && d[at + n] != 0) ++n;
  if (n != kLen) return false;
  for (std::size_t i = 0; i < kLen; ++i) {
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    if (lower(d[at + i]) != lower(static_cast<unsigned char>(kSpecialModel[i]))) return false;
  }
  return true;
}

int ExifVersionCode(const Tiff& tiff, std::span<const std::uint8_t> d, std::uint32_t dir,
                    bool specialModel) {
  std::uint16_t count;
  if (!tiff.U16(dir, count)) return 0;
  for (unsigned i = 0; i < count; ++i) {
    std::uint64_t entry = std::uint64_t{dir} + 2 + 12ull * i;
    std::size_t p = tiff.At(entry, 12);
    if (p == kNone) return 0;
    std::uint16_t tag = 0;
    tiff.U16(entry, tag);
    if (tag == kTagExifVersion) {
      if (std::memcmp(d.data() + p + 8, "0210", 4) == 0) return 210;
      return specialModel ? 210 : 220;
    }
  }
  return 0;
}

OrientationTags OrientationFromExif(std::span<const std::uint8_t> d, std::size_t base, bool big) {
  OrientationTags result;
  Tiff tiff(d, base, big);
  std::uint32_t dir;
  std::uint16_t count;
  if (!tiff.U32(4, dir) || !tiff.U16(dir, count)) return result;
  bool specialModel = false;
  for (unsigned i = 0; i < count; ++i) {
    std::uint64_t entry = std::uint64_t{dir} + 2 + 12ull * i;
    if (tiff.At(entry, 12) == kNone) break;
    std::uint16_t tag = 0, value16 = 0;
    std::uint32_t n = 0, value32 = 0;
    tiff.U16(entry, tag);
    tiff.U32(entry + 4, n);
    tiff.U16(entry + 8, value16);
    tiff.U32(entry + 8, value32);
    if (tag == kTagModel) {
      std::size_t text = n <= 4 ? tiff.At(entry + 8, n) : tiff.At(value32, n);
      specialModel = text != kNone && TextEqualsModel(d, text, n);
    } else if (tag == kTagOrientation) {
      result.code = RotationFromOrientation(value16);
    } else if (tag == kTagExifDirectory) {
      result.version = ExifVersionCode(tiff, d, value32, specialModel);
    }
  }
  return result;
}

// Calls `f(absolutePosition)` for each entry of directory `dir` that lies inside the data.
template <class F>
void ForEachEntry(const Tiff& tiff, std::uint32_t dir, F&& f) {
  std::uint16_t count;
  if (!tiff.U16(dir, count)) return;
  for (unsigned i = 0; i < count; ++i) {
    std::uint64_t entry = std::uint64_t{dir} + 2 + 12ull * i;
    std::size_t p = tiff.At(entry, 12);
    if (p == kNone) return;
    std::uint16_t tag = 0;
    tiff.U16(entry, tag);
    f(tag, p, entry);
  }
}

void PatchExif(std::span<std::uint8_t> d, std::size_t base, bool big, std::uint8_t code) {
  Tiff tiff(d, base, big);
  std::uint32_t dir;
  if (!tiff.U32(4, dir)) return;
  std::uint32_t exifDir = 0;
  bool hasExifDir = false;
  ForEachEntry(tiff, dir, [&](std::uint16_t tag, std::size_t p, std::uint64_t entry) {
    if (tag == kTagOrientation) {
      d[p + 8] = big ? 0 : 1;
      d[p + 9] = big ? 1 : 0;
    } else if (tag == kTagExifDirectory && !hasExifDir) {
      hasExifDir = tiff.U32(entry + 8, exifDir);
    }
  });
  if (!hasExifDir || (code != 1 && code != 3)) return;
  std::size_t width = kNone, height = kNone;
  ForEachEntry(tiff, exifDir, [&](std::uint16_t tag, std::size_t p, std::uint64_t) {
    if (tag == kTagPixelWidth && width == kNone) width = p;
    if (tag == kTagPixelHeight && height == kNone) height = p;
  });
  // Type, count and value move together, since one may be SHORT and the other LONG.
  if (width != kNone && height != kNone) {
    std::swap_ranges(d.begin() + static_cast<std::ptrdiff_t>(width + 2),
                     d.begin() + static_cast<std::ptrdiff_t>(width + 12),
                     d.begin() + static_cast<std::ptrdiff_t>(height + 2));
  }
}

}  // namespace

bool FindShootingDate(std::span<const std::uint8_t> head, std::string& out) {
  for (std::size_t p = 0; p + 8 < head.size(); ++p) {
    if (auto big = TiffByteOrderAt(head, p)) return DateFromTiff(head, p, *big, out);
    if (IsMakerSegmentAt(head, p)) return DateFromMaker(head, p, out);
  }
  return false;
}

OrientationTags FindOrientation(std::span<const std::uint8_t> head) {
  Located found = LocateOrientationSource(head);
  if (found.kind == Located::kExif) return OrientationFromExif(head, found.at, found.big);
  OrientationTags result;
  if (found.kind == Located::kMaker) {
    std::size_t data, length;
    if (MakerEntryData(head, found.at, kMakerTagRotation, data, length) && length >= 2) {
      unsigned code = head[data + 1] >> 4;
      result.code = code <= 3 ? static_cast<std::uint8_t>(code) : 255;
    }
  }
  return result;
}

void MarkUpright(std::span<std::uint8_t> header, std::uint8_t code) {
  std::span<const std::uint8_t> view(header.data(), header.size());
  for (std::size_t p = 0; p + 15 < header.size(); ++p) {
    if (IsMakerSegmentAt(view, p)) {
      std::size_t data, length;
      if (MakerEntryData(view, p, kMakerTagRotation, data, length) && length >= 2) {
        header[data + 1] &= 0x0F;
      }
      break;
    }
  }
  Located found = LocateOrientationSource(view);
  if (found.kind == Located::kExif) PatchExif(header, found.at, found.big, code);
}

}  // namespace orrivan::jpeg
