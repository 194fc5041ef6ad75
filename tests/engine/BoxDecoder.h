#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vko::test {

// A box written by the engine, deciphered field by field with the cipher alone, so that
// creation tests check the bytes without relying on the engine's own reader.
struct DecodedRecord {
    int32_t folder = 0;
    int32_t size = 0;
    int32_t stored = 0;  // the size again in a plain box
    std::string name;
    std::string contents;  // the deciphered stored bytes
};

struct DecodedBox {
    uint8_t version = 0;
    std::string name;
    int32_t folderTableLength = 0;  // D
    int32_t fileTableLength = 0;    // F
    std::vector<std::string> folders;
    std::vector<DecodedRecord> records;
    int64_t dataArea = 0;     // bytes after the file table
    int64_t storedTotal = 0;  // sum of the records' stored sizes
};

// Deciphers the box at path; a layout that does not add up fails the calling test.
[[nodiscard]] DecodedBox DecodeBox(const std::string& path, const std::string& password);

// The plain bytes of a compressed record's stored bytes ("<damaged>" when they do not expand).
[[nodiscard]] std::string ExpandStored(const std::string& stored);

// The bytes as a spaced hex string ("01 0a ff"), for readable comparisons.
[[nodiscard]] std::string Hex(const std::string& bytes);

}  // namespace vko::test
