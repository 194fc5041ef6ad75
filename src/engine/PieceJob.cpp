// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/PieceJob.h"

#include "compress/BlockDeflater.h"
#include "util/SourceFile.h"

namespace vko {

std::optional<int64_t> PieceJob::Step(WorkerTools& tools) {
    if (done_) return std::nullopt;
    done_ = true;
    if (path_.empty()) {
        Compress(tools, bytes_);
        bytes_ = {};
        return 1;
    }
    try {
        tools.Blocking([&] { ReadWhole(tools.buffer, tools.folders); });
    } catch (const Failure& failure) {
        readFailure_ = failure;
        return 1;
    }
    Compress(tools, tools.buffer);
    return 1;
}

// Never more than the measured size is taken; a byte beyond it means the file grew.
void PieceJob::ReadWhole(std::vector<char>& buffer, FolderCache& folders) {
    SourceFile source(path_, folders);
    changed_ = source.Length() != limit_;
    buffer.resize(static_cast<size_t>(limit_));
    const size_t got = source.Read(buffer.data(), buffer.size());
    buffer.resize(got);
    char probe = 0;
    if (!changed_) changed_ = got < static_cast<size_t>(limit_) || source.Read(&probe, 1) > 0;
}

void PieceJob::Compress(WorkerTools& tools, const std::vector<char>& bytes) {
    const auto* plain = reinterpret_cast<const uint8_t*>(bytes.data());
    const size_t length = bytes.size() - primer_;
    try {
        if (!tools.deflater) tools.deflater = std::make_unique<modCompress::BlockDeflater>();
        tools.deflater->Compress(plain, primer_, plain + primer_, length, last_, stream_);
    } catch (const Failure& failure) {
        compressFailure_ = failure;
    }
    adler_ = modCompress::Adler32(plain + primer_, length);
    plainBytes_ = static_cast<int64_t>(length);
}

}  // namespace vko
