// Any line speed on a tty, including those without a classic termios constant (14400, 28800).
// Kept apart from <termios.h>: the kernel's termios2 header clashes with it.
#pragma once

namespace orrivan::camera {

// Sets input and output speed of the tty behind fd to rate; false when the driver refuses.
bool SetTtySpeed(int fd, unsigned rate);
// The output speed the tty behind fd is set to; 0 when it cannot be read.
unsigned GetTtySpeed(int fd);

}  // namespace orrivan::camera
