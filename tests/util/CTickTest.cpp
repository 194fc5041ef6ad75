#include <gtest/gtest.h>

#include "util/CTick.h"

namespace vko {
namespace {

// A stopwatch on a clock the test moves by hand.
struct ManualClock {
    int32_t now = 0;
    CTick tick{[this] { return now; }};
};

TEST(CTick, AccumulatesOnlyActiveTimeAcrossPauses) {
    ManualClock clock;
    clock.tick.StartTick();
    clock.now += 1500;
    clock.tick.StopTick();
    clock.now += 10000;  // paused
    clock.tick.RestartTick();
    clock.now += 2600;
    clock.tick.StopTick();
    EXPECT_EQ(clock.tick.ElapsedTicks(), 4100);
    EXPECT_EQ(clock.tick.ElapsedSeconds(), 4);

    // Stopping again adds the time since the last start again; sampling disturbs nothing.
    clock.now += 300;
    EXPECT_EQ(clock.tick.GetRealElapsedTicks(), 2900);
    clock.tick.StopTick();
    EXPECT_EQ(clock.tick.ElapsedTicks(), 4100 + 2900);
}

TEST(CTick, MeasuresAcrossTheCounterWrap) {
    ManualClock clock{-1};                            // 4,294,967,295 as an unsigned count
    EXPECT_EQ(clock.tick.GetRealElapsedTicks(), -1);  // never started: the counter itself
    clock.tick.StartTick();
    clock.now = 0;
    EXPECT_EQ(clock.tick.GetRealElapsedTicks(), 1);
    clock.now = 249;
    clock.tick.StopTick();
    EXPECT_EQ(clock.tick.ElapsedTicks(), 250);
}

}  // namespace
}  // namespace vko
