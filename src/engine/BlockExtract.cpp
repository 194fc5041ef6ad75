// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/BlockExtract.h"

#include <memory>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "engine/BlockHeader.h"
#include "engine/BlockUnpack.h"
#include "engine/BoxFormat.h"
#include "engine/ExistingTargets.h"
#include "engine/JobPipeline.h"
#include "engine/RecordTake.h"
#include "engine/TargetFolders.h"

namespace vko::BlockExtract {

namespace {

using RecordTake::Target;

enum class Step { Next, Cancelled, Abandoned };

// Ends a whole extraction on every way out, errors included: the box slot is closed and no
// password state is left in the cipher.
class ExtractionScope {
public:
    explicit ExtractionScope(BlockState& s) : s_(s) {}
    ~ExtractionScope() {
        s_.tick.StopTick();
        s_.CloseBox();
        try {
            s_.cipher.Clear();
        } catch (...) {
            // Nothing to report from here; the next keying replaces the state anyway.
        }
    }
    ExtractionScope(const ExtractionScope&) = delete;
    ExtractionScope& operator=(const ExtractionScope&) = delete;

private:
    BlockState& s_;
};

// The folders of the table below the extraction folder that no file to extract is in or below
// (the others are made as their first file is written, each from the one above it); those
// refused are not made. Entry 1 names the boxed folder itself, whose contents land directly in
// the extraction folder.
void CreateFolders(const BlockState& s, const std::vector<Target>& records,
                   TargetFolders& folders) {
    std::unordered_set<std::string_view> filled;
    for (const Target& record : records) {
        const std::string_view entry = record.entry;
        for (size_t end = entry.find(BoxFormat::kBoxSeparator); end != std::string_view::npos;
             end = entry.find(BoxFormat::kBoxSeparator, end + 1))
            filled.insert(entry.substr(0, end + 1));
    }
    const auto& entries = s.folders.Entries();
    for (size_t i = 1; i < entries.size(); ++i) {
        if (!entries[i].empty() && !filled.contains(entries[i])) (void)folders.Enter(entries[i]);
    }
}

// Workers start at most this many records past the one being reported.
constexpr size_t kRecordsAhead = 32;

// Every record the box holds whole, in table order; the others are named (a damaged box).
std::vector<Target> PlanRecords(BlockState& s, const std::string& BlockFile) {
    std::vector<Target> planned;
    if (auto unsealed = BlockHeader::SealDamage(s, BlockFile)) s.problems.push_back(*unsealed);
    for (int32_t i = 0; i < static_cast<int32_t>(s.files.size()); ++i) {
        Target target = RecordTake::Of(s, i, s.rootPath);
        if (auto damage = BlockHeader::Damage(s, i))
            s.problems.push_back({std::move(target.destination), *damage});
        else
            planned.push_back(std::move(target));
    }
    if (auto trailing = BlockHeader::TrailingBytes(s, BlockFile)) s.problems.push_back(*trailing);
    return planned;
}

// Before anything is written: the files already there are asked about, kept or skipped as the
// choice says, and taken out of the plan unless they are to be replaced. Nothing when the host
// cancelled.
std::optional<ExistingFiles> SettleExisting(BlockState& s, std::vector<Target>& records) {
    if (s.existingFiles == ExistingFiles::kReplace) return ExistingFiles::kReplace;
    std::vector<TargetFolders::File> files;
    std::vector<std::string> targets;
    for (const Target& record : records) {
        files.emplace_back(record.entry, record.name);
        targets.push_back(record.destination);
    }
    const std::vector<bool> existing = TargetFolders::Existing(s.rootPath, files);
    const std::optional<ExistingFiles> choice = ExistingTargets::Settle(s, targets, existing);
    if (!choice || *choice == ExistingFiles::kReplace) return choice;
    size_t kept = 0;
    for (size_t i = 0; i < records.size(); ++i) {
        if (existing[i])
            ExistingTargets::Leave(s, *choice, records[i].destination);
        else if (kept++ != i)
            records[kept - 1] = std::move(records[i]);
    }
    records.resize(kept);
    return choice;
}

// A large file is taken in spans only where the files after it hold fewer bytes than it does,
// too few to keep the other workers busy beside it: writing one file from several threads at
// once costs the kernel more than writing several files side by side (on four files of 256 MiB
// up to 1.5 s more system time, where one file of 1 GiB took half the time in spans).
void SpanOnlyTheTail(std::vector<Target>& records) {
    uint64_t after = 0;
    for (auto record = records.rbegin(); record != records.rend(); ++record) {
        const auto stored = static_cast<uint64_t>(record->stored);
        if (after >= stored) record->span = 0;
        after += stored;
    }
}

// A stream that did not expand: kept, named, and the user (if there is one) asked whether to
// abort the rest.
Step Damaged(BlockState& s, const RecordJob& job, const Target& record) {
    const std::string shown = RecordTake::KeepDamaged(s, job, record);
    if (!s.host.AsksAboutDamage()) return Step::Next;
    if (job.Expansion().failure) BlockUnpack::ReportExpansionFailure(*job.Expansion().failure);
    const bool abort = s.host.AskYesNo("Error Decompression " + shown + "\r\n\r\n" + "Abort?");
    return abort ? Step::Abandoned : Step::Next;
}

// One pass over the records from `from` on, with workers deciphering (and expanding) ahead and
// the calling thread reporting and putting each file in place in order.
struct Pass {
    BlockState& s;
    std::vector<Target>& records;
    TargetFolders& folders;
    ExistingFiles choice;
    int32_t polled = 0;  // records polled for a cancel so far

