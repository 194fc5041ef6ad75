// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/CreatePlan.h"
#include "engine/JobPipeline.h"
#include "util/Failure.h"
#include "util/SourceFile.h"

namespace vko {

// Queues the pieces of the sources of a compressed box as PieceJobs, in table order, a number
// of pieces ahead of the piece being stored. A file of more than one piece is read in order,
// each once, a piece of modCompress::kPieceBytes at a time, on a reading thread of its own that
// the caller waits for as it waits for any worker (so a read that hangs can be cancelled), and
// every piece is queued with the 32 KiB read before it, so that what is compressed is exactly
// what was read; a smaller file is queued whole, for its job to read. Never more than a file's
// measured size is taken; a file found longer or shorter is marked changed.
class PieceReader {
public:
    // What became of one source.
    // What became of one source read here (a file queued whole tells through its job).
    struct Source {
        std::vector<size_t> pieces;  // pipeline indices, in order
        bool complete = false;       // every piece is queued, or reading it failed
        bool changed = false;        // it did not hold what was measured
        std::optional<Failure> failure;
    };

    // With threads 0 the reads run on the calling thread too.
    PieceReader(const std::vector<CreatePlan::PlannedFile>& files, JobPipeline& pipeline,
                size_t ahead, unsigned threads, JobPipeline::Interrupt interrupt);

    // The pipeline index of piece number of file index, reading as far as that and then ahead;
    // nothing when the file has no such piece (it ended before it, or could not be read).
    // Files are asked for in table order. Throws PipelineInterrupted when a wait was given up.
    [[nodiscard]] std::optional<size_t> Piece(size_t index, size_t number);
    // Complete once Piece answered nothing for the file.
    [[nodiscard]] const Source& State(size_t index) const { return sources_.at(index); }
    // The caller is done with file index: pieces it did not take are released and the rest of
    // the file, if it is still being read, is skipped.
    void Forget(size_t index);

private:
    void ReadNext();
    void QueuePiece(Source& source, const CreatePlan::PlannedFile& file);
    void Close(Source& source);

    const std::vector<CreatePlan::PlannedFile>& files_;
    JobPipeline& pipeline_;
    const size_t ahead_;
    JobPipeline reads_;  // one job per piece of a large file, one at a time
    std::vector<Source> sources_;
    size_t queued_ = 0;   // pieces queued so far, all files together
    size_t reading_ = 0;  // the file being read
    std::shared_ptr<std::unique_ptr<SourceFile>> input_;  // shared with its reads
    int64_t read_ = 0;                                    // plain bytes of it read so far
    std::string tail_;  // the last of them, the next piece's dictionary
};

}  // namespace vko
