// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "crypto/BoxCipher.h"
#include "engine/JobPipeline.h"
#include "engine/SpanFile.h"
#include "engine/UnitPieces.h"
#include "util/File.h"

namespace vko {

// One span of whole pieces of a large plain record of a format 1 box, done in a single step on a
// worker: its stored bytes read with one read at their place in the data area, each piece
// absorbed into a seal hash of the span's own and deciphered in place while it is in the cache,
// and the span written to its place in the record's file with one write. The consumer joins the
// spans' hashes in order and checks the record's tag before the file is put anywhere. Its amount
// is the span's length, or 0 when the file takes no more writes (its folder was refused, or a
// write of another span failed). A failure to read the box, or to open or write the file, is
// thrown on to the consumer.
class RecordSpanJob final : public StepJob {
public:
    RecordSpanJob(InputFile& box, int64_t recordOffset, std::shared_ptr<SpanFile> file,
                  const crypto::BoxKeys& keys, std::string label, uint64_t unitBytes,
                  UnitPieces::Chunk span)
        : box_(box),
          recordOffset_(recordOffset),
          file_(std::move(file)),
          keys_(keys),
          label_(std::move(label)),
          unitBytes_(unitBytes),
          span_(span),
          hash_(keys) {}

    std::optional<int64_t> Step(WorkerTools& tools) override;

    [[nodiscard]] const std::shared_ptr<SpanFile>& File() const noexcept { return file_; }
    // The hash of the span's stored bytes, once its step is done.
    [[nodiscard]] const crypto::SealHash& Hash() const noexcept { return hash_; }

private:
    InputFile& box_;
    const int64_t recordOffset_;
    const std::shared_ptr<SpanFile> file_;
    const crypto::BoxKeys& keys_;
    const std::string label_;
    const uint64_t unitBytes_;
    const UnitPieces::Chunk span_;
    crypto::SealHash hash_;
    bool done_ = false;
};

}  // namespace vko
