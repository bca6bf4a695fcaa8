#include "base/paths.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "support/temp_dir.h"

namespace orrivan {
namespace {

using Parts = std::vector<std::string>;

TEST(SplitStoredPath, AcceptsBothSeparatorsAndKeepsTheRoot) {
  struct Case {
    const char* path;
    Parts parts;
  };
  const Case cases[] = {
      {"C:\\Program Files\\Orrivan\\Image Library\\20070315\\A.JPG",
       {"C:", "Program Files", "Orrivan", "Image Library", "20070315", "A.JPG"}},
      {"/home/u/Pictures/Orrivan/Image Library/20070315_01/b.jpg",
       {"/", "home", "u", "Pictures", "Orrivan", "Image Library", "20070315_01", "b.jpg"}},
      {"\\\\server\\share\\x", {"//", "server", "share", "x"}},
      {"//server/share", {"//", "server", "share"}},
      {"a//b\\/c/", {"a", "b", "c"}},
      {"C:/mixed\\seps", {"C:", "mixed", "seps"}},
      {"/", {"/"}},
      {"", {}},
      {"relative", {"relative"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitStoredPath(c.path), c.parts) << c.path;
}

TEST(NormaliseStoredPath, TurnsEveryBackslashIntoSlash) {
  EXPECT_EQ(NormaliseStoredPath("C:\\A\\Image Library\\20070315\\INDEX.HTM"), "C:/A/Image Library/20070315/INDEX.HTM");
  EXPECT_EQ(NormaliseStoredPath("/already/fine"), "/already/fine");
  EXPECT_EQ(NormaliseStoredPath("\\\\srv\\x"), "//srv/x");
}

TEST(EqualsIgnoreCase, FoldsAsciiOnly) {
  EXPECT_TRUE(EqualsIgnoreCase("DCIM", "dcim"));
  EXPECT_TRUE(EqualsIgnoreCase("Image Library", "IMAGE LIBRARY"));
  EXPECT_TRUE(EqualsIgnoreCase("", ""));
  EXPECT_FALSE(EqualsIgnoreCase("a.jpg", "a.jpeg"));
  EXPECT_FALSE(EqualsIgnoreCase("[", "{"));  // 0x5B and 0x7B differ by 0x20 but are not letters
  EXPECT_FALSE(EqualsIgnoreCase("É", "é"));
  EXPECT_TRUE(EqualsIgnoreCase("写真A", "写真a"));
}

TEST(CaseHelpers, ChangeAndCompareAsciiLettersOnly) {
  EXPECT_TRUE(StartsWithIgnoreCase("dcim/100KORVA", "DCIM"));
  EXPECT_FALSE(StartsWithIgnoreCase("DC", "DCIM"));
  EXPECT_TRUE(EndsWithIgnoreCase("写真.jpg", ".JPG"));
  EXPECT_FALSE(EndsWithIgnoreCase("a.jpeg", ".JPG"));
  EXPECT_FALSE(EndsWithIgnoreCase("G", ".JPG"));
  EXPECT_EQ(ToUpperAscii("/media/josé/dcim/100_写真"), "/MEDIA/JOSé/DCIM/100_写真");
  EXPECT_EQ(ToLowerAscii("IMG_0001.JPG"), "img_0001.jpg");
}

class HomeFolderTest : public ::testing::Test {
 protected:
  void TearDown() override {
    SetHomeFolder({});
    unsetenv("ORRIVAN_HOME");
  }
  test::TempDir dir_;
};

TEST_F(HomeFolderTest, OptionBeatsEnvironmentBeatsPicturesFolder) {
  unsetenv("ORRIVAN_HOME");
  std::filesystem::path fallback = HomeFolder();
  EXPECT_EQ(fallback.filename(), "Orrivan");
  EXPECT_TRUE(fallback.is_absolute());

  setenv("ORRIVAN_HOME", (dir_ / "env").c_str(), 1);
  EXPECT_EQ(HomeFolder(), dir_ / "env");
  SetHomeFolder(dir_ / "opt");
  EXPECT_EQ(HomeFolder(), dir_ / "opt");
  EXPECT_EQ(HomePluginFolder(), dir_ / "opt" / "Plugins");
  SetHomeFolder({});
  EXPECT_EQ(HomeFolder(), dir_ / "env");
}

TEST_F(HomeFolderTest, RelativeHomeIsMadeAbsolute) {
  SetHomeFolder("rel/home");
  EXPECT_TRUE(HomeFolder().is_absolute());
  EXPECT_EQ(HomeFolder(), std::filesystem::current_path() / "rel/home");
}

TEST(ExecutableFolder, HoldsTheRunningProgram) {
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
  EXPECT_EQ(ExecutableFolder(), exe.parent_path());
  EXPECT_EQ(BundledPluginFolder(), (exe.parent_path().parent_path() / "lib" / "orrivan" / "plugins"));
}

TEST(SameFile, ComparesTheFileNotTheName) {
  test::TempDir dir;
  test::WriteFile(dir / "a.jpg", "x");
  test::WriteFile(dir / "b.jpg", "x");
  std::filesystem::create_symlink(dir / "a.jpg", dir / "link.jpg");
  std::filesystem::create_hard_link(dir / "a.jpg", dir / "hard.jpg");
  EXPECT_TRUE(SameFile(dir / "a.jpg", dir / "a.jpg"));
  EXPECT_TRUE(SameFile(dir / "a.jpg", dir.path() / "." / "a.jpg"));
  EXPECT_TRUE(SameFile(dir / "a.jpg", dir / "link.jpg"));
  EXPECT_TRUE(SameFile(dir / "a.jpg", dir / "hard.jpg"));
  EXPECT_FALSE(SameFile(dir / "a.jpg", dir / "b.jpg"));
  EXPECT_FALSE(SameFile(dir / "a.jpg", dir / "missing.jpg"));
  EXPECT_FALSE(SameFile(dir / "missing.jpg", dir / "missing.jpg"));
}

TEST(IsInside, ComparesCanonicalPaths) {
  test::TempDir dir;
  std::filesystem::create_directories(dir / "lib" / "Image Library" / "20070315");
  std::filesystem::create_directories(dir / "other");
  std::filesystem::create_directory_symlink(dir / "lib", dir / "alias");
  const auto& root = dir.path();
  struct Case {
    std::filesystem::path inner, outer;
    bool expected;
  };
  const Case cases[] = {
      {root / "lib" / "Image Library", root / "lib", true},
      {root / "lib", root / "lib", true},
      {root / "lib/", root / "lib", true},
      {root / "lib", root / "lib" / "Image Library", false},
      {root / "alias" / "Image Library" / "20070315", root / "lib", true},  // through a symlink
      {root / "lib" / "Image Library", root / "alias", true},
      {root / "other" / ".." / "lib" / "x", root / "lib", true},
      {root / "libx", root / "lib", false},                       // a prefix of the name is not inside
      {root / "lib" / "not-yet" / "deeper", root / "lib", true},  // a path that does not exist yet
      {root / "other", root / "lib", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsInside(c.inner, c.outer), c.expected) << c.inner << " in " << c.outer;
  EXPECT_FALSE(IsInside("", root));
}

}  // namespace
}  // namespace orrivan
