// The plug-in host against small test plug-ins: order of templates, the start-up choice and its
// repair, trusted loading, the calls of MakeHtmlFile and the selection dialog's model.
#include "html/plugin_host.h"
#include "html/plugin_name_list.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/paths.h"
#include "base/settings.h"
#include "html/plugin_choice.h"
#include "html/template_repair.h"
#include "library/album_document.h"
#include "support/temp_dir.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;
using settings::Key;

const fs::path kTestPlugins = ORRIVAN_TEST_PLUGIN_DIR;

class PluginHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings::UseFile(dir_ / "Orrivan.conf");
    SetHomeFolder(dir_ / "home");
    fs::create_directories(homePlugins_);
    fs::create_directories(bundled_);
    SetPluginFoldersForTesting({homePlugins_, bundled_});
  }
  void TearDown() override {
    SetPluginFoldersForTesting({});
    SetHomeFolder({});
    settings::UseFile({});
  }

  // Copies a test plug-in into a plug-in folder with the given mode.
  fs::path Install(const std::string& name, const fs::path& folder,
                   fs::perms mode = fs::perms(0755)) {
    fs::create_directories(folder);
    const fs::path target = folder / (name + ".so");
    fs::copy_file(kTestPlugins / (name + ".so"), target, fs::copy_options::overwrite_existing);
    fs::permissions(target, mode);
    return target;
  }

  void InstallAll() {
    for (const char* name : {"first_B", "second_a", "third_no_make", "fourth_bad_list"}) {
      Install(name, homePlugins_);
    }
  }

  static std::vector<std::string> Titles(const std::vector<PluginTemplate>& templates) {
    std::vector<std::string> titles;
    for (const PluginTemplate& t : templates)
      titles.push_back(t.title + "#" + std::to_string(t.index));
    return titles;
  }

  fs::path Day(const std::string& name) {
    const fs::path day = dir_ / "Image Library" / name;
    fs::create_directories(day);
    return day;
  }

  test::TempDir tmp_;
  fs::path dir_ = tmp_.path();
  fs::path homePlugins_ = dir_ / "home" / "Plugins";
  fs::path bundled_ = dir_ / "bundled";
};

TEST_F(PluginHostTest, TemplatesSortIgnoringCaseAndKeepArrivalOrderForEqualTitles) {
  InstallAll();
  // Listed first_B, fourth_bad_list, second_a, third_no_make; the two "same" keep that order.
  EXPECT_EQ(
      Titles(ListPluginTemplates()),
      (std::vector<std::string>{"a#0", "B#0", "ok!#0", "same#1", "same#1", "zz no writer#0"}));
  const auto templates = ListPluginTemplates();
  EXPECT_EQ(templates[3].library.filename(), "first_B.so");
  EXPECT_EQ(templates[4].library.filename(), "second_a.so");

  const auto first = ScanPlugins();
  ASSERT_TRUE(first);
  EXPECT_EQ(first->title, "a");
  EXPECT_EQ(first->index, 0);
  EXPECT_EQ(first->reference, "./Plugins/second_a.so");
}

TEST_F(PluginHostTest, ScanFindsNothingWithoutPlugins) {
  EXPECT_TRUE(ListPluginTemplates().empty());
  EXPECT_FALSE(ScanPlugins());
}

TEST_F(PluginHostTest, HomePluginHidesTheBundledOneOfTheSameName) {
  Install("first_B", bundled_);
  fs::copy_file(kTestPlugins / "second_a.so", homePlugins_ / "first_B.so");
  EXPECT_EQ(Titles(ListPluginTemplates()), (std::vector<std::string>{"a#0", "same#1"}));
  EXPECT_EQ(FindPluginLibrary("./Plugins/first_B.so"), homePlugins_ / "first_B.so");
}

