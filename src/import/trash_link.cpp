// Trashing a symbolic link as itself, by the freedesktop Trash rules: the link goes into the trash
// of its own file system (the home trash when it shares the home's, else the top directory's
// .Trash/$uid or .Trash-$uid), with an info file naming where it was. Qt's trash looks at the link's
// target and fails for a target on another file system or one that is gone; a shortcut's original
// must never be touched, so the link is renamed, never followed.
#include <QByteArray>
#include <QDateTime>
#include <QUrl>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>

#include "import/folder_ops.h"

namespace orrivan {

namespace fs = std::filesystem;

namespace {

bool IsRealDirectory(const fs::path& dir) {
  struct stat st {};
  return ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A trash folder with its files/ and info/ subfolders, made when missing (mode 0700).
bool PrepareTrash(const fs::path& trash) {
  for (const fs::path& dir : {trash, trash / "files", trash / "info"}) {
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (!IsRealDirectory(dir)) return false;  // a symbolic link planted there is not our trash
  }
  return true;
}

dev_t DeviceOf(const fs::path& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 ? st.st_dev : dev_t(-1);
}

// The mount point of the file system holding folder: the highest ancestor on the same device.
fs::path TopDirectory(const fs::path& folder) {
  const dev_t device = DeviceOf(folder);
  fs::path top = folder;
  while (top.has_parent_path() && top.parent_path() != top && DeviceOf(top.parent_path()) == device)
    top = top.parent_path();
  return top;
}

fs::path HomeTrash() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && *xdg) return fs::path(xdg) / "Trash";
  const char* home = std::getenv("HOME");
  return home && *home ? fs::path(home) / ".local/share/Trash" : fs::path();
}

// The trash for a link in folder and the Path= value its info file records (absolute for the home
// trash, relative to the top directory otherwise).
bool ChooseTrash(const fs::path& link, fs::path& trash, std::string& recorded) {
  const fs::path folder = link.parent_path();
  const fs::path home = HomeTrash();
  if (!home.empty()) {
    std::error_code ec;
    fs::create_directories(home.parent_path(), ec);
    if (DeviceOf(home.parent_path()) == DeviceOf(folder) && PrepareTrash(home)) {
      trash = home;
      recorded = link.string();
      return true;
    }
  }
  const fs::path top = TopDirectory(folder);
  const std::string uid = std::to_string(::getuid());
  recorded = link.lexically_relative(top).string();
  // An administrator's .Trash counts only as a sticky folder that is not a link.
  struct stat st {};
  const fs::path shared = top / ".Trash";
  if (::lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) &&
      PrepareTrash(shared / uid)) {
    trash = shared / uid;
    return true;
  }
  trash = top / (".Trash-" + uid);
  return PrepareTrash(trash);
}

}  // namespace

bool TrashLinkItself(const fs::path& given) {
  std::error_code ec;
  const fs::path link = fs::absolute(given, ec).lexically_normal();
  struct stat st {};
  if (ec || ::lstat(link.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return false;
  fs::path trash;
  std::string recorded;
  if (!ChooseTrash(link, trash, recorded)) return false;

  const QByteArray info = "[Trash Info]\nPath=" +
                          QUrl::toPercentEncoding(QByteArray::fromStdString(recorded), "/") +
                          "\nDeletionDate=" +
                          QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")).toUtf8() +
                          "\n";
  const std::string name = link.filename().string();
  // The info file, made with O_EXCL, reserves the name in files/ as well.
  for (int n = 1; n <= 1000; ++n) {
    const std::string entry = n == 1 ? name : name + "." + std::to_string(n);
    const fs::path infoFile = trash / "info" / (entry + ".trashinfo");
    const int fd = ::open(infoFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    const bool written = ::write(fd, info.constData(), info.size()) == info.size();
    const bool closed = ::close(fd) == 0;
    const fs::path target = trash / "files" / entry;
    struct stat taken {};
    if (written && closed && ::lstat(target.c_str(), &taken) != 0 && ::rename(link.c_str(), target.c_str()) == 0)
      return true;
    ::unlink(infoFile.c_str());
    if (!written || !closed || ::lstat(target.c_str(), &taken) != 0) return false;
  }
  return false;
}

}  // namespace orrivan
