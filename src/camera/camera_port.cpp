// The port face of CCameraLink: a tty in raw 8N1 without flow control, reads under deadlines
// (steady clock + poll), purges after failures, DTR raised while open.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <thread>

#include "base/settings.h"
#include "camera/camera_link.h"
#include "camera/camera_protocol.h"
#include "camera/tty_speed.h"

namespace orrivan {
namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
  // Rounded up: poll would otherwise give up a fraction of a millisecond early.
  auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
  if (left <= 0) return 0;
  return left > 1'000'000'000 ? 1'000'000 : static_cast<int>((left + 999) / 1000);
}

// Waits until fd is ready for events or the deadline passes.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    pollfd p{fd, events, 0};
    int r = poll(&p, 1, MsLeft(deadline));
    // A hang-up or an error without the awaited event is a failure, not a reason to spin.
    if (r > 0) return (p.revents & events) != 0;
    if (r == 0) return false;
    if (errno != EINTR) return false;
  }
}

}  // namespace

std::string DevicePathOfPort(const std::string& portName) {
  if (portName.empty()) return {};
  if (portName.size() >= 3 && std::toupper(static_cast<unsigned char>(portName[0])) == 'C' &&
      std::toupper(static_cast<unsigned char>(portName[1])) == 'O' &&
      std::toupper(static_cast<unsigned char>(portName[2])) == 'M') {
    unsigned n = 0;
    for (size_t i = 3; i < portName.size(); ++i) {
      if (!std::isdigit(static_cast<unsigned char>(portName[i])) || n > 9999) return {};
      n = n * 10 + static_cast<unsigned>(portName[i] - '0');
    }
    if (n == 0) return {};
    return "/dev/ttyS" + std::to_string(n - 1);
  }
  if (portName.find('/') != std::string::npos) return portName;
  return "/dev/" + portName;
}

CCameraLink::CCameraLink() { LoadSettings(); }

CCameraLink::~CCameraLink() { ClosePort(); }

void CCameraLink::LoadSettings() {
  baudRate_ = settings::GetString(settings::Key::BaudRate);
  portName_ = settings::GetString(settings::Key::CommPort);
  cameraFolder_ = settings::GetString(settings::Key::SCameraDir);
  dirty_ = false;
}

bool CCameraLink::SaveSettings() {
  // The speed goes first: a port saved without its speed would connect at a stale one.
  if (!settings::SetString(settings::Key::BaudRate, baudRate_)) return false;
  if (!settings::SetString(settings::Key::CommPort, portName_)) return false;
  dirty_ = false;
  return true;
}

void CCameraLink::SetCameraFolder(const std::string& folder, bool store) {
  cameraFolder_ = folder;
  if (store) settings::SetString(settings::Key::SCameraDir, folder);
}

LinkResult CCameraLink::OpenPort() {
  if (fd_ >= 0) return LINK_OK;
  std::string path = DevicePathOfPort(portName_);
  if (path.empty()) return LINK_ERR_OPEN;
  // Non-blocking: a FIFO or a tty waiting for carrier must not hang the open; reads and writes
  // wait with poll anyway.
  int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return LINK_ERR_OPEN;
  // No sharing, as the port is opened exclusively: a second program on the line would eat replies.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return LINK_ERR_OPEN;
  }
  fd_ = fd;
  termios t{};
  if (!isatty(fd) || tcgetattr(fd, &t) != 0) {
    ClosePort();
    return LINK_ERR_SETUP;
  }
  cfmakeraw(&t);
  t.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
  t.c_cflag |= CS8 | CREAD | CLOCAL;
  t.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | ISTRIP);
  t.c_iflag |= IGNBRK;
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  cfsetispeed(&t, B9600);
  cfsetospeed(&t, B9600);
  if (tcsetattr(fd, TCSANOW, &t) != 0) {
    ClosePort();
    return LINK_ERR_SETUP;
  }
  rate_ = camera::kCommandRate;
  // RTS stays low, DTR goes high: the camera takes DTR as "a PC is there".
  int rts = TIOCM_RTS;
  int dtr = TIOCM_DTR;
  for (auto [request, bits] : {std::pair{TIOCMBIC, &rts}, std::pair{TIOCMBIS, &dtr}}) {
    // A pseudo-terminal has no modem lines and says so with ENOTTY; that is not a set-up failure.
    if (ioctl(fd, request, bits) != 0 && errno != ENOTTY && errno != EINVAL) {
      ClosePort();
      return LINK_ERR_SETUP;
    }
  }
  tcflush(fd, TCIOFLUSH);
  return LINK_OK;
}

