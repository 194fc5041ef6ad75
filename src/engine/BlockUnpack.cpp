#include "engine/BlockUnpack.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "compress/CompressErrors.h"
#include "compress/modCompress.h"
#include "engine/BlockHeader.h"
#include "engine/BoxFormat.h"
#include "engine/BoxPath.h"
#include "engine/RunNames.h"
#include "util/Failure.h"
#include "util/PathParts.h"

namespace vko::BlockUnpack {

namespace {

// How many names KeepStream tries before it gives up.
constexpr int kKeptNames = 1000;

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
    AtomicFile file(FolderHandle::Open(GetPathPart(destination)), GetFilePart(destination));
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

Kept KeepStream(BlockState& s, int64_t offset, int32_t count,
                const std::shared_ptr<const FolderHandle>& folder, const std::string& name,
                const std::set<std::string>& taken) {
    Kept kept;
    // A failure to read the box ends the operation; only writing this file fails the keeping.
    const auto writing = [&kept](const auto& write) {
        try {
            write();
            return true;
        } catch (const Failure& failure) {
            kept.failure = failure.Description();
            return false;
        }
    };
    const std::string base = name.substr(0, 240);  // room for ".<n>.zlib" in 255 bytes
    std::unique_ptr<AtomicFile> file;
    if (!writing([&] { file = std::make_unique<AtomicFile>(folder, base + ".zlib"); })) return kept;
    std::vector<char> chunk(static_cast<size_t>(std::clamp(count, 0, BoxFormat::kBlockSize)));
    for (int64_t done = 0; done < count;) {
        const auto length = static_cast<size_t>(std::min<int64_t>(count - done, chunk.size()));
        s.box->ReadAt(offset + done, chunk.data(), length);
        s.cipher.CipherInPlace(chunk.data(), length);
        if (!writing([&] { file->Out().Write(chunk.data(), length); })) return kept;
        done += static_cast<int64_t>(length);
    }
    for (int n = 0; n < kKeptNames; ++n) {
        const std::string candidate =
            base + (n == 0 ? std::string() : "." + std::to_string(n)) + ".zlib";
        bool placed = false;
        if (taken.contains(candidate)) continue;
        if (!writing(
                [&] { placed = file->CommitNew(AtomicFile::Durability::kOrdered, candidate); }))
            return kept;
        if (placed) {
            kept.path = folder->Path() + candidate;
            return kept;
        }
    }
    kept.failure = "no free name beside it";
    return kept;
}

std::set<std::string> NamesIn(const BlockState& s, const std::string& entry) {
    std::set<std::string> names;
    for (int32_t i = 0; i < static_cast<int32_t>(s.files.size()); ++i) {
        const FileRecord record = BlockHeader::Record(s, i);
        if (FolderEntry(s, record.FolderNumber) == entry) names.insert(record.Name);
    }
    const auto& folders = s.folders.Entries();
    for (size_t i = 1; i < folders.size(); ++i) {
        const std::string& folder = folders[i];
        if (folder.size() <= entry.size() || folder.compare(0, entry.size(), entry) != 0) continue;
        const std::string rest = folder.substr(entry.size(), folder.size() - entry.size() - 1);
        if (rest.find(BoxFormat::kBoxSeparator) == std::string::npos) names.insert(rest);
    }
    return names;
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
