// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>

namespace vko {

// Milliseconds since an arbitrary start, truncated to 32 bits and read as a signed value,
// so that it wraps exactly like the classic tick counter.
[[nodiscard]] int32_t SystemTickCount();

// A millisecond stopwatch that accumulates time across stop and restart. All differences are
// 32-bit signed subtractions, so a measurement across the counter's wrap stays correct.
class CTick {
public:
    using Clock = std::function<int32_t()>;

    explicit CTick(Clock clock = SystemTickCount);

    void RestartTick();  // start = now; elapsed unchanged
    void StartTick();    // elapsed = 0; start = now
    void StopTick();     // elapsed += now - start; start unchanged

    [[nodiscard]] int32_t GetRealElapsedTicks() const;  // now - start
    [[nodiscard]] int32_t ElapsedTicks() const;
    [[nodiscard]] int32_t ElapsedSeconds() const;
    [[nodiscard]] int32_t ElapsedMinutes() const;

private:
    Clock clock_;
    int32_t start_ = 0;
    int32_t elapsed_ = 0;
};

}  // namespace vko
