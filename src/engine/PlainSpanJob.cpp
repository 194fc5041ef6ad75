// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/PlainSpanJob.h"

#include <sodium.h>

#include <algorithm>

#include "util/SourceFile.h"

namespace vko {

namespace {

// Spans of at most 1 MiB, whose buffers (one per worker) take at most 64 MiB together. Larger
// spans cost more than they save: once a span outgrows the processor's cache, its bytes leave
// it between the read, the cipher and the write (4 MiB spans took three times the system time
// of 1 MiB ones to write the box).
constexpr uint64_t kMostSpanBytes = uint64_t{1} << 20;
constexpr uint64_t kSpanBudget = uint64_t{64} << 20;

}  // namespace

uint64_t SpanBytes(unsigned threads) noexcept {
    const uint64_t share = kSpanBudget / std::max(1u, threads);
    return std::clamp<uint64_t>(share / crypto::kPieceBytes * crypto::kPieceBytes,
                                4 * crypto::kPieceBytes, kMostSpanBytes);
}

std::optional<int64_t> PlainSpanJob::Step(WorkerTools& tools) {
    if (done_) return std::nullopt;
    done_ = true;
    if (tools.buffer.size() < span_.length) tools.buffer.resize(span_.length);
    size_t got = 0;
    try {
        got = tools.Blocking([&] { return Read(tools); });
    } catch (const Failure& failure) {
        failure_ = failure;
        sodium_memzero(tools.buffer.data(), span_.length);
        return 0;
    }
    if (got < span_.length) {
        short_ = true;
        sodium_memzero(tools.buffer.data(), got);
        return static_cast<int64_t>(got);
    }
    const std::span<uint8_t> bytes(reinterpret_cast<uint8_t*>(tools.buffer.data()), got);
    UnitPieces::Encipher(tools.Box(keys_), label_, static_cast<uint64_t>(unitBytes_), span_, bytes,
                         hash_);
    box_.WriteAt(boxOffset_ + static_cast<int64_t>(span_.offset), tools.buffer.data(), got);
    return static_cast<int64_t>(got);
}

size_t PlainSpanJob::Read(WorkerTools& tools) {
    SourceFile source(path_, tools.folders);
    const size_t got =
        source.ReadAt(static_cast<int64_t>(span_.offset), tools.buffer.data(), span_.length);
    grown_ = source.Length() > unitBytes_;
    const bool last = span_.offset + span_.length == static_cast<uint64_t>(unitBytes_);
    if (last && got == span_.length && !grown_) {
        char probe = 0;
        grown_ = source.ReadAt(unitBytes_, &probe, 1) > 0;
    }
    return got;
}

}  // namespace vko
