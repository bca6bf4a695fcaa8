// orrivan-cli import and list as a user runs them: the flags that answer the questions, the exit
// codes, and Ctrl-C as the cancel button. The answers are tested on the CLI's Interaction itself;
// the runs need the built orrivan-cli and are skipped without it.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

// The CLI's Interaction lives in the program, not in a library: compiled in here.
#include "cli/cli_interaction.cpp"
#include "cli/commands.h"
#include "support/temp_dir.h"

extern char** environ;

namespace orrivan::cli {
namespace {

namespace fs = std::filesystem;

TEST(CliAnswers, FlagsParse) {
  EXPECT_EQ(ParseUndatedFlag("file-date")->kind, UndatedChoice::Kind::FileDate);
  EXPECT_EQ(ParseUndatedFlag("leave")->kind, UndatedChoice::Kind::Leave);
  const auto given = ParseUndatedFlag("20070315");
  ASSERT_TRUE(given);
  EXPECT_EQ(given->kind, UndatedChoice::Kind::GivenDate);
  EXPECT_EQ(given->date, "20070315");
  for (const char* bad : {"", "2007031", "20071315", "20070300", "2007-03-15", "filedate"})
    EXPECT_FALSE(ParseUndatedFlag(bad)) << bad;
}

TEST(CliAnswers, FlagsAnswerFirstAndWithoutATerminalEverythingElseIsCancel) {
  CliAnswers answers;
  answers.date = "20070315";
  answers.title = "Trip";
  answers.undated = UndatedChoice{UndatedChoice::Kind::FileDate, {}};
  CliInteraction flagged(answers);
  flagged.Answers().interactive = false;
  EXPECT_EQ(flagged.AskDate({"date", "", ""}), "20070315");
  EXPECT_EQ(flagged.AskTitle({"title", "", "", "", "", "", 0}), "Trip");
  EXPECT_EQ(flagged.AskUndated(2, false).kind, UndatedChoice::Kind::FileDate);
  EXPECT_FALSE(flagged.Confirm("go?", Icon::Question));  // no --yes

  CliInteraction bare(CliAnswers{});
  bare.Answers().interactive = false;
  EXPECT_FALSE(bare.AskDate({"date", "", ""}));
  EXPECT_EQ(bare.AskUndated(1, false).kind, UndatedChoice::Kind::Cancel);
  EXPECT_TRUE(bare.ChooseSources("which", {{"A", "/a"}, {"B", "/b"}}).empty());
  EXPECT_EQ(bare.AskErase("erase?", {}), EraseAnswer::Cancel);

  CliAnswers yes;
  yes.yes = true;
  CliInteraction agreed(yes);
  agreed.Answers().interactive = false;
  EXPECT_TRUE(agreed.Confirm("go?", Icon::Question));
  EXPECT_EQ(agreed.ChooseSources("which", {{"A", "/a"}, {"B", "/b"}}), (std::vector<size_t>{0, 1}));
}

TEST(CliAnswers, InterruptIsTheCancelButton) {
  CliInteraction ui(CliAnswers{});
  auto progress = ui.OpenProgress("caption");
  g_interrupted = false;
  EXPECT_FALSE(progress->Cancelled());
  g_interrupted = true;
  EXPECT_TRUE(progress->Cancelled());
  g_interrupted = false;
}

class CliRun : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* build = std::getenv("ORRIVAN_BUILD_DIR");
    const char* source = std::getenv("ORRIVAN_SOURCE_DIR");
    if (!build || !source) GTEST_SKIP() << "run through ctest";
    cli_ = fs::path(build) / "bin" / "orrivan-cli";
    card_ = fs::path(source) / "samples" / "card";
    if (!fs::exists(cli_) || !fs::exists(card_)) GTEST_SKIP() << "needs orrivan-cli and the sample card";
    home_ = dir_ / "home";
  }

  pid_t Start(std::vector<std::string> args) {
    args.insert(args.begin(), {cli_.string(), "--home", home_.string(), "--config", (dir_ / "o.conf").string()});
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::setenv("XDG_DATA_HOME", (dir_ / "xdg").c_str(), 1);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, cli_.c_str(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  }
  static int Wait(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);  // killed: not an exit code
  }
  int Run(std::vector<std::string> args) { return Wait(Start(std::move(args))); }

  test::TempDir dir_{"orrivan-cli"};
  fs::path cli_, card_, home_;
};

TEST_F(CliRun, ExitCodesSayHowTheImportEnded) {
  EXPECT_EQ(Run({"import", "--from", card_.string(), "--dated", "2007"}), kExitUsage);
  EXPECT_EQ(Run({"import", "--from", card_.string(), "--move", "--copy"}), kExitUsage);
  EXPECT_EQ(Run({"import", "--from", card_.string()}), kExitCancelled);  // no --yes, no terminal
  EXPECT_FALSE(fs::exists(home_ / "Orrivan.rks"));
  fs::create_directories(dir_ / "empty");
  EXPECT_EQ(Run({"import", "--from", (dir_ / "empty").string(), "--yes"}), kExitFailed);
  EXPECT_EQ(Run({"import", "--from", card_.string(), "--copy", "--undated", "file-date", "--yes", "--no-open"}),
            kExitDone);
  EXPECT_TRUE(fs::exists(home_ / "library_2.htm"));
  EXPECT_EQ(Run({"list"}), kExitDone);
}

