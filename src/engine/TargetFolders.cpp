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
    if (const Entered* recent = Recent(entry)) return *recent;
    bool made = false;
    Entered entered = Walk(entry, made);
    // A folder made just now holds nothing to clear.
    if (entered.folder && swept_.insert(entered.folder->Path()).second && !made)
        AtomicFile::RemoveStaleTemps(*entered.folder);
    recent_.emplace_front(entry, entered);
    if (recent_.size() > kRecent) recent_.pop_back();
    return entered;
}

const TargetFolders::Entered* TargetFolders::Recent(std::string_view entry) {
    for (auto it = recent_.begin(); it != recent_.end(); ++it) {
        if (it->first != entry) continue;
        recent_.splice(recent_.begin(), recent_, it);
        return &it->second;
    }
    return nullptr;
}

// One folder at a time down from the nearest one known, each entered through the one above: a
// box lists a folder's subfolders after it, so a new folder is mostly one step below a recent
// one, and that one stays recent while its subfolders are entered. A refused folder refuses
// everything below it, for the reason it was refused.
TargetFolders::Entered TargetFolders::Walk(const std::string& entry, bool& made) {
    Entered entered{handle_, {}};
    size_t start = 0;
    for (size_t end = entry.size(); end > 1;) {
        end = entry.rfind(BoxFormat::kBoxSeparator, end - 2);
        if (end == std::string::npos) break;
        if (const Entered* above = Recent(std::string_view(entry).substr(0, end + 1))) {
            if (!above->folder) return *above;
            entered = *above;
            start = end + 1;
            break;
        }
    }
    std::string native = entered.folder->Path();
    ForEachName(entry.substr(start), [&](const std::string& name) {
        native += name;
        try {
            entered.folder = entered.folder->Enter(name, &made);
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
