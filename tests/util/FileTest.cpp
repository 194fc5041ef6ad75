// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>

#include "support/TestFiles.h"
#include "util/File.h"

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

}  // namespace
}  // namespace vko
