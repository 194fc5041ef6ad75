// SPDX-License-Identifier: GPL-3.0-or-later
// Single-file extraction: open a box once, pull chosen files out of it, close it.
#include <memory>

#include "engine/BlockExtract.h"
#include "engine/BlockHeader.h"
#include "engine/BlockUnpack.h"
#include "engine/ExistingTargets.h"
#include "engine/JobPipeline.h"
#include "engine/RecordTake.h"
#include "engine/TargetFolders.h"
#include "util/Failure.h"

namespace vko::BlockExtract {

namespace {

// Workers start at most this many spans past the one being reported.
constexpr size_t kSpansAhead = 32;

void RequireFile(const BlockState& s, int32_t FileNumber) {
    if (!s.box)
        throw Failure(FailureNumber::kInvalidArgument, "No box is open to extract files from.");
    const auto count = static_cast<int64_t>(s.files.size());
    if (FileNumber < 1 || FileNumber > count)
        throw Failure(FailureNumber::kInvalidArgument,
                      "The box " + s.box->Path() + " holds no file number " +
                          std::to_string(FileNumber) + " (it holds " + std::to_string(count) +
                          ").");
}

}  // namespace

int16_t DynamicExtractBlock(BlockState& s, const std::string& BlockFile, const std::string& Path,
                            const std::string& Password) {
    const std::string folder = BlockUnpack::ExtractionFolder(Path);
    const int16_t read = BlockHeader::ProcessBlock(s, BlockFile, Password);
    s.rootPath = folder;
    if (read != BlockResult::kReadOk) {
        s.host.ShowMessage(kHeaderDamagedMessage, BlockHost::Icon::Information);
        DynamicClose(s);
        return BlockResult::kReadNotABox;
    }
    try {
        (void)FolderHandle::Make(s.rootPath);
    } catch (...) {
        DynamicClose(s);
        throw;
    }
    s.problems.clear();  // the session names the box and the files it is asked for and cannot give
    if (auto unsealed = BlockHeader::SealDamage(s, BlockFile)) s.problems.push_back(*unsealed);
    s.skipped.clear();
    s.unverified.clear();
    s.sweptFolders.clear();
    s.processedBytes = 0;
    s.sinceSample = 0;
    // The box's keys stay with the open box (the application's memorized password may be
    // cleared between two files).
    return BlockResult::kReadOk;
}

bool PrepareEntries(BlockState& s, const std::vector<int32_t>& fileNumbers,
                    const std::string& Path) {
    if (!s.box)
        throw Failure(FailureNumber::kInvalidArgument, "No box is open to extract files from.");
    s.sessionExisting.reset();
    if (s.existingFiles != ExistingFiles::kAsk) return true;
    const std::string root = BlockUnpack::ExtractionFolder(Path);
    std::vector<TargetFolders::File> files;
    std::vector<std::string> targets;
    for (const int32_t number : fileNumbers) {
        if (number < 1 || number > static_cast<int64_t>(s.files.size())) continue;
        const RecordTake::Target target = RecordTake::Of(s, number - 1, root);
        files.emplace_back(target.entry, target.name);
        targets.push_back(target.destination);
    }
    s.sessionExisting = ExistingTargets::Settle(s, targets, TargetFolders::Existing(root, files));
    return s.sessionExisting.has_value();
}

void DynamicExtractToFile(BlockState& s, int32_t FileNumber, const std::string& Path) {
    RequireFile(s, FileNumber);
    const std::string root = BlockUnpack::ExtractionFolder(Path);
    const RecordTake::Target target = RecordTake::Of(s, FileNumber - 1, root);
    if (auto damage = BlockHeader::Damage(s, FileNumber - 1)) {
        s.problems.push_back({target.destination, *damage});
        return;
    }
    // Without a choice made for the session, a file already there is kept.
    const ExistingFiles choice = s.existingFiles == ExistingFiles::kAsk
                                     ? s.sessionExisting.value_or(ExistingFiles::kKeep)
                                     : s.existingFiles;
    if (choice != ExistingFiles::kReplace &&
        TargetFolders::Existing(root, {{target.entry, target.name}}).front()) {
        ExistingTargets::Leave(s, choice, target.destination);
        return;
    }
    TargetFolders folders(root, s.sweptFolders);

    // A large plain file spreads its spans over the workers; any other is one job, done here.
    JobPipeline pipeline(target.span > 0 ? s.workerThreads : 0, kSpansAhead);
    const size_t job = RecordTake::AddJobs(s, target, folders, pipeline);
    const int64_t stored = target.stored;
    const RecordTake::Outcome outcome = RecordTake::Take(
        s, pipeline, job, target, choice, false,
        [&](int64_t bps, int64_t remaining) {
            s.Events().CipherProgress(bps, stored - remaining, stored, remaining, stored,
                                      target.name);
        },
        [&] { s.Events().DecompressingFile(target.destination); });
    // A cancelled file replaces nothing, and a partial stream is not worth expanding.
    if (outcome != RecordTake::Outcome::kDamaged) return;
    const auto& taken = static_cast<const RecordJob&>(pipeline.Job(job));
    const std::string shown = RecordTake::KeepDamaged(s, taken, target);
    if (!s.host.AsksAboutDamage()) return;
    if (taken.Expansion().failure) BlockUnpack::ReportExpansionFailure(*taken.Expansion().failure);
    s.host.ShowMessage("Error Decompressing " + shown, BlockHost::Icon::None);
}

void DynamicClose(BlockState& s) {
    s.CloseBox();
    s.sessionExisting.reset();
}

}  // namespace vko::BlockExtract
