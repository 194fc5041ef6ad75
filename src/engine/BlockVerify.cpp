// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/BlockVerify.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "engine/BlockHeader.h"
#include "engine/BlockStore.h"
#include "engine/BlockUnpack.h"
#include "engine/JobPipeline.h"
#include "engine/PlainSpanJob.h"
#include "engine/UnitPieces.h"

namespace vko::BlockVerify {

namespace {

// Workers start at most this many spans past the one being reported.
constexpr size_t kSpansAhead = 32;

// One span of whole pieces of a record's stored bytes, read with one read and absorbed into a
// seal hash of its own; a large record is cut into several, so that it keeps every worker busy.
class TagJob final : public StepJob {
public:
    TagJob(InputFile& box, int64_t offset, UnitPieces::Chunk span, const crypto::BoxKeys& keys)
        : box_(box), offset_(offset), span_(span), hash_(keys) {}

    std::optional<int64_t> Step(WorkerTools& tools) override {
        if (done_) return std::nullopt;
        done_ = true;
        const auto length = static_cast<size_t>(span_.length);
        if (tools.buffer.size() < length) tools.buffer.resize(length);
        box_.ReadAt(offset_ + static_cast<int64_t>(span_.offset), tools.buffer.data(), length);
        hash_.Absorb({reinterpret_cast<const uint8_t*>(tools.buffer.data()), length});
        return static_cast<int64_t>(length);
    }

    [[nodiscard]] const crypto::SealHash& Hash() const noexcept { return hash_; }

private:
    InputFile& box_;
    const int64_t offset_;
    const UnitPieces::Chunk span_;
    crypto::SealHash hash_;
    bool done_ = false;
};

// Takes the spans of record i, whose jobs start at job, raising the progress; its stored bytes'
// hash, or nothing when a cancel stopped it.
std::optional<crypto::SealHash> TakeSpans(BlockState& s, JobPipeline& pipeline, size_t job,
                                          int32_t i, const std::vector<UnitPieces::Chunk>& spans) {
    const std::string path = BlockHeader::EntryPath(s, BlockHeader::Record(s, i));
    const int64_t stored = BlockHeader::Record(s, i).Stored;
    crypto::SealHash hash(*s.keys.box);
    const auto done = [&](int64_t bps, int64_t left) {
        s.Events().CipherProgress(bps, s.processedBytes, s.dataByteCount, left, stored, path);
        s.host.PumpMessages();
    };
    for (const UnitPieces::Chunk& span : spans) {
        (void)pipeline.NextStep(job);
        (void)pipeline.NextStep(job);  // the job has ended
        hash.Append(static_cast<const TagJob&>(pipeline.Job(job)).Hash());
        pipeline.Release(job++);
        if (!BlockUnpack::AdvanceBlocks(s, static_cast<uint64_t>(stored), span.offset, span.length,
                                        done))
            return std::nullopt;
    }
    return hash;
}

// Checks every record held whole; false when a cancel stopped it.
bool CheckRecords(BlockState& s) {
    std::vector<int32_t> records;
    for (int32_t i = 0; i < static_cast<int32_t>(s.files.size()); ++i)
        if (!BlockHeader::Damage(s, i)) records.push_back(i);
    JobPipeline pipeline(s.workerThreads, kSpansAhead, BlockStore::GiveUpWaiting(s));
    const uint64_t spanBytes = SpanBytes(s.workerThreads);
    std::vector<std::vector<UnitPieces::Chunk>> spans;
    for (const int32_t i : records) {
        const auto k = static_cast<size_t>(i);
        const auto stored = static_cast<uint64_t>(BlockHeader::Record(s, i).Stored);
        spans.push_back(UnitPieces::Chunks(stored, spanBytes));
        for (const UnitPieces::Chunk& span : spans.back())
            pipeline.Add(std::make_unique<TagJob>(*s.box, s.headerEnd + s.recordOffsets[k], span,
                                                  *s.keys.box));
    }
    crypto::BoxCipher cipher(*s.keys.box);
    for (size_t r = 0, job = 0; r < records.size(); job += spans[r++].size()) {
        const int32_t i = records[r];
        const auto k = static_cast<size_t>(i);
        if (s.host.CancelRequested()) return false;
        const std::optional<crypto::SealHash> hash = TakeSpans(s, pipeline, job, i, spans[r]);
        if (!hash) return false;
        if (!s.tags[k] || !cipher.Verify(*hash, s.hb, k, *s.tags[k])) {
            const std::string path = BlockHeader::EntryPath(s, BlockHeader::Record(s, i));
            s.unverified.push_back(path);
            const auto fate = ProblemReason::Unverified::kChecked;
            s.problems.push_back({path, ProblemReason::NotVerified(!s.tags[k], fate)});
        }
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
