#include "engine/TargetFolders.h"

#include "engine/BlockScan.h"
#include "engine/BoxFormat.h"
#include "util/PathParts.h"

namespace vko {

TargetFolders::TargetFolders(const std::string& root) : root_(root) {
    BlockScan::CreateAllFolders(root_);
    handle_ = FolderHandle::Open(root_);
}

TargetFolders::Entered TargetFolders::Enter(const std::string& entry) {
    const std::lock_guard lock(mutex_);
    for (auto it = recent_.begin(); it != recent_.end(); ++it) {
        if (it->first != entry) continue;
        recent_.splice(recent_.begin(), recent_, it);
        return it->second;
    }
    Entered entered = Walk(entry);
    recent_.emplace_front(entry, entered);
    if (recent_.size() > kRecent) recent_.pop_back();
    return entered;
}

// One folder at a time from the extraction folder down, each entered through the one above.
TargetFolders::Entered TargetFolders::Walk(const std::string& entry) const {
    Entered entered{handle_, {}};
    std::string native = root_;
    for (size_t start = 0; start < entry.size();) {
        size_t end = entry.find(BoxFormat::kBoxSeparator, start);
        if (end == std::string::npos) end = entry.size();
        const std::string name = entry.substr(start, end - start);
        native += name;
        entered.folder = entered.folder->Enter(name);
        if (!entered.folder) return {nullptr, native};
        native += kPathSeparator;
        start = end + 1;
    }
    return entered;
}

}  // namespace vko
