// SPDX-License-Identifier: GPL-3.0-or-later
#include "crypto/Polyval.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "crypto/PolyvalKernels.h"

namespace vko::crypto {

PolyvalKernel BestPolyvalKernel() noexcept {
    PolyvalKernel best = PolyvalKernel::kAvx512;
    if (const char* cap = std::getenv("VKO_POLYVAL_KERNEL")) {
        const std::string_view name(cap);
        if (name == "portable") best = PolyvalKernel::kPortable;
        if (name == "clmul") best = PolyvalKernel::kClmul;
        if (name == "avx2") best = PolyvalKernel::kAvx2;
    }
    if (best == PolyvalKernel::kAvx512 && !PolyvalKernelRuns(best)) best = PolyvalKernel::kAvx2;
    if (best == PolyvalKernel::kAvx2 && !PolyvalKernelRuns(best)) best = PolyvalKernel::kClmul;
    if (best == PolyvalKernel::kClmul && !PolyvalKernelRuns(best)) best = PolyvalKernel::kPortable;
    return best;
}

bool PolyvalKernelRuns(PolyvalKernel kernel) noexcept {
#ifdef VKO_POLYVAL_KERNELS
    __builtin_cpu_init();
    switch (kernel) {
        case PolyvalKernel::kAvx512:
            return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
                   __builtin_cpu_supports("vpclmulqdq") && __builtin_cpu_supports("pclmul");
        case PolyvalKernel::kAvx2:
            return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("vpclmulqdq") &&
                   __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
        case PolyvalKernel::kClmul:
            return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
        case PolyvalKernel::kPortable:
            return true;
    }
#endif
    return kernel == PolyvalKernel::kPortable;
}

void SetPolyvalKey(PolyvalKey& key, const uint8_t* h, PolyvalKernel kernel) noexcept {
    key.kernel = PolyvalKernelRuns(kernel) ? kernel : BestPolyvalKernel();
    uint8_t* power = key.powers[kPolyvalPowers - 1];
    std::memcpy(power, h, kPolyvalBlockBytes);
    for (size_t i = kPolyvalPowers - 1; i-- > 0; power -= kPolyvalBlockBytes)
        PolyvalDotPortable(power, h, key.powers[i]);
    for (size_t i = 0; i < kPolyvalPowers; ++i) {
        uint64_t halves[2];
        std::memcpy(halves, key.powers[i], sizeof halves);
        key.folded[i] = halves[0] ^ halves[1];
    }
}

void PolyvalBlocks(const PolyvalKey& key, uint8_t* acc, const uint8_t* blocks,
                   size_t count) noexcept {
    switch (key.kernel) {
#ifdef VKO_POLYVAL_KERNELS
        case PolyvalKernel::kAvx512:
            return PolyvalBlocksAvx512(key.powers, acc, blocks, count);
        case PolyvalKernel::kAvx2:
            return PolyvalBlocksAvx2(key, acc, blocks, count);
        case PolyvalKernel::kClmul:
            return PolyvalBlocksClmul(key, acc, blocks, count);
#endif
        default:
            return PolyvalBlocksPortable(key.powers, acc, blocks, count);
    }
}

}  // namespace vko::crypto
