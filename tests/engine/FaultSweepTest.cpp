// An injected read or write fault swept over the bytes of a small create and a small extraction
// (plain and compressed, whole and file by file). Whatever byte the fault strikes at, the
// operation ends in a Failure naming a path or in the engine's own message, the box and every
// file that was there before are either untouched or completely replaced, no temporary file is
// left behind and no file handle stays open.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>

#include "crypto/cipherlib_testing.h"
#include "engine/EngineFixture.h"
#include "engine/ScratchDir.h"
#include "util/Failure.h"
#include "util/File.h"

namespace fs = std::filesystem;
using ::testing::AnyOf;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace vko::test {
namespace {

constexpr const char* kPassword = "sweep secret";

enum class Fault { kWrite, kRead };

int OpenHandles() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

// Where the budgets go: every byte of the first and the last bytes an operation moves (the
// header, the small files, the final table), so that each read or write call there is struck at
// its start, inside it and at its end; a prime stride through the large file in between.
// Sanitizer builds take every third byte; VKO_FULL_SWEEP=1 widens both ends and strides finer.
struct SweepPlan {
    int64_t ends;    // bytes swept one by one at each end
    int64_t step;    // between budgets there
    int64_t stride;  // through the middle
};

SweepPlan Plan() {
#if defined(__SANITIZE_ADDRESS__)
    constexpr int64_t kStep = 3;
#else
    constexpr int64_t kStep = 1;
#endif
    if (std::getenv("VKO_FULL_SWEEP")) return {2000, 1, 1021};
    return {300, kStep, 4099};
}

struct Strike {
    std::optional<Failure> failure;  // the Failure the operation ended in, if any
    int16_t result = -1;             // its result code otherwise
};

class FaultSweepTest : public ::testing::Test {
protected:
    void SetUp() override { UseFastKeys(); }
    void TearDown() override { FileFaults::Reset(); }

    // Small enough to sweep byte by byte, with one file past a whole cipher block, stored last.
    const Tree sources{{"a.txt", "alpha"},
                       {"empty", ""},
                       {"Sub/b.bin", RandomBytes(60, 3)},
                       {"Sub/Deep/c.txt", std::string(90, 'c')},
                       {"Sub/Deep/zbig.bin", RandomBytes(131072 + 10, 4)}};
    // How the tree comes back: folder names in lower case.
    const Tree extracted{{"a.txt", "alpha"},
                         {"empty", ""},
                         {"sub/b.bin", sources.at("Sub/b.bin")},
                         {"sub/deep/c.txt", sources.at("Sub/Deep/c.txt")},
                         {"sub/deep/zbig.bin", sources.at("Sub/Deep/zbig.bin")}};

    // Runs op with the fault armed after n bytes; sweeps stop at the first run it does not
    // reach, which sweep() recognises by done().
    Strike Run(Fault fault, int64_t n, const std::function<int16_t()>& op) {
        host = FakeHost{};
        Strike strike;
        const int handles = OpenHandles();
        fault == Fault::kWrite ? FileFaults::FailWritesAfter(n) : FileFaults::FailReadsAfter(n);
        try {
            strike.result = op();
        } catch (const Failure& failure) {
            strike.failure = failure;
        }
        FileFaults::Reset();
        EXPECT_EQ(OpenHandles(), handles) << "file handle left open";
        EXPECT_FALSE(cipherlib_testing::HoldsPasswordKey()) << "password key left in the cipher";
        return strike;
    }

    // Runs op under every budget of the plan; check validates each run and answers whether the
    // fault missed it (the operation finished). The end of the operation is found by bisection
    // between the stride's last strike and its first miss.
    int Sweep(Fault fault, const std::function<int16_t()>& op,
              const std::function<bool(int64_t, const Strike&)>& check) {
        const SweepPlan plan = Plan();
        int runs = 0;
        const auto finishes = [&](int64_t n) {
            ++runs;
            return check(n, Run(fault, n, op));
        };
        int64_t n = 0;
        for (; n < plan.ends; n += plan.step) {
            if (finishes(n)) return runs;  // the whole operation fits in the first bytes
        }
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
        for (int64_t m = std::max(plan.ends, missed - plan.ends); m < missed; m += plan.step) {
            EXPECT_FALSE(finishes(m)) << "budget " << m << " finished, " << missed << " did not";
        }
        return runs;
    }

    ScratchDir dir;
    FakeHost host;
    CCipherBlock engine{host};
};

class CreateSweep : public FaultSweepTest, public ::testing::WithParamInterface<int16_t> {
protected:
    void SetUp() override {
        FaultSweepTest::SetUp();
        MakeTree(root, sources);
        WriteFile(box, kOldBox);
    }
    // Every run starts over the previous box.
    int16_t Create() {
        WriteFile(box, kOldBox);
        return engine.CreateBlock(box, "Docs", kPassword, root, 0, GetParam());
    }

    static constexpr const char* kOldBox = "the previous box";
    std::string root = dir / "Docs";
    std::string box = dir / "out/box.vkx";
};

TEST_P(CreateSweep, WriteFaultKeepsThePreviousBox) {
    const int runs = Sweep(
        Fault::kWrite, [&] { return Create(); },
        [&](int64_t n, const Strike& s) {
            SCOPED_TRACE("write fault after " + std::to_string(n) + " bytes");
            EXPECT_THAT(Leftovers(dir.Str()), ::testing::IsEmpty());
            EXPECT_EQ(ReadTree(root), sources);
            if (!s.failure) return s.result == 1 && ReadFile(box) != kOldBox;
            EXPECT_THAT(s.failure->Description(), HasSubstr(dir / "out/"));
            EXPECT_EQ(ReadFile(box), kOldBox);
            return false;
        });
    EXPECT_GT(runs, 100);
    std::cout << "[ sweep    ] create " << GetParam() << " write: " << runs << " budgets\n";
}

// A source that cannot be read is left out and named, and the box stays consistent: its table
// matches its data area (ReadStored checks it) and holds every other file.
TEST_P(CreateSweep, ReadFaultIsReportedAndTheBoxStaysConsistent) {
    const int runs = Sweep(
        Fault::kRead, [&] { return Create(); },
        [&](int64_t n, const Strike& s) {
            SCOPED_TRACE("read fault after " + std::to_string(n) + " bytes");
            EXPECT_THAT(Leftovers(dir.Str()), ::testing::IsEmpty());
            if (s.failure) {
                EXPECT_THAT(s.failure->Description(), HasSubstr(root));
                EXPECT_EQ(ReadFile(box), kOldBox);
                return false;
            }
            EXPECT_EQ(s.result, 1);
            EXPECT_THAT(host.messages, ::testing::IsEmpty());
            for (const auto& problem : engine.Problems()) {
                EXPECT_THAT(problem.path, StartsWith(root));
                EXPECT_THAT(problem.reason, StartsWith("could not be read: "));
            }
            EXPECT_EQ(ReadStored(box, kPassword).size() + engine.Problems().size(), sources.size());
            return engine.Problems().empty();
        });
    EXPECT_GT(runs, 100);
    std::cout << "[ sweep    ] create " << GetParam() << " read: " << runs << " budgets\n";
}

INSTANTIATE_TEST_SUITE_P(PlainAndCompressed, CreateSweep, ::testing::Values(0, 1));

struct ExtractCase {
    const char* label;
    int16_t compression;
    bool fileByFile;
    Fault fault;
};

class ExtractSweep : public FaultSweepTest, public ::testing::WithParamInterface<ExtractCase> {
protected:
    void SetUp() override {
        FaultSweepTest::SetUp();
        MakeTree(dir / "Docs", sources);
        ASSERT_EQ(
            engine.CreateBlock(box, "Docs", kPassword, dir / "Docs", 0, GetParam().compression), 1);
        boxBytes = ReadFile(box);
        MakeTree(target, previous);
    }

    // Every run starts from the old files.
    int16_t Extract() {
        fs::remove_all(target);
        MakeTree(target, previous);
        if (!GetParam().fileByFile) return engine.ExtractBlock(box, target, kPassword);
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

    // Every file is its old self, untouched, or its complete new self; nothing else is there.
    void ExpectNothingHalfWritten() {
        for (const auto& [path, contents] : ReadTree(target)) {
            const auto old = previous.find(path);
            const auto fresh = extracted.find(path);
            const bool isOld = old != previous.end() && old->second == contents;
            const bool isNew = fresh != extracted.end() && fresh->second == contents;
            EXPECT_TRUE(isOld || isNew) << path << " is neither its old nor its new contents";
        }
        for (const auto& [path, contents] : previous) {
            if (!extracted.count(path)) {
                EXPECT_EQ(ReadFile(target + "/" + path), contents);
            }
        }
        EXPECT_THAT(Leftovers(target), ::testing::IsEmpty());
    }

    // The stream named by the engine's decompression message or question, if it gave one.
    std::string KeptStream() const {
        for (const auto& text : host.questions) {
            if (text.rfind("Error Decompression ", 0) == 0)
                return text.substr(20, text.find("\r\n") - 20);
        }
        for (const auto& message : host.messages) {
            if (message.text.rfind("Error Decompressing ", 0) == 0) return message.text.substr(20);
        }
        return {};
    }

    std::string box = dir / "box.vkx";
    std::string target = dir / "out";
    std::string boxBytes;
    const Tree previous{{"a.txt", "old a"}, {"sub/b.bin", "old b"}, {"keep.txt", "not in the box"}};
};

TEST_P(ExtractSweep, EveryStrikeEndsCleanly) {
    const ExtractCase& c = GetParam();
    const int runs = Sweep(
        c.fault, [&] { return Extract(); },
        [&](int64_t n, const Strike& s) {
            SCOPED_TRACE(std::string(c.label) + ": fault after " + std::to_string(n) + " bytes");
            EXPECT_EQ(ReadFile(box), boxBytes);
            // A read or write that fails is the file system's fault, not a damaged stream:
            // it ends in an error, never in the question whose answer keeps a ".zlib" file.
            EXPECT_EQ(KeptStream(), "");
            ExpectNothingHalfWritten();
            if (s.failure) {
                EXPECT_THAT(s.failure->Description(), AnyOf(HasSubstr(target), HasSubstr(box)));
            } else if (s.result == 1) {
                EXPECT_EQ(c.fault, Fault::kRead);  // the header itself could not be read
                EXPECT_THAT(host.messages, ::testing::SizeIs(1));
                if (!host.messages.empty()) {
                    EXPECT_EQ(host.messages[0].text, kHeaderDamagedMessage);
                }
            } else {
                EXPECT_EQ(s.result, 0);
                if (host.messages.empty()) {
                    Tree expected = extracted;
                    expected["keep.txt"] = previous.at("keep.txt");
                    EXPECT_EQ(ReadTree(target), expected);
                    return true;
                }
            }
            return false;
        });
    EXPECT_GT(runs, 100);
    std::cout << "[ sweep    ] " << c.label << ": " << runs << " budgets\n";
}

const ExtractCase kExtractCases[] = {
    {"whole plain write", 0, false, Fault::kWrite},
    {"whole plain read", 0, false, Fault::kRead},
    {"whole compressed write", 1, false, Fault::kWrite},
    {"whole compressed read", 1, false, Fault::kRead},
    {"single plain write", 0, true, Fault::kWrite},
    {"single plain read", 0, true, Fault::kRead},
    {"single compressed write", 1, true, Fault::kWrite},
    {"single compressed read", 1, true, Fault::kRead},
};

std::string CaseName(const ::testing::TestParamInfo<ExtractCase>& param) {
    std::string name = param.param.label;
    std::replace(name.begin(), name.end(), ' ', '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Cases, ExtractSweep, ::testing::ValuesIn(kExtractCases), CaseName);

}  // namespace
}  // namespace vko::test
