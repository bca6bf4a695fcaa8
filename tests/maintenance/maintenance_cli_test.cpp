// orrivan-cli's maintenance commands as a user runs them: days named as `list` shows them, answers by
// flags, nothing asked of a stdin that is not a terminal, exit codes.
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

#include "base/settings.h"
#include "maintenance/maintenance_fixture.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;

fs::path CliBinary() {
  if (const char* build = std::getenv("ORRIVAN_BUILD_DIR")) return fs::path(build) / "bin" / "orrivan-cli";
  return ExecutableFolder() / "orrivan-cli";
}

class MaintenanceCli : public test::MaintenanceFixture {
 protected:
  void SetUp() override {
    MaintenanceFixture::SetUp();
    if (!fs::exists(CliBinary())) GTEST_SKIP() << "orrivan-cli not built";
    Shot("ABCD0001.JPG", "20070315", 10, 1);
    Shot("ABCD0002.JPG", "20070316", 10, 2);
    ImportCard();
    album_.reset();  // the command owns the album now
  }
  // Runs a command with stdin from /dev/null; returns its exit status and keeps its output.
  int Run(const std::string& arguments) {
    const std::string command = CliBinary().string() + " --home " + home_.string() + " --config " +
                                (home_ / "Orrivan.conf").string() + " " + arguments + " </dev/null >" +
                                (dir_ / "out.txt").string() + " 2>&1";
    const int status = std::system(command.c_str());
    output_ = test::ReadFile(dir_ / "out.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string output_;
};

TEST_F(MaintenanceCli, EraseWithoutAnAnswerAsksNothingAndErasesNothing) {
  EXPECT_EQ(Run("erase 20070316"), 130) << output_;
  EXPECT_NE(output_.find("--yes"), std::string::npos) << output_;
  EXPECT_TRUE(fs::exists(library_ / "20070316"));
  EXPECT_EQ(SavedDayNames(), (std::set<std::string>{"20070315", "20070316"}));
}

TEST_F(MaintenanceCli, EraseWithYesErasesTheNamedDayAndPrintsTheCounter) {
  EXPECT_EQ(Run("erase 20070316 --yes"), 0) << output_;
  EXPECT_NE(output_.find("erased\t20070316\n1件"), std::string::npos) << output_;
  EXPECT_FALSE(fs::exists(library_ / "20070316"));
  EXPECT_EQ(SavedDayNames(), std::set<std::string>{"20070315"});
}

TEST_F(MaintenanceCli, AnUnknownDayOrAnOverlappingDestinationChangesNothing) {
  const std::string before = test::ReadFile(layout::WorkingAlbumPath());
  EXPECT_EQ(Run("erase 20070317 --yes"), 2) << output_;
  EXPECT_EQ(Run("move 20070316 --to " + home_.string()), 1) << output_;
  EXPECT_EQ(test::ReadFile(layout::WorkingAlbumPath()), before);
}

TEST_F(MaintenanceCli, RetitleBackupAndMoveWorkOnTheNamedDays) {
  EXPECT_EQ(Run("retitle 20070315 '春の日'"), 0) << output_;
  EXPECT_EQ(Run("backup 20070315 --to " + (dir_ / "disc").string()), 0) << output_;
  EXPECT_TRUE(fs::exists(dir_ / "disc" / "Image Library" / "20070315" / "ABCD0001.JPG"));
  EXPECT_EQ(Run("move 20070316 --to " + (dir_ / "out").string()), 0) << output_;
  EXPECT_NE(output_.find("moved\t20070316"), std::string::npos) << output_;
  EXPECT_EQ(SavedDayNames(), std::set<std::string>{"20070315"});
  EXPECT_EQ(Run("list"), 0);
  EXPECT_NE(output_.find("2007/03/15\t春の日\t1\t"), std::string::npos) << output_;
  ExpectNoBrokenLinks(home_);
  ExpectNoBrokenLinks(dir_ / "disc");
  ExpectNoBrokenLinks(dir_ / "out");
}

// Without a terminal or --yes nobody can say "go on": the hand-edited page must not be edited and
// re-sealed over the user's changes.
TEST_F(MaintenanceCli, SealedPageChangedByHandIsLeftAloneWhenNobodyCanAnswer) {
  const fs::path listPage = home_ / "HTML" / "2007" / "mar.htm";
  ASSERT_TRUE(fs::exists(listPage));
  ASSERT_EQ(::chmod(listPage.c_str(), 0644), 0);
  std::string edited = test::ReadFile(listPage);
  const size_t body = edited.find("<BODY");
  ASSERT_NE(body, std::string::npos);
  edited.insert(body, "<!-- my own note -->\r\n");
  test::WriteFile(listPage, edited);

  Run("retitle 20070315 Hanami");
  EXPECT_NE(output_.find("--yes"), std::string::npos) << output_;
  EXPECT_EQ(test::ReadFile(listPage), edited);
  struct stat st {};
  ASSERT_EQ(::stat(listPage.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0222, 0u);  // read-only again, whichever way the question went
}

TEST_F(MaintenanceCli, MailRefusesAProgramThatIsNotInstalled) {
  EXPECT_EQ(Run("mail --set Eudora"), 1) << output_;
  EXPECT_EQ(Run("mail --set 0"), 0) << output_;
  EXPECT_NE(output_.find("* 0\tﾒｰﾗｰの設定しない"), std::string::npos) << output_;
}

}  // namespace
}  // namespace orrivan
