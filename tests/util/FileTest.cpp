#include "util/File.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <vector>

#include "support/TestFiles.h"
#include "util/Failure.h"

namespace fs = std::filesystem;

namespace vko {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// Files in a folder other than the given ones (temporaries left behind show up here).
std::vector<std::string> Leftovers(const TempDir& dir, const std::set<std::string>& expected) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir.Path())) {
        const auto name = entry.path().filename().string();
        if (!expected.count(name)) found.push_back(name);
    }
    return found;
}

class FileTest : public ::testing::Test {
protected:
    void TearDown() override { FileFaults::Reset(); }
    TempDir dir;
};

TEST_F(FileTest, ReadsWhatWasWrittenAndSeeks) {
    {
        OutputFile out(dir / "f.bin");
        out.Write("hello world");
        out.Seek(6);
        out.Write("WORLD");
        out.Close();
    }
    InputFile in(dir / "f.bin");
    EXPECT_EQ(in.Length(), 11);
    char buffer[16] = {};
    in.Seek(6);
    EXPECT_EQ(in.Read(buffer, sizeof buffer), 5u);
    EXPECT_EQ(std::string(buffer, 5), "WORLD");
    EXPECT_THROW(in.ReadExactly(buffer, 1), Failure);
}

TEST_F(FileTest, OpeningAMissingFileNamesThePath) {
    try {
        InputFile in(dir / "missing.bin");
        FAIL() << "opened a missing file";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.Number(), FailureNumber::kFileNotFound);
        EXPECT_NE(std::string(failure.what()).find("missing.bin"), std::string::npos);
    }
}

TEST_F(FileTest, AtomicFileReplacesTheTargetOnlyOnCommit) {
    WriteFile(dir / "box.vkx", "old box");
    {
        AtomicFile file(dir / "box.vkx");
        file.Out().Write("new box, not finished");
        EXPECT_EQ(ReadFile(dir / "box.vkx"), "old box");
    }  // abandoned
    EXPECT_EQ(ReadFile(dir / "box.vkx"), "old box");
    EXPECT_TRUE(Leftovers(dir, {"box.vkx"}).empty());

    AtomicFile file(dir / "box.vkx");
    file.Out().Write("new box");
    file.Commit();
    EXPECT_EQ(ReadFile(dir / "box.vkx"), "new box");
    EXPECT_TRUE(Leftovers(dir, {"box.vkx"}).empty());
}

TEST_F(FileTest, TemporaryNameIsHiddenAndRecognisable) {
    AtomicFile file(dir / "box.vkx");
    const auto name = fs::path(file.TempPath()).filename().string();
    EXPECT_EQ(name.rfind(".box.vkx.", 0), 0u) << name;
    EXPECT_EQ(fs::path(name).extension(), AtomicFile::kTempSuffix);
    EXPECT_EQ(fs::path(file.TempPath()).parent_path(), dir.Path());
}

TEST_F(FileTest, StaleTemporariesOfDeadProcessesAreRemoved) {
    // pid 2^22 + 1 is above the default pid_max, so no process owns it.
    const std::string stale = dir / (".box.vkx.4194305.0" + std::string(AtomicFile::kTempSuffix));
    const std::string live =
        dir / (".box.vkx." + std::to_string(getppid()) + ".0" + AtomicFile::kTempSuffix);
    const std::string other = dir / (".notes.txt.4194305.0" + std::string(AtomicFile::kTempSuffix));
    for (const auto& path : {stale, live, other}) WriteFile(path, "x");
    AtomicFile::RemoveStaleTemps(dir / "box.vkx");
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(live));
    EXPECT_TRUE(fs::exists(other));
}

TEST_F(FileTest, InjectedWriteFaultStrikesAfterTheGivenBytes) {
    WriteFile(dir / "box.vkx", "old box");
    FileFaults::FailWritesAfter(5);
    try {
        AtomicFile file(dir / "box.vkx");
        file.Out().Write("12345");
        file.Out().Write("6");
        FAIL() << "the sixth byte was written";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.Number(), FailureNumber::kDiskFull);
    }
    EXPECT_EQ(ReadFile(dir / "box.vkx"), "old box");
    EXPECT_TRUE(Leftovers(dir, {"box.vkx"}).empty());
}

TEST_F(FileTest, InjectedReadFaultStrikesAfterTheGivenBytes) {
    WriteFile(dir / "data", std::string(100, 'x'));
    InputFile in(dir / "data");
    FileFaults::FailReadsAfter(10);
    char buffer[8];
    EXPECT_EQ(in.Read(buffer, 8), 8u);
    EXPECT_THROW((void)in.Read(buffer, 8), Failure);
}

}  // namespace
}  // namespace vko
