// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "crypto/SealHash.h"
#include "engine/BlockState.h"
#include "engine/FileProblem.h"
#include "util/Failure.h"

// What a box will hold, measured once after the folder scan, and the checks that the format
// can hold it. Every check runs before anything is written. A file the format cannot hold (its
// name, its size, a name that meets another in lower case) is left out and named; only what
// makes the whole box impossible fails, naming the path that breaks it.
namespace vko::CreatePlan {

struct PlannedFile {
    std::string path;      // full native path
    int32_t folder = 0;    // folder-table number; 0 for the boxed folder itself
    std::string name;      // file name, case as on disk
    int64_t size = 0;      // bytes measured for the table's first pass; never stored beyond
    int32_t bytes = 0;     // bytes actually taken from the source
    int32_t stored = 0;    // bytes the file occupies in the data area
    int64_t offset = 0;    // where its stored bytes lie in the box being written
    bool leftOut = false;  // could not be read once its place was reserved: not in the box
    bool changed = false;  // stored as read, which is not what was measured
    std::optional<crypto::SealHash> seal;  // of its stored bytes, once they are written
};

// The texts for a folder that a box cannot hold.
inline constexpr const char* kTooLargeText = "Vaultkeep is unable to create this box.";
inline constexpr const char* kTooLargeAdvice =
    "A box holds files of less than 2 GiB each, in at most 65,535 folders.";

// Measures every file of s.fileList and checks every limit of the box format. A file that
// cannot be measured, read or held is left out and named in s.problems. Throws Failure (6,
// overflow, when the box itself cannot be made: more than 65,535 folders, or a file table
// longer than a long field). The total has no limit: offsets are 64-bit.
[[nodiscard]] std::vector<PlannedFile> Plan(BlockState& s, const std::string& BlockFile,
                                            const std::string& BlockName, bool compressed);

// The separate checks, in the order Plan runs them.
void CheckBoxName(const std::string& BlockFile, const std::string& BlockName);
void CheckFolderCount(const FolderTable& folders, const std::string& rootPath);
void CheckFolderNames(const std::vector<PlannedFile>& files, const FolderTable& folders,
                      const std::string& rootPath);
void CheckFileNames(const std::vector<PlannedFile>& files);
void LeaveOutCollisions(std::vector<PlannedFile>& files, const FolderTable& folders,
                        std::vector<FileProblem>& problems);
void CheckTableLength(const std::vector<PlannedFile>& files, bool compressed,
                      const std::string& rootPath);

// The failure for a folder a box cannot hold, with what passes the limit.
[[nodiscard]] Failure TooLarge(const std::string& detail);

}  // namespace vko::CreatePlan
