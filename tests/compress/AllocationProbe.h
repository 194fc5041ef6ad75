#pragma once

#include <cstddef>

namespace vko::test {

// The largest single allocation since the last reset (this test program only).
void ResetLargestAllocation();
[[nodiscard]] size_t LargestAllocation();

}  // namespace vko::test
