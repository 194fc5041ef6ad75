// SPDX-License-Identifier: GPL-3.0-or-later
// What vkx tells a script when a run cannot go ahead or is cancelled, and that such a run changes
// nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <tuple>

#include "cli/VkxRunner.h"
#include "support/TestFiles.h"

namespace vko::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Args = std::vector<std::string>;

bool Mentions(const VkxResult& result, const std::string& text) {
    return result.err.find(text) != std::string::npos;
}

// Passes for a box until a password is tried: a version byte and room for a header.
const std::string kCouldBeBox = "\x01" + std::string(10, 'x');

TEST(ExitCodes, BadArgumentsExitTwo) {
    const std::pair<Args, std::string> cases[] = {
        {{}, ""},
        {{"frobnicate"}, "unknown command \"frobnicate\""},
        {{"craete", "folder"}, "did you mean create?"},
        {{"create"}, ""},
        {{"list"}, ""},
        {{"extract"}, ""},
        {{"create", "folder", "--password", "secret"}, ""},  // never taken from an argument
        {{"create", "folder", "--bogus"}, ""},
        {{"create", "folder", "--threads", "0"}, "--threads"},
        {{"extract", "box.vkx", "-C"}, ""},
        {{"list", "box.vkx", "extra"}, ""},
        {{"extract", "box.vkx", "--overwrite", "--skip-existing"}, "exclude each other"},
        {{"create", "folder", "-o", "-"}, "standard output"},  // a box is not written in one pass
    };
    for (const auto& [args, mention] : cases) {
        VkxResult result = RunVkx({args, {}, "pw", {}});
        const std::string shown = args.empty() ? "(none)" : args.back();
        EXPECT_EQ(result.exitCode, 2) << shown << ": " << result.err;
        EXPECT_FALSE(result.err.empty()) << shown;
        EXPECT_TRUE(Mentions(result, mention)) << result.err;
        EXPECT_TRUE(result.out.empty()) << shown;
    }
}

TEST(ExitCodes, NoPasswordAndNoTerminalExitsTwoWithoutWriting) {
    TempDir work;
    MakeTree(work / "src", {{"a.txt", "a"}});
    WriteFile(work / "any.vkx", kCouldBeBox);
    for (const auto& args : {Args{"create", "src"}, Args{"list", "any.vkx"},
                             Args{"extract", "any.vkx", "-C", "out"}}) {
        VkxResult result = RunVkx({args, work.Str(), std::nullopt, {}});
        EXPECT_EQ(result.exitCode, 2) << args[0];
        EXPECT_TRUE(Mentions(result, "--password-file")) << result.err;
        EXPECT_TRUE(Mentions(result, "VKX_PASSWORD")) << result.err;
    }
    EXPECT_EQ(ReadTree(work.Str()), (Tree{{"src/a.txt", "a"}, {"any.vkx", kCouldBeBox}}));
}

// Missing or unusable paths exit 4, a file that cannot be a box 1; each names its path before
// any password is asked. Only a regular file is ever replaced by a box: never a pipe.
TEST(ExitCodes, UnusablePathsExitFourOrOneNamingThePath) {
    TempDir work;
    WriteFile(work / "plain.txt", "not a folder");
    WriteFile(work / "box.vkx", kCouldBeBox);
    MakeTree(work / "src", {{"a.txt", "a"}});
    ASSERT_EQ(mkfifo((work / "pipe").c_str(), 0600), 0);
    const std::string missing = work / "missing";
    const std::tuple<Args, std::string, int> cases[] = {
        {{"create", missing}, missing, 4},
        {{"create", work / "plain.txt"}, work / "plain.txt", 4},
        {{"create", work / "src", "-o", work / "pipe"}, work / "pipe", 4},
        {{"list", missing + ".vkx"}, missing + ".vkx", 4},
        {{"list", work.Str()}, work.Str(), 4},
        {{"list", work / "pipe"}, work / "pipe", 4},
        {{"list", work / "plain.txt"}, work / "plain.txt\" is not a box", 1},
        {{"extract", missing + ".vkx", "-C", work / "out"}, missing + ".vkx", 4},
        {{"list", work / "box.vkx", "--password-file", missing}, missing, 4},
    };
    for (const auto& [args, path, code] : cases) {
        VkxResult result = RunVkx({args, work.Str(), "pw", {}});
        EXPECT_EQ(result.exitCode, code) << args[0] << " " << args[1] << ": " << result.err;
        EXPECT_TRUE(Mentions(result, path)) << result.err;
    }
    EXPECT_FALSE(fs::exists(work / "out"));
    EXPECT_FALSE(fs::exists(work / "missing.vkx"));
    EXPECT_TRUE(fs::is_fifo(work / "pipe"));
}

