// Scaled AAN DCT (T.81 A.3.3). The factorisation leaves every output scaled by
// s(u) * s(v) * 8 with s(0) = 1 and s(k) = sqrt(2) cos(k pi / 16); the tables below undo that
// together with the quantiser step, so the butterflies need only five multiplications per pass.
// Each pass runs the butterflies on whole rows at once (four lanes by two halves), with one
// transpose between the passes; the compiler maps the vectors to the machine's SIMD registers.
#include "imaging/jpeg_dct.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "imaging/jpeg_huffman.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace orrivan::jpeg {
namespace {

typedef float F4 __attribute__((vector_size(16)));
typedef int I4 __attribute__((vector_size(16)));
typedef short S4 __attribute__((vector_size(8)));

constexpr double kAanScale[8] = {1.0,         1.387039845, 1.306562965, 1.175875602,
                                 1.0,         0.785694958, 0.541196100, 0.275899379};

inline F4 Splat(float f) { return F4{f, f, f, f}; }

// Eight samples to two four-lane halves, reversed when the line runs backwards from `p`.
// Byte widening is where generic vector code falls back to one conversion per lane, hence the
// SSE2 path.
inline void LoadLine(const std::uint8_t* p, bool reversed, F4& lo, F4& hi) {
  std::uint64_t w;
  if (reversed) {
    std::memcpy(&w, p - 7, 8);
    w = __builtin_bswap64(w);
  } else {
    std::memcpy(&w, p, 8);
  }
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  __m128i v = _mm_unpacklo_epi8(_mm_cvtsi64_si128(static_cast<long long>(w)), zero);
  lo = (F4)_mm_cvtepi32_ps(_mm_unpacklo_epi16(v, zero));
  hi = (F4)_mm_cvtepi32_ps(_mm_unpackhi_epi16(v, zero));
#else
  for (int k = 0; k < 4; ++k) {
    lo[k] = static_cast<float>((w >> (8 * k)) & 0xFF);
    hi[k] = static_cast<float>((w >> (8 * (k + 4))) & 0xFF);
  }
#endif
}

// Two halves of rounded samples already in 0..255 to eight bytes.
inline void StoreLine(std::uint8_t* p, I4 lo, I4 hi) {
#if defined(__SSE2__)
  __m128i words = _mm_packs_epi32((__m128i)lo, (__m128i)hi);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_packus_epi16(words, words));
#else
  for (int k = 0; k < 4; ++k) {
    p[k] = static_cast<std::uint8_t>(lo[k]);
    p[k + 4] = static_cast<std::uint8_t>(hi[k]);
  }
#endif
}

// Round half away from zero, as the quantiser of the baseline process does.
inline I4 RoundToInt(F4 v) {
  F4 half = v >= Splat(0.0f) ? Splat(0.5f) : Splat(-0.5f);
  return __builtin_convertvector(v + half, I4);
}

// 8 x 8 floats as eight rows of two four-lane halves: m[row][half].
struct Block8 {
  F4 m[8][2];
};

inline void Transpose4(F4& a, F4& b, F4& c, F4& d) {
  F4 t0 = __builtin_shufflevector(a, b, 0, 4, 1, 5);
  F4 t1 = __builtin_shufflevector(a, b, 2, 6, 3, 7);
  F4 t2 = __builtin_shufflevector(c, d, 0, 4, 1, 5);
  F4 t3 = __builtin_shufflevector(c, d, 2, 6, 3, 7);
  a = __builtin_shufflevector(t0, t2, 0, 1, 4, 5);
  b = __builtin_shufflevector(t0, t2, 2, 3, 6, 7);
  c = __builtin_shufflevector(t1, t3, 0, 1, 4, 5);
  d = __builtin_shufflevector(t1, t3, 2, 3, 6, 7);
}

