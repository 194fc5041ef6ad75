// SPDX-License-Identifier: GPL-3.0-or-later
// A box shown as a folder through FUSE and read back with ordinary file operations: every file
// as the tree held it, at any offset, from several readers, through an unmount, and nothing of
// it left on disk afterwards.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <random>
#include <thread>

#include "cli/VkxRunner.h"
#include "engine/CCipherBlock.h"
#include "mount/FolderView.h"
#include "mount/MountPoint.h"
#include "mount/OpenBoxSource.h"
#include "crypto/cipherlib_testing.h"
#include "support/TestFiles.h"

namespace vko::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using mount::FolderView;

constexpr const char* kPassword = "correct horse";
constexpr uint64_t kBig = 3 << 20;

// Pieces of 64 KiB: files of none, one, one and a byte, several and a short tail; one larger
// than the smallest cap below.
Tree Sample() {
    return {{"empty.txt", ""},
            {"one", "x"},
            {"piece.bin", RandomBytes(65536, 1)},
            {"piece and one.bin", RandomBytes(65537, 2)},
            {"sub/deeper/tail.bin", RandomBytes(3 * 65536 + 15, 3)},
            {"sub/n\xC3\xB6tes.txt", "text"},
            {"big.bin", RandomBytes(kBig, 4)}};
}

// How a box is shown: its files plain or compressed, and the memory for expanded files (1 MiB
// makes big.bin read forward instead of held).
struct Kind {
    const char* name;
    bool compressed;
    uint64_t cap;
};
constexpr Kind kKinds[] = {
    {"plain", false, 256 << 20}, {"compressed", true, 256 << 20}, {"compressed read forward", true, 1 << 20}};

class MountTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (auto why = mount::MountPoint::FuseMissing()) GTEST_SKIP() << *why;
        UseFastKeys();
        fs::create_directories(folder);
    }
    void TearDown() override { view.reset(); }

    // Boxes tree, then removes the plain files: only the box holds them afterwards.
    std::string Box(const Tree& tree, bool compressed, const std::string& name = "box.vkx") {
        MakeTree(dir / "src", tree);
        QuietHost host;
        CCipherBlock engine(host);
        EXPECT_EQ(engine.CreateBlock(dir / name, "Box", kPassword, dir / "src", 0, compressed ? 1 : 0), 1);
        fs::remove_all(dir / "src");
        return dir / name;
    }

    void Mount(const std::string& box, uint64_t cap, const std::string& password = kPassword) {
        auto source = mount::OpenBoxSource(box, password);
        ASSERT_TRUE(source) << box;
        FolderView::Options options{box, cap, 4, [this](const std::string& path, const std::string&) {
                                        std::lock_guard lock(mutex);
                                        damaged.push_back(path);
                                    }};
        view = FolderView::Mount(std::move(source), folder, options);
    }

    // length bytes from offset through one read call, or the errno it failed with.
    std::string Read(const std::string& path, uint64_t offset, size_t length) const {
        const int fd = open((folder + "/" + path).c_str(), O_RDONLY);
        if (fd < 0) return "errno " + std::to_string(errno);
        std::string bytes(length, '\0');
        const ssize_t n = pread(fd, bytes.data(), length, static_cast<off_t>(offset));
        const int error = errno;
        close(fd);
        if (n < 0) return "errno " + std::to_string(error);
        bytes.resize(static_cast<size_t>(n));
        return bytes;
    }

    TempDir dir;
    std::string folder = dir / "view";
    std::unique_ptr<FolderView> view;
    std::mutex mutex;
    std::vector<std::string> damaged;
};

