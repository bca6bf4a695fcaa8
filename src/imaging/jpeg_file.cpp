// CJpegFile: the file side of the JPEG services. Reads are bounded (64 KiB for metadata, the
// header up to its start of scan for the rotatability check); a turned file replaces the old one
// by rename, so a crash leaves either the old picture or the new one, never a mix.
#include "imaging/jpeg_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "imaging/jpeg_exif.h"
#include "imaging/jpeg_rotate.h"

namespace orrivan {
namespace {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() {
    int f = fd_;
    fd_ = -1;
    return f;
  }

 private:
  int fd_;
};

// Appends up to `limit` more bytes from `fd`; returns false on a read error.
bool ReadMore(int fd, std::vector<std::uint8_t>& buf, std::size_t limit) {
  std::size_t start = buf.size();
  buf.resize(start + limit);
  std::size_t got = 0;
  while (got < limit) {
    ssize_t n = ::read(fd, buf.data() + start + got, limit - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      buf.resize(start + got);
      return false;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  buf.resize(start + got);
  return true;
}

bool ReadHead(const std::filesystem::path& path, std::vector<std::uint8_t>& head) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  return fd.get() >= 0 && ReadMore(fd.get(), head, kMetadataReadLimit);
}

bool ReadWhole(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st;
  if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  // Room for the probe past the end below, so it does not move the whole file to a new buffer.
  bytes.reserve(static_cast<std::size_t>(st.st_size) + (1 << 16));
  if (!ReadMore(fd.get(), bytes, static_cast<std::size_t>(st.st_size))) return false;
  // The file may have grown since fstat; what counts is what is there now.
  for (;;) {
    std::size_t before = bytes.size();
    if (!ReadMore(fd.get(), bytes, 1 << 16)) return false;
    if (bytes.size() == before) return true;
  }
}

bool WriteAll(int fd, const std::uint8_t* p, std::size_t n) {
  while (n > 0) {
    ssize_t w = ::write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    p += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

// Replaces `path` with `bytes`. Assumes what POSIX file systems give: rename within a folder is
// atomic, and fsync of the file and then of its folder makes the new contents and the new name
// durable in that order. The old file's mode and owner carry over.
bool ReplaceFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::error_code ec;
  std::filesystem::path target = std::filesystem::canonical(path, ec);
  if (ec) return false;
  struct stat st;
  if (::stat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  std::string name = ".";
  name += target.filename().string();
  name += ".XXXXXX";
  std::string temp = (target.parent_path() / name).string();
  Fd fd(::mkstemp(temp.data()));
  if (fd.get() < 0) return false;
  bool ok = WriteAll(fd.get(), bytes.data(), bytes.size()) &&
            ::fchmod(fd.get(), st.st_mode & 07777) == 0 && ::fsync(fd.get()) == 0;
  if (ok) {
    // Ownership may not be ours to give (not root); the contents matter more than the owner.
    [[maybe_unused]] int ignored = ::fchown(fd.get(), st.st_uid, st.st_gid);
  }
  ok = ::close(fd.release()) == 0 && ok;
  if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  Fd dir(::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
  return true;
}

// The rotatability check of ReadOrientation: reads the header in growing pieces until its start
// of scan, so a large picture is not read whole just to be looked at.
bool HeaderCanBeTurned(int fd, std::vector<std::uint8_t>& bytes) {
  std::size_t chunk = kMetadataReadLimit;
  for (;;) {
    jpeg::FrameHeader header;
    jpeg::HeaderResult r = jpeg::ReadFrameHeader(bytes, header);
    if (r != jpeg::HeaderResult::kNeedMore) return r == jpeg::HeaderResult::kOk;
    std::size_t before = bytes.size();
    if (!ReadMore(fd, bytes, chunk) || bytes.size() == before) return false;
    chunk = std::min<std::size_t>(chunk * 2, std::size_t{16} << 20);
  }
}

}  // namespace

bool CJpegFile::ReadShootingDate(const std::filesystem::path& path, std::string& out) {
  try {
    std::vector<std::uint8_t> head;
    return ReadHead(path, head) && ReadShootingDate(head, out);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool CJpegFile::ReadShootingDate(std::span<const std::uint8_t> bytes, std::string& out) {
  return jpeg::FindShootingDate(bytes.first(std::min(bytes.size(), kMetadataReadLimit)), out);
}

std::uint8_t CJpegFile::ReadOrientation(const std::filesystem::path& path, int& outVersion) {
  outVersion = kExifVersionNone;
  try {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    std::vector<std::uint8_t> bytes;
    if (fd.get() < 0 || !ReadMore(fd.get(), bytes, kMetadataReadLimit)) return kRotationUnknown;
    jpeg::OrientationTags tags = jpeg::FindOrientation(bytes);
    outVersion = tags.version;
    if (tags.code > kRotationClockwise) return tags.code;
    return HeaderCanBeTurned(fd.get(), bytes) ? tags.code : kRotationUnknown;
  } catch (const std::bad_alloc&) {
    return kRotationUnknown;
  }
}

std::uint8_t CJpegFile::ReadOrientation(std::span<const std::uint8_t> bytes, int& outVersion) {
  jpeg::OrientationTags tags =
      jpeg::FindOrientation(bytes.first(std::min(bytes.size(), kMetadataReadLimit)));
  outVersion = tags.version;
  if (tags.code > kRotationClockwise) return tags.code;
  jpeg::FrameHeader header;
  return jpeg::ReadFrameHeader(bytes, header) == jpeg::HeaderResult::kOk ? tags.code
                                                                          : kRotationUnknown;
}

bool CJpegFile::RotateBytes(std::span<const std::uint8_t> in, std::uint8_t code, int /*version*/,
                            std::vector<std::uint8_t>& out, unsigned threads) {
  // The header is copied segment by segment whatever the Exif version: copying byte by byte
  // (as for 2.10 files) would take 0xFF 0xDD inside a table for a DRI marker and drop it.
  if (code == kRotationNone) {
    out.assign(in.begin(), in.end());
    return true;
  }
  try {
    return jpeg::TurnJpeg(in, code, out, threads);
  } catch (const std::bad_alloc&) {
    out.clear();
    return false;
  }
}

bool CJpegFile::ReplaceWithTurned(const std::filesystem::path& path, const std::vector<std::uint8_t>& turned) {
  return OwnerMayWrite(path) && ReplaceFile(path, turned);
}

bool CJpegFile::OwnerMayWrite(const std::filesystem::path& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) != 0;
}

bool CJpegFile::RotateFile(const std::filesystem::path& path, std::uint8_t code, int version) {
  if (code == kRotationNone) return true;
  if (code > kRotationClockwise) return false;
  if (!OwnerMayWrite(path)) return false;
  try {
    std::vector<std::uint8_t> in;
    if (!ReadWhole(path, in)) return false;
    std::vector<std::uint8_t> out;
    if (!RotateBytes(in, code, version, out)) return false;
    in = {};
    return ReplaceFile(path, out);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace orrivan
