#include "QtTimerBackend.h"

#include <memory>

#include <gtest/gtest.h>

#include <QTest>

namespace {

TEST(QtTimerBackend, FiresPeriodicallyStopsAndRestarts) {
    TQtTimerBackend backend;
    TTimer timer("Timer_StateCnt", &backend, 10, false);
    int fired = 0;
    timer.OnTimer = [&] { ++fired; };
    EXPECT_FALSE(backend.IsRunning(timer));
    timer.SetEnabled(true);
    EXPECT_TRUE(backend.IsRunning(timer));
    EXPECT_TRUE(QTest::qWaitFor([&] { return fired >= 3; }, 5000));

    timer.SetEnabled(false);
    EXPECT_FALSE(backend.IsRunning(timer));
    const int stoppedAt = fired;
    QTest::qWait(40);
    EXPECT_EQ(fired, stoppedAt);

    // Interval 0 does not run, like a window timer.
    timer.SetInterval(0);
    timer.SetEnabled(true);
    EXPECT_FALSE(backend.IsRunning(timer));
    timer.SetInterval(5);
    EXPECT_TRUE(backend.IsRunning(timer));
    EXPECT_TRUE(QTest::qWaitFor([&] { return fired > stoppedAt; }, 5000));
}

TEST(QtTimerBackend, ATimerMayStopOrDeleteItselfInItsOwnHandler) {
    TQtTimerBackend backend;
    auto oneShot = std::make_unique<TTimer>("Timer_init", &backend, 5, true);
    int fired = 0;
    oneShot->OnTimer = [&] {
        ++fired;
        oneShot->SetEnabled(false);
    };
    auto gone = std::make_unique<TTimer>("gone", &backend, 5, true);
    bool goneFired = false;
    gone->OnTimer = [&] {
        goneFired = true;
        gone.reset();
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return fired == 1 && goneFired; }, 5000));
    QTest::qWait(30);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(gone, nullptr);
}

} // namespace
