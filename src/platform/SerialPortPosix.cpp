#ifndef _WIN32
// termios serial port. Pseudo-terminals are ports too: they report no transmit
// queue and have no modem lines, and both are tolerated.
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "SerialPort.h"

namespace {

// A write that the other side does not drain must not hold the link thread forever.
constexpr int WriteTimeOutMs = 1000;

bool BaudConstant(std::int32_t baud, speed_t& speed) {
    static const struct {
        std::int32_t baud;
        speed_t speed;
    } table[] = {
        {50, B50},           {75, B75},           {110, B110},         {134, B134},
        {150, B150},         {200, B200},         {300, B300},         {600, B600},
        {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
        {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
        {115200, B115200},   {230400, B230400},
#ifdef B460800
        {460800, B460800},   {500000, B500000},   {576000, B576000},   {921600, B921600},
        {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000}, {2000000, B2000000},
        {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
#endif
    };
    for (auto& entry : table)
        if (entry.baud == baud) {
            speed = entry.speed;
            return true;
        }
    return false;
}

std::uint32_t MapOpenError(int err) {
    switch (err) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR: return SERIAL_ERROR_NO_SUCH_DEVICE;
    case EACCES:
    case EPERM:
    case EBUSY:
    case EWOULDBLOCK: return SERIAL_ERROR_IN_USE;
    case EIO: return SERIAL_ERROR_DEVICE_FAILURE;
    default: return static_cast<std::uint32_t>(err);
    }
}

class TPosixSerialPort final : public ISerialPort {
public:
    ~TPosixSerialPort() override { Close(); }

    std::uint32_t Open(const std::string& device) override {
        Close();
        const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return MapOpenError(errno);
        termios tio{};
        if (::tcgetattr(fd, &tio) != 0) {
            const int err = errno;
            ::close(fd);
            return MapOpenError(err);
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

    bool Close() override {
        if (fFd < 0) return false;
        ::ioctl(fFd, TIOCNXCL);
        const bool ok = ::close(fFd) == 0;
        fFd = -1;
        return ok;
    }

    bool IsOpen() const override { return fFd >= 0; }

    bool ApplySettings(const tSerialLineSettings& settings) override {
        if (fFd < 0) return false;
        termios tio{};
        if (::tcgetattr(fFd, &tio) != 0) return false;
        ::cfmakeraw(&tio);
        tio.c_cflag |= CREAD | CLOCAL;
        tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS | HUPCL);
        tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        bool ok = true;

        tcflag_t size = 0;
        switch (settings.ByteSize) {
        case 5: size = CS5; break;
        case 6: size = CS6; break;
        case 7: size = CS7; break;
        case 8: size = CS8; break;
        default: ok = false; break;
        }
        if (size != 0) tio.c_cflag = (tio.c_cflag & ~static_cast<tcflag_t>(CSIZE)) | size;

        tio.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CMSPAR);
        switch (settings.Parity) {
        case 0: break;
        case 1: tio.c_cflag |= PARENB | PARODD; break;
        case 2: tio.c_cflag |= PARENB; break;
        case 3: tio.c_cflag |= PARENB | PARODD | CMSPAR; break;
        case 4: tio.c_cflag |= PARENB | CMSPAR; break;
        default: ok = false; break;
        }

        // termios knows no one and a half stop bits; two is the nearest.
        if (settings.StopBits == 0)
            tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
        else if (settings.StopBits <= 2)
            tio.c_cflag |= CSTOPB;
        else
            ok = false;

        speed_t speed;
        if (BaudConstant(settings.BaudRate, speed)) {
            ::cfsetispeed(&tio, speed);
            ::cfsetospeed(&tio, speed);
        } else {
            ok = false;
        }
        if (::tcsetattr(fFd, TCSANOW, &tio) != 0) ok = false;
        SetRTS(true);
        SetDTR(false);
        return ok;
    }

    bool GetQueueStatus(tSerialQueueStatus& status) override {
        status = {};
        if (fFd < 0) return false;
        pollfd p{fFd, POLLIN, 0};
        if (::poll(&p, 1, 0) < 0) return false;
        if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) status.Errors |= SERIAL_ERR_HANGUP;
        int n = 0;
        // A port whose other side hung up may refuse the count; the hang-up is the news.
        if (::ioctl(fFd, FIONREAD, &n) != 0 && !(status.Errors & SERIAL_ERR_HANGUP)) return false;
        status.InQueue = n > 0 ? static_cast<std::uint32_t>(n) : 0;
        n = 0;
        if (::ioctl(fFd, TIOCOUTQ, &n) == 0 && n > 0) status.OutQueue = static_cast<std::uint32_t>(n);
        return true;
    }

    std::int32_t Read(std::uint8_t* buffer, std::uint32_t count) override {
        if (fFd < 0) return -1;
        if (count == 0) return 0;
        const ssize_t got = ::read(fFd, buffer, count);
        if (got < 0) return (errno == EAGAIN || errno == EINTR) ? 0 : -1;
        return static_cast<std::int32_t>(got);
    }

    std::int32_t Write(const std::uint8_t* buffer, std::uint32_t count) override {
        if (fFd < 0) return -1;
        using clock = std::chrono::steady_clock;
        const auto deadline = clock::now() + std::chrono::milliseconds(WriteTimeOutMs);
        std::uint32_t done = 0;
        while (done < count) {
            const ssize_t put = ::write(fFd, buffer + done, count - done);
            if (put > 0) {
                done += static_cast<std::uint32_t>(put);
                continue;
            }
            if (put < 0 && errno != EAGAIN && errno != EINTR) break;
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count();
            if (left <= 0) break;
            pollfd p{fFd, POLLOUT, 0};
            if (::poll(&p, 1, static_cast<int>(left)) < 0 && errno != EINTR) break;
            if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) break;
        }
        return static_cast<std::int32_t>(done);
    }

    bool Purge(std::uint32_t flags) override {
        if (fFd < 0) return false;
        const bool tx = flags & (SERIAL_PURGE_TXABORT | SERIAL_PURGE_TXCLEAR);
        const bool rx = flags & (SERIAL_PURGE_RXABORT | SERIAL_PURGE_RXCLEAR);
        if (!tx && !rx) return true;
        return ::tcflush(fFd, tx && rx ? TCIOFLUSH : (tx ? TCOFLUSH : TCIFLUSH)) == 0;
    }

    bool SetDTR(bool on) override { return SetLine(TIOCM_DTR, on); }
    bool SetRTS(bool on) override { return SetLine(TIOCM_RTS, on); }

    bool GetModemStatus(std::uint32_t& status) override {
        status = 0;
        int bits = 0;
        if (fFd < 0 || ::ioctl(fFd, TIOCMGET, &bits) != 0) return false;
        if (bits & TIOCM_CTS) status |= SERIAL_MS_CTS_ON;
        if (bits & TIOCM_DSR) status |= SERIAL_MS_DSR_ON;
        if (bits & TIOCM_RNG) status |= SERIAL_MS_RING_ON;
        if (bits & TIOCM_CAR) status |= SERIAL_MS_RLSD_ON;
        return true;
    }

private:
    // Pseudo-terminals answer ENOTTY here; the caller treats that as "no such line".
    bool SetLine(int line, bool on) {
        if (fFd < 0) return false;
        return ::ioctl(fFd, on ? TIOCMBIS : TIOCMBIC, &line) == 0;
    }

    int fFd = -1;
};

} // namespace

std::unique_ptr<ISerialPort> CreateSystemSerialPort() {
    return std::make_unique<TPosixSerialPort>();
}

#endif
