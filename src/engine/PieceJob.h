// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "compress/modCompress.h"
#include "engine/JobPipeline.h"
#include "util/Failure.h"

namespace vko {

// One piece of a file to compress, done in a single step on a worker thread: a piece of a large
// file as the reader read it, with the plain bytes before it as its dictionary, or a whole
// file of at most one piece, which the step reads itself so that small files are read on the
// workers too. Either way what is compressed is what was read; the input is freed then.
class PieceJob final : public StepJob {
public:
    PieceJob(std::vector<char> bytes, size_t primer, bool last)
        : bytes_(std::move(bytes)), primer_(primer), last_(last) {}
    // At most limit bytes of the file at path, as its last piece.
    PieceJob(std::string path, int64_t limit) : path_(std::move(path)), limit_(limit) {}

    std::optional<int64_t> Step(WorkerTools& tools) override;

    // Once the step is done: why the file could not be read (whole files only), whether it
    // was not the size measured, and why the piece could not be compressed (zlib out of memory).
    [[nodiscard]] const std::optional<Failure>& ReadFailure() const noexcept {
        return readFailure_;
    }
    [[nodiscard]] bool Changed() const noexcept { return changed_; }
    [[nodiscard]] const std::optional<Failure>& CompressFailure() const noexcept {
        return compressFailure_;
    }
    [[nodiscard]] const modCompress::ByteArray& Stream() const noexcept { return stream_; }
    [[nodiscard]] uint32_t Adler() const noexcept { return adler_; }
    [[nodiscard]] int64_t PlainBytes() const noexcept { return plainBytes_; }

private:
    void ReadWhole(std::vector<char>& buffer, FolderCache& folders);
    void Compress(WorkerTools& tools, const std::vector<char>& bytes);

    std::vector<char> bytes_;
    size_t primer_ = 0;
    bool last_ = true;
    const std::string path_;
    const int64_t limit_ = 0;
    bool done_ = false;
    bool changed_ = false;
    std::optional<Failure> readFailure_;
    std::optional<Failure> compressFailure_;
    modCompress::ByteArray stream_;
    uint32_t adler_ = 1;
    int64_t plainBytes_ = 0;
};

}  // namespace vko
