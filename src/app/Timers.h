#pragma once
// Window timers without a toolkit: the form owns TTimer controls; a backend
// (QTimer in the desktop program, a manual clock in tests) makes them fire.
#include <cstdint>
#include <functional>
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
