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
#include "engine/BoxDecoder.h"
#include "engine/ReaderFixture.h"
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

// Every byte through the header and the small files, so that each write or read call is struck
// at its start, inside it and at its end, then a prime stride through the large file.
// VKO_FULL_SWEEP=1 strikes every byte of the small files' whole range and strides finer.
int64_t NextBudget(int64_t n) {
    static const bool full = std::getenv("VKO_FULL_SWEEP") != nullptr;
    const int64_t dense = full ? 4000 : 700;
    return n < dense ? n + 1 : n + (full ? 1021 : 4099);
}

struct Strike {
    std::optional<Failure> failure;  // the Failure the operation ended in, if any
    int16_t result = -1;             // its result code otherwise
};

class FaultSweepTest : public ::testing::Test {
protected:
    void SetUp() override { UseFastKeys(); }
    void TearDown() override { FileFaults::Reset(); }

    // Small enough to sweep byte by byte, with one file past a whole cipher block.
    const Tree sources{{"a.txt", "alpha"},
                       {"empty", ""},
                       {"Sub/b.bin", RandomBytes(60, 3)},
                       {"Sub/Deep/c.txt", std::string(90, 'c')},
                       {"big.bin", RandomBytes(131072 + 10, 4)}};
    // How the tree comes back: folder names in lower case.
    const Tree extracted{{"a.txt", "alpha"},
                         {"empty", ""},
                         {"sub/b.bin", sources.at("Sub/b.bin")},
                         {"sub/deep/c.txt", sources.at("Sub/Deep/c.txt")},
                         {"big.bin", sources.at("big.bin")}};

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

    // Calls check for every budget until a run ends as a clean, unstruck success.
    int Sweep(Fault fault, const std::function<int16_t()>& op,
              const std::function<bool(int64_t, const Strike&)>& check) {
        int runs = 0;
        for (int64_t n = 0; n < 2'000'000; n = NextBudget(n)) {
            ++runs;
            const Strike strike = Run(fault, n, op);
            if (check(n, strike)) return runs;
            if (::testing::Test::HasFailure()) return runs;  // one broken budget is enough
        }
        ADD_FAILURE() << "the operation never finished";
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
    int16_t Create() { return engine.CreateBlock(box, "Docs", kPassword, root, 0, GetParam()); }

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

// A source that cannot be read is reported by name and the box stays consistent: its table
// matches its data area, and only the files the fault struck are short.
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
            for (const auto& message : host.messages) EXPECT_THAT(message.text, HasSubstr(root));
            const DecodedBox decoded = DecodeBox(box, kPassword);
            EXPECT_EQ(decoded.storedTotal, decoded.dataArea);
            EXPECT_EQ(decoded.records.size(), sources.size());
            return host.messages.empty();
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

    int16_t Extract() {
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

    // Every file is its old self, untouched, or its complete new self; nothing else is there
    // except a stream the engine said it could not expand.
    void ExpectNothingHalfWritten(const std::string& keptStream) {
        for (const auto& [path, contents] : ReadTree(target)) {
            if (!keptStream.empty() && target + "/" + path == keptStream) continue;
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
        for (const auto& left : Leftovers(target)) EXPECT_EQ(left, keptStream);
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
            const std::string kept = KeptStream();
            ExpectNothingHalfWritten(kept);
            if (s.failure) {
                EXPECT_THAT(s.failure->Description(), AnyOf(HasSubstr(target), HasSubstr(box)));
            } else if (!kept.empty()) {
                EXPECT_THAT(s.result,
                            AnyOf(0, 100));  // the question was answered or a message shown
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
            fs::remove_all(target);  // the next run starts from the old files again
            MakeTree(target, previous);
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
