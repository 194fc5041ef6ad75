// SPDX-License-Identifier: GPL-3.0-or-later
// Plain contents: every file is enciphered by a worker thread, piece by piece as a unit labelled
// after its record, and written to the place its measured size reserved in the data area (a
// small file's pieces by the calling thread, joined with its neighbours' into one write), while
// the calling thread raises the progress of each file in table order. A file that turns out
// shorter leaves a gap and one that cannot be read leaves its whole place empty; the box is
// packed once all are stored, so a failure costs the same whatever comes after it.
#include <algorithm>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "engine/BlockStore.h"
#include "engine/UnitPieces.h"
#include "engine/BoxFormat.h"
#include "engine/JobPipeline.h"
#include "engine/PlainSpanJob.h"
#include "util/Failure.h"
#include "util/SourceFile.h"

namespace vko::BlockStore {

namespace {

using BoxFormat::kBlockSize;
using CreatePlan::PlannedFile;

// Workers start at most this many files past the one being reported; the consumer and the
// workers wake each other about once per quarter of it (each wake-up is a costly system call
// here), and at most this many files' kept pieces wait for the consumer.
constexpr size_t kFilesAhead = 128;
// Files of at most this many bytes are handed to the consumer to write, in runs of about
// kRunBytes: one write per run rather than one per file from every worker at once, which kept
// the workers queueing for the box's inode. Larger files write their own blocks.
constexpr int64_t kKeptBytes = kBlockSize;
constexpr size_t kRunBytes = size_t{1} << 20;

// One source file: the first step opens it (its amount is the number of bytes to take), each
// further step reads one block and writes the pieces that are final (a failure writing the box
// is thrown on to the consumer); the last step writes the last piece. Never more than the
// measured size is taken; a file found longer is noted as grown. A job that keeps its pieces
// holds them for the consumer to write instead (Kept).
class PlainFileJob final : public StepJob {
public:
    PlainFileJob(const PlannedFile& file, std::string label, OutputFile& box,
                 const crypto::BoxKeys& keys, bool keep = false)
        : path_(file.path),
          label_(std::move(label)),
          limit_(file.size),
          box_(box),
          offset_(file.offset),
          keys_(keys),
          keep_(keep) {}

    // A failure of the source ends the job and leaves the file out.
    std::optional<int64_t> Step(WorkerTools& tools) override {
        if (ended_) return std::nullopt;
        try {
            if (!source_) return Open(tools);
            if (remaining_ > 0) return Block(tools);
            return End(tools);
        } catch (const SourceFailure& failure) {
            readFailure_ = failure.failure;
            ended_ = true;
            source_.reset();
            return std::nullopt;
        }
    }

    // Why the file could not be read, once its steps are over.
    [[nodiscard]] const std::optional<Failure>& ReadFailure() const noexcept {
        return readFailure_;
    }
    // Whether the file held more than its measured size.
    [[nodiscard]] bool Grown() const noexcept { return grown_; }
    // The seal hash of what was stored, once the steps are over.
    [[nodiscard]] const crypto::SealHash& Hash() const noexcept { return pieces_->Hash(); }
    // The stored bytes of a job that keeps them, once the steps are over; null otherwise.
    [[nodiscard]] const std::vector<char>* Kept() const noexcept {
        return keep_ ? &kept_ : nullptr;
    }

private:
    struct SourceFailure {
        Failure failure;
    };

    // Runs a step on the source, telling its failures apart from the box's.
    template <class Action>
    static auto FromSource(Action action) {
        try {
            return action();
        } catch (const Failure& failure) {
            throw SourceFailure{failure};
        }
    }

    std::optional<int64_t> Open(WorkerTools& tools) {
        source_ = FromSource([&] {
            return tools.Blocking(
                [&] { return std::make_unique<SourceFile>(path_, tools.folders); });
        });
        remaining_ = std::min(source_->Length(), limit_);
        if (keep_) kept_.reserve(static_cast<size_t>(remaining_));
        grown_ = source_->Length() > limit_;
        pieces_ = std::make_unique<UnitPieces::Writer>(label_, keys_);
        // Room for a block after the most a Put holds back (a piece and 15 bytes).
        tools.buffer.resize(static_cast<size_t>(kBlockSize) + UnitPieces::ChunkRoom(0));
        held_ = 0;
        return remaining_;
    }

    UnitPieces::Writer::Emit Emit() {
        return [this](const uint8_t* bytes, size_t length) {
            const auto* stored = reinterpret_cast<const char*>(bytes);
            if (keep_)
                kept_.insert(kept_.end(), stored, stored + length);
            else
                box_.WriteAt(offset_ + written_, stored, length);
            written_ += static_cast<int64_t>(length);
        };
    }

