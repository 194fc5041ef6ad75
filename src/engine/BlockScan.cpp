#include "engine/BlockScan.h"

#include <algorithm>
#include <filesystem>
#include <string_view>

#include "engine/BoxPath.h"
#include "util/Failure.h"
#include "util/PathParts.h"

namespace fs = std::filesystem;

namespace vko::BlockScan {

namespace {

enum class Kind { File, Folder };

struct Entry {
    std::string name;
    Kind kind;
};

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

bool IsHidden(const std::string& name) {
    return !name.empty() && name.front() == '.';
}

// What the scan sees in a folder: visible regular files (a link to a file counts as the
// file) and visible folders that are not links, sorted by name bytes so that the same tree
// always gives the same box. Sockets, fifos and devices are system files and never listed;
// a folder that cannot be read lists nothing.
std::vector<Entry> ListFolder(const std::string& folder, bool withHidden = false) {
    std::vector<Entry> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().string();
        if (IsHidden(name) && !withHidden) continue;
        std::error_code ignored;
        const bool link = it->is_symlink(ignored);
        if (it->is_regular_file(ignored)) {
            entries.push_back({std::move(name), Kind::File});
        } else if (!link && it->is_directory(ignored)) {
            entries.push_back({std::move(name), Kind::Folder});
        }
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return entries;
}

// The box being written may lie inside the folder being boxed; it is never boxed into itself.
bool IsExcluded(const BlockState& s, const std::string& name, const std::string& full) {
    if (s.scanExclude.empty() || name != GetFilePart(s.scanExclude)) return false;
    std::error_code ignored;
    return fs::equivalent(full, s.scanExclude, ignored);
}

class Scanner {
public:
    Scanner(BlockState& s, const std::string& filespec)
        : s_(s), patterns_(SplitPatterns(filespec)) {}

    std::vector<std::string> Scan(const std::string& Path, bool recurse) {
        const std::string folder = AddBackslash(Path);
        const std::vector<Entry> entries = ListFolder(folder);
        std::vector<std::string> found;
        AddFiles(folder, entries, found);
        if (!recurse || cancelled) return found;
        std::vector<std::string> subFolders;
        for (const Entry& entry : entries) {
            if (entry.kind == Kind::Folder) subFolders.push_back(folder + entry.name);
            if (!Breathe()) return found;
        }
        for (const std::string& sub : subFolders) {
            for (std::string& path : Scan(sub, true)) {
                found.push_back(std::move(path));
                if (!cancelled) Breathe();
            }
            if (cancelled) break;
        }
        return found;
    }

    bool cancelled = false;

private:
    void AddFiles(const std::string& folder, const std::vector<Entry>& entries,
                  std::vector<std::string>& found) {
        for (const std::string& pattern : patterns_) {
            for (const Entry& entry : entries) {
                if (entry.kind != Kind::File || !Matches(entry.name, pattern)) continue;
                const std::string full = folder + entry.name;
                if (IsExcluded(s_, entry.name, full)) continue;
                found.push_back(full);
                AddDir(s_, GetPathFromFile(full), false);
                s_.Events().AddingToBlock(full);
                if (!Breathe()) return;
            }
        }
    }

    // Lets the user interface run and notes a cancel request; false once cancelled.
    bool Breathe() {
        s_.host.PumpMessages();
        cancelled = s_.host.CancelRequested();
        return !cancelled;
    }

    BlockState& s_;
    std::vector<std::string> patterns_;
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
    for (const Entry& entry : ListFolder(folder, (Attributes & kHiddenAttribute) != 0)) {
        if (entry.kind == Kind::Folder)
            names.push_back(IncludePath ? folder + entry.name : entry.name);
    }
    return names;
}

}  // namespace vko::BlockScan
