// SPDX-License-Identifier: GPL-3.0-or-later
// Every way a create or an extraction can be stopped, swept over the whole operation: a cancel at
// poll n, a write fault after n bytes, a read fault after n bytes; create and extract, plain and
// compressed, whole and file by file; writes also where the file system has no anonymous files.
// Whatever stops it, the run ends in a Failure naming a path (never a temporary), in the engine's
// own result, or with the files it could not write named; the box and every file that was there
// before are untouched or completely replaced; no temporary file, open handle or password key
// is left behind.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <iostream>
#include <optional>
#include <thread>

#include "crypto/CipherLibrary.h"
#include "crypto/KeyDerivation.h"
#include "crypto/cipherlib_testing.h"
#include "engine/EngineFixture.h"
#include "engine/JobPipeline.h"
#include "util/Failure.h"
#include "util/File.h"
#include "util/SourceFile.h"

namespace fs = std::filesystem;
using ::testing::AnyOf;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

namespace vko::test {
namespace {

constexpr const char* kPassword = "sweep secret";

enum class Stop { kCancel, kWrite, kRead };

struct SweepCase {
    std::string label;
    Stop stop;
    bool create;
    int16_t compression;
    bool fileByFile;
    bool named = false;  // temporaries have names (no O_TMPFILE)
};

int OpenHandles() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

// Every byte (or poll) of the first and the last 300 an operation moves, so that each read or
// write call there is struck at its start, inside it and at its end; a prime stride through the
// large file in between. Sanitizer builds take every third; VKO_FULL_SWEEP=1 sweeps wider.
struct SweepPlan {
    int64_t ends, step, stride;
};

SweepPlan Plan() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    constexpr int64_t kStep = 3;
#else
    constexpr int64_t kStep = 1;
#endif
    if (std::getenv("VKO_FULL_SWEEP")) return {2000, 1, 1021};
    return {300, kStep, 4099};
}

struct Strike {
    std::optional<Failure> failure;
    int16_t result = -1;
    bool cancelled = false;  // the cancel flag was raised during the run
};

class InterruptSweep : public ::testing::TestWithParam<SweepCase> {
protected:
    void SetUp() override {
        UseFastKeys();
        engine.SetExistingFiles(ExistingFiles::kReplace);
        MakeTree(root, sources);
        ASSERT_EQ(engine.CreateBlock(box, "Docs", kPassword, root, 0, GetParam().compression), 1);
        boxBytes = ReadFile(box);
        if (GetParam().create) WriteFile(box, kOldBox);
    }
    void TearDown() override { FileFaults::Reset(); }

    int16_t Operate() {
        const SweepCase& c = GetParam();
        if (c.create) {
            WriteFile(box, kOldBox);
            return engine.CreateBlock(box, "Docs", kPassword, root, 0, c.compression);
        }
        fs::remove_all(target);
        MakeTree(target, previous);
        if (!c.fileByFile) return engine.ExtractBlock(box, target, kPassword);
        const int16_t opened = engine.DynamicExtractBlock(box, target, kPassword);
        if (opened != 0) return opened;
        try {
            for (int32_t k = 1; k <= static_cast<int32_t>(engine.Files().size()); ++k)
                engine.DynamicExtractToFile(k, target);
        } catch (...) {
            engine.DynamicClose();
            throw;
        }
        engine.DynamicClose();
        return 0;
    }

    Strike Run(int64_t n) {
        host = FakeHost{};
        Strike strike;
        const int handles = OpenHandles();
        switch (GetParam().stop) {
            case Stop::kCancel:
                host.CancelAtPoll(static_cast<int>(n) + 1);
                break;
            case Stop::kWrite:
                FileFaults::FailWritesAfter(n);
                if (GetParam().named) FileFaults::NoAnonymousFiles();
                break;
            case Stop::kRead:
                FileFaults::FailReadsAfter(n);
                break;
        }
        try {
            strike.result = Operate();
        } catch (const Failure& failure) {
            strike.failure = failure;
        }
        FileFaults::Reset();
        strike.cancelled = host.cancelAtPoll > 0 && host.polls >= host.cancelAtPoll;
        EXPECT_EQ(OpenHandles(), handles) << "file handle left open";
        EXPECT_FALSE(cipherlib_testing::HoldsPasswordKey()) << "password key left in the cipher";
        EXPECT_THAT(Leftovers(dir.Str()), IsEmpty());
        EXPECT_EQ(ReadTree(root), sources);
        return strike;
    }

