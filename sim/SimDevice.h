#pragma once
// A simulated reader shared between threads: the port side reads and writes, and either the
// caller advances time by hand or a thread of its own follows the real clock.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
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
    // Time follows the steady clock without a thread: it catches up whenever the port side
    // reads, writes or asks what is queued, as a program polling the reader does every few ms.
    void FollowRealTimeOnAccess();
    void Stop();
    // Time by hand (for the manual clock of the in-process harness).
    void Advance(std::uint32_t ms);

    void Write(const std::uint8_t* bytes, std::size_t count);
    std::size_t Read(std::uint8_t* buffer, std::size_t max);
    std::size_t Available();
    void PurgeOutput();
    bool SwitchedOn();

    // A pulled cable, on cue: the moment the reader has taken its nth command with this code
    // (counted from now; -1: any command; address >= 0: only reads and writes of that address)
    // the link is gone, before the answer leaves. Bytes after that command never arrive, and
    // nothing the reader sends gets out until Reconnect. The reader itself runs on with its
    // memory, as a battery-powered reader does.
    void VanishOn(int code, std::uint32_t nth, std::int64_t address = -1);
    void Vanish();
    bool Vanished();
    void Reconnect();
    // Commands with this code the reader has taken so far (-1: all).
    std::uint32_t CommandCount(int code);

    // Called, outside the reader's lock, when the reader has something to send after a command
    // or as its time passes. Once a new listener is set, the old one is not running any more.
    void SetOutputListener(std::function<void()> listener);

    // Exclusive use by one port at a time.
    bool Claim();
    void Release();

    // Any other access to the simulator, under its lock.
    template <typename F> auto With(F f) {
        std::lock_guard<std::mutex> lock(fLock);
        return f(fSim);
    }

private:
    void CatchUp(); // under fLock
    std::mutex fLock;
    ReaderSimulator fSim;
    std::thread fThread;
    std::atomic<bool> fRunning{false};
    std::atomic<bool> fClaimed{false};
    bool fOnAccess = false;
    std::chrono::steady_clock::time_point fLastAccess;
    std::uint64_t fCarriedUs = 0;
    void Observe(std::uint8_t code, const tByteBuffer& payload);
    void NotifyOutput(bool pending);
    std::mutex fListenerLock;
    std::function<void()> fListener;
    // The cue: commands still to come before the cut (0: none armed).
    int fCueCode = -1;
    std::int64_t fCueAddress = -1;
    std::uint32_t fCueLeft = 0;
    bool fCueHit = false;
    bool fVanished = false;
};

// VEXO_TRACE=1 in the environment: a trace of every command on standard error.
bool SimTraceFromEnvironment();
void SimTraceToStderr(ReaderSimulator& sim);
