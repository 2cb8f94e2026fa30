#ifdef __linux__
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "SerialPort.h"
#include "Termios2.h"
#include "TtyDevice.h"

namespace {

std::uint32_t MapOpenError(int err) {
    switch (err) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR: return SERIAL_ERROR_NO_SUCH_DEVICE;
    case EACCES:
    case EPERM: return SERIAL_ERROR_NO_PERMISSION;
    case EBUSY:
    case EWOULDBLOCK: return SERIAL_ERROR_IN_USE;
    case EIO: return SERIAL_ERROR_DEVICE_FAILURE;
    default:
        // A number that would read as one of ours means something else here.
        return static_cast<std::uint32_t>(err) == SERIAL_ERROR_BAUD_RATE ? SERIAL_ERROR_DEVICE_FAILURE
                                                                         : static_cast<std::uint32_t>(err);
    }
}

int MillisecondsLeft(std::chrono::steady_clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

} // namespace

std::uint32_t TTtyDevice::Open(const std::string& path) {
    Close();
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return MapOpenError(errno);
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        const int err = errno;
        ::close(fd);
        // Not a terminal at all: no serial port, whatever the file is.
        return err == ENOTTY ? SERIAL_ERROR_DEVICE_FAILURE : MapOpenError(err);
    }
    // The lock shows a holder that opened the port before us; TIOCEXCL keeps later users out.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return SERIAL_ERROR_IN_USE;
    }
    ::ioctl(fd, TIOCEXCL);
    fFd = fd;
    return 0;
}

bool TTtyDevice::Close() {
    if (fFd < 0) return false;
    ::ioctl(fFd, TIOCNXCL);
    const bool ok = ::close(fFd) == 0;
    fFd = -1;
    return ok;
}

bool TTtyDevice::MakeRaw() {
    termios tio{};
    if (fFd < 0 || ::tcgetattr(fFd, &tio) != 0) return false;
    ::cfmakeraw(&tio);
    tio.c_cflag |= CREAD | CLOCAL;
    tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS | HUPCL);
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    return ::tcsetattr(fFd, TCSANOW, &tio) == 0;
}

bool TTtyDevice::SetBaudRate(std::uint32_t baud) {
    if (fFd < 0 || baud == 0) return false;
    if (!SetTtyBaudRate(fFd, baud)) return false;
    // A driver that cannot make the rate stores the one it made (or its fallback) instead.
    std::uint32_t stored = 0;
    if (!GetTtyBaudRate(fFd, stored)) return false;
    const std::uint64_t difference = stored > baud ? stored - baud : baud - stored;
    return difference * 100 <= std::uint64_t{baud} * 3;
}

bool TTtyDevice::SetFraming(int dataBits, int parity, int stopBits) {
    termios tio{};
    if (fFd < 0 || ::tcgetattr(fFd, &tio) != 0) return false;
    tcflag_t size;
    switch (dataBits) {
    case 5: size = CS5; break;
    case 6: size = CS6; break;
    case 7: size = CS7; break;
    case 8: size = CS8; break;
    default: return false;
    }
    tcflag_t parityBits;
    switch (parity) {
    case 0: parityBits = 0; break;
    case 1: parityBits = PARENB | PARODD; break;
    case 2: parityBits = PARENB; break;
    case 3: parityBits = PARENB | PARODD | CMSPAR; break;
    case 4: parityBits = PARENB | CMSPAR; break;
    default: return false;
    }
    if (stopBits != 1 && stopBits != 2) return false;
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
    tio.c_cflag |= size | parityBits | (stopBits == 2 ? CSTOPB : 0);
    return ::tcsetattr(fFd, TCSANOW, &tio) == 0;
}

