// The camera's end of the cable: the master side of a pseudo-terminal pair, paced as a serial line
// of the current speed would be (ten bit times per byte, each direction on its own), with the PC's
// close taken as DTR dropping and a speed mismatch taken as line noise.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

namespace fakecam {

using Clock = std::chrono::steady_clock;

class Log {
 public:
  explicit Log(const std::string& path);
  ~Log();
  void Line(const std::string& text);

 private:
  FILE* file_ = nullptr;
  Clock::time_point start_ = Clock::now();
};

class FakeLine {
 public:
  static constexpr int kTimeout = -1;
  static constexpr int kHangup = -2;

  FakeLine(bool pacing, Log& log);
  ~FakeLine();
  // Opens the pair; false when the system has no pseudo-terminals to give.
  bool Open();
  const std::string& SlavePath() const { return slavePath_; }

  // Next byte from the PC, kTimeout after timeoutMs (negative: wait for ever), or kHangup when the
  // PC closed its end (the line is then waited on until the PC opens it again).
  int ReadByte(int timeoutMs);
  // Bytes to the PC at line pace.
  void Write(const uint8_t* bytes, size_t n);
  void Write(const std::vector<uint8_t>& bytes) { Write(bytes.data(), bytes.size()); }
  void WriteByte(uint8_t b) { Write(&b, 1); }
  void Pause(int ms);

  void SetRate(unsigned rate) { rate_ = rate; }
  unsigned Rate() const { return rate_; }

 private:
  bool Fill(int timeoutMs);
  void WaitForReopen();
  std::chrono::nanoseconds ByteTime(size_t n) const;
  Clock::time_point Schedule(Clock::time_point free, size_t n) const;
  unsigned PcRate() const;

  bool pacing_;
  Log& log_;
  int master_ = -1;
  std::string slavePath_;
  unsigned rate_ = 9600;
  std::deque<uint8_t> pending_;
  Clock::time_point txFree_ = Clock::now();
  Clock::time_point rxFree_ = Clock::now();
  bool hungUp_ = false;
};

}  // namespace fakecam