// What vkx writes on standard output must arrive: a full disk or a closed descriptor is an
// error (exit 4) even when the work itself was done.
TEST(ExitCodes, OutputThatCannotBeWrittenExitsFour) {
    TempDir work;
    MakeTree(work / "src", {{"a.txt", "a"}});
    ASSERT_EQ(RunVkx({{"create", "src", "-q"}, work.Str(), "pw", {}}).exitCode, 0);
    const std::tuple<Args, std::string, std::string> cases[] = {
        {{"list", "src.vkx"}, "/dev/full", "No space left on device: standard output"},
        {{"list", "src.vkx", "--json"}, "-", "Bad file descriptor: standard output"},
        {{"--help"}, "/dev/full", "standard output"},
        {{"create", "src", "-o", "again.vkx"}, "-", "standard output"},
    };
    for (const auto& [args, to, message] : cases) {
        VkxResult result = RunVkx({args, work.Str(), "pw", {}, to});
        EXPECT_EQ(result.exitCode, 4) << args[0] << " > " << to << ": " << result.err;
        EXPECT_TRUE(Mentions(result, message)) << result.err;
    }
    EXPECT_EQ(ReadFile(work / "src.vkx").size(), fs::file_size(work / "again.vkx"));
}

// The first line of the file counts, without its line ending; "-" reads standard input; the file
// wins over the environment, which wins over the terminal.
TEST(ExitCodes, PasswordSourcesAgreeOnOnePassword) {
    TempDir work;
    MakeTree(work / "src", {{"a.txt", "a"}});
    WriteFile(work / "pw.txt", "s3cret\r\nsecond line\n");
    const auto run = [&](const Args& args, std::optional<std::string> env, std::string input) {
        return RunVkx({args, work.Str(), std::move(env), std::move(input)});
    };
    ASSERT_EQ(run({"create", "src", "-q", "--password-file", "pw.txt"}, "ignored", {}).exitCode, 0);
    EXPECT_EQ(run({"list", "src.vkx"}, "s3cret", {}).exitCode, 0);
    EXPECT_EQ(run({"list", "src.vkx", "--password-file", "-"}, {}, "s3cret\n").exitCode, 0);
    EXPECT_EQ(run({"list", "src.vkx", "--password-file", "-"}, {}, "s3cret").exitCode, 0);
    EXPECT_EQ(run({"list", "src.vkx"}, "s3cret\r", {}).exitCode, 1);

    WriteFile(work / "empty.txt", "\n");
    VkxResult empty =
        run({"create", "src", "-o", "other.vkx", "--password-file", "empty.txt"}, {}, {});
    EXPECT_EQ(empty.exitCode, 2);
    EXPECT_TRUE(Mentions(empty, "Password not specified")) << empty.err;
    EXPECT_FALSE(fs::exists(work / "other.vkx"));
}

