// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/BlockScan.h"

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <string_view>

#include "engine/BoxFormat.h"
#include "engine/BoxPath.h"
#include "engine/FolderListing.h"
#include "util/Failure.h"
#include "util/LongPath.h"
#include "util/PathParts.h"

namespace fs = std::filesystem;

namespace vko::BlockScan {

namespace {

// "*" and "?" wildcards; "*.*" matches every name, dotted or not, as users expect of it.
// After a mismatch the last "*" takes one more character and matching resumes after it.
bool Matches(std::string_view name, std::string_view pattern) {
    if (pattern == "*.*") return true;
    size_t n = 0;
    size_t p = 0;
    size_t star = std::string_view::npos;
    size_t starMatched = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            starMatched = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++starMatched;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::vector<std::string> SplitPatterns(const std::string& filespec) {
    std::vector<std::string> patterns;
    size_t start = 0;
    while (true) {
        const size_t end = filespec.find(';', start);
        patterns.push_back(filespec.substr(start, end - start));
        if (end == std::string::npos) return patterns;
        start = end + 1;
    }
}

// The box being written may lie inside the folder being boxed; it is never boxed into itself.
class Exclusion {
public:
    explicit Exclusion(const std::string& path) : name_(GetFilePart(path)) {
        struct stat status {};
        if (path.empty() || LongPath::Stat(path, status) != 0) return;
        device_ = status.st_dev;
        inode_ = status.st_ino;
        active_ = true;
    }
    [[nodiscard]] bool Excludes(const OpenFolder& folder, const std::string& name) const {
        if (!active_ || name != name_) return false;
        struct stat status {};
        return fstatat(folder.Descriptor(), name.c_str(), &status, 0) == 0 &&
               status.st_dev == device_ && status.st_ino == inode_;
    }

private:
    std::string name_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    bool active_ = false;
};

// A folder path as its folder-table entry: relative to the boxed folder, lower case, "\"
// separated. The boxed folder is removed only as a leading prefix: a sub-folder whose path
// repeats the root's text further down keeps that text.
std::string TableEntry(const BlockState& s, const std::string& Path) {
    std::string relative = BoxPath::AsciiLower(Path);
    const std::string root = BoxPath::AsciiLower(s.rootPath);
    if (!root.empty() && relative.starts_with(root)) relative.erase(0, root.size());
    return BoxPath::ToBoxFolder(relative);
}

// Walks the tree through open folder descriptors, so that depth is no limit. Whatever cannot be
// listed, followed or stored under its name is named in s.problems and the rest is boxed;
// hidden entries are counted in s.hiddenLeftOut unless s.boxHidden.
class Scanner {
public:
    Scanner(BlockState& s, const std::string& filespec)
        : s_(s), patterns_(SplitPatterns(filespec)), exclusion_(s.scanExclude) {}

    std::vector<std::string> Scan(const std::string& Path, bool recurse) {
        const std::string folder = AddBackslash(Path);
        OpenFolder open = OpenFolder::At(folder);
        if (open.Error() != 0) {
            s_.problems.push_back(
                {folder, ProblemReason::FolderUnreadable(std::strerror(open.Error()))});
            return {};
        }
        return ScanOpen(open, folder, recurse);
    }

    bool cancelled = false;

private:
    std::vector<std::string> ScanOpen(const OpenFolder& open, const std::string& folder,
                                      bool recurse) {
        FolderListing listing = FolderListing::Of(open, folder, s_.boxHidden);
        s_.hiddenLeftOut += listing.hidden;
        for (FileProblem& problem : listing.problems) s_.problems.push_back(std::move(problem));
        std::vector<std::string> found;
        AddFiles(open, folder, listing.entries, found);
        if (!recurse || cancelled) return found;
        std::vector<std::string> subFolders;
        for (const FolderListing::Entry& entry : listing.entries) {
            if (entry.folder && Storable(folder, entry.name)) subFolders.push_back(entry.name);
            if (!Breathe()) return found;
        }
        for (const std::string& name : subFolders) {
            for (std::string& path : ScanBelow(open, folder, name)) {
                found.push_back(std::move(path));
                if (!cancelled) Breathe();
            }
            if (cancelled) break;
        }
        return found;
    }

    std::vector<std::string> ScanBelow(const OpenFolder& parent, const std::string& folder,
                                       const std::string& name) {
        const std::string path = folder + name + kPathSeparator;
        const OpenFolder below = parent.Below(name);
        if (below.Error() == 0) return ScanOpen(below, path, true);
        s_.problems.push_back(
            {path, ProblemReason::FolderUnreadable(std::strerror(below.Error()))});
        return {};
    }

    void AddFiles(const OpenFolder& open, const std::string& folder,
                  const std::vector<FolderListing::Entry>& entries,
                  std::vector<std::string>& found) {
        for (const std::string& pattern : patterns_) {
            for (const FolderListing::Entry& entry : entries) {
                if (entry.folder || !Matches(entry.name, pattern)) continue;
                if (exclusion_.Excludes(open, entry.name)) continue;
                const std::string full = folder + entry.name;
                if (!StorableFileName(full, entry.name)) continue;
                found.push_back(full);
                AddDir(s_, GetPathFromFile(full), false);
                s_.Events().AddingToBlock(full);
                if (!Breathe()) return;
            }
        }
    }

    // A name the box cannot hold is named and left out (a folder with everything in it).
    bool StorableFileName(const std::string& full, const std::string& name) {
        if (name.find(BoxFormat::kBoxSeparator) != std::string::npos)
            return NotStored(full, ProblemReason::BackslashInName(false));
        if (!BoxPath::IsSafeFileName(name))
            return NotStored(full, ProblemReason::DriveInName(false));
        return true;
    }
    bool Storable(const std::string& folder, const std::string& name) {
        const std::string path = folder + name + kPathSeparator;
        if (name.find(BoxFormat::kBoxSeparator) != std::string::npos)
            return NotStored(path, ProblemReason::BackslashInName(true));
        if (!BoxPath::IsSafeFolderEntry(TableEntry(s_, path)))
            return NotStored(path, ProblemReason::DriveInName(true));
        return true;
    }
    bool NotStored(const std::string& path, std::string reason) {
        s_.problems.push_back({path, std::move(reason)});
        return false;
    }

    // Lets the user interface run and notes a cancel request; false once cancelled.
    bool Breathe() {
        s_.host.PumpMessages();
        cancelled = s_.host.CancelRequested();
        return !cancelled;
    }

    BlockState& s_;
    std::vector<std::string> patterns_;
    Exclusion exclusion_;
};

}  // namespace

std::vector<std::string> GetAllFiles(BlockState& s, const std::string& Path,
                                     const std::string& filespec, bool RecurseDirs,
                                     bool& cancelled) {
    Scanner scanner(s, filespec);
    auto found = scanner.Scan(Path, RecurseDirs);
    cancelled = scanner.cancelled;
    return found;
}

std::vector<std::string> GetAllFiles(BlockState& s, const std::string& Path,
                                     const std::string& filespec, bool RecurseDirs) {
    bool cancelled = false;
    return GetAllFiles(s, Path, filespec, RecurseDirs, cancelled);
}

void AddDir(BlockState& s, const std::string& Path, bool bForceAdd) {
    const std::string entry = TableEntry(s, Path);
    if (entry.empty() && !bForceAdd) return;
    s.folders.Add(entry);
}

int32_t GetPathNumber(const BlockState& s, const std::string& Path) {
    return s.folders.Find(TableEntry(s, Path));
}

std::string GetPathFromFile(const std::string& Pathname) {
    return GetPathPart(Pathname);
}

void CreateAllFolders(const std::string& mPathToCheck) {
    for (size_t i = 1; i < mPathToCheck.size(); ++i) {
        if (mPathToCheck[i] != kPathSeparator) continue;
        const std::string folder = mPathToCheck.substr(0, i);
        std::error_code error;
        if (fs::exists(folder, error)) continue;
        if (!fs::create_directory(folder, error) && error)
            throw FailureFromErrno(error.value(), folder, "CreateAllFolders");
    }
}

std::vector<std::string> GetDirectories(const std::string& Path, int32_t Attributes,
                                        bool IncludePath) {
    constexpr int32_t kHiddenAttribute = 2;
    const std::string folder = AddBackslash(Path);
    std::vector<std::string> names;
    const OpenFolder open = OpenFolder::At(folder);
    if (open.Error() != 0) return names;
    const bool hidden = (Attributes & kHiddenAttribute) != 0;
    for (const FolderListing::Entry& entry : FolderListing::Of(open, folder, hidden).entries) {
        if (entry.folder) names.push_back(IncludePath ? folder + entry.name : entry.name);
    }
    return names;
}

}  // namespace vko::BlockScan
