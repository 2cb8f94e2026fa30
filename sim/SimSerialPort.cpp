#include "SimSerialPort.h"

TSimSerialPort::TSimSerialPort(std::shared_ptr<TSimDevice> reader, std::string device)
    : fReader(std::move(reader)), fDevice(std::move(device)) {}

TSimSerialPort::~TSimSerialPort() {
    Close();
}

std::uint32_t TSimSerialPort::Open(const std::string& device) {
    if (fOpen) return SERIAL_ERROR_IN_USE;
    if (!fReader || (!fDevice.empty() && device != fDevice)) return SERIAL_ERROR_NO_SUCH_DEVICE;
    if (!fReader->Claim()) return SERIAL_ERROR_IN_USE;
    fOpen = true;
    return 0;
}

bool TSimSerialPort::Close() {
    if (!fOpen) return false;
    fOpen = false;
    fReader->Release();
    return true;
}

std::uint32_t TSimSerialPort::ApplySettings(const tSerialLineSettings& settings) {
    if (!fOpen) return SERIAL_ERROR_SETTINGS;
    fSettings = settings;
    fRTS = true;
    fDTR = false;
    return 0;
}

bool TSimSerialPort::GetQueueStatus(tSerialQueueStatus& status) {
    status = {};
    if (!fOpen) return false;
    // A reader that has switched itself off looks like a port whose other end went away.
    if (!fReader->SwitchedOn()) status.Errors = SERIAL_ERR_HANGUP;
    status.InQueue = static_cast<std::uint32_t>(fReader->Available());
    return true;
}

std::int32_t TSimSerialPort::Read(std::uint8_t* buffer, std::uint32_t count) {
    if (!fOpen) return -1;
    return static_cast<std::int32_t>(fReader->Read(buffer, count));
}

std::int32_t TSimSerialPort::Write(const std::uint8_t* buffer, std::uint32_t count) {
    if (!fOpen) return -1;
    fReader->Write(buffer, count);
    return static_cast<std::int32_t>(count);
}

bool TSimSerialPort::Purge(std::uint32_t flags) {
    if (!fOpen) return false;
    if (flags & (SERIAL_PURGE_RXCLEAR | SERIAL_PURGE_RXABORT)) fReader->PurgeOutput();
    return true;
}

bool TSimSerialPort::SetDTR(bool on) {
    if (!fOpen) return false;
    fDTR = on;
    return true;
}

bool TSimSerialPort::SetRTS(bool on) {
    if (!fOpen) return false;
    fRTS = on;
    return true;
}

bool TSimSerialPort::GetModemStatus(std::uint32_t& status) {
    status = 0;
    if (!fOpen) return false;
    status = SERIAL_MS_CTS_ON | SERIAL_MS_DSR_ON;
    return true;
}

tSerialPortFactory SimSerialPortFactory(std::shared_ptr<TSimDevice> reader, std::string device) {
    return [reader, device]() { return std::make_unique<TSimSerialPort>(reader, device); };
}
