// The general page's folder and template texts, and what the version page says it was built with.
#include "app/settings_display.h"

#include <gtest/gtest.h>

#include <QtGlobal>

#include "app/build_info.h"
#include "base/settings.h"
#include "support/home_fixture.h"

namespace orrivan::test {
namespace {

TEST(FolderDisplayText, TwentyThreeCharactersStayWholeAndTwentyFourAreCut) {
  const std::string exact = "/home/user/Photo/Librar";  // 23
  ASSERT_EQ(exact.size(), 23u);
  EXPECT_EQ(FolderDisplayText(exact), exact);
  EXPECT_EQ(FolderDisplayText("/home/user/Photos/Librar"), "/ho ... e/user/Photos/Librar");
  EXPECT_EQ(FolderDisplayText(""), "");
}

TEST(FolderDisplayText, CountsCharactersNotBytes) {
  // 23 characters, 55 bytes: shown whole.
  const std::string japanese = "/写真/家族の写真/二〇〇四年の旅行/ライブラ";
  EXPECT_EQ(FolderDisplayText(japanese), japanese);
  // One more character: first 3 and last 20, each cut on a character boundary.
  EXPECT_EQ(FolderDisplayText("/写真/家族の写真/二〇〇四年の旅行/ライブラリ"),
            "/写真 ... 家族の写真/二〇〇四年の旅行/ライブラリ");
}

class TemplateDisplay : public HomeFixture {};

TEST_F(TemplateDisplay, JoinsTitleAndColourWithTheBackgroundWord) {
  settings::SetString(settings::Key::TemplateType, "タイプ２");
  settings::SetString(settings::Key::TemplateBackCol, "ﾌﾞﾙｰ/ｸﾞﾚｰ");
  EXPECT_EQ(TemplateDisplayText(), "タイプ２ / 背景 ﾌﾞﾙｰ/ｸﾞﾚｰ");
}

TEST(BuildInfo, NamesTheLibrariesTheProgramWasBuiltWith) {
  EXPECT_EQ(ProgramName(), "Orrivan");
  EXPECT_FALSE(ProgramVersion().empty());
  const auto components = BuildComponents();
  ASSERT_EQ(components.size(), 3u);
  EXPECT_EQ(components[0].name, "Qt");
  // The Qt the program runs with has the version it was built with (same major and minor).
  EXPECT_EQ(components[0].version.substr(0, 3), std::string(qVersion()).substr(0, 3));
  EXPECT_EQ(components[1].name, "libjpeg-turbo");
  EXPECT_NE(components[1].version.find('.'), std::string::npos);
  EXPECT_EQ(components[2].name, "FFmpeg");
  EXPECT_NE(components[2].version.find("libavformat "), std::string::npos);
  EXPECT_EQ(components[2].version.find("LIBAV"), std::string::npos);  // macros expanded
}

}  // namespace
}  // namespace orrivan::test
