// Reader and writer of the album file, an object archive of the application framework's format:
// little-endian integers; strings as code page 932 bytes behind a 1-, 3- or 7-byte length prefix;
// lists as a 16-bit count (0xFFFF + 32-bit beyond that); each object behind a class description
// (0xFFFF, schema, name) or a tag naming a class read before (0x8000 | index, or 0x7FFF + 32-bit
// for indexes of 0x7FFF and more). Every class description and object takes the next index from 1.
//
// The save assumes what most local file systems give: rename(2) within one folder replaces the
// target atomically, and fsync makes a file's data and a folder's entries durable. It writes a
// temporary file beside the target, syncs it, renames it over the target and syncs the folder, so
// a crash leaves the old album or the new one, never a torn one.
#include "library/album_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

#include "base/cp932.h"
#include "library/layout.h"

namespace orrivan {
namespace {

constexpr uint16_t kNewClassTag = 0xFFFF;
constexpr uint16_t kClassTag = 0x8000;
constexpr uint16_t kBigObjectTag = 0x7FFF;
constexpr uint32_t kBigClassTag = 0x80000000u;
constexpr uint16_t kSchema = 0;
constexpr std::string_view kDayClassName = "CAlbumData";
constexpr std::string_view kPictureClassName = "CPhotoData";
// The framework refuses class names of 64 characters and more.
constexpr size_t kMaxClassNameLength = 63;

// ASCII without '&' reads and writes as itself (code page 932 is ASCII-compatible, 0x5C included);
// everything else goes through the codec. Most album strings are paths and digits.
bool PlainAscii(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80 || c == '&') return false;
  }
  return true;
}

std::string FromCp932(std::string_view bytes) {
  if (PlainAscii(bytes)) return std::string(bytes);
  return cp932::Decode(bytes, /*resolveReferences=*/true);
}

// UTF-16LE (the framework's wide-string form, announced by the length 0xFFFE) to UTF-8.
std::string FromUtf16(std::string_view bytes) {
  std::string out;
  auto unit = [&](size_t i) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[2 * i])) |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[2 * i + 1])) << 8;
  };
  const size_t units = bytes.size() / 2;
  for (size_t i = 0; i < units; ++i) {
    uint32_t cp = unit(i);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 && unit(i + 1) <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    cp932::AppendUtf8(out, cp);
  }
  return out;
}

// A bounded cursor over the input; every read checks the remaining length first.
class ByteReader {
 public:
  explicit ByteReader(std::string_view in) : in_(in) {}

  size_t Remaining() const { return in_.size() - pos_; }
  size_t Position() const { return pos_; }

  bool U8(uint8_t& v) {
    if (Remaining() < 1) return false;
    v = static_cast<uint8_t>(in_[pos_++]);
    return true;
  }
  bool U16(uint16_t& v) {
    if (Remaining() < 2) return false;
    v = static_cast<uint16_t>(Byte(0) | Byte(1) << 8);
    pos_ += 2;
    return true;
  }
  bool U32(uint32_t& v) {
    if (Remaining() < 4) return false;
    v = Byte(0) | Byte(1) << 8 | Byte(2) << 16 | Byte(3) << 24;
    pos_ += 4;
    return true;
  }
  bool I32(int32_t& v) {
    uint32_t u;
    if (!U32(u)) return false;
    v = static_cast<int32_t>(u);
    return true;
  }
  bool Bytes(size_t n, std::string_view& v) {
    if (Remaining() < n) return false;
    v = in_.substr(pos_, n);
    pos_ += n;
    return true;
  }

  // The framework's string length: 1 byte, else 0xFF + 16 bits, else 0xFF 0xFFFF + 32 bits;
  // 0xFF 0xFFFE announces a wide string whose length follows.
  bool StringLength(uint32_t& n, bool& wide) {
    uint8_t b;
    if (!U8(b)) return false;
    if (b < 0xFF) return n = b, true;
    uint16_t w;
    if (!U16(w)) return false;
    if (w == 0xFFFE) {
      if (wide) return false;  // one marker only
      wide = true;
      return StringLength(n, wide);
    }
    if (w < 0xFFFF) return n = w, true;
    return U32(n);
  }

