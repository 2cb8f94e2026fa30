#pragma once
// The form's timers on QTimer: each TTimer gets one QTimer on the GUI thread.
#include <map>

#include <QObject>
#include <QTimer>

#include "Timers.h"

class TQtTimerBackend final : public ITimerBackend {
public:
    TQtTimerBackend();
    ~TQtTimerBackend() override;
    TQtTimerBackend(const TQtTimerBackend&) = delete;
    TQtTimerBackend& operator=(const TQtTimerBackend&) = delete;

    void Start(TTimer& timer) override;
    void Stop(TTimer& timer) override;
    void Remove(TTimer& timer) override;

    bool IsRunning(const TTimer& timer) const;

private:
    QObject fOwner;
    std::map<const TTimer*, QTimer*> fTimers;
};
