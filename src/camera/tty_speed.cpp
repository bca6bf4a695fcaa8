// termios2 with BOTHER takes the speed as a number, so every rate goes one way.
#include "camera/tty_speed.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace orrivan::camera {

bool SetTtySpeed(int fd, unsigned rate) {
  if (rate == 0) return false;
  struct termios2 t {};
  if (ioctl(fd, TCGETS2, &t) != 0) return false;
  t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  t.c_ispeed = rate;
  t.c_ospeed = rate;
  return ioctl(fd, TCSETS2, &t) == 0;
}

unsigned GetTtySpeed(int fd) {
  struct termios2 t {};
  if (ioctl(fd, TCGETS2, &t) != 0) return 0;
  return t.c_ospeed;
}

}  // namespace orrivan::camera
