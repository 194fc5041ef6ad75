// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/TargetFolders.h"

#include "engine/BoxFormat.h"
#include "engine/FileProblem.h"
#include "util/Failure.h"
#include "util/File.h"
#include "util/PathParts.h"

namespace vko {

namespace {

// Calls step with each folder name of a box entry ("a\b\": "a", then "b") until it says stop.
template <class Step>
void ForEachName(const std::string& entry, Step step) {
    for (size_t start = 0; start < entry.size();) {
        size_t end = entry.find(BoxFormat::kBoxSeparator, start);
        if (end == std::string::npos) end = entry.size();
        if (!step(entry.substr(start, end - start))) return;
        start = end + 1;
    }
}

}  // namespace

TargetFolders::TargetFolders(const std::string& root, std::set<std::string>& swept)
    : root_(root), handle_(FolderHandle::Make(root)), swept_(swept) {}

TargetFolders::Entered TargetFolders::Enter(const std::string& entry) {
    const std::lock_guard lock(mutex_);
    for (auto it = recent_.begin(); it != recent_.end(); ++it) {
        if (it->first != entry) continue;
        recent_.splice(recent_.begin(), recent_, it);
        return it->second;
    }
    Entered entered = Walk(entry);
    if (entered.folder && swept_.insert(entered.folder->Path()).second)
        AtomicFile::RemoveStaleTemps(*entered.folder);
    recent_.emplace_front(entry, entered);
    if (recent_.size() > kRecent) recent_.pop_back();
    return entered;
}

// One folder at a time from the extraction folder down, each entered through the one above.
TargetFolders::Entered TargetFolders::Walk(const std::string& entry) const {
    Entered entered{handle_, {}};
    std::string native = root_;
    ForEachName(entry, [&](const std::string& name) {
        native += name;
        try {
            entered.folder = entered.folder->Enter(name);
            if (!entered.folder) entered.refusal = ProblemReason::ThroughLink(native);
        } catch (const Failure& failure) {
            entered = {nullptr, ProblemReason::FolderNotMade(failure.Description())};
        }
        native += kPathSeparator;
        return entered.folder != nullptr;
    });
    return entered;
}

std::vector<bool> TargetFolders::Existing(const std::string& root, const std::vector<File>& files) {
    std::vector<bool> existing(files.size(), false);
    std::shared_ptr<const FolderHandle> top;
    try {
        top = FolderHandle::Open(root);
    } catch (const Failure&) {
        return existing;  // nothing is there yet
    }
    // Files of one folder follow each other in a box: each folder is looked up once per run.
    const std::string* last = nullptr;
    std::shared_ptr<const FolderHandle> folder;
    for (size_t i = 0; i < files.size(); ++i) {
        const auto& [entry, name] = files[i];
        if (!last || *last != entry) {
            folder = top;
            ForEachName(entry, [&](const std::string& part) {
                folder = folder->Find(part);
                return folder != nullptr;
            });
            last = &entry;
        }
        existing[i] = folder && folder->Holds(name);
    }
    return existing;
}

}  // namespace vko
