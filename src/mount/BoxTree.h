// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mount/MountSource.h"

namespace vko::mount {

// The folders and files of a box as numbered nodes: node 0 is the root, a folder lists its
// children sorted by name. A path that a folder and a file would share, or two files, keeps its first holder;
// the others are left out.
class BoxTree {
public:
    static constexpr uint32_t kNoEntry = UINT32_MAX;

    struct Node {
        uint32_t parent = 0;
        std::string name;
        uint32_t entry = kNoEntry;  // the file's index in the source; kNoEntry for a folder
        std::vector<uint32_t> children;  // folders only, by name
        [[nodiscard]] bool IsFolder() const noexcept { return entry == kNoEntry; }
    };

    // Builds the tree of entries and folders ("sub/deeper/"); the files it cannot place are
    // added to leftOut.
    BoxTree(const std::vector<MountEntry>& entries, const std::vector<std::string>& folders,
            std::vector<LeftOut>& leftOut);

    [[nodiscard]] const Node& At(uint32_t node) const { return nodes_.at(node); }
    [[nodiscard]] size_t Size() const noexcept { return nodes_.size(); }
    [[nodiscard]] std::optional<uint32_t> Child(uint32_t folder, std::string_view name) const;
    [[nodiscard]] uint32_t Folders() const noexcept { return folders_; }

private:
    uint32_t FolderFor(std::string_view path, bool& clash);

    std::vector<Node> nodes_;
    uint32_t folders_ = 0;
};

}  // namespace vko::mount
