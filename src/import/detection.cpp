// Card detection on Linux: mounted volumes stand in for drive letters, and /sys tells a removable
// card reader from a fixed disk.
#include "import/detection.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <utility>
#include <system_error>

#include "base/settings.h"
#include "base/strings.h"
#include "import/usb_import.h"

namespace orrivan {

namespace fs = std::filesystem;

std::atomic<int> g_importInProgress{0};

int CompareIgnoreCase(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const int ca = std::tolower(static_cast<unsigned char>(a[i]));
    const int cb = std::tolower(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::string UpperAscii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

namespace {

bool StartsWithPath(const fs::path& path, const fs::path& prefix) {
  auto p = path.begin();
  for (auto q = prefix.begin(); q != prefix.end(); ++q, ++p) {
    if (p == path.end() || *p != *q) return false;
  }
  return true;
}

// Pseudo, network, optical and automount file systems are never cards.
bool IsExcludedFileSystem(const std::string& type) {
  static constexpr const char* kExcluded[] = {
      "proc",      "sysfs",    "devtmpfs", "devpts",  "tmpfs",      "ramfs",    "cgroup",     "cgroup2",
      "securityfs", "debugfs", "tracefs",  "pstore",  "bpf",        "mqueue",   "hugetlbfs",  "configfs",
      "fusectl",   "autofs",   "binfmt_misc", "overlay", "squashfs", "nsfs",    "efivarfs",   "selinuxfs",
      "rpc_pipefs", "nfsd",    "nfs",      "nfs4",    "cifs",       "smb3",     "smbfs",      "ncpfs",
      "afs",       "ceph",     "glusterfs", "davfs",  "9p",         "fuse.sshfs", "iso9660",  "udf"};
  return std::any_of(std::begin(kExcluded), std::end(kExcluded), [&](const char* t) { return type == t; });
}

std::string ReadFirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

bool IsRemovableSysEntry(const fs::path& sys) {
  std::error_code ec;
  if (!fs::exists(sys, ec)) return false;
  const fs::path real = fs::canonical(sys, ec);
  if (ec) return false;
  const std::string text = real.string();
  if (text.find("/usb") != std::string::npos || text.find("/mmc") != std::string::npos) return true;
  if (ReadFirstLine(real / "removable") == "1") return true;
  // A partition: its parent folder in /sys is the whole disk.
  return fs::exists(real / "partition", ec) && ReadFirstLine(real.parent_path() / "removable") == "1";
}

// A block device counts as removable when it (or the disk it is a partition of) says so, or sits on
// a USB or MMC bus: card readers often report themselves as fixed disks. The device number of the
// mount table is asked first (the source may be "/dev/root" or a by-uuid link); a device path next.
bool IsRemovableDevice(const std::string& device, unsigned major, unsigned minor) {
  if (major != 0) return IsRemovableSysEntry("/sys/dev/block/" + std::to_string(major) + ":" + std::to_string(minor));
  if (device.rfind("/dev/", 0) != 0) return false;
  std::error_code ec;
  const fs::path dev = fs::canonical(device, ec);
  if (ec) return false;
  return IsRemovableSysEntry(fs::path("/sys/class/block") / dev.filename());
}

// Places of the kernel's own file systems: nothing mounted there is a card, whatever its type.
bool IsSystemPlace(const fs::path& root) {
  for (const char* prefix : {"/proc", "/sys", "/dev"})
    if (StartsWithPath(root, prefix)) return true;
  return false;
}

bool MayBeCard(const fs::path& root, const std::string& type, const std::string& device, unsigned major,
               unsigned minor) {
  if (IsExcludedFileSystem(type) || IsSystemPlace(root)) return false;
  if (type.rfind("fuse.", 0) == 0 && type != "fuse.exfat" && type != "fuseblk") return false;
  for (const char* prefix : {"/media", "/run/media", "/mnt"})
    if (StartsWithPath(root, prefix) && root != fs::path(prefix)) return true;
  return IsRemovableDevice(device, major, minor);
}

}  // namespace

bool IsCandidateVolume(const MountedVolume& volume) {
  if (!volume.ready || volume.bytesTotal <= 0) return false;
  return MayBeCard(volume.root, volume.fileSystemType, volume.device, volume.major, volume.minor);
}

bool MayBeCardMount(const MountEntry& entry) {
  return entry.root == "/" &&
         MayBeCard(entry.mountPoint, entry.fileSystemType, entry.source, entry.major, entry.minor);
}

std::optional<int64_t> StatVolume(const fs::path& root) {
  struct statvfs info {};
  if (::statvfs(root.c_str(), &info) != 0) return std::nullopt;
  return static_cast<int64_t>(info.f_blocks) * static_cast<int64_t>(info.f_frsize);
}

CDriveList CandidateVolumes(const std::vector<MountEntry>& table, const VolumeStat& stat) {
  std::map<fs::path, size_t> last;
  for (size_t i = 0; i < table.size(); ++i) last[table[i].mountPoint] = i;
  // One file system mounted at two places (a bind of the whole volume) is one card, not two.
  std::set<std::pair<unsigned, unsigned>> taken;
  CDriveList drives;
  for (size_t i = 0; i < table.size(); ++i) {
    const MountEntry& entry = table[i];
    if (last[entry.mountPoint] != i || taken.count({entry.major, entry.minor}) || !MayBeCardMount(entry)) continue;
    const std::optional<int64_t> bytes = stat(entry.mountPoint);
    if (bytes && *bytes > 0) {
      drives.push_back(entry.mountPoint);
      taken.insert({entry.major, entry.minor});
    }
  }
  return drives;
}

bool ScanDrives(CDriveList& drives) {
  drives.clear();
  if (const char* env = std::getenv("ORRIVAN_VOLUMES")) {
    std::string list = env;
    size_t start = 0;
    while (start <= list.size()) {
      size_t end = list.find(':', start);
      if (end == std::string::npos) end = list.size();
      const std::string dir = list.substr(start, end - start);
      std::error_code ec;
      if (!dir.empty() && fs::is_directory(dir, ec)) drives.emplace_back(dir);
      start = end + 1;
    }
    return !drives.empty();
  }
  std::vector<MountEntry> table;
  if (ReadMountTable(table)) drives = CandidateVolumes(table);
  return !drives.empty();
}

fs::path CImportSourceList::Get(int index) const {
  if (index < 0 || index >= Count()) return {};
  return paths_[static_cast<size_t>(index)];
}

std::string CImportSourceList::Shown(int index) const { return UpperAscii(Get(index).string()); }

void CImportSourceList::Append(const fs::path& path) {
  const std::string text = path.string();
  auto at = std::find_if(paths_.begin(), paths_.end(),
                         [&](const fs::path& p) { return CompareIgnoreCase(p.string(), text) > 0; });
  paths_.insert(at, path);
}

int CImportSourceList::Remove(int index) {
  if (index < 0 || index >= Count()) return 0;
  paths_.erase(paths_.begin() + index);
  return 1;
}

namespace {

bool EqualsAscii(const std::string& a, const char* b) { return CompareIgnoreCase(a, b) == 0; }

// The confirmation before an import: titled with the product name, OK and "中止".
BoxLook CardFoundLook() { return BoxLook{Str(StrId::ProductName), {Str(StrId::OkButton), Str(StrId::CancelButton)}}; }

bool HoldsIndexFile(const fs::path& folder) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code ec2;
    if (!it->is_directory(ec2) && EqualsAscii(it->path().filename().string(), "RKCAM.RKS")) return true;
  }
  return false;
}

}  // namespace

bool CImportSourceList::ScanRootForSources(const fs::path& root) {
  std::error_code ec;
  std::vector<fs::path> found;
  for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code ec2;
    if (!it->is_directory(ec2)) continue;
    const fs::path& folder = it->path();
    if (EqualsAscii(folder.filename().string(), "DCIM") || HoldsIndexFile(folder)) found.push_back(folder);
  }
  for (const fs::path& p : found) Append(p);
  return Count() > 0;
}

