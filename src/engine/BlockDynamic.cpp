// Single-file extraction: open a box once, pull chosen files out of it, close it.
#include <sodium.h>

#include <memory>

#include "engine/BlockExtract.h"
#include "engine/BlockHeader.h"
#include "engine/BlockScan.h"
#include "engine/BlockUnpack.h"
#include "engine/BoxPath.h"
#include "engine/JobPipeline.h"
#include "engine/RecordJob.h"
#include "engine/TargetFolders.h"
#include "util/Failure.h"

namespace vko::BlockExtract {

namespace {

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
    s.cipher.Initilize(Password);
    const int16_t read = BlockHeader::ProcessBlock(s, BlockFile, Password);
    s.rootPath = folder;
    if (read != BlockResult::kReadOk) {
        s.host.ShowMessage(kHeaderDamagedMessage, BlockHost::Icon::Information);
        DynamicClose(s);
        return BlockResult::kReadNotABox;
    }
    try {
        BlockScan::CreateAllFolders(s.rootPath);
    } catch (...) {
        DynamicClose(s);
        throw;
    }
    s.problems.clear();  // the session names the files it is asked for and cannot give
    s.processedBytes = 0;
    s.sinceSample = 0;
    // Every file is keyed with this password: the application's memorized one may be cleared
    // between two files.
    s.dynamicPassword = Password;
    return BlockResult::kReadOk;
}

void DynamicExtractToFile(BlockState& s, int32_t FileNumber, const std::string& Path) {
    RequireFile(s, FileNumber);
    const auto index = static_cast<size_t>(FileNumber) - 1;
    const FileRecord record = BlockHeader::Record(s, FileNumber - 1);
    const bool compressed = s.compressed == 1;
    const int32_t stored = compressed ? record.Stored : record.Size;
    const std::string root = BlockUnpack::ExtractionFolder(Path);
    const std::string entry = BlockUnpack::FolderEntry(s, record.FolderNumber);
    const std::string target = root + BoxPath::ToNativeFolder(entry) + record.Name;
    if (auto damage = BlockHeader::Damage(s, FileNumber - 1)) {
        s.problems.push_back({target, *damage});
        return;
    }
    TargetFolders folders(root);

    // The file's own run; the process-wide cipher is keyed too, as every file used to key it.
    BlockUnpack::KeyFileRun(s, s.dynamicPassword, FileNumber - 1);
    const crypto::RunKey key(s.dynamicPassword);
    const int64_t offset = s.headerEnd + s.recordOffsets[index];
    JobPipeline pipeline(0, 1);
    const size_t job = pipeline.Add(std::make_unique<RecordJob>(
        *s.box, offset, stored, folders, entry, record.Name, compressed, key,
        BlockUnpack::FileRun(s, FileNumber - 1)));
    auto& taken = static_cast<RecordJob&>(pipeline.Job(job));
    if (!pipeline.NextStep(job)) {  // a link stands on the way to its folder
        s.problems.push_back({target, ProblemReason::ThroughLink(taken.RefusingLink())});
        return;
    }
    const std::string output = compressed ? target + BlockUnpack::kZlibSuffix : target;
    const bool complete =
        BlockUnpack::TakeBlocks(s, pipeline, job, stored, [&](int32_t bps, int32_t remaining) {
            s.Events().CipherProgress(bps, stored - remaining, stored, remaining, stored,
                                      record.Name);
        });
    // A cancelled file replaces nothing, and a partial stream is not worth expanding.
    if (!complete) return;
    if (!compressed) {
        (void)pipeline.NextStep(job);
        taken.Commit();
        return;
    }

    s.Events().DecompressingFile(output);
    (void)pipeline.NextStep(job);
    const std::string zlibName = record.Name + BlockUnpack::kZlibSuffix;
    if (taken.Expansion().expanded) {
        taken.Commit();
        taken.Folder()->Remove(zlibName);  // a stream left by an earlier run
        return;
    }
    BlockUnpack::KeyFileRun(s, s.dynamicPassword, FileNumber - 1);
    BlockUnpack::KeepStream(s, offset, stored, taken.Folder(), zlibName);
    if (taken.Expansion().failure) BlockUnpack::ReportExpansionFailure(*taken.Expansion().failure);
    s.host.ShowMessage("Error Decompressing " + output, BlockHost::Icon::None);
}

void DynamicClose(BlockState& s) {
    s.box.reset();
    if (!s.dynamicPassword.empty())
        sodium_memzero(s.dynamicPassword.data(), s.dynamicPassword.size());
    s.dynamicPassword.clear();
}

}  // namespace vko::BlockExtract