    // Checks one stopped run; true when the stop missed it and the operation finished.
    bool Check(const Strike& s) { return GetParam().create ? CheckCreate(s) : CheckExtract(s); }

    bool CheckCreate(const Strike& s) {
        if (s.failure) {
            EXPECT_THAT(s.failure->Description(),
                        HasSubstr(GetParam().stop == Stop::kRead ? root : box));
            EXPECT_THAT(s.failure->Description(), Not(HasSubstr(AtomicFile::kTempSuffix)));
            EXPECT_EQ(ReadFile(box), kOldBox);
            return false;
        }
        if (s.result == BlockResult::kCreateCancelled) {
            EXPECT_TRUE(s.cancelled);
            EXPECT_EQ(ReadFile(box), kOldBox);
            return false;
        }
        EXPECT_EQ(s.result, 1);
        EXPECT_THAT(host.messages, IsEmpty());
        // A source that could not be read is left out and named; the box holds every other file
        // and its table matches its data area (ReadStored checks it).
        for (const auto& problem : engine.Problems()) {
            EXPECT_THAT(problem.path, StartsWith(root));
            EXPECT_THAT(problem.reason, StartsWith("could not be read: "));
        }
        EXPECT_EQ(ReadStored(box, kPassword).size() + engine.Problems().size(), sources.size());
        if (!engine.Problems().empty()) return false;
        EXPECT_TRUE(ReadFile(box) == boxBytes) << "a complete box differs from the reference";
        return true;
    }

    bool CheckExtract(const Strike& s) {
        EXPECT_EQ(ReadFile(box), boxBytes);
        // A failed read or write is the file system's fault, never the damaged-stream question.
        EXPECT_THAT(host.questions, IsEmpty());
        for (const auto& [path, contents] : ReadTree(target)) {
            const bool isOld = previous.count(path) && previous.at(path) == contents;
            const bool isNew = extracted.count(path) && extracted.at(path) == contents;
            EXPECT_TRUE(isOld || isNew) << path << " is neither its old nor its new contents";
        }
        EXPECT_EQ(ReadFile(target + "/keep.txt"), previous.at("keep.txt"));
        if (s.failure) {
            // A file that cannot be written is named; only the box's failing ends the run.
            EXPECT_NE(GetParam().stop, Stop::kWrite) << s.failure->Description();
            EXPECT_THAT(s.failure->Description(), HasSubstr(box));
            return false;
        }
        if (s.cancelled) {
            EXPECT_THAT(s.result, AnyOf(0, BlockResult::kExtractCancelled));
            return false;
        }
        if (s.result == 1) {  // the header itself could not be read
            EXPECT_EQ(GetParam().stop, Stop::kRead);
            EXPECT_THAT(host.messages, ::testing::SizeIs(1));
            return false;
        }
        EXPECT_EQ(s.result, 0);
        if (!host.messages.empty()) return false;
        // A file that could not be written is named, and the others are still written.
        for (const FileProblem& problem : engine.Problems()) {
            EXPECT_EQ(GetParam().stop, Stop::kWrite);
            EXPECT_THAT(problem.path, StartsWith(target + "/"));
            EXPECT_EQ(problem.reason, "could not be written: No space left on device");
        }
        if (!engine.Problems().empty()) return false;
        Tree expected = extracted;
        expected["keep.txt"] = previous.at("keep.txt");
        EXPECT_EQ(ReadTree(target), expected);
        return true;
    }