DetectResult ConfirmAndChoose(Interaction& ui, const std::vector<fs::path>& found, bool automatic) {
  return ConfirmAndChoose(ui, found, {}, automatic);
}

DetectResult ConfirmAndChoose(Interaction& ui, const std::vector<fs::path>& found,
                              const std::vector<usb::DetectedCamera>& cameras, bool automatic) {
  DetectResult result;
  if (found.empty() && cameras.empty()) {
    result.outcome = DetectOutcome::NoSource;
    return result;
  }
  if (settings::GetInt(settings::Key::ShowDialog) == 0) {
    const std::string text = Str(automatic ? StrId::CardFoundAutoImport : StrId::CardFoundImport);
    if (!ui.Confirm(text, Icon::Question, CardFoundLook())) {
      result.outcome = DetectOutcome::Cancelled;
      return result;
    }
  }
  result.outcome = DetectOutcome::Sources;
  if (found.size() + cameras.size() == 1) {
    if (found.empty()) {
      result.cameras = cameras;
    } else {
      result.sources = found;
    }
    return result;
  }
  std::vector<SourceEntry> entries;
  for (const fs::path& path : found) entries.push_back({UpperAscii(path.string()), path});
  for (const usb::DetectedCamera& camera : cameras) entries.push_back({UsbCameraShown(camera), {}});
  const std::vector<size_t> chosen = ui.ChooseSources(Str(StrId::ImportCaption), entries);
  for (size_t index : chosen) {
    if (index < found.size()) {
      result.sources.push_back(found[index]);
    } else if (index < entries.size()) {
      result.cameras.push_back(cameras[index - found.size()]);
    }
  }
  if (result.sources.empty() && result.cameras.empty()) result.outcome = DetectOutcome::Cancelled;
  return result;
}

