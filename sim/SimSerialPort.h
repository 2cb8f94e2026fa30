#pragma once
// The simulated reader as a serial port the link's COM backend opens in process.
#include <memory>
#include <string>

#include "SerialPort.h"
#include "SimDevice.h"

class TSimSerialPort : public ISerialPort {
public:
    // device: the name Open accepts (empty: any name).
    TSimSerialPort(std::shared_ptr<TSimDevice> reader, std::string device = {});
    ~TSimSerialPort() override;

    std::uint32_t Open(const std::string& device) override;
    bool Close() override;
    bool IsOpen() const override { return fOpen; }
    std::uint32_t ApplySettings(const tSerialLineSettings& settings) override;
    bool GetQueueStatus(tSerialQueueStatus& status) override;
    std::int32_t Read(std::uint8_t* buffer, std::uint32_t count) override;
    std::int32_t Write(const std::uint8_t* buffer, std::uint32_t count) override;
    bool Purge(std::uint32_t flags) override;
    bool SetDTR(bool on) override;
    bool SetRTS(bool on) override;
    bool GetModemStatus(std::uint32_t& status) override;

    const tSerialLineSettings& Settings() const { return fSettings; }
    bool DTR() const { return fDTR; }
    bool RTS() const { return fRTS; }

private:
    std::shared_ptr<TSimDevice> fReader;
    std::string fDevice;
    bool fOpen = false;
    tSerialLineSettings fSettings;
    bool fDTR = false, fRTS = false;
};

// Ports for the link's port factory, all onto the same reader.
tSerialPortFactory SimSerialPortFactory(std::shared_ptr<TSimDevice> reader, std::string device = {});
