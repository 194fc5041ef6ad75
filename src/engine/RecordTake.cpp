// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/RecordTake.h"

#include "engine/BlockHeader.h"
#include "engine/BoxPath.h"
#include "engine/ExistingTargets.h"
#include "engine/FileProblem.h"
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
    return target;
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

namespace {

// A file whose stored bytes do not match its tag: named, and dropped unless asked for. True
// when it is dropped.
bool DropUnverified(BlockState& s, RecordJob& record, const Target& target) {
    if (record.Verified().value_or(true)) return false;
    s.unverified.push_back(target.destination);
    const bool noTag = !s.tags[static_cast<size_t>(target.index)];
    const auto fate = s.keepDamaged ? ProblemReason::Unverified::kKept : ProblemReason::Unverified::kDropped;
    s.problems.push_back({target.destination, ProblemReason::NotVerified(noTag, fate)});
    if (s.keepDamaged) return false;
    record.Drop();
    return true;
}

}  // namespace

Outcome Take(BlockState& s, JobPipeline& pipeline, size_t job, const Target& target,
             ExistingFiles choice, bool retry, const BlockUnpack::ChunkDone& done,
             const std::function<void()>& expanding) {
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
        if (DropUnverified(s, record, target)) return Outcome::kDone;
        if (target.compressed && !record.Expansion().expanded) return Outcome::kDamaged;
        if (!record.Place(choice == ExistingFiles::kReplace))
            ExistingTargets::Leave(s, choice, target.destination);
    } catch (const Failure& failure) {
        if (!record.WriteFailure()) throw;  // the box itself could not be read
        if (retry && failure.Number() == FailureNumber::kDiskFull) return Outcome::kNoSpace;
        s.problems.push_back({target.destination, ProblemReason::Unwritable(failure.Description(),
                                                                            target.destination)});
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