// A create that leaves files out names each on stderr and exits 5, with the rest boxed; hidden
// files are left out by default, and only counted. (More than 65,535 folders, exit 6: the engine's
// FolderCountTest; a box of more than 2 GiB in all: CreateLimitsTest.)
TEST(ExitCodes, CreateTellsWhatItLeftOut) {
    using Make = std::function<void(const std::string& src)>;
    const struct {
        Make make;
        Args extra;
        int exitCode;
        std::string said;  // on stderr, or at the end of the summary for exit 0
    } rows[] = {
        {[](const std::string& src) { fs::create_symlink(src + "/no", src + "/gone"); },
         {},
         5,
         "src/gone: a symbolic link to nothing"},
        {[](const std::string& src) {
             MakeTree(src, {{".env", "e"}, {".git/c", "c"}});
         },
         {},
         0,
         "; 1 hidden file and 1 hidden folder left out (--hidden boxes them)\n"},
        {[](const std::string& src) { WriteFile(src + "/.env", "e"); },
         {"--hidden"},
         0,
         " seconds\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.said);
        TempDir work;
        MakeTree(work / "src", {{"a.txt", "a"}});
        row.make(work / "src");
        Args args{"create", "src"};
        args.insert(args.end(), row.extra.begin(), row.extra.end());
        VkxResult result = RunVkx({args, work.Str(), "pw", {}});
        EXPECT_EQ(result.exitCode, row.exitCode) << result.err;
        EXPECT_TRUE(row.exitCode == 0 ? result.out.ends_with(row.said) : Mentions(result, row.said))
            << result.out << result.err;
        const std::string listed = RunVkx({{"list", "src.vkx"}, work.Str(), "pw", {}}).out;
        EXPECT_NE(listed.find("a.txt"), std::string::npos) << listed;
        EXPECT_EQ(listed.find(".env") != std::string::npos, !row.extra.empty()) << listed;
    }
}

// The number on the line of /proc/PID/status that starts with key; -1 once the process is gone.
long StatusField(pid_t pid, const std::string& key) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with(key)) return std::stol(line.substr(key.size()));
    return -1;
}

// Once read, the password is gone from the environment that /proc shows of the process (and
// that a child would inherit): looked at while the key is being derived, long after the read.
TEST(ExitCodes, ThePasswordLeavesTheEnvironmentOnceRead) {
    TempDir work;
    MakeTree(work / "src", {{"a.txt", "a"}});
    const std::string password = "env-only s3cret";
    ASSERT_EQ(RunVkx({{"create", "src", "-q"}, work.Str(), password, {}}).exitCode, 0);
    VkxProcess list({{"list", "src.vkx"}, work.Str(), password, {}});
    // The key derivation fills 64 MiB; by then the password was read long ago.
    while (list.Running() && StatusField(list.Pid(), "VmRSS:") < 48 * 1024)
        std::this_thread::sleep_for(1ms);
    const std::string environment =
        list.Running() ? ReadFile("/proc/" + std::to_string(list.Pid()) + "/environ") : "";
    EXPECT_EQ(list.Wait().exitCode, 0);
    if (environment.empty()) GTEST_SKIP() << "vkx ended before it could be looked at";
    EXPECT_EQ(environment.find(password), std::string::npos);
}

bool HoldsPartialFile(const std::string& folder) {
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().string().ends_with(".vkpart")) return true;
    return false;
}

// Whether process pid is writing a file in folder: a named temporary there, or an anonymous one,
// which /proc shows as "<folder>/#<inode> (deleted)".
bool WritesInto(pid_t pid, const std::string& folder) {
    std::error_code error;
    for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
        const std::string file = fs::read_symlink(fd.path(), error).string();
        if (file.starts_with(folder + "/") &&
            (file.ends_with(" (deleted)") || file.ends_with(".vkpart")))
            return true;
    }
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

