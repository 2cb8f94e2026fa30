#ifdef _WIN32
// Win32 communications port: exclusive CreateFile, device control block, ClearCommError.
#include "SerialPort.h"
#include "Win32Text.h"

namespace {

// Windows reaches COM10 and above only through the device namespace ("\\.\COM10"); the
// namespace serves every other port name as well. A path is taken as given.
std::wstring DeviceNamespacePath(const std::string& device) {
    if (device.find_first_of("\\/:") != std::string::npos) return vexo::platform::win32::Widen(device);
    return L"\\\\.\\" + vexo::platform::win32::Widen(device);
}

class TWin32SerialPort final : public ISerialPort {
public:
    ~TWin32SerialPort() override { Close(); }

    std::uint32_t Open(const std::string& device) override {
        Close();
        HANDLE h = ::CreateFileW(DeviceNamespacePath(device).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            const DWORD error = ::GetLastError();
            return error == ERROR_SHARING_VIOLATION ? SERIAL_ERROR_IN_USE : static_cast<std::uint32_t>(error);
        }
        fHandle = h;
        // Reads return at once with what is queued; writes wait until done. The port keeps
        // whatever its last user set otherwise, and a read would wait for every byte asked.
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = MAXDWORD;
        ::SetCommTimeouts(fHandle, &timeouts);
        return 0;
    }

    bool Close() override {
        if (fHandle == INVALID_HANDLE_VALUE) return false;
        const bool ok = ::CloseHandle(fHandle) != 0;
        fHandle = INVALID_HANDLE_VALUE;
        return ok;
    }

    bool IsOpen() const override { return fHandle != INVALID_HANDLE_VALUE; }

    std::uint32_t ApplySettings(const tSerialLineSettings& settings) override {
        if (fHandle == INVALID_HANDLE_VALUE) return SERIAL_ERROR_SETTINGS;
        DCB dcb{};
        dcb.DCBlength = sizeof(dcb);
        ::GetCommState(fHandle, &dcb);
        dcb.BaudRate = static_cast<DWORD>(settings.BaudRate);
        dcb.ByteSize = static_cast<BYTE>(settings.ByteSize);
        dcb.Parity = settings.Parity;
        dcb.StopBits = settings.StopBits;
        // Binary off as in the flag word 0x1000: RTS control enable, every other flag clear.
        dcb.fBinary = 0;
        dcb.fParity = 0;
        dcb.fOutxCtsFlow = 0;
        dcb.fOutxDsrFlow = 0;
        dcb.fDtrControl = DTR_CONTROL_DISABLE;
        dcb.fDsrSensitivity = 0;
        dcb.fTXContinueOnXoff = 0;
        dcb.fOutX = 0;
        dcb.fInX = 0;
        dcb.fErrorChar = 0;
        dcb.fNull = 0;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        dcb.fAbortOnError = 0;
        const bool applied = ::SetCommState(fHandle, &dcb) != 0;
        // Some drivers take any rate and keep their old one: what they hold tells.
        DCB held{};
        held.DCBlength = sizeof(held);
        if (!::GetCommState(fHandle, &held) || held.BaudRate != dcb.BaudRate) return SERIAL_ERROR_BAUD_RATE;
        return applied ? 0 : SERIAL_ERROR_SETTINGS;
    }

    bool GetQueueStatus(tSerialQueueStatus& status) override {
        status = {};
        if (fHandle == INVALID_HANDLE_VALUE) return false;
        DWORD errors = 0;
        COMSTAT stat{};
        if (!::ClearCommError(fHandle, &errors, &stat)) return false;
        status.Errors = errors;
        status.InQueue = stat.cbInQue;
        status.OutQueue = stat.cbOutQue;
        return true;
    }

    std::int32_t Read(std::uint8_t* buffer, std::uint32_t count) override {
        if (fHandle == INVALID_HANDLE_VALUE) return -1;
        DWORD got = 0;
        if (!::ReadFile(fHandle, buffer, count, &got, nullptr)) return -1;
        return static_cast<std::int32_t>(got);
    }

    std::int32_t Write(const std::uint8_t* buffer, std::uint32_t count) override {
        if (fHandle == INVALID_HANDLE_VALUE) return -1;
        DWORD put = 0;
        if (!::WriteFile(fHandle, buffer, count, &put, nullptr)) return static_cast<std::int32_t>(put);
        return static_cast<std::int32_t>(put);
    }

    bool WaitUntilSent(int timeOutMs) override {
        if (fHandle == INVALID_HANDLE_VALUE) return false;
        const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(timeOutMs);
        for (;;) {
            DWORD errors = 0;
            COMSTAT stat{};
            if (!::ClearCommError(fHandle, &errors, &stat)) return false;
            if (stat.cbOutQue == 0) return true;
            if (::GetTickCount64() >= deadline) return false;
            ::Sleep(2);
        }
    }

    bool Purge(std::uint32_t flags) override {
        return fHandle != INVALID_HANDLE_VALUE && ::PurgeComm(fHandle, flags) != 0;
    }

    bool SetDTR(bool on) override { return Escape(on ? SETDTR : CLRDTR); }
    bool SetRTS(bool on) override { return Escape(on ? SETRTS : CLRRTS); }

    bool GetModemStatus(std::uint32_t& status) override {
        status = 0;
        DWORD bits = 0;
        if (fHandle == INVALID_HANDLE_VALUE || !::GetCommModemStatus(fHandle, &bits)) return false;
        status = bits;
        return true;
    }

private:
    bool Escape(DWORD function) {
        return fHandle != INVALID_HANDLE_VALUE && ::EscapeCommFunction(fHandle, function) != 0;
    }

    HANDLE fHandle = INVALID_HANDLE_VALUE;
};

} // namespace

std::unique_ptr<ISerialPort> CreateSystemSerialPort() {
    return std::make_unique<TWin32SerialPort>();
}

#endif