    // Where the pass stopped: records.size() when it went through.
    struct End {
        Step step = Step::Next;
        size_t at = 0;
    };

    End Run(size_t from, unsigned threads) {
        JobPipeline pipeline(threads, kRecordsAhead);
        std::vector<size_t> jobs(records.size());  // each record's first job
        for (size_t k = from; k < records.size(); ++k)
            jobs[k] = RecordTake::AddJobs(s, records[k], folders, pipeline);
        for (size_t k = from; k < records.size(); ++k) {
            const Target& record = records[k];
            // Records without stored bytes are passed over, each after its own poll.
            for (; polled <= record.index; ++polled)
                if (s.host.CancelRequested()) return {Step::Cancelled, k};
            const int64_t before = s.processedBytes;
            const size_t job = jobs[k];
            const RecordTake::Outcome outcome = RecordTake::Take(
                s, pipeline, job, record, choice, threads > 0,
                [&](int64_t bps, int64_t remaining) {
                    s.Events().CipherProgress(bps, s.processedBytes, s.dataByteCount, remaining,
                                              record.stored, record.destination);
                },
                [&] {
                    s.Events().DecompressingFile(record.destination);
                    s.host.PumpMessages();
                });
            switch (outcome) {
                case RecordTake::Outcome::kCancelled:
                    return {Step::Cancelled, k};
                case RecordTake::Outcome::kNoSpace:  // perhaps only for the files written ahead
                    s.processedBytes = before;
                    return {Step::Next, k};
                case RecordTake::Outcome::kDamaged: {
                    const auto& taken = static_cast<const RecordJob&>(pipeline.Job(job));
                    const Step step = Damaged(s, taken, record);
                    if (step != Step::Next) return {step, k};
                    break;
                }
                case RecordTake::Outcome::kDone:
                    break;
            }
            RecordTake::Release(pipeline, job, record);
        }
        return {Step::Next, records.size()};
    }
};

// Every planned record in table order. When the disk fills, the files the workers were writing
// ahead are dropped and the rest is written one at a time from the file that failed, so that
// each file that fits on its own is written.
Step ExtractRecords(BlockState& s, std::vector<Target>& records, ExistingFiles choice) {
    TargetFolders folders(s.rootPath, s.sweptFolders);
    CreateFolders(s, records, folders);
    Pass pass{s, records, folders, choice};
    Pass::End end = pass.Run(0, s.workerThreads);
    if (end.step == Step::Next && end.at < records.size()) end = pass.Run(end.at, 0);
    if (end.step != Step::Next) return end.step;
    for (; pass.polled < static_cast<int32_t>(s.files.size()); ++pass.polled)
        if (s.host.CancelRequested()) return Step::Cancelled;
    return Step::Next;
}

}  // namespace

int16_t ExtractBlock(BlockState& s, const std::string& BlockFile, const std::string& Path,
                     const std::string& Password) {
    const std::string folder = BlockUnpack::ExtractionFolder(Path);
    const int16_t read = BlockHeader::ProcessBlock(s, BlockFile, Password, true);
    s.rootPath = folder;
    if (read == BlockResult::kReadCancelled) {
        s.CloseBox();
        return BlockResult::kExtractCancelled;
    }
    if (read != BlockResult::kReadOk) {
        s.host.ShowMessage(kHeaderDamagedMessage, BlockHost::Icon::Information);
        s.CloseBox();
        return BlockResult::kExtractNotABox;
    }

    const ExtractionScope scope(s);
    s.problems.clear();  // what the header told is said again below, with target paths
    s.skipped.clear();
    s.unverified.clear();
    s.sweptFolders.clear();
    std::vector<Target> records = PlanRecords(s, BlockFile);
    const std::optional<ExistingFiles> choice = SettleExisting(s, records);
    if (!choice) return BlockResult::kExtractCancelled;
    SpanOnlyTheTail(records);
    s.processedBytes = 0;
    s.sinceSample = 0;
    s.tick.StartTick();
    if (ExtractRecords(s, records, *choice) == Step::Abandoned)
        return BlockResult::kExtractAbandoned;
    return s.host.CancelRequested() ? BlockResult::kExtractCancelled : BlockResult::kExtractDone;
}

}  // namespace vko::BlockExtract
