#include "orauto/card_watch.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QStringList>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/paths.h"
#include "base/settings.h"
#include "import/marker_file.h"
#include "library/layout.h"

namespace orrivan::orauto {

namespace fs = std::filesystem;

namespace {

QString Native(const fs::path& path) { return QFile::decodeName(QByteArray::fromStdString(path.string())); }

bool AutoImportOff() { return settings::GetInt(settings::Key::AutoTakeIn) != 0; }

}  // namespace

MountWatch::Key MountWatch::KeyOf(const MountEntry& entry) {
  return {entry.mountId, entry.major, entry.minor, entry.mountPoint.string()};
}

void MountWatch::Reset(const std::vector<MountEntry>& table) {
  known_.clear();
  for (const MountEntry& entry : table) known_.insert(KeyOf(entry));
}

std::vector<MountEntry> MountWatch::Update(const std::vector<MountEntry>& table) {
  std::vector<MountEntry> fresh;
  for (const MountEntry& entry : table)
    if (!known_.count(KeyOf(entry))) fresh.push_back(entry);
  Reset(table);
  return fresh;
}

std::vector<fs::path> NewCards(const std::vector<MountEntry>& fresh, const VolumeStat& stat) {
  std::vector<fs::path> cards;
  for (const fs::path& root : CandidateVolumes(fresh, stat)) {
    CImportSourceList sources;
    if (sources.ScanRootForSources(root)) cards.push_back(root);
  }
  return cards;
}

InstanceLock::InstanceLock(const fs::path& file) {
  // O_NOFOLLOW and the owner check: in a shared /tmp another user may have put something there.
  fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd_ < 0) return;
  struct stat info {};
  if (::fstat(fd_, &info) != 0 || info.st_uid != ::getuid() || ::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd_);
    fd_ = -1;
    return;
  }
  const std::string pid = std::to_string(::getpid()) + "\n";
  if (::ftruncate(fd_, 0) == 0) {
    [[maybe_unused]] const ssize_t written = ::pwrite(fd_, pid.data(), pid.size(), 0);
  }
}

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) ::close(fd_);
}

fs::path InstanceLockPath() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/') {
    std::error_code ec;
    if (fs::is_directory(runtime, ec)) return fs::path(runtime) / "orrivan-orauto.lock";
  }
  return fs::path("/tmp") / ("orrivan-orauto-" + std::to_string(::getuid()) + ".lock");
}

QString MainServerName() { return QStringLiteral("RKOrrivan!Main-%1").arg(::getuid()); }

bool MainProgramRunning(const QString& serverName, int timeoutMs) {
  QLocalSocket socket;
  socket.connectToServer(serverName);
  if (!socket.waitForConnected(timeoutMs)) return false;
  // Anything but "ping" would raise the program's window; the answer itself is not needed.
  socket.write("ping\n");
  socket.waitForBytesWritten(timeoutMs);
  socket.waitForReadyRead(timeoutMs);
  socket.disconnectFromServer();
  return true;
}

fs::path DefaultMainProgram() { return (ExecutableFolder() / ".." / ".." / "bin" / "orrivan").lexically_normal(); }

bool HandOver(const fs::path& card, const WatcherOptions& options) {
  const fs::path marker = options.home / layout::kMarkerFileName;
  if (!WriteMarker(marker, card)) {
    std::fprintf(stderr, "orauto: could not write %s for the card at %s\n", marker.c_str(), card.c_str());
    return false;
  }
  std::fprintf(stderr, "orauto: card at %s handed over\n", card.c_str());
  if (MainProgramRunning(MainServerName())) return true;  // its poll takes the marker
  const QStringList arguments{QStringLiteral("--home"), Native(options.home), QStringLiteral("--config"),
                              Native(options.config)};
  if (!QProcess::startDetached(Native(options.program), arguments, Native(options.home)))
    std::fprintf(stderr, "orauto: could not start %s\n", options.program.c_str());
  return true;
}

int RunWatcher(const WatcherOptions& options) {
  if (AutoImportOff()) return 0;
  // The signal fd is opened before the first read, so no change after that read is missed: the
  // kernel raises POLLPRI for every change since the fd last reported one.
  const int fd = ::open(kMountInfoPath, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    std::perror("orauto: /proc/self/mountinfo");
    return 1;
  }
  std::vector<MountEntry> table;
  if (!ReadMountTable(table)) {
    std::fprintf(stderr, "orauto: cannot read the mount table\n");
    ::close(fd);
    return 1;
  }
  // What is mounted now is not new: a card already in the reader when the watcher starts is not
  // imported.
  MountWatch watch;
  watch.Reset(table);
  // Taken only now, so that holding the lock tells that the watch has begun.
  const InstanceLock lock(InstanceLockPath());
  if (!lock.Held()) {
    ::close(fd);
    return 0;
  }
  for (;;) {
    pollfd changed{fd, POLLPRI, 0};
    const int n = ::poll(&changed, 1, options.settingsCheckMs);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      std::perror("orauto: poll");
      ::close(fd);
      return 1;
    }
    if (AutoImportOff()) break;
    // A home folder that was removed has nothing to import into, and this watcher would keep the
    // one-per-user lock from the watcher of a home that exists.
    std::error_code ec;
    if (!fs::is_directory(options.home, ec)) break;
    if (n == 0 || !ReadMountTable(table)) continue;
    for (const fs::path& card : NewCards(watch.Update(table))) HandOver(card, options);
  }
  ::close(fd);
  return 0;
}

}  // namespace orrivan::orauto
