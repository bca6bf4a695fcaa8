// Placing one file into the library without ever replacing a file and without ever losing a source.
// Assumptions: rename and link within one file system are atomic; fsync makes data and directory
// entries durable. A move within one file system links the target and unlinks the source only in
// CommitMoves. Order for a move across file systems: copy into a temporary name (O_EXCL) while hashing,
// fsync, rename to the target without replacing, fsync the folder, re-read the copy from the device
// and compare hashes; only after the album is saved (CommitMoves) is the source unlinked.
#include <QCryptographicHash>
#include <QByteArray>
#include <QFile>
#include <QStandardPaths>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <random>
#include <system_error>
#include <vector>

#include "import/folder_ops.h"

namespace orrivan {

namespace fs = std::filesystem;

namespace {

constexpr size_t kCopyBuffer = 1 << 20;

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Close(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool Close() {
    if (fd_ < 0) return true;
    const int r = ::close(fd_);
    fd_ = -1;
    return r == 0;
  }

 private:
  int fd_;
};

// renameat2 with RENAME_NOREPLACE; EINVAL (a file system without the flag) falls back to link +
// unlink, which also refuses an existing target.
int RenameNoReplace(const fs::path& from, const fs::path& to) {
  if (::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return -1;
  if (::link(from.c_str(), to.c_str()) != 0) return -1;
  if (::unlink(from.c_str()) != 0) {
    const int saved = errno;
    ::unlink(to.c_str());
    errno = saved;
    return -1;
  }
  return 0;
}

bool SyncFolder(const fs::path& folder) {
  Fd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() < 0) return false;
  return ::fsync(fd.get()) == 0;
}

fs::path TempNameBeside(const fs::path& target) {
  // Each thread its own generator: a shared one would race.
  thread_local std::mt19937_64 rng{std::random_device{}()};
  char suffix[17];
  std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(rng()));
  std::string name = ".";
  name += target.filename().string();
  name += ".orrivan-";
  name += suffix;
  return target.parent_path() / name;
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Reads the file from the device (its cached pages dropped first) and returns its hash.
bool HashFromDevice(const fs::path& path, QByteArray& hash) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return false;
  ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_DONTNEED);
  QCryptographicHash h(QCryptographicHash::Sha1);
  std::vector<char> buffer(kCopyBuffer);
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) break;
    h.addData(QByteArrayView(buffer.data(), n));
  }
  hash = h.result();
  return true;
}

// Copies source to target: never over an existing target; the copy gets the source's modification
// time and read-only state and is durable when this returns true. With verify, the copy is read back and compared.
bool CopyNoReplace(const fs::path& source, const fs::path& target, bool verify) {
  Fd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.get() < 0) return false;
  struct stat st {};
  if (::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  std::error_code ec;
  if (fs::exists(fs::symlink_status(target, ec))) return false;

  const fs::path temp = TempNameBeside(target);
  Fd out(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
  if (out.get() < 0) return false;
  auto fail = [&] {
    out.Close();
    ::unlink(temp.c_str());
    return false;
  };
  ::posix_fadvise(in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
  QCryptographicHash h(QCryptographicHash::Sha1);
  std::vector<char> buffer(kCopyBuffer);
  int64_t copied = 0;
  for (;;) {
    const ssize_t n = ::read(in.get(), buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail();
    }
    if (n == 0) break;
    if (verify) h.addData(QByteArrayView(buffer.data(), n));
    if (!WriteAll(out.get(), buffer.data(), static_cast<size_t>(n))) return fail();
    copied += n;
  }
  if (copied != st.st_size) return fail();
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  if (::futimens(out.get(), times) != 0) return fail();
  // A read-only source gives a read-only copy (the attribute travels with a copy), so that the
  // library copy is left as it is, never turned.
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 && ::fchmod(out.get(), 0444) != 0) return fail();
  if (::fsync(out.get()) != 0) return fail();
  if (!out.Close()) {
    ::unlink(temp.c_str());
    return false;
  }
  if (RenameNoReplace(temp, target) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  if (!SyncFolder(target.parent_path())) {
    ::unlink(target.c_str());
    return false;
  }
  if (verify) {
    QByteArray again;
    if (!HashFromDevice(target, again) || again != h.result()) {
      ::unlink(target.c_str());
      return false;
    }
  }
  return true;
}

}  // namespace

fs::path ShortcutPath(const fs::path& target) { return fs::path(target.string() + ".lnk"); }

bool MoveToTrash(const fs::path& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) return TrashLinkItself(path);
  // Qt 6.4 trashes into the current folder when the data folder is missing: make sure it exists.
  const char* xdg = std::getenv("XDG_DATA_HOME");
  fs::path data;
  if (xdg && *xdg) {
    data = xdg;
  } else if (const char* home = std::getenv("HOME")) {
    data = fs::path(home) / ".local/share";
  }
  if (data.empty()) return false;
  std::error_code ec;
  fs::create_directories(data, ec);
  if (!fs::is_directory(data, ec)) return false;
  return QFile::moveToTrash(QString::fromStdString(path.string()));
}

