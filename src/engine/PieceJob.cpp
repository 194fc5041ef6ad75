#include "engine/PieceJob.h"

#include "compress/BlockDeflater.h"

namespace vko {

std::optional<int64_t> PieceJob::Step(WorkerTools& tools) {
    if (done_) return std::nullopt;
    done_ = true;
    const auto* bytes = reinterpret_cast<const uint8_t*>(bytes_.data());
    const size_t length = bytes_.size() - primer_;
    try {
        if (!tools.deflater) tools.deflater = std::make_unique<modCompress::BlockDeflater>();
        tools.deflater->Compress(bytes, primer_, bytes + primer_, length, last_, stream_);
    } catch (const Failure& failure) {
        failure_ = failure;
    }
    adler_ = modCompress::Adler32(bytes + primer_, length);
    plainBytes_ = static_cast<int64_t>(length);
    bytes_ = {};
    return 1;
}

}  // namespace vko
