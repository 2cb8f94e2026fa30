#pragma once
// Window timers without a toolkit: the form owns TTimer controls; a backend
// (QTimer in the desktop program, a manual clock in tests) makes them fire.
#include <cstdint>
#include <functional>
#include <map>
#include <string>

class TTimer;

class ITimerBackend {
public:
    virtual ~ITimerBackend() = default;
    // The timer was started or restarted with its current interval.
    virtual void Start(TTimer& timer) = 0;
    virtual void Stop(TTimer& timer) = 0;
    // The timer is going away.
    virtual void Remove(TTimer& timer) = 0;
};

// A periodic timer control: enabled, interval in milliseconds, OnTimer.
// Like a window timer, (re)enabling or changing the interval while enabled restarts the period.
class TTimer {
public:
    TTimer(std::string name, ITimerBackend* backend, std::int32_t interval = 1000, bool enabled = false);
    ~TTimer();
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;

    const std::string& Name() const { return fName; }
    bool Enabled() const { return fEnabled; }
    std::int32_t Interval() const { return fInterval; }
    void SetEnabled(bool enabled);
    void SetInterval(std::int32_t interval);
    // The backend calls this when the period has run out.
    void Fire();

    std::function<void()> OnTimer;

private:
    void Apply();
    std::string fName;
    ITimerBackend* fBackend;
    std::int32_t fInterval;
    bool fEnabled;
};

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