  bool String(std::string& out) {
    uint32_t n = 0;
    bool wide = false;
    if (!StringLength(n, wide)) return false;
    std::string_view bytes;
    if (wide) {
      if (n > Remaining() / 2) return false;
      if (!Bytes(size_t{n} * 2, bytes)) return false;
      out = FromUtf16(bytes);
      return true;
    }
    if (!Bytes(n, bytes)) return false;
    out = FromCp932(bytes);
    return true;
  }

  bool Count(uint32_t& n) {
    uint16_t w;
    if (!U16(w)) return false;
    if (w != 0xFFFF) return n = w, true;
    return U32(n);
  }

 private:
  uint32_t Byte(size_t k) const { return static_cast<unsigned char>(in_[pos_ + k]); }
  std::string_view in_;
  size_t pos_ = 0;
};

// What each archive index stands for. Index 0 is the null reference.
struct LoadedEntry {
  enum class Kind { Null, DayClass, PictureClass, Day, Picture } kind;
  size_t record = 0;  // position in its list, for objects
};

class AlbumReader {
 public:
  AlbumReader(std::string_view bytes, AlbumContents& out) : in_(bytes), out_(out), copyBudget_(bytes.size() + 4096) {
    loaded_.push_back({LoadedEntry::Kind::Null});
  }

  bool Read() {
    uint32_t count;
    if (!in_.Count(count)) return false;
    // Every object takes at least two bytes: never reserve more than the input can hold.
    out_.days.reserve(std::min<size_t>(count, in_.Remaining() / 2));
    for (uint32_t i = 0; i < count; ++i) {
      if (!ReadObject(true)) return false;
    }
    if (!in_.Count(count)) return false;
    out_.pictures.reserve(std::min<size_t>(count, in_.Remaining() / 2));
    for (uint32_t i = 0; i < count; ++i) {
      if (!ReadObject(false)) return false;
    }
    return true;
  }

 private:
  using Kind = LoadedEntry::Kind;

  bool ReadObject(bool day) {
    const Kind classKind = day ? Kind::DayClass : Kind::PictureClass;
    const Kind objectKind = day ? Kind::Day : Kind::Picture;
    uint16_t tag;
    if (!in_.U16(tag)) return false;
    // An empty object reference, as the framework's format allows: no record, the rest is read on.
    if (tag == 0) return true;
    uint32_t objectTag;
    if (tag == kBigObjectTag) {
      if (!in_.U32(objectTag)) return false;
    } else {
      objectTag = (static_cast<uint32_t>(tag & kClassTag) << 16) | (tag & ~kClassTag);
    }

    if (!(objectTag & kBigClassTag)) {
      // A reference to an object read before. A list cannot hold a null record, and it does not
      // share records, so only a reference to a record of the list's own class is taken, as a copy.
      if (objectTag == 0 || objectTag >= loaded_.size()) return false;
      const LoadedEntry& entry = loaded_[objectTag];
      if (entry.kind != objectKind) return false;
      // Two bytes that copy a whole record could blow a small file up to any size: copies may
      // together hold only as much text as the file itself.
      const size_t bytes = day ? TextBytes(out_.days[entry.record]) : TextBytes(out_.pictures[entry.record]);
      if (bytes > copyBudget_) return false;
      copyBudget_ -= bytes;
      if (day) {
        CAlbumData copy = out_.days[entry.record];
        out_.days.push_back(std::move(copy));
      } else {
        CPhotoData copy = out_.pictures[entry.record];
        out_.pictures.push_back(std::move(copy));
      }
      return true;
    }

    if (tag == kNewClassTag) {
      uint16_t schema, nameLength;
      std::string_view name;
      if (!in_.U16(schema) || !in_.U16(nameLength)) return false;
      if (nameLength > kMaxClassNameLength || !in_.Bytes(nameLength, name)) return false;
      if (schema != kSchema || name != (day ? kDayClassName : kPictureClassName)) return false;
      loaded_.push_back({classKind});
    } else {
      const uint32_t classIndex = objectTag & ~kBigClassTag;
      if (classIndex == 0 || classIndex >= loaded_.size()) return false;
      if (loaded_[classIndex].kind != classKind) return false;
    }

    // The object takes its index before its fields are read, as the framework numbers them.
    if (day) {
      loaded_.push_back({Kind::Day, out_.days.size()});
      CAlbumData& d = out_.days.emplace_back();
      return in_.String(d.formatTag) && in_.String(d.title) && in_.String(d.folderPath) &&
             in_.String(d.pagePath) && in_.String(d.templateName) && in_.I32(d.totalSize) &&
             in_.I32(d.pictureCount) && in_.I32(d.shortcutDay) && in_.I32(d.printButton) &&
             in_.I32(d.reserved) && in_.String(d.mailName);
    }
    loaded_.push_back({Kind::Picture, out_.pictures.size()});
    CPhotoData& p = out_.pictures.emplace_back();
    return in_.String(p.filePath) && in_.String(p.year) && in_.String(p.month) && in_.String(p.day) &&
           in_.String(p.hour) && in_.String(p.minute) && in_.String(p.second) && in_.I32(p.size) &&
           in_.I32(p.flag);
  }

