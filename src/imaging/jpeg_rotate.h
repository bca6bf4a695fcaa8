// Lossless turns of baseline JPEG files: the frame header reader and check, and the turn itself
// in the DCT domain (sides multiples of 16) or through pixel planes (other sizes).
// Follows ITU-T T.81 B.2 (syntax), F.2 (sequential Huffman decoding) and A.3 (DCT).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace orrivan::jpeg {

struct FrameHeader {
  std::size_t length = 0;  // bytes from the start of image to the end of the SOS segment
  int width = 0;
  int height = 0;
  unsigned restartInterval = 0;
  std::uint16_t quant[4][64] = {};  // natural order
  bool hasQuant[4] = {};
  int quantId[3] = {};
  int dcId[3] = {};
  int acId[3] = {};
};

enum class HeaderResult {
  kOk,
  kNeedMore,  // the bytes end inside the header
  kRefused,   // not a file of the one kind that can be turned
};

// Walks the header segments up to and including SOS and checks that the file is baseline, 8-bit,
// three components sampled 4:2:0, with the example Huffman tables of Annex K.
HeaderResult ReadFrameHeader(std::span<const std::uint8_t> file, FrameHeader& header);

// Turns a whole file by rotation code 1..3 into `out`. False for a file that cannot be turned
// or whose entropy-coded data are damaged. A large picture on the DCT path is decoded and encoded
// on up to `threads` threads (0: two where the machine has two cores); the bytes written are the
// same for any number.
bool TurnJpeg(std::span<const std::uint8_t> in, std::uint8_t code, std::vector<std::uint8_t>& out,
              unsigned threads = 0);

}  // namespace orrivan::jpeg
