// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/BlockState.h"
#include "engine/CreatePlan.h"
#include "engine/JobPipeline.h"
#include "util/File.h"

// Filling the data area of a box being created: every file's stored bytes after the box's
// current position, each file a unit of its own labelled after its record and enciphered in
// pieces, in blocks of 131,072 bytes with CipherProgress after every block; each file's stored
// bytes are absorbed into its seal hash as they are written. What is stored is what was read, never
// more than the measured size: a source found shorter or longer is stored as read and marked
// changed, one that cannot be read is marked left out; each is named in s.problems, and
// PackDataArea then closes the gaps. A failure writing the box itself leaves as Failure.
namespace vko::BlockStore {

// Bytes per second of a sample: bytes / (milliseconds / 1000), rounded half to even, when the
// sample lasted at least a second; otherwise the byte count itself.
[[nodiscard]] int64_t Throughput(int64_t bytes, int32_t milliseconds) noexcept;

// Advances the progress counters by count and raises CipherProgress with the throughput of
// the bytes since the stopwatch was last started; then starts the next sample.
void ReportProgress(BlockState& s, int64_t count, int64_t bytesleft, int64_t bytestotal,
                    const std::string& path);

// Starts the device writing the box every few MiB, so that its final sync, which makes the box
// durable before it replaces the old one, does not wait for all of it at the end.
class Writeback {
public:
    explicit Writeback(OutputFile& out) : out_(out) {}
    void Wrote(int64_t bytes) noexcept {
        pending_ += bytes;
        if (pending_ < kEvery) return;
        out_.StartWriteback();
        pending_ = 0;
    }

private:
    static constexpr int64_t kEvery = int64_t{8} << 20;
    OutputFile& out_;
    int64_t pending_ = 0;
};

// The interrupt of a pipeline whose consumer is this operation: the host's cancel, asked while
// the consumer waits for a worker.
[[nodiscard]] JobPipeline::Interrupt GiveUpWaiting(BlockState& s);

// The label of file's unit in the box being created (its folder table written).
[[nodiscard]] std::string FileLabel(const BlockState& s, const CreatePlan::PlannedFile& file);

// Stores every file of a plain box after the box's current position, enciphered under keys on
// worker threads, each at the place its measured size reserved, with the progress raised in
// table order. Sets each file's offset, bytes, stored size, seal hash and fate. False when a
// cancel stopped it.
[[nodiscard]] bool StorePlainFiles(BlockState& s, OutputFile& out,
                                   std::vector<CreatePlan::PlannedFile>& files,
                                   const crypto::BoxKeys& keys);

// The same for a compressed box, each file's stream right after the one before: CompressingFile
// before each file, its zlib stream and trailer enciphered on the calling thread, with
// bytesleft and bytestotal of its progress counting its plain bytes. Fills s.storedSizes. A file
// whose stream would reach 2 GiB (its stored size is a long field) is left out and named.
[[nodiscard]] bool StoreCompressedFiles(BlockState& s, OutputFile& out,
                                        std::vector<CreatePlan::PlannedFile>& files,
                                        const crypto::BoxKeys& keys);

// Moves the stored bytes of files (those kept in the box, in table order) to follow each other
// from start, and cuts the box after the last. Each moves down or stays, so one pass copies
// only what lies after the first gap.
void PackDataArea(OutputFile& out, std::vector<CreatePlan::PlannedFile>& files, int64_t start);

}  // namespace vko::BlockStore
