#include "ManualClock.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Log {
    std::vector<std::pair<std::string, std::int64_t>> fired;
};

TEST(ManualClock, FiresPeriodicTimersInDueOrder) {
    TManualClock clock;
    Log log;
    TTimer a("a", &clock, 300, true), b("b", &clock, 200, true);
    a.OnTimer = [&] { log.fired.emplace_back("a", clock.Now()); };
    b.OnTimer = [&] { log.fired.emplace_back("b", clock.Now()); };
    clock.Advance(650);
    std::vector<std::pair<std::string, std::int64_t>> expected{
        {"b", 200}, {"a", 300}, {"b", 400}, {"a", 600}, {"b", 600}};
    // At 600 both are due: a was rescheduled at 300, b at 400, so a comes first.
    EXPECT_EQ(log.fired, expected);
    EXPECT_EQ(clock.Now(), 650);
    EXPECT_EQ(clock.NextDue(), 150);
}

TEST(ManualClock, RestartStopAndZeroInterval) {
    TManualClock clock;
    int ticks = 0;
    TTimer t("t", &clock, 1000, true);
    t.OnTimer = [&] { ++ticks; };
    clock.Advance(900);
    t.SetInterval(1000); // restarts the period
    clock.Advance(900);
    EXPECT_EQ(ticks, 0);
    clock.Advance(100);
    EXPECT_EQ(ticks, 1);
    t.SetEnabled(false);
    clock.Advance(5000);
    EXPECT_EQ(ticks, 1);
    t.SetInterval(0);
    t.SetEnabled(true); // interval 0: a window timer does not run
    EXPECT_EQ(clock.NextDue(), -1);
    EXPECT_FALSE(clock.RunNext());
}

TEST(ManualClock, HandlerMayStopOrRestartTimers) {
    TManualClock clock;
    std::vector<std::string> order;
    TTimer oneShot("init", &clock, 150, true), other("other", &clock, 100, false);
    oneShot.OnTimer = [&] {
        order.push_back("init");
        oneShot.SetEnabled(false);
        other.SetEnabled(true); // due 100 ms after the handler's moment
    };
    other.OnTimer = [&] { order.push_back("other@" + std::to_string(clock.Now())); };
    clock.Advance(400);
    EXPECT_EQ(order, (std::vector<std::string>{"init", "other@250", "other@350"}));
}

TEST(ManualClock, DestroyedTimerNeverFires) {
    TManualClock clock;
    int ticks = 0;
    {
        TTimer t("t", &clock, 10, true);
        t.OnTimer = [&] { ++ticks; };
    }
    clock.Advance(100);
    EXPECT_EQ(ticks, 0);
}

} // namespace
