// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Published test vectors kept as data: one case a line of hex fields, "-" for an empty field,
// "#" for comments.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace vko::test {

using Bytes = std::vector<uint8_t>;

inline Bytes FromHex(const std::string& hex) {
    Bytes bytes;
    for (size_t i = 0; hex != "-" && i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

inline std::string ToHex(const uint8_t* bytes, size_t size) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (size_t i = 0; i < size; ++i) hex += {kDigits[bytes[i] >> 4], kDigits[bytes[i] & 15]};
    return hex;
}

// The cases of vectors/<name>, each as its fields decoded.
inline std::vector<std::vector<Bytes>> ReadVectors(const std::string& name, size_t fields) {
    std::ifstream in(std::string(VKO_VECTORS_DIR) + "/" + name);
    EXPECT_TRUE(in) << name;
    std::vector<std::vector<Bytes>> cases;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        std::vector<Bytes> fieldsOfLine;
        for (std::string word; words >> word;) fieldsOfLine.push_back(FromHex(word));
        EXPECT_EQ(fieldsOfLine.size(), fields) << line.substr(0, 40);
        cases.push_back(std::move(fieldsOfLine));
    }
    EXPECT_FALSE(cases.empty()) << name;
    return cases;
}

}  // namespace vko::test