    // Reads the next block after the bytes held back (the last piece read, until 16 more bytes
    // are known), and sends the pieces that are final.
    std::optional<int64_t> Block(WorkerTools& tools) {
        const size_t want = std::min<size_t>(kBlockSize, tools.buffer.size() - held_);
        char* room = tools.buffer.data() + held_;
        const size_t count = FromSource([&] {
            return tools.Blocking([&] {
                return source_->Read(room, static_cast<size_t>(std::min<int64_t>(
                                               remaining_, static_cast<int64_t>(want))));
            });
        });
        if (count == 0) return End(tools);  // the file shrank since it was opened
        remaining_ -= static_cast<int64_t>(count);
        held_ = pieces_->Put(tools.Box(keys_), Bytes(tools), held_ + count, false, Emit());
        tools.handOver = true;
        return static_cast<int64_t>(count);
    }

    static uint8_t* Bytes(WorkerTools& tools) {
        return reinterpret_cast<uint8_t*>(tools.buffer.data());
    }

    // A byte beyond what was taken means the file grew while it was read.
    std::optional<int64_t> End(WorkerTools& tools) {
        char probe = 0;
        if (remaining_ == 0 && !grown_)
            grown_ = FromSource([&] {
                         return tools.Blocking([&] { return source_->Read(&probe, 1); });
                     }) > 0;
        held_ = pieces_->Put(tools.Box(keys_), Bytes(tools), held_, true, Emit());
        ended_ = true;
        source_.reset();
        return std::nullopt;
    }

