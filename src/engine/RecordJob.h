#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "compress/StreamExpander.h"
#include "crypto/RunKey.h"
#include "engine/JobPipeline.h"
#include "engine/TargetFolders.h"
#include "util/File.h"

namespace vko {

// One file record taken out of an open box: its stored bytes read at their place in the data
// area, deciphered under its own cipher run, and written (plain box) or expanded
// (compressed box) into a temporary file in the record's folder. The first step enters that
// folder and opens the file (amount 0), or ends the job when a link stands on the folder's way;
// then one step per block of stored bytes (its amount is the block's length), read by the step
// and written by Complete once the worker has deciphered it beside other records; the step after
// the last closes the file and, for a compressed record, checks the stream. The consumer then
// puts the file in place with Commit, in table order, or drops it.
class RecordJob final : public StepJob {
public:
    // entry is the record's folder-table entry (empty for the extraction folder itself); run is
    // the record's run name, nothing for the unnamed run of a legacy box.
    RecordJob(InputFile& box, int64_t offset, int32_t stored, TargetFolders& folders,
              std::string entry, std::string name, bool compressed, const crypto::RunKey& key,
              std::optional<std::string> run);

    std::optional<int64_t> Step(WorkerTools& tools) override;
    // Writes or expands a block once the worker has deciphered it.
    void Complete(WorkerTools& tools) override;

    // The link that refused the record's folder, once the first step ended the job.
    [[nodiscard]] const std::string& RefusingLink() const noexcept { return refusingLink_; }
    // The folder the file goes into, once the first step entered it.
    [[nodiscard]] const std::shared_ptr<const FolderHandle>& Folder() const noexcept {
        return folder_;
    }
    // For a compressed record, once the steps are over: whether and how the expansion failed.
    [[nodiscard]] const modCompress::StreamExpander::Outcome& Expansion() const noexcept {
        return outcome_;
    }
    // Renames the finished file over the destination.
    void Commit();

private:
    std::optional<int64_t> Open(WorkerTools& tools);

    InputFile& box_;
    const int64_t offset_;
    const int32_t stored_;
    TargetFolders& folders_;
    const std::string entry_;
    const std::string name_;
    const bool compressed_;
    const crypto::RunKey& key_;
    const std::optional<std::string> run_;
    std::shared_ptr<const FolderHandle> folder_;
    std::string refusingLink_;
    std::unique_ptr<AtomicFile> file_;
    std::unique_ptr<modCompress::StreamExpander> expander_;
    int64_t done_ = 0;
    size_t pending_ = 0;  // bytes read and left for the worker to decipher
    bool opened_ = false;
    bool ended_ = false;
    modCompress::StreamExpander::Outcome outcome_;
};

}  // namespace vko
