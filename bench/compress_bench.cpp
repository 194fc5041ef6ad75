// SPDX-License-Identifier: GPL-3.0-or-later
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>

#include "compress/modCompress.h"

namespace {

using vko::modCompress::ByteArray;

constexpr size_t kInputBytes = size_t{1} << 20;

ByteArray RandomData() {
    std::mt19937 gen(11);
    ByteArray bytes(kInputBytes);
    for (auto& b : bytes) b = static_cast<uint8_t>(gen());
    return bytes;
}

// Words drawn from a small vocabulary with line breaks: compresses the way prose and source
// code do, not as trivially as one repeated phrase.
ByteArray TextLikeData() {
    static const char* const kWords[] = {
        "the",   "box",     "folder", "file",  "password", "cipher", "stream", "of",
        "and",   "to",      "a",      "in",    "is",       "that",   "with",   "block",
        "table", "entry",   "size",   "bytes", "each",     "run",    "key",    "header",
        "name",  "version", "zlib",   "level", "for",      "it",     "not",    "read"};
    std::mt19937 gen(13);
    std::string text;
    while (text.size() < kInputBytes) {
        text += kWords[gen() % std::size(kWords)];
        text += gen() % 12 == 0 ? ".\n" : " ";
    }
    text.resize(kInputBytes);
    return ByteArray(text.begin(), text.end());
}

void CompressLevel9(benchmark::State& state, const ByteArray& input) {
    ByteArray stream;
    int32_t result = 0;
    for (auto _ : state) {
        if (!vko::modCompress::CompressData(input, stream, 9, result, true))
            state.SkipWithError("CompressData failed");
        benchmark::DoNotOptimize(stream.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(input.size()));
    state.counters["ratio"] =
        static_cast<double>(stream.size()) / static_cast<double>(input.size());
}

void CompressText(benchmark::State& state) {
    static const ByteArray input = TextLikeData();
    CompressLevel9(state, input);
}
BENCHMARK(CompressText)->Unit(benchmark::kMillisecond);

void CompressRandom(benchmark::State& state) {
    static const ByteArray input = RandomData();
    CompressLevel9(state, input);
}
BENCHMARK(CompressRandom)->Unit(benchmark::kMillisecond);

}  // namespace
