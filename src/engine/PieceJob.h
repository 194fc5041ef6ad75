#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "compress/modCompress.h"
#include "engine/JobPipeline.h"
#include "util/Failure.h"

namespace vko {

// One piece of a file to compress, as read: the plain bytes before it (its dictionary), then
// the piece itself. Compressed in a single step on a worker thread; the input is freed then.
class PieceJob final : public StepJob {
public:
    PieceJob(std::vector<char> bytes, size_t primer, bool last)
        : bytes_(std::move(bytes)), primer_(primer), last_(last) {}

    std::optional<int64_t> Step(WorkerTools& tools) override;

    // Why the piece could not be compressed (zlib out of memory), once its step is done.
    [[nodiscard]] const std::optional<Failure>& CompressFailure() const noexcept {
        return failure_;
    }
    [[nodiscard]] const modCompress::ByteArray& Stream() const noexcept { return stream_; }
    [[nodiscard]] uint32_t Adler() const noexcept { return adler_; }
    [[nodiscard]] int64_t PlainBytes() const noexcept { return plainBytes_; }

private:
    std::vector<char> bytes_;
    const size_t primer_;
    const bool last_;
    bool done_ = false;
    std::optional<Failure> failure_;
    modCompress::ByteArray stream_;
    uint32_t adler_ = 1;
    int64_t plainBytes_ = 0;
};

}  // namespace vko
