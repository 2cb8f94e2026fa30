#pragma once
#include <cstdint>
#include <map>

#include "Timers.h"

// Deterministic time for tests and the in-process harness: timers fire in
// due order as the caller advances the clock; no real time passes.
class TManualClock : public ITimerBackend {
public:
    void Start(TTimer& timer) override;
    void Stop(TTimer& timer) override;
    void Remove(TTimer& timer) override;

    // Milliseconds since the clock was made.
    std::int64_t Now() const { return fNow; }
    // Runs every timer that falls due up to Now() + ms, in order of due time
    // (then of starting order), each at its own moment.
    void Advance(std::int64_t ms);
    // Advances to the next due timer and fires it; false when none is running.
    bool RunNext();
    // Milliseconds until the next due timer, or -1.
    std::int64_t NextDue() const;

private:
    struct Slot {
        std::int64_t due;
        std::uint64_t order;
    };
    TTimer* Earliest(std::int64_t limit) const;
    std::map<TTimer*, Slot> fRunning;
    std::int64_t fNow = 0;
    std::uint64_t fOrder = 0;
};
