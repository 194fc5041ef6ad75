// A box whose contents were changed after it was written: nothing in it proves them intact, so
// the damage shows only when a compressed stream fails to expand, and vkx must not call that
// run a success.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/VkxRunner.h"
#include "support/TestFiles.h"

namespace vko::test {
namespace {

namespace fs = std::filesystem;

TEST(DamagedBox, AFileThatCannotBeExpandedFailsTheRunAndIsNotWritten) {
    TempDir work;
    std::string text;
    for (int i = 0; i < 4000; ++i) text += "line " + std::to_string(i) + " of the report\n";
    MakeTree(work / "src", {{"report.txt", text}, {"b.txt", "intact"}});
    const std::string box = work / "src.vkx";
    ASSERT_EQ(RunVkx({{"create", work / "src", "-o", box, "-z", "-q"}, {}, "pw", {}}).exitCode, 0);

    // report.txt is stored last (files are taken in name order); change a byte in the middle of
    // its stream, well before the length trailer.
    std::string bytes = ReadFile(box);
    bytes[bytes.size() - 200] ^= 0x55;
    WriteFile(box, bytes);

    // Without a terminal the "Abort?" question is answered Yes.
    VkxResult whole = RunVkx({{"extract", box, "-C", work / "whole", "-q"}, {}, "pw", {}});
    EXPECT_EQ(whole.exitCode, 1) << whole.err;
    EXPECT_NE(whole.err.find("Error Decompression"), std::string::npos) << whole.err;
    EXPECT_FALSE(fs::exists(work / "whole/report.txt"));

    VkxResult chosen = RunVkx(
        {{"extract", box, "-C", work / "chosen", "-q", "b.txt", "report.txt"}, {}, "pw", {}});
    EXPECT_EQ(chosen.exitCode, 1) << chosen.err;
    EXPECT_NE(chosen.err.find("Error Decompressing"), std::string::npos) << chosen.err;
    EXPECT_EQ(ReadFile(work / "chosen/b.txt"), "intact");
    EXPECT_FALSE(fs::exists(work / "chosen/report.txt"));
}

}  // namespace
}  // namespace vko::test
