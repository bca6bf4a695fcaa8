#include "base/settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <stdexcept>
#include <thread>

#include "base/paths.h"
#include "support/temp_dir.h"

namespace orrivan::settings {
namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseFile(dir_ / "KORVA" / "Orrivan.conf");
    SetHomeFolder(dir_ / "home");
  }
  void TearDown() override {
    UseFile({});
    SetHomeFolder({});
  }
  std::filesystem::path ConfFile() const { return dir_ / "KORVA" / "Orrivan.conf"; }

  test::TempDir dir_;
};

TEST_F(SettingsTest, FreshFileGivesTableDefaults) {
  struct Case {
    Key key;
    int expected;
  };
  const Case ints[] = {
      {Key::DisplayMethod, 0}, {Key::InputTitle, 1},     {Key::ShowLibrary, 0},   {Key::TemplateTypeNo, 0},
      {Key::TemplateBackNo, 7}, {Key::PrintButton, 0},   {Key::TempSize, 0},      {Key::UsbSerial, 0},
      {Key::AutoTakeIn, 0},    {Key::ShowDialog, 0},     {Key::CopyImage, 0},     {Key::ImageRotation, 0},
      {Key::Classitication, 0}, {Key::TransMode, 0},     {Key::WinLeft, 0},       {Key::WinTop, 0},
      {Key::Column0, 98},      {Key::Column1, 112},      {Key::Column2, 62},      {Key::Column3, 65},
      {Key::Column4, 150},
  };
  for (const Case& c : ints) {
    EXPECT_EQ(GetInt(c.key), c.expected) << EntryOf(c.key).name;
  }
  EXPECT_EQ(GetString(Key::SaveFolder), (dir_ / "home" / "Image Library").string());
  EXPECT_EQ(GetString(Key::MailName), "ﾒｰﾗｰの設定しない");
  EXPECT_EQ(GetString(Key::BaudRate), "115200");
  EXPECT_EQ(GetString(Key::CommPort), "COM1");
  EXPECT_EQ(GetString(Key::TemplateType), "");
  EXPECT_EQ(GetString(Key::DllPath), "");
  EXPECT_EQ(GetString(Key::EditorCommand), "");
  const char* home = std::getenv("HOME");
  EXPECT_EQ(GetString(Key::PersonalFolder), home ? home : "/");
  // Reading never writes a default back.
  EXPECT_FALSE(std::filesystem::exists(ConfFile()));
}

TEST_F(SettingsTest, DisplayMethodIsTwoAtStartUpOnlyWhileNeverSet) {
  EXPECT_EQ(DisplayMethodAtStartup(), 2);
  EXPECT_EQ(GetInt(Key::DisplayMethod), 0);
  ASSERT_TRUE(SetInt(Key::DisplayMethod, 9));
  EXPECT_EQ(DisplayMethodAtStartup(), 9);
  EXPECT_EQ(GetInt(Key::DisplayMethod), 9);
  ASSERT_TRUE(SetInt(Key::DisplayMethod, 0));
  EXPECT_EQ(DisplayMethodAtStartup(), 0);
}

TEST_F(SettingsTest, AbsentAutoTakeInMeansAutoImportOn) {
  test::WriteFile(ConfFile(), "[CameraImage]\nShowDialog=1\n");
  EXPECT_EQ(GetInt(Key::AutoTakeIn), 0);
  EXPECT_EQ(GetInt(Key::ShowDialog), 1);
}

TEST_F(SettingsTest, ValueOfWrongTypeFallsBackToDefault) {
  test::WriteFile(ConfFile(),
                  "[Settings]\nTemplateBackNo=seven\nInputTitle=\nTempSize=1\n"
                  "[WinPositon]\ncolumn0=12px\ncolumn1= 40 \n");
  EXPECT_EQ(GetInt(Key::TemplateBackNo), 7);
  EXPECT_EQ(GetInt(Key::InputTitle), 1);
  EXPECT_EQ(GetInt(Key::TempSize), 1);
  EXPECT_EQ(GetInt(Key::Column0), 98);
  EXPECT_EQ(GetInt(Key::Column1), 40);
}

TEST_F(SettingsTest, FileThatIsNotIniGivesDefaultsAndIsNotOverwritten) {
  std::string garbage("\x00\x01\xff[[[=\n\x89PNG\r\n\x1a\n", 14);
  garbage += "[Settings\nTemplateBackNo=3\n";
  test::WriteFile(ConfFile(), garbage);
  EXPECT_EQ(GetInt(Key::TemplateBackNo), 7);
  EXPECT_EQ(GetString(Key::BaudRate), "115200");
  EXPECT_FALSE(SetInt(Key::TemplateBackNo, 3));
  EXPECT_EQ(test::ReadFile(ConfFile()), garbage);
  EXPECT_TRUE(FileUnusable());
  // Text without a single value is as unusable.
  test::WriteFile(ConfFile(), "just some words\nand more\n");
  EXPECT_TRUE(FileUnusable());
  EXPECT_FALSE(SetInt(Key::TemplateBackNo, 3));
  EXPECT_EQ(test::ReadFile(ConfFile()), "just some words\nand more\n");
}

