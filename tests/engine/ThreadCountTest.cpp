// SPDX-License-Identifier: GPL-3.0-or-later
// Boxes, extracted trees and the events of both do not depend on how many worker threads read,
// compress and encipher; 0 threads is the single-threaded reference. Progress moves as blocks
// are written.
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "engine/EngineFixture.h"

namespace fs = std::filesystem;

namespace vko::test {
namespace {

std::string Text(size_t size) {
    std::string text;
    for (size_t i = 0; text.size() < size; ++i)
        text += "entry " + std::to_string(i * 7919 % 10007) + "\n";
    text.resize(size);
    return text;
}

class ThreadCountTest : public EngineFixture {
protected:
    struct Run {
        std::string box;
        std::vector<std::string> events;
        int polls = 0;
    };

    struct Workers {
        unsigned threads;
    };

    // Creates a box of root (into box<threads>.vkx), or extracts box into target when given one.
    Run With(Workers workers, int16_t compression, const std::string& target = "") {
        const unsigned threads = workers.threads;
        FakeHost runHost;
        EventRecorder runEvents;
        CCipherBlock runEngine(runHost);
        runEngine.SetEvents(&runEvents);
        runEngine.SetWorkerThreads(threads);
        const std::string path = dir / ("box" + std::to_string(threads) + ".vkx");
        if (target.empty()) {
            EXPECT_EQ(runEngine.CreateBlock(path, "Box", kPassword, root, 0, compression), 1);
        } else {
            EXPECT_EQ(runEngine.ExtractBlock(box, target, kPassword), 0);
            EXPECT_TRUE(Leftovers(target).empty());
        }
        EXPECT_TRUE(runHost.messages.empty());
        for (std::string& line : runEvents.lines) {
            // Paths name the target, which differs from run to run.
            if (const size_t at = target.empty() ? line.npos : line.find(target); at != line.npos)
                line.replace(at, target.size(), "<target>");
        }
        return {target.empty() ? ReadFile(path) : "", runEvents.lines, runHost.polls};
    }