TEST_F(MountTest, ShowsEveryFileAsTheTreeHeldIt) {
    const Tree tree = Sample();
    for (const Kind& kind : kKinds) {
        SCOPED_TRACE(kind.name);
        const std::string box = Box(tree, kind.compressed, std::string(kind.name) + ".vkx");
        Mount(box, kind.cap);
        EXPECT_EQ(DifferingPaths(ReadTree(folder), tree), std::vector<std::string>{});
        struct stat boxStat {};
        ASSERT_EQ(stat(box.c_str(), &boxStat), 0);
        for (const auto& [path, mode] :
             {std::pair{".", S_IFDIR | 0500}, {"sub/deeper", S_IFDIR | 0500}, {"big.bin", S_IFREG | 0400}}) {
            struct stat st {};
            ASSERT_EQ(stat((folder + "/" + path).c_str(), &st), 0) << path;
            EXPECT_EQ(st.st_mode, static_cast<mode_t>(mode)) << path;
            EXPECT_EQ(st.st_uid, getuid()) << path;
            EXPECT_EQ(st.st_mtim.tv_sec, boxStat.st_mtim.tv_sec) << path;
        }
        EXPECT_EQ(open((folder + "/one").c_str(), O_WRONLY), -1);
        EXPECT_EQ(mkdir((folder + "/new").c_str(), 0700), -1);
        view.reset();
        EXPECT_TRUE(fs::is_empty(folder)) << "nothing stays mounted";
    }
    EXPECT_TRUE(damaged.empty());
}

TEST_F(MountTest, ShowsThePinnedBoxes) {
    const std::string pinned = VKO_PINNED_DIR;
    cipherlib_testing::UseFastKeyDerivation(false);  // they were made at the full cost
    for (const char* box : {"plain.vkx", "compressed.vkx", "plain-0.2.vkx", "compressed-0.2.vkx"}) {
        SCOPED_TRACE(box);
        std::string line = ReadFile(pinned + "/password");
        line.erase(line.find_last_not_of("\r\n") + 1);
        Mount(pinned + "/" + box, 1 << 20, line);
        EXPECT_EQ(DifferingPaths(ReadTree(folder), ReadTree(pinned + "/tree")), std::vector<std::string>{});
        view.reset();
    }
}

// Reads at random offsets and lengths, many across piece boundaries, some past the end; the
// reads go forward and back, so a file read forward starts again.
TEST_F(MountTest, ReadsAnyRangeOfAFile) {
    const std::string big = Sample()["big.bin"];
    for (const Kind& kind : kKinds) {
        SCOPED_TRACE(kind.name);
        Mount(Box({{"big.bin", big}}, kind.compressed, std::string(kind.name) + ".vkx"), kind.cap);
        std::mt19937_64 random(7);
        for (int i = 0; i < 200; ++i) {
            const uint64_t piece = (1 + random() % 49) * 65536;
            const uint64_t offset = i % 2 ? piece - random() % 40 : random() % (kBig + 100);
            const size_t length = 1 + random() % (i % 3 ? 70000 : 300000);
            const std::string want = offset < big.size() ? big.substr(offset, length) : "";
            ASSERT_EQ(Read("big.bin", offset, length), want) << offset << "+" << length;
        }
        view.reset();
    }
}

TEST_F(MountTest, TwoReadersAtOnceEachGetTheirBytes) {
    const Tree tree = Sample();
    for (const Kind& kind : kKinds) {
        SCOPED_TRACE(kind.name);
        Mount(Box(tree, kind.compressed, std::string(kind.name) + ".vkx"), kind.cap);
        std::atomic<int> wrong{0};
        const auto reader = [&](const std::string& path, uint64_t seed) {
            const std::string& want = tree.at(path);
            std::mt19937_64 random(seed);
            for (int i = 0; i < 100; ++i) {
                const uint64_t offset = random() % want.size();
                const size_t length = 1 + random() % 200000;
                if (Read(path, offset, length) != want.substr(offset, length)) ++wrong;
            }
        };
        std::thread a(reader, "big.bin", 1), b(reader, "big.bin", 2), c(reader, "sub/deeper/tail.bin", 3);
        a.join();
        b.join();
        c.join();
        EXPECT_EQ(wrong, 0);
        view.reset();
    }
}

