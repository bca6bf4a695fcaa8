// The paced pseudo-terminal line of the simulated camera.
#include "fake_line.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

#include "camera/tty_speed.h"

namespace fakecam {

Log::Log(const std::string& path) {
  if (!path.empty()) file_ = fopen(path.c_str(), "a");
}

Log::~Log() {
  if (file_) fclose(file_);
}

void Log::Line(const std::string& text) {
  if (!file_) return;
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count();
  fprintf(file_, "%lld %s\n", static_cast<long long>(ms), text.c_str());
  fflush(file_);
}

FakeLine::FakeLine(bool pacing, Log& log) : pacing_(pacing), log_(log) {}

FakeLine::~FakeLine() {
  if (master_ >= 0) close(master_);
}

bool FakeLine::Open() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return false;
  const char* name = ptsname(master_);
  if (!name) return false;
  slavePath_ = name;
  return true;
}

std::chrono::nanoseconds FakeLine::ByteTime(size_t n) const {
  // Start bit, eight data bits, stop bit.
  return std::chrono::nanoseconds(static_cast<int64_t>(n) * 10'000'000'000LL / std::max(rate_, 1u));
}

Clock::time_point FakeLine::Schedule(Clock::time_point free, size_t n) const {
  // A line busy with a burst stays on its own clock: when this process wakes late, the bytes that
  // follow catch up instead of adding the scheduler's delay to the line's time. Only a line idle
  // for a while starts afresh from now.
  auto now = Clock::now();
  if (now - free > std::chrono::milliseconds(20)) free = now;
  return free + ByteTime(n);
}

unsigned FakeLine::PcRate() const {
  // Our own short-lived descriptor on the PC's end reads the speed the PC set; it is never the last
  // one open while the PC holds the port, so it does not look like a hang-up.
  int fd = open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return 0;
  unsigned rate = orrivan::camera::GetTtySpeed(fd);
  close(fd);
  return rate;
}

void FakeLine::WaitForReopen() {
  // With no PC end open the master reports POLLHUP; that clears when the PC opens the port again.
  for (;;) {
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, 0) >= 0 && !(p.revents & POLLHUP)) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

bool FakeLine::Fill(int timeoutMs) {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int wait = -1;
    if (timeoutMs >= 0) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      wait = static_cast<int>(std::max<int64_t>(left, 0));
    }
    pollfd p{master_, POLLIN, 0};
    int r = poll(&p, 1, wait);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    if ((p.revents & POLLHUP) && !(p.revents & POLLIN)) {
      hungUp_ = true;
      return false;
    }
    uint8_t buffer[4096];
    ssize_t got = read(master_, buffer, sizeof buffer);
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (got <= 0) {
      hungUp_ = true;
      return false;
    }
    // Sampled at once: the PC may switch speed while the bytes are still "on the wire" below.
    unsigned pcRate = PcRate();
    if (pacing_) {
      rxFree_ = Schedule(rxFree_, static_cast<size_t>(got));
      std::this_thread::sleep_until(rxFree_);
    }
    if (pcRate != 0 && pcRate != rate_) {
      // Two ends at different speeds hear each other as framing errors.
      log_.Line("NOISE " + std::to_string(got) + " pc=" + std::to_string(pcRate) + " camera=" + std::to_string(rate_));
      continue;
    }
    pending_.insert(pending_.end(), buffer, buffer + got);
    return true;
  }
}

int FakeLine::ReadByte(int timeoutMs) {
  if (pending_.empty() && !hungUp_) Fill(timeoutMs);
  if (hungUp_) {
    // The PC closed the port: DTR has dropped, so the camera starts over at command speed.
    log_.Line("HANGUP");
    pending_.clear();
    rate_ = 9600;
    WaitForReopen();
    hungUp_ = false;
    return kHangup;
  }
  if (pending_.empty()) return kTimeout;
  int b = pending_.front();
  pending_.pop_front();
  return b;
}

void FakeLine::Write(const uint8_t* bytes, size_t n) {
  // Small pieces, each sent when the line would have finished the one before.
  size_t piece = pacing_ ? std::max<size_t>(1, rate_ / 10 / 200) : n;
  size_t done = 0;
  auto giveUp = Clock::now() + std::chrono::seconds(10);
  while (done < n) {
    size_t k = std::min(piece, n - done);
    ssize_t w = write(master_, bytes + done, k);
    if (w < 0 && (errno == EAGAIN || errno == EINTR)) {
      if (Clock::now() > giveUp) return;
      pollfd p{master_, POLLOUT, 0};
      poll(&p, 1, 10);
      continue;
    }
    if (w <= 0) return;  // the PC is gone; what was on the wire is lost
    done += static_cast<size_t>(w);
    if (pacing_) {
      txFree_ = Schedule(txFree_, static_cast<size_t>(w));
      std::this_thread::sleep_until(txFree_);
    }
  }
}

void FakeLine::Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace fakecam
