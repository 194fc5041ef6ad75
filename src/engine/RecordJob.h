// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "compress/StreamExpander.h"
#include "crypto/RunKey.h"
#include "engine/ExpandLane.h"
#include "engine/JobPipeline.h"
#include "engine/TargetFolders.h"
#include "util/Failure.h"
#include "util/File.h"

namespace vko {

// How a record's stored bytes are deciphered: as a unit of a format 1 box, whose tag is checked
// over the bytes read, or as a stream run of an older box.
struct RecordCipher {
    const crypto::BoxKeys* box = nullptr;  // format 1
    std::string label;                     // of its unit
    uint64_t number = 0;                   // the record's index, j of its tag
    std::optional<crypto::SealTag> tag;    // nothing when the box's seal lacks it
    crypto::Digest256 hb{};
    const crypto::RunKey* stream = nullptr;  // older boxes
    std::optional<std::string> run;          // nothing: the unnamed run of a legacy box
};

// One file record taken out of an open box: its stored bytes read at their place in the data
// area, deciphered, and written (plain) or expanded (compressed) into an AtomicFile in the
// record's folder. The first step enters that folder and opens the file (amount 0), or ends the
// job when the folder is refused; then one step per block of stored bytes (its amount is the
// block's length): a format 1 step reads, absorbs, deciphers and writes its whole pieces itself,
// a stream step reads and leaves its block to the worker, which deciphers it beside other
// records before Complete writes it. The step after the last closes the file, checks a
// compressed stream and (format 1) the record's tag. The consumer then puts the file in place
// with Place, in table order, or drops it.
//
// A failure to write the file (no space, no permission) throws from the step, as any failure
// does, and leaves WriteFailure set; the file is dropped at once, so that the space it took is
// free for the files after it.
class RecordJob final : public StepJob {
public:
    // entry is the record's folder-table entry (empty for the extraction folder itself).
    // compressed: the stored bytes are a stream to expand. what names the file in reports.
    RecordJob(InputFile& box, int64_t offset, int64_t stored, TargetFolders& folders,
              std::string entry, std::string name, bool compressed, RecordCipher cipher,
              std::string what);

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
    // Format 1, once the steps are over: whether the stored bytes read match the record's tag.
    // Nothing for an older box, which has no tags.
    [[nodiscard]] std::optional<bool> Verified() const noexcept { return verified_; }
    // Drops the finished file without putting it anywhere.
    void Drop() noexcept { file_.reset(); }
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

    // Format 1: reads, checks and deciphers the next whole pieces and writes them (or hands
    // them to the lane).
    int64_t Pieces(WorkerTools& tools);
    // The end of the steps: the lane drained, the stream finished, the file flushed, the tag
    // checked.
    void End(WorkerTools& tools);
    void Put(const char* bytes, size_t count);

    InputFile& box_;
    const int64_t offset_;
    const int64_t stored_;
    TargetFolders& folders_;
    const std::string entry_;
    const std::string name_;
    const bool compressed_;
    const RecordCipher cipher_;
    const std::string what_;
    std::optional<crypto::SealHash> hash_;
    std::optional<bool> verified_;
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
    // A large compressed record of a format 1 box expands here while the next blocks are
    // deciphered; last, so that it stops before the expander and the file it feeds go.
    std::unique_ptr<ExpandLane> lane_;
};

}  // namespace vko
