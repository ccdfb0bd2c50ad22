#include <gtest/gtest.h>
#include <memory>

#include "app/simpletimer.h"
#include "apptestutil.h"

TEST(SimpleTimer, IntervalZeroCannotStart) {
    TSimpleTimer t(0, [](TSimpleTimer&) {});
    EXPECT_FALSE(t.Start());
    t.SetEnabled(true);
    EXPECT_FALSE(t.Enabled());
    EXPECT_FALSE(t.Running());
}

TEST(SimpleTimer, TicksWhileEnabledAndStopsWhenDisabled) {
    int ticks = 0;
    TSimpleTimer t(10, [&](TSimpleTimer&) { ++ticks; });
    EXPECT_EQ(t.Interval(), 10u);
    EXPECT_FALSE(t.Enabled());
    t.SetEnabled(true);
    EXPECT_TRUE(t.Enabled());
    EXPECT_TRUE(WaitFor([&] { return ticks >= 3; }, 2000));
    t.SetEnabled(false);
    EXPECT_FALSE(t.Enabled());
    int seen = ticks;
    Spin(60);
    EXPECT_EQ(ticks, seen);
    EXPECT_FALSE(t.Stop(true)); // not running
}

TEST(SimpleTimer, IntervalChangesAndAutoDisable) {
    int ticks = 0;
    TSimpleTimer t;
    EXPECT_EQ(t.Interval(), 1000u);
    t.SetOnTimer([&](TSimpleTimer&) { ++ticks; });
    ASSERT_TRUE(t.Start());
    // A new interval restarts the running timer at once with the new period.
    t.SetInterval(10);
    EXPECT_TRUE(WaitFor([&] { return ticks >= 2; }, 500));
    // An interval of 0 stops the ticks but leaves it enabled; a new interval resumes them.
    t.SetInterval(0);
    EXPECT_TRUE(t.Enabled());
    EXPECT_FALSE(t.Running());
    int seen = ticks;
    Spin(40);
    EXPECT_EQ(ticks, seen);
    t.SetInterval(10);
    EXPECT_TRUE(WaitFor([&] { return ticks > seen; }, 500));
    // Clearing the event stops the ticks.
    t.SetOnTimer({});
    EXPECT_FALSE(t.Running());
    EXPECT_TRUE(t.Enabled());

    // AutoDisable: one tick, then disabled.
    int once = 0;
    TSimpleTimer a(5, [&](TSimpleTimer& s) {
        ++once;
        EXPECT_FALSE(s.Enabled());
    });
    a.SetAutoDisable(true);
    a.SetEnabled(true);
    EXPECT_TRUE(WaitFor([&] { return once == 1; }, 500));
    Spin(30);
    EXPECT_EQ(once, 1);
}

TEST(SimpleTimer, SharedHandlerLivesWithTheTimers) {
    ASSERT_EQ(TSimpleTimerHandler::Instance(), nullptr);
    auto a = std::make_unique<TSimpleTimer>();
    auto b = std::make_unique<TSimpleTimer>();
    EXPECT_NE(TSimpleTimerHandler::Instance(), nullptr);
    a.reset();
    EXPECT_NE(TSimpleTimerHandler::Instance(), nullptr);
    b.reset();
    EXPECT_EQ(TSimpleTimerHandler::Instance(), nullptr);

    // The last timer destroyed inside its own tick.
    auto c = std::make_unique<TSimpleTimer>();
    bool fired = false;
    c->SetOnTimer([&](TSimpleTimer&) {
        fired = true;
        c.reset();
    });
    c->SetInterval(5);
    c->SetEnabled(true);
    EXPECT_TRUE(WaitFor([&] { return fired; }, 500));
    EXPECT_EQ(TSimpleTimerHandler::Instance(), nullptr);
    TSimpleTimer d(5, {});
    EXPECT_NE(TSimpleTimerHandler::Instance(), nullptr);
}
