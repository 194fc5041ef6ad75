// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace vko {

// The folder table of a box: entries numbered from 1 in the order they were added, no two
// equal. Lookups are indexed so that large trees stay linear.
class FolderTable {
public:
    void Clear();
    // Appends the entry unless an equal one exists; true when it was appended.
    bool Add(const std::string& entry);
    // The entry's number (from 1), or 0 when it is not in the table.
    [[nodiscard]] int32_t Find(const std::string& entry) const;

    [[nodiscard]] const std::vector<std::string>& Entries() const noexcept { return entries_; }
    [[nodiscard]] int32_t Count() const noexcept { return static_cast<int32_t>(entries_.size()); }
    // Sum of the entries' lengths (without their terminators).
    [[nodiscard]] int64_t TextLength() const noexcept { return textLength_; }

private:
    std::vector<std::string> entries_;
    std::unordered_map<std::string, int32_t> index_;
    int64_t textLength_ = 0;
};

}  // namespace vko
