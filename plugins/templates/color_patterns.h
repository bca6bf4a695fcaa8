// The seventeen colour patterns of the bundled templates: seven accent colours on three grounds
// (white, grey, black), in the order of their names, and the sample picture of each.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orrivan::templates {

struct Rgb {
  uint8_t r, g, b;
  std::string Css() const;  // "#RRGGBB"
};

struct ColorPattern {
  const char* name;
  Rgb accent;      // heading band, buttons
  Rgb accentText;  // text on the accent
  Rgb ground;      // page background
  Rgb text;        // body text
  Rgb panel;       // picture cells
  Rgb link;        // links and captions
};

inline constexpr int kColorPatternCount = 17;
inline constexpr int kFallbackColorPattern = 7;

const ColorPattern& PatternAt(int index);  // index in [0, kColorPatternCount)

// The packed bitmap (40-byte header, 24-bit bottom-up rows) that previews a pattern: a page in
// miniature with its heading band and a few picture cells.
std::vector<uint8_t> SampleDib(int index);

}  // namespace orrivan::templates
