// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TestFiles.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace vko::test {

namespace {
fs::path TestRoot(bool inMemory) {
    const char* env = std::getenv("VKO_TEST_TMP");
    std::error_code error;
    fs::path root = inMemory && fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm/vko-tests")
                    : env && *env                                   ? fs::path(env)
                                  : fs::temp_directory_path() / "vko-tests";
    fs::create_directories(root);
    return root;
}
}  // namespace

TempDir::TempDir(bool inMemory) {
    std::string pattern = (TestRoot(inMemory) / "t-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create " + pattern);
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    // Tests may leave read-only folders behind; make them writable before removing.
    for (auto it = fs::recursive_directory_iterator(path_, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(path_, ignored);
}

std::string TempDir::operator/(const std::string& relative) const {
    return (path_ / relative).string();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    fs::path p(path);
    if (p.has_parent_path()) fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

std::string RandomBytes(size_t count, uint32_t seed) {
    std::mt19937 gen(seed);
    std::string bytes(count, '\0');
    for (auto& c : bytes) c = static_cast<char>(gen() & 0xFF);
    return bytes;
}

void MakeTree(const std::string& root, const Tree& tree) {
    fs::create_directories(root);
    for (const auto& [relative, contents] : tree)
        WriteFile((fs::path(root) / relative).string(), contents);
}

Tree ReadTree(const std::string& root) {
    Tree tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        tree[fs::relative(entry.path(), root).generic_string()] = ReadFile(entry.path().string());
    }
    return tree;
}

std::vector<std::string> DifferingPaths(const Tree& actual, const Tree& expected) {
    std::vector<std::string> paths;
    for (const auto& [path, contents] : actual) {
        const auto it = expected.find(path);
        if (it == expected.end() || it->second != contents) paths.push_back(path);
    }
    for (const auto& [path, contents] : expected)
        if (!actual.contains(path)) paths.push_back(path);
    return paths;
}

}  // namespace vko::test
