// SPDX-License-Identifier: GPL-3.0-or-later
// Box create, list and extract over trees of 2,000 / 20,000 / 100,000 small files in a tenth
// as many folders; the time per file should stay flat as the tree grows.
//
// The trees are generated once under $VKO_BENCH_DIR (default /tmp/vko-scale-bench) and kept
// for later runs; boxes and extractions go beside them. Key derivation, a fixed cost of every
// operation, runs at its minimum so that the figures show the cost that grows with the tree.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "crypto/cipherlib_testing.h"
#include "engine/BlockHost.h"
#include "engine/CCipherBlock.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kPassword = "scale benchmark";
constexpr int kFileBytes = 200;

const bool kFastKeys = [] {
    cipherlib_testing::UseFastKeyDerivation(true);
    return true;
}();

// prefix + n + suffix (built by appending: GCC 12 warns falsely on "text" + std::string).
std::string Named(const char* prefix, int n, const char* suffix = "") {
    std::string name = prefix;
    name += std::to_string(n);
    name += suffix;
    return name;
}

fs::path BenchDir() {
    const char* env = std::getenv("VKO_BENCH_DIR");
    return env && *env ? fs::path(env) : fs::path("/tmp/vko-scale-bench");
}

std::string Contents(int file) {
    std::string bytes(kFileBytes, '\0');
    uint32_t x = 2463534242u + static_cast<uint32_t>(file);
    for (char& c : bytes) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        c = static_cast<char>('a' + x % 26);  // text-like, so compression has work to do
    }
    return bytes;
}

// files spread over files / 10 folders, two levels deep: d<k / 100>/s<k>/f<i>.txt
fs::path SourceTree(int files) {
    const fs::path root = BenchDir() / Named("tree-", files) / "Docs";
    const fs::path done = root.parent_path() / "complete";
    if (fs::exists(done)) return root;
    fs::remove_all(root);
    const int folders = files / 10;
    for (int i = 0; i < files; ++i) {
        const int k = i % folders;
        const fs::path folder = root / Named("d", k / 100) / Named("s", k);
        if (i < folders) fs::create_directories(folder);
        std::ofstream(folder / Named("f", i, ".txt"), std::ios::binary) << Contents(i);
    }
    std::ofstream(done) << "ok";
    return root;
}

fs::path BoxPath(int files, int compression) {
    return BenchDir() / (Named("box-", files) + Named("-", compression, ".vkx"));
}

void PerFile(benchmark::State& state, int files) {
    state.counters["files"] = files;
    state.counters["per_file"] = benchmark::Counter(
        files, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void Create(benchmark::State& state) {
    const int files = static_cast<int>(state.range(0));
    const auto compression = static_cast<int16_t>(state.range(1));
    const fs::path root = SourceTree(files);
    vko::QuietHost host;
    vko::CCipherBlock engine(host);
    for (auto _ : state) {
        const int16_t result = engine.CreateBlock(BoxPath(files, compression).string(), "Scale",
                                                  kPassword, root.string(), 0, compression);
        if (result != 1) state.SkipWithError("create failed");
    }
    PerFile(state, files);
}

void List(benchmark::State& state) {
    const int files = static_cast<int>(state.range(0));
    const auto compression = static_cast<int16_t>(state.range(1));
    const fs::path box = BoxPath(files, compression);
    vko::QuietHost host;
    vko::CCipherBlock engine(host);
    if (!fs::exists(box))
        (void)engine.CreateBlock(box.string(), "Scale", kPassword, SourceTree(files).string(), 0,
                                 compression);
    for (auto _ : state) {
        if (engine.ViewBlock(box.string(), kPassword) != 0) state.SkipWithError("list failed");
        benchmark::DoNotOptimize(engine.Files().size());
    }
    PerFile(state, files);
}

// Each run extracts into a fresh folder; removing the last one is not timed.
void Extract(benchmark::State& state) {
    const int files = static_cast<int>(state.range(0));
    const auto compression = static_cast<int16_t>(state.range(1));
    const fs::path box = BoxPath(files, compression);
    vko::QuietHost host;
    vko::CCipherBlock engine(host);
    if (!fs::exists(box))
        (void)engine.CreateBlock(box.string(), "Scale", kPassword, SourceTree(files).string(), 0,
                                 compression);
    int run = 0;
    for (auto _ : state) {
        const fs::path target = BenchDir() / (Named("out-", files) + Named("-", run++));
        if (engine.ExtractBlock(box.string(), target.string(), kPassword) != 0)
            state.SkipWithError("extract failed");
        state.PauseTiming();
        fs::remove_all(target);
        state.ResumeTiming();
    }
    PerFile(state, files);
}

void Sizes(benchmark::internal::Benchmark* b) {
    for (int compression : {0, 1})
        for (int files : {2000, 20000, 100000}) b->Args({files, compression});
    b->ArgNames({"files", "compressed"})
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->MinTime(2.0);
}

BENCHMARK(Create)->Apply(Sizes);
BENCHMARK(List)->Apply(Sizes);
BENCHMARK(Extract)->Apply(Sizes);

}  // namespace
