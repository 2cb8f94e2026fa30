#pragma once
// A simulated reader opened in process through its serial port, on a manual clock.
#include <memory>

#include "SimClient.h"
#include "SimSerialPort.h"

struct tInProcessReader {
    explicit tInProcessReader(const TSimScenario& scenario,
                              TDateTime clockStart = EncodeDateTime(2026, 5, 20, 10, 0, 0))
        : Device(std::make_shared<TSimDevice>(scenario, clockStart)), Port(Device, "sim"),
          Client([this](const tByteBuffer& b) { Port.Write(b.data(), static_cast<std::uint32_t>(b.size())); },
                 [this]() {
                     tByteBuffer b(4096);
                     std::int32_t n = Port.Read(b.data(), static_cast<std::uint32_t>(b.size()));
                     b.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
                     return b;
                 },
                 [this]() { Device->Advance(1); }) {
        Port.Open("sim");
    }
    ReaderSimulator& Sim() {
        return *Device->With([](ReaderSimulator& s) { return &s; });
    }

    std::shared_ptr<TSimDevice> Device;
    TSimSerialPort Port;
    tSimClient Client;
};