TEST_F(PluginHostTest, RefusesPluginsThatOthersMayWrite) {
  for (fs::perms mode : {fs::perms(0664), fs::perms(0646), fs::perms(0777)}) {
    SCOPED_TRACE(static_cast<int>(mode));
    const fs::path plugin = Install("first_B", homePlugins_, mode);
    EXPECT_FALSE(IsTrustedPluginFile(plugin));
    EXPECT_TRUE(ListPluginTemplates().empty());
    EXPECT_FALSE(FindPluginLibrary("./Plugins/first_B.so"));
    const fs::path day = Day("20040315");
    EXPECT_EQ(CallMakeHtmlFile(day, "./Plugins/first_B.so", 0, 0, {}, "t"), 0);
    EXPECT_FALSE(fs::exists(day / "INDEX.HTM"));
  }
  Install("first_B", homePlugins_, fs::perms(0644));
  EXPECT_EQ(Titles(ListPluginTemplates()), (std::vector<std::string>{"B#0", "same#1"}));
}

TEST_F(PluginHostTest, NeverLoadsFromTheCurrentFolder) {
  const fs::path elsewhere = dir_ / "cwd";
  Install("first_B", elsewhere / "Plugins");
  Install("second_a", elsewhere);
  const fs::path before = fs::current_path();
  fs::current_path(elsewhere);
  EXPECT_FALSE(FindPluginLibrary("./Plugins/first_B.so"));
  EXPECT_FALSE(FindPluginLibrary("second_a.so"));
  // Only the file name of a reference counts: a path never leads out of the plug-in folders.
  EXPECT_FALSE(FindPluginLibrary((elsewhere / "second_a.so").string()));
  EXPECT_FALSE(FindPluginLibrary("./Plugins/../second_a.so"));
  EXPECT_TRUE(ListPluginTemplates().empty());
  fs::current_path(before);
}

TEST_F(PluginHostTest, ReferencesOfEitherSeparatorFindTheBundledPlugin) {
  const fs::path plugin = Install("first_B", bundled_);
  EXPECT_EQ(FindPluginLibrary("./Plugins/first_B.so"), plugin);
  EXPECT_EQ(FindPluginLibrary(".\\Plugins\\first_B.so"), plugin);
  EXPECT_FALSE(FindPluginLibrary("./Plugins/"));
  EXPECT_FALSE(FindPluginLibrary(""));
  EXPECT_FALSE(FindPluginLibrary("./Plugins/.."));
  EXPECT_EQ(PluginReference(plugin), "./Plugins/first_B.so");
}

TEST_F(PluginHostTest, RepairChoosesTheFirstTitleOnAFreshHome) {
  InstallAll();
  EXPECT_TRUE(RepairTemplateChoice());
  EXPECT_EQ(settings::GetString(Key::TemplateType), "a");
  EXPECT_EQ(settings::GetInt(Key::TemplateTypeNo), 0);
  EXPECT_EQ(settings::GetString(Key::TemplateBackCol), "ｸﾞﾘｰﾝ/ｸﾞﾚｰ");
  EXPECT_EQ(settings::GetInt(Key::TemplateBackNo), 7);
  EXPECT_EQ(settings::GetString(Key::DllPath), "./Plugins/second_a.so");
}

TEST_F(PluginHostTest, RepairKeepsAStoredPluginThatExistsInEitherFolder) {
  Install("second_a", homePlugins_);
  Install("first_B", bundled_);
  settings::SetString(Key::DllPath, "./Plugins/first_B.so");
  settings::SetString(Key::TemplateType, "same");
  settings::SetInt(Key::TemplateTypeNo, 1);
  settings::SetInt(Key::TemplateBackNo, 3);
  EXPECT_TRUE(RepairTemplateChoice());
  EXPECT_EQ(settings::GetString(Key::DllPath), "./Plugins/first_B.so");
  EXPECT_EQ(settings::GetString(Key::TemplateType), "same");
  EXPECT_EQ(settings::GetInt(Key::TemplateBackNo), 3);
}

