// Damaged and hostile files: every reader stays inside its bytes, ends, and fails with its
// failure value; a turn fails without touching the file.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "imaging/jpeg_file.h"
#include "support/jpeg_writer.h"
#include "support/temp_dir.h"

namespace orrivan {
namespace {

using test::ExifSpec;
using test::JpegSpec;
using test::MakerSpec;

std::span<const std::uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

std::string Be16(unsigned v) { return {static_cast<char>(v >> 8), static_cast<char>(v & 0xFF)}; }
std::string Be32(std::uint32_t v) { return Be16(v >> 16) + Be16(v & 0xFFFF); }

// An Exif segment from a hand-made big-endian TIFF body (header included).
std::string ExifFile(const std::string& tiff) {
  std::string body = std::string("Exif\0\0", 6) + tiff;
  return "\xFF\xD8\xFF\xE1" + Be16(static_cast<unsigned>(body.size() + 2)) + body + "\xFF\xD9";
}

std::string Entry(unsigned tag, unsigned type, std::uint32_t count, std::uint32_t value) {
  return Be16(tag) + Be16(type) + Be32(count) + Be32(value);
}

const std::string kTiffHeader("MM\0\x2A\0\0\0\x08", 8);
const std::string kDate = std::string("2007:02:06 02:03:49") + '\0';

struct MetadataCase {
  const char* name;
  std::string file;
};

std::vector<MetadataCase> HostileMetadata() {
  std::vector<MetadataCase> cases;
  // A sound file to start from: IFD0 at 8 points to an Exif IFD at 26 holding the date at 44.
  std::string sound = kTiffHeader + Be16(1) + Entry(0x8769, 4, 1, 26) + Be32(0) + Be16(1) +
                      Entry(0x9003, 2, 20, 44) + Be32(0) + kDate;
  cases.push_back({"sound", ExifFile(sound)});
  cases.push_back({"first directory past the end", ExifFile(kTiffHeader.substr(0, 4) + Be32(0xFFFFFFF0))});
  cases.push_back({"entry count 65535", ExifFile(kTiffHeader + Be16(65535) + Entry(0x0112, 3, 1, 0x00060000))});
  cases.push_back({"Exif directory past the end",
                   ExifFile(kTiffHeader + Be16(1) + Entry(0x8769, 4, 1, 0x7FFFFFFF) + Be32(0))});
  cases.push_back({"Exif directory points at itself",
                   ExifFile(kTiffHeader + Be16(1) + Entry(0x8769, 4, 1, 8) + Be32(0))});
  cases.push_back({"date offset past the end",
                   ExifFile(kTiffHeader + Be16(1) + Entry(0x8769, 4, 1, 26) + Be32(0) + Be16(1) +
                            Entry(0x9003, 2, 20, 0xFFFFFFFF) + Be32(0))});
  cases.push_back({"date cut short",
                   ExifFile(kTiffHeader + Be16(1) + Entry(0x8769, 4, 1, 26) + Be32(0) + Be16(1) +
                            Entry(0x9003, 2, 20, 44) + Be32(0) + "2007:02:06")});
  cases.push_back({"model past the end",
                   ExifFile(kTiffHeader + Be16(2) + Entry(0x0110, 2, 0xFFFFFFFF, 0xFFFFFF00) +
                            Entry(0x0112, 3, 1, 0x00060000) + Be32(0))});
  // 50,000 directories, each pointing at the next.
  std::string chain = kTiffHeader;
  for (std::uint32_t i = 0; i < 50000; ++i) chain += Be16(1) + Entry(0x8769, 4, 1, 8 + 18 * (i + 1)) + Be32(0);
  cases.push_back({"directory chain 50,000 deep", ExifFile(chain.substr(0, 60000))});
  cases.push_back({"directory chain past 64 KiB", "\xFF\xD8" + chain});
  // Maker segments.
  auto maker = [](unsigned count, const std::string& entries) {
    std::string body = std::string("RKCI\0", 5) + std::string(5, '\0') + Be16(count) + entries;
    return "\xFF\xD8\xFF\xE1" + Be16(static_cast<unsigned>(body.size() + 2)) + body + "\xFF\xD9";
  };
  cases.push_back({"maker count 65535", maker(65535, Be16(1) + Be16(30) + std::string(12, '\0'))});
  cases.push_back({"maker data past the segment",
                   maker(1, Be16(1) + Be16(60000) + std::string(12, '\0') + "\x03" "2007")});
  cases.push_back({"maker record without its NUL",
                   maker(1, Be16(1) + Be16(6) + std::string(12, '\0') + "\x01" "abcde")});
  cases.push_back({"maker rotation entry of one byte",
                   maker(1, Be16(16) + Be16(1) + std::string(12, '\0') + "\x30")});
  cases.push_back({"maker segment length 0", std::string("\xFF\xD8\xFF\xE1\x00\x00RKCI\0", 11) +
                                                 std::string(5, '\0') + Be16(3) + std::string(40, '\0')});
  return cases;
}

TEST(HostileMetadata, ReadersStayInsideTheirBytes) {
  for (const MetadataCase& c : HostileMetadata()) {
    SCOPED_TRACE(c.name);
    std::string out;
    int version = -1;
    bool dated = CJpegFile::ReadShootingDate(Bytes(c.file), out);
    std::uint8_t code = CJpegFile::ReadOrientation(Bytes(c.file), version);
    if (std::string(c.name) == "sound") {
      EXPECT_TRUE(dated);
      EXPECT_EQ(out, "20070206020349");
    } else {
      EXPECT_FALSE(dated);
    }
    EXPECT_EQ(code, 255);  // none of these files has a frame that could be turned
    // Every prefix too.
    for (std::size_t n = 0; n < std::min<std::size_t>(c.file.size(), 200); ++n) {
      std::string prefix = c.file.substr(0, n);
      CJpegFile::ReadShootingDate(Bytes(prefix), out);
      CJpegFile::ReadOrientation(Bytes(prefix), version);
      std::vector<std::uint8_t> turned;
      EXPECT_FALSE(CJpegFile::RotateBytes(Bytes(prefix), 3, 220, turned));
    }
  }
}

TEST(HostileMetadata, SelfPointingMakerDirectoryDoesNotHideExifOrientation) {
  // Orientation read from a sound Exif block still works when the same file has junk after it.
  JpegSpec params;
  params.exif = ExifSpec{};
  params.exif->orientation = 6;
  std::string file = test::MakeJpeg(params);
  file.insert(file.size() - 2, std::string(100, '\xFF'));
  int version = 0;
  EXPECT_EQ(CJpegFile::ReadOrientation(Bytes(file), version), 3);
}

// A camera file whose frame header is rebuilt by `edit` on the bytes from SOF0 to the scan.
std::string WithHeaderEdit(const std::function<void(std::string&)>& edit) {
  JpegSpec params;
  params.width = 32;
  params.height = 32;
  params.exif = ExifSpec{};
  params.exif->orientation = 6;
  std::string file = test::MakeJpeg(params);
  edit(file);
  return file;
}

void ReplaceAt(std::string& f, const std::string& marker, std::size_t offset, const std::string& bytes) {
  std::size_t at = f.find(marker);
  ASSERT_NE(at, std::string::npos);
  f.replace(at + offset, bytes.size(), bytes);
}

TEST(HostileFrames, TurnFailsAndReadersGive255) {
  struct Case {
    const char* name;
    std::function<void(std::string&)> edit;
  } cases[] = {
      {"frame 65535 x 65535", [](std::string& f) { ReplaceAt(f, "\xFF\xC0", 5, "\xFF\xFF\xFF\xFF"); }},
      {"frame 0 wide", [](std::string& f) { ReplaceAt(f, "\xFF\xC0", 7, std::string(2, '\0')); }},
      {"precision 12", [](std::string& f) { ReplaceAt(f, "\xFF\xC0", 4, "\x0C"); }},
      {"frame length short", [](std::string& f) { ReplaceAt(f, "\xFF\xC0", 2, std::string("\x00\x08", 2)); }},
      {"two components", [](std::string& f) { ReplaceAt(f, "\xFF\xC0", 9, "\x02"); }},
      {"third component 2x1", [](std::string& f) { ReplaceAt(f, "\xFF\xC0", 17, "\x21"); }},
      {"quantisation table 4", [](std::string& f) { ReplaceAt(f, "\xFF\xC0", 12, "\x04"); }},
      {"quantisation entry 0", [](std::string& f) { ReplaceAt(f, "\xFF\xDB", 5, std::string(1, '\0')); }},
      {"Huffman counts oversubscribed", [](std::string& f) { ReplaceAt(f, "\xFF\xC4", 5, "\xFF"); }},
      {"Huffman class 2", [](std::string& f) { ReplaceAt(f, "\xFF\xC4", 4, "\x20"); }},
      {"segment length 0", [](std::string& f) { ReplaceAt(f, "\xFF\xDB", 2, std::string(2, '\0')); }},
      {"segment length past the end", [](std::string& f) { ReplaceAt(f, "\xFF\xC4", 2, "\xFF\xFF"); }},
      {"scan of one component", [](std::string& f) { ReplaceAt(f, "\xFF\xDA", 4, "\x01"); }},
      {"scan with Se 0", [](std::string& f) { ReplaceAt(f, "\xFF\xDA", 12, std::string(1, '\0')); }},
      {"scan table 3", [](std::string& f) { ReplaceAt(f, "\xFF\xDA", 6, "\x33"); }},
      {"no start of image", [](std::string& f) { f[1] = 'x'; }},
      {"end of image inside the header", [](std::string& f) { ReplaceAt(f, "\xFF\xDB", 0, "\xFF\xD9"); }},
  };
  test::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string file = WithHeaderEdit(c.edit);
    int version = 0;
    EXPECT_EQ(CJpegFile::ReadOrientation(Bytes(file), version), 255);
    auto start = std::chrono::steady_clock::now();
    test::WriteFile(dir / "f.jpg", file);
    EXPECT_EQ(CJpegFile::ReadOrientation(dir / "f.jpg", version), 255);
    EXPECT_FALSE(CJpegFile::RotateFile(dir / "f.jpg", 3, version));
    EXPECT_EQ(test::ReadFile(dir / "f.jpg"), file);
    // Bounded work: a hostile frame size must not make the turn allocate or decode gigabytes.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  }
}

TEST(HostileScans, DamagedEntropyDataFailsTheTurn) {
  JpegSpec params;
  params.width = 96;
  params.height = 64;
  params.restartInterval = 2;
  std::string good = test::MakeJpeg(params);
  std::size_t scan = good.find("\xFF\xDA") + 14;
  struct Case {
    const char* name;
    std::string file;
  };
  std::vector<Case> cases;
  std::string zeros = good;
  std::fill(zeros.begin() + static_cast<std::ptrdiff_t>(scan), zeros.end() - 2, '\0');
  cases.push_back({"all zero bits", zeros});
  std::string ones = good;
  for (std::size_t i = scan; i + 2 < ones.size(); i += 2) ones.replace(i, 2, "\xFF\x00", 2);
  cases.push_back({"all one bits", ones});
  std::string restart = good;
  std::size_t rst = restart.find("\xFF\xD0", scan);
  ASSERT_NE(rst, std::string::npos);
  restart[rst + 1] = '\xD3';
  cases.push_back({"restart markers out of order", restart});
  std::string noRestart = good;
  noRestart.erase(rst, 2);
  cases.push_back({"restart marker missing", noRestart});
  std::string early = good.substr(0, scan + 40) + "\xFF\xD9";
  cases.push_back({"end of image early", early});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> out;
    for (std::uint8_t code : {1, 2, 3}) EXPECT_FALSE(CJpegFile::RotateBytes(Bytes(c.file), code, 220, out));
  }
  std::vector<std::uint8_t> out;
  EXPECT_TRUE(CJpegFile::RotateBytes(Bytes(good), 3, 220, out));
}

TEST(HostileScans, RandomDamageNeverEscapesTheBytes) {
  JpegSpec params;
  params.width = 48;
  params.height = 33;  // pixel path
  params.exif = ExifSpec{};
  params.exif->orientation = 6;
  params.exif->dateTimeOriginal = "2007:02:06 02:03:49";
  params.maker = MakerSpec{"2007:02:06 02:03:49", 3};
  params.restartInterval = 1;
  const std::string good = test::MakeJpeg(params);
  JpegSpec whole = params;
  whole.height = 32;  // DCT path
  const std::string goodWhole = test::MakeJpeg(whole);
  std::mt19937 rng(7);
  int turned = 0;
  for (int i = 0; i < 600; ++i) {
    std::string f = i % 2 ? good : goodWhole;
    int flips = 1 + static_cast<int>(rng() % 8);
    for (int k = 0; k < flips; ++k) f[rng() % f.size()] = static_cast<char>(rng());
    std::string out;
    int version;
    CJpegFile::ReadShootingDate(Bytes(f), out);
    CJpegFile::ReadOrientation(Bytes(f), version);
    std::vector<std::uint8_t> result;
    if (CJpegFile::RotateBytes(Bytes(f), static_cast<std::uint8_t>(1 + i % 3), 220, result)) {
      ++turned;
      EXPECT_EQ(result[result.size() - 1], 0xD9);
    }
  }
  EXPECT_GT(turned, 0);  // most single-byte damage still decodes somehow
}

}  // namespace
}  // namespace orrivan
