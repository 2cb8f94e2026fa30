#pragma once
// Window timers in real time for a program without a toolkit: the owner's loop
// calls RunDue as often as it likes; due timers fire on that thread.
#include <chrono>
#include <cstdint>
#include <map>

#include "Timers.h"

class TRealTimeTimers : public ITimerBackend {
public:
    using clock = std::chrono::steady_clock;

    void Start(TTimer& timer) override;
    void Stop(TTimer& timer) override;
    void Remove(TTimer& timer) override;

    // Fires every timer due now, each once, in due order; how many fired.
    int RunDue();
    // Time until the next timer is due (zero when one is due; max when none runs).
    clock::duration UntilNext() const;

private:
    struct Slot {
        clock::time_point due;
        std::uint64_t order;
    };
    std::map<TTimer*, Slot> fRunning;
    std::uint64_t fOrder = 0;
};
