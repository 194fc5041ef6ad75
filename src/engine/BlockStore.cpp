#include "engine/BlockStore.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "engine/BoxFormat.h"
#include "engine/CreatePlan.h"
#include "util/Failure.h"

namespace vko::BlockStore {

namespace {

using BoxFormat::kBlockSize;

void ReportReadFailure(BlockState& s, const Failure& failure) {
    s.host.ShowMessage("The following error has occured:\r\n\r\n#" +
                           std::to_string(failure.Number()) + " - " + failure.Description(),
                       BlockHost::Icon::Information);
}

// Sized for the data at hand, so that many small files do not each touch a whole block.
std::vector<char> BlockBuffer(int64_t total) {
    return std::vector<char>(static_cast<size_t>(std::clamp<int64_t>(total, 0, kBlockSize)));
}

// Reads at most limit bytes of the file; false when it cannot be read.
bool ReadSource(const std::string& FileName, int64_t limit, modCompress::ByteArray& plain) {
    try {
        InputFile source(FileName);
        plain.resize(static_cast<size_t>(std::min(source.Length(), limit)));
        plain.resize(source.Read(reinterpret_cast<char*>(plain.data()), plain.size()));
        return true;
    } catch (const Failure&) {
        return false;
    }
}

// Leaves the zlib stream and its trailer in the module's shared buffer; false on failure,
// with the buffer empty.
bool Compress(const modCompress::ByteArray& plain) {
    int32_t result = 0;
    const bool ok = plain.empty() ? modCompress::CompressToStream(
                                        plain, modCompress::CompressedBuffer, BoxFormat::kZlibLevel)
                                  : modCompress::CompressData(plain, modCompress::CompressedBuffer,
                                                              BoxFormat::kZlibLevel, result, true);
    if (!ok) modCompress::CompressedBuffer.clear();
    modCompress::CompressedLength = static_cast<int32_t>(modCompress::CompressedBuffer.size());
    return ok;
}

void ReleaseCompressed() noexcept {
    modCompress::CompressedBuffer.clear();
    modCompress::CompressedBuffer.shrink_to_fit();
    modCompress::CompressedLength = 0;
}

}  // namespace

int32_t Throughput(int64_t bytes, int32_t milliseconds) noexcept {
    constexpr double kMax = std::numeric_limits<int32_t>::max();
    const double rate = milliseconds >= 1000
                            ? std::nearbyint(static_cast<double>(bytes) / (milliseconds / 1000.0))
                            : static_cast<double>(bytes);
    return static_cast<int32_t>(std::clamp(rate, 0.0, kMax));
}

void ReportProgress(BlockState& s, int32_t count, int32_t bytesleft, int32_t bytestotal,
                    const std::string& path) {
    s.processedBytes += count;
    s.sinceSample += count;
    const int32_t bps = Throughput(s.sinceSample, s.tick.GetRealElapsedTicks());
    s.tick.StopTick();
    s.Events().CipherProgress(bps, s.processedBytes, s.totalBytes, bytesleft, bytestotal, path);
    s.tick.StartTick();
    s.sinceSample = 0;
}

int32_t StoreFileContents(BlockState& s, const std::string& FileName, OutputFile& OutFile,
                          int64_t limit) {
    std::unique_ptr<InputFile> source;
    try {
        source = std::make_unique<InputFile>(FileName);
    } catch (const Failure& failure) {
        ReportReadFailure(s, failure);
        return 0;
    }
    const auto total = static_cast<int32_t>(std::min(source->Length(), limit));
    int32_t remaining = total;
    int32_t stored = 0;
    std::vector<char> block = BlockBuffer(total);
    while (remaining > 0 && !s.host.CancelRequested()) {
        size_t count = 0;
        try {
            count =
                source->Read(block.data(), static_cast<size_t>(std::min(remaining, kBlockSize)));
        } catch (const Failure& failure) {
            ReportReadFailure(s, failure);
            break;
        }
        if (count == 0) break;  // the file shrank since it was measured
        remaining -= static_cast<int32_t>(count);
        s.cipher.CipherInPlace(block.data(), count);
        s.host.PumpMessages();
        OutFile.Write(block.data(), count);
        stored += static_cast<int32_t>(count);
        ReportProgress(s, static_cast<int32_t>(count), remaining, total, FileName);
    }
    return stored;
}

int32_t StoreCompressedContents(BlockState& s, const std::string& FileName,
                                const modCompress::ByteArray& Data, int32_t Size,
                                OutputFile& OutFile) {
    Size = static_cast<int32_t>(std::clamp<int64_t>(Size, 0, static_cast<int64_t>(Data.size())));
    int32_t remaining = Size;
    size_t position = 0;
    std::vector<char> block = BlockBuffer(Size);
    while (remaining > 0 && !s.host.CancelRequested()) {
        s.host.PumpMessages();
        const int32_t count = std::min(remaining, kBlockSize);
        std::memcpy(block.data(), Data.data() + position, static_cast<size_t>(count));
        s.cipher.CipherInPlace(block.data(), static_cast<size_t>(count));
        position += static_cast<size_t>(count);
        remaining -= count;
        OutFile.Write(block.data(), static_cast<size_t>(count));
        ReportProgress(s, count, remaining, Size, FileName);
    }
    return Size - remaining;
}

Compressed StoreCompressedFile(BlockState& s, const std::string& FileName, OutputFile& OutFile,
                               int64_t limit) {
    s.Events().CompressingFile(FileName);
    s.host.PumpMessages();
    Compressed result;
    modCompress::ByteArray plain;
    const bool ok = ReadSource(FileName, limit, plain) && Compress(plain);
    result.bytes = static_cast<int32_t>(ok ? plain.size() : limit);
    plain = {};
    if (!ok) {
        ReleaseCompressed();
        s.host.ShowMessage("Error compressing " + FileName, BlockHost::Icon::None);
    }
    // The data area's length is a 32-bit figure too; incompressible files can pass it.
    if (static_cast<int64_t>(s.processedBytes) + modCompress::CompressedLength >
        BoxFormat::kMaxLong) {
        ReleaseCompressed();
        throw CreatePlan::TooLarge("The compressed contents pass 2 gigabytes at " + FileName + ".");
    }
    try {
        result.stored = StoreCompressedContents(s, FileName, modCompress::CompressedBuffer,
                                                modCompress::CompressedLength, OutFile);
    } catch (...) {
        ReleaseCompressed();
        throw;
    }
    ReleaseCompressed();
    return result;
}

}  // namespace vko::BlockStore
