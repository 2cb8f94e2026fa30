#ifdef __linux__
// Only the kernel's own terminal headers here: <termios.h> defines a different struct termios.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include "Termios2.h"

bool SetTtyBaudRate(int fd, std::uint32_t baud) {
    struct termios2 tio {};
    if (::ioctl(fd, TCGETS2, &tio) != 0) return false;
    tio.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    tio.c_ispeed = baud;
    tio.c_ospeed = baud;
    return ::ioctl(fd, TCSETS2, &tio) == 0;
}

bool GetTtyBaudRate(int fd, std::uint32_t& baud) {
    struct termios2 tio {};
    if (::ioctl(fd, TCGETS2, &tio) != 0) return false;
    baud = tio.c_ospeed;
    return true;
}

#endif
