#include "engine/BlockUnpack.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "compress/CompressErrors.h"
#include "compress/modCompress.h"
#include "engine/BoxFormat.h"
#include "engine/BoxPath.h"
#include "engine/RunNames.h"
#include "util/Failure.h"
#include "util/PathParts.h"

namespace vko::BlockUnpack {

namespace {

// The counters are 32-bit; repeated single-file extractions must not overflow them.
void Advance(int32_t& counter, int32_t by) {
    counter = static_cast<int32_t>(
        std::min<int64_t>(static_cast<int64_t>(counter) + by, BoxFormat::kMaxLong));
}

int32_t SampleThroughput(BlockState& s) {
    s.tick.StopTick();
    const int32_t bps = Throughput(s.sinceSample, s.tick.GetRealElapsedTicks());
    s.tick.StartTick();
    s.sinceSample = 0;
    return bps;
}

}  // namespace

int32_t Throughput(int32_t bytes, int32_t milliseconds) {
    if (milliseconds < 1000) return bytes;
    return static_cast<int32_t>(std::nearbyint(bytes / (milliseconds / 1000.0)));
}

bool UnpackStored(BlockState& s, OutputFile& out, int32_t count, const ChunkDone& done) {
    if (!s.box) throw Failure(FailureNumber::kInvalidArgument, "No box is open to extract from.");
    std::vector<char> chunk(static_cast<size_t>(std::clamp(count, 0, BoxFormat::kBlockSize)));
    int32_t remaining = count;
    while (remaining > 0) {
        if (s.host.CancelRequested()) return false;
        const int32_t length = std::min(remaining, BoxFormat::kBlockSize);
        const auto bytes = static_cast<size_t>(length);
        s.box->ReadExactly(chunk.data(), bytes);
        remaining -= length;
        s.cipher.CipherInPlace(chunk.data(), bytes);
        out.Write(chunk.data(), bytes);
        Advance(s.processedBytes, length);
        Advance(s.sinceSample, length);
        done(SampleThroughput(s), remaining);
    }
    return true;
}

bool UnpackToFile(BlockState& s, const std::string& destination, int32_t count,
                  const ChunkDone& done) {
    AtomicFile file(destination);
    if (!UnpackStored(s, file.Out(), count, done)) return false;
    file.Commit(AtomicFile::Durability::kOrdered);
    return true;
}

bool TakeBlocks(BlockState& s, JobPipeline& pipeline, size_t job, int32_t count,
                const ChunkDone& done) {
    int32_t remaining = count;
    while (remaining > 0) {
        if (s.host.CancelRequested()) return false;
        const std::optional<int64_t> length = pipeline.NextStep(job);
        if (!length) throw Failure(FailureNumber::kPathFileAccess, "A stored file ended early.");
        const auto taken = static_cast<int32_t>(*length);
        remaining -= taken;
        Advance(s.processedBytes, taken);
        Advance(s.sinceSample, taken);
        done(SampleThroughput(s), remaining);
    }
    return true;
}

void KeepStream(BlockState& s, int64_t offset, int32_t count,
                const std::shared_ptr<const FolderHandle>& folder, const std::string& name) {
    AtomicFile file(folder, name);
    std::vector<char> chunk(static_cast<size_t>(std::clamp(count, 0, BoxFormat::kBlockSize)));
    for (int64_t done = 0; done < count;) {
        const auto length = static_cast<size_t>(std::min<int64_t>(count - done, chunk.size()));
        s.box->ReadAt(offset + done, chunk.data(), length);
        s.cipher.CipherInPlace(chunk.data(), length);
        file.Out().Write(chunk.data(), length);
        done += static_cast<int64_t>(length);
    }
    file.Commit(AtomicFile::Durability::kOrdered);
}

std::optional<std::string> FileRun(const BlockState& s, int32_t index) {
    if (s.blockVersion == BoxFormat::kVersionLegacy) return std::nullopt;
    const std::string& record = s.files.at(static_cast<size_t>(index));
    const size_t fixed = s.blockVersion == BoxFormat::kVersionCompressed
                             ? BoxFormat::kCompressedRecordFixed
                             : BoxFormat::kPlainRecordFixed;
    return RunNames::File(s.runA, std::string_view(record).substr(0, 2),
                          std::string_view(record).substr(std::min(fixed, record.size())));
}

void KeyFileRun(BlockState& s, std::string_view password, int32_t index) {
    const std::optional<std::string> run = FileRun(s, index);
    if (run)
        s.cipher.InitilizeRun(password, *run);
    else
        s.cipher.Initilize(password);
}

void ReportExpansionFailure(const Failure& failure) {
    modCompress::ReportFailure(
        failure.Source().empty() ? "modCompress.DecompressFile" : failure.Source(),
        failure.Number(), failure.Description());
}

std::string ExtractionFolder(const std::string& path) {
    if (path.empty())
        throw Failure(FailureNumber::kInvalidArgument, "No folder to extract into was given.");
    return AddBackslash(path);
}

std::string FolderEntry(const BlockState& s, int32_t folderNumber) {
    if (folderNumber < 2) return {};
    const auto& entries = s.folders.Entries();
    if (folderNumber > static_cast<int32_t>(entries.size()))
        throw Failure(FailureNumber::kInvalidArgument,
                      "The box names folder " + std::to_string(folderNumber) +
                          ", which its folder table does not hold.");
    return entries[static_cast<size_t>(folderNumber) - 1];
}

std::string TargetFolder(const BlockState& s, const std::string& base, int32_t folderNumber) {
    return base + BoxPath::ToNativeFolder(FolderEntry(s, folderNumber));
}

}  // namespace vko::BlockUnpack
