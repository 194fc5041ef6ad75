#include "engine/ReaderFixture.h"

#include <filesystem>

#include "util/File.h"

namespace fs = std::filesystem;

namespace vko::test {

Tree Listing(const std::string& root) {
    Tree tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(entry.path(), root).generic_string();
        if (entry.is_directory())
            tree[relative + "/"] = "";
        else
            tree[relative] = ReadFile(entry.path().string());
    }
    return tree;
}

std::vector<std::string> Leftovers(const std::string& root) {
    std::vector<std::string> found;
    if (!fs::exists(root)) return found;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string name = entry.path().filename().string();
        const auto endsWith = [&](const std::string& suffix) {
            return name.size() >= suffix.size() &&
                   name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
        };
        if (endsWith(AtomicFile::kTempSuffix) || endsWith(".zlib"))
            found.push_back(entry.path().string());
    }
    return found;
}

}  // namespace vko::test
