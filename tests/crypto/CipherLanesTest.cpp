// Every keystream kernel against each run's own Transform, byte for byte. (That VKO_CIPHER_KERNEL
// caps the choice: ThreadCountTest.)
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "crypto/CipherLanes.h"
#include "support/TestFiles.h"

namespace {

using vko::crypto::CipherKey;
using vko::crypto::CipherLanes;
using vko::crypto::CipherStream;
using vko::crypto::LaneSlice;
using vko::test::RandomBytes;
using Kernel = CipherLanes::Kernel;

uint8_t* Bytes(std::string& s) {
    return reinterpret_cast<uint8_t*>(s.data());
}

// One run twice: once through the lanes, once alone through its own Transform.
struct TwinRun {
    CipherStream lanes;
    CipherStream alone;

    explicit TwinRun(std::mt19937& gen) {
        CipherKey key;
        for (auto& b : key.bytes) b = static_cast<uint8_t>(gen());
        lanes.Key(key);
        alone.Key(key);
        // Start anywhere in a block, with a chained state behind it.
        const size_t length = gen() % 200;
        Both(RandomBytes(length, gen()));
    }

    // Goes on with both alone; they must still agree.
    void Both(std::string bytes) {
        std::string copy = bytes;
        lanes.Transform(Bytes(bytes), Bytes(bytes), bytes.size());
        alone.Transform(Bytes(copy), Bytes(copy), copy.size());
        EXPECT_EQ(bytes, copy);
    }
};

struct Case {
    const char* what;
    size_t fewestRuns, mostRuns;
    size_t shortest, longest;
    bool listedTwice;
};

const Case kCases[] = {
    {"one to eight runs ending at different times", 1, 8, 0, 20'000, false},
    {"equal whole blocks on every lane", 8, 8, 4096, 4096, false},
    {"more runs than lanes: each lane refilled as its run ends", 40, 40, 0, 6000, false},
    {"slices within a block or two: heads and tails only", 16, 16, 0, 130, false},
    {"every run listed twice in one call", 6, 6, 0, 3000, true},
};

// One call's slices over count runs, every slice of random length, the odd ones in place.
struct Trial {
    std::vector<std::unique_ptr<TwinRun>> runs;
    std::vector<std::string> sources, outs;
    std::vector<LaneSlice> slices;

    Trial(const Case& c, size_t count, std::mt19937& gen) {
        for (size_t i = 0; i < count; ++i) runs.push_back(std::make_unique<TwinRun>(gen));
        const size_t total = (c.listedTwice ? 2 : 1) * count;
        sources.reserve(total);  // the slices point into these strings
        outs.reserve(total);
        for (size_t i = 0; i < total; ++i) {
            const size_t length = c.shortest + gen() % (c.longest - c.shortest + 1);
            sources.push_back(RandomBytes(length, gen()));
            const bool inPlace = i % 2 == 1;
            outs.push_back(inPlace ? sources.back() : std::string(length, '\0'));
            uint8_t* dest = Bytes(outs.back());
            slices.push_back(
                {&runs[i % count]->lanes, inPlace ? dest : Bytes(sources.back()), dest, length});
        }
    }

    // Each slice again through its twin run alone, in list order.
    void ExpectSameAlone() {
        for (size_t i = 0; i < slices.size(); ++i) {
            std::string expected = sources[i];
            runs[i % runs.size()]->alone.Transform(Bytes(expected), Bytes(expected),
                                                   expected.size());
            ASSERT_EQ(outs[i], expected) << "slice " << i;
        }
        for (auto& run : runs) run->Both(RandomBytes(300, 9));
    }
};

class CipherLanesTest : public ::testing::TestWithParam<Kernel> {
protected:
    void SetUp() override {
        if (!CipherLanes::Runs(GetParam())) GTEST_SKIP() << "this processor lacks the kernel";
        ASSERT_EQ(CipherLanes(GetParam()).Used(), GetParam());
    }
};

TEST_P(CipherLanesTest, MatchesEachRunAlone) {
    const CipherLanes lanes(GetParam());
    for (const Case& c : kCases)
        for (size_t count = c.fewestRuns; count <= c.mostRuns; ++count)
            for (uint32_t seed = 1; seed <= 3; ++seed) {
                SCOPED_TRACE(std::string(c.what) + ", " + std::to_string(count) + " runs, seed " +
                             std::to_string(seed));
                std::mt19937 gen(seed);
                Trial trial(c, count, gen);
                lanes.Transform(trial.slices);
                trial.ExpectSameAlone();
            }
}

std::string KernelName(const ::testing::TestParamInfo<Kernel>& kernel) {
    const char* names[] = {"OneRun", "Avx2", "Avx512"};
    return names[static_cast<int>(kernel.param)];
}

INSTANTIATE_TEST_SUITE_P(Kernels, CipherLanesTest,
                         ::testing::Values(Kernel::kOneRun, Kernel::kAvx2, Kernel::kAvx512),
                         KernelName);

}  // namespace
