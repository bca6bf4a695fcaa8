// The watcher as it runs, on real mounts: loop-mounted ext2 images of card trees under /mnt, where
// the volume scan takes candidates. Skipped where mounting is refused (not root, no loop devices).
// The kernel signals mount changes only on the real /proc/self/mountinfo, so nothing here is faked.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "base/settings.h"
#include "support/temp_dir.h"

extern char** environ;

namespace orrivan {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Waits until the condition holds, for at most ten seconds (the watcher reacts within milliseconds;
// a sanitizer build may take a while to start).
bool Eventually(const std::function<bool()>& condition) {
  for (int i = 0; i < 1000; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(10ms);
  }
  return condition();
}

bool Contains(const fs::path& file, const std::string& text) {
  std::error_code ec;
  return fs::exists(file, ec) && test::ReadFile(file).find(text) != std::string::npos;
}

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

class Watcher : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* build = std::getenv("ORRIVAN_BUILD_DIR");
    if (!build) GTEST_SKIP() << "run through ctest";
    orauto_ = fs::path(build) / "lib" / "orrivan" / "orauto";
    if (!fs::exists(orauto_)) GTEST_SKIP() << "orauto is not built";
    if (::geteuid() != 0) GTEST_SKIP() << "mounting needs root";
    if (std::system("command -v mkfs.ext2 >/dev/null 2>&1") != 0) GTEST_SKIP() << "no mkfs.ext2";
    base_ = fs::path("/mnt") / ("orrivan-watch-" + std::to_string(::getpid()));
    std::error_code ec;
    fs::create_directories(base_, ec);
    if (ec) GTEST_SKIP() << "cannot write under /mnt";
    home_ = dir_ / "home";
    run_ = dir_ / "run";
    fs::create_directories(home_);
    fs::create_directories(run_);
    config_ = dir_ / "Orrivan.conf";
    settings::UseFile(config_);
    settings::SetInt(settings::Key::AutoTakeIn, 0);
    // The program the watcher starts: it notes its arguments and the marker it found.
    program_ = dir_ / "orrivan";
    started_ = dir_ / "started";
    test::WriteFile(program_, "#!/bin/sh\n{ printf '%s ' \"$@\"; tr -d '\\r\\n' < \"$2/Orrivan.tmp\"; echo; } >> " +
                                  Quoted(started_) + "\n");
    fs::permissions(program_, fs::perms::owner_all);
    if (!Mount(Card("probe", true), "probe")) GTEST_SKIP() << "loop mounts are refused here";
    Unmount("probe");
  }
  void TearDown() override {
    for (pid_t pid : watchers_) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
    for (const std::string& name : mounted_) std::system(("umount " + Quoted(base_ / name) + " 2>/dev/null").c_str());
    std::error_code ec;
    if (!base_.empty()) fs::remove_all(base_, ec);
    settings::UseFile({});
  }

  // An ext2 image of a card tree: a DCIM folder with a picture, or a music folder only.
  fs::path Card(const std::string& name, bool pictures) {
    const fs::path tree = dir_ / ("tree-" + name);
    if (pictures) {
      test::WriteFile(tree / "DCIM" / "100TEST" / "ABCD0001.JPG", "picture");
    } else {
      test::WriteFile(tree / "MUSIC" / "song.wav", "music");
    }
    const fs::path image = dir_ / (name + ".img");
    const std::string command = "mkfs.ext2 -q -F -d " + Quoted(tree) + " " + Quoted(image) + " 1024 >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return image;
  }
  bool Mount(const fs::path& image, const std::string& name) {
    std::error_code ec;
    fs::create_directories(base_ / name, ec);
    const std::string command = "mount -o loop " + Quoted(image) + " " + Quoted(base_ / name) + " 2>/dev/null";
    if (std::system(command.c_str()) != 0) return false;
    mounted_.push_back(name);
    return true;
  }
  void Unmount(const std::string& name) {
    ASSERT_EQ(std::system(("umount " + Quoted(base_ / name)).c_str()), 0);
    std::erase(mounted_, name);
  }

  pid_t Start() {
    std::vector<std::string> args{orauto_.string(), "--home", home_.string(), "--config", config_.string(),
                                  "--program", program_.string()};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    // Its own lock folder and its own place for the program's server name.
    std::vector<std::string> env{"XDG_RUNTIME_DIR=" + run_.string(), "TMPDIR=" + run_.string(),
                                 "PATH=/usr/bin:/bin:/usr/sbin:/sbin"};
    if (const char* asan = std::getenv("ASAN_OPTIONS")) env.push_back(std::string("ASAN_OPTIONS=") + asan);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, (dir_ / "watcher.log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, orauto_.c_str(), &actions, nullptr, argv.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    watchers_.push_back(pid);
    return pid;
  }
  // The watcher holds its lock, with its pid in it, once its first look at the mount table is done.
  bool Watching(pid_t pid) {
    std::error_code ec;
    const fs::path lock = run_ / "orrivan-orauto.lock";
    return fs::exists(lock, ec) && test::ReadFile(lock) == std::to_string(pid) + "\n" && ::kill(pid, 0) == 0;
  }
  // The exit status once it ended, or -1 while it runs.
  int Ended(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) != pid) return -1;
    std::erase(watchers_, pid);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000;
  }
  std::string HandedOver(const std::string& name) const { return "card at " + (base_ / name).string() + " handed over"; }
  std::string MarkerOf(const std::string& name) const { return (base_ / name).string() + "\r\n"; }
  bool MarkerNames(const std::string& name) const {
    std::error_code ec;
    return fs::exists(home_ / "Orrivan.tmp", ec) && test::ReadFile(home_ / "Orrivan.tmp") == MarkerOf(name);
  }

  test::TempDir dir_{"orrivan-watch"};
  fs::path orauto_, base_, home_, run_, config_, program_, started_;
  std::vector<std::string> mounted_;
  std::vector<pid_t> watchers_;
};