TEST_F(CliRun, AutoImportTakesTheMarkersVolumeAndRemovesTheMarker) {
  const fs::path marker = home_ / "Orrivan.tmp";
  fs::create_directories(home_);
  // Switched off: the marker stays for later.
  test::WriteFile(dir_ / "o.conf", "[CameraImage]\nAutoTakeIn=1\n");
  test::WriteFile(marker, fs::absolute(card_).string() + "\r\n");
  EXPECT_EQ(Run({"auto-import", "--yes"}), kExitFailed);
  EXPECT_TRUE(fs::exists(marker));
  fs::remove(dir_ / "o.conf");
  // No answer to the confirmation (no --yes, no terminal): cancelled, and the marker is gone too.
  EXPECT_EQ(Run({"auto-import"}), kExitCancelled);
  EXPECT_FALSE(fs::exists(marker));
  EXPECT_FALSE(fs::exists(home_ / "Orrivan.rks"));
  test::WriteFile(marker, "not a path\r\n");
  EXPECT_EQ(Run({"auto-import", "--yes"}), kExitFailed);
  EXPECT_FALSE(fs::exists(marker));
  // A marker given by name, with the import's own flags.
  const fs::path other = dir_ / "marker";
  test::WriteFile(other, fs::absolute(card_).string() + "\r\n");
  EXPECT_EQ(Run({"auto-import", other.string(), "--copy", "--undated", "file-date", "--yes", "--no-open"}), kExitDone);
  EXPECT_FALSE(fs::exists(other));
  EXPECT_TRUE(fs::exists(home_ / "Orrivan.rks"));
  EXPECT_TRUE(fs::exists(home_ / "library_2.htm"));
}

TEST_F(CliRun, ImportFoldersTakesTheFilesOfEachFolderWithTheImportsFlagsAndExitCodes) {
  // The sample card's picture folder is an ordinary folder of pictures.
  const fs::path pictures = fs::absolute(card_ / "DCIM" / "100RKCAM");
  ASSERT_TRUE(fs::is_directory(pictures));
  std::vector<std::string> eleven{"import-folders"};
  for (int i = 0; i < 11; ++i) eleven.push_back(pictures.string());
  EXPECT_EQ(Run(eleven), kExitUsage);
  EXPECT_EQ(Run({"import-folders", pictures.string(), "--move", "--shortcut"}), kExitUsage);
  EXPECT_EQ(Run({"import-folders"}), kExitUsage);
  fs::create_directories(dir_ / "jpeg");
  test::WriteFile(dir_ / "jpeg" / "a.jpeg", "not taken");
  EXPECT_EQ(Run({"import-folders", (dir_ / "jpeg").string(), "--yes", "--no-open"}), kExitFailed);
  EXPECT_EQ(Run({"import-folders", (dir_ / "gone").string(), "--yes", "--no-open"}), kExitFailed);
  EXPECT_FALSE(fs::exists(home_ / "Orrivan.rks"));
  EXPECT_EQ(Run({"import-folders", pictures.string(), "--shortcut", "--dated", "20070315", "--title", "Trip",
                 "--yes", "--no-open"}),
            kExitDone);
  const fs::path dated = home_ / "Image Library" / "20070315_01" / pictures.filename();
  ASSERT_TRUE(fs::is_directory(dated));
  size_t links = 0;
  for (const auto& e : fs::directory_iterator(dated))
    if (e.is_symlink()) {
      ++links;
      EXPECT_EQ(fs::read_symlink(e.path()).parent_path(), pictures);
    }
  EXPECT_GT(links, 0u);
}

TEST_F(CliRun, CtrlCRollsTheImportBack) {
  // A card big enough that the import is still running when the signal comes.
  const fs::path card = dir_ / "card";
  fs::create_directories(card);
  for (int i = 0; i < 2; ++i)
    fs::copy(card_, card / ("copy" + std::to_string(i)), fs::copy_options::recursive);
  const pid_t pid = Start({"import", "--from", (card / "copy0").string(), "--from", (card / "copy1").string(),
                           "--copy", "--undated", "file-date", "--yes", "--no-open"});
  // The library root appears once the run is past detection, with the handler long installed.
  for (int i = 0; i < 500 && !fs::exists(home_ / "Image Library"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ::kill(pid, SIGINT);
  const int code = Wait(pid);
  if (code == kExitDone) GTEST_SKIP() << "the import ended before the signal";
  EXPECT_EQ(code, kExitCancelled);
  EXPECT_FALSE(fs::exists(home_ / "Orrivan.rks"));
  size_t files = 0;
  if (fs::exists(home_ / "Image Library"))
    for (const auto& e : fs::recursive_directory_iterator(home_ / "Image Library"))
      if (e.is_regular_file()) ++files;
  EXPECT_EQ(files, 0u);
}

}  // namespace
}  // namespace orrivan::cli
