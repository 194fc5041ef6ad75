#include "engine/CreatePlan.h"

#include <cstring>
#include <filesystem>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "engine/BlockScan.h"
#include "engine/BoxFormat.h"
#include "engine/BoxPath.h"
#include "engine/FileProblem.h"
#include "util/PathParts.h"

namespace fs = std::filesystem;

namespace vko::CreatePlan {

namespace {

using BoxFormat::kBoxSeparator;

// The file's size, or the errno value of why it cannot be read (it vanished since the scan,
// or its permissions forbid it): such a file gets no place in the box.
std::optional<int64_t> Measure(const std::string& path, int& error) {
    int64_t size = 0;
    error = InputFile::Measure(path, size);
    if (error != 0) return std::nullopt;
    return size;
}

std::string Entry(const FolderTable& folders, int32_t number) {
    return number < 1 ? std::string() : folders.Entries()[static_cast<size_t>(number) - 1];
}

// The folder of a file relative to the boxed folder, as the file system spells it.
std::string NativeRelativeFolder(const std::string& path, const std::string& rootPath) {
    std::string folder = GetPathPart(path);
    if (folder.starts_with(rootPath)) folder.erase(0, rootPath.size());
    return folder;
}

Failure NameFailure(const std::string& what) {
    return Failure(FailureNumber::kInvalidArgument, what);
}

}  // namespace

Failure TooLarge(const std::string& detail) {
    return Failure(FailureNumber::kOverflow,
                   std::string(kTooLargeText) + "\r\n\r\n" + detail + "\r\n\r\n" + kTooLargeAdvice);
}

std::vector<PlannedFile> Plan(BlockState& s, const std::string& BlockFile,
                              const std::string& BlockName, bool compressed) {
    CheckBoxName(BlockFile, BlockName);
    CheckFolderCount(s.folders, s.rootPath);
    std::vector<PlannedFile> files;
    files.reserve(s.fileList.size());
    for (const std::string& path : s.fileList) {
        int error = 0;
        const std::optional<int64_t> size = Measure(path, error);
        if (!size) {
            s.problems.push_back({path, ProblemReason::Unreadable(std::strerror(error), path)});
            continue;
        }
        PlannedFile file;
        file.path = path;
        file.folder = BlockScan::GetPathNumber(s, BlockScan::GetPathFromFile(path));
        file.name = GetFilePart(path);
        file.size = *size;
        files.push_back(std::move(file));
    }
    CheckFolderNames(files, s.folders, s.rootPath);
    CheckFileNames(files, compressed);
    CheckSizes(files, s.rootPath);
    CheckTableLength(files, compressed, s.rootPath);
    CheckCollisions(files, s.folders);
    return files;
}

void CheckBoxName(const std::string& BlockFile, const std::string& BlockName) {
    if (BlockName.size() <= static_cast<size_t>(BoxFormat::kMaxBoxName)) return;
    throw Failure(FailureNumber::kOverflow,
                  "The box name for " + BlockFile + " is " + std::to_string(BlockName.size()) +
                      " bytes long; a box name can hold at most 255 bytes.");
}

void CheckFolderCount(const FolderTable& folders, const std::string& rootPath) {
    if (folders.Count() <= BoxFormat::kMaxFolders) return;
    const std::string first =
        rootPath + BoxPath::ToNativeFolder(Entry(folders, BoxFormat::kMaxFolders + 1));
    throw Failure(FailureNumber::kOverflow,
                  "The folder " + rootPath + " holds files in " + std::to_string(folders.Count()) +
                      " folders, its own included; a box can list at most 65,535. The first "
                      "folder past the limit is " +
                      first + ".");
}

void CheckFolderNames(const std::vector<PlannedFile>& files, const FolderTable& folders,
                      const std::string& rootPath) {
    std::vector<bool> checked(static_cast<size_t>(folders.Count()) + 1, false);
    for (const PlannedFile& file : files) {
        if (file.folder < 2 || checked[static_cast<size_t>(file.folder)]) continue;
        checked[static_cast<size_t>(file.folder)] = true;
        const std::string native = NativeRelativeFolder(file.path, rootPath);
        if (native.find(kBoxSeparator) != std::string::npos)
            throw NameFailure("The folder " + rootPath + native +
                              " has a backslash in its name, which a box cannot store.");
        if (!BoxPath::IsSafeFolderEntry(Entry(folders, file.folder)))
            throw NameFailure("The folder " + rootPath + native +
                              " has a name that a box cannot store safely.");
    }
}

void CheckFileNames(const std::vector<PlannedFile>& files, bool compressed) {
    const size_t limit = static_cast<size_t>(compressed ? BoxFormat::kMaxFileNameCompressed
                                                        : BoxFormat::kMaxFileNamePlain);
    for (const PlannedFile& file : files) {
        if (file.name.find(kBoxSeparator) != std::string::npos)
            throw NameFailure("The file " + file.path +
                              " has a backslash in its name, which a box cannot store.");
        if (!BoxPath::IsSafeFileName(file.name))
            throw NameFailure("The file " + file.path +
                              " has a name that a box cannot store safely.");
        if (file.name.size() > limit)
            throw Failure(FailureNumber::kOverflow,
                          "The name of " + file.path + " is " + std::to_string(file.name.size()) +
                              " bytes long; this box can store file names of at most " +
                              std::to_string(limit) + " bytes.");
    }
}

void CheckSizes(const std::vector<PlannedFile>& files, const std::string& rootPath) {
    int64_t total = 0;
    for (const PlannedFile& file : files) {
        if (file.size > BoxFormat::kMaxLong)
            throw TooLarge(file.path + " holds " + std::to_string(file.size) + " bytes.");
        total += file.size;
    }
    if (total > BoxFormat::kMaxLong)
        throw TooLarge("The files in " + rootPath + " add up to " + std::to_string(total) +
                       " bytes.");
}

void CheckTableLength(const std::vector<PlannedFile>& files, bool compressed,
                      const std::string& rootPath) {
    const int64_t fixed =
        1 + (compressed ? BoxFormat::kCompressedRecordFixed : BoxFormat::kPlainRecordFixed);
    int64_t length = 0;
    for (const PlannedFile& file : files) length += fixed + static_cast<int64_t>(file.name.size());
    if (length > BoxFormat::kMaxLong)
        throw TooLarge("The file table for the " + std::to_string(files.size()) + " files in " +
                       rootPath + " would take " + std::to_string(length) + " bytes.");
}

// Folder entries are lower case, so "Sub/x" and "sub/x" would be extracted to one file, and a
// file "sub" would meet the folder that "SUB/" becomes.
void CheckCollisions(const std::vector<PlannedFile>& files, const FolderTable& folders) {
    std::unordered_set<std::string> folderPaths;
    const auto& entries = folders.Entries();
    for (size_t i = 1; i < entries.size(); ++i) {
        const std::string& entry = entries[i];
        for (size_t end = entry.find(kBoxSeparator); end != std::string::npos;
             end = entry.find(kBoxSeparator, end + 1))
            folderPaths.insert(entry.substr(0, end + 1));
    }
    std::unordered_map<std::string, const PlannedFile*> seen;
    for (const PlannedFile& file : files) {
        const std::string boxPath = Entry(folders, file.folder) + file.name;
        const auto [it, added] = seen.emplace(boxPath, &file);
        if (!added)
            throw NameFailure(it->second->path + " and " + file.path +
                              " would be extracted to the same file, because a box stores "
                              "folder names in lower case.");
        if (folderPaths.contains(boxPath + kBoxSeparator))
            throw NameFailure(file.path +
                              " would be extracted where a folder of the same name "
                              "goes, because a box stores folder names in lower case.");
    }
}

}  // namespace vko::CreatePlan