// A reader in the middle of a file when the view goes gets its bytes or an error, never other
// bytes, and neither it nor the unmount hangs.
TEST_F(MountTest, AReadDuringTheUnmountGetsItsBytesOrAnError) {
    const std::string big = Sample()["big.bin"];
    for (const Kind& kind : kKinds) {
        SCOPED_TRACE(kind.name);
        Mount(Box({{"big.bin", big}}, kind.compressed, std::string(kind.name) + ".vkx"), kind.cap);
        std::atomic<int> good{0}, wrong{0};
        std::atomic<bool> stopped{false}, ended{false};  // what the kernel keeps may still be read
        std::thread reader([&] {
            const int fd = open((folder + "/big.bin").c_str(), O_RDONLY);
            std::string chunk(65536 + 7, '\0');
            for (uint64_t at = 0; fd >= 0 && !stopped; at = (at + chunk.size()) % big.size()) {
                const ssize_t n = pread(fd, chunk.data(), chunk.size(), static_cast<off_t>(at));
                if (n <= 0) break;
                (chunk.compare(0, static_cast<size_t>(n), big, at, static_cast<size_t>(n)) == 0 ? good : wrong)++;
            }
            if (fd >= 0) close(fd);
            ended = true;
        });
        while (good < 20 && wrong == 0 && !ended) std::this_thread::sleep_for(1ms);
        view->Unmount();
        EXPECT_FALSE(view->WaitEnded(200ms)) << "the open file is still served";
        view->Stop();
        stopped = true;
        reader.join();
        EXPECT_EQ(wrong, 0);
        EXPECT_TRUE(fs::is_empty(folder));
        view.reset();
    }
}

TEST_F(MountTest, AWrongPasswordOpensNothing) {
    EXPECT_EQ(mount::OpenBoxSource(Box(Sample(), false), "wrong horse"), nullptr);
}

// Damage is found at the read that reaches it (a compressed file's at its first read), named,
// and every read of the file fails from then on; the other files still read.
TEST_F(MountTest, ADamagedFileFailsWithAnInputOutputError) {
    const std::string big = Sample()["big.bin"];
    for (const Kind& kind : kKinds) {
        SCOPED_TRACE(kind.name);
        const std::string box =
            Box({{"big.bin", big}, {"small", "intact"}}, kind.compressed, std::string(kind.name) + ".vkx");
        std::string bytes = ReadFile(box);
        bytes[bytes.size() - 100000] ^= 0x20;  // in big.bin's last piece or two
        WriteFile(box, bytes);
        Mount(box, kind.cap);
        // A plain file hands out the pieces before the damage (the call ends short); a
        // compressed one, held or read forward, not a byte.
        const std::string first = Read("big.bin", 0, kBig);
        if (kind.compressed) {
            EXPECT_TRUE(first == "errno 5") << first.size() << " bytes handed out";
        }
        EXPECT_TRUE(first == "errno 5" || first.size() < kBig) << first.size();
        EXPECT_EQ(Read("big.bin", 0, 10), "errno " + std::to_string(EIO));
        EXPECT_EQ(Read("small", 0, 100), "intact");
        EXPECT_EQ(damaged, std::vector<std::string>{"big.bin"});
        damaged.clear();
        view.reset();
    }
}

// Every file written while the view was open, in the temporary folders, the runtime folder and
// the home folder: none holds a run of plain bytes of any file the view showed.
TEST_F(MountTest, LeavesNoPlainByteOnDisk) {
    const auto started = fs::file_time_type::clock::now() - 2s;
    const Tree tree = Sample();
    Mount(Box(tree, true), 256 << 20);
    EXPECT_EQ(DifferingPaths(ReadTree(folder), tree), std::vector<std::string>{});
    view.reset();
    std::vector<std::string> samples;
    for (const auto& [path, bytes] : tree)
        if (bytes.size() >= 65536) samples.push_back(bytes.substr(bytes.size() / 2, 32));
    std::vector<std::string> roots{fs::temp_directory_path(), dir.Path().parent_path(), "/dev/shm"};
    for (const char* variable : {"TMPDIR", "XDG_RUNTIME_DIR", "HOME"})
        if (const char* value = std::getenv(variable)) roots.emplace_back(value);
    roots.push_back("/run/user/" + std::to_string(getuid()));
    for (const std::string& root : roots) {
        std::error_code error;
        for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error), end;
             it != end; it.increment(error)) {
            std::error_code e;
            if (!it->is_regular_file(e) || it->last_write_time(e) < started) continue;
            if (it->file_size(e) > (uint64_t{256} << 20)) continue;
            const std::string content = ReadFile(it->path().string());
            for (const std::string& sample : samples)
                EXPECT_EQ(content.find(sample), std::string::npos) << it->path();
        }
    }
}

