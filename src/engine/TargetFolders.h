// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <list>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "util/FolderHandle.h"

namespace vko {

// The folders an extraction writes into. The extraction folder is the user's choice and may be
// reached through links; every folder below it is made (private: 0700) and entered without
// following one. A folder of the box whose path meets a symbolic link already in the target is
// refused, and so is every file in it: nothing is ever written through a link outside the
// target. A folder that cannot be made refuses its files the same way. Each folder written into
// is cleared of the temporaries that killed processes left there, once per job.
class TargetFolders {
public:
    // root is the extraction folder with its separator; it is made, with its parents, when
    // missing. swept holds the folders already cleared in this job. Throws Failure.
    TargetFolders(const std::string& root, std::set<std::string>& swept);

    struct Entered {
        std::shared_ptr<const FolderHandle> folder;  // null when refused
        std::string refusal;                         // why, as a problem's reason
    };
    // The folder of a box folder entry ("photos\2024\"; empty for the extraction folder), made
    // when missing. Safe to call from several threads.
    [[nodiscard]] Entered Enter(const std::string& entry);

    // A file of the box: its folder entry and its name.
    using File = std::pair<std::string, std::string>;
    // For each file, whether something (a link included) is already at its place below root.
    // Makes nothing and follows no link below root: a file below a link is refused anyway.
    [[nodiscard]] static std::vector<bool> Existing(const std::string& root,
                                                    const std::vector<File>& files);

private:
    // The folder of entry, walked down from the nearest folder above it that was entered lately
    // (the extraction folder when none was); made tells whether the walk made it.
    [[nodiscard]] Entered Walk(const std::string& entry, bool& made);
    // A recent entry's folder by its entry, made the most recent; null when it is not among them.
    [[nodiscard]] const Entered* Recent(std::string_view entry);

    // Folders entered last: the files of one folder follow each other in a box.
    static constexpr size_t kRecent = 16;

    std::string root_;
    std::shared_ptr<const FolderHandle> handle_;
    std::set<std::string>& swept_;
    std::mutex mutex_;
    std::list<std::pair<std::string, Entered>> recent_;  // most recent first
};

}  // namespace vko
