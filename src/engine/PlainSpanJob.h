// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "crypto/BoxCipher.h"
#include "engine/JobPipeline.h"
#include "engine/UnitPieces.h"
#include "util/Failure.h"
#include "util/File.h"

namespace vko {

// How many bytes a span of a large file holds: about 1 MiB, so that one file keeps every worker
// busy and a span stays in the processor's cache from its read to its write, and never so many
// that the workers' span buffers together pass a fixed budget.
[[nodiscard]] uint64_t SpanBytes(unsigned threads) noexcept;

// One span of whole pieces of a large source file, done in a single step on a worker: read at
// its place in the file with one read, enciphered in place piece by piece as part of the file's
// unit (whose length is the measured size), absorbed into a seal hash of its own on the way and
// written to its place in the box with one write. The consumer appends the spans' hashes in
// order. A span that reads short (the file shrank) writes nothing: the consumer then stores the
// file again from its start, in order. The last span looks one byte beyond the measured size,
// to see whether the file grew. A failure writing the box is thrown on to the consumer.
class PlainSpanJob final : public StepJob {
public:
    PlainSpanJob(std::string path, std::string label, int64_t unitBytes, UnitPieces::Chunk span,
                 OutputFile& box, int64_t boxOffset, const crypto::BoxKeys& keys)
        : path_(std::move(path)),
          label_(std::move(label)),
          unitBytes_(unitBytes),
          span_(span),
          box_(box),
          boxOffset_(boxOffset),
          hash_(keys),
          keys_(keys) {}

    // Its amount is the number of bytes read.
    std::optional<int64_t> Step(WorkerTools& tools) override;

    // Once the step is done.
    [[nodiscard]] const std::optional<Failure>& ReadFailure() const noexcept { return failure_; }
    [[nodiscard]] bool Short() const noexcept { return short_; }
    [[nodiscard]] bool Grown() const noexcept { return grown_; }
    [[nodiscard]] const crypto::SealHash& Hash() const noexcept { return hash_; }

private:
    size_t Read(WorkerTools& tools);

    const std::string path_;
    const std::string label_;
    const int64_t unitBytes_;
    const UnitPieces::Chunk span_;
    OutputFile& box_;
    const int64_t boxOffset_;
    crypto::SealHash hash_;
    const crypto::BoxKeys& keys_;
    bool done_ = false;
    bool short_ = false;
    bool grown_ = false;
    std::optional<Failure> failure_;
};

}  // namespace vko
