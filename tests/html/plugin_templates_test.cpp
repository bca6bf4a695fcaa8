// The bundled template plug-in through the host: its tables, samples, and the day pages it writes
// for a day of pictures, a movie, voice memos and shortcuts, checked by resolving every link.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "base/cp932.h"
#include "base/paths.h"
#include "base/settings.h"
#include "html/plugin_host.h"
#include "html/plugin_names.h"
#include "support/link_check.h"
#include "support/temp_dir.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;
using settings::Key;
using ::testing::HasSubstr;
using ::testing::Not;

const fs::path kTemplatesPlugin = ORRIVAN_TEMPLATES_PLUGIN;

std::string Unescape(std::string text) {
  const std::pair<const char*, const char*> entities[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&amp;", "&"}};
  for (const auto& [from, to] : entities) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + 1)) {
      text.replace(at, std::string_view(from).size(), to);
    }
  }
  return text;
}

std::string PercentDecode(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// Every href and src of a page, as written (entities resolved).
std::vector<std::string> Links(const std::string& page) {
  std::vector<std::string> links;
  static const std::regex attribute(R"re((?:href|src)="([^"]*)")re", std::regex::icase);
  for (std::sregex_iterator it(page.begin(), page.end(), attribute), end; it != end; ++it) {
    links.push_back(Unescape((*it)[1].str()));
  }
  return links;
}

// The shared link checker's verdict on a day page: "" when every link names an existing file.
std::string BrokenLinks(const fs::path& day) {
  const auto broken = test::CheckPageLinks(day / "INDEX.HTM");
  EXPECT_GT(test::LastCheckedLinkCount(), 0u);
  return test::Describe(broken);
}

class TemplatesPluginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings::UseFile(dir_ / "Orrivan.conf");
    SetHomeFolder(dir_ / "home");
    SetPluginFoldersForTesting({dir_ / "home" / "Plugins", kTemplatesPlugin.parent_path()});
    settings::SetString(Key::DllPath, "./Plugins/templates.so");
    settings::SetString(Key::MailName, "Outlook");
  }
  void TearDown() override {
    SetPluginFoldersForTesting({});
    SetHomeFolder({});
    settings::UseFile({});
  }

  CPhotoData& Add(const fs::path& file, const std::string& hour,
                  const std::string& bytes = "data") {
    if (!fs::exists(file, ec_) && !fs::is_symlink(file, ec_)) test::WriteFile(file, bytes);
    CPhotoData p;
    p.filePath = file.string();
    p.year = "2004", p.month = "03", p.day = "15", p.hour = hour, p.minute = "20", p.second = "30";
    p.size = static_cast<int32_t>(bytes.size());
    pictures_.push_back(p);
    return pictures_.back();
  }

  // A day of every kind of entry: two JPEGs, a movie, a picture with its memo, a lone memo.
  fs::path MakeMixedDay(bool listPairedMemo = true) {
    const fs::path day = dir_ / "Image Library" / "20040315";
    Add(day / "IMG_0001.JPG", "09");
    Add(day / "img_0002.jpg", "10");
    Add(day / "MVI_0003.AVI", "11");
    Add(day / "IMG_0004.JPG", "12");
    test::WriteFile(day / "IMG_0004.WAV", "RIFF");
    if (listPairedMemo) Add(day / "IMG_0004.WAV", "12");
    Add(day / "SND_0005.WAV", "13");
    for (const char* preview :
         {"IMG_0001.JPG", "img_0002.JPG", "MVI_0003a.JPG", "IMG_0004.JPG", "SND_0005.JPG"}) {
      test::WriteFile(day / "PREVIEW" / preview, "jpeg");
    }
    return day;
  }

  int Make(const fs::path& day, int templateIndex, int colorIndex,
           const std::string& title = "春の旅行") {
    std::vector<const CPhotoData*> list;
    for (const CPhotoData& p : pictures_) list.push_back(&p);
    return CallMakeHtmlFile(day, "./Plugins/templates.so", templateIndex, colorIndex, list, title);
  }

  static std::string Page(const fs::path& day) {
    return cp932::Decode(test::ReadFile(day / "INDEX.HTM"));
  }

  test::TempDir tmp_;
  fs::path dir_ = tmp_.path();
  std::vector<CPhotoData> pictures_;
  std::error_code ec_;
};

TEST_F(TemplatesPluginTest, OffersFourTemplatesAndSeventeenColourPatterns) {
  const auto templates = ListPluginTemplates();
  std::vector<std::string> titles;
  for (const PluginTemplate& t : templates) titles.push_back(t.title);
  EXPECT_EQ(titles, (std::vector<std::string>(kTemplateTitles.begin(), kTemplateTitles.end())));
  ASSERT_EQ(templates.size(), 4u);
  EXPECT_EQ(templates[0].reference, "./Plugins/templates.so");
  EXPECT_EQ(PluginColorPatterns(templates[0].library),
            (std::vector<std::string>(kColorPatternNames.begin(), kColorPatternNames.end())));
  EXPECT_EQ(PluginColorPatterns(templates[0].library)[7], "ｸﾞﾘｰﾝ/ｸﾞﾚｰ");
  for (int i = 0; i < 4; ++i) {
    EXPECT_THAT(PluginTemplateSummary(templates[0].library, i),
                HasSubstr(std::string(kTemplateTitles[i])));
  }
  EXPECT_EQ(PluginTemplateSummary(templates[0].library, 4), "");
  EXPECT_EQ(PluginTemplateSummary(templates[0].library, -1), "");
}

TEST_F(TemplatesPluginTest, EveryColourPatternHasItsOwnPackedBitmap) {
  std::set<std::vector<uint8_t>> seen;
  for (int i = 0; i < 17; ++i) {
    SCOPED_TRACE(i);
    const std::vector<uint8_t> dib = PluginColorSample(kTemplatesPlugin, i);
    ASSERT_GE(dib.size(), 40u);
    auto u32 = [&](size_t at) {
      return dib[at] | dib[at + 1] << 8 | dib[at + 2] << 16 | dib[at + 3] << 24;
    };
    auto u16 = [&](size_t at) { return dib[at] | dib[at + 1] << 8; };
    EXPECT_EQ(u32(0), 40);
    const int width = u32(4), height = u32(8);
    EXPECT_GT(width, 0);
    EXPECT_GT(height, 0);
    EXPECT_EQ(u16(12), 1);
    EXPECT_EQ(u16(14), 24);
    EXPECT_EQ(u32(16), 0);
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
    EXPECT_EQ(dib.size(), 40 + stride * height);
    seen.insert(dib);
  }
  EXPECT_EQ(seen.size(), 17u);
  EXPECT_TRUE(PluginColorSample(kTemplatesPlugin, 17).empty());
  EXPECT_TRUE(PluginColorSample(kTemplatesPlugin, -1).empty());
}

TEST_F(TemplatesPluginTest, MixedDayPageLinksResolveInEveryTemplate) {
  const fs::path day = MakeMixedDay();
  for (int t = 0; t < 4; ++t) {
    SCOPED_TRACE(t);
    ASSERT_EQ(Make(day, t, 7), 1);
    const std::string bytes = test::ReadFile(day / "INDEX.HTM");
    const std::string page = cp932::Decode(bytes);
    EXPECT_THAT(page, HasSubstr("charset=shift_jis"));
    EXPECT_THAT(page, HasSubstr("春の旅行"));
    EXPECT_THAT(page, HasSubstr("2004年3月15日"));
    EXPECT_EQ(BrokenLinks(day), "");
    // Pictures and the movie show their previews and link to their files.
    for (const char* pair : {"href=\"IMG_0001.JPG\"><img src=\"PREVIEW/IMG_0001.JPG\"",
                             "href=\"img_0002.jpg\"><img src=\"PREVIEW/img_0002.JPG\"",
                             "href=\"MVI_0003.AVI\"><img src=\"PREVIEW/MVI_0003a.JPG\"",
                             "href=\"SND_0005.WAV\"><img src=\"PREVIEW/SND_0005.JPG\""}) {
      EXPECT_THAT(page, HasSubstr(pair));
    }
    // The memo of IMG_0004 plays beside it and is no entry of its own; the lone memo plays too.
    EXPECT_THAT(page, HasSubstr("<audio controls preload=\"none\" src=\"IMG_0004.WAV\">"));
    EXPECT_THAT(page, HasSubstr("<audio controls preload=\"none\" src=\"SND_0005.WAV\">"));
    EXPECT_THAT(page, Not(HasSubstr("href=\"IMG_0004.WAV\"")));
    // CR LF throughout, and nothing but code page 932 bytes.
    for (size_t at = bytes.find('\n'); at != std::string::npos; at = bytes.find('\n', at + 1)) {
      ASSERT_TRUE(at > 0 && bytes[at - 1] == '\r') << "bare LF at " << at;
    }
    EXPECT_EQ(cp932::Encode(page), bytes);
  }
}

TEST_F(TemplatesPluginTest, MemoLeftOutOfTheAlbumListStillPlaysBesideItsPicture) {
  const fs::path day = MakeMixedDay(/*listPairedMemo=*/false);
  ASSERT_EQ(Make(day, 0, 3), 1);
  const std::string page = Page(day);
  EXPECT_THAT(page, HasSubstr("src=\"IMG_0004.WAV\""));
  EXPECT_EQ(BrokenLinks(day), "");
}

TEST_F(TemplatesPluginTest, PageKeepsWorkingAfterTheDayFolderMoves) {
  const fs::path day = MakeMixedDay();
  ASSERT_EQ(Make(day, 2, 12), 1);
  const fs::path moved = dir_ / "backup" / "Image Library" / "20040315";
  fs::create_directories(moved.parent_path());
  fs::rename(day, moved);
  const std::string page = Page(moved);
  EXPECT_EQ(Links(page).empty(), false);
  EXPECT_EQ(BrokenLinks(moved), "");
}

TEST_F(TemplatesPluginTest, DatedFolderPicturesInCardSubfoldersLinkBelowTheDay) {
  const fs::path day = dir_ / "Image Library" / "20040300_01";
  Add(day / "100CANON" / "IMG_0100.jpg", "08");
  test::WriteFile(day / "100CANON" / "PREVIEW" / "IMG_0100.JPG", "jpeg");
  ASSERT_EQ(Make(day, 1, 0, ""), 1);
  const std::string page = Page(day);
  EXPECT_THAT(
      page, HasSubstr("href=\"100CANON/IMG_0100.jpg\"><img src=\"100CANON/PREVIEW/IMG_0100.JPG\""));
  EXPECT_THAT(page, HasSubstr("2004年3月"));  // day part 00: a month only
  EXPECT_THAT(page, Not(HasSubstr("3月0日")));
  EXPECT_EQ(BrokenLinks(day), "");
}

TEST_F(TemplatesPluginTest, ShortcutDayShowsPreviewsAndLinksToTheOriginals) {
  const fs::path card = dir_ / "card" / "DCIM" / "100CANON";
  test::WriteFile(card / "IMG_0001.JPG", "jpeg");
  test::WriteFile(card / "IMG_0001.WAV", "RIFF");
  test::WriteFile(card / "MVI_0002.AVI", "RIFF");
  const fs::path day = dir_ / "Image Library" / "20040316";
  fs::create_directories(day);
  for (const char* name : {"IMG_0001.JPG", "IMG_0001.WAV", "MVI_0002.AVI"}) {
    fs::create_symlink(card / name, day / (std::string(name) + ".lnk"));
  }
  test::WriteFile(day / "PREVIEW" / "IMG_0001.JPG", "jpeg");
  test::WriteFile(day / "PREVIEW" / "MVI_0002a.JPG", "jpeg");
  Add(day / "IMG_0001.JPG.lnk", "09");
  Add(day / "MVI_0002.AVI.lnk", "10");
  ASSERT_EQ(Make(day, 0, 7), 1);
  const std::string page = Page(day);
  EXPECT_THAT(page, HasSubstr("src=\"PREVIEW/IMG_0001.JPG\""));
  EXPECT_THAT(page, HasSubstr("src=\"PREVIEW/MVI_0002a.JPG\""));
  EXPECT_THAT(page, HasSubstr("href=\"file://" + (card / "IMG_0001.JPG").string() + "\""));
  EXPECT_THAT(page, HasSubstr("<audio controls preload=\"none\" src=\"file://" +
                              (card / "IMG_0001.WAV").string() + "\""));
  EXPECT_THAT(page, HasSubstr(">IMG_0001.JPG<"));
  EXPECT_THAT(page, Not(HasSubstr(".lnk")));
  EXPECT_EQ(BrokenLinks(day), "");
}

TEST_F(TemplatesPluginTest, TitlesAndNamesAreShownAsText) {
  const fs::path day = dir_ / "Image Library" / "20040317";
  Add(day / "A&B <x>.JPG", "09");
  test::WriteFile(day / "PREVIEW" / "A&B <x>.JPG", "jpeg");
  ASSERT_EQ(Make(day, 0, 7, "<script>alert(\"x\")</script> & 😀"), 1);
  const std::string page = Page(day);
  EXPECT_THAT(page, Not(HasSubstr("<script>")));
  EXPECT_THAT(page, HasSubstr("&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; &amp; &#x1F600;"));
  EXPECT_THAT(page, HasSubstr(">A&amp;B &lt;x&gt;.JPG<"));
  EXPECT_THAT(page, HasSubstr("href=\"A%26B%20%3Cx%3E.JPG\""));
  EXPECT_EQ(BrokenLinks(day), "");
}

TEST_F(TemplatesPluginTest, ButtonsFollowTemplateAndSettings) {
  const fs::path day = MakeMixedDay();
  struct Case {
    int templateIndex;
    int printButton;
    const char* mailName;
    bool print;
    bool mail;
  };
  const Case cases[] = {
      {0, 0, "Outlook", true, true},
      {2, 0, "Outlook", true, true},
      {1, 0, "Outlook", false, false},
      {3, 0, "Outlook", false, false},
      {0, 1, "Outlook", false, true},
      {2, 1, "Eudora", false, true},
      {0, 0, "ﾒｰﾗｰの設定しない", true, false},
      {2, 0, "", true, false},
      {1, 1, "ﾒｰﾗｰの設定しない", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.templateIndex) + " " + std::to_string(c.printButton) + " " +
                 c.mailName);
    settings::SetInt(Key::PrintButton, c.printButton);
    settings::SetString(Key::MailName, c.mailName);
    ASSERT_EQ(Make(day, c.templateIndex, 5), 1);
    const std::string page = Page(day);
    EXPECT_EQ(page.find(">PRINT<") != std::string::npos, c.print);
    EXPECT_EQ(page.find(">MAIL<") != std::string::npos, c.mail);
    EXPECT_EQ(page.find("mailto:") != std::string::npos, c.mail);
  }
}

