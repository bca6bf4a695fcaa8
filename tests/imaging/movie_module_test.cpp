// The movie-frame module and its loader: the module is found beside the program, only a sound and
// trusted file of this build's version is used, and a program without it (or with a broken one)
// still runs: movies get no preview, stills do.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <jpeglib.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "base/paths.h"
#include "imaging/movie_frame.h"
#include "imaging/preview.h"
#include "preview_test_util.h"
#include "support/avi_writer.h"
#include "support/temp_dir.h"

extern char** environ;

namespace orrivan::imaging {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// Set in the child run of a copied test program: the folder holding the movie and the still.
constexpr char kChildEnv[] = "ORRIVAN_MOVIE_MODULE_CHILD";

// A real shared library that lacks the export: the libjpeg this test is linked with.
fs::path LibraryWithoutTheExport() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&jpeg_std_error), &info) == 0 || info.dli_fname == nullptr)
    return {};
  return fs::absolute(info.dli_fname);
}

TEST(MovieFrameModule, LiesBesideTheProgramAndReadsTheFirstFrame) {
  const fs::path folder = ExecutableFolder() / ".." / "lib" / "orrivan" / "modules";
  EXPECT_EQ(BundledMovieFrameModulePath(), (folder / BundledMovieFrameModulePath().filename()).lexically_normal());
  ASSERT_NE(BundledMovieFrameModule(), nullptr) << BundledMovieFrameModulePath();
  EXPECT_EQ(BundledMovieFrameModule(), BundledMovieFrameModule());  // opened once

  TempDir dir;
  ASSERT_TRUE(test::WriteAvi(dir / "M.AVI"));
  const auto frame = BundledMovieFrameModule()->ReadFirstFrame(dir / "M.AVI", {64, 48});
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->size(), (ImageSize{64, 48}));
  EXPECT_TRUE(test::Near(test::PixelAt(*frame, 32, 24), {200, 30, 30}, 16));
  // Sizes the caller could not allocate for, or that are no size, never reach the module.
  for (const ImageSize size : {ImageSize{0, 48}, ImageSize{64, -1}, ImageSize{1 << 20, 48}})
    EXPECT_FALSE(BundledMovieFrameModule()->ReadFirstFrame(dir / "M.AVI", size)) << size.width;
}

TEST(MovieFrameModule, RefusesFilesThatAreNotASoundTrustedModule) {
  TempDir dir;
  const fs::path module = BundledMovieFrameModulePath();
  const std::string bytes = test::ReadFile(module);
  ASSERT_GT(bytes.size(), 4096u);

  struct Case {
    const char* what;
    fs::path file;
  };
  std::vector<Case> cases = {
      {"missing", dir / "none.so"},
      {"relative", fs::path("lib") / module.filename()},
      {"a folder", dir.path()},
      {"another library", LibraryWithoutTheExport()},
  };
  test::WriteFile(dir / "text.so", "not a library at all");
  cases.push_back({"not a library", dir / "text.so"});
  test::WriteFile(dir / "cut.so", bytes.substr(0, 4096));
  cases.push_back({"cut short", dir / "cut.so"});
  test::WriteFile(dir / "open.so", bytes);
  fs::permissions(dir / "open.so", fs::perms::group_write | fs::perms::others_write, fs::perm_options::add);
  cases.push_back({"writable by others", dir / "open.so"});
  for (const auto& c : cases) EXPECT_EQ(MovieFrameModule::Open(c.file), nullptr) << c.what;

  // The same bytes, kept to their owner, load from anywhere given absolutely.
  test::WriteFile(dir / "copy.so", bytes);
  fs::permissions(dir / "copy.so", fs::perms::owner_read | fs::perms::owner_write | fs::perms::owner_exec);
  EXPECT_NE(MovieFrameModule::Open(dir / "copy.so"), nullptr);
}

// Runs in a copy of this test program (see below): the copy has no module beside it, or a broken one.
TEST(MovieFrameModuleChild, MoviesFailAndStillsWork) {
  const char* folder = std::getenv(kChildEnv);
  if (folder == nullptr) GTEST_SKIP() << "runs only in the copied program";
  const fs::path dir(folder);
  EXPECT_EQ(BundledMovieFrameModule(), nullptr);
  EXPECT_FALSE(ReadFirstMovieFrame(dir / "M.AVI"));
  EXPECT_EQ(MakePreview(dir / "M.AVI", dir / "Ma.JPG"), PreviewOutcome::Failed);
  EXPECT_FALSE(fs::exists(dir / "Ma.JPG"));
  EXPECT_EQ(MakePreview(dir / "S.JPG", dir / "S_preview.JPG"), PreviewOutcome::Written);
}

TEST(MovieFrameModule, AProgramWithoutASoundModuleStillMakesStillPreviews) {
  const std::string self = test::ReadFile("/proc/self/exe");
  ASSERT_FALSE(self.empty());
  const std::string moduleBytes = test::ReadFile(BundledMovieFrameModulePath());
  const std::string moduleName = BundledMovieFrameModulePath().filename().string();
  struct Case {
    const char* what;
    std::string module;  // empty: no module file at all
  } cases[] = {{"missing", ""}, {"cut short", moduleBytes.substr(0, moduleBytes.size() / 2)}};
  for (const auto& c : cases) {
    TempDir dir;
    const fs::path program = dir / "bin" / "tests";
    test::WriteFile(program, self);
    fs::permissions(program, fs::perms::owner_all);
    if (!c.module.empty()) test::WriteFile(dir / "lib" / "orrivan" / moduleName, c.module);
    ASSERT_TRUE(test::WriteAvi(dir / "M.AVI"));
    ASSERT_TRUE(SaveJpeg(test::TwoColourImage(640, 480, 250, 0, 0, 0, 0, 250), dir / "S.JPG"));

    const std::string env = std::string(kChildEnv) + "=" + dir.path().string();
    std::vector<char*> envp;
    for (char** e = environ; *e != nullptr; ++e) envp.push_back(*e);
    envp.push_back(const_cast<char*>(env.c_str()));
    envp.push_back(nullptr);
    const std::string filter = "--gtest_filter=MovieFrameModuleChild.*";
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(filter.c_str()), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, envp.data()), 0) << c.what;
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << c.what << ": status " << status;
    EXPECT_TRUE(fs::exists(dir / "S_preview.JPG")) << c.what;  // the child really ran its checks
  }
}

}  // namespace
}  // namespace orrivan::imaging
