// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/BlockShred.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <limits>
#include <random>
#include <set>

#include "engine/BoxFormat.h"
#include "util/Failure.h"
#include "util/File.h"
#include "util/PathParts.h"

namespace fs = std::filesystem;

namespace vko::BlockShred {

namespace {

int32_t Clamp32(int64_t value) {
    return static_cast<int32_t>(std::min<int64_t>(value, std::numeric_limits<int32_t>::max()));
}

std::vector<char> RandomBlock(size_t length, std::mt19937_64& random) {
    std::vector<char> block(length);
    for (size_t i = 0; i < length; i += 8) {
        const uint64_t bits = random();
        for (size_t k = 0; k < 8 && i + k < length; ++k)
            block[i + k] = static_cast<char>(bits >> (8 * k));
    }
    return block;
}

void Overwrite(BlockState& s, int32_t number, int32_t count, const std::string& path,
               std::mt19937_64& random) {
    std::error_code error;
    const auto size = static_cast<int64_t>(fs::file_size(path, error));
    if (error) throw FailureFromErrno(error.value(), path, "CreateBlock");
    if (size == 0) return;
    const std::vector<char> block = RandomBlock(
        static_cast<size_t>(std::min<int64_t>(size, BoxFormat::kShredBlockSize)), random);
    OutputFile out(path, false);
    for (int64_t remaining = size; remaining >= 1;) {
        const auto length =
            static_cast<size_t>(std::min<int64_t>(remaining, static_cast<int64_t>(block.size())));
        out.Write(block.data(), length);
        remaining -= static_cast<int64_t>(length);
        s.Events().ShredFile(number, count, path, Clamp32(remaining), Clamp32(size));
    }
    out.Sync();
    out.Close();
}

void Remove(const std::string& path) {
    std::error_code error;
    if (!fs::remove(path, error) && error)
        throw FailureFromErrno(error.value(), path, "CreateBlock");
}

void ShredFile(BlockState& s, int32_t number, int32_t count, const std::string& path,
               std::mt19937_64& random) {
    std::error_code error;
    const auto status = fs::symlink_status(path, error);
    if (error || !fs::exists(status)) return;  // gone since it was boxed: nothing left to shred
    // Writing through a link would destroy a file that may lie outside the boxed folder.
    if (!fs::is_symlink(status)) Overwrite(s, number, count, path, random);
    Remove(path);
}

size_t Depth(const std::string& folder) {
    return static_cast<size_t>(std::count(folder.begin(), folder.end(), kPathSeparator));
}

// Every folder below the root that held a boxed file, and those between them and the root,
// ordered so that a folder comes before its parent.
std::vector<std::string> FoldersDeepestFirst(const std::string& root,
                                             const std::vector<std::string>& files) {
    std::set<std::string> folders;
    for (const std::string& file : files) {
        std::string folder = GetPathPart(file);
        if (!folder.starts_with(root)) continue;
        folder.erase(0, root.size());
        while (!folder.empty() && folders.insert(folder).second) {
            folder.pop_back();
            folder = GetPathPart(folder);
        }
    }
    std::vector<std::string> ordered(folders.rbegin(), folders.rend());
    std::stable_sort(
        ordered.begin(), ordered.end(),
        [](const std::string& a, const std::string& b) { return Depth(a) > Depth(b); });
    return ordered;
}

}  // namespace

bool IsFileSystemRoot(const std::string& folder) {
    const fs::path path(folder);
    return path.has_root_directory() && !path.has_relative_path();
}

void ShredSources(BlockState& s, const std::vector<std::string>& files) {
    const auto seed =
        static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    std::mt19937_64 random(seed ^ std::random_device{}());
    const auto count = static_cast<int32_t>(files.size());
    for (int32_t i = 0; i < count; ++i)
        ShredFile(s, i + 1, count, files[static_cast<size_t>(i)], random);

    s.Events().RemoveDirectory();
    size_t removed = 0;
    for (const std::string& folder : FoldersDeepestFirst(s.rootPath, files)) {
        Remove(s.rootPath + folder);
        if (++removed % 10 == 0) s.host.PumpMessages();
    }
    if (!IsFileSystemRoot(s.rootPath)) Remove(s.rootPath);
}

}  // namespace vko::BlockShred