// A password file that is a named pipe blocks vkx in open() until someone writes to it;
// Ctrl-C there is a cancel like any other.
TEST(ExitCodes, CtrlCWhileWaitingForAPasswordPipeExitsThree) {
    TempDir work;
    WriteFile(work / "box.vkx", kCouldBeBox);
    ASSERT_EQ(mkfifo((work / "pipe").c_str(), 0600), 0);
    VkxProcess list({{"list", "box.vkx", "--password-file", "pipe"}, work.Str(), {}, {}});
    const std::string wchan = "/proc/" + std::to_string(list.Pid()) + "/wchan";
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (list.Running() && ReadFile(wchan) != "wait_for_partner" &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    list.Signal(SIGINT);
    const auto stopBy = std::chrono::steady_clock::now() + 30s;
    while (list.Running() && std::chrono::steady_clock::now() < stopBy)
        std::this_thread::sleep_for(1ms);
    ASSERT_FALSE(list.Running()) << "Ctrl-C did not end the wait";
    VkxResult result = list.Wait();
    EXPECT_EQ(result.exitCode, 3) << result.err;
}

// Ctrl-C (or SIGTERM) while a box is written, or while a file is extracted over an older one: the run ends
// as cancelled (exit 3), the previous box or file is untouched, and no partial file is left.
// Killed outright (kill -9) it leaves no temporary file behind either. Both runs ask for more
// worker threads than the default, and get them.
TEST(ExitCodes, CtrlCExitsThreeKeepingWhatWasThereAndLeavesNoPartialFile) {
    TempDir work;
    MakeTree(work / "old", {{"large.bin", "the previous file"}});
    const std::string box = work / "boxes/target.vkx";
    ASSERT_EQ(RunVkx({{"create", work / "old", "-o", box, "-q"}, {}, "pw", {}}).exitCode, 0);
    MakeLargeFolder(work / "large");
    ASSERT_EQ(
        RunVkx({{"create", work / "large", "-o", work / "large.vkx", "-z", "-q"}, {}, "pw", {}})
            .exitCode,
        0);
    const std::string out = work / "out";
    MakeTree(out, {{"large.bin", "the previous file"}});
    const long workers = std::thread::hardware_concurrency() + 2;
    const std::string threads = std::to_string(workers);
    const struct {
        std::vector<std::string> args;
        std::string watched, kept, keptBytes;
        std::vector<int> signals{SIGINT, SIGKILL};
    } cases[] = {
        {{"create", work / "large", "-o", box, "-q", "--threads", threads},
         work / "boxes",
         box,
         ReadFile(box),
         {SIGINT, SIGTERM, SIGKILL}},
        {{"extract", work / "large.vkx", "-C", out, "-q", "--threads", threads, "--overwrite"},
         out,
         out + "/large.bin",
         "the previous file"},
    };
    for (const auto& c : cases) {
        for (const int signal : c.signals) {
            SCOPED_TRACE(c.args[0] + " " + strsignal(signal));
            VkxProcess run({c.args, {}, "pw", {}});
            const auto deadline = std::chrono::steady_clock::now() + 30s;
            long seen = 0;  // the most threads at once: the main thread and the workers
            while (!(WritesInto(run.Pid(), c.watched) && seen > workers) && run.Running() &&
                   std::chrono::steady_clock::now() < deadline) {
                seen = std::max(seen, StatusField(run.Pid(), "Threads:"));
                std::this_thread::sleep_for(1ms);
            }
            EXPECT_GT(seen, workers);
            run.Signal(signal);
            VkxResult result = run.Wait();
            EXPECT_EQ(result.exitCode, signal == SIGKILL ? 128 + SIGKILL : 3) << result.err;
            if (signal != SIGKILL) {
                EXPECT_NE(result.err.find("cancelled"), std::string::npos) << result.err;
            }
            // Not EXPECT_EQ: a box written through would be compared, and its diff built, in full.
            EXPECT_TRUE(ReadFile(c.kept) == c.keptBytes) << c.kept << " was replaced";
            EXPECT_FALSE(HoldsPartialFile(c.watched));
        }
    }
}

}  // namespace
}  // namespace vko::test