TEST_F(PluginHostTest, RepairReplacesAMissingOrUntrustedPlugin) {
  Install("first_B", homePlugins_);
  for (const char* stored : {".\\Plugins\\Template.dll", "./Plugins/second_a.so"}) {
    SCOPED_TRACE(stored);
    settings::SetString(Key::DllPath, stored);
    settings::SetString(Key::TemplateType, "old");
    EXPECT_TRUE(RepairTemplateChoice());
    EXPECT_EQ(settings::GetString(Key::DllPath), "./Plugins/first_B.so");
    EXPECT_EQ(settings::GetString(Key::TemplateType), "B");
  }
  // second_a is present but writable by the group: as good as missing.
  Install("second_a", homePlugins_, fs::perms(0664));
  settings::SetString(Key::DllPath, "./Plugins/second_a.so");
  EXPECT_TRUE(RepairTemplateChoice());
  EXPECT_EQ(settings::GetString(Key::DllPath), "./Plugins/first_B.so");
}

TEST_F(PluginHostTest, RepairWithoutPluginsStoresNoTemplate) {
  settings::SetString(Key::DllPath, "./Plugins/gone.so");
  EXPECT_FALSE(RepairTemplateChoice());
  EXPECT_EQ(settings::GetString(Key::TemplateType), "");
  EXPECT_EQ(settings::GetInt(Key::TemplateTypeNo), -1);
  EXPECT_EQ(settings::GetString(Key::TemplateBackCol), "");
  EXPECT_EQ(settings::GetInt(Key::TemplateBackNo), -1);
  EXPECT_EQ(settings::GetString(Key::DllPath), "");
}

TEST(PluginNameList, ReadsOnlyWellFormedEntriesInsideTheBuffer) {
  struct Case {
    const char* name;
    std::vector<char> bytes;
    int count;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"two entries", {3, 'a', 0, 4, 'b', 'c', 0}, 2, {"a", "bc"}},
      {"count below entries", {3, 'a', 0, 4, 'b', 'c', 0}, 1, {"a"}},
      {"count above entries", {3, 'a', 0}, 9, {"a"}},
      {"zero count", {3, 'a', 0}, 0, {}},
      {"negative count", {3, 'a', 0}, -1, {}},
      {"length byte below 2", {3, 'a', 0, 1, 'b', 0}, 2, {"a"}},
      {"entry past the end", {3, 'a', 0, 9, 'b', 0}, 2, {"a"}},
      {"name not terminated", {3, 'a', 'b', 3, 'c', 0}, 2, {}},
      {"empty name", {2, 0, 3, 'x', 0}, 2, {"", "x"}},
      {"entry longer than its name", {6, 'a', 0, 'z', 'z', 'z', 3, 'b', 0}, 2, {"a", "b"}},
      {"empty buffer", {}, 3, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ParseNameList(c.bytes, c.count), c.expected);
  }
}

TEST_F(PluginHostTest, ALyingTitleListYieldsOnlyItsSoundEntries) {
  Install("fourth_bad_list", homePlugins_);
  EXPECT_EQ(Titles(ListPluginTemplates()), (std::vector<std::string>{"ok!#0"}));
}

