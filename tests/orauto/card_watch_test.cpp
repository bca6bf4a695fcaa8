// The watcher's parts without the loop: what counts as a new mount, which new mounts are cards (and
// that nothing else is looked at), the one-per-user lock, and asking whether the program runs.
#include "orauto/card_watch.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <thread>

#include "support/temp_dir.h"

namespace orrivan::orauto {
namespace {

namespace fs = std::filesystem;

// A mount of its own file system (device 0:<id> unless told).
MountEntry Entry(int id, const std::string& point, const std::string& type = "vfat", unsigned minor = 0) {
  MountEntry entry;
  entry.mountId = id;
  entry.parentId = 1;
  entry.minor = minor ? minor : static_cast<unsigned>(id);
  entry.root = "/";
  entry.mountPoint = point;
  entry.fileSystemType = type;
  entry.source = "card";
  return entry;
}

TEST(MountWatch, OnlyMountsMissingFromTheLastLookAreNew) {
  MountWatch watch;
  const std::vector<MountEntry> start{Entry(1, "/"), Entry(40, "/media/u/OLD")};
  watch.Reset(start);
  EXPECT_TRUE(watch.Update(start).empty());  // already mounted when the watch began

  std::vector<MountEntry> table = start;
  table.push_back(Entry(41, "/media/u/CARD"));
  std::vector<MountEntry> fresh = watch.Update(table);
  ASSERT_EQ(fresh.size(), 1u);
  EXPECT_EQ(fresh[0].mountPoint, fs::path("/media/u/CARD"));
  EXPECT_TRUE(watch.Update(table).empty());

  // Unmounted, then mounted again under the id the kernel hands out again: new once more.
  EXPECT_TRUE(watch.Update(start).empty());
  EXPECT_EQ(watch.Update(table).size(), 1u);
  // The same id for another device or place is another mount.
  table.back() = Entry(41, "/media/u/CARD", "vfat", 99);
  EXPECT_EQ(watch.Update(table).size(), 1u);
}

// Card trees under /mnt, where the volume scan takes candidates; plain folders stand in for mounts.
class NewCardsUnderMnt : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = fs::path("/mnt") / ("orrivan-cards-" + std::to_string(::getpid()));
    std::error_code ec;
    fs::create_directories(base_, ec);
    if (ec) GTEST_SKIP() << "cannot write under /mnt";
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(base_, ec);
  }
  fs::path base_;
};

TEST_F(NewCardsUnderMnt, PictureVolumesAreCardsAndNothingElseIsLookedAt) {
  fs::create_directories(base_ / "card" / "DCIM" / "100TEST");
  fs::create_directories(base_ / "old" / "OLDCAM");
  test::WriteFile(base_ / "old" / "OLDCAM" / "RKCAM.RKS", "");
  fs::create_directories(base_ / "music" / "MUSIC");
  std::vector<MountEntry> fresh{
      Entry(50, (base_ / "card").string()),
      Entry(51, (base_ / "old").string(), "ext2"),
      Entry(52, (base_ / "music").string()),
      Entry(53, (base_ / "auto").string(), "autofs"),
      Entry(54, (base_ / "share").string(), "nfs4"),
      Entry(55, (base_ / "ram").string(), "tmpfs"),
  };
  std::vector<fs::path> asked;
  const auto cards = NewCards(fresh, [&](const fs::path& root) -> std::optional<int64_t> {
    asked.push_back(root);
    return 1 << 20;
  });
  EXPECT_EQ(cards, (std::vector<fs::path>{base_ / "card", base_ / "old"}));
  EXPECT_EQ(asked, (std::vector<fs::path>{base_ / "card", base_ / "old", base_ / "music"}));
}

TEST(InstanceLock, OneHolderAtATimeWithItsProcessIdInTheFile) {
  test::TempDir dir{"orrivan-lock"};
  const fs::path file = dir / "orauto.lock";
  {
    InstanceLock first(file);
    ASSERT_TRUE(first.Held());
    EXPECT_EQ(test::ReadFile(file), std::to_string(::getpid()) + "\n");
    InstanceLock second(file);
    EXPECT_FALSE(second.Held());
  }
  InstanceLock again(file);
  EXPECT_TRUE(again.Held());
}

TEST(InstanceLock, AFileOfAnotherUserOrALinkIsNotTaken) {
  test::TempDir dir{"orrivan-lock"};
  test::WriteFile(dir / "target", "");
  fs::create_symlink(dir / "target", dir / "link.lock");
  EXPECT_FALSE(InstanceLock(dir / "link.lock").Held());
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to give a file away";
  test::WriteFile(dir / "theirs.lock", "");
  ASSERT_EQ(::chown((dir / "theirs.lock").c_str(), 65534, 65534), 0);
  EXPECT_FALSE(InstanceLock(dir / "theirs.lock").Held());
}

TEST(InstanceLock, LiesInTheRuntimeFolderWhenThereIsOne) {
  const char* old = std::getenv("XDG_RUNTIME_DIR");
  const std::string kept = old ? old : "";
  test::TempDir dir{"orrivan-run"};
  ::setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
  EXPECT_EQ(InstanceLockPath(), dir / "orrivan-orauto.lock");
  ::setenv("XDG_RUNTIME_DIR", (dir / "missing").c_str(), 1);
  EXPECT_EQ(InstanceLockPath(), fs::path("/tmp") / ("orrivan-orauto-" + std::to_string(::getuid()) + ".lock"));
  if (old) {
    ::setenv("XDG_RUNTIME_DIR", kept.c_str(), 1);
  } else {
    ::unsetenv("XDG_RUNTIME_DIR");
  }
}

TEST(MainProgram, IsAskedWithPingWhichRaisesNoWindow) {
  test::TempDir dir{"orrivan-server"};
  const fs::path name = dir / "server";
  EXPECT_FALSE(MainProgramRunning(QString::fromStdString(name.string()), 200));

  // A server like the program's: one connection, what it said, the answer.
  const int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(server, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", name.c_str());
  ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(server, 1), 0);
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
  EXPECT_TRUE(MainProgramRunning(QString::fromStdString(name.string()), 2000));
  answer.join();
  ::close(server);
  EXPECT_EQ(heard, "ping\n");
}

}  // namespace
}  // namespace orrivan::orauto
