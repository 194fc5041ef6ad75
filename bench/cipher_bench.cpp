// SPDX-License-Identifier: GPL-3.0-or-later
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

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


}  // namespace
