// Colour patterns and their sample pictures.
#include "color_patterns.h"

#include <array>
#include <cstdio>

#include "html/plugin_names.h"

namespace orrivan::templates {

std::string Rgb::Css() const {
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", r, g, b);
  return text;
}

namespace {

struct Accent {
  Rgb strong;  // band on white and grey grounds
  Rgb light;   // cells on white ground, links on black ground
  Rgb dark;    // links on white and grey grounds
};

// ﾌｧﾝｼｰﾌﾞﾙｰ, ﾌｧﾝｼｰﾋﾟﾝｸ, ｸﾞﾘｰﾝ, ﾌﾞﾙｰ, ﾊﾟｰﾌﾟﾙ, ｸﾞﾚｰ, ﾌﾞﾗｳﾝ
constexpr Accent kAccents[] = {
    {{0x66, 0x99, 0xFF}, {0xDD, 0xE8, 0xFF}, {0x22, 0x44, 0xAA}},
    {{0xFF, 0x88, 0xBB}, {0xFF, 0xE4, 0xF0}, {0xAA, 0x22, 0x66}},
    {{0x33, 0x99, 0x66}, {0xD6, 0xF0, 0xE0}, {0x11, 0x55, 0x33}},
    {{0x33, 0x66, 0x99}, {0xD6, 0xE2, 0xEE}, {0x11, 0x33, 0x66}},
    {{0x77, 0x44, 0xAA}, {0xE8, 0xDD, 0xF4}, {0x44, 0x22, 0x77}},
    {{0x66, 0x66, 0x66}, {0xE4, 0xE4, 0xE4}, {0x33, 0x33, 0x33}},
    {{0x99, 0x66, 0x33}, {0xF0, 0xE2, 0xD0}, {0x5C, 0x38, 0x14}},
};

enum Ground { kWhite, kGrey, kBlack };

ColorPattern Make(const char* name, int accent, Ground ground) {
  const Accent& a = kAccents[accent];
  const Rgb white{0xFF, 0xFF, 0xFF};
  switch (ground) {
    case kWhite:
      return {name, a.strong, white, white, {0x33, 0x33, 0x33}, a.light, a.dark};
    case kGrey:
      return {name,  a.strong, white, {0xC0, 0xC0, 0xC0}, {0x11, 0x11, 0x11}, {0xDC, 0xDC, 0xDC},
              a.dark};
    case kBlack:
      return {name,   a.dark, white, {0x00, 0x00, 0x00}, {0xEE, 0xEE, 0xEE}, {0x26, 0x26, 0x26},
              a.light};
  }
  return {};
}

// Accent and ground of each pattern, in the order of the shared name table.
constexpr struct {
  int accent;
  Ground ground;
} kMakeup[kColorPatternCount] = {
    {0, kWhite}, {1, kWhite}, {2, kWhite}, {3, kWhite}, {4, kWhite}, {5, kWhite},
    {6, kWhite}, {2, kGrey},  {3, kGrey},  {4, kGrey},  {5, kGrey},  {6, kGrey},
    {2, kBlack}, {3, kBlack}, {4, kBlack}, {5, kBlack}, {6, kBlack},
};
static_assert(kColorPatternNames.size() == kColorPatternCount);

const std::array<ColorPattern, kColorPatternCount> kPatterns = [] {
  std::array<ColorPattern, kColorPatternCount> patterns{};
  for (int i = 0; i < kColorPatternCount; ++i) {
    patterns[i] = Make(kColorPatternNames[i].data(), kMakeup[i].accent, kMakeup[i].ground);
  }
  return patterns;
}();

constexpr int kSampleWidth = 120;
constexpr int kSampleHeight = 80;

void Put16(std::vector<uint8_t>& out, unsigned value) {
  out.push_back(value & 0xFF);
  out.push_back((value >> 8) & 0xFF);
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

}  // namespace

const ColorPattern& PatternAt(int index) { return kPatterns[index]; }

std::vector<uint8_t> SampleDib(int index) {
  const ColorPattern& p = kPatterns[index];
  const int stride = (kSampleWidth * 3 + 3) / 4 * 4;
  std::vector<uint8_t> out;
  out.reserve(40 + static_cast<size_t>(stride) * kSampleHeight);
  Put32(out, 40);
  Put32(out, kSampleWidth);
  Put32(out, kSampleHeight);
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);
  Put32(out, static_cast<uint32_t>(stride * kSampleHeight));
  Put32(out, 2835);
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);

  // y counts from the top; rows are stored bottom-up.
  auto colorAt = [&](int x, int y) -> Rgb {
    if (y < 16) return (y >= 6 && y < 10 && x >= 8 && x < 60) ? p.accentText : p.accent;
    // Two rows of three picture cells, each a panel with a picture and a caption line under it.
    for (int row = 0; row < 2; ++row) {
      for (int col = 0; col < 3; ++col) {
        const int left = 8 + col * 36, top = 22 + row * 29;
        if (x < left || x >= left + 32 || y < top || y >= top + 26) continue;
        const int ix = x - left, iy = y - top;
        if (ix >= 3 && ix < 29 && iy >= 3 && iy < 18) {
          // A tiny landscape: sky over ground, so the cell reads as a picture.
          return iy < 11 ? Rgb{0x9C, 0xC8, 0xF0} : Rgb{0x6A, 0x9A, 0x50};
        }
        if (iy >= 20 && iy < 22 && ix >= 3 && ix < 22) return p.link;
        return p.panel;
      }
    }
    return p.ground;
  };
  for (int y = kSampleHeight - 1; y >= 0; --y) {
    for (int x = 0; x < kSampleWidth; ++x) {
      const Rgb c = colorAt(x, y);
      out.push_back(c.b);
      out.push_back(c.g);
      out.push_back(c.r);
    }
    for (int pad = kSampleWidth * 3; pad < stride; ++pad) out.push_back(0);
  }
  return out;
}

}  // namespace orrivan::templates