    const std::string path_;
    const std::string label_;
    const int64_t limit_;
    OutputFile& box_;
    const int64_t offset_;
    const crypto::BoxKeys& keys_;
    const bool keep_;
    std::vector<char> kept_;
    std::unique_ptr<SourceFile> source_;
    std::unique_ptr<UnitPieces::Writer> pieces_;
    bool ended_ = false;
    bool grown_ = false;
    int64_t remaining_ = 0;
    int64_t written_ = 0;
    size_t held_ = 0;  // plain bytes at the buffer's start, held back for the next piece
    std::optional<Failure> readFailure_;
};

// The stored bytes of kept files, which follow each other in the box, joined into runs and
// written by the consumer.
class Runs {
public:
    explicit Runs(OutputFile& out) : out_(out) {}
    void Add(int64_t offset, const std::vector<char>& bytes) {
        if (!run_.empty() && offset != start_ + static_cast<int64_t>(run_.size())) Flush();
        if (run_.empty()) start_ = offset;
        run_.insert(run_.end(), bytes.begin(), bytes.end());
        if (run_.size() >= kRunBytes) Flush();
    }
    void Flush() {
        if (!run_.empty()) out_.WriteAt(start_, run_.data(), run_.size());
        run_.clear();
    }

private:
    OutputFile& out_;
    int64_t start_ = 0;
    std::vector<char> run_;
};

// Raises the progress of job index block by block, polling the cancel flag before each.
// Returns the bytes stored, or nothing when a cancel stopped it.
std::optional<int64_t> ReportFile(BlockState& s, JobPipeline& pipeline, size_t index,
                                  const std::string& path, Writeback& writeback) {
    const std::optional<int64_t> opened = pipeline.NextStep(index);
    if (!opened) return 0;
    const int64_t total = *opened;
    int64_t remaining = total;
    while (remaining > 0) {
        if (s.host.CancelRequested()) return std::nullopt;
        const std::optional<int64_t> count = pipeline.NextStep(index);
        if (!count) break;
        remaining -= *count;
        writeback.Wrote(*count);
        s.host.PumpMessages();
        ReportProgress(s, *count, remaining, total, path);
    }
    if (remaining == 0) (void)pipeline.NextStep(index);  // the step that ends the file
    return total - remaining;
}

// What became of a file once its steps are over.
struct Stored {
    int64_t bytes = 0;
    std::optional<Failure> readFailure;
    bool grown = false;
    std::optional<crypto::SealHash> hash;
};

Stored Outcome(const PlainFileJob& job, int64_t bytes) {
    Stored stored{bytes, job.ReadFailure(), job.Grown(), std::nullopt};
    if (!job.ReadFailure()) stored.hash.emplace(job.Hash());
    return stored;
}

// Stores the file again from its start on the calling thread, in order, the way a file of one
// job is stored: for a large file that shrank while its spans were read apart. Progress is
// raised only past what the spans raised already. Nothing when a cancel stopped it.
std::optional<Stored> StoreAgain(BlockState& s, PlannedFile& file, OutputFile& out,
                                 const crypto::BoxKeys& keys, Writeback& writeback,
                                 int64_t reported) {
    PlainFileJob job(file, FileLabel(s, file), out, keys);
    WorkerTools tools;
    int64_t bytes = 0;
    if (RunStep(job, tools)) {
        while (const std::optional<int64_t> got = RunStep(job, tools)) {
            if (s.host.CancelRequested()) return std::nullopt;
            const int64_t before = std::max(bytes, reported);
            bytes += *got;
            writeback.Wrote(*got);
            if (bytes > before) ReportProgress(s, bytes - before, 0, file.size, file.path);
        }
    }
    return Outcome(job, bytes);
}

// Raises the progress of the spans of a large file, whose jobs are first ... first + count - 1,
// block by block as ReportFile does, and joins their seal hashes in order. Nothing when a cancel
// stopped it.
std::optional<Stored> ReportSpans(BlockState& s, JobPipeline& pipeline, size_t first,
                                  size_t count, PlannedFile& file, OutputFile& out,
                                  const crypto::BoxKeys& keys, Writeback& writeback) {
    Stored stored;
    stored.hash.emplace(keys);
    bool shrank = false;
    for (size_t job = first; job < first + count; ++job) {
        const int64_t got = pipeline.NextStep(job).value_or(0);
        (void)pipeline.NextStep(job);  // the job has ended
        const auto& span = static_cast<const PlainSpanJob&>(pipeline.Job(job));
        // Once one span failed or read short, the rest are only waited for (they write within
        // the file's place), and nothing of them is kept.
        const bool kept = !shrank && !stored.readFailure;
        if (kept && span.ReadFailure()) stored.readFailure = span.ReadFailure();
        shrank = shrank || (kept && span.Short());
        if (kept && !stored.readFailure && !shrank) {
            stored.hash->Append(span.Hash());
            stored.grown = stored.grown || span.Grown();
        }
        pipeline.Release(job);
        if (!kept || stored.readFailure || shrank) continue;
        writeback.Wrote(got);
        // In blocks of the file as a file of one job has them, whatever the spans.
        for (int64_t left = got; left > 0;) {
            if (s.host.CancelRequested()) return std::nullopt;
            const int64_t block = std::min<int64_t>(left, kBlockSize - stored.bytes % kBlockSize);
            left -= block;
            stored.bytes += block;
            s.host.PumpMessages();
            ReportProgress(s, block, file.size - stored.bytes, file.size, file.path);
        }
    }
    if (!shrank || stored.readFailure) return stored;
    return StoreAgain(s, file, out, keys, writeback, stored.bytes);
}

// What became of a file once its steps are over: stored whole, stored as read, or left out.
void Settle(BlockState& s, PlannedFile& file, Stored stored) {
    file.bytes = file.stored = static_cast<int32_t>(stored.bytes);
    if (stored.readFailure) {
        file.leftOut = true;
        s.problems.push_back(
            {file.path, ProblemReason::Unreadable(stored.readFailure->Description(), file.path)});
        return;
    }
    file.seal = *stored.hash;
    file.changed = stored.grown || stored.bytes != file.size;
    if (file.changed) s.problems.push_back({file.path, ProblemReason::ChangedSize(stored.bytes)});
}

// Queues the jobs of file: one for a file of at most a span, else one per span of whole pieces.
// Returns how many.
size_t AddJobs(BlockState& s, JobPipeline& pipeline, const PlannedFile& file, OutputFile& out,
               const crypto::BoxKeys& keys, uint64_t spanBytes) {
    const auto size = static_cast<uint64_t>(file.size);
    if (size <= spanBytes) {
        pipeline.Add(std::make_unique<PlainFileJob>(file, FileLabel(s, file), out, keys,
                                                    file.size <= kKeptBytes));
        return 1;
    }
    const std::string label = FileLabel(s, file);
    const std::vector<UnitPieces::Chunk> spans = UnitPieces::Chunks(size, spanBytes);
    for (const UnitPieces::Chunk& span : spans)
        pipeline.Add(std::make_unique<PlainSpanJob>(file.path, label, file.size, span, out,
                                                    file.offset, keys));
    return spans.size();
}

}  // namespace

bool StorePlainFiles(BlockState& s, OutputFile& out, std::vector<PlannedFile>& files,
                     const crypto::BoxKeys& keys) {
    out.Flush();
    Writeback writeback(out);
    Runs runs(out);
    JobPipeline pipeline(s.workerThreads, kFilesAhead, GiveUpWaiting(s));
    const uint64_t spanBytes = SpanBytes(s.workerThreads);
    std::vector<size_t> jobs;  // of each file
    int64_t offset = out.Position();
    for (PlannedFile& file : files) {
        file.offset = offset;
        offset += file.size;
        jobs.push_back(AddJobs(s, pipeline, file, out, keys, spanBytes));
    }
    try {
        for (size_t i = 0, job = 0; i < files.size(); job += jobs[i++]) {
            if (s.host.CancelRequested()) return false;
            std::optional<Stored> stored;
            if (static_cast<uint64_t>(files[i].size) > spanBytes) {
                stored = ReportSpans(s, pipeline, job, jobs[i], files[i], out, keys, writeback);
            } else if (const std::optional<int64_t> bytes =
                           ReportFile(s, pipeline, job, files[i].path, writeback)) {
                const auto& ended = static_cast<const PlainFileJob&>(pipeline.Job(job));
                stored = Outcome(ended, *bytes);
                if (ended.Kept() && !stored->readFailure) runs.Add(files[i].offset, *ended.Kept());
                pipeline.Release(job);
            }
            if (!stored) return false;
            Settle(s, files[i], std::move(*stored));
        }
    } catch (const PipelineInterrupted&) {
        return false;
    }
    runs.Flush();
    return true;
}

}  // namespace vko::BlockStore
