#pragma once

#include <cstddef>
#include <cstdint>

#include "crypto/Blake2bConstants.h"
#include "crypto/LaneKernels.h"

// The keystream step of several runs side by side, generic over a file's vector operations.
// Runs are held in columns: vector i holds word i of every lane, so the BLAKE2b rounds are the
// scalar ones on vectors; only blocks moving between memory and registers are transposed.
//
// Included only by kernel files compiled for wider instruction sets. Everything here is a
// template on those files' operations (types with internal linkage), so no copy of a function
// built with those instructions can be chosen by the linker for code that must run anywhere.
namespace vko::crypto::columns {

// Ops provides: Vector, kLanes, Set1, Add, Xor, Ror<n>, MinU8 (bytewise unsigned minimum), and
// LoadColumns / StoreColumns, which move 64 bytes per lane between rows[lane] + offset and
// eight columns (StoreColumns skips null rows).
#define VKO_COLUMNS_INLINE [[gnu::always_inline]] inline

inline constexpr size_t kBlockBytes = 64;

template <class Ops, int A, int B, int C, int D, class V = typename Ops::Vector>
VKO_COLUMNS_INLINE void G(V* v, V x, V y) noexcept {
    v[A] = Ops::Add(Ops::Add(v[A], v[B]), x);
    v[D] = Ops::template Ror<32>(Ops::Xor(v[D], v[A]));
    v[C] = Ops::Add(v[C], v[D]);
    v[B] = Ops::template Ror<24>(Ops::Xor(v[B], v[C]));
    v[A] = Ops::Add(Ops::Add(v[A], v[B]), y);
    v[D] = Ops::template Ror<16>(Ops::Xor(v[D], v[A]));
    v[C] = Ops::Add(v[C], v[D]);
    v[B] = Ops::template Ror<63>(Ops::Xor(v[B], v[C]));
}

template <class Ops, int R = 0, class V = typename Ops::Vector>
VKO_COLUMNS_INLINE void Rounds(V* v, const V* m) noexcept {
    constexpr const uint8_t* s = blake2b::kSigma[R];
    G<Ops, 0, 4, 8, 12>(v, m[s[0]], m[s[1]]);
    G<Ops, 1, 5, 9, 13>(v, m[s[2]], m[s[3]]);
    G<Ops, 2, 6, 10, 14>(v, m[s[4]], m[s[5]]);
    G<Ops, 3, 7, 11, 15>(v, m[s[6]], m[s[7]]);
    G<Ops, 0, 5, 10, 15>(v, m[s[8]], m[s[9]]);
    G<Ops, 1, 6, 11, 12>(v, m[s[10]], m[s[11]]);
    G<Ops, 2, 7, 8, 13>(v, m[s[12]], m[s[13]]);
    G<Ops, 3, 4, 9, 14>(v, m[s[14]], m[s[15]]);
    if constexpr (R + 1 < blake2b::kRounds) Rounds<Ops, R + 1>(v, m);
}

// BLAKE2b-512 of one 128-byte block per lane: m holds the block's 16 words, digest gets 8.
template <class Ops, class V = typename Ops::Vector>
VKO_COLUMNS_INLINE void Compress(const V* m, V* digest) noexcept {
    V v[16];
#pragma GCC unroll 8
    for (int i = 0; i < 8; ++i) {
        v[i] = Ops::Set1(blake2b::kChainStart[i]);
        v[i + 8] = Ops::Set1(blake2b::kIv[i]);
    }
    v[12] = Ops::Set1(blake2b::kIv[4] ^ blake2b::kCounter);
    v[14] = Ops::Set1(blake2b::kIv[6] ^ blake2b::kFinal);
    Rounds<Ops>(v, m);
#pragma GCC unroll 8
    for (int i = 0; i < 8; ++i)
        digest[i] = Ops::Xor(Ops::Set1(blake2b::kChainStart[i]), Ops::Xor(v[i], v[i + 8]));
}

// One block per lane: c = p ^ ks, acc = min(p, c), h = the first half of ks, then the next
// keystream block is the hash of K || h || acc. m[0..3] holds K throughout.
template <class Ops, class V = typename Ops::Vector>
VKO_COLUMNS_INLINE void Step(const uint8_t* const* source, uint8_t* const* dest, size_t offset,
                             V* m, V* keystream) noexcept {
    V plain[8];
    Ops::LoadColumns(source, offset, plain);
    V out[8];
#pragma GCC unroll 8
    for (int w = 0; w < 8; ++w) {
        out[w] = Ops::Xor(plain[w], keystream[w]);
        m[8 + w] = Ops::MinU8(plain[w], out[w]);
    }
    Ops::StoreColumns(out, dest, offset);
#pragma GCC unroll 4
    for (int w = 0; w < 4; ++w) m[4 + w] = keystream[w];
    Compress<Ops>(m, keystream);
}

template <class Ops>
void Transform(const LaneBlocks* lanes, size_t blocks) noexcept {
    using V = typename Ops::Vector;
    constexpr size_t kLanes = Ops::kLanes;
    const uint8_t* in[kLanes];
    const uint8_t* keystreamIn[kLanes];
    const uint8_t* source[kLanes];
    uint8_t* inOut[kLanes];
    uint8_t* keystreamOut[kLanes];
    uint8_t* dest[kLanes];
    for (size_t j = 0; j < kLanes; ++j) {
        const bool active = lanes[j].dest != nullptr;
        in[j] = lanes[j].in;
        keystreamIn[j] = lanes[j].keystream;
        source[j] = lanes[j].source;
        inOut[j] = active ? lanes[j].in : nullptr;
        keystreamOut[j] = active ? lanes[j].keystream : nullptr;
        dest[j] = lanes[j].dest;
    }
    V m[16];
    V keystream[8];
    Ops::LoadColumns(in, 0, m);
    Ops::LoadColumns(in, kBlockBytes, m + 8);
    Ops::LoadColumns(keystreamIn, 0, keystream);
    for (size_t block = 0; block < blocks; ++block)
        Step<Ops>(source, dest, kBlockBytes * block, m, keystream);
    Ops::StoreColumns(m, inOut, 0);
    Ops::StoreColumns(m + 8, inOut, kBlockBytes);
    Ops::StoreColumns(keystream, keystreamOut, 0);
}

#undef VKO_COLUMNS_INLINE

}  // namespace vko::crypto::columns
