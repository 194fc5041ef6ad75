// What vkx tells a script when a run cannot go ahead, and that such a run changes nothing.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/VkxRunner.h"
#include "support/TestFiles.h"

namespace vko::test {
namespace {

namespace fs = std::filesystem;

bool Mentions(const VkxResult& result, const std::string& text) {
    return result.err.find(text) != std::string::npos;
}

TEST(ExitCodes, BadArgumentsExitTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"create"},
        {"list"},
        {"extract"},
        {"create", "folder", "--password", "secret"},  // never taken from an argument
        {"create", "folder", "--bogus"},
        {"extract", "box.vkx", "-C"},
        {"list", "box.vkx", "extra"},
    };
    for (const auto& args : cases) {
        VkxResult result = RunVkx({args, {}, "pw", {}});
        std::string shown;
        for (const auto& arg : args) shown += arg + " ";
        EXPECT_EQ(result.exitCode, 2) << shown << result.err;
        EXPECT_FALSE(result.err.empty()) << shown;
        EXPECT_TRUE(result.out.empty()) << shown;
    }
}

TEST(ExitCodes, NoPasswordAndNoTerminalExitsTwoWithoutWriting) {
    TempDir work;
    MakeTree(work / "src", {{"a.txt", "a"}});
    WriteFile(work / "any.vkx", "x");
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"create", "src"}, {"list", "any.vkx"}, {"extract", "any.vkx", "-C", "out"}}) {
        VkxResult result = RunVkx({args, work.Str(), std::nullopt, {}});
        EXPECT_EQ(result.exitCode, 2) << args[0];
        EXPECT_TRUE(Mentions(result, "--password-file")) << result.err;
        EXPECT_TRUE(Mentions(result, "VKX_PASSWORD")) << result.err;
    }
    EXPECT_EQ(ReadTree(work.Str()), (Tree{{"src/a.txt", "a"}, {"any.vkx", "x"}}));
}

TEST(ExitCodes, FileSystemErrorsExitFourNamingThePath) {
    TempDir work;
    WriteFile(work / "plain.txt", "not a folder");
    const std::string missing = work / "missing";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"create", missing}, missing},
        {{"create", work / "plain.txt"}, work / "plain.txt"},
        {{"list", missing + ".vkx"}, missing + ".vkx"},
        {{"list", work.Str()}, work.Str()},
        {{"extract", missing + ".vkx", "-C", work / "out"}, missing + ".vkx"},
        {{"list", work / "plain.txt", "--password-file", missing}, missing},
    };
    for (const auto& [args, path] : cases) {
        VkxResult result = RunVkx({args, work.Str(), "pw", {}});
        EXPECT_EQ(result.exitCode, 4) << args[0] << " " << args[1] << ": " << result.err;
        EXPECT_TRUE(Mentions(result, path)) << result.err;
    }
    EXPECT_FALSE(fs::exists(work / "out"));
    EXPECT_FALSE(fs::exists(work / "missing.vkx"));
}

// The first line of the file counts, without its line ending; "-" reads standard input; the file
// wins over the environment, which wins over the terminal.
TEST(ExitCodes, PasswordSourcesAgreeOnOnePassword) {
    TempDir work;
    MakeTree(work / "src", {{"a.txt", "a"}});
    WriteFile(work / "pw.txt", "s3cret\r\nsecond line\n");
    VkxResult created =
        RunVkx({{"create", "src", "-q", "--password-file", "pw.txt"}, work.Str(), "ignored", {}});
    ASSERT_EQ(created.exitCode, 0) << created.err;

    EXPECT_EQ(RunVkx({{"list", "src.vkx"}, work.Str(), "s3cret", {}}).exitCode, 0);
    EXPECT_EQ(
        RunVkx({{"list", "src.vkx", "--password-file", "-"}, work.Str(), {}, "s3cret\n"}).exitCode,
        0);
    EXPECT_EQ(
        RunVkx({{"list", "src.vkx", "--password-file", "-"}, work.Str(), {}, "s3cret"}).exitCode,
        0);
    EXPECT_EQ(RunVkx({{"list", "src.vkx"}, work.Str(), "s3cret\r", {}}).exitCode, 1);

    WriteFile(work / "empty.txt", "\n");
    VkxResult empty = RunVkx(
        {{"create", "src", "-o", "other.vkx", "--password-file", "empty.txt"}, work.Str(), {}, {}});
    EXPECT_EQ(empty.exitCode, 2);
    EXPECT_TRUE(Mentions(empty, "Password not specified")) << empty.err;
    EXPECT_FALSE(fs::exists(work / "other.vkx"));
}

}  // namespace
}  // namespace vko::test
