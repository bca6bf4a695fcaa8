// The codec pieces on their own: Huffman tables, the bit reader and writer, and the DCT pair.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "imaging/jpeg_dct.h"
#include "imaging/jpeg_huffman.h"

namespace orrivan::jpeg {
namespace {

struct Tables {
  DecodeTable dec[2][2];
  EncodeTable enc[2][2];
  Tables() {
    for (int c = 0; c < 2; ++c) {
      for (int id = 0; id < 2; ++id) {
        auto b = StandardTableBytes(c, id);
        EXPECT_TRUE(dec[c][id].Build(b.data() + 1, b.data() + 17, b.size() - 17));
        EXPECT_TRUE(enc[c][id].Build(b.data() + 1, b.data() + 17, b.size() - 17));
      }
    }
  }
};

TEST(HuffmanCoding, BlocksSurviveEncodeAndDecode) {
  Tables t;
  std::mt19937 rng(3);
  std::vector<std::vector<std::int16_t>> blocks;
  std::vector<std::uint8_t> bytes;
  BitWriter writer(bytes);
  int encodePrediction[2] = {0, 0};
  for (int b = 0; b < 2000; ++b) {
    std::vector<std::int16_t> zz(64, 0);
    // DC anywhere in range, a mix of dense, sparse, long runs (ZRL) and the largest AC values.
    zz[0] = static_cast<std::int16_t>(static_cast<int>(rng() % 2047) - 1023);
    int density = static_cast<int>(rng() % 4);
    for (int k = 1; k < 64; ++k) {
      if (rng() % 8 < static_cast<unsigned>(density * 2)) {
        int range = b % 7 == 0 ? 1023 : 40;
        zz[k] = static_cast<std::int16_t>(static_cast<int>(rng() % (2 * range + 1)) - range);
      }
    }
    if (b % 5 == 0) zz[63] = -1023;
    std::uint64_t mask = 0;
    for (int k = 0; k < 64; ++k)
      if (zz[k]) mask |= std::uint64_t{1} << k;
    int c = b % 2;
    writer.Reserve(4096);
    ASSERT_TRUE(writer.EncodeBlock(zz.data(), mask, t.enc[0][c], t.enc[1][c], encodePrediction[c]));
    blocks.push_back(zz);
  }
  writer.Finish();
  // Stuffing happened and the writer left no unstuffed 0xFF behind.
  std::size_t stuffed = 0;
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF) {
      ASSERT_EQ(bytes[i + 1], 0x00);
      ++stuffed;
    }
  }
  EXPECT_GT(stuffed, 0u);

  UnstuffedScan scan;
  UnstuffScan(bytes, scan);
  BitReader reader(scan.bytes.data(), scan.end * 8);
  int prediction[2] = {0, 0};
  for (std::size_t b = 0; b < blocks.size(); ++b) {
    std::vector<std::int16_t> got(64, 0);
    int c = static_cast<int>(b % 2);
    ASSERT_TRUE(reader.DecodeBlock(t.dec[0][c], t.dec[1][c], prediction[c],
                                   [&](int k, int v) { got[k] = static_cast<std::int16_t>(v); }));
    ASSERT_EQ(got, blocks[b]) << "block " << b;
  }
  EXPECT_FALSE(reader.Overrun());
}

TEST(HuffmanCoding, EncoderRefusesValuesWithoutACode) {
  Tables t;
  std::vector<std::uint8_t> bytes;
  BitWriter writer(bytes);
  writer.Reserve(4096);
  std::int16_t zz[64] = {};
  int prediction = 0;
  zz[0] = 2100;  // DC difference of category 12
  EXPECT_FALSE(writer.EncodeBlock(zz, 1, t.enc[0][0], t.enc[1][0], prediction));
  zz[0] = 0;
  zz[5] = 1024;  // AC category 11
  prediction = 0;
  EXPECT_FALSE(writer.EncodeBlock(zz, 1 | (1u << 5), t.enc[0][0], t.enc[1][0], prediction));
}

