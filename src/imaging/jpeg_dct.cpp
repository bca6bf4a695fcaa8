// Scaled AAN DCT (T.81 A.3.3). The factorisation leaves every output scaled by
// s(u) * s(v) * 8 with s(0) = 1 and s(k) = sqrt(2) cos(k pi / 16); the tables below undo that
// together with the quantiser step, so the butterflies need only five multiplications per pass.
#include "imaging/jpeg_dct.h"

#include <algorithm>
#include <cmath>

#include "imaging/jpeg_huffman.h"

namespace orrivan::jpeg {
namespace {

constexpr double kAanScale[8] = {1.0,         1.387039845, 1.306562965, 1.175875602,
                                 1.0,         0.785694958, 0.541196100, 0.275899379};

// Round half away from zero; lrintf is a library call unless errno handling is switched off.
inline int Round(float v) { return static_cast<int>(v + (v >= 0.0f ? 0.5f : -0.5f)); }

inline std::uint8_t ClampSample(float v) {
  return static_cast<std::uint8_t>(std::clamp(Round(v) + 128, 0, 255));
}

}  // namespace

void DctTables::Prepare(const std::uint16_t* quantNatural) {
  for (int v = 0; v < 8; ++v) {
    for (int u = 0; u < 8; ++u) {
      double s = kAanScale[v] * kAanScale[u];
      double q = quantNatural[v * 8 + u];
      dequant[v * 8 + u] = static_cast<float>(q * s / 8.0);
      quant[v * 8 + u] = static_cast<float>(1.0 / (q * s * 8.0));
    }
  }
}

void InverseDct(const std::int16_t* c, const DctTables& t, std::uint8_t* out, int stride) {
  float ws[64];
  for (int col = 0; col < 8; ++col) {
    const std::int16_t* in = c + col;
    const float* q = t.dequant + col;
    if (!in[8] && !in[16] && !in[24] && !in[32] && !in[40] && !in[48] && !in[56]) {
      float dc = in[0] * q[0];
      for (int r = 0; r < 8; ++r) ws[r * 8 + col] = dc;
      continue;
    }
    float tmp0 = in[0] * q[0], tmp1 = in[16] * q[16], tmp2 = in[32] * q[32], tmp3 = in[48] * q[48];
    float tmp10 = tmp0 + tmp2, tmp11 = tmp0 - tmp2;
    float tmp13 = tmp1 + tmp3, tmp12 = (tmp1 - tmp3) * 1.414213562f - tmp13;
    tmp0 = tmp10 + tmp13;
    tmp3 = tmp10 - tmp13;
    tmp1 = tmp11 + tmp12;
    tmp2 = tmp11 - tmp12;
    float tmp4 = in[8] * q[8], tmp5 = in[24] * q[24], tmp6 = in[40] * q[40], tmp7 = in[56] * q[56];
    float z13 = tmp6 + tmp5, z10 = tmp6 - tmp5, z11 = tmp4 + tmp7, z12 = tmp4 - tmp7;
    tmp7 = z11 + z13;
    tmp11 = (z11 - z13) * 1.414213562f;
    float z5 = (z10 + z12) * 1.847759065f;
    tmp10 = z5 - z12 * 1.082392200f;
    tmp12 = z5 - z10 * 2.613125930f;
    tmp6 = tmp12 - tmp7;
    tmp5 = tmp11 - tmp6;
    tmp4 = tmp10 - tmp5;
    ws[0 * 8 + col] = tmp0 + tmp7;
    ws[7 * 8 + col] = tmp0 - tmp7;
    ws[1 * 8 + col] = tmp1 + tmp6;
    ws[6 * 8 + col] = tmp1 - tmp6;
    ws[2 * 8 + col] = tmp2 + tmp5;
    ws[5 * 8 + col] = tmp2 - tmp5;
    ws[3 * 8 + col] = tmp3 + tmp4;
    ws[4 * 8 + col] = tmp3 - tmp4;
  }
  for (int r = 0; r < 8; ++r) {
    const float* w = ws + r * 8;
    std::uint8_t* o = out + r * stride;
    float tmp10 = w[0] + w[4], tmp11 = w[0] - w[4];
    float tmp13 = w[2] + w[6], tmp12 = (w[2] - w[6]) * 1.414213562f - tmp13;
    float tmp0 = tmp10 + tmp13, tmp3 = tmp10 - tmp13, tmp1 = tmp11 + tmp12, tmp2 = tmp11 - tmp12;
    float z13 = w[5] + w[3], z10 = w[5] - w[3], z11 = w[1] + w[7], z12 = w[1] - w[7];
    float tmp7 = z11 + z13;
    tmp11 = (z11 - z13) * 1.414213562f;
    float z5 = (z10 + z12) * 1.847759065f;
    tmp10 = z5 - z12 * 1.082392200f;
    tmp12 = z5 - z10 * 2.613125930f;
    float tmp6 = tmp12 - tmp7, tmp5 = tmp11 - tmp6, tmp4 = tmp10 - tmp5;
    o[0] = ClampSample(tmp0 + tmp7);
    o[7] = ClampSample(tmp0 - tmp7);
    o[1] = ClampSample(tmp1 + tmp6);
    o[6] = ClampSample(tmp1 - tmp6);
    o[2] = ClampSample(tmp2 + tmp5);
    o[5] = ClampSample(tmp2 - tmp5);
    o[3] = ClampSample(tmp3 + tmp4);
    o[4] = ClampSample(tmp3 - tmp4);
  }
}

std::uint64_t ForwardDct(const std::uint8_t* in, int stride, const DctTables& t, std::int16_t* zz) {
  float d[64];
  for (int r = 0; r < 8; ++r) {
    const std::uint8_t* p = in + r * stride;
    float* o = d + r * 8;
    float tmp0 = float(p[0] + p[7] - 256), tmp7 = float(p[0] - p[7]);
    float tmp1 = float(p[1] + p[6] - 256), tmp6 = float(p[1] - p[6]);
    float tmp2 = float(p[2] + p[5] - 256), tmp5 = float(p[2] - p[5]);
    float tmp3 = float(p[3] + p[4] - 256), tmp4 = float(p[3] - p[4]);
    float tmp10 = tmp0 + tmp3, tmp13 = tmp0 - tmp3, tmp11 = tmp1 + tmp2, tmp12 = tmp1 - tmp2;
    o[0] = tmp10 + tmp11;
    o[4] = tmp10 - tmp11;
    float z1 = (tmp12 + tmp13) * 0.707106781f;
    o[2] = tmp13 + z1;
    o[6] = tmp13 - z1;
    tmp10 = tmp4 + tmp5;
    tmp11 = tmp5 + tmp6;
    tmp12 = tmp6 + tmp7;
    float z5 = (tmp10 - tmp12) * 0.382683433f;
    float z2 = 0.541196100f * tmp10 + z5, z4 = 1.306562965f * tmp12 + z5, z3 = tmp11 * 0.707106781f;
    float z11 = tmp7 + z3, z13 = tmp7 - z3;
    o[5] = z13 + z2;
    o[3] = z13 - z2;
    o[1] = z11 + z4;
    o[7] = z11 - z4;
  }
  for (int c = 0; c < 8; ++c) {
    float* p = d + c;
    float tmp0 = p[0] + p[56], tmp7 = p[0] - p[56], tmp1 = p[8] + p[48], tmp6 = p[8] - p[48];
    float tmp2 = p[16] + p[40], tmp5 = p[16] - p[40], tmp3 = p[24] + p[32], tmp4 = p[24] - p[32];
    float tmp10 = tmp0 + tmp3, tmp13 = tmp0 - tmp3, tmp11 = tmp1 + tmp2, tmp12 = tmp1 - tmp2;
    p[0] = tmp10 + tmp11;
    p[32] = tmp10 - tmp11;
    float z1 = (tmp12 + tmp13) * 0.707106781f;
    p[16] = tmp13 + z1;
    p[48] = tmp13 - z1;
    tmp10 = tmp4 + tmp5;
    tmp11 = tmp5 + tmp6;
    tmp12 = tmp6 + tmp7;
    float z5 = (tmp10 - tmp12) * 0.382683433f;
    float z2 = 0.541196100f * tmp10 + z5, z4 = 1.306562965f * tmp12 + z5, z3 = tmp11 * 0.707106781f;
    float z11 = tmp7 + z3, z13 = tmp7 - z3;
    p[40] = z13 + z2;
    p[24] = z13 - z2;
    p[8] = z11 + z4;
    p[56] = z11 - z4;
  }
  std::uint64_t mask = 0;
  for (int k = 0; k < 64; ++k) {
    int n = kZigzagToNatural[k];
    int q = Round(d[n] * t.quant[n]);
    zz[k] = static_cast<std::int16_t>(q);
    if (q) mask |= std::uint64_t{1} << k;
  }
  return mask;
}

}  // namespace orrivan::jpeg
