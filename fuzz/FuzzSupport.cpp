// SPDX-License-Identifier: GPL-3.0-or-later
#include "FuzzSupport.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "crypto/cipherlib_testing.h"

namespace fs = std::filesystem;

namespace vko::fuzz {

void Prepare() {
    static const bool once = [] {
        cipherlib_testing::UseFastKeyDerivation(true);
        return true;
    }();
    (void)once;
}

const std::string& Scratch() {
    static const std::string folder = [] {
        const fs::path path = fs::temp_directory_path() / ("vko-fuzz-" + std::to_string(getpid()));
        fs::create_directories(path);
        return path.string() + "/";
    }();
    return folder;
}

std::string WriteBox(const uint8_t* data, size_t size) {
    const std::string path = Scratch() + "input.vkx";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}

void RemoveTree(const std::string& path) {
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

}  // namespace vko::fuzz
