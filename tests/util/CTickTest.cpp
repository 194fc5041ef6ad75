// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "util/CTick.h"

namespace vko {
namespace {

// The tick counter wraps after 49.7 days; a run that spans the wrap still measures its time.
// (Paused time left out of the total: the job tests of the desktop.)
TEST(CTick, MeasuresAcrossTheCounterWrap) {
    int32_t now = -1;  // 4,294,967,295 as an unsigned count
    CTick tick{[&now] { return now; }};
    EXPECT_EQ(tick.GetRealElapsedTicks(), -1);  // never started: the counter itself
    tick.StartTick();
    now = 0;
    EXPECT_EQ(tick.GetRealElapsedTicks(), 1);
    now = 249;
    tick.StopTick();
    EXPECT_EQ(tick.ElapsedTicks(), 250);
}

}  // namespace
}  // namespace vko
