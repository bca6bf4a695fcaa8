// Finding cards: which mounted volumes may hold camera pictures, which folders on their roots are
// picture folders, and the confirmation and folder choice before an import starts. Nothing here reads
// a file's contents; only volume kinds, names and folder entries are looked at.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/interaction.h"
#include "import/mount_table.h"
#include "ptp/usb_camera.h"

namespace orrivan {

// The process-wide import-in-progress flag: 1 while an import runs; the auto-import poll waits on it.
extern std::atomic<int> g_importInProgress;

// Sets the flag for its lifetime, so every way out of an import clears it.
class ImportInProgressGuard {
 public:
  // Counting, so a run inside a session that already raised the flag does not lower it early.
  ImportInProgressGuard() { ++g_importInProgress; }
  ~ImportInProgressGuard() { --g_importInProgress; }
  ImportInProgressGuard(const ImportInProgressGuard&) = delete;
  ImportInProgressGuard& operator=(const ImportInProgressGuard&) = delete;
};

// Volume roots that may hold a card, in the order they were found.
using CDriveList = std::vector<std::filesystem::path>;

// One mounted volume as the scan sees it (split out so the screening rules can be tested).
struct MountedVolume {
  std::filesystem::path root;
  std::string fileSystemType;
  std::string device;  // "/dev/sdb1", or whatever the mount table names
  int64_t bytesTotal = 0;
  bool ready = true;
  unsigned major = 0;  // the device number the mount table gives (0: none, then `device` is asked)
  unsigned minor = 0;
};

// True when the volume may be a card: a readable, non-empty volume of a local disk file system that is
// removable (USB, MMC) or mounted under /media, /run/media or /mnt. Pseudo, network and optical file
// systems never are.
bool IsCandidateVolume(const MountedVolume& volume);

// The part of that screening that needs nothing of the volume itself (type, place, and /sys for the
// device), so it runs before anything looks at the mount point: an automount point is mounted by a
// mere stat, and a dead network share hangs it. Autofs entries and binds of subfolders never pass.
bool MayBeCardMount(const MountEntry& entry);

// How the scan asks a volume's size: its total bytes, or nullopt when it cannot be asked (not ready).
using VolumeStat = std::function<std::optional<int64_t>(const std::filesystem::path& root)>;
// statvfs of the mount point.
std::optional<int64_t> StatVolume(const std::filesystem::path& root);

// The candidate volume roots of a mount table, in its order: each entry screened by MayBeCardMount,
// and only those that pass are stat-ed. A mount point listed twice counts once, as its last entry (the
// later mount hides the earlier); a file system mounted at two places counts once, at the first.
CDriveList CandidateVolumes(const std::vector<MountEntry>& table, const VolumeStat& stat = StatVolume);

// Fills the list (cleared first) from the mount table, or from $ORRIVAN_VOLUMES (dir:dir) when it is
// set, which replaces the scan. Returns false when the list ends up empty.
bool ScanDrives(CDriveList& drives);

// The source folders found on volume roots, kept sorted ascending ignoring case.
class CImportSourceList {
 public:
  int Count() const { return static_cast<int>(paths_.size()); }
  // Out of range gives an empty path.
  std::filesystem::path Get(int index) const;
  // The path as the selection shows it: upper-cased.
  std::string Shown(int index) const;
  // Inserts before the first entry that compares greater ignoring case, so the list stays sorted.
  void Append(const std::filesystem::path& path);
  // Out of range does nothing and returns 0.
  int Remove(int index);
  void Clear() { paths_.clear(); }

  // Appends the root's picture folders: a folder named DCIM (any case), or any folder holding a file
  // named RKCAM.RKS (any case). True when the list as a whole holds at least one entry.
  bool ScanRootForSources(const std::filesystem::path& root);

  const std::vector<std::filesystem::path>& Paths() const { return paths_; }

 private:
  std::vector<std::filesystem::path> paths_;
};

// ASCII-case-insensitive ordering of path text, as the source list and the walks use it.
int CompareIgnoreCase(const std::string& a, const std::string& b);
std::string UpperAscii(std::string text);

// How a detection ended.
enum class DetectOutcome { Sources, NoDrive, NoSource, Cancelled };

struct DetectResult {
  DetectOutcome outcome = DetectOutcome::NoDrive;
  std::vector<std::filesystem::path> sources;  // in import order (the user's order when chosen)
  std::vector<usb::DetectedCamera> cameras;    // USB cameras chosen, in the user's order
};

// The start of a manual card import: scans the volumes and their roots and asks the current USB
// camera source (import/usb_import.h) for cameras, tells the user when nothing was found, asks for
// confirmation (unless "ShowDialog" is 1) and lets the user pick among several folders and cameras
// (shown "<model> (USB)", after the folders). A camera on a "disk:" port is a card and is never
// listed. NoDrive when there is neither a volume nor a camera. The caller holds the
// import-in-progress flag.
DetectResult DetectCardSources(Interaction& ui);

// The same for an automatic import of one volume root: the confirmation (text of the automatic run)
// comes before the volume is looked at; nothing found ends quietly.
DetectResult DetectAutoSources(Interaction& ui, const std::filesystem::path& root);
// Its two steps, for a driver that has more to do between them: the confirmation (true at once when
// "ShowDialog" is 1), then the root scan and the choice among several folders.
bool ConfirmAutoImport(Interaction& ui);
DetectResult ChooseAutoSources(Interaction& ui, const std::filesystem::path& root);

// The confirmation and choice steps for an already known list (shared by the two above and by the
// command line, which names its folders itself).
// `found` is shown in the order given.
DetectResult ConfirmAndChoose(Interaction& ui, const std::vector<std::filesystem::path>& found, bool automatic);
// The same with USB cameras offered after the folders.
DetectResult ConfirmAndChoose(Interaction& ui, const std::vector<std::filesystem::path>& found,
                              const std::vector<usb::DetectedCamera>& cameras, bool automatic);

}  // namespace orrivan
