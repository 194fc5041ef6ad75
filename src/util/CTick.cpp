// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/CTick.h"

#include <chrono>
#include <cmath>

namespace vko {

namespace {

// Differences wrap like the 32-bit counter they come from.
int32_t Difference(int32_t later, int32_t earlier) {
    return static_cast<int32_t>(static_cast<uint32_t>(later) - static_cast<uint32_t>(earlier));
}

}  // namespace

int32_t SystemTickCount() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
    return static_cast<int32_t>(static_cast<uint32_t>(ms));
}

CTick::CTick(Clock clock) : clock_(std::move(clock)) {}

void CTick::RestartTick() { start_ = clock_(); }

void CTick::StartTick() {
    elapsed_ = 0;
    start_ = clock_();
}

void CTick::StopTick() {
    elapsed_ = static_cast<int32_t>(static_cast<uint32_t>(elapsed_) +
                                    static_cast<uint32_t>(Difference(clock_(), start_)));
}

int32_t CTick::GetRealElapsedTicks() const { return Difference(clock_(), start_); }

int32_t CTick::ElapsedTicks() const { return elapsed_; }

int32_t CTick::ElapsedSeconds() const {
    return static_cast<int32_t>(std::floor(static_cast<double>(elapsed_) / 1000.0));
}

int32_t CTick::ElapsedMinutes() const {
    return static_cast<int32_t>(std::floor(static_cast<double>(elapsed_) / 60000.0));
}

}  // namespace vko
