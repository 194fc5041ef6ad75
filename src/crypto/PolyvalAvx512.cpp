// POLYVAL with VPCLMULQDQ on AVX-512 registers: sixteen blocks in four registers of four,
// multiplied lane by lane by H^16 ... H^1, the products summed across lanes, and one reduction
// for the sixteen. Compiled with -mavx512f -mavx512vl -mvpclmulqdq -mpclmul; called only where
// the processor has them. No standard-library template is used here, so that no instance
// compiled for AVX-512 can be linked into portable code.
#if defined(__VPCLMULQDQ__) && defined(__AVX512F__) && defined(__AVX512VL__)

// GCC 12's AVX-512 header fills the unused result of many intrinsics with a self-initialised
// value, which its own uninitialised-value warnings then flag inside the header.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>
#pragma GCC diagnostic pop
#else
#include <immintrin.h>
#endif

#include "crypto/PolyvalKernels.h"
#include "crypto/PolyvalReduce.h"

namespace vko::crypto {

namespace {

constexpr size_t kGroup = 16;

__m128i FoldLanes(__m512i v) noexcept {
    const __m256i half =
        _mm256_xor_si256(_mm512_castsi512_si256(v), _mm512_extracti64x4_epi64(v, 1));
    return _mm_xor_si128(_mm256_castsi256_si128(half), _mm256_extracti128_si256(half, 1));
}

// The 64-bit lanes of the blocks first .. first + 3 that exist among n.
__mmask8 LaneMask(size_t first, size_t n) noexcept {
    if (n <= first) return 0;
    const size_t blocks = n - first >= 4 ? 4 : n - first;
    return static_cast<__mmask8>((1u << (2 * blocks)) - 1);
}

}  // namespace

void PolyvalBlocksAvx512(const PolyvalPowers& powers, uint8_t* acc, const uint8_t* blocks,
                         size_t count) noexcept {
    __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(acc));
    while (count > 0) {
        const size_t n = count < kGroup ? count : kGroup;
        // Block j of the n meets H^(n - j), which stands at powers[16 - n + j]. Missing blocks
        // load as zero (masked loads read nothing past the end) and add nothing.
        const uint8_t* h = powers[kPolyvalPowers - n];
        __m512i lo = _mm512_setzero_si512(), mid = lo, hi = lo;
        for (size_t r = 0; r < kGroup / 4; ++r) {
            const __mmask8 mask = LaneMask(4 * r, n);
            if (mask == 0) break;
            __m512i x = _mm512_maskz_loadu_epi64(mask, blocks + 64 * r);
            if (r == 0) x = _mm512_xor_si512(x, _mm512_zextsi128_si512(s));
            const __m512i y = _mm512_maskz_loadu_epi64(mask, h + 64 * r);
            lo = _mm512_xor_si512(lo, _mm512_clmulepi64_epi128(x, y, 0x00));
            hi = _mm512_xor_si512(hi, _mm512_clmulepi64_epi128(x, y, 0x11));
            mid = _mm512_ternarylogic_epi64(mid, _mm512_clmulepi64_epi128(x, y, 0x01),
                                            _mm512_clmulepi64_epi128(x, y, 0x10), 0x96);
        }
        s = ReduceClmul({FoldLanes(lo), FoldLanes(mid), FoldLanes(hi)});
        blocks += 16 * n;
        count -= n;
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(acc), s);
}

}  // namespace vko::crypto

#endif
