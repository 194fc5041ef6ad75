// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "engine/BlockState.h"
#include "engine/JobPipeline.h"
#include "util/Failure.h"
#include "util/File.h"
#include "util/FolderHandle.h"

// What whole and single-file extraction share: deciphering a file's stored bytes out of the
// open box, the throughput figure, and expanding a compressed entry.
namespace vko::BlockUnpack {

// Bytes per second for a chunk of bytes that took milliseconds (halves round to even); the
// byte count itself when the chunk took less than a second.
[[nodiscard]] int64_t Throughput(int64_t bytes, int32_t milliseconds);

// Called after each chunk with its throughput figure and the bytes still to come.
using ChunkDone = std::function<void(int64_t bps, int64_t remaining)>;

// Takes the stored blocks of a RecordJob from the pipeline: polls the cancel flag before each,
// advances the progress counters and calls done. False when a cancel stopped it.
[[nodiscard]] bool TakeBlocks(BlockState& s, JobPipeline& pipeline, size_t job, int64_t count,
                              const ChunkDone& done);

// Raises the progress counters by the length bytes from from on of a record of stored bytes,
// cut into whole pieces at a piece boundary, in the blocks that TakeBlocks raises them in for a
// record taken by one job: polls the cancel flag before each block and calls done after it.
// False when a cancel stopped it.
[[nodiscard]] bool AdvanceBlocks(BlockState& s, uint64_t stored, uint64_t from, uint64_t length,
                                 const ChunkDone& done);

// Hands the plain bytes of the count stored bytes of record index of the open box, which begin
// at offset in the box, to sink in chunks, deciphered on the calling thread (without checking
// its tag). A failure to read the box is thrown.
void DecipherStored(const BlockState& s, int32_t index, int64_t offset, int64_t count,
                    const std::function<void(const char* bytes, size_t length)>& sink);

// A stream that could not be expanded, kept for the user: where, or why it could not be.
struct Kept {
    std::string path;
    std::string failure;
};
// Deciphers the count stored bytes of record index at offset in the box slot, with no events,
// into a new file in folder beside name: "<name>.zlib", or else
// "<name>.1.zlib" and so on, the first that is neither there nor in taken (the names the box
// itself puts in that folder), so that nothing is ever replaced by it. A failure to read the box
// is thrown.
[[nodiscard]] Kept KeepStream(const BlockState& s, int32_t index, int64_t offset, int64_t count,
                              const std::shared_ptr<const FolderHandle>& folder,
                              const std::string& name, const std::set<std::string>& taken);

// The names the box read last puts directly in the folder of entry: its files and folders.
[[nodiscard]] std::set<std::string> NamesIn(const BlockState& s, const std::string& entry);

// The name of the cipher run of record index in the box read last; nothing in a legacy box,
// whose runs are unnamed.
[[nodiscard]] std::optional<std::string> FileRun(const BlockState& s, int32_t index);

// The label of record index's unit in the format 1 box read last.
[[nodiscard]] std::string FileLabel(const BlockState& s, int32_t index);

// Reports a failure of an expansion the way the compression module reports its own.
void ReportExpansionFailure(const Failure& failure);

// The extraction folder with its separator. An empty path is refused: it would otherwise
// become the file-system root.
[[nodiscard]] std::string ExtractionFolder(const std::string& path);

// The folder-table entry of a file record's folder: empty for the boxed folder itself. Throws
// Failure for a number the table does not hold.
[[nodiscard]] std::string FolderEntry(const BlockState& s, int32_t folderNumber);

// The native folder of a file record below base (which ends in a separator): base itself for
// the boxed folder, base plus the table entry otherwise.
[[nodiscard]] std::string TargetFolder(const BlockState& s, const std::string& base,
                                       int32_t folderNumber);

}  // namespace vko::BlockUnpack
