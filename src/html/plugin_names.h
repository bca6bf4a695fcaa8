// The template titles and colour pattern names of the bundled plug-in. Day records store them as
// text ("title,colour"); a rebuild turns that text back into the two indexes, so the program and
// the plug-in must agree on these tables and their order.
#pragma once

#include <array>
#include <string_view>

namespace orrivan {

inline constexpr std::array<std::string_view, 4> kTemplateTitles = {"タイプ１", "タイプ２",
                                                                    "タイプ３", "タイプ４"};

inline constexpr std::array<std::string_view, 17> kColorPatternNames = {
    "ﾌｧﾝｼｰﾌﾞﾙｰ/ﾎﾜｲﾄ", "ﾌｧﾝｼｰﾋﾟﾝｸ/ﾎﾜｲﾄ", "ｸﾞﾘｰﾝ/ﾎﾜｲﾄ",   "ﾌﾞﾙｰ/ﾎﾜｲﾄ",   "ﾊﾟｰﾌﾟﾙ/ﾎﾜｲﾄ", "ｸﾞﾚｰ/ﾎﾜｲﾄ",
    "ﾌﾞﾗｳﾝ/ﾎﾜｲﾄ",     "ｸﾞﾘｰﾝ/ｸﾞﾚｰ",     "ﾌﾞﾙｰ/ｸﾞﾚｰ",    "ﾊﾟｰﾌﾟﾙ/ｸﾞﾚｰ", "ｸﾞﾚｰ/ｸﾞﾚｰ",   "ﾌﾞﾗｳﾝ/ｸﾞﾚｰ",
    "ｸﾞﾘｰﾝ/ﾌﾞﾗｯｸ",    "ﾌﾞﾙｰ/ﾌﾞﾗｯｸ",     "ﾊﾟｰﾌﾟﾙ/ﾌﾞﾗｯｸ", "ｸﾞﾚｰ/ﾌﾞﾗｯｸ",  "ﾌﾞﾗｳﾝ/ﾌﾞﾗｯｸ"};

// The colour pattern chosen when nobody chose one ("ｸﾞﾘｰﾝ/ｸﾞﾚｰ").
inline constexpr int kDefaultColorPattern = 7;

}  // namespace orrivan
