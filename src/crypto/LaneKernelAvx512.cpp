// Built with AVX-512F and AVX-512BW where the target is x86-64 (see CMakeLists.txt); called
// only where the processor has both.
#if defined(__AVX512F__) && defined(__AVX512BW__)

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

#include "crypto/KeystreamColumns.h"

namespace vko::crypto {

namespace {

// Eight lanes, one 64-bit word of each in a zmm register; each lane's 64-byte block is one
// register row.
struct Avx512 {
    using Vector = __m512i;
    static constexpr size_t kLanes = kAvx512Lanes;

    static Vector Set1(uint64_t x) noexcept { return _mm512_set1_epi64(static_cast<long long>(x)); }
    static Vector Add(Vector a, Vector b) noexcept { return _mm512_add_epi64(a, b); }
    static Vector Xor(Vector a, Vector b) noexcept { return _mm512_xor_si512(a, b); }
    static Vector MinU8(Vector a, Vector b) noexcept { return _mm512_min_epu8(a, b); }
    template <int N>
    static Vector Ror(Vector x) noexcept {
        return _mm512_ror_epi64(x, N);
    }

    // 8x8 words, its own inverse: words of row pairs interleaved, then 128-bit pieces of
    // those, then 256-bit halves.
    static void Transpose(const Vector* r, Vector* c) noexcept {
        // t[i], t[i + 1] (i even): the even and the odd words of rows i and i + 1, in pairs.
        Vector t[8];
#pragma GCC unroll 4
        for (int i = 0; i < 8; i += 2) {
            t[i] = _mm512_unpacklo_epi64(r[i], r[i + 1]);
            t[i + 1] = _mm512_unpackhi_epi64(r[i], r[i + 1]);
        }
        // u[k], u[k + 4] (k < 4): words k and k + 4 of rows 0..3, and of rows 4..7.
        const Vector evenPieces = _mm512_set_epi64(13, 12, 5, 4, 9, 8, 1, 0);
        const Vector oddPieces = _mm512_set_epi64(15, 14, 7, 6, 11, 10, 3, 2);
        Vector u[8];
#pragma GCC unroll 8
        for (int k = 0; k < 8; ++k) {
            const int a = k / 4 * 4 + k % 2;
            u[k] = _mm512_permutex2var_epi64(t[a], k % 4 < 2 ? evenPieces : oddPieces, t[a + 2]);
        }
#pragma GCC unroll 4
        for (int k = 0; k < 4; ++k) {
            c[k] = _mm512_shuffle_i64x2(u[k], u[k + 4], 0x44);
            c[k + 4] = _mm512_shuffle_i64x2(u[k], u[k + 4], 0xee);
        }
    }

    static void LoadColumns(const uint8_t* const* rows, size_t offset, Vector* columns) noexcept {
        Vector r[8];
#pragma GCC unroll 8
        for (size_t j = 0; j < kLanes; ++j) r[j] = _mm512_loadu_si512(rows[j] + offset);
        Transpose(r, columns);
    }

    static void StoreColumns(const Vector* columns, uint8_t* const* rows, size_t offset) noexcept {
        Vector r[8];
        Transpose(columns, r);
#pragma GCC unroll 8
        for (size_t j = 0; j < kLanes; ++j)
            if (rows[j]) _mm512_storeu_si512(rows[j] + offset, r[j]);
    }
};

// Registers keep key material after the kernel returns, and vzeroupper leaves zmm16..31
// whole, until lazy symbol binding or a signal frame saves them all to the stack.
void ClearVectorRegisters() noexcept {
    asm volatile(
        "vzeroall\n\t"
        "vpxord %%xmm16, %%xmm16, %%xmm16\n\tvpxord %%xmm17, %%xmm17, %%xmm17\n\t"
        "vpxord %%xmm18, %%xmm18, %%xmm18\n\tvpxord %%xmm19, %%xmm19, %%xmm19\n\t"
        "vpxord %%xmm20, %%xmm20, %%xmm20\n\tvpxord %%xmm21, %%xmm21, %%xmm21\n\t"
        "vpxord %%xmm22, %%xmm22, %%xmm22\n\tvpxord %%xmm23, %%xmm23, %%xmm23\n\t"
        "vpxord %%xmm24, %%xmm24, %%xmm24\n\tvpxord %%xmm25, %%xmm25, %%xmm25\n\t"
        "vpxord %%xmm26, %%xmm26, %%xmm26\n\tvpxord %%xmm27, %%xmm27, %%xmm27\n\t"
        "vpxord %%xmm28, %%xmm28, %%xmm28\n\tvpxord %%xmm29, %%xmm29, %%xmm29\n\t"
        "vpxord %%xmm30, %%xmm30, %%xmm30\n\tvpxord %%xmm31, %%xmm31, %%xmm31" ::
            : "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7", "xmm8", "xmm9",
              "xmm10", "xmm11", "xmm12", "xmm13", "xmm14", "xmm15", "xmm16", "xmm17", "xmm18",
              "xmm19", "xmm20", "xmm21", "xmm22", "xmm23", "xmm24", "xmm25", "xmm26", "xmm27",
              "xmm28", "xmm29", "xmm30", "xmm31");
}

}  // namespace

void TransformLanesAvx512(const LaneBlocks* lanes, size_t blocks) noexcept {
    columns::Transform<Avx512>(lanes, blocks);
    ClearVectorRegisters();
}

}  // namespace vko::crypto

#endif