void CCameraLink::SetDtr(bool on) {
  if (fd_ < 0) return;
  int bits = TIOCM_DTR;
  ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bits);
}

void CCameraLink::ClosePort() {
  if (fd_ < 0) return;
  SetDtr(false);
  close(fd_);
  fd_ = -1;
}

void CCameraLink::Purge(bool input, bool output) {
  if (fd_ < 0) return;
  if (input && output) tcflush(fd_, TCIOFLUSH);
  else if (input) tcflush(fd_, TCIFLUSH);
  else if (output) tcflush(fd_, TCOFLUSH);
}

LinkResult CCameraLink::WriteBytes(const uint8_t* bytes, size_t n) {
  if (fd_ < 0) return LINK_ERR_NOT_OPEN;
  auto deadline = Clock::now() + std::chrono::milliseconds(timings_.writeTimeoutMs);
  size_t done = 0;
  while (done < n) {
    ssize_t w = write(fd_, bytes + done, n - done);
    if (w > 0) {
      done += static_cast<size_t>(w);
      continue;
    }
    if (w < 0 && errno == EINTR) continue;
    if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(fd_, POLLOUT, deadline)) continue;
    Purge(false, true);
    return LINK_ERR_WRITE;
  }
  return LINK_OK;
}

int CCameraLink::ReadTimeoutFor(size_t n) const {
  if (n == 1 && blockCounter_ > 6) return timings_.blockTimeoutMs;
  if (slowMode_ && slowReply_) return timings_.slowTimeoutMs;
  if (slowMode_ && slowTransfer_ && blockCounter_ < 2) return timings_.slowTimeoutMs;
  if (n > 1024) return timings_.blockTimeoutMs;
  return timings_.replyTimeoutMs;
}

LinkResult CCameraLink::ReadExact(uint8_t* buffer, size_t n) {
  if (fd_ < 0) return LINK_ERR_NOT_OPEN;
  // The whole read must be done within T + 1 ms per byte.
  auto deadline = Clock::now() + std::chrono::milliseconds(ReadTimeoutFor(n) + static_cast<int64_t>(n));
  size_t got = 0;
  bool pollSaidReadable = false;
  while (got < n) {
    ssize_t r = read(fd_, buffer + got, n - got);
    if (r > 0) {
      got += static_cast<size_t>(r);
      pollSaidReadable = false;
      continue;
    }
    if (r < 0 && errno == EINTR) continue;
    // In raw mode without VMIN a read with nothing queued returns 0 rather than EAGAIN. But a read
    // of nothing right after poll reported the port readable is a hang-up (the camera's end closed
    // mid-block): poll keeps answering at once then, and waiting again would spin forever.
    const bool nothingYet = (r == 0 && !pollSaidReadable) || (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK));
    if (nothingYet && Clock::now() < deadline && WaitFor(fd_, POLLIN, deadline)) {
      pollSaidReadable = true;
      continue;
    }
    // Time-out, hang-up (read 0 or EIO) or a driver error: start the next exchange clean.
    Purge(true, false);
    return LINK_ERR_TIMEOUT;
  }
  return LINK_OK;
}

LinkResult CCameraLink::SetPortSpeed(unsigned rate) {
  rate_ = rate;
  if (fd_ < 0 || !camera::SetTtySpeed(fd_, rate)) return LINK_ERR_SETUP;
  return LINK_OK;
}

void CCameraLink::Delay(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace orrivan
