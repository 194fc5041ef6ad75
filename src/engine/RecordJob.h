#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "compress/StreamExpander.h"
#include "crypto/RunKey.h"
#include "engine/JobPipeline.h"
#include "engine/TargetFolders.h"
#include "util/Failure.h"
#include "util/File.h"

namespace vko {

// One file record taken out of an open box: its stored bytes read at their place in the data
// area, deciphered under its own cipher run, and written (plain) or expanded (compressed) into
// an AtomicFile in the record's folder. The first step enters that folder and opens the file
// (amount 0), or ends the job when the folder is refused; then one step per block of stored
// bytes (its amount is the block's length), read by the step and written by Complete once the
// worker has deciphered it beside other records; the step after the last closes the file and,
// for a compressed record, checks the stream. The consumer then puts the file in place with
// Place, in table order, or drops it.
//
// A failure to write the file (no space, no permission) throws from the step, as any failure
// does, and leaves WriteFailure set; the file is dropped at once, so that the space it took is
// free for the files after it.
class RecordJob final : public StepJob {
public:
    // entry is the record's folder-table entry (empty for the extraction folder itself); run is
    // the record's run name, nothing for the unnamed run of a legacy box. compressed: the stored
    // bytes are a stream to expand. what names the file in reports.
    RecordJob(InputFile& box, int64_t offset, int32_t stored, TargetFolders& folders,
              std::string entry, std::string name, bool compressed, const crypto::RunKey& key,
              std::optional<std::string> run, std::string what);

    std::optional<int64_t> Step(WorkerTools& tools) override;
    // Writes or expands a block once the worker has deciphered it.
    void Complete(WorkerTools& tools) override;

    // Why the record's folder was refused, once the first step ended the job.
    [[nodiscard]] const std::string& Refusal() const noexcept { return refusal_; }
    // The folder the file goes into, once the first step entered it.
    [[nodiscard]] const std::shared_ptr<const FolderHandle>& Folder() const noexcept {
        return folder_;
    }
    // For a compressed record, once the steps are over: whether and how the expansion failed.
    [[nodiscard]] const modCompress::StreamExpander::Outcome& Expansion() const noexcept {
        return outcome_;
    }
    // Set once writing the file failed.
    [[nodiscard]] const std::optional<Failure>& WriteFailure() const noexcept {
        return writeFailure_;
    }
    // Puts the finished file in place: over whatever is there with replace, else only where
    // nothing is (false when something is; the file is dropped).
    [[nodiscard]] bool Place(bool replace);

private:
    std::optional<int64_t> Open(WorkerTools& tools);
    // Runs a step that writes the file; a failure drops the file and is kept.
    template <class Write>
    auto Writing(Write write) -> decltype(write());

    InputFile& box_;
    const int64_t offset_;
    const int32_t stored_;
    TargetFolders& folders_;
    const std::string entry_;
    const std::string name_;
    const bool compressed_;
    const crypto::RunKey& key_;
    const std::optional<std::string> run_;
    const std::string what_;
    std::shared_ptr<const FolderHandle> folder_;
    std::string refusal_;
    std::unique_ptr<AtomicFile> file_;
    std::unique_ptr<modCompress::StreamExpander> expander_;
    int64_t done_ = 0;
    size_t pending_ = 0;  // bytes read and left for the worker to decipher
    bool opened_ = false;
    bool ended_ = false;
    modCompress::StreamExpander::Outcome outcome_;
    std::optional<Failure> writeFailure_;
};

}  // namespace vko
