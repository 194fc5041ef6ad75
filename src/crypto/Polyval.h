// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

namespace vko::crypto {

inline constexpr size_t kPolyvalBlockBytes = 16;
// The most blocks a kernel folds into one reduction (the AVX-512 kernel's 32).
inline constexpr size_t kPolyvalPowers = 32;

// Ways to multiply in POLYVAL's field: the portable one runs everywhere; the others need
// carry-less multiply (PCLMULQDQ) and, for two or four blocks per instruction, VPCLMULQDQ with
// AVX2 or AVX-512.
enum class PolyvalKernel { kPortable, kClmul, kAvx2, kAvx512 };
// Every kernel, slowest first (PolyvalKernelRuns says which this processor runs).
inline constexpr PolyvalKernel kPolyvalKernels[] = {PolyvalKernel::kPortable, PolyvalKernel::kClmul,
                                                    PolyvalKernel::kAvx2, PolyvalKernel::kAvx512};

// A POLYVAL key (RFC 8452) made ready for the kernels: H's powers under POLYVAL's product
// dot(a, b) = a b x^-128, highest first (powers[i] = H^(32 - i)), so that n blocks in a row are
// multiplied by H^n ... H^1 and summed with a single reduction. Key material: keep it in guarded
// memory.
struct PolyvalKey {
    uint8_t powers[kPolyvalPowers][kPolyvalBlockBytes];
    // Each power's two 64-bit halves XORed, for Karatsuba's middle product.
    uint64_t folded[kPolyvalPowers];
    PolyvalKernel kernel;
};

// The fastest kernel this processor runs. The environment variable VKO_POLYVAL_KERNEL
// ("portable", "clmul" or "avx2") caps the choice, to compare kernels in benchmarks.
[[nodiscard]] PolyvalKernel BestPolyvalKernel() noexcept;
[[nodiscard]] bool PolyvalKernelRuns(PolyvalKernel kernel) noexcept;

// Makes key from h, 16 bytes as RFC 8452 writes them. A kernel the processor lacks is replaced by
// the best it has.
void SetPolyvalKey(PolyvalKey& key, const uint8_t* h,
                   PolyvalKernel kernel = BestPolyvalKernel()) noexcept;

// Runs POLYVAL over count whole blocks: for each block X, acc = dot(acc xor X, H). acc is the
// 16-byte running value (all zero at the start), so a message may be fed in any number of calls.
void PolyvalBlocks(const PolyvalKey& key, uint8_t* acc, const uint8_t* blocks,
                   size_t count) noexcept;

}  // namespace vko::crypto
