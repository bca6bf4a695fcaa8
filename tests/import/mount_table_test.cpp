// The mount table reader and the volume scan over it: what is read from a mountinfo text, and which
// mount points the scan looks at (the stat count shows that automount, network and pseudo entries are
// screened out before anything touches them).
#include "import/mount_table.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "import/detection.h"
#include "support/temp_dir.h"

namespace orrivan {
namespace {

namespace fs = std::filesystem;

TEST(MountTable, ReadsFieldsEscapesAndOptionalFields) {
  const std::string text =
      "27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
      "90 27 8:17 / /media/user/MY\\040CARD rw,nosuid shared:45 master:3 - vfat /dev/sdb1 rw,fmask=0022\n"
      "91 27 0:50 /sub\\134dir /mnt/bind rw - ext4 /dev/sdc1 rw\n"
      "92 27 0:51 / /home/u/remote rw,nosuid - fuse.sshfs u@host:/x rw\n"
      "garbage line without fields\n"
      "93 27 8:1 / /mnt/x rw shared:2\n"              // no separator
      "x4 27 8:1 / /mnt/y rw - ext4 /dev/sda1 rw\n"   // id not a number
      "95 27 8:1 / relative rw - ext4 /dev/sda1 rw\n"  // mount point not absolute
      "96 27 8:33 / /media/last rw - exfat /dev/sdc1 rw";  // no final newline
  const std::vector<MountEntry> entries = ParseMountInfo(text);
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[0].mountId, 27);
  EXPECT_EQ(entries[0].parentId, 1);
  EXPECT_EQ(entries[0].major, 254u);
  EXPECT_EQ(entries[0].minor, 0u);
  EXPECT_EQ(entries[0].mountPoint, fs::path("/"));
  EXPECT_EQ(entries[0].fileSystemType, "ext4");
  EXPECT_EQ(entries[0].source, "/dev/vda");
  EXPECT_EQ(entries[1].mountPoint, fs::path("/media/user/MY CARD"));
  EXPECT_EQ(entries[1].fileSystemType, "vfat");
  EXPECT_EQ(entries[1].source, "/dev/sdb1");
  EXPECT_EQ(entries[1].minor, 17u);
  EXPECT_EQ(entries[2].root, "/sub\\dir");
  EXPECT_EQ(entries[3].fileSystemType, "fuse.sshfs");
  EXPECT_EQ(entries[4].mountPoint, fs::path("/media/last"));
}

TEST(MountTable, ReadsTheRealTableAndFilesOfItsOwn) {
  std::vector<MountEntry> entries;
  ASSERT_TRUE(ReadMountTable(entries));
  EXPECT_TRUE(std::any_of(entries.begin(), entries.end(), [](const MountEntry& e) { return e.mountPoint == "/"; }));

  test::TempDir dir{"orrivan-mounts"};
  test::WriteFile(dir / "mountinfo", "30 1 8:1 / /mnt/card rw - vfat /dev/sdb1 rw\n");
  ASSERT_TRUE(ReadMountTable(entries, dir / "mountinfo"));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].mountPoint, fs::path("/mnt/card"));
  EXPECT_FALSE(ReadMountTable(entries, dir / "missing"));
  EXPECT_TRUE(entries.empty());

  std::string text;
  test::WriteFile(dir / "big", std::string(100, 'x'));
  EXPECT_FALSE(ReadProcText(dir / "big", text, 99));
  EXPECT_TRUE(ReadProcText(dir / "big", text, 100));
  EXPECT_EQ(text.size(), 100u);
}

TEST(VolumeScan, StatsOnlyMountsThatMayBeCardsAndNeverAnAutomountPoint) {
  // Device numbers 0:N with sources outside /dev, so no answer of this machine's /sys plays a part.
  const std::string text =
      "22 27 0:21 / /proc rw - proc proc rw\n"
      "23 27 0:22 / /sys rw - sysfs sysfs rw\n"
      "24 27 0:6 / /dev rw - devtmpfs devtmpfs rw\n"
      "27 1 0:0 / / rw - ext4 /dev/does-not-exist rw\n"
      "40 27 0:40 / /mnt/auto rw - autofs systemd-1 rw,fd=50,pgrp=1,timeout=0,direct\n"
      "41 27 0:41 / /media/net rw - autofs /etc/auto.net rw,indirect\n"
      "42 41 0:42 / /media/net/srv rw - nfs4 srv:/export rw\n"
      "43 27 0:43 / /mnt/share rw - cifs //srv/share rw\n"
      "44 27 0:44 / /media/ram rw - tmpfs tmpfs rw\n"
      "45 27 0:45 / /media/user/DVD ro - iso9660 /dev/sr0 ro\n"
      "46 27 0:46 / /media/user/remote rw - fuse.sshfs u@h:/ rw\n"
      "47 27 0:47 /DCIM /media/user/bind rw - vfat card rw\n"  // a bind of a subfolder
      "48 27 0:48 / /mnt/usb rw - autofs systemd-1 rw,direct\n"
      "49 48 0:49 / /mnt/usb rw - vfat card rw\n"  // mounted over the automount point: the real one
      "50 27 0:50 / /media/user/CARD rw - vfat card rw\n"
      "51 27 0:51 / /media/user/MY\\040CARD rw - exfat card rw\n"
      "52 27 0:52 / /mnt/sd rw - ext4 card rw\n"
      "53 27 0:53 / /media/user/EMPTY rw - vfat card rw\n"
      "54 27 0:54 / /mnt rw - ext4 card rw\n"
      "55 24 0:55 / /dev/card rw - vfat card rw\n"
      "56 27 0:50 / /mnt/again rw - vfat card rw\n";  // the card of 0:50 bound a second time
  std::vector<fs::path> asked;
  const VolumeStat stat = [&](const fs::path& root) -> std::optional<int64_t> {
    asked.push_back(root);
    if (root == "/mnt/sd") return std::nullopt;  // not ready
    if (root == "/media/user/EMPTY") return 0;
    return int64_t{1} << 30;
  };
  const CDriveList drives = CandidateVolumes(ParseMountInfo(text), stat);
  EXPECT_EQ(asked, (std::vector<fs::path>{"/mnt/usb", "/media/user/CARD", "/media/user/MY CARD", "/mnt/sd",
                                          "/media/user/EMPTY"}));
  EXPECT_EQ(drives, (CDriveList{"/mnt/usb", "/media/user/CARD", "/media/user/MY CARD"}));
}

TEST(VolumeScan, AnAutomountPointAloneIsNeverAsked) {
  // The same place, not yet mounted: only the autofs entry is listed.
  const std::string text = "48 27 0:48 / /mnt/usb rw - autofs systemd-1 rw,direct\n";
  int asked = 0;
  const CDriveList drives = CandidateVolumes(ParseMountInfo(text), [&](const fs::path&) -> std::optional<int64_t> {
    ++asked;
    return 1;
  });
  EXPECT_EQ(asked, 0);
  EXPECT_TRUE(drives.empty());
}

TEST(VolumeScan, StatVolumeGivesTheSizeOfARealVolumeAndNothingForAMissingOne) {
  const std::optional<int64_t> root = StatVolume("/");
  ASSERT_TRUE(root.has_value());
  EXPECT_GT(*root, 0);
  EXPECT_FALSE(StatVolume("/no/such/mount/point").has_value());
}

}  // namespace
}  // namespace orrivan
