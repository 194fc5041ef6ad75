// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/RecordJob.h"

#include <algorithm>

#include "engine/BoxFormat.h"
#include "engine/UnitPieces.h"

namespace vko {

namespace {

// Stored bytes from which a compressed record expands on a lane of its own. Deciphering costs
// about a tenth of expanding, so a lane saves little, and below this its thread, buffers and
// hand-overs cost more than that; records this small are also many, which keeps every worker
// busy anyway.
constexpr int64_t kLaneFrom = int64_t{1} << 20;

}  // namespace

RecordJob::RecordJob(InputFile& box, int64_t offset, int64_t stored, TargetFolders& folders,
                     std::string entry, std::string name, bool compressed, RecordCipher cipher,
                     std::string what)
    : box_(box),
      offset_(offset),
      stored_(stored),
      folders_(folders),
      entry_(std::move(entry)),
      name_(std::move(name)),
      compressed_(compressed),
      cipher_(std::move(cipher)),
      what_(std::move(what)) {}

template <class Write>
auto RecordJob::Writing(Write write) -> decltype(write()) {
    try {
        return write();
    } catch (const Failure& failure) {
        writeFailure_ = failure;
        lane_.reset();
        expander_.reset();
        file_.reset();
        throw;
    }
}

std::optional<int64_t> RecordJob::Open(WorkerTools& tools) {
    opened_ = true;
    TargetFolders::Entered entered = folders_.Enter(entry_);
    if (!entered.folder) {
        refusal_ = std::move(entered.refusal);
        ended_ = true;
        return std::nullopt;
    }
    folder_ = std::move(entered.folder);
    Writing([&] { file_ = std::make_unique<AtomicFile>(folder_, name_); });
    if (compressed_) expander_ = std::make_unique<modCompress::StreamExpander>(file_->Out(), what_);
    if (cipher_.box) {
        hash_.emplace(*cipher_.box);
        tools.buffer.resize(UnitPieces::ChunkRoom(BoxFormat::kBlockSize));
        if (expander_ && stored_ >= kLaneFrom && tools.slot)  // not in the one-thread reference
            lane_ = std::make_unique<ExpandLane>(
                tools.buffer.size(), [this](const char* bytes, size_t count) {
                    expander_->Feed(reinterpret_cast<const uint8_t*>(bytes), count);
                });
        return 0;
    }
    if (cipher_.run)
        cipher_.stream->Start(tools.run, *cipher_.run);
    else
        cipher_.stream->Start(tools.run);
    tools.buffer.resize(static_cast<size_t>(BoxFormat::kBlockSize));
    return 0;
}

int64_t RecordJob::Pieces(WorkerTools& tools) {
    const UnitPieces::Chunk chunk = UnitPieces::NextChunk(
        static_cast<uint64_t>(stored_), static_cast<uint64_t>(done_), BoxFormat::kBlockSize);
    char* buffer = lane_ ? Writing([&] { return lane_->Free(); }) : tools.buffer.data();
    const std::span<uint8_t> bytes(reinterpret_cast<uint8_t*>(buffer),
                                   static_cast<size_t>(chunk.length));
    box_.ReadAt(offset_ + done_, buffer, bytes.size());
    UnitPieces::Decipher(tools.Box(*cipher_.box), cipher_.label, static_cast<uint64_t>(stored_),
                         chunk, bytes, &*hash_);
    if (lane_) {
        Writing([&] { lane_->Hand(bytes.size()); });
        done_ += static_cast<int64_t>(bytes.size());
    } else {
        Put(buffer, bytes.size());
    }
    tools.handOver = true;
    return static_cast<int64_t>(bytes.size());
}

void RecordJob::End(WorkerTools& tools) {
    ended_ = true;
    if (lane_) {
        Writing([&] { lane_->Drain(); });
        lane_.reset();
    }
    if (expander_) {
        outcome_ = expander_->Finish();
        expander_.reset();
    }
    Writing([&] { file_->Out().Flush(); });  // a write that fails shows here, on the worker
    if (cipher_.box)
        verified_ = cipher_.tag && tools.Box(*cipher_.box)
                                       .Verify(*hash_, cipher_.hb, cipher_.number, *cipher_.tag);
}

std::optional<int64_t> RecordJob::Step(WorkerTools& tools) {
    if (ended_) return std::nullopt;
    if (!opened_) return Open(tools);
    const int64_t remaining = stored_ - done_;
    if (remaining <= 0) {
        End(tools);
        return std::nullopt;
    }
    if (cipher_.box) return Pieces(tools);
    const auto count = static_cast<size_t>(std::min<int64_t>(remaining, BoxFormat::kBlockSize));
    char* bytes = tools.buffer.data();
    box_.ReadAt(offset_ + done_, bytes, count);
    tools.pending = pending_ = count;
    return static_cast<int64_t>(count);
}

void RecordJob::Complete(WorkerTools& tools) {
    Put(tools.buffer.data(), pending_);
}

void RecordJob::Put(const char* bytes, size_t count) {
    Writing([&] {
        if (expander_)
            expander_->Feed(reinterpret_cast<const uint8_t*>(bytes), count);
        else
            file_->Out().Write(bytes, count);
    });
    done_ += static_cast<int64_t>(count);
}

bool RecordJob::Place(bool replace) {
    return Writing([&] {
        bool placed = true;
        if (replace)
            file_->Commit(AtomicFile::Durability::kOrdered);
        else
            placed = file_->CommitNew(AtomicFile::Durability::kOrdered);
        file_.reset();
        return placed;
    });
}

}  // namespace vko
