// SPDX-License-Identifier: GPL-3.0-or-later
// The box cipher's primitives on one core: HCTR2 on whole 64 KiB pieces, POLYVAL per kernel, AES
// through EVP alone, the seal over 64 KiB, and short pieces. Keyed from a fixed K: no key
// derivation is timed.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "crypto/BoxCipher.h"

namespace {

using namespace vko::crypto;

constexpr int64_t kPiece = static_cast<int64_t>(kPieceBytes);

std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed = 7) {
    std::mt19937 gen(seed);
    std::vector<uint8_t> bytes(size);
    for (auto& b : bytes) b = static_cast<uint8_t>(gen());
    return bytes;
}

CipherKey FixedKey() {
    CipherKey key;
    for (int i = 0; i < 32; ++i) key.bytes[i] = static_cast<uint8_t>(i * 11);
    return key;
}

// bytes_per_second counts in units of 1,024; MB/s is in millions of bytes.
void ReportRate(benchmark::State& state, int64_t bytesPerIteration) {
    const auto bytes = static_cast<double>(state.iterations()) * bytesPerIteration;
    state.SetBytesProcessed(state.iterations() * bytesPerIteration);
    state.counters["MB/s"] = benchmark::Counter(bytes / 1e6, benchmark::Counter::kIsRate);
}

bool Runs(benchmark::State& state, PolyvalKernel kernel) {
    if (PolyvalKernelRuns(kernel)) return true;
    state.SkipWithError("this processor lacks the kernel");
    return false;
}

// A piece in place, as the engine enciphers a file's pieces (tweak included): whole 64 KiB pieces
// of large files, and the single pieces of small ones.
void PieceEncipher(benchmark::State& state) {
    const BoxKeys keys(FixedKey());
    BoxCipher cipher(keys);
    auto piece = RandomBytes(static_cast<size_t>(state.range(0)));
    uint64_t index = 0;
    for (auto _ : state) {
        cipher.EncipherPiece("vko file", index++, piece);
        benchmark::ClobberMemory();
    }
    ReportRate(state, state.range(0));
}
BENCHMARK(PieceEncipher)->Arg(kPiece)->Arg(4096)->Arg(256)->MinTime(2.0);

void PieceDecipher(benchmark::State& state) {
    const BoxKeys keys(FixedKey());
    BoxCipher cipher(keys);
    auto piece = RandomBytes(kPieceBytes);
    for (auto _ : state) {
        cipher.DecipherPiece("vko file", 0, piece);
        benchmark::ClobberMemory();
    }
    ReportRate(state, kPiece);
}
BENCHMARK(PieceDecipher)->MinTime(2.0);

// HCTR2 alone with each POLYVAL kernel.
void Hctr2Encipher(benchmark::State& state, PolyvalKernel kernel) {
    if (!Runs(state, kernel)) return;
    const BoxKeys keys(FixedKey());
    Hctr2 hctr2(keys.Subkeys().piece, kernel);
    auto piece = RandomBytes(kPieceBytes);
    const PieceTweak tweak = TweakOf("vko file", 0);
    for (auto _ : state) {
        hctr2.Encipher(tweak, piece);
        benchmark::ClobberMemory();
    }
    ReportRate(state, kPiece);
}
BENCHMARK_CAPTURE(Hctr2Encipher, avx512, PolyvalKernel::kAvx512)->MinTime(2.0);
BENCHMARK_CAPTURE(Hctr2Encipher, avx2, PolyvalKernel::kAvx2)->MinTime(2.0);
BENCHMARK_CAPTURE(Hctr2Encipher, clmul, PolyvalKernel::kClmul)->MinTime(2.0);
BENCHMARK_CAPTURE(Hctr2Encipher, portable, PolyvalKernel::kPortable)->MinTime(1.0);

void Polyval64K(benchmark::State& state, PolyvalKernel kernel) {
    if (!Runs(state, kernel)) return;
    PolyvalKey key;
    const auto h = RandomBytes(16, 3);
    SetPolyvalKey(key, h.data(), kernel);
    const auto data = RandomBytes(kPieceBytes);
    uint8_t acc[16] = {};
    for (auto _ : state) {
        PolyvalBlocks(key, acc, data.data(), kPieceBytes / 16);
        benchmark::DoNotOptimize(acc);
    }
    ReportRate(state, kPiece);
}
BENCHMARK_CAPTURE(Polyval64K, avx512, PolyvalKernel::kAvx512)->MinTime(2.0);
BENCHMARK_CAPTURE(Polyval64K, avx2, PolyvalKernel::kAvx2)->MinTime(2.0);
BENCHMARK_CAPTURE(Polyval64K, clmul, PolyvalKernel::kClmul)->MinTime(2.0);
BENCHMARK_CAPTURE(Polyval64K, portable, PolyvalKernel::kPortable)->MinTime(1.0);

// AES-256 through EVP on 64 KiB, the floor under XCTR.
void Aes256Ecb64K(benchmark::State& state) {
    const BoxKeys keys(FixedKey());
    Aes256Ecb aes(keys.Subkeys().piece, Aes256Ecb::Direction::kEncrypt);
    auto data = RandomBytes(kPieceBytes);
    for (auto _ : state) {
        aes.Blocks(data.data(), data.data(), kPieceBytes / 16);
        benchmark::ClobberMemory();
    }
    ReportRate(state, kPiece);
}
BENCHMARK(Aes256Ecb64K)->MinTime(2.0);

// A record's tag over 64 KiB of stored bytes: absorbed, then finished.
void Seal64K(benchmark::State& state) {
    const BoxKeys keys(FixedKey());
    BoxCipher cipher(keys);
    const auto data = RandomBytes(kPieceBytes);
    const Digest256 hb{};
    for (auto _ : state) {
        SealHash hash(keys);
        hash.Absorb(data);
        benchmark::DoNotOptimize(cipher.Tag(hash, hb, 1));
    }
    ReportRate(state, kPiece);
}
BENCHMARK(Seal64K)->MinTime(2.0);

// Short pieces of 1, 4 and 15 bytes (N, D or F, a small file): pieces per second.
void ShortPieces(benchmark::State& state) {
    const BoxKeys keys(FixedKey());
    BoxCipher cipher(keys);
    auto piece = RandomBytes(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        cipher.EncipherPiece("vko D", 0, piece);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ShortPieces)->Arg(1)->Arg(4)->Arg(15);

}  // namespace
