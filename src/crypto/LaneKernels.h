#pragma once

#include <cstddef>
#include <cstdint>

// The keystream kernels behind CipherLanes, each compiled for its instruction set in a file of
// its own and called only where the processor has that set.
namespace vko::crypto {

// One lane of a kernel: a run that stands at a block boundary, and where its next blocks come
// from and go to. An idle lane (dest null) repeats another lane's pointers; it is computed
// but neither stored nor written back, so that a kernel never branches on the lane count.
struct LaneBlocks {
    uint8_t* in;         // the run's K || h || acc, 128 bytes
    uint8_t* keystream;  // the run's current keystream block, 64 bytes
    const uint8_t* source;
    uint8_t* dest;
};

inline constexpr size_t kAvx2Lanes = 4;
inline constexpr size_t kAvx512Lanes = 8;

// Transforms blocks whole 64-byte blocks on every lane of lanes[kAvx2Lanes] and
// lanes[kAvx512Lanes], leaving each run's state as its own block-by-block transform would.
void TransformLanesAvx2(const LaneBlocks* lanes, size_t blocks) noexcept;
void TransformLanesAvx512(const LaneBlocks* lanes, size_t blocks) noexcept;

}  // namespace vko::crypto