void ClearAttributes(const fs::path& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || S_ISLNK(st.st_mode)) return;
  ::chmod(path.c_str(), (st.st_mode & 07777) | S_IRUSR | S_IWUSR | (S_ISDIR(st.st_mode) ? S_IXUSR : 0));
}

bool CFolderOps::PlaceFile(const fs::path& source, const fs::path& target, int mode) {
  if (source == target) return true;
  std::error_code ec;
  switch (mode) {
    case kTransferNone:
      return true;
    case kTransferMove: {
      // Within one file system a second name comes first: the card keeps its name until the album
      // is saved, and turning the library file upright (a new inode) never touches the card's.
      if (::link(source.c_str(), target.c_str()) == 0) {
        SyncFolder(target.parent_path());
        records_.placedFiles.push_back({source, target, PlacedFile::How::CopiedForMove});
        return true;
      }
      if (errno == EEXIST) return false;
      // File systems without hard links (FAT cards): a rename that refuses to replace.
      if (RenameNoReplace(source, target) == 0) {
        SyncFolder(target.parent_path());
        records_.placedFiles.push_back({source, target, PlacedFile::How::Renamed});
        return true;
      }
      if (errno != EXDEV) return false;
      if (!CopyNoReplace(source, target, true)) return false;
      records_.placedFiles.push_back({source, target, PlacedFile::How::CopiedForMove});
      return true;
    }
    case kTransferCopy:
      if (!CopyNoReplace(source, target, false)) return false;
      records_.AddPlaced(target);
      return true;
    case kTransferShortcut: {
      const fs::path link = ShortcutPath(target);
      const fs::path absolute = fs::absolute(source, ec);
      if (ec) return false;
      fs::create_symlink(absolute, link, ec);
      if (ec) return false;
      records_.AddPlaced(link);
      return true;
    }
    default:
      return false;
  }
}

bool CFolderOps::RemoveMovedSource(const fs::path& source) { return ::unlink(source.c_str()) == 0; }

bool CFolderOps::CommitMoves(std::vector<fs::path>* stayed) {
  bool all = true;
  for (PlacedFile& placed : records_.placedFiles) {
    if (placed.how != PlacedFile::How::CopiedForMove) continue;
    // The copy must still be there before its source goes (a link as itself: its target may be gone).
    struct stat st {};
    if (::lstat(placed.newPath.c_str(), &st) != 0) {
      all = false;
      continue;
    }
    if (!RemoveMovedSource(placed.oldPath)) {
      all = false;
      if (stayed) stayed->push_back(placed.oldPath);
      continue;
    }
    placed.how = PlacedFile::How::Renamed;
  }
  return all;
}

void CFolderOps::UndoPlacements() {
  for (auto it = records_.placedFiles.rbegin(); it != records_.placedFiles.rend(); ++it) {
    switch (it->how) {
      case PlacedFile::How::Renamed:
        // Back onto the card; if the card is gone, the file stays in the library (two places at
        // worst, never none).
        if (RenameNoReplace(it->newPath, it->oldPath) != 0 && errno == EXDEV) {
          if (CopyNoReplace(it->newPath, it->oldPath, true)) ::unlink(it->newPath.c_str());
        }
        break;
      case PlacedFile::How::CopiedForMove:
      case PlacedFile::How::Created:
        ClearAttributes(it->newPath);
        ::unlink(it->newPath.c_str());
        break;
    }
  }
  records_.placedFiles.clear();
}

void CFolderOps::RemoveCreatedFolders() {
  for (auto it = records_.createdFolders.rbegin(); it != records_.createdFolders.rend(); ++it)
    ::rmdir(it->c_str());  // a folder that is not empty stays
  records_.createdFolders.clear();
}

bool CFolderOps::CreateFolder(const fs::path& folder) {
  std::error_code ec;
  if (::mkdir(folder.c_str(), 0755) == 0) {
    records_.AddCreatedFolder(folder);
    return true;
  }
  return fs::is_directory(folder, ec);
}

}  // namespace orrivan
