#pragma once
// A serial port as the link's COM backend sees it, and the OS's port naming.
// The system implementation is one file per OS; tests and the in-process
// simulator plug in their own through tSerialPortFactory.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "LinkWaiter.h"

// Open results besides 0 (the Windows system error codes the link's texts are keyed to).
constexpr std::uint32_t SERIAL_ERROR_NO_SUCH_DEVICE = 2;
constexpr std::uint32_t SERIAL_ERROR_IN_USE = 5;
// The user may not open the device (Linux: not in the device's group, no udev rule). Windows
// reports a port in use as "access denied"; this is the code of a privilege not held.
constexpr std::uint32_t SERIAL_ERROR_NO_PERMISSION = 1314;
// Any other OS failure whose own number would read as one of ours.
constexpr std::uint32_t SERIAL_ERROR_DEVICE_FAILURE = 31;

// ApplySettings results besides 0: the driver refused the baud rate (the code Windows gives
// for a parameter its driver refuses), or took the rate and refused another setting.
constexpr std::uint32_t SERIAL_ERROR_BAUD_RATE = 87;
constexpr std::uint32_t SERIAL_ERROR_SETTINGS = 13;

// Purge flags, numbered as the Windows purge call takes them.
constexpr std::uint32_t SERIAL_PURGE_TXABORT = 0x0001;
constexpr std::uint32_t SERIAL_PURGE_RXABORT = 0x0002;
constexpr std::uint32_t SERIAL_PURGE_TXCLEAR = 0x0004;
constexpr std::uint32_t SERIAL_PURGE_RXCLEAR = 0x0008;

// Modem status bits, as the Windows modem status call reports them.
constexpr std::uint32_t SERIAL_MS_CTS_ON = 0x0010;
constexpr std::uint32_t SERIAL_MS_DSR_ON = 0x0020;
constexpr std::uint32_t SERIAL_MS_RING_ON = 0x0040;
constexpr std::uint32_t SERIAL_MS_RLSD_ON = 0x0080;

// Error flag of a port whose other end has gone away (hang-up); the Windows
// flags (overrun, parity, frame, break) keep their own values below it.
constexpr std::uint32_t SERIAL_ERR_HANGUP = 0x8000;

struct tSerialLineSettings {
    std::int32_t BaudRate = 9600;
    std::int32_t ByteSize = 8;
    std::uint8_t Parity = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
    std::uint8_t StopBits = 0; // 0 one, 1 one and a half, 2 two
};

struct tSerialQueueStatus {
    std::uint32_t Errors = 0; // error flags since the last query (the query clears them)
    std::uint32_t InQueue = 0;
    std::uint32_t OutQueue = 0;
};

class ISerialPort {
public:
    virtual ~ISerialPort() = default;
    // Opens the device for reading and writing, exclusively. 0, SERIAL_ERROR_NO_SUCH_DEVICE,
    // SERIAL_ERROR_IN_USE, SERIAL_ERROR_NO_PERMISSION or another system error code.
    virtual std::uint32_t Open(const std::string& device) = 0;
    virtual bool Close() = 0;
    virtual bool IsOpen() const = 0;
    // Raw bytes, the given line settings, RTS on, no flow control, DTR off. 0, or
    // SERIAL_ERROR_BAUD_RATE when the rate was refused, SERIAL_ERROR_SETTINGS when another was.
    virtual std::uint32_t ApplySettings(const tSerialLineSettings& settings) = 0;
    virtual bool GetQueueStatus(tSerialQueueStatus& status) = 0;
    // Reads at most count bytes of what is queued; never waits for more. -1 on failure.
    virtual std::int32_t Read(std::uint8_t* buffer, std::uint32_t count) = 0;
    // Writes count bytes; returns how many went out (-1 on failure).
    virtual std::int32_t Write(const std::uint8_t* buffer, std::uint32_t count) = 0;
    // Waits at most timeOutMs until what was written has left the driver; false when it has not.
    // Ports without a transmit queue of their own have nothing to wait for.
    virtual bool WaitUntilSent(int timeOutMs) { return (void)timeOutMs, true; }
    virtual bool Purge(std::uint32_t flags) = 0;
    virtual bool SetDTR(bool on) = 0;
    virtual bool SetRTS(bool on) = 0;
    // SERIAL_MS_* bits; False (and 0) where the device has no modem lines.
    virtual bool GetModemStatus(std::uint32_t& status) = 0;
    // True when WaitForInput ends as soon as input arrives; a port that cannot tell only
    // sleeps there, and its user must keep polling it.
    virtual bool CanWaitForInput() const { return false; }
    // Waits at most timeOutMs until input is queued (or the device reports trouble), or
    // until the waiter is woken from another thread.
    virtual eLinkWait WaitForInput(TLinkWaiter& waiter, int timeOutMs) { return waiter.Sleep(timeOutMs); }
};

using tSerialPortFactory = std::function<std::unique_ptr<ISerialPort>()>;

// The OS's own serial port.
std::unique_ptr<ISerialPort> CreateSystemSerialPort();
// A system port that opens device whatever name the link asks for: for a caller that knows the
// device while the window names a port of its own list. Everything else, waiting included, is the
// system port's.
std::unique_ptr<ISerialPort> CreateSystemSerialPortAt(std::string device);

// How a port picked from the COM port list is opened: on Windows it is "COM" and its number
// (ComPortDevicePath(number)); elsewhere it is its device (ComPortDevicePath(name)).
#ifdef _WIN32
constexpr bool ComPortsByNumber = true;
#else
constexpr bool ComPortsByNumber = false;
#endif
// The device of a port by its name ("ttyUSB0" -> "/dev/ttyUSB0", under the programs' device
// root); empty for a name that is no device's.
std::string ComPortDevicePath(const std::string& name);

// COM port N: the device to open ("\\.\COMN" on Windows, "/dev/rfcommN" elsewhere)
// and the name the user sees ("COMN", "rfcommN").
std::string ComPortDevicePath(std::int32_t number);
std::string ComPortDisplayName(std::int32_t number);
// The number that follows a port name's letters ("COM7" -> 7, "rfcomm0" -> 0); -1 when none.
std::int32_t ComPortNumberFromName(const std::string& name);