// A view whose process died (a crash) is found, detached and its folder removed; a program
// that holds a file in a live view is named.
TEST_F(MountTest, ACrashedViewIsCleanedUpAndHoldersAreNamed) {
    const std::string box = Box(Sample(), false);
    const pid_t child = fork();
    if (child == 0) {
        auto source = mount::OpenBoxSource(box, kPassword);
        FolderView::Options options;
        options.box = box;
        auto* left = FolderView::Mount(std::move(source), folder, options).release();
        _exit(left ? 0 : 1);  // gone without unmounting
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_EQ(status, 0);
    struct stat st {};
    EXPECT_EQ(stat(folder.c_str(), &st), -1) << "a view nobody serves";
    EXPECT_EQ(mount::MountPoint::CleanUpStale(dir.Str()), std::vector<std::string>{folder});
    EXPECT_FALSE(fs::exists(folder));

    fs::create_directories(folder);
    Mount(box, 256 << 20);
    const pid_t holder = fork();
    if (holder == 0) {
        const int fd = open((folder + "/big.bin").c_str(), O_RDONLY);
        execlp("sleep", "sleep", "30", static_cast<char*>(nullptr));
        _exit(fd);
    }
    // The child holds the file before it becomes sleep, so it may first be named as this test.
    const std::vector<std::string> expected{"sleep (pid " + std::to_string(holder) + ")"};
    std::vector<std::string> holders;
    for (int i = 0; i < 100 && holders != expected; ++i, std::this_thread::sleep_for(20ms))
        holders = mount::MountPoint::Holders(folder);
    EXPECT_EQ(holders, expected);
    kill(holder, SIGKILL);
    waitpid(holder, &status, 0);
}

// vkx mount: refuses before mounting anything, serves in the foreground until SIGTERM or in the
// background until fusermount3 -u, and exits 0 once unmounted.
TEST_F(MountTest, VkxMountRefusesOrServesUntilUnmounted) {
    const std::string pinned = std::string(VKO_PINNED_DIR) + "/plain.vkx";
    const std::string password = ReadFile(std::string(VKO_PINNED_DIR) + "/password");
    const std::string line = password.substr(0, password.find_first_of("\r\n"));
    WriteFile(dir / "full/x", "");
    const std::tuple<std::string, std::string, int> refusals[] = {
        {dir / "missing", line, 4}, {dir / "full", line, 4}, {folder, "wrong", 1}};
    for (const auto& [target, typed, code] : refusals) {
        const VkxResult result = RunVkx({{"mount", pinned, target}, {}, typed, {}});
        EXPECT_EQ(result.exitCode, code) << target << ": " << result.err;
        EXPECT_FALSE(result.err.empty());
        EXPECT_TRUE(fs::is_empty(folder));
    }
    {
        VkxProcess foreground({{"mount", pinned, folder}, {}, line, {}});
        for (int i = 0; i < 200 && fs::is_empty(folder); ++i) std::this_thread::sleep_for(50ms);
        EXPECT_EQ(ReadFile(folder + "/notes.txt"), ReadFile(std::string(VKO_PINNED_DIR) + "/tree/notes.txt"));
        foreground.Signal(SIGTERM);
        const VkxResult result = foreground.Wait();
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_NE(result.out.find(folder), std::string::npos);
        EXPECT_TRUE(fs::is_empty(folder));
    }
    const VkxResult background = RunVkx({{"mount", "--background", pinned, folder}, {}, line, {}});
    EXPECT_EQ(background.exitCode, 0) << background.err;
    EXPECT_TRUE(fs::exists(folder + "/sub/inner.txt"));
    EXPECT_EQ(std::system(("fusermount3 -u " + folder).c_str()), 0);
    EXPECT_TRUE(fs::is_empty(folder));
}

}  // namespace
}  // namespace vko::test
