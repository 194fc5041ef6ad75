// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "crypto/RunKey.h"
#include "engine/BlockState.h"
#include "engine/BlockUnpack.h"
#include "engine/ExistingFiles.h"
#include "engine/JobPipeline.h"
#include "engine/RecordJob.h"
#include "engine/TargetFolders.h"

// What whole and chosen-file extraction share for one file record: where it goes, its job, and
// taking that job to its end: the file written into its temporary, checked, and only then put
// in its place.
namespace vko::RecordTake {

// A record of the box read last, as extraction writes it.
struct Target {
    int32_t index = 0;
    int64_t stored = 0;       // bytes taken from the data area
    bool compressed = false;  // they are a stream to expand
    std::string entry;        // its folder-table entry
    std::string name;
    std::string destination;  // the full path, for events and messages
    // A plain file of a format 1 box larger than a span is taken in spans of about this many
    // bytes, each a job of its own, so that one large file keeps every worker busy; 0 for a
    // file taken by one job.
    uint64_t span = 0;
};

// Record index below root (which ends in a separator).
[[nodiscard]] Target Of(const BlockState& s, int32_t index, const std::string& root);

// Adds its jobs to pipeline, deciphering with the keys of the open box: one RecordJob, or one
// RecordSpanJob per span. Returns the index of the first.
size_t AddJobs(const BlockState& s, const Target& target, TargetFolders& folders,
               JobPipeline& pipeline);

// Releases the jobs of target, from first on (Take releases each span it has taken already).
void Release(JobPipeline& pipeline, size_t first, const Target& target);

enum class Outcome {
    kDone,       // in place, or named among the problems (or skipped) with why it is not
    kCancelled,  // the cancel flag stopped it; nothing of it is in place
    kDamaged,    // its stream did not expand; nothing is named yet (KeepDamaged)
    kNoSpace,    // with retry: writing it failed for lack of space; nothing is named yet
};

// Takes the jobs of target from job on to their end. The file replaces what is at its place only when choice is
// kReplace; otherwise a target found there is left as choice says. A file of a format 1 box
// whose stored bytes do not match its tag is named and dropped, unless s.keepDamaged lets it be
// written all the same (still named). done follows each block; expanding is called before a
// stream is checked.
[[nodiscard]] Outcome Take(BlockState& s, JobPipeline& pipeline, size_t job, const Target& target,
                           ExistingFiles choice, bool retry, const BlockUnpack::ChunkDone& done,
                           const std::function<void()>& expanding);

// After kDamaged (only ever of a RecordJob): keeps the stored stream under a new name beside the
// target and names the file among the problems. Returns the path to show the user: the stream's,
// or the target's when the stream could not be kept.
[[nodiscard]] std::string KeepDamaged(BlockState& s, const RecordJob& job, const Target& target);

}  // namespace vko::RecordTake
