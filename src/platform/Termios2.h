#pragma once
// Any baud rate on a Linux tty (termios2 with BOTHER). Kept apart from <termios.h>: glibc's and
// the kernel's struct termios cannot be seen by one source file, so this header includes neither.
#include <cstdint>

// Sets both directions to baud bits per second; false when the driver refuses the call.
bool SetTtyBaudRate(int fd, std::uint32_t baud);
// The output rate the driver has stored (what it could set); false when it cannot be read.
bool GetTtyBaudRate(int fd, std::uint32_t& baud);
