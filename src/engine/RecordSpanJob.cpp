// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/RecordSpanJob.h"

namespace vko {

std::optional<int64_t> RecordSpanJob::Step(WorkerTools& tools) {
    if (done_) return std::nullopt;
    done_ = true;
    if (!file_->Ready()) return 0;
    const auto length = static_cast<size_t>(span_.length);
    if (tools.buffer.size() < length) tools.buffer.resize(length);
    char* buffer = tools.buffer.data();
    box_.ReadAt(recordOffset_ + static_cast<int64_t>(span_.offset), buffer, length);
    UnitPieces::Decipher(tools.Box(keys_), label_, unitBytes_, span_,
                         {reinterpret_cast<uint8_t*>(buffer), length}, &hash_);
    if (!file_->WriteAt(static_cast<int64_t>(span_.offset), buffer, length)) return 0;
    return static_cast<int64_t>(length);
}

}  // namespace vko
