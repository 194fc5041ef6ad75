// POLYVAL with PCLMULQDQ: up to eight blocks multiplied by H^8 ... H^1, their 256-bit products
// summed, and one reduction for the eight. Compiled with -mpclmul -msse4.1; called only where the
// processor has them.
#if defined(__PCLMUL__) && defined(__SSE4_1__)

#include <immintrin.h>

#include "crypto/PolyvalKernels.h"
#include "crypto/PolyvalReduce.h"

namespace vko::crypto {

namespace {

constexpr size_t kGroup = 8;

__m128i Load(const uint8_t* p) noexcept {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

}  // namespace

void PolyvalBlocksClmul(const PolyvalPowers& powers, uint8_t* acc, const uint8_t* blocks,
                        size_t count) noexcept {
    __m128i s = Load(acc);
    while (count > 0) {
        // No std::min: no template instance compiled here may be shared with portable code.
        const size_t n = count < kGroup ? count : kGroup;
        // Block j of the n meets H^(n - j), which stands at powers[16 - n + j].
        const uint8_t* h = powers[kPolyvalPowers - n];
        WideProduct w = MultiplyClmul(_mm_xor_si128(s, Load(blocks)), Load(h));
        for (size_t j = 1; j < n; ++j)
            w = AddProduct(w, MultiplyClmul(Load(blocks + 16 * j), Load(h + 16 * j)));
        s = ReduceClmul(w);
        blocks += 16 * n;
        count -= n;
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(acc), s);
}

}  // namespace vko::crypto

#endif