TEST_F(Watcher, NewCardIsHandedOverAndVolumesMountedBeforeAreNot) {
  ASSERT_TRUE(Mount(Card("before", true), "before"));
  const pid_t pid = Start();
  ASSERT_TRUE(Eventually([&] { return Watching(pid); }));

  // A volume without pictures, then a card: only the card is handed over.
  ASSERT_TRUE(Mount(Card("music", false), "music"));
  ASSERT_TRUE(Mount(Card("new", true), "new"));
  // The program was started on the watcher's home and settings, and found the marker.
  const std::string line =
      "--home " + home_.string() + " --config " + config_.string() + " " + (base_ / "new").string() + "\n";
  ASSERT_TRUE(Eventually([&] { return Contains(started_, line); })) << test::ReadFile(started_);
  EXPECT_TRUE(MarkerNames("new"));
  const std::string log = test::ReadFile(dir_ / "watcher.log");
  EXPECT_NE(log.find(HandedOver("new")), std::string::npos);
  EXPECT_EQ(log.find(HandedOver("before")), std::string::npos);
  EXPECT_EQ(log.find(HandedOver("music")), std::string::npos);

  // The card mounted before the watcher, unmounted and mounted again, is new now.
  fs::remove(home_ / "Orrivan.tmp");
  Unmount("before");
  ASSERT_TRUE(Mount(dir_ / "before.img", "before"));
  ASSERT_TRUE(Eventually([&] { return MarkerNames("before"); }));
  EXPECT_EQ(Ended(pid), -1);
}

TEST_F(Watcher, ARunningProgramIsOnlyAskedAndNotStartedAgain) {
  // The program's single-instance server, in the watcher's temporary folder.
  const fs::path name = run_ / ("RKOrrivan!Main-" + std::to_string(::getuid()));
  const int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(server, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", name.c_str());
  ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(server, 4), 0);
  std::string heard;
  std::thread answer([&] {
    pollfd waiting{server, POLLIN, 0};
    if (::poll(&waiting, 1, 10000) != 1) return;
    const int client = ::accept(server, nullptr, nullptr);
    if (client < 0) return;
    char buffer[64];
    while (heard.find('\n') == std::string::npos) {
      const ssize_t n = ::read(client, buffer, sizeof buffer);
      if (n <= 0) break;
      heard.append(buffer, static_cast<size_t>(n));
    }
    [[maybe_unused]] const ssize_t sent = ::write(client, "pong\n", 5);
    ::close(client);
  });

  const pid_t pid = Start();
  ASSERT_TRUE(Eventually([&] { return Watching(pid); }));
  ASSERT_TRUE(Mount(Card("card", true), "card"));
  answer.join();
  ::close(server);
  EXPECT_EQ(heard, "ping\n");
  ASSERT_TRUE(Eventually([&] { return MarkerNames("card"); }));
  EXPECT_FALSE(fs::exists(started_));
}

TEST_F(Watcher, EndsWhenAutoImportIsSwitchedOff) {
  settings::SetInt(settings::Key::AutoTakeIn, 1);
  const pid_t early = Start();
  ASSERT_TRUE(Eventually([&] { return Ended(early) != -1; }));
  EXPECT_FALSE(fs::exists(run_ / "orrivan-orauto.lock"));  // it never began to watch

  settings::SetInt(settings::Key::AutoTakeIn, 0);
  const pid_t pid = Start();
  ASSERT_TRUE(Eventually([&] { return Watching(pid); }));
  settings::SetInt(settings::Key::AutoTakeIn, 1);
  // The next mount change makes it read the setting; the card is not taken.
  ASSERT_TRUE(Mount(Card("late", true), "late"));
  int code = -1;
  ASSERT_TRUE(Eventually([&] { return (code = Ended(pid)) != -1; }));
  EXPECT_EQ(code, 0);
  EXPECT_FALSE(fs::exists(home_ / "Orrivan.tmp"));
}

TEST_F(Watcher, EndsWhenItsHomeFolderIsRemovedAndFreesTheLockForAnother) {
  const pid_t pid = Start();
  ASSERT_TRUE(Eventually([&] { return Watching(pid); }));
  fs::remove_all(home_);
  ASSERT_TRUE(Mount(Card("orphan", true), "orphan"));
  int code = -1;
  ASSERT_TRUE(Eventually([&] { return (code = Ended(pid)) != -1; }));
  EXPECT_EQ(code, 0);
  EXPECT_FALSE(fs::exists(started_));  // no program was started for a home that is gone
  fs::create_directories(home_);
  const pid_t next = Start();
  EXPECT_TRUE(Eventually([&] { return Watching(next); }));
}

TEST_F(Watcher, OfTwoStartedAtOnceOneStays) {
  const pid_t a = Start();
  const pid_t b = Start();
  int codeA = -1, codeB = -1;
  ASSERT_TRUE(Eventually([&] {
    if (codeA == -1) codeA = Ended(a);
    if (codeB == -1) codeB = Ended(b);
    return codeA != -1 || codeB != -1;
  }));
  EXPECT_EQ(codeA == -1 ? codeB : codeA, 0);
  // The other one watches on.
  const pid_t stays = codeA == -1 ? a : b;
  ASSERT_TRUE(Eventually([&] { return Watching(stays); }));
  ASSERT_TRUE(Mount(Card("card", true), "card"));
  EXPECT_TRUE(Eventually([&] { return MarkerNames("card"); }));
}

}  // namespace
}  // namespace orrivan
