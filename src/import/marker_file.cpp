#include "import/marker_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QSaveFile>
#include <cerrno>
#include <string>

namespace orrivan {

namespace fs = std::filesystem;

namespace {

QString FileName(const fs::path& path) { return QFile::decodeName(QByteArray::fromStdString(path.string())); }

bool Carriable(const std::string& line) {
  return !line.empty() && line.front() == '/' && line.size() <= kMaxMarkerLine &&
         line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

}  // namespace

MarkerContents ReadMarker(const fs::path& marker) {
  MarkerContents read;
  // O_NONBLOCK: a FIFO in the marker's place must not hang the program.
  const int fd = ::open(marker.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return read;
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    ::close(fd);
    return read;
  }
  read.device = static_cast<uint64_t>(info.st_dev);
  read.inode = static_cast<uint64_t>(info.st_ino);
  read.status = MarkerContents::Status::Garbage;
  if (!S_ISREG(info.st_mode)) {
    ::close(fd);
    return read;
  }
  // The line, its CR LF, and one byte more to tell a line at the bound from a longer one.
  std::string bytes;
  const size_t limit = kMaxMarkerLine + 3;
  char buffer[1024];
  while (bytes.size() < limit && bytes.find('\n') == std::string::npos) {
    const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, limit - bytes.size()));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return read;
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  const size_t end = bytes.find('\n');
  if (end == std::string::npos && bytes.size() >= limit) return read;  // no line end within the bound
  std::string line = bytes.substr(0, end);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (!Carriable(line)) return read;
  read.volume = line;
  read.status = MarkerContents::Status::Ok;
  return read;
}

bool DeleteMarker(const fs::path& marker, const MarkerContents& read) {
  if (read.status == MarkerContents::Status::CannotOpen) return false;
  struct stat info {};
  if (::stat(marker.c_str(), &info) != 0) return errno == ENOENT;
  if (static_cast<uint64_t>(info.st_dev) != read.device || static_cast<uint64_t>(info.st_ino) != read.inode)
    return true;  // another marker took its place: ours is gone already
  return ::unlink(marker.c_str()) == 0 || errno == ENOENT;
}

bool WriteMarker(const fs::path& marker, const fs::path& volume) {
  if (!Carriable(volume.string())) return false;
  QSaveFile file(FileName(marker));
  if (!file.open(QIODevice::WriteOnly)) return false;
  const std::string line = volume.string() + "\r\n";
  if (file.write(line.data(), static_cast<qint64>(line.size())) != static_cast<qint64>(line.size())) {
    file.cancelWriting();
    file.commit();
    return false;
  }
  return file.commit();
}

}  // namespace orrivan
