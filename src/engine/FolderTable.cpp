// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/FolderTable.h"

namespace vko {

void FolderTable::Clear() {
    entries_.clear();
    index_.clear();
    textLength_ = 0;
}

bool FolderTable::Add(const std::string& entry) {
    const auto number = static_cast<int32_t>(entries_.size()) + 1;
    if (!index_.emplace(entry, number).second) return false;
    entries_.push_back(entry);
    textLength_ += static_cast<int64_t>(entry.size());
    return true;
}

int32_t FolderTable::Find(const std::string& entry) const {
    const auto it = index_.find(entry);
    return it == index_.end() ? 0 : it->second;
}

}  // namespace vko
