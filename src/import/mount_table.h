// The mount table as the kernel lists it in /proc/self/mountinfo: the one reader of it, for the
// volume scan and the card watcher. Reading the table looks at no mount point, so nothing is mounted
// by it (a stat of an automount point would mount it).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace orrivan {

inline constexpr const char* kMountInfoPath = "/proc/self/mountinfo";

// One line of the table, its escapes (\040 and the like) undone.
struct MountEntry {
  int mountId = -1;
  int parentId = -1;
  unsigned major = 0;
  unsigned minor = 0;
  std::string root;  // the folder of the file system seen here: "/" unless a bind of a subfolder
  std::filesystem::path mountPoint;
  std::string fileSystemType;  // "ext4", "fuse.sshfs" (type and subtype joined as mount(8) shows)
  std::string source;          // "/dev/sdb1", "srv:/export", "tmpfs"
};

// The entries of a mountinfo text in its order; malformed lines are skipped.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// Reads and parses the whole table; false when the file cannot be read (or is beyond any sane size).
bool ReadMountTable(std::vector<MountEntry>& entries, const std::filesystem::path& file = kMountInfoPath);

// The whole text of a file that reports no size (/proc), bounded; false on a read error or when the
// file is longer than maxBytes.
bool ReadProcText(const std::filesystem::path& file, std::string& text, size_t maxBytes);

}  // namespace orrivan
