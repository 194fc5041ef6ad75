#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "compress/StreamExpander.h"
#include "crypto/RunKey.h"
#include "engine/JobPipeline.h"
#include "util/File.h"

namespace vko {

// One file record taken out of an open box: its stored bytes read at their place in the data
// area, deciphered under its own cipher run, and written (plain box) or expanded
// (compressed box) into a temporary file beside the destination. One step per block of stored
// bytes (its amount is the block's length); the step after the last closes the file and, for a
// compressed record, checks the stream. The consumer then puts the file in place with Commit,
// in table order, or drops it.
class RecordJob final : public StepJob {
public:
    // run: the record's run name; nothing for the unnamed run of a legacy box.
    RecordJob(InputFile& box, int64_t offset, int32_t stored, std::string destination,
              bool compressed, const crypto::RunKey& key, std::optional<std::string> run);

    std::optional<int64_t> Step(WorkerTools& tools) override;

    // For a compressed record, once the steps are over: whether and how the expansion failed.
    [[nodiscard]] const modCompress::StreamExpander::Outcome& Expansion() const noexcept {
        return outcome_;
    }
    // Renames the finished file over the destination.
    void Commit();

private:
    void Open(WorkerTools& tools);

    InputFile& box_;
    const int64_t offset_;
    const int32_t stored_;
    const std::string destination_;
    const bool compressed_;
    const crypto::RunKey& key_;
    const std::optional<std::string> run_;
    std::unique_ptr<AtomicFile> file_;
    std::unique_ptr<modCompress::StreamExpander> expander_;
    int64_t done_ = 0;
    bool ended_ = false;
    modCompress::StreamExpander::Outcome outcome_;
};

}  // namespace vko
