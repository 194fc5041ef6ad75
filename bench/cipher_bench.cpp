#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "crypto/CipherLanes.h"
#include "crypto/RunKey.h"
#include "crypto/cipherlib.h"

namespace {

constexpr int32_t kBlockBytes = 131'072;

std::string RandomBlock(size_t size, uint32_t seed = 7) {
    std::mt19937 gen(seed);
    std::string bytes(size, '\0');
    for (auto& c : bytes) c = static_cast<char>(gen());
    return bytes;
}

// bytes_per_second counts in units of 1,024; MB/s is in millions of bytes.
void ReportRate(benchmark::State& state, int64_t bytesPerIteration = kBlockBytes) {
    const auto bytes = static_cast<double>(state.iterations()) * bytesPerIteration;
    state.SetBytesProcessed(state.iterations() * bytesPerIteration);
    state.counters["MB/s"] = benchmark::Counter(bytes / 1e6, benchmark::Counter::kIsRate);
}

// The engine's loop: one keying, then whole 128 KiB blocks through the running stream. Keyed
// at the program's full Argon2id cost, once, outside the timing.
void CipherBufferBlocks(benchmark::State& state) {
    const std::string password = "correct horse battery staple";
    InitCipher(password.data(), static_cast<int32_t>(password.size()), 0);
    std::string block = RandomBlock(kBlockBytes);
    std::string out(kBlockBytes, ' ');
    for (auto _ : state) {
        benchmark::DoNotOptimize(CipherBuffer(block.data(), kBlockBytes, out.data()));
        benchmark::ClobberMemory();
    }
    ReportRate(state);
    InitCipher(" ", 1, 0);
}
BENCHMARK(CipherBufferBlocks)->MinTime(2.0);

// In place, as CCipher::CipherInPlace calls it.
void CipherBufferInPlace(benchmark::State& state) {
    const std::string password = "correct horse battery staple";
    InitCipher(password.data(), static_cast<int32_t>(password.size()), 0);
    std::string block = RandomBlock(kBlockBytes);
    for (auto _ : state) {
        benchmark::DoNotOptimize(CipherBuffer(block.data(), kBlockBytes, block.data()));
        benchmark::ClobberMemory();
    }
    ReportRate(state);
    InitCipher(" ", 1, 0);
}
BENCHMARK(CipherBufferInPlace)->MinTime(2.0);

// Eight runs side by side on one thread, as a worker advances eight files: one whole 128 KiB
// block of each per call, in place.
void CipherManyRuns(benchmark::State& state, vko::crypto::CipherLanes::Kernel kernel) {
    using vko::crypto::CipherLanes;
    if (!CipherLanes::Runs(kernel)) {
        state.SkipWithError("this processor lacks the kernel");
        return;
    }
    const CipherLanes lanes(kernel);
    const vko::crypto::RunKey key("correct horse battery staple");
    std::array<vko::crypto::CipherStream, 8> runs;
    std::vector<std::string> blocks;
    std::vector<vko::crypto::LaneSlice> slices;
    blocks.reserve(runs.size());
    for (size_t i = 0; i < runs.size(); ++i) {
        key.Start(runs[i]);
        auto* bytes =
            reinterpret_cast<uint8_t*>(blocks.emplace_back(RandomBlock(kBlockBytes, i)).data());
        slices.push_back({&runs[i], bytes, bytes, kBlockBytes});
    }
    for (auto _ : state) {
        lanes.Transform(slices);
        benchmark::ClobberMemory();
    }
    ReportRate(state, static_cast<int64_t>(runs.size()) * kBlockBytes);
}
BENCHMARK_CAPTURE(CipherManyRuns, avx512, vko::crypto::CipherLanes::Kernel::kAvx512)->MinTime(2.0);
BENCHMARK_CAPTURE(CipherManyRuns, avx2, vko::crypto::CipherLanes::Kernel::kAvx2)->MinTime(2.0);
BENCHMARK_CAPTURE(CipherManyRuns, one_run, vko::crypto::CipherLanes::Kernel::kOneRun)->MinTime(2.0);

}  // namespace
