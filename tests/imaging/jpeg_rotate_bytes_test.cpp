// The bytes a turn writes: the same on one thread as on two, damaged scans included (the second
// thread's decoder starts in the middle of a scan on a guess), and the same as the turn wrote
// before its decoder and encoder were rewritten for speed.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/jpeg_rotate.h"
#include "support/jpeg_writer.h"

namespace orrivan::jpeg {
namespace {

using test::JpegSpec;

std::span<const std::uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

std::uint64_t Fnv1a(std::span<const std::uint8_t> bytes) {
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (std::uint8_t b : bytes) {
    h ^= b;
    h *= 0x100000001b3ull;
  }
  return h;
}

JpegSpec Picture(int width, int height, int quality, int restart, std::uint32_t seed) {
  JpegSpec params;
  params.width = width;
  params.height = height;
  params.quality = quality;
  params.restartInterval = restart;
  params.seed = seed;
  params.exif = test::ExifSpec{};
  params.exif->orientation = 6;
  return params;
}

struct Turned {
  bool ok = false;
  std::vector<std::uint8_t> bytes;
};

Turned TurnOn(const std::string& in, std::uint8_t code, unsigned threads) {
  Turned t;
  t.ok = TurnJpeg(Bytes(in), code, t.bytes, threads);
  if (!t.ok) t.bytes.clear();
  return t;
}

// 1280 x 960 is 4,800 MCUs: large enough for the second thread.
TEST(TurnThreads, TwoThreadsWriteTheBytesOfOne) {
  for (const int restart : {0, 1, 40}) {
    const std::string in = test::MakeJpeg(Picture(1280, 960, 90, restart, 5 + restart));
    for (const std::uint8_t code : {1, 2, 3}) {
      SCOPED_TRACE("restart " + std::to_string(restart) + " code " + std::to_string(code));
      const Turned one = TurnOn(in, code, 1), two = TurnOn(in, code, 2);
      ASSERT_TRUE(one.ok && two.ok);
      EXPECT_TRUE(one.bytes == two.bytes);
    }
  }
}

// Damage anywhere: before the middle (the first thread's part), just after it (where the second
// thread's guess starts), after the threads met (a failure there must not be skipped by taking
// a later run of the guess), near the end, a whole stretch of noise, a cut. One thread and two
// succeed or fail together, and when they succeed they write the same bytes.
TEST(TurnThreads, DamagedScansGiveTheSameOutcomeOnOneThreadOrTwo) {
  for (const int restart : {0, 40}) {
    const std::string in = test::MakeJpeg(Picture(1280, 960, 75, restart, 21));
    const std::size_t scan = in.find("\xFF\xDA");
    ASSERT_NE(scan, std::string::npos);
    const std::size_t length = in.size() - scan;
    auto at = [&](double fraction) { return scan + 20 + static_cast<std::size_t>(fraction * (length - 40)); };
    std::vector<std::pair<std::string, std::string>> cases;
    for (const double where : {0.2, 0.5, 0.503, 0.52, 0.75, 0.85, 0.999}) {
      for (const std::uint8_t flip : {0x0F, 0x3C, 0xF0}) {
        std::string bad = in;
        bad[at(where)] = static_cast<char>(bad[at(where)] ^ flip);
        cases.emplace_back("flip " + std::to_string(where) + " ^" + std::to_string(flip), bad);
      }
    }
    std::string noise = in;
    std::uint32_t x = 7;
    for (std::size_t i = at(0.45); i < at(0.6); ++i) {
      x = x * 1664525u + 1013904223u;
      const char c = static_cast<char>(x >> 24);
      noise[i] = c == '\xFF' ? '\x7F' : c;  // no markers: only the entropy-coded data change
    }
    cases.emplace_back("noise", noise);
    // 48 one bits hold no code of any Annex K table: decoding must fail there.
    for (const double where : {0.6, 0.75}) {
      const std::string ones("\xFF\x00\xFF\x00\xFF\x00", 6);
      cases.emplace_back("ones " + std::to_string(where), in.substr(0, at(where)) + ones + in.substr(at(where)));
    }
    cases.emplace_back("cut", in.substr(0, at(0.7)) + "\xFF\xD9");

    int failed = 0, turned = 0;
    for (const auto& [name, bad] : cases) {
      SCOPED_TRACE("restart " + std::to_string(restart) + " " + name);
      const Turned one = TurnOn(bad, 3, 1), two = TurnOn(bad, 3, 2);
      EXPECT_EQ(one.ok, two.ok);
      EXPECT_TRUE(one.bytes == two.bytes);
      (one.ok ? turned : failed)++;
    }
    // Both outcomes occur, so both paths were compared.
    EXPECT_GT(failed, 0) << restart;
    EXPECT_GT(turned, 0) << restart;
  }
}

// The scan the Annex K tables pack densest: every coefficient of every block nonzero, each AC value
// in three bits. The turn keeps only the nonzero values, in room bounded by the scan's length; at
// this bound they must all still fit, on one thread and on two.
std::string DensestScan(std::size_t mcus) {
  std::vector<std::uint8_t> out;
  std::uint32_t acc = 0;
  int count = 0;
  auto put = [&](std::uint32_t bits, int len) {
    for (int i = len - 1; i >= 0; --i) {
      acc = acc << 1 | ((bits >> i) & 1);
      if (++count == 8) {
        out.push_back(static_cast<std::uint8_t>(acc));
        if (out.back() == 0xFF) out.push_back(0);
        acc = 0;
        count = 0;
      }
    }
  };
  for (std::size_t m = 0; m < mcus; ++m) {
    for (int b = 0; b < 6; ++b) {
      put(0b00, 2);  // DC difference 0, in both DC tables
      // AC value +1 or -1 at every position: code 00 (luminance) or 01 (chrominance), one bit.
      for (int k = 1; k < 64; ++k) put((b < 4 ? 0b000 : 0b010) | ((k + b + static_cast<int>(m)) & 1), 3);
    }
  }
  if (count) put((1u << (8 - count)) - 1, 8 - count);
  return {out.begin(), out.end()};
}

std::size_t ScanStart(const std::vector<std::uint8_t>& bytes) {
  for (std::size_t i = 0; i + 3 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) return i + 2 + (bytes[i + 2] << 8 | bytes[i + 3]);
  }
  return bytes.size();
}

TEST(TurnThreads, DensestScanTheTablesAllowTurnsOnOneThreadOrTwoAndBack) {
  for (const int restart : {0, 40}) {
    SCOPED_TRACE("restart " + std::to_string(restart));
    const std::string picture = test::MakeJpeg(Picture(1280, 960, 90, restart, 3));
    const std::vector<std::uint8_t> original(picture.begin(), picture.end());
    const std::size_t start = ScanStart(original);
    ASSERT_LT(start, original.size());
    std::string scan = DensestScan(80 * 60);
    std::string dense = picture.substr(0, start);
    if (restart == 0) {
      dense += scan + "\xFF\xD9";
    } else {
      // One interval per 40 MCUs: the same blocks, each interval byte-aligned after its marker.
      std::string pieces;
      for (int i = 0; i < 80 * 60 / 40; ++i) {
        if (i) pieces += std::string("\xFF") + static_cast<char>(0xD0 + (i - 1) % 8);
        pieces += DensestScan(40);
      }
      dense += pieces + "\xFF\xD9";
    }
    const Turned one = TurnOn(dense, 1, 1), two = TurnOn(dense, 1, 2);
    ASSERT_TRUE(one.ok && two.ok);
    EXPECT_TRUE(one.bytes == two.bytes);
    // A quarter turn back gives every coefficient its place again: the scan written is the one
    // the picture began with (restart markers aside, which a turn leaves out).
    const std::string turned(one.bytes.begin(), one.bytes.end());
    const Turned back = TurnOn(turned, 3, 2);
    ASSERT_TRUE(back.ok);
    const std::vector<std::uint8_t> expected(scan.begin(), scan.end());
    const std::vector<std::uint8_t> got(back.bytes.begin() + static_cast<std::ptrdiff_t>(ScanStart(back.bytes)),
                                        back.bytes.end() - 2);
    EXPECT_TRUE(got == expected);
  }
}

// Hashes of what the turn wrote for these pictures before the decoder and encoder were rewritten
// (and of the pictures themselves: a different libjpeg-turbo makes other pictures, and the check
// is then void rather than wrong). DCT path and pixel path, restart intervals, all three codes.
TEST(TurnThreads, TurnsWriteTheBytesTheyAlwaysWrote) {
  struct Case {
    int width, height, quality, restart;
    std::uint32_t seed;
    std::uint64_t input;
    std::uint64_t turned[3];
  } cases[] = {
      {640, 480, 75, 0, 53u, 0x1309e4c9bacd64ccull, {0x4ddb33be80370d9bull, 0x98827489b4ca4b72ull, 0x9e4e23c376e7bf8aull}},
      {640, 480, 98, 7, 63u, 0x52345a671bc60348ull, {0xcf8a4b5a781a52d5ull, 0x00ea34c200b58af9ull, 0x6910672bfa8d1ac7ull}},
      {1280, 960, 90, 0, 123u, 0xbd9b523c10e354f4ull, {0x4d8c64a464bfede5ull, 0xa2736c51ec40b69cull, 0x9da30edcc2d81ec8ull}},
      {1280, 960, 50, 40, 118u, 0x28e8c6a41a3dc011ull, {0x728630de32f82804ull, 0x88eebf0b3829ff61ull, 0xf4c65d68b4640099ull}},
      {100, 75, 90, 0, 89u, 0x172efff8e118bc4dull, {0x71a7167ba695cd04ull, 0x06001e49a693f47aull, 0x5aa9bb9af32061f0ull}},
      {33, 17, 75, 1, 102u, 0x8377479e91550f4aull, {0x5d5ec219d0462957ull, 0x86d86bd1802d293full, 0x084e63d562fc54c0ull}},
      {17, 1000, 90, 0, 139u, 0x81c099a40dcd30d8ull, {0x0549536154cfa948ull, 0x5e3876284d95028bull, 0x549f947dc515cf78ull}},
      {2048, 16, 98, 7, 161u, 0x9443350b8d86dc6eull, {0xec1a1abbe0aedc49ull, 0x8785b3c5f626c44dull, 0xd02725479d263249ull}},
      {1024, 768, 50, 1, 66u, 0x5bdd6eadd4c0bab7ull, {0xccde6d431856fe98ull, 0xff7807ddf1d94c27ull, 0xb07d6ecc0c646453ull}},
  };
  int checked = 0;
  for (const Case& c : cases) {
    const std::string in = test::MakeJpeg(Picture(c.width, c.height, c.quality, c.restart, c.seed));
    if (Fnv1a(Bytes(in)) != c.input) continue;
    ++checked;
    for (const std::uint8_t code : {1, 2, 3}) {
      SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " q" +
                   std::to_string(c.quality) + " restart " + std::to_string(c.restart) + " code " +
                   std::to_string(code));
      const Turned t = TurnOn(in, code, 0);
      ASSERT_TRUE(t.ok);
      EXPECT_EQ(Fnv1a(t.bytes), c.turned[code - 1]);
    }
  }
  if (checked == 0) GTEST_SKIP() << "this libjpeg-turbo makes other test pictures";
}

}  // namespace
}  // namespace orrivan::jpeg