TEST_F(TemplatesPluginTest, MailBodyNamesThePicturesAtTheChosenSize) {
  const fs::path day = MakeMixedDay();
  settings::SetInt(Key::TempSize, 0);
  ASSERT_EQ(Make(day, 0, 7), 1);
  std::string mailto;
  for (const std::string& link : Links(Page(day))) {
    if (link.rfind("mailto:", 0) == 0) mailto = PercentDecode(link);
  }
  EXPECT_THAT(mailto, HasSubstr("640×480"));
  EXPECT_THAT(mailto, HasSubstr("\r\nIMG_0001.JPG\r\n"));
  EXPECT_THAT(mailto, Not(HasSubstr("MVI_0003")));  // a movie is no picture to mail

  settings::SetInt(Key::TempSize, 1);
  ASSERT_EQ(Make(day, 0, 7), 1);
  for (const std::string& link : Links(Page(day))) {
    if (link.rfind("mailto:", 0) == 0) mailto = PercentDecode(link);
  }
  EXPECT_THAT(mailto, HasSubstr("320×240"));
  EXPECT_THAT(mailto, HasSubstr("\r\nPREVIEW/IMG_0001.JPG\r\n"));
}

TEST_F(TemplatesPluginTest, IndexesOutsideTheTablesKeepAnExistingPage) {
  const fs::path day = MakeMixedDay();
  test::WriteFile(day / "INDEX.HTM", "hand made");
  for (const auto& [t, c] : std::vector<std::pair<int, int>>{{4, 17}, {4, 3}, {1, 17}, {-1, 0}}) {
    SCOPED_TRACE(std::to_string(t) + "," + std::to_string(c));
    EXPECT_EQ(Make(day, t, c), 1);
    EXPECT_EQ(test::ReadFile(day / "INDEX.HTM"), "hand made");
  }
  // Without a page the day gets template 0 in colour 7.
  fs::remove(day / "INDEX.HTM");
  ASSERT_EQ(Make(day, 4, 17), 1);
  ASSERT_EQ(Make(day, 0, 7), 1);  // reference
  const std::string reference = Page(day);
  fs::remove(day / "INDEX.HTM");
  ASSERT_EQ(Make(day, 4, 17), 1);
  EXPECT_EQ(Page(day), reference);
}