inline void Transpose(Block8& b) {
  Transpose4(b.m[0][0], b.m[1][0], b.m[2][0], b.m[3][0]);
  Transpose4(b.m[4][1], b.m[5][1], b.m[6][1], b.m[7][1]);
  Transpose4(b.m[0][1], b.m[1][1], b.m[2][1], b.m[3][1]);
  Transpose4(b.m[4][0], b.m[5][0], b.m[6][0], b.m[7][0]);
  for (int r = 0; r < 4; ++r) std::swap(b.m[r][1], b.m[r + 4][0]);
}

// One-dimensional inverse butterflies across the eight rows, for each lane.
inline void InversePass(Block8& b) {
  for (int h = 0; h < 2; ++h) {
    F4 tmp0 = b.m[0][h], tmp1 = b.m[2][h], tmp2 = b.m[4][h], tmp3 = b.m[6][h];
    F4 tmp10 = tmp0 + tmp2, tmp11 = tmp0 - tmp2;
    F4 tmp13 = tmp1 + tmp3, tmp12 = (tmp1 - tmp3) * 1.414213562f - tmp13;
    tmp0 = tmp10 + tmp13;
    tmp3 = tmp10 - tmp13;
    tmp1 = tmp11 + tmp12;
    tmp2 = tmp11 - tmp12;
    F4 tmp4 = b.m[1][h], tmp5 = b.m[3][h], tmp6 = b.m[5][h], tmp7 = b.m[7][h];
    F4 z13 = tmp6 + tmp5, z10 = tmp6 - tmp5, z11 = tmp4 + tmp7, z12 = tmp4 - tmp7;
    tmp7 = z11 + z13;
    tmp11 = (z11 - z13) * 1.414213562f;
    F4 z5 = (z10 + z12) * 1.847759065f;
    tmp10 = z5 - z12 * 1.082392200f;
    tmp12 = z5 - z10 * 2.613125930f;
    tmp6 = tmp12 - tmp7;
    tmp5 = tmp11 - tmp6;
    tmp4 = tmp10 - tmp5;
    b.m[0][h] = tmp0 + tmp7;
    b.m[7][h] = tmp0 - tmp7;
    b.m[1][h] = tmp1 + tmp6;
    b.m[6][h] = tmp1 - tmp6;
    b.m[2][h] = tmp2 + tmp5;
    b.m[5][h] = tmp2 - tmp5;
    b.m[3][h] = tmp3 + tmp4;
    b.m[4][h] = tmp3 - tmp4;
  }
}

// One-dimensional forward butterflies across the eight rows, for each lane.
inline void ForwardPass(Block8& b) {
  for (int h = 0; h < 2; ++h) {
    F4 tmp0 = b.m[0][h] + b.m[7][h], tmp7 = b.m[0][h] - b.m[7][h];
    F4 tmp1 = b.m[1][h] + b.m[6][h], tmp6 = b.m[1][h] - b.m[6][h];
    F4 tmp2 = b.m[2][h] + b.m[5][h], tmp5 = b.m[2][h] - b.m[5][h];
    F4 tmp3 = b.m[3][h] + b.m[4][h], tmp4 = b.m[3][h] - b.m[4][h];
    F4 tmp10 = tmp0 + tmp3, tmp13 = tmp0 - tmp3, tmp11 = tmp1 + tmp2, tmp12 = tmp1 - tmp2;
    b.m[0][h] = tmp10 + tmp11;
    b.m[4][h] = tmp10 - tmp11;
    F4 z1 = (tmp12 + tmp13) * 0.707106781f;
    b.m[2][h] = tmp13 + z1;
    b.m[6][h] = tmp13 - z1;
    tmp10 = tmp4 + tmp5;
    tmp11 = tmp5 + tmp6;
    tmp12 = tmp6 + tmp7;
    F4 z5 = (tmp10 - tmp12) * 0.382683433f;
    F4 z2 = 0.541196100f * tmp10 + z5, z4 = 1.306562965f * tmp12 + z5, z3 = tmp11 * 0.707106781f;
    F4 z11 = tmp7 + z3, z13 = tmp7 - z3;
    b.m[5][h] = z13 + z2;
    b.m[3][h] = z13 - z2;
    b.m[1][h] = z11 + z4;
    b.m[7][h] = z11 - z4;
  }
}

}  // namespace

