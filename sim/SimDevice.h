#pragma once
// A simulated reader shared between threads: the port side reads and writes, and either the
// caller advances time by hand or a thread of its own follows the real clock.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "ReaderSimulator.h"

class TSimDevice {
public:
    explicit TSimDevice(const TSimScenario& scenario, TDateTime clockStart = NowDateTime());
    ~TSimDevice();
    TSimDevice(const TSimDevice&) = delete;
    TSimDevice& operator=(const TSimDevice&) = delete;

    // Time follows the steady clock, in steps of about a millisecond, until Stop.
    void StartRealTime();
    void Stop();
    // Time by hand (for the manual clock of the in-process harness).
    void Advance(std::uint32_t ms);

    void Write(const std::uint8_t* bytes, std::size_t count);
    std::size_t Read(std::uint8_t* buffer, std::size_t max);
    std::size_t Available();
    void PurgeOutput();
    bool SwitchedOn();

    // Exclusive use by one port at a time.
    bool Claim();
    void Release();

    // Any other access to the simulator, under its lock.
    template <typename F> auto With(F f) {
        std::lock_guard<std::mutex> lock(fLock);
        return f(fSim);
    }

private:
    std::mutex fLock;
    ReaderSimulator fSim;
    std::thread fThread;
    std::atomic<bool> fRunning{false};
    std::atomic<bool> fClaimed{false};
};

// VEXO_TRACE=1 in the environment: a trace of every command on standard error.
bool SimTraceFromEnvironment();
void SimTraceToStderr(ReaderSimulator& sim);