    // Runs every budget of the plan; the operation's end is found by bisection between the
    // stride's last strike and its first miss, and the bytes before it are swept one by one.
    int Sweep() {
        SweepPlan plan = Plan();
        if (GetParam().stop == Stop::kCancel) plan.step = 1;  // polls are few: take every one
        int runs = 0;
        const auto finishes = [&](int64_t n) {
            ++runs;
            SCOPED_TRACE("stopped at " + std::to_string(n));
            return Check(Run(n));
        };
        int64_t n = 0;
        for (; n < plan.ends; n += plan.step)
            if (finishes(n)) return runs;
        int64_t struck = n - plan.step;
        for (;; n += plan.stride) {
            if (finishes(n)) break;
            if (::testing::Test::HasFailure() || n > 50'000'000) return runs;
            struck = n;
        }
        int64_t missed = n;
        while (missed - struck > 1) {
            const int64_t middle = struck + (missed - struck) / 2;
            (finishes(middle) ? missed : struck) = middle;
        }
        for (int64_t m = std::max(plan.ends, missed - plan.ends); m < missed; m += plan.step)
            EXPECT_FALSE(finishes(m)) << "budget " << m << " finished, " << missed << " did not";
        return runs;
    }

    static constexpr const char* kOldBox = "the previous box";
    // Small enough to sweep byte by byte, with one file past a whole cipher block, stored last;
    // a compressed one to extract whole is past eight, so that its stream expands on a thread
    // of its own; a plain one to extract is past a span of 16 pieces, so that it is taken in
    // two spans at once.
    const bool expandLane =
        GetParam().compression == 1 && !GetParam().create && !GetParam().fileByFile;
    const bool spans = GetParam().compression == 0 && !GetParam().create;
    const Tree sources{{"a.txt", "alpha"},
                       {"empty", ""},
                       {"Sub/b.bin", RandomBytes(60, 3)},
                       {"Sub/Deep/c.txt", std::string(90, 'c')},
                       {"Sub/Deep/zbig.bin", RandomBytes((expandLane ? 8 * 131072 : spans ? 17 * 65536 : 131072) + 10, 4)}};
    const Tree extracted{{"a.txt", "alpha"},
                         {"empty", ""},
                         {"sub/b.bin", sources.at("Sub/b.bin")},
                         {"sub/deep/c.txt", sources.at("Sub/Deep/c.txt")},
                         {"sub/deep/zbig.bin", sources.at("Sub/Deep/zbig.bin")}};
    const Tree previous{{"a.txt", "old a"}, {"sub/b.bin", "old b"}, {"keep.txt", "not in the box"}};
    TempDir dir{true};
    std::string root = dir / "Docs";
    std::string box = dir / "out/box.vkx";
    std::string target = dir / "target";
    std::string boxBytes;  // the complete box
    FakeHost host;
    CCipherBlock engine{host};
};

TEST_P(InterruptSweep, EveryStopEndsCleanly) {
    const int runs = Sweep();
    EXPECT_GT(runs, GetParam().stop == Stop::kCancel ? 3 : 100);
    std::cout << "[ sweep    ] " << GetParam().label << ": " << runs << " runs\n";
}

std::vector<SweepCase> Cases() {
    std::vector<SweepCase> cases;
    const std::pair<Stop, const char*> stops[] = {
        {Stop::kCancel, "cancel"}, {Stop::kWrite, "write"}, {Stop::kRead, "read"}};
    for (const auto& [stop, name] : stops)
        for (const int16_t compression : {0, 1})
            for (const std::string what : {"create", "whole", "single"})
                for (const bool named : {false, true}) {
                    if (named && stop != Stop::kWrite) continue;
                    cases.push_back({what + (compression ? "_compressed_" : "_plain_") + name +
                                         (named ? "_named" : ""),
                                     stop, what == "create", compression, what == "single", named});
                }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(All, InterruptSweep, ::testing::ValuesIn(Cases()),
                         [](const auto& param) { return param.param.label; });

// A worker that never comes back from opening a source (as on a hung network mount) does not
// hold the run: a cancel while the engine waits ends the create within the deadline, the
// previous box kept and nothing left behind; the worker ends by itself once the open returns.
TEST(HeldOpenTest, ACancelEndsACreateWhoseWorkerHangsInOpen) {
    using namespace std::chrono_literals;
    UseFastKeys();
    // Plain, compressed, and compressed in pieces, which are read on a thread of their own.
    const std::pair<int16_t, size_t> rows[] = {{0, 1000}, {1, 1000}, {1, 3 << 20}};
    for (const auto& [compression, size] : rows) {
        SCOPED_TRACE(size);
        TempDir dir;
        const std::string root = dir / "Docs";
        const std::string box = dir / "out/box.vkx";
        MakeTree(root, {{"a.txt", "a"}, {"held.bin", RandomBytes(size, 1)}});
        WriteFile(box, "the previous box");
        const int handles = OpenHandles();
        FakeHost host;
        host.giveUpWaiting = [] { return true; };
        CCipherBlock engine(host);
        engine.SetWorkerThreads(2);
        FileFaults::HoldOpening(root + "/held.bin");
        auto run = std::async(std::launch::async, [&] {
            return engine.CreateBlock(box, "Docs", kPassword, root, 0, compression);
        });
        const bool ended = run.wait_for(20s) == std::future_status::ready;
        FileFaults::Reset();
        EXPECT_TRUE(ended) << "the create waits for the held open";
        EXPECT_EQ(run.get(), BlockResult::kCreateCancelled);
        EXPECT_TRUE(ReadFile(box) == "the previous box");
        EXPECT_THAT(Leftovers(dir.Str()), IsEmpty());
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (JobPipeline::WorkersLeftBehind() > 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
        EXPECT_EQ(JobPipeline::WorkersLeftBehind(), 0);
        EXPECT_EQ(OpenHandles(), handles);
    }
}

// A cancel while the key is still being derived ends the operation without waiting for the
// derivation (which cannot be interrupted): sooner than one derivation takes, with the engine's
// cancelled result rather than "Password incorrect", the previous box and target untouched and
// no key left in the cache.
TEST(DerivationCancelTest, ACancelDuringTheKeyDerivationEndsAtOnce) {
    using Clock = std::chrono::steady_clock;
    constexpr crypto::KeyCost kSlow{20, crypto::kFormatKeyCost.memoryBytes};
    UseFastKeys();
    TempDir dir;
    const std::string root = dir / "Docs", box = dir / "box.vkx", target = dir / "target";
    MakeTree(root, {{"a.txt", "alpha"}});
    MakeTree(target, {{"a.txt", "old a"}});
    {
        QuietHost quiet;
        ASSERT_EQ(CCipherBlock(quiet).CreateBlock(box, "Docs", kPassword, root, 0, 1), 1);
    }
    const std::string boxBytes = ReadFile(box);
    const std::pair<const char*, std::function<int16_t(CCipherBlock&)>> rows[] = {
        {"create",
         [&](CCipherBlock& e) { return e.CreateBlock(box, "Docs", kPassword, root, 0, 1); }},
        {"extract", [&](CCipherBlock& e) { return e.ExtractBlock(box, target, kPassword); }},
        {"verify", [&](CCipherBlock& e) { return e.VerifyBlock(box, kPassword); }},
    };
    const auto slowKeys = [&] {
        crypto::CipherLibrary::Instance().WithKeys([&](crypto::KeyCache& k) { k.SetCost(kSlow); });
    };
    Clock::duration longest{};
    for (const auto& [what, operate] : rows) {
        SCOPED_TRACE(what);
        slowKeys();
        FakeHost host;
        host.giveUpWaiting = [] { return true; };
        CCipherBlock engine(host);
        const auto start = Clock::now();
        const int16_t result = operate(engine);
        longest = std::max(longest, Clock::now() - start);
        EXPECT_EQ(result, std::string(what) == "create" ? BlockResult::kCreateCancelled
                                                        : BlockResult::kExtractCancelled);
        EXPECT_THAT(host.messages, IsEmpty());
        EXPECT_TRUE(ReadFile(box) == boxBytes);
        EXPECT_EQ(ReadFile(target + "/a.txt"), "old a");
        EXPECT_FALSE(cipherlib_testing::HoldsPasswordKey());
    }
    // One derivation at the same cost, the abandoned ones still running beside it.
    const auto start = Clock::now();
    crypto::KeyDerivation reference("another password");
    ASSERT_TRUE(reference.Wait(nullptr));
    EXPECT_LT(longest, (Clock::now() - start) / 2);
    CCipher().Clear();
    UseFastKeys();
}

}  // namespace
}  // namespace vko::test
