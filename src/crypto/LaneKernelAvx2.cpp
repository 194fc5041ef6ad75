// Built with AVX2 where the target is x86-64 (see CMakeLists.txt); called only where the
// processor has it.
#if defined(__AVX2__)

#include <immintrin.h>

#include "crypto/KeystreamColumns.h"

namespace vko::crypto {

namespace {

// Four lanes, one 64-bit word of each in a ymm register; each lane's 64-byte block is two
// register rows (words 0..3 and 4..7).
struct Avx2 {
    using Vector = __m256i;
    static constexpr size_t kLanes = kAvx2Lanes;

    static Vector Set1(uint64_t x) noexcept {
        return _mm256_set1_epi64x(static_cast<long long>(x));
    }
    static Vector Add(Vector a, Vector b) noexcept { return _mm256_add_epi64(a, b); }
    static Vector Xor(Vector a, Vector b) noexcept { return _mm256_xor_si256(a, b); }
    static Vector MinU8(Vector a, Vector b) noexcept { return _mm256_min_epu8(a, b); }

    // Without a rotate instruction: whole-byte rotations are byte shuffles, and by 63 is a
    // left shift by one (an add) with the top bit brought round.
    template <int N>
    static Vector Ror(Vector x) noexcept {
        if constexpr (N == 32) {
            return _mm256_shuffle_epi32(x, _MM_SHUFFLE(2, 3, 0, 1));
        } else if constexpr (N == 24) {
            return _mm256_shuffle_epi8(
                x, _mm256_setr_epi8(3, 4, 5, 6, 7, 0, 1, 2, 11, 12, 13, 14, 15, 8, 9, 10, 3, 4, 5,
                                    6, 7, 0, 1, 2, 11, 12, 13, 14, 15, 8, 9, 10));
        } else if constexpr (N == 16) {
            return _mm256_shuffle_epi8(
                x, _mm256_setr_epi8(2, 3, 4, 5, 6, 7, 0, 1, 10, 11, 12, 13, 14, 15, 8, 9, 2, 3, 4,
                                    5, 6, 7, 0, 1, 10, 11, 12, 13, 14, 15, 8, 9));
        } else {
            static_assert(N == 63);
            return _mm256_xor_si256(_mm256_srli_epi64(x, 63), _mm256_add_epi64(x, x));
        }
    }

    // 4x4 words: pairs of rows interleaved, then 128-bit halves. Its own inverse.
    static void Transpose(const Vector* r, Vector* c) noexcept {
        const Vector t0 = _mm256_unpacklo_epi64(r[0], r[1]);
        const Vector t1 = _mm256_unpackhi_epi64(r[0], r[1]);
        const Vector t2 = _mm256_unpacklo_epi64(r[2], r[3]);
        const Vector t3 = _mm256_unpackhi_epi64(r[2], r[3]);
        c[0] = _mm256_permute2x128_si256(t0, t2, 0x20);
        c[1] = _mm256_permute2x128_si256(t1, t3, 0x20);
        c[2] = _mm256_permute2x128_si256(t0, t2, 0x31);
        c[3] = _mm256_permute2x128_si256(t1, t3, 0x31);
    }

    static Vector Load(const uint8_t* p) noexcept {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i_u*>(p));
    }

    static void LoadColumns(const uint8_t* const* rows, size_t offset, Vector* columns) noexcept {
#pragma GCC unroll 8
        for (size_t half = 0; half < 2; ++half) {
            Vector r[kLanes];
#pragma GCC unroll 8
            for (size_t j = 0; j < kLanes; ++j) r[j] = Load(rows[j] + offset + 32 * half);
            Transpose(r, columns + 4 * half);
        }
    }

    static void StoreColumns(const Vector* columns, uint8_t* const* rows, size_t offset) noexcept {
#pragma GCC unroll 8
        for (size_t half = 0; half < 2; ++half) {
            Vector r[kLanes];
            Transpose(columns + 4 * half, r);
#pragma GCC unroll 8
            for (size_t j = 0; j < kLanes; ++j)
                if (rows[j])
                    _mm256_storeu_si256(reinterpret_cast<__m256i_u*>(rows[j] + offset + 32 * half),
                                        r[j]);
        }
    }
};

}  // namespace

void TransformLanesAvx2(const LaneBlocks* lanes, size_t blocks) noexcept {
    columns::Transform<Avx2>(lanes, blocks);
    // Registers keep key material after the kernel returns, until a signal frame or lazy
    // symbol binding saves them to the stack.
    _mm256_zeroall();
}

}  // namespace vko::crypto

#endif
