// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/EntrySelection.h"

#include <algorithm>
#include <filesystem>
#include <unordered_map>
#include <unordered_set>

#include "cli/ExitCode.h"
#include "engine/BoxPath.h"

namespace vko::cli {

namespace {

bool IsNumber(const std::string& text) {
    return !text.empty() && text.size() <= 9 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string AsBoxPath(std::string text) {
    std::replace(text.begin(), text.end(), '/', '\\');
    return text;
}

class EntryIndex {
public:
    explicit EntryIndex(const BoxListing& listing) : count_(listing.files.size()) {
        for (const auto& file : listing.files) byPath_.emplace(file.path, file.number);
    }

    [[nodiscard]] int32_t Find(const std::string& argument) const {
        if (IsNumber(argument)) {
            long number = std::stol(argument);
            if (number >= 1 && static_cast<size_t>(number) <= count_)
                return static_cast<int32_t>(number);
        }
        // "./3" is the file named 3, where "3" is the third entry.
        const bool pathOnly = argument.starts_with("./");
        auto found = byPath_.find(AsBoxPath(pathOnly ? argument.substr(2) : argument));
        if (found != byPath_.end()) return found->second;
        throw UsageError("no entry \"" + argument + "\" in the box (it holds " +
                         std::to_string(count_) + " files; vkx list shows them)");
    }

private:
    size_t count_;
    std::unordered_map<std::string, int32_t> byPath_;
};

}  // namespace

std::vector<int32_t> ResolveEntries(const BoxListing& listing,
                                    const std::vector<std::string>& arguments) {
    EntryIndex index(listing);
    std::vector<int32_t> numbers;
    std::unordered_set<int32_t> seen;
    for (const auto& argument : arguments) {
        int32_t number = index.Find(argument);
        if (seen.insert(number).second) numbers.push_back(number);
    }
    return numbers;
}

std::string DefaultExtractFolder(const BoxListing& listing, const std::string& box) {
    std::string boxStem = std::filesystem::path(box).stem().string();
    for (const std::string& candidate : {listing.root, boxStem})
        if (BoxPath::IsSafeFileName(candidate)) return "./" + candidate;
    throw UsageError("no folder name to extract \"" + box + "\" into: give -C DIR");
}

}  // namespace vko::cli
