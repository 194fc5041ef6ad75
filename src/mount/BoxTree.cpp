// SPDX-License-Identifier: GPL-3.0-or-later
#include "mount/BoxTree.h"

#include <algorithm>
#include <unordered_map>

namespace vko::mount {

namespace {

// Children are found while building by a map per folder, then sorted once.
struct PairHash {
    size_t operator()(const std::pair<uint32_t, std::string>& key) const noexcept {
        return std::hash<std::string>()(key.second) ^ (static_cast<size_t>(key.first) * 0x9E3779B97F4A7C15u);
    }
};
using ChildMap = std::unordered_map<std::pair<uint32_t, std::string>, uint32_t, PairHash>;

}  // namespace

BoxTree::BoxTree(const std::vector<MountEntry>& entries, const std::vector<std::string>& folders,
                 std::vector<LeftOut>& leftOut) {
    nodes_.push_back(Node{});
    ChildMap children;
    const auto add = [&](uint32_t parent, const std::string& name, uint32_t entry) -> uint32_t {
        const auto [it, added] = children.try_emplace({parent, name}, static_cast<uint32_t>(nodes_.size()));
        if (!added) return it->second;
        nodes_.push_back(Node{parent, name, entry, {}});
        nodes_[parent].children.push_back(it->second);
        return it->second;
    };
    // Folders first, so that a file never takes a folder's place; then each file, its folders
    // made on the way.
    const auto total = static_cast<uint32_t>(folders.size() + entries.size());
    for (uint32_t k = 0; k < total; ++k) {
        const bool isFolder = k < folders.size();
        const uint32_t i = isFolder ? 0 : k - static_cast<uint32_t>(folders.size());
        const std::string& path = isFolder ? folders[k] : entries[i].path;
        uint32_t folder = 0;
        bool clash = false;
        size_t start = 0;
        for (size_t slash = path.find('/'); slash != std::string::npos && !clash;
             start = slash + 1, slash = path.find('/', start)) {
            const uint32_t node = add(folder, path.substr(start, slash - start), kNoEntry);
            clash = !nodes_[node].IsFolder();
            folder = node;
        }
        const std::string name = path.substr(start);
        if (isFolder) continue;  // made on the way: it ends in "/"
        if (!clash && !name.empty() && !children.contains({folder, name})) {
            add(folder, name, i);
            continue;
        }
        leftOut.push_back({path, "another file or a folder of the box has the same path"});
    }
    for (Node& node : nodes_) {
        std::sort(node.children.begin(), node.children.end(),
                  [&](uint32_t a, uint32_t b) { return nodes_[a].name < nodes_[b].name; });
        if (node.IsFolder()) ++folders_;
    }
}

std::optional<uint32_t> BoxTree::Child(uint32_t folder, std::string_view name) const {
    const auto& list = nodes_.at(folder).children;
    const auto it = std::lower_bound(list.begin(), list.end(), name,
                                     [&](uint32_t a, std::string_view n) { return nodes_[a].name < n; });
    if (it == list.end() || nodes_[*it].name != name) return std::nullopt;
    return *it;
}

}  // namespace vko::mount
