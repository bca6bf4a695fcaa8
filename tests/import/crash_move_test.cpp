// The short form of tests/import/crash_move.sh: a few SIGKILLs during a move import from /dev/shm.
// Needs the built orrivan-cli and make_sample_card; skipped when they are not there.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

TEST(CrashDuringMove, KilledImportsNeverLoseAPicture) {
  const char* build = std::getenv("ORRIVAN_BUILD_DIR");
  const char* source = std::getenv("ORRIVAN_SOURCE_DIR");
  if (!build || !source) GTEST_SKIP() << "run through ctest";
  const fs::path cli = fs::path(build) / "bin" / "orrivan-cli";
  const fs::path maker = fs::path(build) / "bin" / "make_sample_card";
  const fs::path script = fs::path(source) / "tests" / "import" / "crash_move.sh";
  if (!fs::exists(cli) || !fs::exists(maker) || !fs::is_directory("/dev/shm")) GTEST_SKIP() << "needs orrivan-cli";
  const std::string command = "'" + script.string() + "' '" + cli.string() + "' '" + maker.string() + "' 3";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
