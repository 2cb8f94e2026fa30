#include "PseudoTerminal.h"

#ifndef _WIN32
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

bool TPseudoTerminal::Open() {
    Close();
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    char name[PATH_MAX];
    if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0 || ::ptsname_r(fd, name, sizeof name) != 0) {
        ::close(fd);
        return false;
    }
    // The slave's line discipline would otherwise echo and translate what passes.
    termios tio{};
    if (::tcgetattr(fd, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(fd, TCSANOW, &tio);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    fMaster = fd;
    fSlavePath = name;
    return true;
}

void TPseudoTerminal::Close() {
    if (fMaster >= 0) ::close(fMaster);
    fMaster = -1;
    fSlavePath.clear();
}

std::int32_t TPseudoTerminal::Read(std::uint8_t* buffer, std::uint32_t count, int timeOutMs) {
    if (fMaster < 0) return -1;
    pollfd p{fMaster, POLLIN, 0};
    if (::poll(&p, 1, timeOutMs) <= 0) return 0;
    const ssize_t got = ::read(fMaster, buffer, count);
    if (got < 0) return (errno == EAGAIN || errno == EINTR || errno == EIO) ? 0 : -1;
    return static_cast<std::int32_t>(got);
}

bool TPseudoTerminal::WaitReadable(std::int64_t timeOutUs) {
    if (fMaster < 0) return false;
    pollfd p{fMaster, POLLIN, 0};
    const timespec t{static_cast<time_t>(timeOutUs / 1'000'000),
                     static_cast<long>(timeOutUs % 1'000'000) * 1000};
    return ::ppoll(&p, 1, &t, nullptr) > 0;
}

std::int32_t TPseudoTerminal::Write(const std::uint8_t* buffer, std::uint32_t count) {
    if (fMaster < 0) return -1;
    std::uint32_t done = 0;
    while (done < count) {
        const ssize_t put = ::write(fMaster, buffer + done, count - done);
        if (put > 0) {
            done += static_cast<std::uint32_t>(put);
            continue;
        }
        if (put < 0 && errno != EAGAIN && errno != EINTR) break;
        pollfd p{fMaster, POLLOUT, 0};
        if (::poll(&p, 1, 1000) <= 0) break;
    }
    return static_cast<std::int32_t>(done);
}

#else

bool TPseudoTerminal::Open() {
    return false;
}
void TPseudoTerminal::Close() {}
std::int32_t TPseudoTerminal::Read(std::uint8_t*, std::uint32_t, int) {
    return -1;
}
bool TPseudoTerminal::WaitReadable(std::int64_t) {
    return false;
}
std::int32_t TPseudoTerminal::Write(const std::uint8_t*, std::uint32_t) {
    return -1;
}

#endif
