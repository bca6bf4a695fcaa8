// The card watcher's parts: which mounts are new since the last look, which of them are cards, the
// one-watcher-per-user lock, and the hand-over to the desktop program (the marker, and starting the
// program when it does not run). The loop itself waits on the kernel's mount-change signal.
#pragma once

#include <QString>
#include <filesystem>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "import/detection.h"
#include "import/mount_table.h"

namespace orrivan::orauto {

// The mounts seen at the last look. A mount is new when no entry of the last table has its id,
// device and place; an unmount followed by a mount again is seen as new (the kernel may hand out the
// same id again, but the unmount was seen in between, unless both fell between two looks).
class MountWatch {
 public:
  // Remembers the table; nothing in it will count as new.
  void Reset(const std::vector<MountEntry>& table);
  // The entries that were not in the last table, in table order; then remembers this table.
  std::vector<MountEntry> Update(const std::vector<MountEntry>& table);

 private:
  using Key = std::tuple<int, unsigned, unsigned, std::string>;
  static Key KeyOf(const MountEntry& entry);
  std::set<Key> known_;
};

// The roots among newly mounted volumes that the volume scan takes as candidates (screened before
// any stat, as the scan does) and on which the root scan finds a picture folder.
std::vector<std::filesystem::path> NewCards(const std::vector<MountEntry>& fresh, const VolumeStat& stat = StatVolume);

// One watcher per user: an exclusive lock on a file holding the watcher's process id.
class InstanceLock {
 public:
  explicit InstanceLock(const std::filesystem::path& file);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// $XDG_RUNTIME_DIR/orrivan-orauto.lock, else /tmp/orrivan-orauto-<uid>.lock.
std::filesystem::path InstanceLockPath();

// "RKOrrivan!Main-<uid>": the desktop program's single-instance server.
QString MainServerName();

// True when the desktop program runs: its server takes a connection. The connection says "ping", the
// one request the server answers without raising its window.
bool MainProgramRunning(const QString& serverName, int timeoutMs = 1000);

struct WatcherOptions {
  std::filesystem::path home;     // the marker goes here
  std::filesystem::path config;   // the settings file ("AutoTakeIn")
  std::filesystem::path program;  // the desktop program to start
  int settingsCheckMs = 30000;    // how often "AutoTakeIn" is read when no mount changes
};

// The desktop program beside the watcher: ExecutableFolder()/../../bin/orrivan, normalised.
std::filesystem::path DefaultMainProgram();

// Writes the marker for a card and starts the desktop program when it does not run. False when the
// marker could not be written.
bool HandOver(const std::filesystem::path& card, const WatcherOptions& options);

// The watch: ends (0) when auto-import is off, at once or later, or when another watcher holds the
// lock; 1 when the mount table cannot be watched.
int RunWatcher(const WatcherOptions& options);

}  // namespace orrivan::orauto