// QSettings reads such files (FormatError, yet the values come): a library root that silently read
// as its default sent an import to another folder.
TEST_F(SettingsTest, FileWithAByteOrderMarkOrAStrayLineIsStillReadAndWritten) {
  const std::string files[] = {
      "\xEF\xBB\xBF[Settings]\r\nSaveFolder=/photos/Image Library\r\nTemplateBackNo=3\r\n",
      "[Settings]\nSaveFolder=/photos/Image Library\nthis line is not a value\nTemplateBackNo=3\n",
  };
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    test::WriteFile(ConfFile(), file);
    EXPECT_FALSE(FileUnusable());
    EXPECT_EQ(GetString(Key::SaveFolder), "/photos/Image Library");
    EXPECT_EQ(GetInt(Key::TemplateBackNo), 3);
    ASSERT_TRUE(SetInt(Key::Column2, 77));
    EXPECT_EQ(GetInt(Key::Column2), 77);
    EXPECT_EQ(GetString(Key::SaveFolder), "/photos/Image Library");
  }
}

TEST_F(SettingsTest, ValueWithACommaReadsBackAsTheTextWritten) {
  test::WriteFile(ConfFile(), "[Settings]\nTemplateType=a,b\nTemplateBackCol=x, y ,z\n");
  EXPECT_EQ(GetString(Key::TemplateType), "a,b");
  EXPECT_EQ(GetString(Key::TemplateBackCol), "x, y ,z");
  ASSERT_TRUE(SetString(Key::TemplateType, "c,d"));
  EXPECT_EQ(GetString(Key::TemplateType), "c,d");
}

TEST_F(SettingsTest, WrittenValuesSurviveIntoLaterReads) {
  ASSERT_TRUE(SetInt(Key::Column2, 77));
  ASSERT_TRUE(SetInt(Key::UsbSerial, 1));
  ASSERT_TRUE(SetInt(Key::TemplateTypeNo, -1));
  ASSERT_TRUE(SetString(Key::TemplateBackCol, "ｸﾞﾘｰﾝ/ｸﾞﾚｰ"));
  ASSERT_TRUE(SetString(Key::TemplateType, "タイプ１, with a comma"));
  ASSERT_TRUE(SetString(Key::SaveFolder, "/home/josé/写真/Image Library"));
  ASSERT_TRUE(SetString(Key::DllPath, "./Plugins/templates.so"));
  for (int pass = 0; pass < 2; ++pass) {
    EXPECT_EQ(GetInt(Key::Column2), 77);
    EXPECT_EQ(GetInt(Key::UsbSerial), 1);
    EXPECT_EQ(GetInt(Key::TemplateTypeNo), -1);
    EXPECT_EQ(GetString(Key::TemplateBackCol), "ｸﾞﾘｰﾝ/ｸﾞﾚｰ");
    EXPECT_EQ(GetString(Key::TemplateType), "タイプ１, with a comma");
    EXPECT_EQ(GetString(Key::SaveFolder), "/home/josé/写真/Image Library");
    EXPECT_EQ(GetString(Key::DllPath), "./Plugins/templates.so");
  }
  // The file is INI with the historic section and value names, strings in UTF-8.
  std::string text = test::ReadFile(ConfFile());
  EXPECT_NE(text.find("[WinPositon]"), std::string::npos) << text;
  EXPECT_NE(text.find("column2=77"), std::string::npos) << text;
  EXPECT_NE(text.find("ｸﾞﾘｰﾝ/ｸﾞﾚｰ"), std::string::npos) << text;
}

TEST_F(SettingsTest, AwkwardStringsComeBackUnchanged) {
  const std::string values[] = {
      "",        " padded ", "a;b", "\"quoted\"", "C:\\Program Files\\Orrivan\\Image Library",
      "@Variant(x)", "@@", "x=y", "[Section]", "two\nlines", "#hash", "ﾀｲﾄﾙ,背景", "tab\there",
  };
  for (const std::string& v : values) {
    ASSERT_TRUE(SetString(Key::SCameraDir, v)) << v;
    EXPECT_EQ(GetString(Key::SCameraDir), v);
  }
  // The file stays readable INI after all of them.
  ASSERT_TRUE(SetInt(Key::TransMode, 1));
  EXPECT_EQ(GetInt(Key::TransMode), 1);
}

