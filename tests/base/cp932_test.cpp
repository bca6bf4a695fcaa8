#include "base/cp932.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace orrivan::cp932 {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

TEST(Cp932, EncodesKnownTextByteForByte) {
  struct Case {
    const char* utf8;
    std::string cp932;
  };
  const Case cases[] = {
      {"ｸﾞﾘｰﾝ/ｸﾞﾚｰ", Bytes({0xB8, 0xDE, 0xD8, 0xB0, 0xDD, 0x2F, 0xB8, 0xDE, 0xDA, 0xB0})},
      {"表", Bytes({0x95, 0x5C})},
      {"日付", Bytes({0x93, 0xFA, 0x95, 0x74})},
      {"shift_jis", "shift_jis"},
      {"C:\\a~b", "C:\\a~b"},
      {"\r\n", "\r\n"},
      {"", ""},
      {"ﾒｰﾗｰの設定しない", Bytes({0xD2, 0xB0, 0xD7, 0xB0, 0x82, 0xCC, 0x90, 0xDD, 0x92, 0xE8, 0x82, 0xB5, 0x82,
                                0xC8, 0x82, 0xA2})},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Encode(c.utf8), c.cp932) << c.utf8;
    EXPECT_EQ(Decode(c.cp932), c.utf8) << c.utf8;
  }
}

TEST(Cp932, CharacterOutsideTheCodePageBecomesAReference) {
  EXPECT_EQ(Encode("/home/josé"), "/home/jos&#x00E9;");
  EXPECT_EQ(Encode("旅行😀"), Bytes({0x97, 0xB7, 0x8D, 0x73}) + "&#x1F600;");
  EXPECT_EQ(Encode("Ω"), Bytes({0x83, 0xB6}));  // Greek is in the code page
  EXPECT_EQ(Encode("€"), "&#x20AC;");
  // Broken UTF-8 is not passed on as raw bytes.
  EXPECT_EQ(Encode("a\xff" "b"), "a&#xFFFD;b");
  EXPECT_EQ(Encode("\xe6\x97"), "&#xFFFD;&#xFFFD;");
}

TEST(Cp932, RoundTripsThroughReferences) {
  const char* texts[] = {
      "ｸﾞﾘｰﾝ/ｸﾞﾚｰ と 表示", "/home/josé/写真/Image Library", "誕生日🎂パーティー", "ｶﾒﾗ内画像の取込",
      "①ⅰ㈱～", "Ünïcödé ümläut", "\U0010FFFF", "表\\表/表",
  };
  for (const char* t : texts) {
    std::string encoded = Encode(t);
    EXPECT_EQ(Decode(encoded, true), t) << t;
  }
  // Without resolving, the reference stays visible text (what a page shows as HTML).
  EXPECT_EQ(Decode(Encode("josé")), "jos&#x00E9;");
}

TEST(Cp932, LiteralReferenceTextSurvivesTheAlbumRoundTrip) {
  const char* texts[] = {"&#x41;", "a&#x3042;b", "&#x0026;", "&&#x41;;", "R&D &amp; &#65; &#x; &#xZZ;"};
  for (const char* t : texts) EXPECT_EQ(Decode(Encode(t), true), t) << t;
  EXPECT_EQ(Encode("&#x41;"), "&#x0026;#x41;");
  // Ampersands that open no reference stay single bytes (HTML entities written by the page writers).
  EXPECT_EQ(Encode("R&D &amp; &nbsp; &#65;"), "R&D &amp; &nbsp; &#65;");
}

TEST(Cp932, DecodeReplacesInvalidBytesAndKeepsGoing) {
  EXPECT_EQ(Decode(Bytes({'a', 0x81, 0x20, 'b'})), "a\uFFFD b");  // lead byte with a bad trail
  EXPECT_EQ(Decode(Bytes({'x', 0x95})), "x\uFFFD");               // lead byte at the end
  EXPECT_EQ(Decode(Bytes({0xA0, 'z'})), "\uFFFDz");
  EXPECT_EQ(Decode(Bytes({0xFD, 0x95, 0x5C})), "\uFFFD表");
}