    // Pieces of a large file, a file a block long, empty and tiny files, sub-folders, and more
    // files than a thread has lanes, ending at different times.
    Tree Sources() const {
        Tree tree{{"big.txt", Text(2'600'000)},
                  {"random.bin", RandomBytes(300'000, 7)},
                  {"block.bin", RandomBytes(131'072, 8)},
                  {"empty", ""},
                  {"Sub/a.txt", "alpha"},
                  {"Sub/Deep/b.txt", Text(40'000)}};
        for (int i = 0; i < 12; ++i)
            tree["many/f" + std::to_string(i)] = RandomBytes(static_cast<size_t>(i) * 61'003, i);
        return tree;
    }
    const Tree sources = Sources();
};

TEST_F(ThreadCountTest, BoxesExtractionsAndEventsMatchTheSingleThreadedRun) {
    MakeTree(root, sources);
    Tree extracted = sources;
    extracted.erase("Sub/a.txt");
    extracted.erase("Sub/Deep/b.txt");
    extracted["sub/a.txt"] = "alpha";
    extracted["sub/deep/b.txt"] = sources.at("Sub/Deep/b.txt");
    for (const int16_t compression : {0, 1}) {
        SCOPED_TRACE(compression == 1 ? "compressed" : "plain");
        const Run reference = With({0}, compression);
        for (const Workers workers : {Workers{1}, {2}, {5}}) {
            SCOPED_TRACE(std::to_string(workers.threads) + " threads");
            const Run run = With(workers, compression);
            EXPECT_TRUE(run.box == reference.box) << "boxes differ";
            EXPECT_EQ(run.events, reference.events);
            EXPECT_EQ(run.polls, reference.polls);
        }
        box = dir / "box0.vkx";
        const Run unpacked = With({0}, compression, dir / "out0");
        EXPECT_THAT(DifferingPaths(ReadTree(dir / "out0"), extracted), ::testing::IsEmpty());
        for (const Workers workers : {Workers{1}, {3}}) {
            SCOPED_TRACE(std::to_string(workers.threads) + " threads extracting");
            const std::string target = dir / "out";
            const Run run = With(workers, compression, target);
            EXPECT_THAT(DifferingPaths(ReadTree(target), extracted), ::testing::IsEmpty());
            EXPECT_EQ(run.events, unpacked.events);
            EXPECT_EQ(run.polls, unpacked.polls);
            fs::remove_all(target);
        }
        fs::remove_all(dir / "out0");
    }
}

// A file of more pieces than the workers may compress ahead of the one being stored, and of
// several spans when plain, its last piece a short one joined to the piece before.
TEST_F(ThreadCountTest, AFileLongerThanTheLookaheadIsStoredWhole) {
    const std::string large = Text(9'500'000 - 9'500'000 % 65'536 + 65'536 + 9);
    MakeTree(root, {{"large.txt", large}});
    for (const int16_t compression : {1, 0}) {
        const Run reference = With({0}, compression);
        for (const unsigned threads : {1u, 2u}) {
            const Run run = With({threads}, compression);
            EXPECT_TRUE(run.box == reference.box) << threads << " threads: boxes differ";
            EXPECT_EQ(run.events, reference.events);
        }
        ASSERT_EQ(engine.ExtractBlock(dir / "box0.vkx", dir / "out", kPassword), 0);
        EXPECT_TRUE(ReadFile(dir / "out/large.txt") == large);
        fs::remove_all(dir / "out");
    }
}

// A plain file of more spans than the workers may take ahead of the one being reported comes
// out whole, extracted whole, file by file and verified.
TEST_F(ThreadCountTest, AFileOfMoreSpansThanTheLookaheadIsExtractedWhole) {
    const std::string large = Text((size_t{40} << 20) + 9);
    MakeTree(root, {{"large.txt", large}});
    engine.SetWorkerThreads(2);
    ASSERT_EQ(Create(0), 1);
    ASSERT_EQ(engine.VerifyBlock(box, kPassword), 0);
    EXPECT_THAT(engine.Problems(), ::testing::IsEmpty());
    ASSERT_EQ(engine.ExtractBlock(box, dir / "out", kPassword), 0);
    EXPECT_TRUE(ReadFile(dir / "out/large.txt") == large);
    ASSERT_EQ(engine.DynamicExtractBlock(box, dir / "one", kPassword), 0);
    engine.DynamicExtractToFile(1, dir / "one");
    engine.DynamicClose();
    EXPECT_TRUE(ReadFile(dir / "one/large.txt") == large);
}

using EventsTest = EngineFixture;

// Bytes of the files this process is writing in folder: anonymous ones show in /proc as
// "<folder>/#<inode> (deleted)", named temporaries by their name.
int64_t TemporaryBytes(const std::string& folder) {
    int64_t bytes = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        const std::string file = std::filesystem::read_symlink(entry.path(), error).string();
        if (file.starts_with(folder + "/") &&
            (file.ends_with(" (deleted)") || file.ends_with(AtomicFile::kTempSuffix)))
            bytes += static_cast<int64_t>(std::filesystem::file_size(entry.path(), error));
    }
    return bytes;
}

// A file of several pieces reports progress as its blocks are written, not once it is done:
// the first event comes while the box holds a small part of it, and bytesleft counts down to
// 0. Extraction raises its events as each block is deciphered and expanded.
TEST_F(EventsTest, ProgressOfALargeCompressedFileMovesAsItsBlocksAreWritten) {
    constexpr int64_t kSize = int64_t{3} << 20;
    engine.SetWorkerThreads(0);  // what is on disk at each event is then fixed
    WriteFile(Source("big.bin"), RandomBytes(static_cast<size_t>(kSize), 9));
    const std::string target = dir / "back";
    std::string watched = dir / "out";
    std::vector<int64_t> onDisk;  // bytes of the temporary file being written, at each event
    events.onEvent = [&](const std::string& line) {
        if (line.starts_with("CipherProgress")) onDisk.push_back(TemporaryBytes(watched));
    };
    ASSERT_EQ(Create(1), 1);
    const auto created = events.Named("CipherProgress");
    ASSERT_GE(created.size(), 24u);
    EXPECT_LT(onDisk.front(), static_cast<int64_t>(std::filesystem::file_size(box)) / 8);
    int64_t left = kSize;
    for (const std::string& line : created) {
        std::istringstream fields(line.substr(line.find(' ')));
        int64_t read = 0, total = 0, nowLeft = 0, fileTotal = 0;
        fields >> read >> total >> nowLeft >> fileTotal;
        EXPECT_EQ(fileTotal, kSize);
        EXPECT_LT(nowLeft, left);
        left = nowLeft;
    }
    EXPECT_EQ(left, 0);

    watched = target;
    onDisk.clear();
    ASSERT_EQ(engine.ExtractBlock(box, target, kPassword), 0);
    ASSERT_GE(onDisk.size(), 24u);
    EXPECT_GT(onDisk.front(), 0);
    EXPECT_LT(onDisk.front(), kSize / 8);
}

}  // namespace
}  // namespace vko::test