  static size_t TextBytes(const CAlbumData& d) {
    return 64 + d.formatTag.size() + d.title.size() + d.folderPath.size() + d.pagePath.size() +
           d.templateName.size() + d.mailName.size();
  }
  static size_t TextBytes(const CPhotoData& p) {
    return 64 + p.filePath.size() + p.year.size() + p.month.size() + p.day.size() + p.hour.size() +
           p.minute.size() + p.second.size();
  }

  ByteReader in_;
  AlbumContents& out_;
  std::vector<LoadedEntry> loaded_;
  size_t copyBudget_;
};

bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  bytes.clear();
  std::array<char, 1 << 16> buffer;
  size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), file)) > 0) bytes.append(buffer.data(), n);
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok;
}

void PutU16(std::string& out, uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}

void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void PutStringBytes(std::string& out, std::string_view bytes) {
  const size_t n = bytes.size();
  if (n < 0xFF) {
    out += static_cast<char>(n);
  } else if (n < 0xFFFE) {
    out += '\xFF';
    PutU16(out, static_cast<uint16_t>(n));
  } else {
    out += '\xFF';
    PutU16(out, 0xFFFF);
    PutU32(out, static_cast<uint32_t>(n));
  }
  out.append(bytes);
}

}  // namespace

const char* AlbumErrorText(AlbumError error) {
  switch (error) {
    case AlbumError::None: return "";
    case AlbumError::OpenFailed: return kAlbumOpenFailedText;
    case AlbumError::UnexpectedFormat: return kAlbumUnexpectedFormatText;
    case AlbumError::SaveFailed: return kAlbumSaveFailedText;
  }
  return "";
}

AlbumError ReadAlbumBytes(std::string_view bytes, AlbumContents& out) {
  out = {};
  AlbumReader reader(bytes, out);
  if (!reader.Read()) {
    out = {};  // nothing half-loaded
    return AlbumError::UnexpectedFormat;
  }
  return AlbumError::None;
}

AlbumError ReadAlbumFile(const std::filesystem::path& path, AlbumContents& out) {
  out = {};
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return AlbumError::OpenFailed;
  return ReadAlbumBytes(bytes, out);
}

AlbumWriter::AlbumWriter() = default;

void AlbumWriter::WriteCount(size_t count) {
  if (count < 0xFFFF) {
    PutU16(out_, static_cast<uint16_t>(count));
  } else {
    PutU16(out_, 0xFFFF);
    PutU32(out_, static_cast<uint32_t>(std::min<size_t>(count, std::numeric_limits<uint32_t>::max())));
  }
}

void AlbumWriter::WriteInt32(int32_t value) { PutU32(out_, static_cast<uint32_t>(value)); }

void AlbumWriter::WriteString(std::string_view utf8) {
  if (PlainAscii(utf8)) {
    PutStringBytes(out_, utf8);
  } else {
    PutStringBytes(out_, cp932::Encode(utf8));
  }
}

