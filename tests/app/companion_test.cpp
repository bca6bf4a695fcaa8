// The watcher's logon entry and the auto-import switch: where the entry goes, what its Exec line
// carries (quoted as desktop entries quote), that it is written once and removed; starting the
// bundled watcher with this program's home and settings.
#include "app/companion.h"

#include <signal.h>
#include <sys/file.h>
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "base/paths.h"
#include "base/settings.h"
#include "base/strings.h"
#include "support/home_fixture.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;

class Companion : public test::HomeFixture {
 protected:
  void SetUp() override {
    HomeFixture::SetUp();
    Keep("XDG_CONFIG_HOME");
    Keep("XDG_RUNTIME_DIR");
    Keep("HOME");
    ::setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
  }
  void TearDown() override {
    for (const auto& [name, value] : kept_) {
      if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
    settings::UseFile({});
  }
  void Keep(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    kept_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
  }

  std::vector<std::pair<std::string, std::optional<std::string>>> kept_;
};

TEST(DesktopExec, ArgumentsAreQuotedAndEscapedAsTheEntrySpecificationAsks) {
  const struct {
    const char* argument;
    const char* written;
  } cases[] = {
      {"/usr/lib/orrivan/orauto", "/usr/lib/orrivan/orauto"},
      {"/home/u/My Pictures/Orrivan", "\"/home/u/My Pictures/Orrivan\""},
      {"/a\"b", "\"/a\\\\\"b\""},     // \" inside the quotes, its backslash escaped as a string
      {"/a\\b", "\"/a\\\\\\\\b\""},  // a literal backslash: four
      {"/a$b`c", "\"/a\\\\$b\\\\`c\""},
      {"/100%", "/100%%"},
      {"", "\"\""},
  };
  for (const auto& c : cases) EXPECT_EQ(DesktopExecArgument(c.argument), c.written) << c.argument;
}

TEST_F(Companion, LogonEntryCarriesTheWatcherWithThisHomeAndSettingsAndIsRemovedAgain) {
  const fs::path entry = dir_ / "config" / "autostart" / "orrivan-orauto.desktop";
  EXPECT_EQ(LogonEntryPath(), entry);
  const fs::path spaced = dir_ / "my home";
  SetHomeFolder(spaced);
  ASSERT_TRUE(SetLogonEntry(true));
  const std::string text = test::ReadFile(entry);
  EXPECT_NE(text.find("[Desktop Entry]\n"), std::string::npos);
  EXPECT_NE(text.find("\nName=" + Str(StrId::WatcherShortcutName) + "\n"), std::string::npos);
  const std::string exec = "\nExec=" + CompanionProgram().string() + " --home \"" + spaced.string() + "\" --config " +
                           settings::File().string() + "\n";
  EXPECT_NE(text.find(exec), std::string::npos) << text;
  if (std::system("command -v desktop-file-validate >/dev/null 2>&1") == 0) {
    const std::string check = "desktop-file-validate '" + entry.string() + "'";
    EXPECT_EQ(std::system(check.c_str()), 0);
  }

  // Written once: a second call leaves the file as it is; an entry for another home is put right.
  const auto written = fs::last_write_time(entry);
  fs::last_write_time(entry, written - std::chrono::hours(1));
  ASSERT_TRUE(SetLogonEntry(true));
  EXPECT_EQ(fs::last_write_time(entry), written - std::chrono::hours(1));
  SetHomeFolder(home_);
  ASSERT_TRUE(SetLogonEntry(true));
  EXPECT_EQ(test::ReadFile(entry), LogonEntryText());
  EXPECT_NE(LogonEntryText(), text);

  ASSERT_TRUE(SetLogonEntry(false));
  EXPECT_FALSE(fs::exists(entry));
  EXPECT_TRUE(SetLogonEntry(false));  // nothing to remove is no failure
}

TEST_F(Companion, EntryFollowsTheConfigFolderOfTheEnvironment) {
  ::setenv("XDG_CONFIG_HOME", "relative/not/used", 1);
  ::setenv("HOME", (dir_ / "user").c_str(), 1);
  EXPECT_EQ(LogonEntryPath(), dir_ / "user" / ".config" / "autostart" / "orrivan-orauto.desktop");
}

TEST_F(Companion, SwitchingAutoImportOffRemovesTheEntryAndOnDeletesAStaleMarker) {
  ASSERT_TRUE(SetLogonEntry(true));
  ASSERT_TRUE(SwitchAutoImport(false));
  EXPECT_EQ(settings::GetInt(settings::Key::AutoTakeIn), 1);
  EXPECT_FALSE(fs::exists(LogonEntryPath()));
  test::WriteFile(home_ / "Orrivan.tmp", "/media/old\r\n");
  ASSERT_TRUE(SwitchAutoImport(true));
  EXPECT_EQ(settings::GetInt(settings::Key::AutoTakeIn), 0);
  EXPECT_FALSE(fs::exists(home_ / "Orrivan.tmp"));
}

TEST_F(Companion, StartsTheBundledWatcherOnThisHome) {
  if (!fs::exists(CompanionProgram())) GTEST_SKIP() << "orauto is not built";
  const fs::path runtime = dir_ / "run";
  fs::create_directories(runtime);
  ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  settings::SetInt(settings::Key::AutoTakeIn, 0);
  ASSERT_TRUE(StartCompanion());
  // The watcher holds its lock (with its pid in it) once it watches.
  const fs::path lock = runtime / "orrivan-orauto.lock";
  pid_t pid = 0;
  for (int i = 0; i < 500 && pid == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const int fd = ::open(lock.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) pid = std::atoi(test::ReadFile(lock).c_str());
    ::close(fd);
  }
  ASSERT_GT(pid, 0) << "the watcher did not start";
  // Off at once: a card that other tests mount meanwhile ends this watcher instead of starting the
  // desktop program on this test's home.
  settings::SetInt(settings::Key::AutoTakeIn, 1);
  // It runs on this home and these settings.
  const std::string command = test::ReadFile("/proc/" + std::to_string(pid) + "/cmdline");
  EXPECT_NE(command.find(std::string("--home") + '\0' + home_.string() + '\0'), std::string::npos);
  EXPECT_NE(command.find(std::string("--config") + '\0' + settings::File().string()), std::string::npos);
  ::kill(pid, SIGTERM);
}

}  // namespace
}  // namespace orrivan