namespace {

// The USB cameras attached now, as the current source lists them. A camera that cannot be asked
// counts as none: the cards are still offered.
std::vector<usb::DetectedCamera> AttachedCameras() {
  std::vector<usb::DetectedCamera> cameras;
  if (!CurrentUsbCameraSource().List(cameras)) return {};
  std::erase_if(cameras, [](const usb::DetectedCamera& c) { return c.port.rfind("disk:", 0) == 0; });
  return cameras;
}

}  // namespace

DetectResult DetectCardSources(Interaction& ui) {
  DetectResult result;
  CDriveList drives;
  const bool anyDrive = ScanDrives(drives);
  const std::vector<usb::DetectedCamera> cameras = AttachedCameras();
  if (!anyDrive && cameras.empty()) {
    result.outcome = DetectOutcome::NoDrive;
    return result;
  }
  CImportSourceList list;
  for (const fs::path& root : drives) list.ScanRootForSources(root);
  if (list.Count() == 0 && cameras.empty()) {
    ui.Message(Str(StrId::NoImportableImages), Icon::Information);
    result.outcome = DetectOutcome::NoSource;
    return result;
  }
  return ConfirmAndChoose(ui, list.Paths(), cameras, false);
}

bool ConfirmAutoImport(Interaction& ui) {
  return settings::GetInt(settings::Key::ShowDialog) != 0 ||
         ui.Confirm(Str(StrId::CardFoundAutoImport), Icon::Question, CardFoundLook());
}

DetectResult ChooseAutoSources(Interaction& ui, const fs::path& root) {
  CImportSourceList list;
  list.ScanRootForSources(root);
  if (list.Count() == 0) return DetectResult{DetectOutcome::NoSource, {}, {}};
  if (list.Count() == 1) return DetectResult{DetectOutcome::Sources, {list.Get(0)}, {}};
  std::vector<SourceEntry> entries;
  for (int i = 0; i < list.Count(); ++i) entries.push_back({list.Shown(i), list.Get(i)});
  DetectResult result;
  for (size_t index : ui.ChooseSources(Str(StrId::ImportCaption), entries))
    if (index < entries.size()) result.sources.push_back(entries[index].path);
  result.outcome = result.sources.empty() ? DetectOutcome::Cancelled : DetectOutcome::Sources;
  return result;
}

// The automatic import asks before it looks at the volume it was handed.
DetectResult DetectAutoSources(Interaction& ui, const fs::path& root) {
  if (!ConfirmAutoImport(ui)) return DetectResult{DetectOutcome::Cancelled, {}, {}};
  return ChooseAutoSources(ui, root);
}

}  // namespace orrivan
