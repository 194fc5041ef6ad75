// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/BlockVerify.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "engine/BlockHeader.h"
#include "engine/BlockStore.h"
#include "engine/BlockUnpack.h"
#include "engine/JobPipeline.h"
#include "engine/UnitPieces.h"

namespace vko::BlockVerify {

namespace {

// Workers start at most this many records past the one being reported.
constexpr size_t kRecordsAhead = 32;

// One record's stored bytes read block by block and absorbed; the step after the last checks
// its tag.
class TagJob final : public StepJob {
public:
    TagJob(InputFile& box, int64_t offset, int64_t stored, const crypto::BoxKeys& keys,
           uint64_t number, std::optional<crypto::SealTag> tag, const crypto::Digest256& hb)
        : box_(box),
          offset_(offset),
          stored_(stored),
          keys_(keys),
          number_(number),
          tag_(tag),
          hb_(hb),
          hash_(keys) {}

    std::optional<int64_t> Step(WorkerTools& tools) override {
        if (ended_) return std::nullopt;
        if (done_ == stored_) {
            ended_ = true;
            verified_ = tag_ && tools.Box(keys_).Verify(hash_, hb_, number_, *tag_);
            return std::nullopt;
        }
        const auto count =
            static_cast<size_t>(std::min<int64_t>(stored_ - done_, BoxFormat::kBlockSize));
        tools.buffer.resize(static_cast<size_t>(BoxFormat::kBlockSize));
        box_.ReadAt(offset_ + done_, tools.buffer.data(), count);
        hash_.Absorb({reinterpret_cast<const uint8_t*>(tools.buffer.data()), count});
        done_ += static_cast<int64_t>(count);
        tools.handOver = true;
        return static_cast<int64_t>(count);
    }

    [[nodiscard]] bool Verified() const noexcept { return verified_; }

private:
    InputFile& box_;
    const int64_t offset_;
    const int64_t stored_;
    const crypto::BoxKeys& keys_;
    const uint64_t number_;
    const std::optional<crypto::SealTag> tag_;
    const crypto::Digest256 hb_;
    crypto::SealHash hash_;
    int64_t done_ = 0;
    bool ended_ = false;
    bool verified_ = false;
};

// Checks every record held whole; false when a cancel stopped it.
bool CheckRecords(BlockState& s) {
    std::vector<int32_t> records;
    for (int32_t i = 0; i < static_cast<int32_t>(s.files.size()); ++i)
        if (!BlockHeader::Damage(s, i)) records.push_back(i);
    JobPipeline pipeline(s.workerThreads, kRecordsAhead, BlockStore::GiveUpWaiting(s));
    for (const int32_t i : records) {
        const auto k = static_cast<size_t>(i);
        pipeline.Add(std::make_unique<TagJob>(*s.box, s.headerEnd + s.recordOffsets[k],
                                              BlockHeader::Record(s, i).Stored, *s.keys.box, k,
                                              s.tags[k], s.hb));
    }
    for (size_t job = 0; job < records.size(); ++job) {
        const int32_t i = records[job];
        const std::string path = BlockHeader::EntryPath(s, BlockHeader::Record(s, i));
        const int64_t stored = BlockHeader::Record(s, i).Stored;
        if (s.host.CancelRequested()) return false;
        if (!BlockUnpack::TakeBlocks(s, pipeline, job, stored, [&](int64_t bps, int64_t left) {
                s.Events().CipherProgress(bps, s.processedBytes, s.dataByteCount, left, stored,
                                          path);
                s.host.PumpMessages();
            }))
            return false;
        (void)pipeline.NextStep(job);
        if (!static_cast<const TagJob&>(pipeline.Job(job)).Verified()) {
            s.unverified.push_back(path);
            s.problems.push_back({path, ProblemReason::NotVerified(!s.tags[static_cast<size_t>(i)],
                                                                   ProblemReason::Unverified::kChecked)});
        }
        pipeline.Release(job);
    }
    return true;
}

}  // namespace

int16_t VerifyBlock(BlockState& s, const std::string& BlockFile, const std::string& Password) {
    const int16_t read = BlockHeader::ProcessBlock(s, BlockFile, Password, true);
    if (read != BlockResult::kReadOk) {
        s.CloseBox();
        return read;
    }
    s.unverified.clear();
    s.processedBytes = 0;
    s.sinceSample = 0;
    s.tick.StartTick();
    bool done = true;
    try {
        if (s.format == BoxFormat::Format::kSealed)
            done = CheckRecords(s);
        else
            s.problems.push_back({BlockFile, ProblemReason::NoSeal(BoxFormat::FormatName(s.format))});
    } catch (const PipelineInterrupted&) {
        done = false;
    } catch (...) {
        s.tick.StopTick();
        s.CloseBox();
        s.cipher.Clear();
        throw;
    }
    s.tick.StopTick();
    s.CloseBox();
    s.cipher.Clear();
    return done ? BlockResult::kReadOk : BlockResult::kExtractCancelled;
}

}  // namespace vko::BlockVerify
