// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/CreatePlan.h"

#include <cstring>
#include <filesystem>
#include <unordered_map>
#include <unordered_set>

#include "engine/BlockScan.h"
#include "engine/BoxFormat.h"
#include "engine/BoxPath.h"
#include "engine/FileProblem.h"
#include "util/PathParts.h"
#include "util/SourceFile.h"

namespace fs = std::filesystem;

namespace vko::CreatePlan {

namespace {

using BoxFormat::kBoxSeparator;

// Why a file measured as size, at path, cannot have a place in the box; empty when it can.
// A file that vanished since the scan, cannot be read, or is no longer a regular file; a name
// or a size the format cannot hold.
std::string LeftOutBecause(const std::string& path, int error, int64_t size, size_t nameLimit) {
    if (error == SourceFile::kNotRegularError)
        return ProblemReason::Unreadable(SourceFile::kNotRegular, path);
    if (error != 0) return ProblemReason::Unreadable(std::strerror(error), path);
    const size_t nameLength = GetFilePart(path).size();
    if (nameLength > nameLimit) return ProblemReason::NameTooLong(nameLength, nameLimit);
    if (size > BoxFormat::kMaxLong) return ProblemReason::FileTooLarge(size);
    return {};
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
    const auto nameLimit = static_cast<size_t>(compressed ? BoxFormat::kMaxFileNameCompressed
                                                          : BoxFormat::kMaxFileNamePlain);
    std::vector<PlannedFile> files;
    files.reserve(s.fileList.size());
    FolderCache folders;
    for (const std::string& path : s.fileList) {
        int64_t size = 0;
        const int error = SourceFile::Measure(path, size, folders);
        std::string reason = LeftOutBecause(path, error, size, nameLimit);
        if (!reason.empty()) {
            s.problems.push_back({path, std::move(reason)});
            continue;
        }
        PlannedFile file;
        file.path = path;
        file.folder = BlockScan::GetPathNumber(s, BlockScan::GetPathFromFile(path));
        file.name = GetFilePart(path);
        file.size = size;
        files.push_back(std::move(file));
    }
    CheckFolderNames(files, s.folders, s.rootPath);
    CheckFileNames(files);
    LeaveOutCollisions(files, s.folders, s.problems);
    CheckTableLength(files, compressed, s.rootPath);
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

void CheckFileNames(const std::vector<PlannedFile>& files) {
    for (const PlannedFile& file : files) {
        if (!BoxPath::IsSafeFileName(file.name) ||
            file.name.size() > static_cast<size_t>(BoxFormat::kMaxFileNamePlain))
            throw NameFailure("The file " + file.path +
                              " has a name that a box cannot store safely.");
    }
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

// Folder entries are lower case, so "Sub/x" and "sub/x" would be extracted to one file (the
// later one is left out), and a file "sub" would meet the folder that "SUB/" becomes (the file
// is left out).
void LeaveOutCollisions(std::vector<PlannedFile>& files, const FolderTable& folders,
                        std::vector<FileProblem>& problems) {
    std::unordered_set<std::string> folderPaths;
    const auto& entries = folders.Entries();
    for (size_t i = 1; i < entries.size(); ++i) {
        const std::string& entry = entries[i];
        for (size_t end = entry.find(kBoxSeparator); end != std::string::npos;
             end = entry.find(kBoxSeparator, end + 1))
            folderPaths.insert(entry.substr(0, end + 1));
    }
    std::unordered_map<std::string, std::string> seen;
    std::vector<bool> leftOut(files.size(), false);
    for (size_t i = 0; i < files.size(); ++i) {
        const PlannedFile& file = files[i];
        const std::string boxPath = Entry(folders, file.folder) + file.name;
        std::string reason;
        if (folderPaths.contains(boxPath + kBoxSeparator))
            reason = ProblemReason::MeetsFolder();
        else if (const auto [it, added] = seen.emplace(boxPath, file.path); !added)
            reason = ProblemReason::SameInLowerCase(it->second);
        if (reason.empty()) continue;
        problems.push_back({file.path, std::move(reason)});
        leftOut[i] = true;
    }
    size_t i = 0;
    std::erase_if(files, [&](const PlannedFile&) { return leftOut[i++]; });
}

}  // namespace vko::CreatePlan
