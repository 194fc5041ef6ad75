// Ctrl-C while a box is being written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include "cli/VkxRunner.h"
#include "support/TestFiles.h"

namespace vko::test {
namespace {

namespace fs = std::filesystem;

bool HoldsPartialFile(const std::string& folder) {
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().string().ends_with(".vkpart")) return true;
    return false;
}

// Large enough that storing it takes a good fraction of a second; sparse, so it costs the test
// no disk writes to make.
void MakeLargeFolder(const std::string& folder) {
    MakeTree(folder, {{"small.txt", "small"}});
    fs::resize_file(fs::path(folder) / "small.txt", 0);
    WriteFile(folder + "/large.bin", "");
    fs::resize_file(fs::path(folder) / "large.bin", 256u << 20);
}

TEST(Cancel, CtrlCDuringCreateKeepsThePreviousBoxAndLeavesNoPartialFile) {
    TempDir work;
    MakeTree(work / "old", {{"a.txt", "the previous box"}});
    const std::string box = work / "boxes/target.vkx";
    ASSERT_EQ(RunVkx({{"create", work / "old", "-o", box, "-q"}, {}, "pw", {}}).exitCode, 0);
    const std::string previous = ReadFile(box);
    MakeLargeFolder(work / "large");

    VkxProcess create({{"create", work / "large", "-o", box, "-q"}, {}, "pw", {}});
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!HoldsPartialFile(work / "boxes") && create.Running() &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    create.Signal(SIGINT);
    VkxResult result = create.Wait();

    EXPECT_EQ(result.exitCode, 3) << result.err;
    EXPECT_NE(result.err.find("cancelled"), std::string::npos) << result.err;
    EXPECT_EQ(ReadFile(box), previous);
    EXPECT_FALSE(HoldsPartialFile(work / "boxes"));
}

}  // namespace
}  // namespace vko::test
