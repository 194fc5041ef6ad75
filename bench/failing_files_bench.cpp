// SPDX-License-Identifier: GPL-3.0-or-later
// Box creation when many files vanish between the scan and the storing of their contents: the
// cost per failing file should stay flat from 1,000 to 8,000 failures. Each tree holds the
// failing files and 500 that stay, 200 bytes each; the failing ones are deleted once their
// places in the box are reserved (deleting and recreating them is not timed). The run with no
// failing file is the baseline: (time - baseline) / failing is what one failure costs.
//
// The trees go under $VKO_BENCH_DIR (default /tmp/vko-failing-bench). Key derivation runs at
// its minimum so that the figures show the cost of the files.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "crypto/cipherlib_testing.h"
#include "engine/BlockEvents.h"
#include "engine/BlockHost.h"
#include "engine/CCipherBlock.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kPassword = "failing benchmark";
constexpr int kKept = 500;

const bool kFastKeys = [] {
    cipherlib_testing::UseFastKeyDerivation(true);
    return true;
}();

fs::path BenchDir() {
    const char* env = std::getenv("VKO_BENCH_DIR");
    return env && *env ? fs::path(env) : fs::path("/tmp/vko-failing-bench");
}

std::string Name(const char* prefix, int n) {
    std::string name = prefix;
    name += std::to_string(n);
    return name;
}

void MakeFiles(const fs::path& folder, const char* prefix, int count) {
    const std::string bytes(200, 'v');
    for (int i = 0; i < count; ++i) std::ofstream(folder / Name(prefix, i)) << bytes;
}

// Deletes the failing files when the engine has reserved their places, outside the timing.
class Vanishing : public vko::BlockEvents {
public:
    Vanishing(benchmark::State& state, fs::path folder)
        : state_(state), folder_(std::move(folder)) {}
    void CreatingFileBlock() override {
        state_.PauseTiming();
        fs::remove_all(folder_);
        state_.ResumeTiming();
    }

private:
    benchmark::State& state_;
    fs::path folder_;
};

void CreateWithVanishingFiles(benchmark::State& state) {
    const int failing = static_cast<int>(state.range(0));
    const auto compression = static_cast<int16_t>(state.range(1));
    const fs::path root = BenchDir() / Name("tree-", failing);
    fs::remove_all(root);
    fs::create_directories(root / "kept");
    MakeFiles(root / "kept", "k", kKept);
    const fs::path box = BenchDir() / Name("box-", failing);
    vko::QuietHost host;
    vko::CCipherBlock engine(host);
    Vanishing events(state, root / "vanishing");
    engine.SetEvents(&events);
    for (auto _ : state) {
        state.PauseTiming();
        fs::create_directories(root / "vanishing");
        MakeFiles(root / "vanishing", "v", failing);
        state.ResumeTiming();
        const int16_t result =
            engine.CreateBlock(box.string(), "Failing", kPassword, root.string(), 0, compression);
        if (result != 1 || engine.Problems().size() != static_cast<size_t>(failing))
            state.SkipWithError("the failing files were not all named");
    }
    if (failing > 0)
        state.counters["per_failing_file"] = benchmark::Counter(
            failing, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    fs::remove_all(root);
    fs::remove(box);
}

BENCHMARK(CreateWithVanishingFiles)
    ->ArgsProduct({{0, 1000, 4000, 8000}, {0, 1}})
    ->ArgNames({"failing", "compressed"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1.0);

}  // namespace