void AlbumWriter::WriteObjectTag(uint32_t& classIndex, std::string_view className) {
  if (classIndex == 0) {
    PutU16(out_, kNewClassTag);
    PutU16(out_, kSchema);
    PutU16(out_, static_cast<uint16_t>(className.size()));
    out_.append(className);
    classIndex = nextIndex_++;
  } else if (classIndex < kBigObjectTag) {
    PutU16(out_, static_cast<uint16_t>(kClassTag | classIndex));
  } else {
    PutU16(out_, kBigObjectTag);
    PutU32(out_, kBigClassTag | classIndex);
  }
  ++nextIndex_;  // the object's own index
}

void AlbumWriter::BeginDays(size_t count) {
  // A day takes roughly 120 bytes; a rough reservation spares most reallocations.
  out_.reserve(out_.size() + count * 160);
  WriteCount(count);
}

void AlbumWriter::WriteDay(const CAlbumData& d) {
  WriteObjectTag(dayClass_, kDayClassName);
  WriteString(d.formatTag);
  WriteString(d.title);
  WriteString(d.folderPath);
  WriteString(d.pagePath);
  WriteString(d.templateName);
  WriteInt32(d.totalSize);
  WriteInt32(d.pictureCount);
  WriteInt32(d.shortcutDay);
  WriteInt32(d.printButton);
  WriteInt32(d.reserved);
  WriteString(d.mailName);
}

void AlbumWriter::BeginPictures(size_t count) {
  out_.reserve(out_.size() + count * 96);
  WriteCount(count);
}

void AlbumWriter::WritePicture(const CPhotoData& p) {
  WriteObjectTag(pictureClass_, kPictureClassName);
  WriteString(p.filePath);
  WriteString(p.year);
  WriteString(p.month);
  WriteString(p.day);
  WriteString(p.hour);
  WriteString(p.minute);
  WriteString(p.second);
  WriteInt32(p.size);
  WriteInt32(p.flag);
}

std::string AlbumWriter::Take() { return std::move(out_); }

std::string WriteAlbumBytes(const AlbumContents& album) {
  AlbumWriter writer;
  writer.BeginDays(album.days.size());
  for (const CAlbumData& d : album.days) writer.WriteDay(d);
  writer.BeginPictures(album.pictures.size());
  for (const CPhotoData& p : album.pictures) writer.WritePicture(p);
  return writer.Take();
}

