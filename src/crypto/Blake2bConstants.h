// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

// The constants of an unkeyed BLAKE2b-512 over exactly one 128-byte block, shared by the
// one-block hash and the keystream kernels that run several such hashes side by side.
namespace vko::crypto::blake2b {

inline constexpr int kRounds = 12;

inline constexpr uint64_t kIv[8] = {
    0x6a09e667f3bcc908ULL, 0xbb67ae8584caa73bULL, 0x3c6ef372fe94f82bULL, 0xa54ff53a5f1d36f1ULL,
    0x510e527fade682d1ULL, 0x9b05688c2b3e6c1fULL, 0x1f83d9abfb41bd6bULL, 0x5be0cd19137e2179ULL};

// Parameter block of an unkeyed 64-byte digest: digest length 64, key length 0, fanout 1,
// depth 1; everything else 0. Only the first word differs from the IV, so the chain value
// before the block is the IV with this folded into word 0.
inline constexpr uint64_t kParam0 = 0x01010040ULL;
inline constexpr uint64_t kChainStart[8] = {kIv[0] ^ kParam0, kIv[1], kIv[2], kIv[3],
                                            kIv[4],           kIv[5], kIv[6], kIv[7]};

// One block that is also the last: counter 128, final flag set.
inline constexpr uint64_t kCounter = 128;
inline constexpr uint64_t kFinal = ~uint64_t{0};

inline constexpr uint8_t kSigma[kRounds][16] = {
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
    {14, 10, 4, 8, 9, 15, 13, 6, 1, 12, 0, 2, 11, 7, 5, 3},
    {11, 8, 12, 0, 5, 2, 15, 13, 10, 14, 3, 6, 7, 1, 9, 4},
    {7, 9, 3, 1, 13, 12, 11, 14, 2, 6, 5, 10, 4, 0, 15, 8},
    {9, 0, 5, 7, 2, 4, 10, 15, 14, 1, 11, 12, 6, 8, 3, 13},
    {2, 12, 6, 10, 0, 11, 8, 3, 4, 13, 7, 5, 15, 14, 1, 9},
    {12, 5, 1, 15, 14, 13, 4, 10, 0, 7, 6, 3, 9, 2, 8, 11},
    {13, 11, 7, 14, 12, 1, 3, 9, 5, 0, 15, 4, 8, 6, 2, 10},
    {6, 15, 14, 9, 11, 3, 0, 8, 12, 2, 13, 7, 1, 4, 10, 5},
    {10, 2, 8, 4, 7, 6, 1, 5, 15, 11, 9, 14, 3, 12, 13, 0},
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
    {14, 10, 4, 8, 9, 15, 13, 6, 1, 12, 0, 2, 11, 7, 5, 3},
};

}  // namespace vko::crypto::blake2b
