// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/RecordTake.h"

#include "engine/BlockHeader.h"
#include "engine/BoxPath.h"
#include "engine/ExistingTargets.h"
#include "engine/FileProblem.h"
#include "engine/PlainSpanJob.h"
#include "engine/RecordSpanJob.h"
#include "engine/SpanFile.h"
#include "util/Failure.h"

namespace vko::RecordTake {

namespace {

int64_t DataOffset(const BlockState& s, int32_t index) {
    return s.headerEnd + s.recordOffsets[static_cast<size_t>(index)];
}

}  // namespace

Target Of(const BlockState& s, int32_t index, const std::string& root) {
    const FileRecord record = BlockHeader::Record(s, index);
    const bool compressedBox = s.compressed == 1;
    Target target;
    target.index = index;
    target.stored = compressedBox ? record.Stored : record.Size;
    // An empty file whose compression failed (as older versions stored it) has no stream.
    target.compressed = compressedBox && record.Stored > 0;
    target.entry = BlockUnpack::FolderEntry(s, record.FolderNumber);
    target.name = record.Name;
    target.destination = root + BoxPath::ToNativeFolder(target.entry) + record.Name;
    const uint64_t span = SpanBytes(s.workerThreads);
    if (s.keys.box && !target.compressed && static_cast<uint64_t>(target.stored) > span)
        target.span = span;
    return target;
}

namespace {

std::vector<UnitPieces::Chunk> Spans(const Target& target) {
    return UnitPieces::Chunks(static_cast<uint64_t>(target.stored), target.span);
}

size_t AddSpans(const BlockState& s, const Target& target, TargetFolders& folders,
                JobPipeline& pipeline) {
    auto file = std::make_shared<SpanFile>(folders, target.entry, target.name);
    const std::string label = BlockUnpack::FileLabel(s, target.index);
    const auto stored = static_cast<uint64_t>(target.stored);
    size_t first = 0;
    for (const UnitPieces::Chunk& span : Spans(target)) {
        const size_t job = pipeline.Add(std::make_unique<RecordSpanJob>(
            *s.box, DataOffset(s, target.index), file, *s.keys.box, label, stored, span));
        if (span.offset == 0) first = job;
    }
    return first;
}

std::unique_ptr<RecordJob> Job(const BlockState& s, const Target& target, TargetFolders& folders) {
    RecordCipher cipher;
    if (s.keys.box) {
        cipher.box = s.keys.box.get();
        cipher.label = BlockUnpack::FileLabel(s, target.index);
        cipher.number = static_cast<uint64_t>(target.index);
        cipher.tag = s.tags[static_cast<size_t>(target.index)];
        cipher.hb = s.hb;
    } else {
        cipher.stream = s.keys.stream.get();
        cipher.run = BlockUnpack::FileRun(s, target.index);
    }
    return std::make_unique<RecordJob>(*s.box, DataOffset(s, target.index), target.stored, folders,
                                       target.entry, target.name, target.compressed,
                                       std::move(cipher), target.destination);
}

}  // namespace

size_t AddJobs(const BlockState& s, const Target& target, TargetFolders& folders,
               JobPipeline& pipeline) {
    if (target.span > 0) return AddSpans(s, target, folders, pipeline);
    return pipeline.Add(Job(s, target, folders));
}

void Release(JobPipeline& pipeline, size_t first, const Target& target) {
    const size_t count = target.span > 0 ? Spans(target).size() : 1;
    for (size_t job = first; job < first + count; ++job) pipeline.Release(job);
}

namespace {

// A file whose stored bytes do not match its tag: named, and to be dropped unless asked for.
// True when it is to be dropped.
bool Unverified(BlockState& s, std::optional<bool> verified, const Target& target) {
    if (verified.value_or(true)) return false;
    s.unverified.push_back(target.destination);
    const bool noTag = !s.tags[static_cast<size_t>(target.index)];
    const auto fate =
        s.keepDamaged ? ProblemReason::Unverified::kKept : ProblemReason::Unverified::kDropped;
    s.problems.push_back({target.destination, ProblemReason::NotVerified(noTag, fate)});
    return !s.keepDamaged;
}

// After a failure to write it: kNoSpace when the pass may try again, else the file is named.
Outcome NotWritten(BlockState& s, const Failure& failure, const Target& target, bool retry) {
    if (retry && failure.Number() == FailureNumber::kDiskFull) return Outcome::kNoSpace;
    s.problems.push_back(
        {target.destination, ProblemReason::Unwritable(failure.Description(), target.destination)});
    return Outcome::kDone;
}

// The spans of a large plain file, taken in order: their progress raised in blocks, their seal
// hashes joined; the file put in place once the joined hash matches the record's tag.
Outcome TakeSpans(BlockState& s, JobPipeline& pipeline, size_t first, const Target& target,
                  ExistingFiles choice, bool retry, const BlockUnpack::ChunkDone& done) {
    const std::shared_ptr<SpanFile> file =
        static_cast<const RecordSpanJob&>(pipeline.Job(first)).File();
    const auto stored = static_cast<uint64_t>(target.stored);
    crypto::SealHash hash(*s.keys.box);
    try {
        size_t job = first;
        for (const UnitPieces::Chunk& span : Spans(target)) {
            (void)pipeline.NextStep(job);
            (void)pipeline.NextStep(job);  // the job has ended
            if (std::string refusal = file->Refusal(); !refusal.empty()) {
                s.problems.push_back({target.destination, std::move(refusal)});
                return Outcome::kDone;
            }
            hash.Append(static_cast<const RecordSpanJob&>(pipeline.Job(job)).Hash());
            pipeline.Release(job++);  // the window moves on: the spans after it may start
            if (!BlockUnpack::AdvanceBlocks(s, stored, span.offset, span.length, done))
                return Outcome::kCancelled;
        }
        const std::optional<crypto::SealTag>& tag = s.tags[static_cast<size_t>(target.index)];
        const bool verified =
            tag && crypto::BoxCipher(*s.keys.box)
                       .Verify(hash, s.hb, static_cast<uint64_t>(target.index), *tag);
        if (Unverified(s, verified, target)) {
            file->Drop();
            return Outcome::kDone;
        }
        if (!file->Place(choice == ExistingFiles::kReplace))
            ExistingTargets::Leave(s, choice, target.destination);
    } catch (const Failure& failure) {
        const std::optional<Failure> failed = file->WriteFailure();
        if (!failed) throw;  // the box itself could not be read
        file->Drop();
        return NotWritten(s, *failed, target, retry);
    }
    return Outcome::kDone;
}

}  // namespace

Outcome Take(BlockState& s, JobPipeline& pipeline, size_t job, const Target& target,
             ExistingFiles choice, bool retry, const BlockUnpack::ChunkDone& done,
             const std::function<void()>& expanding) {
    if (target.span > 0) return TakeSpans(s, pipeline, job, target, choice, retry, done);
    auto& record = static_cast<RecordJob&>(pipeline.Job(job));
    try {
        if (!pipeline.NextStep(job)) {  // its folder was refused
            s.problems.push_back({target.destination, record.Refusal()});
            return Outcome::kDone;
        }
        if (!BlockUnpack::TakeBlocks(s, pipeline, job, target.stored, done))
            return Outcome::kCancelled;
        if (target.compressed) expanding();
        (void)pipeline.NextStep(job);
        if (Unverified(s, record.Verified(), target)) {
            record.Drop();
            return Outcome::kDone;
        }
        if (target.compressed && !record.Expansion().expanded) return Outcome::kDamaged;
        if (!record.Place(choice == ExistingFiles::kReplace))
            ExistingTargets::Leave(s, choice, target.destination);
    } catch (const Failure& failure) {
        if (!record.WriteFailure()) throw;  // the box itself could not be read
        return NotWritten(s, failure, target, retry);
    }
    return Outcome::kDone;
}

std::string KeepDamaged(BlockState& s, const RecordJob& job, const Target& target) {
    const BlockUnpack::Kept kept = BlockUnpack::KeepStream(
        s, target.index, DataOffset(s, target.index), target.stored, job.Folder(), target.name,
        BlockUnpack::NamesIn(s, target.entry));
    s.problems.push_back({target.destination, ProblemReason::NotExpanded(job.Expansion().why,
                                                                         kept.path, kept.failure)});
    return kept.path.empty() ? target.destination : kept.path;
}

}  // namespace vko::RecordTake
