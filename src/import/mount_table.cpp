// mountinfo lines: "id parent major:minor root mount-point options [optional fields...] - type source
// super-options", fields split at blanks, blanks and backslashes inside a field written as octal
// escapes (\040, \011, \012, \134). See proc(5).
#include "import/mount_table.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>

namespace orrivan {

namespace {

constexpr size_t kMaxTableBytes = 16u << 20;  // thousands of container mounts stay far below

// Undoes the kernel's octal escapes; a backslash not followed by three octal digits stays as it is.
std::string Unescape(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  const auto octal = [&](size_t k) { return field[k] >= '0' && field[k] <= '7'; };
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
      const int value = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
      if (value <= 0xFF) {
        out.push_back(static_cast<char>(value));
        i += 3;
        continue;
      }
    }
    out.push_back(field[i]);
  }
  return out;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    const size_t start = i;
    while (i < line.size() && line[i] != ' ') ++i;
    if (i > start) fields.push_back(line.substr(start, i - start));
  }
  return fields;
}

template <class T>
bool ParseNumber(std::string_view text, T& value) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end;
}

bool ParseLine(std::string_view line, MountEntry& entry) {
  const std::vector<std::string_view> fields = SplitFields(line);
  // Six fixed fields, the separator, then type, source and super options.
  if (fields.size() < 10) return false;
  size_t separator = 6;
  while (separator < fields.size() && fields[separator] != "-") ++separator;
  if (separator + 2 >= fields.size()) return false;
  if (!ParseNumber(fields[0], entry.mountId) || !ParseNumber(fields[1], entry.parentId)) return false;
  const std::string_view device = fields[2];
  const size_t colon = device.find(':');
  if (colon == std::string_view::npos || !ParseNumber(device.substr(0, colon), entry.major) ||
      !ParseNumber(device.substr(colon + 1), entry.minor))
    return false;
  entry.root = Unescape(fields[3]);
  entry.mountPoint = Unescape(fields[4]);
  entry.fileSystemType = Unescape(fields[separator + 1]);
  entry.source = Unescape(fields[separator + 2]);
  return entry.mountPoint.is_absolute() && !entry.fileSystemType.empty();
}

}  // namespace

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
  std::vector<MountEntry> entries;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    MountEntry entry;
    if (ParseLine(text.substr(start, end - start), entry)) entries.push_back(std::move(entry));
    start = end + 1;
  }
  return entries;
}

bool ReadProcText(const std::filesystem::path& file, std::string& text, size_t maxBytes) {
  text.clear();
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buffer[16384];
  bool ok = true;
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || text.size() + static_cast<size_t>(n) > maxBytes) {
      ok = false;
      break;
    }
    if (n == 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return ok;
}

bool ReadMountTable(std::vector<MountEntry>& entries, const std::filesystem::path& file) {
  entries.clear();
  std::string text;
  if (!ReadProcText(file, text, kMaxTableBytes)) return false;
  entries = ParseMountInfo(text);
  return true;
}

}  // namespace orrivan