bool WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes) {
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
  std::string tempName(".");
  tempName += path.filename().string();
  tempName += ".XXXXXX";
  std::string temp = (folder / tempName).string();
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  auto fail = [&] {
    ::close(fd);
    ::unlink(temp.c_str());
    return false;
  };
  // Keep the mode of the file being replaced; a new file gets the usual rw-r--r--.
  struct stat st {};
  const mode_t mode = ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
  if (::fchmod(fd, mode) != 0) return fail();
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail();
    }
    done += static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0) return fail();
  if (::close(fd) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    // The new name is in place; a folder that cannot be synced only weakens durability.
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

bool CopyFileAtomic(const std::filesystem::path& from, const std::filesystem::path& to) {
  std::string bytes;
  if (!ReadWholeFile(from, bytes)) return false;
  return WriteFileAtomic(to, bytes);
}

AlbumError WriteAlbumFile(const std::filesystem::path& path, const AlbumContents& album) {
  return WriteFileAtomic(path, WriteAlbumBytes(album)) ? AlbumError::None : AlbumError::SaveFailed;
}

bool IsCurrentAlbumFormat(std::string_view bytes) {
  return bytes.size() >= 26 && bytes.substr(19, 5) == kAlbumFormatTag;
}

namespace {

// Copies one string with whatever length prefix it carries; false when it runs past the input.
bool CopyString(std::string_view in, size_t& pos, std::string& out) {
  ByteReader reader(in.substr(pos));
  uint32_t n = 0;
  bool wide = false;
  if (!reader.StringLength(n, wide)) return false;
  const uint64_t total = reader.Position() + (wide ? uint64_t{n} * 2 : uint64_t{n});
  if (total > in.size() - pos) return false;
  out.append(in.substr(pos, static_cast<size_t>(total)));
  pos += static_cast<size_t>(total);
  return true;
}

}  // namespace

bool UpgradeAlbumBytes(std::string_view in, std::string& out) {
  out.clear();
  if (IsCurrentAlbumFormat(in)) {
    out.assign(in);
    return true;
  }
  const size_t classAt = in.find(kDayClassName);
  if (classAt == std::string_view::npos) {
    out.assign(in);  // no day record: nothing to convert
    return true;
  }
  const std::string noMail = cp932::Encode(kNoMailProgram);
  // The mail names a day record of the middle format may carry, in the order they are tried.
  const std::array<std::string, 6> knownMailNames = {
      noMail, "Outlook Express", "Outlook", "Eudora", "AL-Mail", "Becky! Internet Mail"};

  out.reserve(in.size() + in.size() / 4 + 64);
  size_t pos = classAt + kDayClassName.size();
  out.append(in.substr(0, pos));
  // Each pass consumes at least 14 bytes of input, so the walk ends.
  while (true) {
    out += '\x05';
    out.append(kAlbumFormatTag);
    for (int i = 0; i < 4; ++i) {  // title, folder path, page path, template
      if (!CopyString(in, pos, out)) return false;
    }
    if (in.size() - pos < 12) return false;  // total size, picture count, shortcut-day flag
    out.append(in.substr(pos, 12));
    pos += 12;
    PutU32(out, 1);  // print-button flag: no PRINT button
    PutU32(out, 0);  // reserved
    PutStringBytes(out, noMail);

    // A middle-format record already has print flag, reserved and mail name; they give way to the
    // values above. The name must fill its length byte exactly, so a longer unknown name is never
    // half-skipped.
    if (in.size() - pos >= 9) {
      const auto length = static_cast<unsigned char>(in[pos + 8]);
      for (const std::string& name : knownMailNames) {
        if (length == name.size() && in.size() - pos - 9 >= name.size() && in.substr(pos + 9, name.size()) == name) {
          pos += 9 + name.size();
          break;
        }
      }
    }

    if (in.size() - pos < 2) return false;  // the next day's tag or the picture count
    const std::string_view twoBytes = in.substr(pos, 2);
    out.append(twoBytes);
    pos += 2;
    if (pos == in.size()) break;  // no pictures follow
    // The picture list: FF FF 00 00 0A 00 "CPhotoData" (after a 32-bit count for big lists).
    const size_t classOffset = twoBytes == "\xFF\xFF" ? 4 + 6 : 6;
    if (in.size() - pos >= classOffset + kPictureClassName.size() &&
        in.substr(pos + classOffset, kPictureClassName.size()) == kPictureClassName) {
      out.append(in.substr(pos));
      break;
    }
  }
  return true;
}

int UpgradeAlbumFile(const std::filesystem::path& path) {
  std::string in;
  if (!ReadWholeFile(path, in)) return 0;
  if (IsCurrentAlbumFormat(in)) return 1;
  std::string out;
  if (!UpgradeAlbumBytes(in, out)) return 0;
  if (out == in) return 1;  // nothing changed: leave the file alone
  return WriteFileAtomic(path, out) ? 1 : 0;
}

void RotateGenerations(const std::filesystem::path& home, const std::filesystem::path& libraryRoot) {
  std::error_code ec;
  for (int n = layout::kGenerationCount - 1; n >= 1; --n) {
    const auto from = layout::GenerationPath(home, n);
    if (std::filesystem::exists(from, ec)) CopyFileAtomic(from, layout::GenerationPath(home, n + 1));
  }
  const auto working = home / layout::kAlbumFileName;
  if (!std::filesystem::exists(working, ec)) return;
  CopyFileAtomic(working, layout::GenerationPath(home, 1));
  CopyFileAtomic(working, libraryRoot / layout::kAlbumFileName);
}

}  // namespace orrivan
