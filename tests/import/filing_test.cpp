// The name rules both imports file by: suffixed names, taken names with their twins, and the
// collision check under the key each import compares by.
#include "import/filing.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;

TEST(Filing, SuffixedNameGoesBeforeTheLastDot) {
  const struct {
    const char* name;
    int suffix;
    const char* expected;
  } cases[] = {
      {"ABCD0001.JPG", 0, "ABCD0001.JPG"},
      {"ABCD0001.JPG", 1, "ABCD0001_1.JPG"},
      {"DSC_0001.JPG", 12, "DSC_0001_12.JPG"},
      {"a.b.WAV", 3, "a.b_3.WAV"},
      {"NODOT", 2, "NODOT_2"},
  };
  for (const auto& c : cases) EXPECT_EQ(SuffixedName(c.name, c.suffix), c.expected) << c.name << " " << c.suffix;
}

TEST(Filing, NameIsTakenByItselfOrItsImageOrMemoTwinInAnyCase) {
  test::TempDir dir;
  test::WriteFile(dir / "abcd0001.jpg", "x");
  test::WriteFile(dir / "ABCD0002.WAV", "x");
  test::WriteFile(dir / "ABCD0003.AVI", "x");
  const struct {
    const char* name;
    bool taken;
  } cases[] = {
      {"ABCD0001.JPG", true},   // itself, other case
      {"ABCD0001.WAV", true},   // its image is there
      {"ABCD0002.JPG", true},   // its memo is there
      {"ABCD0003.WAV", false},  // a movie is no twin
      {"ABCD0003.JPG", false},
      {"ABC", false},
  };
  for (const auto& c : cases) EXPECT_EQ(NameTaken(&ExistingNameInFolder, dir.path(), c.name), c.taken) << c.name;
}

std::string ContentKey(const fs::path& file) {
  std::error_code ec;
  if (!fs::exists(file, ec)) return {};
  return test::ReadFile(file);
}

std::string SizeKey(const fs::path& file) {
  std::error_code ec;
  const auto size = fs::file_size(file, ec);
  return ec ? std::string() : std::to_string(size);
}

TEST(Filing, CollisionIsDecidedByTheKeyTheImportGives) {
  test::TempDir dir;
  test::WriteFile(dir / "source" / "P.JPG", "abc");
  test::WriteFile(dir / "day" / "P.JPG", "xyz");
  test::WriteFile(dir / "day" / "P_1.JPG", "abc");
  const fs::path source = dir / "source" / "P.JPG";
  const fs::path target = dir / "day" / "P.JPG";

  // By content the file is already there as P_1.
  std::optional<NameCollision> byContent = ResolveNameCollision(source, target, &ContentKey, &ExistingNameInFolder);
  ASSERT_TRUE(byContent);
  EXPECT_TRUE(byContent->duplicate);
  EXPECT_EQ(byContent->suffix, 1);

  // By size it is already there under its own name.
  std::optional<NameCollision> bySize = ResolveNameCollision(source, target, &SizeKey, &ExistingNameInFolder);
  ASSERT_TRUE(bySize);
  EXPECT_TRUE(bySize->duplicate);
  EXPECT_EQ(bySize->suffix, 0);

  // A different picture takes the first free name; a memo twin makes a name taken too.
  test::WriteFile(dir / "source" / "Q.JPG", "new");
  test::WriteFile(dir / "day" / "Q.JPG", "old");
  test::WriteFile(dir / "day" / "Q_1.WAV", "memo");
  std::optional<NameCollision> fresh =
      ResolveNameCollision(dir / "source" / "Q.JPG", dir / "day" / "Q.JPG", &ContentKey, &ExistingNameInFolder);
  ASSERT_TRUE(fresh);
  EXPECT_FALSE(fresh->duplicate);
  EXPECT_EQ(fresh->suffix, 2);
}

}  // namespace
}  // namespace orrivan
