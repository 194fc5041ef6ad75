#include "util/CTick.h"

#include <gtest/gtest.h>

namespace vko {
namespace {

// A clock the test moves by hand.
struct ManualClock {
    int32_t now = 0;
    CTick Watch() {
        return CTick([this] { return now; });
    }
};

TEST(CTick, AccumulatesOnlyActiveTimeAcrossPauses) {
    ManualClock clock;
    CTick tick = clock.Watch();
    tick.StartTick();
    clock.now += 1500;
    tick.StopTick();
    clock.now += 10000;  // paused
    tick.RestartTick();
    clock.now += 2600;
    tick.StopTick();
    EXPECT_EQ(tick.ElapsedTicks(), 4100);
    EXPECT_EQ(tick.ElapsedSeconds(), 4);
}

TEST(CTick, NewStopwatchReadsZeroElapsedAndTheCounterItself) {
    ManualClock clock{123456};
    CTick tick = clock.Watch();
    EXPECT_EQ(tick.ElapsedTicks(), 0);
    EXPECT_EQ(tick.GetRealElapsedTicks(), 123456);
}

TEST(CTick, MinutesRoundDown) {
    ManualClock clock;
    CTick tick = clock.Watch();
    tick.StartTick();
    clock.now += 59999;
    tick.StopTick();
    EXPECT_EQ(tick.ElapsedMinutes(), 0);
    tick.StartTick();
    clock.now += 60000;
    tick.StopTick();
    EXPECT_EQ(tick.ElapsedMinutes(), 1);
}

TEST(CTick, MeasuresAcrossTheCounterWrap) {
    ManualClock clock{-1};  // 4,294,967,295 as an unsigned count
    CTick tick = clock.Watch();
    tick.StartTick();
    clock.now = 0;
    EXPECT_EQ(tick.GetRealElapsedTicks(), 1);
    clock.now = 249;
    tick.StopTick();
    EXPECT_EQ(tick.ElapsedTicks(), 250);
}

TEST(CTick, SamplingDoesNotDisturbTheRunningReading) {
    ManualClock clock;
    CTick tick = clock.Watch();
    tick.StartTick();
    clock.now += 700;
    tick.StopTick();  // leaves start alone
    clock.now += 300;
    EXPECT_EQ(tick.GetRealElapsedTicks(), 1000);
    tick.StopTick();  // adds the time since the last start again
    EXPECT_EQ(tick.ElapsedTicks(), 1700);
}

TEST(CTick, SystemCounterAdvances) {
    CTick tick;
    tick.StartTick();
    EXPECT_GE(tick.GetRealElapsedTicks(), 0);
}

}  // namespace
}  // namespace vko
