#include "ManualClock.h"

void TManualClock::Start(TTimer& timer) {
    fRunning[&timer] = Slot{fNow + timer.Interval(), fOrder++};
}

void TManualClock::Stop(TTimer& timer) {
    fRunning.erase(&timer);
}

void TManualClock::Remove(TTimer& timer) {
    fRunning.erase(&timer);
}

TTimer* TManualClock::Earliest(std::int64_t limit) const {
    TTimer* best = nullptr;
    Slot bestSlot{};
    for (const auto& [timer, slot] : fRunning) {
        if (slot.due > limit) continue;
        if (!best || slot.due < bestSlot.due || (slot.due == bestSlot.due && slot.order < bestSlot.order)) {
            best = timer;
            bestSlot = slot;
        }
    }
    return best;
}

std::int64_t TManualClock::NextDue() const {
    TTimer* t = Earliest(INT64_MAX);
    return t ? fRunning.at(t).due - fNow : -1;
}

bool TManualClock::RunNext() {
    TTimer* t = Earliest(INT64_MAX);
    if (!t) return false;
    Advance(fRunning.at(t).due - fNow);
    return true;
}

void TManualClock::Advance(std::int64_t ms) {
    const std::int64_t target = fNow + ms;
    while (TTimer* t = Earliest(target)) {
        Slot& slot = fRunning.at(t);
        fNow = slot.due;
        // Periodic: the next period is counted before the handler runs, which may stop or restart it.
        slot.due = fNow + t->Interval();
        slot.order = fOrder++;
        t->Fire();
    }
    fNow = target;
}
