#include "QtTimerBackend.h"

TQtTimerBackend::TQtTimerBackend() = default;

TQtTimerBackend::~TQtTimerBackend() {
    // The QTimers are children of fOwner and go with it; none may fire into a freed TTimer.
    for (auto& [timer, qtimer] : fTimers) qtimer->disconnect();
}

void TQtTimerBackend::Start(TTimer& timer) {
    QTimer*& qtimer = fTimers[&timer];
    if (!qtimer) {
        qtimer = new QTimer(&fOwner);
        qtimer->setTimerType(Qt::PreciseTimer);
        TTimer* target = &timer;
        QObject::connect(qtimer, &QTimer::timeout, qtimer, [target] { target->Fire(); });
    }
    qtimer->start(timer.Interval());
}

void TQtTimerBackend::Stop(TTimer& timer) {
    const auto it = fTimers.find(&timer);
    if (it != fTimers.end()) it->second->stop();
}

void TQtTimerBackend::Remove(TTimer& timer) {
    const auto it = fTimers.find(&timer);
    if (it == fTimers.end()) return;
    QTimer* qtimer = it->second;
    fTimers.erase(it);
    qtimer->stop();
    qtimer->disconnect();
    // The timer may be removed from inside its own timeout.
    qtimer->deleteLater();
}

bool TQtTimerBackend::IsRunning(const TTimer& timer) const {
    const auto it = fTimers.find(&timer);
    return it != fTimers.end() && it->second->isActive();
}
