#include "html/page_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <system_error>

namespace orrivan::html {
namespace fs = std::filesystem;
namespace {

constexpr mode_t kNormalMode = 0644;
constexpr mode_t kProtectedMode = 0444;

void SetMode(const fs::path& path, mode_t mode) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
  chmod(path.c_str(), mode);
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace

void ResetPageAttributes(const fs::path& path) { SetMode(path, kNormalMode); }
void ProtectPage(const fs::path& path) { SetMode(path, kProtectedMode); }

namespace {

// The page on disk already holds these bytes with this mode: nothing to write.
bool Unchanged(const fs::path& path, std::string_view bytes, mode_t mode) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & 07777) != mode ||
      static_cast<size_t>(st.st_size) != bytes.size())
    return false;
  std::optional<std::string> old = ReadPage(path);
  return old && *old == bytes;
}

}  // namespace

bool WritePage(const fs::path& path, std::string_view bytes, bool protect, bool durable) {
  if (Unchanged(path, bytes, protect ? kProtectedMode : kNormalMode)) return true;
  fs::path folder = path.parent_path();
  std::string temp = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
  int fd = mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = WriteAll(fd, bytes) && fchmod(fd, protect ? kProtectedMode : kNormalMode) == 0;
  if (ok && durable) ok = fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  // A folder of that name cannot be replaced by a page; rename refuses it and the temp file goes.
  if (ok) ok = rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    unlink(temp.c_str());
    return false;
  }
  return true;
}

std::optional<std::string> ReadPage(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return std::nullopt;
  return bytes;
}

namespace {

void SealSums(std::string_view page, unsigned char& x, unsigned char& sum) {
  x = 0;
  sum = 0;
  for (size_t i = 0; i < page.size(); ++i) {
    unsigned char c = i >= kSealOffset && i < kSealOffset + 3 ? ' ' : static_cast<unsigned char>(page[i]);
    x ^= c;
    sum = static_cast<unsigned char>(sum + c);
  }
}

}  // namespace

bool SealBytes(std::string& page) {
  if (page.size() < kSealOffset + 3) return false;
  unsigned char x, sum;
  SealSums(page, x, sum);
  page[kSealOffset] = '1';
  page[kSealOffset + 1] = static_cast<char>(x);
  page[kSealOffset + 2] = static_cast<char>(sum);
  return true;
}

bool CheckSealBytes(std::string_view page) {
  if (page.size() < kSealOffset + 3 || page[kSealOffset] != '1') return false;
  unsigned char x, sum;
  SealSums(page, x, sum);
  return static_cast<unsigned char>(page[kSealOffset + 1]) == x &&
         static_cast<unsigned char>(page[kSealOffset + 2]) == sum;
}

bool SealPage(const fs::path& path) {
  std::optional<std::string> page = ReadPage(path);
  if (!page || !SealBytes(*page)) return false;
  struct stat st {};
  bool wasProtected = stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) == 0;
  return WritePage(path, *page, wasProtected, true);
}

bool CheckSeal(const fs::path& path) {
  std::optional<std::string> page = ReadPage(path);
  return page && CheckSealBytes(*page);
}

std::string_view DummyGifBytes() {
  static constexpr unsigned char kGif[] = {
      0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x0A, 0x00, 0x0A, 0x00, 0x80, 0x00, 0x00, 0xC6,
      0xC6, 0xC6, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x0A, 0x00,
      0x00, 0x02, 0x08, 0x84, 0x8F, 0xA9, 0xCB, 0xED, 0x0F, 0x63, 0x2B, 0x00, 0x3B};
  return {reinterpret_cast<const char*>(kGif), sizeof kGif};
}

int EnsureFolder(const fs::path& path) {
  std::error_code ec;
  fs::file_status st = fs::symlink_status(path, ec);
  if (fs::is_directory(st)) return 1;
  if (fs::exists(st)) {
    // Something else holds the name: move it aside to the first free three-digit suffix.
    bool moved = false;
    for (int i = 0; i <= 999 && !moved; ++i) {
      char suffix[8];
      std::snprintf(suffix, sizeof suffix, ".%03d", i);
      fs::path candidate = path;
      candidate += suffix;
      if (fs::exists(fs::symlink_status(candidate, ec))) continue;
      fs::rename(path, candidate, ec);
      if (ec) return 0;
      moved = true;
    }
    if (!moved) return 0;
  }
  fs::create_directory(path, ec);
  return fs::is_directory(fs::symlink_status(path, ec)) ? 1 : 0;
}

bool IsShortcutName(std::string_view name) {
  if (name.size() < 4) return false;
  std::string_view ext = name.substr(name.size() - 4);
  return ext[0] == '.' && (ext[1] | 0x20) == 'l' && (ext[2] | 0x20) == 'n' && (ext[3] | 0x20) == 'k';
}

std::string ResolveShortcut(const fs::path& path) {
  std::error_code ec;
  if (!fs::is_symlink(fs::symlink_status(path, ec))) return {};
  fs::path target = fs::read_symlink(path, ec);
  if (ec || target.empty()) return {};
  if (target.is_relative()) target = path.parent_path() / target;
  return target.lexically_normal().string();
}

FrameSize ScanJpegFrame(std::string_view bytes) {
  auto at = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  size_t n = bytes.size();
  size_t i = 0;
  while (i + 1 < n && !(at(i) == 0xFF && at(i + 1) == 0xD8)) ++i;
  if (i + 1 >= n) return {};
  int width = 0, height = 0;
  bool frame = false;
  for (; i + 1 < n; ++i) {
    if (at(i) != 0xFF) continue;
    unsigned char m = at(i + 1);
    if (m == 0xD9) {
      if (!frame) return {};
      return {width, height, true};
    }
    if (m == 0xE0 && i + 8 < n && bytes.substr(i + 4, 5) == std::string_view("JFXX\0", 5)) {
      size_t length = (size_t{at(i + 2)} << 8) | at(i + 3);
      if (length < 8) length = 8;
      // Past the whole segment: its thumbnail may carry markers of its own.
      i += 2 + length - 1;
      continue;
    }
    if (m == 0xC0 && i + 8 < n) {
      int h = (at(i + 5) << 8) | at(i + 6);
      int w = (at(i + 7) << 8) | at(i + 8);
      if (w > width) {
        width = w;
        height = h;
        frame = true;
      }
      i += 8;
    }
  }
  return {};
}

FrameSize ReadJpegFrameSize(const fs::path& path) {
  std::optional<std::string> bytes = ReadPage(path);
  if (!bytes || bytes->empty()) return {};
  return ScanJpegFrame(*bytes);
}

Shape PreviewShape(const fs::path& path) {
  FrameSize size = ReadJpegFrameSize(path);
  if (!size.ok || size.width <= 0 || size.height <= 0) return Shape::Unknown;
  return size.width >= size.height ? Shape::Wide : Shape::Tall;
}

}  // namespace orrivan::html
