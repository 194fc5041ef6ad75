// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace vko::test {

// A fresh folder under $VKO_TEST_TMP (or the system's temporary folder), removed with the
// object. Paths are returned as byte strings, the way the engine takes them. inMemory puts it in
// /dev/shm where the machine has one, for tests that rename and remove files thousands of times,
// which on a busy disk would take minutes of journal waits.
class TempDir {
public:
    explicit TempDir(bool inMemory = false);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    [[nodiscard]] const std::filesystem::path& Path() const noexcept { return path_; }
    // The folder joined with a relative path.
    [[nodiscard]] std::string operator/(const std::string& relative) const;
    [[nodiscard]] std::string Str() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

// Writes bytes to a file, creating its folders.
void WriteFile(const std::string& path, const std::string& bytes);
[[nodiscard]] std::string ReadFile(const std::string& path);
// Deterministic pseudo-random bytes.
[[nodiscard]] std::string RandomBytes(size_t count, uint32_t seed);

// A folder tree as relative path ("a/b.txt") -> contents; folders are implied by the paths.
using Tree = std::map<std::string, std::string>;
void MakeTree(const std::string& root, const Tree& tree);
// Every regular file below root, relative path -> contents.
[[nodiscard]] Tree ReadTree(const std::string& root);
// The paths whose contents differ, or that only one tree holds: what a failing comparison of
// trees with large files should print (a whole-tree EXPECT_EQ makes GoogleTest diff their
// contents line by line, at a cost that grows with the square of the lines).
[[nodiscard]] std::vector<std::string> DifferingPaths(const Tree& actual, const Tree& expected);

// Makes key derivation cheap for the rest of the test program.
void UseFastKeys();

}  // namespace vko::test
