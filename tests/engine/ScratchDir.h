#pragma once

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace vko::test {

// A scratch folder in memory where the machine has one, for tests that rename and remove files
// thousands of times, which on a busy disk would take minutes of journal waits.
class ScratchDir {
public:
    ScratchDir() {
        std::error_code error;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", error)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        std::string pattern = (base / "vko-sweep-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make " + pattern);
        path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    [[nodiscard]] std::string operator/(const std::string& relative) const {
        return path_ + "/" + relative;
    }
    [[nodiscard]] const std::string& Str() const noexcept { return path_; }

private:
    std::string path_;
};

}  // namespace vko::test