bool TTtyDevice::InQueue(std::uint32_t& count, bool& hungUp) {
    count = 0;
    hungUp = false;
    if (fFd < 0) return false;
    pollfd p{fFd, POLLIN, 0};
    if (::poll(&p, 1, 0) < 0) return false;
    hungUp = (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    int n = 0;
    if (::ioctl(fFd, FIONREAD, &n) != 0) return false;
    count = n > 0 ? static_cast<std::uint32_t>(n) : 0;
    return true;
}

std::uint32_t TTtyDevice::OutQueue() {
    int n = 0;
    if (fFd < 0 || ::ioctl(fFd, TIOCOUTQ, &n) != 0 || n < 0) return 0;
    return static_cast<std::uint32_t>(n);
}

std::int32_t TTtyDevice::Read(std::uint8_t* buffer, std::uint32_t count) {
    if (fFd < 0) return -1;
    if (count == 0) return 0;
    const ssize_t got = ::read(fFd, buffer, count);
    if (got < 0) return (errno == EAGAIN || errno == EINTR) ? 0 : -1;
    return static_cast<std::int32_t>(got);
}

std::int32_t TTtyDevice::Write(const std::uint8_t* buffer, std::uint32_t count, int timeOutMs) {
    if (fFd < 0) return -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeOutMs);
    std::uint32_t done = 0;
    while (done < count) {
        const ssize_t put = ::write(fFd, buffer + done, count - done);
        if (put > 0) {
            done += static_cast<std::uint32_t>(put);
            continue;
        }
        if (put < 0 && errno != EAGAIN && errno != EINTR)
            return done > 0 ? static_cast<std::int32_t>(done) : -1;
        const int left = MillisecondsLeft(deadline);
        if (left <= 0) break;
        pollfd p{fFd, POLLOUT, 0};
        if (::poll(&p, 1, left) < 0 && errno != EINTR) break;
        if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) break;
    }
    return static_cast<std::int32_t>(done);
}

bool TTtyDevice::WaitReadable(int timeOutMs) {
    if (fFd < 0) return false;
    pollfd p{fFd, POLLIN, 0};
    return ::poll(&p, 1, timeOutMs) > 0;
}

bool TTtyDevice::WaitUntilSent(int timeOutMs) {
    if (fFd < 0) return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeOutMs);
    // tcdrain would wait without bound on a line that does not move; the queue count does not.
    while (OutQueue() > 0) {
        if (MillisecondsLeft(deadline) <= 0) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

bool TTtyDevice::Purge(bool receive, bool transmit) {
    if (fFd < 0) return false;
    if (!receive && !transmit) return true;
    return ::tcflush(fFd, receive && transmit ? TCIOFLUSH : (transmit ? TCOFLUSH : TCIFLUSH)) == 0;
}

bool TTtyDevice::SetLine(eLine line, bool on) {
    if (fFd < 0) return false;
    int bits = line == Line_DTR ? TIOCM_DTR : TIOCM_RTS;
    return ::ioctl(fFd, on ? TIOCMBIS : TIOCMBIC, &bits) == 0;
}

bool TTtyDevice::GetModemLines(TModemLines& lines) {
    lines = {};
    int bits = 0;
    if (fFd < 0 || ::ioctl(fFd, TIOCMGET, &bits) != 0) return false;
    lines.CTS = bits & TIOCM_CTS;
    lines.DSR = bits & TIOCM_DSR;
    lines.RI = bits & TIOCM_RNG;
    lines.DCD = bits & TIOCM_CAR;
    return true;
}

bool TTtyDevice::SetLowLatency(bool on) {
    serial_struct serial{};
    if (fFd < 0 || ::ioctl(fFd, TIOCGSERIAL, &serial) != 0) return false;
    if (on)
        serial.flags |= ASYNC_LOW_LATENCY;
    else
        serial.flags &= ~ASYNC_LOW_LATENCY;
    return ::ioctl(fFd, TIOCSSERIAL, &serial) == 0;
}

bool TTtyDevice::GetSerialType(int& type) {
    serial_struct serial{};
    if (fFd < 0 || ::ioctl(fFd, TIOCGSERIAL, &serial) != 0) return false;
    type = serial.type;
    return true;
}

#endif
