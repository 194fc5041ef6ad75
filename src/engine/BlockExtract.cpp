#include "engine/BlockExtract.h"

#include <memory>
#include <vector>

#include "engine/BlockHeader.h"
#include "engine/BlockUnpack.h"
#include "engine/BoxPath.h"
#include "engine/JobPipeline.h"
#include "engine/RecordJob.h"
#include "engine/TargetFolders.h"

namespace vko::BlockExtract {

namespace {

enum class Step { Next, Cancelled, Abandoned };

// Ends a whole extraction on every way out, errors included: the box slot is closed and no
// password state is left in the cipher.
class ExtractionScope {
public:
    explicit ExtractionScope(BlockState& s) : s_(s) {}
    ~ExtractionScope() {
        s_.tick.StopTick();
        s_.box.reset();
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

// Every folder of the table below the extraction folder, those that hold no file included;
// those a link refuses are not made. Entry 1 names the boxed folder itself, whose contents land
// directly in the extraction folder.
void CreateFolders(const BlockState& s, TargetFolders& folders) {
    const auto& entries = s.folders.Entries();
    for (size_t i = 1; i < entries.size(); ++i) {
        if (!entries[i].empty()) (void)folders.Enter(entries[i]);
    }
}

bool CopyOut(BlockState& s, const std::string& destination, int32_t count) {
    return BlockUnpack::UnpackToFile(s, destination, count, [&](int32_t bps, int32_t remaining) {
        s.Events().CipherProgress(bps, s.processedBytes, s.dataByteCount, remaining, count,
                                  destination);
    });
}

// Workers start at most this many records past the one being reported.
constexpr size_t kRecordsAhead = 32;

// The records that have stored bytes, each a job of the pipeline.
struct Planned {
    int32_t index;
    int32_t stored;
    std::string entry;  // its folder-table entry
    std::string name;
    std::string destination;  // the full path, for events and messages
};

// A file of a damaged box that the box does not hold whole is named, never written.
std::vector<Planned> PlanRecords(BlockState& s, const std::string& BlockFile) {
    std::vector<Planned> planned;
    const bool compressed = s.compressed == 1;
    for (int32_t i = 0; i < static_cast<int32_t>(s.files.size()); ++i) {
        const FileRecord record = BlockHeader::Record(s, i);
        // A compressed record without stored bytes has nothing to expand. A plain record of
        // size 0 is an empty file and is recreated as one.
        if (compressed && record.Stored < 1) continue;
        std::string entry = BlockUnpack::FolderEntry(s, record.FolderNumber);
        std::string destination = s.rootPath + BoxPath::ToNativeFolder(entry) + record.Name;
        if (auto damage = BlockHeader::Damage(s, i)) {
            s.problems.push_back({std::move(destination), *damage});
            continue;
        }
        planned.push_back({i, compressed ? record.Stored : record.Size, std::move(entry),
                           record.Name, std::move(destination)});
    }
    if (auto trailing = BlockHeader::TrailingBytes(s, BlockFile)) s.problems.push_back(*trailing);
    return planned;
}

int64_t DataOffset(const BlockState& s, int32_t index) {
    return s.headerEnd + s.recordOffsets[static_cast<size_t>(index)];
}

// After the stored bytes of a compressed record: DecompressingFile, then the expanded file in
// place, or the stream kept as destination + ".zlib" and the question whether to go on.
Step FinishCompressed(BlockState& s, JobPipeline& pipeline, size_t job, const Planned& record,
                      const std::string& password) {
    const std::string zlibPath = record.destination + BlockUnpack::kZlibSuffix;
    const std::string zlibName = record.name + BlockUnpack::kZlibSuffix;
    s.Events().DecompressingFile(zlibPath);
    s.host.PumpMessages();
    (void)pipeline.NextStep(job);
    auto& taken = static_cast<RecordJob&>(pipeline.Job(job));
    const auto& expansion = taken.Expansion();
    if (expansion.expanded) {
        taken.Commit();
        taken.Folder()->Remove(zlibName);  // a stream left by an earlier run
        return Step::Next;
    }
    BlockUnpack::KeyFileRun(s, password, record.index);
    BlockUnpack::KeepStream(s, DataOffset(s, record.index), record.stored, taken.Folder(),
                            zlibName);
    if (expansion.failure) BlockUnpack::ReportExpansionFailure(*expansion.failure);
    const bool abort = s.host.AskYesNo("Error Decompression " + zlibPath + "\r\n\r\n" + "Abort?");
    return abort ? Step::Abandoned : Step::Next;
}

Step ExtractRecord(BlockState& s, JobPipeline& pipeline, size_t job, const Planned& record,
                   const std::string& password) {
    if (!pipeline.NextStep(job)) {  // a link stands on the way to its folder
        const auto& refused = static_cast<const RecordJob&>(pipeline.Job(job));
        s.problems.push_back(
            {record.destination, ProblemReason::ThroughLink(refused.RefusingLink())});
        return Step::Next;
    }
    const bool compressed = s.compressed == 1;
    const std::string path =
        compressed ? record.destination + BlockUnpack::kZlibSuffix : record.destination;
    const bool complete = BlockUnpack::TakeBlocks(
        s, pipeline, job, record.stored, [&](int32_t bps, int32_t remaining) {
            s.Events().CipherProgress(bps, s.processedBytes, s.dataByteCount, remaining,
                                      record.stored, path);
        });
    if (!complete) return Step::Cancelled;
    if (compressed) return FinishCompressed(s, pipeline, job, record, password);
    (void)pipeline.NextStep(job);
    static_cast<RecordJob&>(pipeline.Job(job)).Commit();
    return Step::Next;
}

// Every record in table order; workers decipher (and expand) ahead, the calling thread reports
// and puts each file in place in order.
Step ExtractRecords(BlockState& s, const std::string& BlockFile, const std::string& password) {
    const std::vector<Planned> records = PlanRecords(s, BlockFile);
    TargetFolders folders(s.rootPath);
    CreateFolders(s, folders);
    const crypto::RunKey key(password);
    JobPipeline pipeline(s.workerThreads, kRecordsAhead, JobPipeline::Lanes::kCipher);
    for (const Planned& record : records)
        pipeline.Add(std::make_unique<RecordJob>(*s.box, DataOffset(s, record.index), record.stored,
                                                 folders, record.entry, record.name,
                                                 s.compressed == 1, key,
                                                 BlockUnpack::FileRun(s, record.index)));
    int32_t next = 0;
    for (size_t job = 0; job < records.size(); ++job) {
        // Records without stored bytes are passed over, each after its own poll.
        for (; next <= records[job].index; ++next)
            if (s.host.CancelRequested()) return Step::Cancelled;
        const Step step = ExtractRecord(s, pipeline, job, records[job], password);
        if (step != Step::Next) return step;
        pipeline.Release(job);
    }
    for (; next < static_cast<int32_t>(s.files.size()); ++next)
        if (s.host.CancelRequested()) return Step::Cancelled;
    return Step::Next;
}

}  // namespace

int16_t ExtractBlock(BlockState& s, const std::string& BlockFile, const std::string& Path,
                     const std::string& Password) {
    const std::string folder = BlockUnpack::ExtractionFolder(Path);
    s.cipher.Initilize(Password);
    const int16_t read = BlockHeader::ProcessBlock(s, BlockFile, Password);
    s.rootPath = folder;
    if (read != BlockResult::kReadOk) {
        s.host.ShowMessage(kHeaderDamagedMessage, BlockHost::Icon::Information);
        s.box.reset();
        return BlockResult::kExtractNotABox;
    }

    const ExtractionScope scope(s);
    s.problems.clear();  // what the header told is said again below, with target paths
    s.processedBytes = 0;
    s.sinceSample = 0;
    s.tick.StartTick();
    if (ExtractRecords(s, BlockFile, Password) == Step::Abandoned)
        return BlockResult::kExtractAbandoned;
    return s.host.CancelRequested() ? BlockResult::kExtractCancelled : BlockResult::kExtractDone;
}

void ExtractToFile(BlockState& s, const std::string& destination, int32_t count) {
    // A cancelled copy leaves the destination as it was; there is nothing else to report.
    static_cast<void>(CopyOut(s, destination, count));
}

}  // namespace vko::BlockExtract
