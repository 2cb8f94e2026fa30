#include "SimDevice.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ThreadName.h"

TSimDevice::TSimDevice(const TSimScenario& scenario, TDateTime clockStart) : fSim(scenario, clockStart) {
    if (SimTraceFromEnvironment()) SimTraceToStderr(fSim);
    fSim.SetCommandObserver(
        [this](std::uint8_t code, const tByteBuffer& payload) { Observe(code, payload); });
}

TSimDevice::~TSimDevice() {
    Stop();
}

void TSimDevice::StartRealTime() {
    if (fRunning.exchange(true)) return;
    fThread = std::thread([this]() {
        SetCurrentThreadName("vexo-sim-clock");
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

void TSimDevice::FollowRealTimeOnAccess() {
    std::lock_guard<std::mutex> lock(fLock);
    fOnAccess = true;
    fLastAccess = std::chrono::steady_clock::now();
}

void TSimDevice::CatchUp() {
    if (!fOnAccess) return;
    const auto now = std::chrono::steady_clock::now();
    fCarriedUs += static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(now - fLastAccess).count());
    fLastAccess = now;
    // In steps no longer than the thread's after a busy moment.
    while (fCarriedUs >= 1000) {
        const auto ms = static_cast<std::uint32_t>(std::min<std::uint64_t>(fCarriedUs / 1000, 10));
        fSim.Advance(ms);
        fCarriedUs -= ms * std::uint64_t{1000};
    }
}

void TSimDevice::Stop() {
    fRunning = false;
    if (fThread.joinable()) fThread.join();
}

void TSimDevice::Advance(std::uint32_t ms) {
    bool pending;
    {
        std::lock_guard<std::mutex> lock(fLock);
        const std::size_t before = fSim.Available();
        fSim.Advance(ms);
        pending = !fVanished && fSim.Available() > before;
    }
    NotifyOutput(pending);
}

void TSimDevice::SetOutputListener(std::function<void()> listener) {
    std::lock_guard<std::mutex> lock(fListenerLock);
    fListener = std::move(listener);
}

void TSimDevice::NotifyOutput(bool pending) {
    if (!pending) return;
    std::lock_guard<std::mutex> lock(fListenerLock);
    if (fListener) fListener();
}

namespace {
std::uint32_t CountOf(const ReaderSimulator& sim, int code) {
    return code < 0 ? sim.CommandCount() : sim.CommandCount(static_cast<std::uint8_t>(code));
}
} // namespace

// Under fLock, from inside the simulator.
void TSimDevice::Observe(std::uint8_t code, const tByteBuffer& payload) {
    if (fCueLeft == 0 || (fCueCode >= 0 && code != fCueCode)) return;
    if (fCueAddress >= 0) {
        // Reads and writes carry flags, then the 32-bit little-endian address.
        if (payload.size() < 5) return;
        const std::uint32_t address =
            payload[1] | payload[2] << 8 | payload[3] << 16 | static_cast<std::uint32_t>(payload[4]) << 24;
        if (address != fCueAddress) return;
    }
    if (--fCueLeft == 0) fCueHit = true;
}

void TSimDevice::Write(const std::uint8_t* bytes, std::size_t count) {
    bool pending = false;
    {
        std::lock_guard<std::mutex> lock(fLock);
        if (fVanished) return;
        const std::size_t before = fSim.Available();
        if (fCueLeft == 0) {
            fSim.Receive(bytes, count);
        } else {
            // Byte by byte, so that what follows the cue's command never reaches the reader.
            for (std::size_t i = 0; i < count; ++i) {
                fSim.Receive(bytes + i, 1);
                if (fCueHit) {
                    fCueHit = false;
                    fVanished = true;
                    fSim.PurgeOutput();
                    return;
                }
            }
        }
        pending = fSim.Available() > before;
    }
    NotifyOutput(pending);
}

std::size_t TSimDevice::Read(std::uint8_t* buffer, std::size_t max) {
    std::lock_guard<std::mutex> lock(fLock);
    CatchUp();
    if (fVanished) {
        fSim.PurgeOutput();
        return 0;
    }
    return fSim.TakeOutput(buffer, max);
}

std::size_t TSimDevice::Available() {
    std::lock_guard<std::mutex> lock(fLock);
    CatchUp();
    if (fVanished) {
        fSim.PurgeOutput();
        return 0;
    }
    return fSim.Available();
}

void TSimDevice::VanishOn(int code, std::uint32_t nth, std::int64_t address) {
    std::lock_guard<std::mutex> lock(fLock);
    fCueCode = code;
    fCueAddress = address;
    fCueLeft = std::max<std::uint32_t>(nth, 1);
    fCueHit = false;
}

void TSimDevice::Vanish() {
    std::lock_guard<std::mutex> lock(fLock);
    fCueLeft = 0;
    fVanished = true;
    fSim.PurgeOutput();
}

bool TSimDevice::Vanished() {
    std::lock_guard<std::mutex> lock(fLock);
    return fVanished;
}

void TSimDevice::Reconnect() {
    std::lock_guard<std::mutex> lock(fLock);
    fVanished = false;
    fSim.PurgeOutput();
}

std::uint32_t TSimDevice::CommandCount(int code) {
    std::lock_guard<std::mutex> lock(fLock);
    return CountOf(fSim, code);
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
