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

// Ctrl-C while a box is written, or while a file is extracted over an older one: the run ends
// as cancelled (exit 3), the previous box or file is untouched, and no partial file is left.
TEST(Cancel, CtrlCKeepsWhatWasThereAndLeavesNoPartialFile) {
    TempDir work;
    MakeTree(work / "old", {{"large.bin", "the previous file"}});
    const std::string box = work / "boxes/target.vkx";
    ASSERT_EQ(RunVkx({{"create", work / "old", "-o", box, "-q"}, {}, "pw", {}}).exitCode, 0);
    MakeLargeFolder(work / "large");
    ASSERT_EQ(RunVkx({{"create", work / "large", "-o", work / "large.vkx", "-z", "-q"}, {}, "pw", {}})
                  .exitCode,
              0);
    const std::string out = work / "out";
    MakeTree(out, {{"large.bin", "the previous file"}});
    const struct {
        std::vector<std::string> args;
        std::string watched, kept, keptBytes;
    } cases[] = {
        {{"create", work / "large", "-o", box, "-q"}, work / "boxes", box, ReadFile(box)},
        {{"extract", work / "large.vkx", "-C", out, "-q"}, out, out + "/large.bin",
         "the previous file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0]);
        VkxProcess run({c.args, {}, "pw", {}});
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!HoldsPartialFile(c.watched) && run.Running() &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        run.Signal(SIGINT);
        VkxResult result = run.Wait();
        EXPECT_EQ(result.exitCode, 3) << result.err;
        EXPECT_NE(result.err.find("cancelled"), std::string::npos) << result.err;
        EXPECT_EQ(ReadFile(c.kept), c.keptBytes);
        EXPECT_FALSE(HoldsPartialFile(c.watched));
    }
}

}  // namespace
}  // namespace vko::test