void DctTables::Prepare(const std::uint16_t* table) {
  for (int v = 0; v < 8; ++v) {
    for (int u = 0; u < 8; ++u) {
      double s = kAanScale[v] * kAanScale[u];
      double q = table[v * 8 + u];
      dequant[v * 8 + u] = static_cast<float>(q * s / 8.0);
      // Stored transposed as well: the forward transform ends with lanes running across lines.
      quant[u * 8 + v] = static_cast<float>(1.0 / (q * s * 8.0));
      quantNatural[v * 8 + u] = quant[u * 8 + v];
    }
  }
}

void InverseDct(const std::int16_t* c, const DctTables& t, std::uint8_t* out, int stride) {
  Block8 b;
  for (int r = 0; r < 8; ++r) {
    for (int h = 0; h < 2; ++h) {
      S4 s;
      std::memcpy(&s, c + r * 8 + h * 4, sizeof s);
      F4 q;
      std::memcpy(&q, t.dequant + r * 8 + h * 4, sizeof q);
      b.m[r][h] = __builtin_convertvector(s, F4) * q;
    }
  }
  InversePass(b);  // columns: rows of the result now hold sample rows
  Transpose(b);
  InversePass(b);  // rows: b.m[x] holds column x of the samples, lanes over rows
  Transpose(b);    // back to rows, so each row leaves in two four-byte stores
  for (int y = 0; y < 8; ++y) {
    I4 half[2];
    for (int h = 0; h < 2; ++h) {
      F4 v = b.m[y][h] + 128.0f;
      v = v < Splat(0.0f) ? Splat(0.0f) : v;
      v = v > Splat(255.0f) ? Splat(255.0f) : v;
      half[h] = RoundToInt(v);
    }
    StoreLine(out + y * stride, half[0], half[1]);
  }
}

std::uint64_t ForwardDctLines(const std::uint8_t* first, std::ptrdiff_t lineStep, bool reversed,
                              bool columns, const DctTables& t, std::int16_t* zz) {
  static const auto naturalToZigzag = [] {
    std::array<std::uint8_t, 64> z{};
    for (int k = 0; k < 64; ++k) z[kZigzagToNatural[k]] = static_cast<std::uint8_t>(k);
    return z;
  }();
  Block8 b;
  for (int line = 0; line < 8; ++line) {
    // A turned plane is read across its rows; ask early for the lines of the next block along.
    __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(first) +
                                                     static_cast<std::uintptr_t>((line + 8) * lineStep)));
    LoadLine(first + line * lineStep, reversed, b.m[line][0], b.m[line][1]);
    b.m[line][0] -= 128.0f;
    b.m[line][1] -= 128.0f;
  }
  ForwardPass(b);  // across lines
  Transpose(b);
  ForwardPass(b);  // along lines: b.m[a] holds frequency a along the lines, lanes across them
  // The transform is separable, so a block read by columns gives the transposed coefficients.
  const float* quant = columns ? t.quantNatural : t.quant;
  std::uint64_t mask = 0;
  for (int a = 0; a < 8; ++a) {
    for (int h = 0; h < 2; ++h) {
      F4 q;
      std::memcpy(&q, quant + a * 8 + h * 4, sizeof q);
      I4 i = RoundToInt(b.m[a][h] * q);
      for (int k = 0; k < 4; ++k) {
        int l = h * 4 + k;
        int z = naturalToZigzag[columns ? a * 8 + l : l * 8 + a];
        zz[z] = static_cast<std::int16_t>(i[k]);
        if (i[k]) mask |= std::uint64_t{1} << z;
      }
    }
  }
  return mask;
}

std::uint64_t ForwardDct(const std::uint8_t* in, int stride, const DctTables& t, std::int16_t* zz) {
  return ForwardDctLines(in, stride, false, false, t, zz);
}

}  // namespace orrivan::jpeg