TEST(HuffmanCoding, TablesWithImpossibleCountsAreRefused) {
  DecodeTable d;
  std::uint8_t counts[16] = {3};  // three codes of one bit
  std::uint8_t values[3] = {0, 1, 2};
  EXPECT_FALSE(d.Build(counts, values, 3));
  std::uint8_t none[16] = {};
  EXPECT_FALSE(d.Build(none, values, 0));
  std::uint8_t two[16] = {2};  // "0" and "1": a complete code
  EXPECT_TRUE(d.Build(two, values, 2));
  std::uint8_t mismatch[16] = {0, 2};
  EXPECT_FALSE(d.Build(mismatch, values, 3));
}

TEST(HuffmanCoding, UnstuffingSplitsAtRestartMarkersAndStopsAtOtherMarkers) {
  const std::uint8_t data[] = {0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD0, 0x56, 0xFF, 0xFF, 0xD1,
                               0x78, 0xFF, 0xD9, 0x99};
  UnstuffedScan scan;
  UnstuffScan(data, scan);
  EXPECT_EQ(scan.end, 5u);
  EXPECT_EQ(std::vector<std::uint8_t>(scan.bytes.begin(), scan.bytes.begin() + 5),
            (std::vector<std::uint8_t>{0x12, 0xFF, 0x34, 0x56, 0x78}));
  EXPECT_EQ(scan.intervalStart, (std::vector<std::size_t>{0, 3, 4}));
  EXPECT_EQ(scan.restartNumber[1], 0);
  EXPECT_EQ(scan.restartNumber[2], 1);
  EXPECT_TRUE(scan.endedAtEoi);
  EXPECT_EQ(scan.consumed, 11u);
}

TEST(Dct, InverseMatchesTheDefinitionWithinRounding) {
  std::uint16_t q[64];
  for (int i = 0; i < 64; ++i) q[i] = static_cast<std::uint16_t>(1 + i % 5);
  DctTables t;
  t.Prepare(q);
  std::mt19937 rng(11);
  for (int it = 0; it < 200; ++it) {
    std::int16_t c[64];
    for (int i = 0; i < 64; ++i) c[i] = static_cast<std::int16_t>(static_cast<int>(rng() % 21) - 10);
    c[0] = static_cast<std::int16_t>(static_cast<int>(rng() % 200) - 100);
    std::uint8_t px[64];
    InverseDct(c, t, px, 8);
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) {
        double s = 0;
        for (int v = 0; v < 8; ++v)
          for (int u = 0; u < 8; ++u)
            s += (u ? 1 : M_SQRT1_2) * (v ? 1 : M_SQRT1_2) * c[v * 8 + u] * q[v * 8 + u] *
                 std::cos((2 * x + 1) * u * M_PI / 16) * std::cos((2 * y + 1) * v * M_PI / 16);
        double expected = std::clamp(std::round(s / 4 + 128), 0.0, 255.0);
        ASSERT_NEAR(px[y * 8 + x], expected, 1.0);
      }
    }
  }
}

TEST(Dct, ForwardQuantisesTheDefinitionAndInverseUndoesIt) {
  std::uint16_t ones[64];
  std::fill(ones, ones + 64, 1);
  DctTables t;
  t.Prepare(ones);
  std::mt19937 rng(5);
  for (int it = 0; it < 200; ++it) {
    std::uint8_t px[64];
    for (int i = 0; i < 64; ++i) px[i] = static_cast<std::uint8_t>(rng());
    std::int16_t zz[64];
    std::uint64_t mask = ForwardDct(px, 8, t, zz);
    std::int16_t natural[64];
    for (int k = 0; k < 64; ++k) {
      natural[kZigzagToNatural[k]] = zz[k];
      EXPECT_EQ((mask >> k) & 1, zz[k] != 0 ? 1u : 0u);
    }
    int v = kZigzagToNatural[it % 64] / 8, u = kZigzagToNatural[it % 64] % 8;
    double s = 0;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        s += (px[y * 8 + x] - 128.0) * std::cos((2 * x + 1) * u * M_PI / 16) * std::cos((2 * y + 1) * v * M_PI / 16);
    s *= (u ? 1 : M_SQRT1_2) * (v ? 1 : M_SQRT1_2) / 4;
    EXPECT_NEAR(zz[it % 64], s, 0.51);
    std::uint8_t back[64];
    InverseDct(natural, t, back, 8);
    for (int i = 0; i < 64; ++i) ASSERT_NEAR(back[i], px[i], 2);
  }
}

}  // namespace
}  // namespace orrivan::jpeg
