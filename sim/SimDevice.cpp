#include "SimDevice.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

TSimDevice::TSimDevice(const TSimScenario& scenario, TDateTime clockStart) : fSim(scenario, clockStart) {
    if (SimTraceFromEnvironment()) SimTraceToStderr(fSim);
}

TSimDevice::~TSimDevice() {
    Stop();
}

void TSimDevice::StartRealTime() {
    if (fRunning.exchange(true)) return;
    fThread = std::thread([this]() {
        auto last = std::chrono::steady_clock::now();
        std::uint64_t carriedUs = 0;
        while (fRunning) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            auto now = std::chrono::steady_clock::now();
            carriedUs += static_cast<std::uint64_t>(
                std::chrono::duration_cast<std::chrono::microseconds>(now - last).count());
            last = now;
            std::uint32_t ms = static_cast<std::uint32_t>(carriedUs / 1000);
            carriedUs %= 1000;
            if (ms) Advance(ms);
        }
    });
}

void TSimDevice::Stop() {
    fRunning = false;
    if (fThread.joinable()) fThread.join();
}

void TSimDevice::Advance(std::uint32_t ms) {
    std::lock_guard<std::mutex> lock(fLock);
    fSim.Advance(ms);
}

void TSimDevice::Write(const std::uint8_t* bytes, std::size_t count) {
    std::lock_guard<std::mutex> lock(fLock);
    fSim.Receive(bytes, count);
}

std::size_t TSimDevice::Read(std::uint8_t* buffer, std::size_t max) {
    std::lock_guard<std::mutex> lock(fLock);
    return fSim.TakeOutput(buffer, max);
}

std::size_t TSimDevice::Available() {
    std::lock_guard<std::mutex> lock(fLock);
    return fSim.Available();
}

void TSimDevice::PurgeOutput() {
    std::lock_guard<std::mutex> lock(fLock);
    fSim.PurgeOutput();
}

bool TSimDevice::SwitchedOn() {
    std::lock_guard<std::mutex> lock(fLock);
    return fSim.SwitchedOn();
}

bool TSimDevice::Claim() {
    return !fClaimed.exchange(true);
}
void TSimDevice::Release() {
    fClaimed = false;
}

bool SimTraceFromEnvironment() {
    const char* v = std::getenv("VEXO_TRACE");
    return v && std::strcmp(v, "1") == 0;
}

void SimTraceToStderr(ReaderSimulator& sim) {
    sim.SetTrace([](const std::string& line) { std::fprintf(stderr, "vexo-sim %s\n", line.c_str()); });
}
