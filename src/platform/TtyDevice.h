#pragma once
// An open tty device node (POSIX): what both serial backends need of one, the COM ports and
// the FTDI readers behind the kernel's driver. Every call fails harmlessly while none is open.
#include <cstdint>
#include <string>

class TTtyDevice {
public:
    TTtyDevice() = default;
    ~TTtyDevice() { Close(); }
    TTtyDevice(const TTtyDevice&) = delete;
    TTtyDevice& operator=(const TTtyDevice&) = delete;

    // Opens path for reading and writing, non-blocking, as nobody else's controlling terminal,
    // exclusively. 0, SERIAL_ERROR_NO_SUCH_DEVICE, SERIAL_ERROR_IN_USE, SERIAL_ERROR_NO_PERMISSION
    // or SERIAL_ERROR_DEVICE_FAILURE (SerialPort.h).
    std::uint32_t Open(const std::string& path);
    bool Close();
    bool IsOpen() const { return fFd >= 0; }
    // The descriptor, for waiting on it; -1 while closed.
    int Fd() const { return fFd; }

    // Raw bytes: no echo, no translation, receiver on, modem status lines and flow control off,
    // reads that return at once.
    bool MakeRaw();
    // Any rate the driver takes. False when it refuses it, or stores a rate more than 3 % off
    // (a serial line's tolerance).
    bool SetBaudRate(std::uint32_t baud);
    // dataBits 5 to 8; parity 0 none, 1 odd, 2 even, 3 mark, 4 space; stopBits 1 or 2.
    bool SetFraming(int dataBits, int parity, int stopBits);

    // Bytes waiting to be read; false when the count cannot be had (hungUp then tells why).
    bool InQueue(std::uint32_t& count, bool& hungUp);
    // Bytes not yet sent; 0 where the driver keeps no count (pseudo-terminals).
    std::uint32_t OutQueue();
    // At most count bytes of what is there; never waits. -1 on failure, 0 for nothing.
    std::int32_t Read(std::uint8_t* buffer, std::uint32_t count);
    // Writes count bytes, waiting at most timeOutMs while the driver's queue is full; the
    // count written, -1 when nothing could be written for a failure.
    std::int32_t Write(const std::uint8_t* buffer, std::uint32_t count, int timeOutMs);
    // Waits at most timeOutMs for something to read (or the other side's hang-up); false when
    // nothing came.
    bool WaitReadable(int timeOutMs);
    // Waits at most timeOutMs until the transmit queue is empty; false when it did not empty.
    bool WaitUntilSent(int timeOutMs);
    bool Purge(bool receive, bool transmit);

    // DTR / RTS; false where the device has no such line (pseudo-terminals).
    bool SetDTR(bool on) { return SetLine(Line_DTR, on); }
    bool SetRTS(bool on) { return SetLine(Line_RTS, on); }
    // The modem status lines.
    struct TModemLines {
        bool CTS = false, DSR = false, RI = false, DCD = false;
    };
    bool GetModemLines(TModemLines& lines);

    // The low-latency flag of the serial driver (TIOCSSERIAL, no privilege needed).
    bool SetLowLatency(bool on);
    // The serial driver's port type (TIOCGSERIAL); false when the device has none.
    bool GetSerialType(int& type);

private:
    enum eLine { Line_DTR, Line_RTS };
    bool SetLine(eLine line, bool on);

    int fFd = -1;
};