TEST_F(SettingsTest, ChangeByAnotherWriterIsSeenAtTheNextRead) {
  ASSERT_TRUE(SetInt(Key::Classitication, 0));
  EXPECT_EQ(GetInt(Key::Classitication), 0);
  // Another process rewrites the file (different size and time).
  test::WriteFile(ConfFile(), "[CameraImage]\nClassitication=1\nAutoTakeIn=1\n");
  EXPECT_EQ(GetInt(Key::Classitication), 1);
  EXPECT_EQ(GetInt(Key::AutoTakeIn), 1);
}

TEST_F(SettingsTest, HandWrittenValuesAreReadAsWindowsWroteThem) {
  test::WriteFile(ConfFile(),
                  "[Settings]\nMailName=Outlook Express\nSCameraDir=100KORVA\nTemplateType=a, b\n"
                  "[Communications]\nBaudRate=38400\n"
                  "[WinPositon]\nleft=4294967286\n");
  EXPECT_EQ(GetString(Key::MailName), "Outlook Express");
  EXPECT_EQ(GetString(Key::BaudRate), "38400");
  EXPECT_EQ(GetString(Key::TemplateType), "a, b");
  EXPECT_EQ(GetInt(Key::WinLeft), -10);  // a DWORD written as unsigned
  // SCameraDir belongs to Communications; one under Settings is another value.
  EXPECT_EQ(GetString(Key::SCameraDir), "");
}

TEST_F(SettingsTest, RawOperationsShareTheStoreWithTheTable) {
  EXPECT_EQ(ReadString("Settings", "MailName", "error"), "error");
  EXPECT_EQ(ReadInt("Settings", "NoSuchValue", -5), -5);
  ASSERT_TRUE(WriteString("Settings", "MailName", "Outlook"));
  EXPECT_EQ(GetString(Key::MailName), "Outlook");
  ASSERT_TRUE(SetInt(Key::WinWidth, 800));
  EXPECT_EQ(ReadInt("WinPositon", "width", 0), 800);
  EXPECT_EQ(GetInt(Key::WinHeight, 600), 600);
  EXPECT_EQ(GetInt(Key::WinWidth, 1), 800);
}

TEST_F(SettingsTest, WriteCreatesTheFileAndItsFolder) {
  UseFile(dir_ / "deep" / "er" / "x.conf");
  ASSERT_TRUE(SetInt(Key::ShowDialog, 1));
  EXPECT_TRUE(std::filesystem::exists(dir_ / "deep" / "er" / "x.conf"));
  EXPECT_EQ(File(), dir_ / "deep" / "er" / "x.conf");
}

TEST_F(SettingsTest, EnvironmentChoosesTheFileWhenNoneIsSet) {
  UseFile({});
  setenv("ORRIVAN_CONFIG", (dir_ / "env.conf").c_str(), 1);
  EXPECT_EQ(File(), dir_ / "env.conf");
  unsetenv("ORRIVAN_CONFIG");
  std::string home = std::getenv("HOME") ? std::getenv("HOME") : "/";
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::filesystem::path expected = (xdg && *xdg) ? std::filesystem::path(xdg) / "KORVA" / "Orrivan.conf"
                                                 : std::filesystem::path(home) / ".config" / "KORVA" / "Orrivan.conf";
  EXPECT_EQ(File(), expected);
}

TEST_F(SettingsTest, ReadsFromAWorkerThreadWhileWriting) {
  ASSERT_TRUE(SetInt(Key::TransMode, 1));
  std::thread reader([] {
    for (int i = 0; i < 50; ++i) EXPECT_EQ(GetString(Key::CommPort), "COM1");
  });
  for (int i = 0; i < 50; ++i) ASSERT_TRUE(SetInt(Key::Column4, 100 + i));
  reader.join();
  EXPECT_EQ(GetInt(Key::Column4), 149);
}

TEST(SettingsTable, EveryKeyOnceWithUniqueStoredName) {
  std::set<std::pair<std::string, std::string>> names;
  size_t i = 0;
  for (const Entry& e : Table()) {
    EXPECT_EQ(static_cast<size_t>(e.key), i++);
    EXPECT_TRUE(names.emplace(e.section, e.name).second) << e.section << "/" << e.name;
    EXPECT_TRUE(std::set<std::string>({"Settings", "CameraImage", "Communications", "WinPositon"}).count(e.section));
  }
  EXPECT_EQ(Table().size(), static_cast<size_t>(Key::EditorCommand) + 1);
  EXPECT_EQ(&Find("Settings", "USB/Serial"), &EntryOf(Key::UsbSerial));
  EXPECT_EQ(&Find("WinPositon", "column3"), &EntryOf(Key::Column3));
  EXPECT_THROW(Find("Settings", "saveFolder"), std::out_of_range);
  EXPECT_THROW(Find("CameraImage", "SaveFolder"), std::out_of_range);
}

}  // namespace
}  // namespace orrivan::settings
