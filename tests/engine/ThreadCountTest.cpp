// Boxes, extracted trees and the events of both do not depend on how many worker threads read,
// compress and encipher; 0 threads is the single-threaded reference.
#include <filesystem>

#include "engine/CreateFixture.h"

namespace fs = std::filesystem;

namespace vko::test {
namespace {

std::string Text(size_t size) {
    std::string text;
    for (int i = 0; text.size() < size; ++i)
        text += "entry " + std::to_string(i * 7919 % 10007) + "\n";
    text.resize(size);
    return text;
}

class ThreadCountTest : public CreateFixture {
protected:
    void SetUp() override {
        CreateFixture::SetUp();
        MakeTree(root, sources);
    }

    struct Run {
        std::string box;
        std::vector<std::string> events;
        int polls = 0;
    };

    Run CreateWith(unsigned threads, int16_t compression) {
        FakeHost runHost;
        EventRecorder runEvents;
        CCipherBlock runEngine(runHost);
        runEngine.SetEvents(&runEvents);
        runEngine.SetWorkerThreads(threads);
        const std::string path = dir / ("box" + std::to_string(threads) + ".vkx");
        EXPECT_EQ(runEngine.CreateBlock(path, "Box", kPassword, root, 0, compression), 1);
        EXPECT_TRUE(runHost.messages.empty());
        return {ReadFile(path), runEvents.lines, runHost.polls};
    }

    Run ExtractWith(unsigned threads, const std::string& boxPath, const std::string& target) {
        FakeHost runHost;
        EventRecorder runEvents;
        CCipherBlock runEngine(runHost);
        runEngine.SetEvents(&runEvents);
        runEngine.SetWorkerThreads(threads);
        EXPECT_EQ(runEngine.ExtractBlock(boxPath, target, kPassword), 0);
        EXPECT_TRUE(runHost.messages.empty());
        std::vector<std::string> lines;
        for (std::string line : runEvents.lines) {
            // Paths name the target, which differs from run to run.
            for (size_t at; (at = line.find(target)) != std::string::npos;)
                line.replace(at, target.size(), "<target>");
            lines.push_back(line);
        }
        return {{}, lines, runHost.polls};
    }

    // Pieces of a large file, a file a block long, empty and tiny files, sub-folders.
    const Tree sources{{"big.txt", Text(2'600'000)},
                       {"random.bin", RandomBytes(300'000, 7)},
                       {"block.bin", RandomBytes(131'072, 8)},
                       {"empty", ""},
                       {"Sub/a.txt", "alpha"},
                       {"Sub/Deep/b.txt", Text(40'000)}};
    const Tree extracted{{"big.txt", sources.at("big.txt")},
                         {"random.bin", sources.at("random.bin")},
                         {"block.bin", sources.at("block.bin")},
                         {"empty", ""},
                         {"sub/a.txt", "alpha"},
                         {"sub/deep/b.txt", sources.at("Sub/Deep/b.txt")}};
};

TEST_F(ThreadCountTest, BoxesAndEventsMatchTheSingleThreadedRun) {
    for (const int16_t compression : {0, 1}) {
        SCOPED_TRACE(compression == 1 ? "compressed" : "plain");
        const Run reference = CreateWith(0, compression);
        for (const unsigned threads : {1u, 2u, 5u}) {
            SCOPED_TRACE(std::to_string(threads) + " threads");
            const Run run = CreateWith(threads, compression);
            EXPECT_TRUE(run.box == reference.box) << "boxes differ";
            EXPECT_EQ(run.events, reference.events);
            EXPECT_EQ(run.polls, reference.polls);
        }
        const std::string path = dir / "box0.vkx";
        WriteFile(path, reference.box);
        const DecodedBox decoded = DecodeBox(path, kPassword);
        EXPECT_EQ(decoded.storedTotal, decoded.dataArea);
        if (compression == 1) {
            for (const auto& record : decoded.records)
                EXPECT_NE(ExpandStored(record.contents), "<damaged>") << record.name;
        }
    }
}

// A file of more pieces than the workers may compress ahead of the one being stored.
TEST_F(ThreadCountTest, AFileLongerThanTheLookaheadIsStoredWhole) {
    fs::remove_all(root);
    const std::string large = Text(9'500'000);
    MakeTree(root, {{"large.txt", large}});
    const Run reference = CreateWith(0, 1);
    for (const unsigned threads : {1u, 2u}) {
        SCOPED_TRACE(std::to_string(threads) + " threads");
        EXPECT_TRUE(CreateWith(threads, 1).box == reference.box) << "boxes differ";
    }
    const std::string path = dir / "box0.vkx";
    WriteFile(path, reference.box);
    ASSERT_EQ(engine.ExtractBlock(path, dir / "out", kPassword), 0);
    EXPECT_TRUE(ReadFile(dir / "out/large.txt") == large);
}

TEST_F(ThreadCountTest, ExtractionMatchesTheSingleThreadedRun) {
    for (const int16_t compression : {0, 1}) {
        SCOPED_TRACE(compression == 1 ? "compressed" : "plain");
        ASSERT_EQ(Create(compression), 1);
        const Run reference = ExtractWith(0, box, dir / "out0");
        EXPECT_EQ(ReadTree(dir / "out0"), extracted);
        for (const unsigned threads : {1u, 3u}) {
            SCOPED_TRACE(std::to_string(threads) + " threads");
            const std::string target = dir / ("out" + std::to_string(threads));
            const Run run = ExtractWith(threads, box, target);
            EXPECT_EQ(ReadTree(target), extracted);
            EXPECT_EQ(run.events, reference.events);
            EXPECT_EQ(run.polls, reference.polls);
            EXPECT_TRUE(Leftovers(target).empty());
        }
        fs::remove_all(dir / "out0");
        fs::remove_all(dir / "out1");
        fs::remove_all(dir / "out3");
    }
}

}  // namespace
}  // namespace vko::test
