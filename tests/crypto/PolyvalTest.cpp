// SPDX-License-Identifier: GPL-3.0-or-later
// POLYVAL: every kernel this processor runs against RFC 8452's values, and against the portable
// kernel over inputs long enough to fill the kernels' groups of 8 and 16 blocks, fed in calls of
// any size.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "crypto/Polyval.h"
#include "crypto/VectorFile.h"

namespace vko::crypto {

namespace {

using test::Bytes;

std::vector<PolyvalKernel> KernelsHere() {
    std::vector<PolyvalKernel> kernels;
    for (PolyvalKernel k : kPolyvalKernels)
        if (PolyvalKernelRuns(k)) kernels.push_back(k);
    return kernels;
}

TEST(PolyvalTest, EveryKernelGivesRfc8452Values) {
    for (PolyvalKernel kernel : KernelsHere())
        for (const auto& v : test::ReadVectors("polyval.txt", 3)) {
            PolyvalKey key;
            SetPolyvalKey(key, v[0].data(), kernel);
            uint8_t acc[16] = {};
            PolyvalBlocks(key, acc, v[1].data(), v[1].size() / 16);
            EXPECT_EQ(test::ToHex(acc, 16), test::ToHex(v[2].data(), 16))
                << "kernel " << static_cast<int>(kernel) << ", " << v[1].size() << " bytes";
        }
}

TEST(PolyvalTest, KernelsAgreeOnLongInputsFedInPieces) {
    std::mt19937 gen(21);
    for (size_t blocks : {7, 8, 9, 16, 17, 31, 33, 100, 4097}) {
        Bytes h(16), input(16 * blocks);
        for (auto& b : h) b = static_cast<uint8_t>(gen());
        for (auto& b : input) b = static_cast<uint8_t>(gen());
        PolyvalKey portable;
        SetPolyvalKey(portable, h.data(), PolyvalKernel::kPortable);
        uint8_t expected[16] = {};
        PolyvalBlocks(portable, expected, input.data(), blocks);
        for (PolyvalKernel kernel : KernelsHere()) {
            PolyvalKey key;
            SetPolyvalKey(key, h.data(), kernel);
            uint8_t acc[16] = {};
            for (size_t done = 0, step; done < blocks; done += step) {
                step = std::min<size_t>(blocks - done, 1 + gen() % 40);
                PolyvalBlocks(key, acc, input.data() + 16 * done, step);
            }
            EXPECT_EQ(test::ToHex(acc, 16), test::ToHex(expected, 16))
                << "kernel " << static_cast<int>(kernel) << ", " << blocks << " blocks";
        }
    }
}

}  // namespace

}  // namespace vko::crypto