TEST(Cp932, ResolvesOnlyWellFormedReferences) {
  EXPECT_EQ(Decode("&#x3042;&#X3042;&#x1f600;", true), "ああ😀");
  EXPECT_EQ(Decode("&#12354;", true), "&#12354;");  // decimal references are never written by us
  EXPECT_EQ(Decode("&#xZZ; &#x; &#x3042 &amp; &#0;", true), "&#xZZ; &#x; &#x3042 &amp; &#0;");
  EXPECT_EQ(Decode("&#xD800;&#x110000;", true), "&#xD800;&#x110000;");
  EXPECT_EQ(Decode("&#x3042;", false), "&#x3042;");
}

TEST(Cp932, LeadBytes) {
  for (int c = 0; c < 256; ++c) {
    bool expected = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    EXPECT_EQ(IsLeadByte(static_cast<unsigned char>(c)), expected) << c;
  }
}

TEST(Cp932, CutPointNeverSplitsACharacterOrReference) {
  std::string s = Encode("日付ABC");  // 93 FA 95 74 41 42 43
  struct Case {
    size_t max, expected;
  };
  for (Case c : {Case{0, 0}, Case{1, 0}, Case{2, 2}, Case{3, 2}, Case{4, 4}, Case{5, 5}, Case{7, 7}, Case{100, 7}}) {
    EXPECT_EQ(CutPoint(s, c.max), c.expected) << c.max;
  }
  std::string r = Encode("aé表");  // a &#x00E9; 95 5C
  ASSERT_EQ(r, "a&#x00E9;" + Bytes({0x95, 0x5C}));
  for (Case c : {Case{1, 1}, Case{2, 1}, Case{8, 1}, Case{9, 9}, Case{10, 9}, Case{11, 11}}) {
    EXPECT_EQ(CutPoint(r, c.max), c.expected) << c.max;
  }
  // Half-width katakana are single bytes; an '&' that opens no reference is one byte.
  EXPECT_EQ(CutPoint(Encode("ｸﾞﾘｰﾝ"), 3), 3u);
  EXPECT_EQ(CutPoint("a&b&#x41", 3), 3u);
}

TEST(Cp932, TitleCutIntoTwentyBytePiecesStaysWhole) {
  std::string title = Encode("北海道旅行😀２００７年夏休み、家族でé");
  std::string rebuilt;
  std::string_view rest = title;
  while (!rest.empty()) {
    size_t n = CutPoint(rest, 20);
    ASSERT_GT(n, 0u);
    ASSERT_LE(n, 20u);
    // Every piece decodes on its own without a replacement character.
    EXPECT_EQ(Decode(rest.substr(0, n)).find("\uFFFD"), std::string::npos);
    rebuilt += rest.substr(0, n);
    rest.remove_prefix(n);
  }
  EXPECT_EQ(rebuilt, title);
}

TEST(Cp932, SplitPathBytesIgnoresTrailByte5C) {
  std::string path = Encode("C:\\写真\\表\\a.jpg");
  std::vector<std::string> parts = SplitPathBytes(path);
  ASSERT_EQ(parts.size(), 4u);
  EXPECT_EQ(parts[0], "C:");
  EXPECT_EQ(Decode(parts[1]), "写真");
  EXPECT_EQ(parts[2], Bytes({0x95, 0x5C}));
  EXPECT_EQ(parts[3], "a.jpg");
  EXPECT_EQ(SplitPathBytes("/a//b/"), (std::vector<std::string>{"", "a", "", "b", ""}));
  EXPECT_EQ(SplitPathBytes(Encode("ソ/ソ")), (std::vector<std::string>{Encode("ソ"), Encode("ソ")}));
}

TEST(Cp932, ConvertersArePerThread) {
  const std::string text = "ﾗｲﾌﾞﾗﾘを書き込み中にｴﾗｰが発生しました😀";
  const std::string expected = Encode(text);
  std::vector<std::thread> threads;
  std::vector<int> mismatches(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        if (Encode(text) != expected || Decode(expected, true) != text) ++mismatches[t];
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int m : mismatches) EXPECT_EQ(m, 0);
}

}  // namespace
}  // namespace orrivan::cp932
