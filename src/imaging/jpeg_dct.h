// The 8 x 8 forward and inverse DCT of the baseline process (ITU-T T.81 A.3.3), in the scaled
// floating-point factorisation of Arai, Agui and Nakajima, with quantisation (A.3.4) and
// dequantisation folded into the scale factors.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orrivan::jpeg {

// Per-table multipliers prepared once from a quantisation table in natural order.
struct DctTables {
  void Prepare(const std::uint16_t* quantNatural);
  float dequant[64];  // quantised coefficient -> scaled input of the inverse transform
  float quant[64];    // scaled output of the forward transform -> coefficient before rounding
                      // (transposed: index u * 8 + v)
  float quantNatural[64];  // the same in natural order
};

// Dequantises the natural-order coefficients and writes 8 x 8 samples (level shift and clamp
// to 0..255 included) with the given row stride.
void InverseDct(const std::int16_t* coefNatural, const DctTables& t, std::uint8_t* out, int stride);

// Transforms 8 x 8 samples (row stride `stride`) and quantises them to zigzag order; returns the
// mask of nonzero zigzag positions.
std::uint64_t ForwardDct(const std::uint8_t* in, int stride, const DctTables& t, std::int16_t* zz);

// The same for a block whose eight lines of eight samples lie `lineStep` apart, each running
// forwards from its address or, when `reversed`, backwards from it; `columns` says the lines are
// the block's columns rather than its rows. Reads a turned block straight from its source plane.
std::uint64_t ForwardDctLines(const std::uint8_t* first, std::ptrdiff_t lineStep, bool reversed,
                              bool columns, const DctTables& t, std::int16_t* zz);

}  // namespace orrivan::jpeg
