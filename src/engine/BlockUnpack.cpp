// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/BlockUnpack.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <sodium.h>

#include "compress/CompressErrors.h"
#include "compress/modCompress.h"
#include "engine/BlockHeader.h"
#include "engine/BoxFormat.h"
#include "engine/BoxPath.h"
#include "engine/RunNames.h"
#include "engine/UnitPieces.h"
#include "util/Failure.h"
#include "util/PathParts.h"

namespace vko::BlockUnpack {

namespace {

// How many names KeepStream tries before it gives up.
constexpr int kKeptNames = 1000;

int64_t SampleThroughput(BlockState& s) {
    s.tick.StopTick();
    const int64_t bps = Throughput(s.sinceSample, s.tick.GetRealElapsedTicks());
    s.tick.StartTick();
    s.sinceSample = 0;
    return bps;
}

}  // namespace

int64_t Throughput(int64_t bytes, int32_t milliseconds) {
    if (milliseconds < 1000) return bytes;
    return static_cast<int64_t>(std::nearbyint(static_cast<double>(bytes) / (milliseconds / 1000.0)));
}

bool TakeBlocks(BlockState& s, JobPipeline& pipeline, size_t job, int64_t count,
                const ChunkDone& done) {
    int64_t remaining = count;
    while (remaining > 0) {
        if (s.host.CancelRequested()) return false;
        const std::optional<int64_t> length = pipeline.NextStep(job);
        if (!length) throw Failure(FailureNumber::kPathFileAccess, "A stored file ended early.");
        remaining -= *length;
        s.processedBytes += *length;
        s.sinceSample += *length;
        done(SampleThroughput(s), remaining);
    }
    return true;
}

bool AdvanceBlocks(BlockState& s, uint64_t stored, uint64_t from, uint64_t length,
                   const ChunkDone& done) {
    for (uint64_t at = from; at < from + length;) {
        if (s.host.CancelRequested()) return false;
        const uint64_t block = UnitPieces::NextChunk(stored, at, BoxFormat::kBlockSize).length;
        at += block;
        s.processedBytes += static_cast<int64_t>(block);
        s.sinceSample += static_cast<int64_t>(block);
        done(SampleThroughput(s), static_cast<int64_t>(stored - at));
    }
    return true;
}

void DecipherStored(const BlockState& s, int32_t index, int64_t offset, int64_t count,
                    const std::function<void(const char* bytes, size_t length)>& sink) {
    const auto stored = static_cast<uint64_t>(count);
    std::vector<char> chunk(UnitPieces::ChunkRoom(BoxFormat::kBlockSize));
    std::optional<crypto::BoxCipher> cipher;
    crypto::CipherStream run;
    std::string label;
    if (s.keys.box) {
        cipher.emplace(*s.keys.box);
        label = FileLabel(s, index);
    } else if (const std::optional<std::string> name = FileRun(s, index)) {
        s.keys.stream->Start(run, *name);
    } else {
        s.keys.stream->Start(run);
    }
    for (uint64_t done = 0; done < stored;) {
        const UnitPieces::Chunk piece =
            cipher ? UnitPieces::NextChunk(stored, done, BoxFormat::kBlockSize)
                   : UnitPieces::Chunk{0, done, std::min<uint64_t>(stored - done, BoxFormat::kBlockSize)};
        auto* bytes = reinterpret_cast<uint8_t*>(chunk.data());
        s.box->ReadAt(offset + static_cast<int64_t>(done), chunk.data(), piece.length);
        if (cipher)
            UnitPieces::Decipher(*cipher, label, stored, piece, {bytes, piece.length});
        else
            run.Transform(bytes, bytes, piece.length);
        sink(chunk.data(), piece.length);
        done += piece.length;
    }
    sodium_memzero(chunk.data(), chunk.size());
}

Kept KeepStream(const BlockState& s, int32_t index, int64_t offset, int64_t count,
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
    bool written = true;
    DecipherStored(s, index, offset, count, [&](const char* bytes, size_t length) {
        written = written && writing([&] { file->Out().Write(bytes, length); });
    });
    if (!written) return kept;
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

std::string FileLabel(const BlockState& s, int32_t index) {
    const FileRecord record = BlockHeader::Record(s, index);
    return crypto::unit_label::File(s.ha, static_cast<uint16_t>(record.FolderNumber), record.Name);
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
