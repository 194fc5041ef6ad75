// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <numeric>
#include <thread>
#include <vector>

#include "support/TestFiles.h"
#include "util/File.h"
#include "util/FileFaults.h"

namespace fs = std::filesystem;

namespace vko {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

class FileTest : public ::testing::Test {
protected:
    // The folder holds nothing but the box: no temporary was left behind.
    [[nodiscard]] bool OnlyTheBox() const {
        for (const auto& entry : fs::directory_iterator(dir.Path()))
            if (entry.path().filename() != "box.vkx") return false;
        return true;
    }

    TempDir dir;
};

// The target is replaced only on commit; an abandoned file leaves it alone. (A failed write or
// read at every byte of a create or an extraction: InterruptSweepTest; temporaries of dead
// processes: TargetSafetyTest.)
TEST_F(FileTest, AtomicFileReplacesTheTargetOnlyOnCommit) {
    WriteFile(dir / "box.vkx", "old box");
    {
        AtomicFile file(dir / "box.vkx");
        file.Out().Write("new box, not finished");
        EXPECT_EQ(ReadFile(dir / "box.vkx"), "old box");
    }
    EXPECT_EQ(ReadFile(dir / "box.vkx"), "old box");
    EXPECT_TRUE(OnlyTheBox());

    AtomicFile file(dir / "box.vkx");
    file.Out().Write("new box");
    file.Commit();
    EXPECT_EQ(ReadFile(dir / "box.vkx"), "new box");
    EXPECT_TRUE(OnlyTheBox());
}

// Workers read at once, so a fault budget shared by threads lets through exactly its bytes:
// spent twice, the sweeps' strikes would move and a short budget could let a run finish.
TEST(FileFaultsTest, ThreadsSpendOneBudgetExactly) {
    constexpr int64_t kBudget = 600'000;
    // A lost update needs two calls to meet between load and store; several rounds make it near
    // certain that a budget spent twice shows.
    for (int round = 0; round < 8; ++round) {
        const bool reads = round % 2 == 0;
        reads ? FileFaults::FailReadsAfter(kBudget) : FileFaults::FailWritesAfter(kBudget);
        std::vector<int64_t> passed(4, 0);
        std::vector<std::thread> threads;
        std::atomic<bool> go{false};  // all start together, so that their calls overlap
        for (int64_t& sum : passed)
            threads.emplace_back([&sum, &go, reads] {
                while (!go.load()) std::this_thread::yield();
                for (int k = 0; k < 200'000; ++k)
                    sum += static_cast<int64_t>(reads ? FileFaults::AllowRead(1)
                                                      : FileFaults::AllowWrite(1));
            });
        go.store(true);
        for (std::thread& thread : threads) thread.join();
        FileFaults::Reset();
        EXPECT_EQ(std::accumulate(passed.begin(), passed.end(), int64_t{0}), kBudget) << reads;
    }
}

}  // namespace
}  // namespace vko
