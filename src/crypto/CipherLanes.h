#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "crypto/CipherStream.h"

namespace vko::crypto {

// A stretch of one run: length bytes from source to dest (dest may equal source).
struct LaneSlice {
    CipherStream* run;
    const uint8_t* source;
    uint8_t* dest;
    size_t length;
};

// Advances several runs side by side on one thread. A run alone waits for one BLAKE2b-512
// compression per 64-byte block, since each keystream block hashes the one before; independent
// runs fill the vector registers instead, one run per lane (8 with AVX-512, 4 with AVX2). Every
// kernel gives byte for byte the output and run states of each run's own Transform.
//
// The runs keep their state: a lane holds a run only during Transform, so runs are keyed and
// started as usual and can go on with their own Transform in between. Thread-safe as long as
// no run is used by two threads at once.
class CipherLanes {
public:
    enum class Kernel { kOneRun, kAvx2, kAvx512 };

    // The fastest kernel this processor runs. The environment variable VKO_CIPHER_KERNEL
    // ("one-run" or "avx2") caps the choice, to compare kernels in tests and benchmarks.
    [[nodiscard]] static Kernel Best() noexcept;
    [[nodiscard]] static bool Runs(Kernel kernel) noexcept;

    // A kernel the processor lacks is replaced by Best().
    explicit CipherLanes(Kernel kernel = Best()) noexcept;

    [[nodiscard]] Kernel Used() const noexcept { return kernel_; }
    // How many runs advance together.
    [[nodiscard]] size_t Width() const noexcept { return width_; }

    // Transforms each slice in its run, as slice.run->Transform(source, dest, length) would.
    // Slices take free lanes in order, and a lane whose slice ends takes the next one, so more
    // slices than lanes keep every lane busy. A run listed twice is transformed in list order.
    // The buffers of different slices must not overlap.
    void Transform(std::span<const LaneSlice> slices) const noexcept;

private:
    class Schedule;

    Kernel kernel_;
    size_t width_;
};

}  // namespace vko::crypto
