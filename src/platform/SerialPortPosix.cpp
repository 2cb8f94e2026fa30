#ifndef _WIN32
// A COM port on Linux: its tty device. Pseudo-terminals are ports too: they report no
// transmit queue and have no modem lines, and both are tolerated.
#include "SerialPort.h"
#include "TtyDevice.h"

namespace {

// A write that the other side does not drain must not hold the link thread forever.
constexpr int WriteTimeOutMs = 1000;

class TPosixSerialPort final : public ISerialPort {
public:
    std::uint32_t Open(const std::string& device) override { return fTty.Open(device); }
    bool Close() override { return fTty.Close(); }
    bool IsOpen() const override { return fTty.IsOpen(); }

    std::uint32_t ApplySettings(const tSerialLineSettings& settings) override {
        if (!fTty.IsOpen()) return SERIAL_ERROR_SETTINGS;
        bool ok = fTty.MakeRaw();
        // termios knows no one and a half stop bits; two is the nearest.
        const int stopBits = settings.StopBits == 0 ? 1 : (settings.StopBits <= 2 ? 2 : 0);
        ok = fTty.SetFraming(settings.ByteSize, settings.Parity, stopBits) && ok;
        const bool baud =
            settings.BaudRate > 0 && fTty.SetBaudRate(static_cast<std::uint32_t>(settings.BaudRate));
        fTty.SetRTS(true);
        fTty.SetDTR(false);
        if (!baud) return SERIAL_ERROR_BAUD_RATE;
        return ok ? 0 : SERIAL_ERROR_SETTINGS;
    }

    bool GetQueueStatus(tSerialQueueStatus& status) override {
        status = {};
        bool hungUp = false;
        const bool counted = fTty.InQueue(status.InQueue, hungUp);
        if (hungUp) status.Errors |= SERIAL_ERR_HANGUP;
        // A port whose other side hung up may refuse the count; the hang-up is the news.
        if (!counted && !hungUp) return false;
        status.OutQueue = fTty.OutQueue();
        return true;
    }

    std::int32_t Read(std::uint8_t* buffer, std::uint32_t count) override { return fTty.Read(buffer, count); }

    std::int32_t Write(const std::uint8_t* buffer, std::uint32_t count) override {
        return fTty.Write(buffer, count, WriteTimeOutMs);
    }

    bool WaitUntilSent(int timeOutMs) override { return fTty.WaitUntilSent(timeOutMs); }

    bool Purge(std::uint32_t flags) override {
        return fTty.Purge(flags & (SERIAL_PURGE_RXABORT | SERIAL_PURGE_RXCLEAR),
                          flags & (SERIAL_PURGE_TXABORT | SERIAL_PURGE_TXCLEAR));
    }

    // Pseudo-terminals answer ENOTTY here; the caller treats that as "no such line".
    bool SetDTR(bool on) override { return fTty.SetDTR(on); }
    bool SetRTS(bool on) override { return fTty.SetRTS(on); }

    bool GetModemStatus(std::uint32_t& status) override {
        status = 0;
        TTtyDevice::TModemLines lines;
        if (!fTty.GetModemLines(lines)) return false;
        if (lines.CTS) status |= SERIAL_MS_CTS_ON;
        if (lines.DSR) status |= SERIAL_MS_DSR_ON;
        if (lines.RI) status |= SERIAL_MS_RING_ON;
        if (lines.DCD) status |= SERIAL_MS_RLSD_ON;
        return true;
    }

    bool CanWaitForInput() const override { return true; }
    eLinkWait WaitForInput(TLinkWaiter& waiter, int timeOutMs) override {
        return waiter.WaitDescriptor(fTty.Fd(), timeOutMs);
    }

private:
    TTtyDevice fTty;
};

} // namespace

std::unique_ptr<ISerialPort> CreateSystemSerialPort() {
    return std::make_unique<TPosixSerialPort>();
}

#endif
