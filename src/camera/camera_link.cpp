// The command face of CCameraLink: handshake, checksummed commands, framed data blocks, speed
// switching, folder walking, listings and the file fetch. Every loop that outside bytes or retries
// drive has a bound, so a camera that babbles or stalls costs time, never the program.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>

#include "base/interaction.h"
#include "camera/camera_link.h"
#include "camera/camera_protocol.h"

namespace orrivan {
namespace {

using namespace camera;

// ENQs answered by NAK repeat without a count on the camera's word; past this many the camera is
// taken to be stuck.
constexpr int kMaxNakRepeats = 100;
// Going to the root never needs more ZD steps than a card can have levels.
constexpr int kMaxFolderDepth = 64;
// Bytes skipped while looking for the end of a broken block: a whole block and its frame.
constexpr size_t kResyncLimit = kMaxBlockData + 5;
// A listing of a full card is a few hundred kilobytes; anything beyond this is not a listing.
constexpr size_t kMaxListingSize = 4u << 20;
constexpr size_t kListingCapacity = 1024;
constexpr int kBlockAttempts = 4;

std::string WithNul(const char* command, const std::string& name) {
  std::string bytes = command;
  bytes += name;
  bytes.push_back('\0');
  return bytes;
}

// Writes data to folder/name through a temporary name in the same folder, so that a failure at
// any point leaves neither a torn file nor the temporary behind.
LinkResult StoreFile(const std::filesystem::path& folder, const std::string& name, const std::vector<uint8_t>& data) {
  std::string temp = (folder / ("." + name + ".part-XXXXXX")).string();
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return LINK_ERR_FILE;
  size_t done = 0;
  bool ok = true;
  while (ok && done < data.size()) {
    ssize_t w = write(fd, data.data() + done, data.size() - done);
    if (w > 0) done += static_cast<size_t>(w);
    else if (!(w < 0 && errno == EINTR)) ok = false;
  }
  if (ok) ok = fchmod(fd, 0644) == 0 && fsync(fd) == 0;
  if (close(fd) != 0) ok = false;
  if (ok) ok = rename(temp.c_str(), (folder / name).c_str()) == 0;
  if (!ok) {
    unlink(temp.c_str());
    return LINK_ERR_FILE;
  }
  return LINK_OK;
}

}  // namespace

// ---- handshake and commands ----

LinkResult CCameraLink::ReopenForHandshake() {
  // Inside a command a reopen only gives a fresh port at 9600; it does not start a new camera
  // connection (no SU), and the connection counts as lost.
  handshakeRetries_ = 1;
  ready_ = false;
  if (fd_ >= 0) {
    close(fd_);  // without dropping DTR
    fd_ = -1;
  }
  return OpenPort();
}

LinkResult CCameraLink::Handshake() {
  int retries = 0;
  int nakRepeats = 0;
  for (;;) {
    LinkResult failure;
    const uint8_t enq = kEnq;
    LinkResult r = WriteBytes(&enq, 1);
    if (r == LINK_OK) {
      if (firstAckWait_) {
        Delay(timings_.firstAckWaitMs);
        firstAckWait_ = false;
      }
      uint8_t answer = 0;
      r = ReadExact(&answer, 1);
      if (r == LINK_OK) {
        if (answer == kAck) return LINK_OK;
        if (answer == kNak && ready_ && nakRepeats < kMaxNakRepeats) {
          ++nakRepeats;
          Delay(timings_.enqNakDelayMs);
          continue;
        }
        Purge(true, false);
        failure = LINK_ERR_NO_ACK;
      } else {
        failure = r;
      }
    } else {
      failure = r;
    }
    if (retries >= handshakeRetries_) return failure;
    ++retries;
    if (failure == LINK_ERR_TIMEOUT && ReopenForHandshake() != LINK_OK) return LINK_ERR_TIMEOUT;
  }
}

LinkResult CCameraLink::SendCommand(const uint8_t* bytes, size_t length) {
  // One retry per command: a short write writes again, a bad or missing echo starts over at ENQ.
  int failures = 0;
  for (;;) {
    LinkResult r = Handshake();
    if (r != LINK_OK) return r;
    if (length == 0) return LINK_OK;
    while ((r = WriteBytes(bytes, length)) != LINK_OK) {
      if (++failures >= 2) return r;
    }
    uint8_t echo = 0;
    r = ReadExact(&echo, 1);
    if (r == LINK_OK) {
      if (echo == Checksum({bytes, length})) {
        const uint8_t ack = kAck;
        return WriteBytes(&ack, 1);
      }
      const uint8_t nak = kNak;
      WriteBytes(&nak, 1);
      r = LINK_ERR_CHECKSUM;
    }
    if (++failures >= 2) return r;
  }
}

LinkResult CCameraLink::SendCommand(const std::string& bytes) {
  return SendCommand(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

LinkResult CCameraLink::Exchange(const std::string& command, uint8_t* reply, size_t replyLength) {
  LinkResult r = SendCommand(command);
  if (r != LINK_OK) return r;
  slowReply_ = slowMode_;
  r = ReadExact(reply, replyLength);
  slowReply_ = false;
  return r;
}

// ---- data blocks ----

LinkResult CCameraLink::ReadBlock(uint8_t* block, size_t& length) {
  length = 0;
  enum class Next { Done, Retry, Resync, Fail };
  auto read = [&](uint8_t* p, size_t n) {
    ++blockCounter_;
    return ReadExact(p, n);
  };
  auto send = [&](uint8_t b) { return WriteBytes(&b, 1); };
  auto resynchronise = [&] {
    // Skip to the broken block's end byte, then its checksum; whatever happens, ask again.
    for (size_t i = 0; i < kResyncLimit; ++i) {
      uint8_t b = 0;
      if (read(&b, 1) != LINK_OK) break;
      if (b == kEtb || b == kEtx) {
        read(&b, 1);
        break;
      }
    }
    send(kNak);
  };

  LinkResult result = LINK_ERR_TIMEOUT;
  for (int attempt = 0; attempt < kBlockAttempts; ++attempt) {
    Next next = Next::Fail;
    LinkResult code = LINK_OK;
    uint8_t head[3] = {0, 0, 0};  // STX, length high, length low
    uint8_t end = 0;
    uint8_t sum = 0;
    size_t n = 0;
    LinkResult r = read(&head[0], 1);
    if (r == LINK_ERR_TIMEOUT) {
      Delay(timings_.blockRetryDelayMs);
      send(kNak);
      code = r, next = Next::Retry;
    } else if (r != LINK_OK) {
      code = r, next = Next::Fail;
    } else if (head[0] != kStx) {
      code = LINK_ERR_PROTOCOL, next = Next::Resync;
    } else if ((r = read(&head[1], 1)) != LINK_OK || (r = read(&head[2], 1)) != LINK_OK) {
      Delay(timings_.blockRetryDelayMs);
      send(kNak);
      code = r, next = Next::Retry;
    } else if ((n = static_cast<size_t>(head[1]) << 8 | head[2]) > kMaxBlockData) {
      n = 0;
      code = LINK_ERR_PROTOCOL, next = Next::Resync;
    } else if (n > 0 && (r = read(block, n)) != LINK_OK) {
      send(kNak);
      code = r, next = Next::Retry;
    } else if ((r = read(&end, 1)) != LINK_OK) {
      if (r == LINK_ERR_TIMEOUT) send(kNak);
      code = r, next = r == LINK_ERR_TIMEOUT ? Next::Retry : Next::Fail;
    } else if (end != kEtb && end != kEtx) {
      code = LINK_ERR_PROTOCOL, next = Next::Resync;
    } else {
      r = read(&sum, 1);
      // Covers the length bytes, the data and the end byte; the STX stays out.
      uint8_t expected = Checksum({block, n}, static_cast<uint8_t>(head[1] + head[2] + end));
      if (cancelRequested_) {
        send(kCan);
        code = LINK_ERR_CANCELLED, next = Next::Fail;
      } else if (r == LINK_ERR_TIMEOUT) {
        send(kNak);
        code = r, next = Next::Retry;
      } else if (r != LINK_OK) {
        code = r, next = Next::Fail;
      } else if (sum != expected) {
        send(kNak);
        code = LINK_ERR_CHECKSUM, next = Next::Retry;
      } else {
        code = send(kAck);
        length = code == LINK_OK ? n : 0;
        next = Next::Done;
      }
    }
    if (next == Next::Resync) resynchronise();
    result = code;
    if (next == Next::Done || next == Next::Fail) break;
  }
  cancelRequested_ = false;
  if (blockCounter_ > 6) blockCounter_ = 6;
  return result;
}

bool CCameraLink::CancelPolled(Progress* progress) const {
  if (progress && progress->Cancelled()) return true;
  return cancelFlag_ && cancelFlag_->load();
}

LinkResult CCameraLink::ReceiveData(Progress* progress, const std::string& command, size_t expectedSize,
                                    size_t maxSize, std::vector<uint8_t>& data) {
  blockCounter_ = 0;
  cancelRequested_ = false;
  data.clear();
  try {
    data.reserve(expectedSize);
  } catch (const std::bad_alloc&) {
    return LINK_ERR_MEMORY;
  } catch (const std::length_error&) {
    return LINK_ERR_MEMORY;
  }

  bool userCancelled = false;
  LinkResult overflow = LINK_OK;
  LinkResult result = ChangeSpeed(baudRate_);
  if (result == LINK_OK) result = SendCommand(command);
  if (result == LINK_OK) {
    const uint8_t dc2 = kDc2;
    result = WriteBytes(&dc2, 1);
  }
  if (result == LINK_OK) {
    slowTransfer_ = slowMode_;
    if (progress) progress->SetRange(100);
    std::vector<uint8_t> block(kMaxBlockData);
    for (;;) {
      if (progress) {
        // An announced size of 0 is a whole file already.
        size_t capacity = std::max(expectedSize, data.size());
        progress->SetPosition(capacity == 0 ? 100 : static_cast<int64_t>(data.size() * 100 / capacity));
      }
      if (CancelPolled(progress)) userCancelled = true;
      // The next block is answered with CAN once anything asked to stop.
      if (userCancelled || overflow != LINK_OK) cancelRequested_ = true;
      size_t n = 0;
      LinkResult r = ReadBlock(block.data(), n);
      if (r != LINK_OK) {
        result = overflow != LINK_OK ? overflow : r;
        break;
      }
      if (n == 0) break;
      if (data.size() + n > maxSize) {
        // More than a file's announced size is not that file; a listing this long is no listing.
        overflow = maxSize > expectedSize ? LINK_ERR_MEMORY : LINK_ERR_FILE;
        continue;
      }
      try {
        data.insert(data.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(n));
      } catch (const std::bad_alloc&) {
        overflow = LINK_ERR_MEMORY;
      }
    }
    slowTransfer_ = false;
    if (result == LINK_OK) data.shrink_to_fit();
  }
  // Back to command speed whatever happened: every later exchange starts at 9600.
  ChangeSpeed("9600");
  if (userCancelled) {
    Delay(timings_.cancelGraceMs);
    Disconnect();
    result = LINK_ERR_CANCELLED;
  }
  if (result != LINK_OK) data.clear();
  blockCounter_ = 0;
  return result;
}

LinkResult CCameraLink::ChangeSpeed(const std::string& rateText) {
  // A speed the camera has no code for would leave the two ends talking past each other.
  auto index = SpeedIndex(rateText);
  if (!index) {
    SetPortSpeed(kCommandRate);
    return LINK_ERR_SETUP;
  }
  unsigned rate = kSpeedTable[*index];
  uint8_t command[3];
  if (extended_) {
    command[0] = 'c', command[1] = 'b', command[2] = *index;
  } else {
    command[0] = 'C', command[1] = 'B', command[2] = SpeedDivisor(rate);
  }
  LinkResult r = SendCommand(command, sizeof command);
  if (r == LINK_OK) {
    Delay(timings_.speedChangeDelayMs);
    r = SetPortSpeed(rate);
  }
  if (r == LINK_OK) r = SendCommand(nullptr, 0);
  if (r != LINK_OK) SetPortSpeed(kCommandRate);
  return r;
}

// ---- connection ----

LinkResult CCameraLink::Connect() {
  handshakeRetries_ = 1;
  ready_ = false;
  // Every connection starts from a freshly opened port at 9600; the camera sees DTR drop and rise.
  ClosePort();
  LinkResult r = OpenPort();
  if (r != LINK_OK) return r;
  firstAckWait_ = true;
  uint8_t reply[4] = {0, 0, 0, 0};
  r = Exchange("SU", reply, sizeof reply);
  if (r != LINK_OK) return r;
  cameraType_ = reply[0] != 0 ? 2 : 1;
  capability_ = reply[1];
  if (cameraType_ == 2 && capability_ >= 0xC0) {
    extended_ = true;
    ready_ = true;
    uint8_t ignored = 0;
    Exchange(std::string("NP\x01", 3), &ignored, 1);
    SendCommand(std::string("PP\x06\x00", 4));
    return LINK_OK;
  }
  extended_ = false;
  ready_ = false;
  return LINK_ERR_UNSUPPORTED;
}

LinkResult CCameraLink::Disconnect() {
  handshakeRetries_ = 0;
  ready_ = false;
  return SendCommand("QR");
}

// ---- folders and listings ----

LinkResult CCameraLink::CheckBattery() {
  uint8_t answer = 0;
  LinkResult r = Exchange("BC", &answer, 1);
  if (r != LINK_OK) return r;
  return answer == 0xFF ? LINK_ERR_BATTERY : LINK_OK;
}

LinkResult CCameraLink::GoUp() {
  if (!ready_) return LINK_ERR_NOT_READY;
  uint8_t answer = 0;
  return Exchange("ZD", &answer, 1);
}

LinkResult CCameraLink::GoToRoot() {
  if (!ready_) return LINK_ERR_NOT_READY;
  for (int level = 0; level < kMaxFolderDepth; ++level) {
    uint8_t answer = 0;
    LinkResult r = Exchange("ZD", &answer, 1);
    if (r != LINK_OK) return r;
    if (answer == 0xFF) return LINK_OK;
    if (answer != 0x00) return LINK_ERR_FILE;
  }
  return LINK_ERR_FILE;
}

LinkResult CCameraLink::ChangeFolder(const std::string& name) {
  if (!ready_) return LINK_ERR_NOT_READY;
  if (!IsSafeCameraName(name)) return LINK_ERR_FILE;
  uint8_t answer = 0;
  return Exchange(WithNul("CD", name), &answer, 1);
}

LinkResult CCameraLink::ListInto(const char* command, std::vector<std::string>& list, bool folders) {
  list.clear();
  if (!ready_) return LINK_ERR_NOT_READY;
  std::vector<uint8_t> data;
  LinkResult r = ReceiveData(nullptr, command, kListingCapacity, kMaxListingSize, data);
  if (r != LINK_OK) return r;
  return ParseListing(data, folders, list);
}

LinkResult CCameraLink::ListFolders() { return ListInto("ZH", folderList_, true); }

LinkResult CCameraLink::ListFiles() { return ListInto("ZE", fileList_, false); }

// ---- file fetch ----

LinkResult CCameraLink::FetchFile(Progress* progress, const std::filesystem::path& targetFolder,
                                  const std::string& name) {
  // The name becomes a path on this disk: nothing that could climb out of the target folder.
  if (!IsSafeCameraName(name)) {
    slowMode_ = false;
    return LINK_ERR_FILE;
  }
  if (!extended_) {
    slowMode_ = false;
    return LINK_ERR_UNSUPPORTED;
  }
  std::vector<uint8_t> data;
  LinkResult r = SendCommand("DO");
  uint8_t sizeBytes[4] = {0, 0, 0, 0};
  if (r == LINK_OK) r = Exchange(WithNul("ZQ", name), sizeBytes, sizeof sizeBytes);
  if (r == LINK_OK) {
    uint32_t size = static_cast<uint32_t>(sizeBytes[0]) << 24 | static_cast<uint32_t>(sizeBytes[1]) << 16 |
                    static_cast<uint32_t>(sizeBytes[2]) << 8 | sizeBytes[3];
    if (size < kMaxFileSize) {
      r = ReceiveData(progress, WithNul("ZG", name), size, size, data);
      // Fewer bytes than announced is a truncated picture, not a picture.
      if (r == LINK_OK && data.size() != size) r = LINK_ERR_FILE;
    } else {
      r = LINK_ERR_FILE;
    }
  }
  slowMode_ = false;
  if (CancelPolled(progress)) r = LINK_ERR_CANCELLED;
  if (r == LINK_OK) r = StoreFile(targetFolder, name, data);
  return r;
}

// ---- names ----

bool IsSafeCameraName(const std::string& name) {
  if (name.empty() || name == "." || name.find("..") != std::string::npos) return false;
  for (unsigned char c : name)
    if (c < 0x20 || c == 0x7F || c == '/' || c == '\\') return false;
  return true;
}

bool IsCameraPictureFolder(const std::string& name) {
  return name.size() >= 3 && name.compare(0, 3, "100") >= 0 && name.compare(0, 3, "999") <= 0;
}

bool IsCameraPictureFile(const std::string& name) {
  if (name.size() < 8) return false;
  std::string ext = name.substr(name.size() - 3);
  for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (ext != "JPG" && ext != "AVI") return false;
  return name.compare(4, 4, "0001") >= 0 && name.compare(4, 4, "9999") <= 0;
}

LinkResult ParseListing(const std::vector<uint8_t>& data, bool folders, std::vector<std::string>& names) {
  names.clear();
  // A listing that starts with its terminator (or holds nothing) names no folder at all.
  if (data.empty() || data[0] == 0) return folders ? LINK_ERR_EMPTY_LIST : LINK_OK;
  size_t pos = 0;
  while (pos < data.size() && data[pos] != 0) {
    size_t end = pos;
    while (end < data.size() && data[end] != 0) ++end;
    if (end == data.size()) break;  // an unterminated tail is no name
    std::string name(data.begin() + static_cast<std::ptrdiff_t>(pos), data.begin() + static_cast<std::ptrdiff_t>(end));
    if (IsSafeCameraName(name) && (folders ? IsCameraPictureFolder(name) : IsCameraPictureFile(name)))
      names.push_back(std::move(name));
    pos = end + 1;
  }
  return LINK_OK;
}

}  // namespace orrivan
