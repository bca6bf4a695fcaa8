// libFuzzer entry over the data-block reader: the input is what a camera sends, written into a
// pseudo-terminal in front of the link with millisecond time-outs. Whatever arrives, a block never
// reports more than the largest block and every read ends.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/settings.h"
#include "camera/camera_link.h"
#include "camera/camera_protocol.h"

namespace {

struct Line {
  Line() {
    orrivan::settings::UseFile("/nonexistent-orrivan-fuzz/Orrivan.conf");
    master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) std::abort();
    link = new orrivan::CCameraLink;
    link->SetPortName(ptsname(master));
    orrivan::LinkTimings t;
    t.replyTimeoutMs = 1;
    t.blockTimeoutMs = 1;
    t.slowTimeoutMs = 1;
    t.blockRetryDelayMs = 0;
    t.firstAckWaitMs = 0;
    link->SetTimings(t);
    if (link->OpenPort() != orrivan::LINK_OK) std::abort();
  }
  int master = -1;
  orrivan::CCameraLink* link = nullptr;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Line line;
  // What the pseudo-terminal buffers at once; more would block the writer.
  if (size > 3000) return 0;
  uint8_t drain[4096];
  while (read(line.master, drain, sizeof drain) > 0) {
  }
  if (size > 0 && write(line.master, data, size) != static_cast<ssize_t>(size)) return 0;
  std::vector<uint8_t> block(orrivan::camera::kMaxBlockData);
  for (int i = 0; i < 4; ++i) {
    size_t length = 0;
    orrivan::LinkResult r = line.link->ReadBlock(block.data(), length);
    if (length > orrivan::camera::kMaxBlockData) std::abort();
    if (r != orrivan::LINK_OK && length != 0) std::abort();
    if (r != orrivan::LINK_OK) break;
  }
  return 0;
}