TEST(PluginIndexes, DerivedFromTheDayTemplateText) {
  struct Case {
    const char* text;
    TemplateIndexes expected;
  };
  const Case cases[] = {
      {"タイプ１,ｸﾞﾘｰﾝ/ｸﾞﾚｰ", {0, 7}},
      {"タイプ４,ﾌｧﾝｼｰﾌﾞﾙｰ/ﾎﾜｲﾄ", {3, 0}},  // contains "ﾌﾞﾙｰ/ﾎﾜｲﾄ" too
      {"タイプ３,ﾌﾞﾙｰ/ﾎﾜｲﾄ", {2, 3}},
      {"タイプ２,ﾌﾞﾗｳﾝ/ﾌﾞﾗｯｸ", {1, 16}},
      {"タイプ２", {1, 17}},
      {"ｵﾘｼﾞﾅﾙ", {4, 17}},
      {"B,c1", {4, 17}},
      {"", {4, 17}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(DeriveTemplateIndexes(c.text), c.expected);
  }
}

std::vector<std::string> ReadLines(const fs::path& file) {
  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST_F(PluginHostTest, CallMakeHtmlFilePassesTheDayAndTheSettings) {
  Install("first_B", homePlugins_);
  settings::SetInt(Key::PrintButton, 1);
  settings::SetInt(Key::TempSize, 1);
  settings::SetString(Key::MailName, "Outlook");
  const fs::path day = Day("20040315");
  CPhotoData one;
  one.filePath = day.string() + "\\IMG_0001.JPG";  // stored by an album written on Windows
  one.year = "2004", one.month = "03", one.day = "15", one.hour = "10", one.minute = "20",
  one.second = "30", one.size = 1234;
  const CPhotoData* pictures[] = {&one};
  EXPECT_EQ(CallMakeHtmlFile(day.string() + "/", "./Plugins/first_B.so", 2, 5, pictures, "旅行"),
            1);
  EXPECT_EQ(ReadLines(day / "INDEX.HTM"),
            (std::vector<std::string>{"plugin=B", "template=2", "color=5", "print=1", "tempsize=1",
                                      "mail=Outlook", "title=旅行",
                                      day.string() + "/IMG_0001.JPG|2004 03 15 10 20 30|1234"}));
}

TEST_F(PluginHostTest, MissingLibraryOrExportWritesNoPage) {
  Install("third_no_make", homePlugins_);
  const fs::path day = Day("20040315");
  EXPECT_EQ(CallMakeHtmlFile(day, "./Plugins/third_no_make.so", 0, 7, {}, ""), 0);
  EXPECT_EQ(CallMakeHtmlFile(day, "./Plugins/absent.so", 0, 7, {}, ""), 0);
  EXPECT_EQ(CallMakeHtmlFile(day, "", 0, 7, {}, ""), 0);
  EXPECT_FALSE(fs::exists(day / "INDEX.HTM"));
}

TEST_F(PluginHostTest, DayPageUsesTheSelectedPluginAndTheDayTemplateText) {
  Install("first_B", homePlugins_);
  settings::SetString(Key::DllPath, "./Plugins/first_B.so");
  settings::SetInt(Key::TemplateTypeNo, 0);  // the setting does not decide for an existing day
  const fs::path day = Day("20040315");
  const fs::path other = Day("20040316");
  CRKCardAlbumDoc album(dir_ / "home");
  album.SetGenerationRotation(false);
  CAlbumData record;
  record.folderPath = day.string();
  record.pagePath = (day / "INDEX.HTM").string();
  record.title = "海";
  record.templateName = "タイプ２,ﾌﾞﾙｰ/ｸﾞﾚｰ";
  album.AddDay(record);
  struct Picture {
    fs::path folder;
    const char* name;
    const char* hour;
  };
  for (const Picture& picture :
       std::vector<Picture>{{day, "B.JPG", "11"}, {day, "A.JPG", "10"}, {other, "C.JPG", "09"}}) {
    CPhotoData p;
    p.filePath = (picture.folder / picture.name).string();
    p.year = "2004", p.month = "03", p.day = "15", p.hour = picture.hour, p.minute = "00";
    p.second = "00";
    album.AddPicture(p);
  }
  EXPECT_EQ(MakeDayPage(album, record), 1);
  const auto lines = ReadLines(day / "INDEX.HTM");
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[1], "template=1");
  EXPECT_EQ(lines[2], "color=8");
  EXPECT_EQ(lines[6], "title=海");
  EXPECT_EQ(lines[7], (day / "A.JPG").string() + "|2004 03 15 10 00 00|0");  // album order
  EXPECT_EQ(lines[8], (day / "B.JPG").string() + "|2004 03 15 11 00 00|0");

  // A day whose text names no bundled template gets the indexes 4 and 17.
  record.templateName = "ｵﾘｼﾞﾅﾙ";
  EXPECT_EQ(MakeDayPage(record, {}), 1);
  EXPECT_EQ(ReadLines(day / "INDEX.HTM")[1], "template=4");
  EXPECT_EQ(ReadLines(day / "INDEX.HTM")[2], "color=17");
}

TEST_F(PluginHostTest, ChoiceModelSelectsTheStoredTemplate) {
  InstallAll();
  settings::SetString(Key::TemplateType, "B");
  settings::SetInt(Key::TemplateTypeNo, 0);
  settings::SetString(Key::DllPath, "./Plugins/first_B.so");
  settings::SetInt(Key::TemplateBackNo, 5);
  TemplateChoiceModel model;
  ASSERT_EQ(model.SelectedTemplate(), 1);
  EXPECT_EQ(model.Templates()[1].title, "B");
  EXPECT_EQ(model.Summary(), "summary B0");
  EXPECT_EQ(model.Colors().size(), 9u);
  EXPECT_EQ(model.SelectedColor(), 5);
  EXPECT_EQ(model.Sample(), std::vector<uint8_t>(64, 5));

  // The other "same" lives in first_B too: same plug-in, so the colour stays.
  model.SelectTemplate(3);
  EXPECT_EQ(model.Summary(), "summary B1");
  EXPECT_EQ(model.SelectedColor(), 5);

  // "a" comes from another plug-in: its colours, pattern 0, no summary, and a sample whose byte
  // count does not match its size is not shown.
  model.SelectTemplate(0);
  EXPECT_EQ(model.Summary(), "");
  EXPECT_EQ(model.Colors(), (std::vector<std::string>{"red", "green", "blue"}));
  EXPECT_EQ(model.SelectedColor(), 0);
  EXPECT_TRUE(model.Sample().empty());

  model.SelectTemplate(1);
  model.SelectColor(8);
  EXPECT_EQ(model.Sample(), std::vector<uint8_t>(64, 8));
  model.SelectColor(9);  // not in the list: ignored
  EXPECT_EQ(model.SelectedColor(), 8);
  std::string shown;
  ASSERT_TRUE(model.Accept(&shown));
  EXPECT_EQ(shown, "B / 背景 c8");
  EXPECT_EQ(settings::GetString(Key::TemplateType), "B");
  EXPECT_EQ(settings::GetInt(Key::TemplateTypeNo), 0);
  EXPECT_EQ(settings::GetString(Key::TemplateBackCol), "c8");
  EXPECT_EQ(settings::GetInt(Key::TemplateBackNo), 8);
  EXPECT_EQ(settings::GetString(Key::DllPath), "./Plugins/first_B.so");
}

TEST_F(PluginHostTest, ChoiceModelFallsBackToEntryZeroAndFewColoursStartAtZero) {
  InstallAll();
  settings::SetString(Key::TemplateType, "B");
  settings::SetInt(Key::TemplateTypeNo, 0);
  settings::SetString(Key::DllPath, "./Plugins/second_a.so");  // B is not in this plug-in
  settings::SetInt(Key::TemplateBackNo, 2);
  TemplateChoiceModel model;
  EXPECT_EQ(model.SelectedTemplate(), 0);
  EXPECT_EQ(model.Templates()[0].title, "a");
  // Colour 7 asked, but the plug-in has three patterns.
  EXPECT_EQ(model.SelectedColor(), 0);

  // The stored "a" with its stored pattern 2: still fewer than eight, so 0.
  settings::SetString(Key::TemplateType, "a");
  TemplateChoiceModel stored;
  EXPECT_EQ(stored.SelectedTemplate(), 0);
  EXPECT_EQ(stored.SelectedColor(), 0);
}

TEST_F(PluginHostTest, ChoiceModelWithoutPluginsAcceptsNothing) {
  TemplateChoiceModel model;
  EXPECT_EQ(model.SelectedTemplate(), -1);
  EXPECT_TRUE(model.Colors().empty());
  EXPECT_FALSE(model.Accept(nullptr));
}

}  // namespace
}  // namespace orrivan
