// fakecam: a camera with a serial cable, simulated on a pseudo-terminal pair. It prints the path of
// the PC's end on stdout and then answers as the camera would, serving the folder tree given with
// --card as its memory card. Faults can be injected to exercise the PC's recovery paths; --log
// records what the camera saw, one line per event, for tests to check.
//
//   fakecam --card DIR [--type 1|2] [--capability N] [--no-pacing] [--log FILE] [faults...]
#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "camera/camera_protocol.h"
#include "fake_line.h"

namespace fs = std::filesystem;
using namespace orrivan::camera;

namespace fakecam {
namespace {

struct Options {
  fs::path card;
  int type = 2;
  int capability = 0xC8;  // extended
  bool pacing = true;
  std::string logPath;
  size_t blockSize = kMaxBlockData;
  // faults
  bool badChecksumOnce = false;
  bool nakFirstEnq = false;
  long long dropByteAt = -1;
  bool oversizeBlock = false;
  int batteryLowAfter = -1;
  int stallMs = 0;
  int garbage = 0;
  bool emptyListing = false;
  long long announceDelta = 0;
  std::vector<std::string> extraNames;
  bool silent = false;
  int busy = 0;  // ENQs answered with NAK once a connection is made
};

void Usage() {
  fprintf(stderr,
          "usage: fakecam --card DIR [--type 1|2] [--capability N] [--no-pacing] [--log FILE]\n"
          "               [--block N] [--bad-checksum-once] [--nak-first-enq] [--drop-byte-at N]\n"
          "               [--oversize-block] [--battery-low-after N] [--stall-ms N] [--garbage N]\n"
          "               [--empty-listing] [--announce-delta N] [--extra-name NAME] [--silent]\n"
          "               [--busy N]\n");
}

bool Parse(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    auto number = [&](auto& out) {
      const char* v = value();
      if (!v) return false;
      char* end = nullptr;
      long long n = strtoll(v, &end, 0);
      if (*end) return false;
      out = static_cast<std::remove_reference_t<decltype(out)>>(n);
      return true;
    };
    if (a == "--card") {
      const char* v = value();
      if (!v) return false;
      o.card = v;
    } else if (a == "--log") {
      const char* v = value();
      if (!v) return false;
      o.logPath = v;
    } else if (a == "--extra-name") {
      const char* v = value();
      if (!v) return false;
      o.extraNames.push_back(v);
    } else if (a == "--type") {
      if (!number(o.type) || (o.type != 1 && o.type != 2)) return false;
    } else if (a == "--capability") {
      if (!number(o.capability)) return false;
    } else if (a == "--block") {
      if (!number(o.blockSize) || o.blockSize == 0 || o.blockSize > kMaxBlockData) return false;
    } else if (a == "--drop-byte-at") {
      if (!number(o.dropByteAt)) return false;
    } else if (a == "--battery-low-after") {
      if (!number(o.batteryLowAfter)) return false;
    } else if (a == "--stall-ms") {
      if (!number(o.stallMs)) return false;
    } else if (a == "--busy") {
      if (!number(o.busy)) return false;
    } else if (a == "--garbage") {
      if (!number(o.garbage)) return false;
    } else if (a == "--announce-delta") {
      if (!number(o.announceDelta)) return false;
    } else if (a == "--no-pacing") {
      o.pacing = false;
    } else if (a == "--bad-checksum-once") {
      o.badChecksumOnce = true;
    } else if (a == "--nak-first-enq") {
      o.nakFirstEnq = true;
    } else if (a == "--oversize-block") {
      o.oversizeBlock = true;
    } else if (a == "--empty-listing") {
      o.emptyListing = true;
    } else if (a == "--silent") {
      o.silent = true;
    } else {
      return false;
    }
  }
  return !o.card.empty();
}

std::string Printable(const std::string& s) {
  std::string out;
  for (unsigned char c : s) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

class Camera {
 public:
  Camera(const Options& o, FakeLine& line, Log& log) : o_(o), line_(line), log_(log) {}

  [[noreturn]] void Run() {
    bool enqWaiting = false;
    for (;;) {
      int b = enqWaiting ? kEnq : line_.ReadByte(-1);
      enqWaiting = false;
      if (b != kEnq) {
        if (b >= 0) log_.Line("STRAY " + std::to_string(b));
        continue;
      }
      enqWaiting = OnEnq();
    }
  }

 private:
  // Longer than the PC's wait before it reads the answer to its first ENQ.
  static constexpr int kByteWaitMs = 6000;
  static constexpr int kReplyWaitMs = 10000;

  // Answers one ENQ and serves the command that follows. True when the PC sent another ENQ
  // instead (an empty command, or a restart), which is then answered next.
  bool OnEnq() {
    ++enqs_;
    if (o_.silent) return false;
    if (o_.nakFirstEnq && enqs_ == 1) {
      log_.Line("ENQ NAK");
      line_.WriteByte(kNak);
      return false;
    }
    if (connected_ && busyNaks_ < o_.busy) {
      ++busyNaks_;
      log_.Line("ENQ NAK");
      line_.WriteByte(kNak);
      return false;
    }
    log_.Line("ENQ");
    line_.WriteByte(kAck);
    int c1 = line_.ReadByte(kByteWaitMs);
    if (c1 == kEnq) return true;  // handshake only
    if (c1 < 0) return false;
    int c2 = line_.ReadByte(kByteWaitMs);
    if (c2 < 0) return false;
    std::string command{static_cast<char>(c1), static_cast<char>(c2)};
    std::string args;
    size_t fixed = 0;
    bool named = false;
    if (command == "NP" || command == "cb" || command == "CB") fixed = 1;
    else if (command == "PP") fixed = 2;
    else if (command == "CD" || command == "ZQ" || command == "ZG") named = true;
    while (fixed > 0 || named) {
      int c = line_.ReadByte(kByteWaitMs);
      if (c < 0) return false;
      args.push_back(static_cast<char>(c));
      if (fixed > 0 && --fixed == 0) break;
      if (named && c == 0) break;
      if (args.size() > 300) return false;
    }
    std::string all = command + args;
    uint8_t sum = Checksum({reinterpret_cast<const uint8_t*>(all.data()), all.size()});
    if (o_.badChecksumOnce && !badChecksumSent_) {
      badChecksumSent_ = true;
      sum = static_cast<uint8_t>(sum ^ 0x5A);
    }
    line_.WriteByte(sum);
    int answer = line_.ReadByte(kReplyWaitMs);
    if (answer == kNak) {
      log_.Line("CMD-NAK " + Printable(all));
      return false;
    }
    if (answer == kEnq) return true;
    if (answer != kAck) return false;
    log_.Line("CMD " + Printable(all));
    return Execute(command, args);
  }

  fs::path Current() const {
    fs::path p = o_.card;
    for (const auto& part : folder_) p /= part;
    return p;
  }

  // A name in the current folder, found ignoring case as the camera's file system would.
  std::optional<fs::path> Find(const std::string& name, bool wantFolder) const {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(Current(), ec)) {
      if (e.is_directory(ec) != wantFolder) continue;
      std::string n = e.path().filename().string();
      if (n.size() == name.size() &&
          std::equal(n.begin(), n.end(), name.begin(), [](char a, char b) { return toupper(a) == toupper(b); }))
        return e.path();
    }
    return std::nullopt;
  }

  std::vector<uint8_t> Listing(bool folders) const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(Current(), ec))
      if (e.is_directory(ec) == folders) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    if (!folders) names.insert(names.end(), o_.extraNames.begin(), o_.extraNames.end());
    std::vector<uint8_t> bytes;
    if (o_.emptyListing) return bytes;
    for (const auto& n : names) {
      bytes.insert(bytes.end(), n.begin(), n.end());
      bytes.push_back(0);
    }
    if (names.empty()) bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
  }

  void Reply(std::initializer_list<uint8_t> bytes) { line_.Write(std::vector<uint8_t>(bytes)); }

  bool Execute(const std::string& command, const std::string& args) {
    std::string name = args.empty() ? std::string() : args.substr(0, args.size() - 1);
    if (command == "SU") {
      connected_ = false;
      Reply({static_cast<uint8_t>(o_.type == 2 ? 1 : 0), static_cast<uint8_t>(o_.capability), 0, 0});
    } else if (command == "NP") {
      Reply({0});
    } else if (command == "BC") {
      ++batteryChecks_;
      bool low = o_.batteryLowAfter >= 0 && batteryChecks_ > o_.batteryLowAfter;
      Reply({static_cast<uint8_t>(low ? 0xFF : 0x00)});
    } else if (command == "ZD") {
      if (folder_.empty()) {
        Reply({0xFF});
      } else {
        folder_.pop_back();
        Reply({0x00});
      }
    } else if (command == "CD") {
      auto found = Find(name, true);
      if (found) folder_.push_back(found->filename().string());
      Reply({static_cast<uint8_t>(found ? 0x00 : 0xFF)});
    } else if (command == "ZQ") {
      auto found = Find(name, false);
      std::error_code ec;
      long long size = found ? static_cast<long long>(fs::file_size(*found, ec)) : 0;
      if (found) size += o_.announceDelta;
      uint32_t s = static_cast<uint32_t>(std::max(size, 0LL));
      Reply({static_cast<uint8_t>(s >> 24), static_cast<uint8_t>(s >> 16), static_cast<uint8_t>(s >> 8),
             static_cast<uint8_t>(s)});
    } else if (command == "cb" || command == "CB") {
      unsigned rate = 0;
      uint8_t code = static_cast<uint8_t>(args[0]);
      if (command == "cb" && code < std::size(kSpeedTable)) rate = kSpeedTable[code];
      if (command == "CB") rate = RateOfDivisor(code).value_or(0);
      if (rate != 0) {
        log_.Line("SPEED " + std::to_string(rate));
        line_.SetRate(rate);
      }
    } else if (command == "PP") {
      connected_ = true;
    } else if (command == "QR") {
      connected_ = false;
      log_.Line("QR");
    } else if (command == "ZH" || command == "ZE") {
      return Send(Listing(command == "ZH"));
    } else if (command == "ZG") {
      auto found = Find(name, false);
      std::vector<uint8_t> bytes;
      if (found) {
        std::error_code ec;
        bytes.resize(static_cast<size_t>(fs::file_size(*found, ec)));
        std::ifstream in(*found, std::ios::binary);
        in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        bytes.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
      }
      return Send(bytes);
    }
    // NP, PP, DO and anything unknown need no further answer.
    return false;
  }

  // The data blocks of one transfer, after the PC's DC2. True when an ENQ ended it early.
  bool Send(const std::vector<uint8_t>& data) {
    int start = line_.ReadByte(kReplyWaitMs);
    if (start != kDc2) {
      log_.Line("NO-DC2");
      return start == kEnq;
    }
    size_t blockSize = o_.blockSize;
    // At the slow speeds a full block would outlast the PC's patience.
    if (line_.Rate() < 9600) blockSize = std::min<size_t>(blockSize, line_.Rate() / 10);
    size_t offset = 0;
    for (;;) {
      size_t n = std::min(blockSize, data.size() - offset);
      bool last = n == 0;
      int tries = 0;
      for (;;) {
        if (++tries > 10) {
          log_.Line("GIVE-UP");
          return false;
        }
        SendBlock(data, offset, n, last);
        int answer = line_.ReadByte(kReplyWaitMs);
        if (answer == kAck) break;
        if (answer == kNak) {
          log_.Line("BLOCK-NAK " + std::to_string(offset));
          continue;
        }
        if (answer == kCan) {
          log_.Line("CAN");
          return false;
        }
        log_.Line("BLOCK-ABORT " + std::to_string(answer));
        return answer == kEnq;
      }
      if (last) {
        log_.Line("SENT " + std::to_string(data.size()));
        return false;
      }
      offset += n;
    }
  }

  void SendBlock(const std::vector<uint8_t>& data, size_t offset, size_t n, bool last) {
    if (o_.garbage > 0 && !garbageSent_) {
      garbageSent_ = true;
      std::vector<uint8_t> noise;
      for (int i = 0; i < o_.garbage; ++i) {
        uint8_t b = static_cast<uint8_t>(0x41 + (i * 7) % 26);
        noise.push_back(b);
      }
      line_.Write(noise);
    }
    std::vector<uint8_t> frame;
    size_t announced = n;
    if (o_.oversizeBlock && !oversizeSent_ && n > 0) {
      oversizeSent_ = true;
      announced = kMaxBlockData + 1;
    }
    frame.push_back(kStx);
    frame.push_back(static_cast<uint8_t>(announced >> 8));
    frame.push_back(static_cast<uint8_t>(announced));
    for (size_t i = 0; i < n; ++i) {
      long long index = static_cast<long long>(offset + i);
      if (index == o_.dropByteAt && !dropped_) {
        dropped_ = true;
        continue;
      }
      frame.push_back(data[offset + i]);
    }
    frame.push_back(last ? kEtx : kEtb);
    // The sum covers what the frame says, dropped byte or not: the PC must notice by itself.
    std::vector<uint8_t> covered{static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)};
    covered.insert(covered.end(), data.begin() + static_cast<std::ptrdiff_t>(offset),
                   data.begin() + static_cast<std::ptrdiff_t>(offset + n));
    covered.push_back(frame.back());
    frame.push_back(Checksum(covered));
    if (o_.stallMs > 0 && !stalled_ && n > 0) {
      stalled_ = true;
      size_t half = frame.size() / 2;
      line_.Write(frame.data(), half);
      log_.Line("STALL " + std::to_string(o_.stallMs));
      line_.Pause(o_.stallMs);
      line_.Write(frame.data() + half, frame.size() - half);
      return;
    }
    line_.Write(frame);
  }

  const Options& o_;
  FakeLine& line_;
  Log& log_;
  std::vector<std::string> folder_;
  long long enqs_ = 0;
  bool connected_ = false;
  int busyNaks_ = 0;
  int batteryChecks_ = 0;
  bool badChecksumSent_ = false;
  bool oversizeSent_ = false;
  bool dropped_ = false;
  bool stalled_ = false;
  bool garbageSent_ = false;
};

}  // namespace
}  // namespace fakecam

int main(int argc, char** argv) {
  fakecam::Options options;
  if (!fakecam::Parse(argc, argv, options)) {
    fakecam::Usage();
    return 2;
  }
  std::error_code ec;
  if (!fs::is_directory(options.card, ec)) {
    fprintf(stderr, "fakecam: %s is not a folder\n", options.card.c_str());
    return 2;
  }
  signal(SIGPIPE, SIG_IGN);
  fakecam::Log log(options.logPath);
  fakecam::FakeLine line(options.pacing, log);
  if (!line.Open()) {
    perror("fakecam: pseudo-terminal");
    return 1;
  }
  printf("%s\n", line.SlavePath().c_str());
  fflush(stdout);
  fakecam::Camera camera(options, line, log);
  camera.Run();
}