TEST_F(TemplatesPluginTest, LayoutsAndColoursGiveDifferentPages) {
  const fs::path day = MakeMixedDay();
  std::set<std::string> pages;
  for (int t = 0; t < 4; ++t) {
    ASSERT_EQ(Make(day, t, 7), 1);
    pages.insert(Page(day));
  }
  for (int c : {0, 7, 16}) {
    ASSERT_EQ(Make(day, 0, c), 1);
    pages.insert(Page(day));
  }
  EXPECT_EQ(pages.size(), 6u);  // template 0 in colour 7 twice
}

TEST_F(TemplatesPluginTest, EmptyDayAndMissingFolder) {
  const fs::path day = dir_ / "Image Library" / "950101";
  fs::create_directories(day);
  ASSERT_EQ(Make(day, 3, 16, ""), 1);
  const std::string page = Page(day);
  EXPECT_THAT(page, HasSubstr("1995年1月1日"));
  EXPECT_THAT(page, HasSubstr("<title>1995年1月1日</title>"));
  EXPECT_EQ(Make(dir_ / "Image Library" / "missing", 0, 7), 0);
  EXPECT_FALSE(fs::exists(dir_ / "Image Library" / "missing"));
}

TEST_F(TemplatesPluginTest, ReplacesAProtectedPageWithoutLeavingTemporaries) {
  const fs::path day = MakeMixedDay();
  test::WriteFile(day / "INDEX.HTM", "old");
  fs::permissions(day / "INDEX.HTM", fs::perms(0444));
  ASSERT_EQ(Make(day, 0, 7), 1);
  EXPECT_THAT(Page(day), HasSubstr("春の旅行"));
  for (const auto& entry : fs::directory_iterator(day)) {
    EXPECT_EQ(entry.path().filename().string().find(".INDEX.HTM"), std::string::npos);
  }
}

}  // namespace
}  // namespace orrivan
