#include "Timers.h"

#include <utility>

TTimer::TTimer(std::string name, ITimerBackend* backend, std::int32_t interval, bool enabled)
    : fName(std::move(name)), fBackend(backend), fInterval(interval), fEnabled(enabled) {
    Apply();
}

TTimer::~TTimer() {
    if (fBackend) fBackend->Remove(*this);
}

void TTimer::SetEnabled(bool enabled) {
    fEnabled = enabled;
    Apply();
}

void TTimer::SetInterval(std::int32_t interval) {
    fInterval = interval;
    Apply();
}

void TTimer::Apply() {
    if (!fBackend) return;
    // A window timer with interval 0 does not run.
    if (fEnabled && fInterval > 0)
        fBackend->Start(*this);
    else
        fBackend->Stop(*this);
}

void TTimer::Fire() {
    if (fEnabled && OnTimer) OnTimer();
}
