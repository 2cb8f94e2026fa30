#include "RealTimeTimers.h"

#include <algorithm>
#include <vector>

void TRealTimeTimers::Start(TTimer& timer) {
    fRunning[&timer] = Slot{clock::now() + std::chrono::milliseconds(timer.Interval()), fOrder++};
}

void TRealTimeTimers::Stop(TTimer& timer) {
    fRunning.erase(&timer);
}

void TRealTimeTimers::Remove(TTimer& timer) {
    fRunning.erase(&timer);
}

int TRealTimeTimers::RunDue() {
    const auto now = clock::now();
    // Take the due ones first: a handler may start, stop or destroy timers.
    std::vector<std::pair<Slot, TTimer*>> due;
    for (const auto& [timer, slot] : fRunning)
        if (slot.due <= now) due.emplace_back(slot, timer);
    std::sort(due.begin(), due.end(), [](const auto& a, const auto& b) {
        return a.first.due != b.first.due ? a.first.due < b.first.due : a.first.order < b.first.order;
    });
    int fired = 0;
    for (const auto& [slot, timer] : due) {
        auto it = fRunning.find(timer);
        // Stopped, restarted or gone meanwhile: not this period's tick any more.
        if (it == fRunning.end() || it->second.order != slot.order) continue;
        it->second = Slot{now + std::chrono::milliseconds(timer->Interval()), fOrder++};
        timer->Fire();
        ++fired;
    }
    return fired;
}

TRealTimeTimers::clock::duration TRealTimeTimers::UntilNext() const {
    auto best = clock::duration::max();
    const auto now = clock::now();
    for (const auto& [timer, slot] : fRunning) {
        auto d = slot.due <= now ? clock::duration::zero() : slot.due - now;
        if (d < best) best = d;
    }
    return best;
}
