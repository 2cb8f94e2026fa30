#include "SerialPort.h"
#include "SysfsTty.h"

#include <cctype>
#include <utility>

namespace {

class TFixedDevicePort final : public ISerialPort {
public:
    explicit TFixedDevicePort(std::string device)
        : fInner(CreateSystemSerialPort()), fDevice(std::move(device)) {}
    std::uint32_t Open(const std::string&) override { return fInner->Open(fDevice); }
    bool Close() override { return fInner->Close(); }
    bool IsOpen() const override { return fInner->IsOpen(); }
    std::uint32_t ApplySettings(const tSerialLineSettings& s) override { return fInner->ApplySettings(s); }
    bool GetQueueStatus(tSerialQueueStatus& s) override { return fInner->GetQueueStatus(s); }
    std::int32_t Read(std::uint8_t* b, std::uint32_t n) override { return fInner->Read(b, n); }
    std::int32_t Write(const std::uint8_t* b, std::uint32_t n) override { return fInner->Write(b, n); }
    bool WaitUntilSent(int ms) override { return fInner->WaitUntilSent(ms); }
    bool Purge(std::uint32_t flags) override { return fInner->Purge(flags); }
    bool SetDTR(bool on) override { return fInner->SetDTR(on); }
    bool SetRTS(bool on) override { return fInner->SetRTS(on); }
    bool GetModemStatus(std::uint32_t& s) override { return fInner->GetModemStatus(s); }
    bool CanWaitForInput() const override { return fInner->CanWaitForInput(); }
    eLinkWait WaitForInput(TLinkWaiter& waiter, int ms) override { return fInner->WaitForInput(waiter, ms); }

private:
    std::unique_ptr<ISerialPort> fInner;
    std::string fDevice;
};

} // namespace

std::unique_ptr<ISerialPort> CreateSystemSerialPortAt(std::string device) {
    return std::make_unique<TFixedDevicePort>(std::move(device));
}

std::string ComPortDevicePath(std::int32_t number) {
#ifdef _WIN32
    return "\\\\.\\COM" + std::to_string(number);
#else
    return "/dev/rfcomm" + std::to_string(number);
#endif
}

std::string ComPortDevicePath(const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.find_first_of("/\\") != std::string::npos)
        return {};
#ifdef _WIN32
    return "\\\\.\\" + name;
#else
    return DevRoot() + "/" + name;
#endif
}

std::string ComPortDisplayName(std::int32_t number) {
#ifdef _WIN32
    return "COM" + std::to_string(number);
#else
    return "rfcomm" + std::to_string(number);
#endif
}

std::int32_t ComPortNumberFromName(const std::string& name) {
    std::size_t i = 0;
    while (i < name.size() && std::isalpha(static_cast<unsigned char>(name[i]))) ++i;
    if (i == name.size() || !std::isdigit(static_cast<unsigned char>(name[i]))) return -1;
    std::int64_t value = 0;
    for (; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return -1;
        value = value * 10 + (name[i] - '0');
        if (value > INT32_MAX) return -1;
    }
    return static_cast<std::int32_t>(value);
}
